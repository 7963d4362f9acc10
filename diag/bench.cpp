// Fixed-depth benchmark over a built-in set of positions. Tables are cleared
// before each position and no decision depends on the clock, so the node total
// is the search's signature: it moves only when the search's behaviour does.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "core/core.h"
#include "diag/diag.h"
#include "driver/driver.h"
#include "egtb/egtb.h"
#include "eval/eval.h"
#include "search/search.h"

namespace {

// Openings, middlegames, endgames, mates, a stalemate and a mated root.
constexpr const char* POSICIONES_BENCH[] = {
    FEN_INICIAL,
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "rnbqkb1r/pp1ppppp/5n2/2p5/4P3/2N5/PPPP1PPP/R1BQKBNR w KQkq - 2 3",
    "r1bq1rk1/ppp2ppp/2np1n2/2b1p3/2B1P3/2PP1N2/PP3PPP/RNBQ1RK1 w - - 0 7",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r3k2r/Pppp1ppp/1b3nbN/nP6/BBP1P3/q4N2/Pp1P2PP/R2Q1RK1 w kq - 0 1",
    "rnbq1k1r/pp1Pbppp/2p5/8/2B5/8/PPP1NnPP/RNBQK2R w KQ - 1 8",
    "r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10",
    "2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1",
    "r2q1rk1/pb2bppp/1pn1pn2/2pp4/3P4/1P2PNP1/PBPNQPBP/R4RK1 w - - 0 1",
    "r1b2rk1/2q1b1pp/p2ppn2/1p6/3QP3/1BN1B3/PPP3PP/R4RK1 w - - 0 1",
    "4rrk1/pp1n3p/3q2pQ/2p1pb2/2PP4/2P3N1/P2B2PP/4RRK1 b - - 7 19",
    "6k1/3b3r/1p1p4/p1n2p2/1PPNpP1q/P3Q1p1/1R1RB1P1/5K2 b - - 0 1",
    "r2r1n2/pp2bk2/2p1p2p/3q4/3PN1QP/2P3R1/P4PP1/5RK1 w - - 0 1",
    "1r3k2/4q3/2Pp3b/3Bp3/2Q2p2/1p1P2P1/1P2KP2/3N4 w - - 0 1",
    "3r1k2/4npp1/1ppr3p/p6P/P2PPPP1/1NR5/5K2/2R5 w - - 0 1",
    "2r5/8/1n6/1P1p1pkp/p2P4/R1P1PKP1/8/1R6 w - - 0 1",
    "6k1/6p1/6Pp/ppp5/3pn2P/1P3K2/1PP2P2/3N4 b - - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "8/8/1p1k4/5ppp/PPK1p3/6P1/5PP1/8 b - - 0 1",
    "8/R7/2q5/8/6k1/8/1P5p/K6R w - - 0 124",
    "8/8/3P3k/8/1p6/8/1P6/1K3n2 b - - 0 1",
    "8/8/8/8/5kp1/P7/8/1K1N4 w - - 0 1",
    "8/3k4/8/8/8/4K3/4P3/8 w - - 0 1",
    "8/8/8/4k3/8/8/3QK3/8 w - - 0 1",
    "6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1",
    "r1bqkb1r/pppp1ppp/2n2n2/4p2Q/2B1P3/8/PPPP1PPP/RNB1K1NR w KQkq - 4 4",
    "k7/8/2K5/8/8/8/8/1Q6 w - - 0 1",
    "8/8/8/8/8/6k1/6p1/6K1 w - - 0 1",
    "rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3",
};

// Endings of three to six men, where tablebases answer inside the search: the
// set that shows what tables cost or save. Never part of the default bench.
constexpr const char* POSICIONES_FINALES[] = {
    "1K1k4/1P6/8/8/8/8/r7/2R5 w - - 0 1",  // krpkr, Lucena
    "3k4/8/r7/3PK3/8/8/8/7R w - - 0 1",    // krpkr, third-rank defence
    "8/8/8/3k4/8/8/6r1/2Q1K3 w - - 0 1",   // kqkr
    "8/8/8/4k3/8/8/8/KBN5 w - - 0 1",      // kbnk
    "8/8/8/8/2k5/8/1p6/6KR w - - 0 1",     // krkp
    "8/8/1k6/p7/8/8/6P1/6K1 w - - 0 1",    // kpkp
    "8/8/8/8/8/2k5/1p6/3K1Q2 w - - 0 1",   // kqkp
    "7k/8/6KP/8/8/8/8/2B5 w - - 0 1",      // kbpk
    "8/8/3k4/8/8/3K4/1q6/6Q1 w - - 0 1",   // kqkq
    "8/8/8/2k5/8/1p6/4PP2/4K3 w - - 0 1",  // kppkp
    "8/8/4k3/3rp3/8/3RPK2/8/8 w - - 0 1",  // krpkrp
};

}  // namespace

void PrepararBusquedaDiagnostico() {
  static bool hecho = false;
  PrepararDiagnostico();
  if (!hecho) {
    // Fixed sizes, whatever a personality file would say.
    Personalidad.TABLA_HASH = 32;
    Personalidad.TABLA_HASH_PEONES = 4;
    Personalidad.TamHashAtaques = 4;
    AsignarTablasHash();
    hecho = true;
  }
  Busqueda.BusquedaDiagnostico = 1;
  Busqueda.LimiteDiagnostico = 0.0;
  Busqueda.InformadorBusqueda = nullptr;  // a diagnostic search tells nobody
}

void PosicionDiagnostico() {
  // Fresh tables and game state, the engine playing the side to move.
  LimpiarTablasBusqueda();
  LimpiarTablasEval();
  NuevaPartidaBusqueda();
  Busqueda.ValorAnterior = 0;
  Busqueda.NumRaiz = 10000;
  Busqueda.Limites.Modo = ModoBusqueda::Normal;
  Busqueda.Fase = FaseReloj::Normal;
  Eval.ColorMotor = EstadoActual->Turno;
  Busqueda.Limites.TiempoRestante = SIN_RELOJ;
  Busqueda.Limites.JugadasControl = 0;
  Busqueda.Limites.Incremento = 0;
}

uint64_t Bench(int profundidad, bool detalle, bool finales, ContadoresBench* contadores) {
  PrepararBusquedaDiagnostico();
  uint64_t total = 0;
  int i = 0;
  const char* const* inicio =
      finales ? std::begin(POSICIONES_FINALES) : std::begin(POSICIONES_BENCH);
  const char* const* fin = finales ? std::end(POSICIONES_FINALES) : std::end(POSICIONES_BENCH);
  for (const char* const* q = inicio; q != fin; ++q) {
    const char* fen = *q;
    ++i;
    if (ColocarFEN(fen) != 0) {
      std::printf("bench: bad position %d: %s\n", i, fen);
      continue;
    }
    PosicionDiagnostico();
    IterarHastaProfundidad(profundidad);
    total += Nodos;
    if (contadores) {
      contadores->Intentos += Busqueda.Contadores.IntentosEGTB;
      contadores->Aciertos += Busqueda.Contadores.AciertosEGTB;
    }
    if (detalle) {
      char texto[8] = "none";
      if (Busqueda.VariantePrincipal[0][0].Jugada != 0) TextoJugada(Busqueda.VariantePrincipal[0][0].Jugada, texto);
      std::printf("Position %2d: %10u nodes  best %-6s score %d\n", i, Nodos, texto, Busqueda.ValorRaiz());
    }
  }
  ReiniciarPartida();
  return total;
}

namespace {

int UsoBench() {
  std::fprintf(stderr, "usage: bench [--tablas DIR] [--finales] [DEPTH 1..30]\n");
  return 1;
}

// Registers the tablebases of a directory list as NALIMOV_PATH would, with the
// engine's default cache; false with a message when none can be read.
bool CargarTablasBench(const char* rutas) {
  if (std::strlen(rutas) >= sizeof Personalidad.NALIMOV_PATH) {
    std::fprintf(stderr, "bench: tablebase path too long\n");
    return false;
  }
  std::snprintf(Personalidad.NALIMOV_PATH, sizeof Personalidad.NALIMOV_PATH, "%s", rutas);
  CambiarTablasFinales();
  if (EGTB.MaxPiezasTB == 0) {
    std::fprintf(stderr, "bench: no tablebase could be read from %s\n", rutas);
    return false;
  }
  std::printf("Tablebases: up to %d men from %s, cache %d bytes\n", EGTB.MaxPiezasTB, rutas,
              static_cast<int>(Personalidad.EGTB_CACHE_SIZE));
  return true;
}

}  // namespace

int ComandoBench(int argc, char** argv) {
  int profundidad = BENCH_PROFUNDIDAD;
  const char* tablas = nullptr;
  bool finales = false, hayProfundidad = false;
  for (int i = 2; i < argc; ++i) {
    if (std::strcmp(argv[i], "--tablas") == 0 && i + 1 < argc) {
      tablas = argv[++i];
    } else if (std::strcmp(argv[i], "--finales") == 0) {
      finales = true;
    } else if (!hayProfundidad && argv[i][0] >= '0' && argv[i][0] <= '9') {
      char* resto = nullptr;
      const long n = std::strtol(argv[i], &resto, 10);
      if (*resto != '\0' || n < 1 || n > 30) return UsoBench();
      profundidad = static_cast<int>(n);
      hayProfundidad = true;
    } else {
      return UsoBench();
    }
  }
  PrepararBusquedaDiagnostico();
  if (tablas && !CargarTablasBench(tablas)) return 1;
  ContadoresBench contadores;
  const uint32_t inicio = RelojMs();
  const uint64_t nodos = Bench(profundidad, true, finales, &contadores);
  uint32_t ms = RelojMs() - inicio;
  if (ms == 0) ms = 1;
  if (tablas)
    std::printf("\nEGTB probes: %llu  hits: %llu\n",
                static_cast<unsigned long long>(contadores.Intentos),
                static_cast<unsigned long long>(contadores.Aciertos));
  std::printf("\nNodes: %llu\n", static_cast<unsigned long long>(nodos));
  std::printf("NPS: %llu\n", static_cast<unsigned long long>(nodos * 1000 / ms));
  return 0;
}
