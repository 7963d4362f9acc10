// Move counting over the engine's own generation and make/unmake path.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/core.h"
#include "diag/diag.h"
#include "driver/driver.h"
#include "movegen/movegen.h"

namespace {

// Common argument handling of perft and divide: DEPTH [FEN...].
// With "--full" before DEPTH the last ply is made and taken back like the others.
bool PrepararPosicion(int argc, char** argv, const char* uso, int& profundidad, bool& atajo) {
  atajo = true;
  if (argc >= 3 && std::strcmp(argv[2], "--full") == 0) {
    atajo = false;
    --argc;
    ++argv;
  }
  if (argc < 3) {
    std::fprintf(stderr, "usage: %s\n", uso);
    return false;
  }
  profundidad = std::atoi(argv[2]);
  if (profundidad < 0 || profundidad >= MAX_PLY - 1) {
    std::fprintf(stderr, "depth must be 0..%d\n", MAX_PLY - 2);
    return false;
  }
  PrepararDiagnostico();
  MotivoFEN motivo;
  if (ColocarFEN(UnirArgumentos(argc, argv, 3).c_str(), &motivo) == 0) return true;
  ImprimirErrorFEN(motivo);
  return false;
}

void EscribirJugada(Jugada j, char* texto) {
  const int d = CasillaDesde(j), h = CasillaHasta(j);
  int n = std::snprintf(texto, 8, "%c%d%c%d", 'a' + Columna(d), Fila(d) + 1, 'a' + Columna(h),
                        Fila(h) + 1);
  if (TipoPromocion(j)) texto[n++] = " pnbrqk"[TipoPromocion(j)], texto[n] = 0;
}

}  // namespace

std::string UnirArgumentos(int argc, char** argv, int desde) {
  std::string fen;
  for (int i = desde; i < argc; ++i) {
    if (!fen.empty()) fen += ' ';
    fen += argv[i];
  }
  return fen.empty() ? FEN_INICIAL : fen;
}

void PrepararDiagnostico() { PrepararNucleo(); }

uint64_t Perft(int profundidad, bool atajo) {
  if (profundidad == 0) return 1;
  if (atajo && profundidad == 1) return ContarJugadasLegales();
  GenerarJugadas();
  EntradaJugada* const inicio = InicioLista[PlyActual];
  uint64_t total = 0;
  // Moves are taken from the top and popped, as the search does; a deeper ply
  // reuses the popped entries.
  while (TopeJugadas >= inicio) {
    const Jugada j = TopeJugadas->Jugada;
    --TopeJugadas;
    if (!HacerJugada(j)) continue;
    total += profundidad == 1 ? 1 : Perft(profundidad - 1, atajo);
    DeshacerJugada();
  }
  return total;
}

int ComandoPerft(int argc, char** argv) {
  int profundidad = 0;
  bool atajo = true;
  if (!PrepararPosicion(argc, argv, "zelmor-diag perft [--full] DEPTH [FEN]", profundidad, atajo))
    return 1;
  const auto inicio = std::chrono::steady_clock::now();
  const uint64_t total = Perft(profundidad, atajo);
  const double segundos =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  std::printf("time %.3f s, %.0f nodes/s\n", segundos, segundos > 0 ? total / segundos : 0.0);
  std::printf("%llu\n", static_cast<unsigned long long>(total));
  return 0;
}

int ComandoDivide(int argc, char** argv) {
  int profundidad = 0;
  bool atajo = true;
  if (!PrepararPosicion(argc, argv, "zelmor-diag divide [--full] DEPTH [FEN]", profundidad, atajo))
    return 1;
  if (profundidad < 1) profundidad = 1;
  GenerarJugadas();
  EntradaJugada* const inicio = InicioLista[PlyActual];
  uint64_t total = 0;
  // Root moves in generation order, which is how the engine lists them.
  for (EntradaJugada* e = inicio; e <= TopeJugadas; ++e) {
    const Jugada j = e->Jugada;
    EntradaJugada* const tope = TopeJugadas;
    if (!HacerJugada(j)) continue;
    const uint64_t n = Perft(profundidad - 1, atajo);
    DeshacerJugada();
    TopeJugadas = tope;
    char texto[8];
    EscribirJugada(j, texto);
    std::printf("%s: %llu\n", texto, static_cast<unsigned long long>(n));
    total += n;
  }
  std::printf("%llu\n", static_cast<unsigned long long>(total));
  return 0;
}
