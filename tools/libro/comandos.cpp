// The subcommands of zelmor-libro: crear, ver, jugadas.
#include <chrono>
#include <cstdlib>
#include <cstring>

#include "book/book.h"
#include "driver/driver.h"
#include "movegen/movegen.h"
#include "tools/libro/libro_tool.h"

namespace {

// The book's notices go to standard error, one per line.
void AvisoError(const char* texto) {
  while (*texto == '\n') ++texto;
  std::fputs(texto, stderr);
  const size_t n = std::strlen(texto);
  if (n == 0 || texto[n - 1] != '\n') std::fputc('\n', stderr);
}

bool Numero(const char* t, int& v) {
  char* fin = nullptr;
  const long x = std::strtol(t, &fin, 10);
  if (fin == t || *fin != 0 || x < -1000000 || x > 1000000) return false;
  v = static_cast<int>(x);
  return true;
}

}  // namespace

int UsoLibro() {
  std::fputs(
      "uso: zelmor-libro crear [--plies N] [--min-games K] [--salida DIR] [--earlier] FICHERO...\n"
      "     zelmor-libro ver FICHERO.libro [--limite N]\n"
      "     zelmor-libro jugadas [--libros DIR] [--earlier] [--segundos S] FEN\n",
      stderr);
  return 2;
}

namespace {

int Uso() { return UsoLibro(); }

std::string Marcas(uint8_t m) {
  std::string s;
  s += (m & MARCA_LIBRO) ? 'L' : '-';
  s += (m & MARCA_AJUSTE) ? 'A' : '-';
  s += (m & MARCA_EVITAR) ? 'E' : '-';
  return s;
}

}  // namespace

int ComandoCrear(int argc, char** argv) {
  OpcionesCrear o;
  std::vector<std::string> ficheros;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if ((a == "--plies" || a == "--min-games" || a == "--salida") && i + 1 >= argc) return Uso();
    if (a == "--plies") {
      if (!Numero(argv[++i], o.Plies) || o.Plies < 1 || o.Plies > MAX_PLIES) {
        std::fprintf(stderr, "zelmor-libro: --plies entre 1 y %d\n", MAX_PLIES);
        return 2;
      }
    } else if (a == "--min-games") {
      if (!Numero(argv[++i], o.MinPartidas) || o.MinPartidas < 1) {
        std::fputs("zelmor-libro: --min-games de 1 en adelante\n", stderr);
        return 2;
      }
    } else if (a == "--salida") {
      o.Salida = argv[++i];
    } else if (a == "--earlier") {
      o.Anterior = true;
    } else if (a.rfind("--", 0) == 0) {
      return Uso();
    } else {
      ficheros.push_back(a);
    }
  }
  if (ficheros.empty()) return Uso();
  Libros.SalidaLogLibro = AvisoError;
  const auto inicio = std::chrono::steady_clock::now();
  ResumenCrear r;
  const int estado = CrearLibros(ficheros, o, r, stderr);
  const double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  std::printf("Partidas: %llu (desde FEN, omitidas: %llu), avisos: %llu\n",
              static_cast<unsigned long long>(r.Partidas),
              static_cast<unsigned long long>(r.ConFEN),
              static_cast<unsigned long long>(r.Errores));
  if (r.Descartadas > 0) std::printf("Posiciones descartadas por capacidad: %u\n", r.Descartadas);
  std::printf("Posiciones: blancas %u, negras %u en %.2f s\n", r.Blancas, r.Negras, s);
  return estado;
}

int ComandoVer(int argc, char** argv) {
  if (argc < 3) return Uso();
  int limite = -1;
  for (int i = 3; i < argc; ++i) {
    if (std::strcmp(argv[i], "--limite") == 0 && i + 1 < argc && Numero(argv[i + 1], limite) &&
        limite >= 0)
      ++i;
    else return Uso();
  }
  Libros.SalidaLogLibro = AvisoError;
  FILE* f = std::fopen(argv[2], "rb");
  if (f == nullptr) {
    std::fprintf(stderr, "%s: no se puede abrir: %s\n", argv[2], std::strerror(errno));
    return 1;
  }
  std::fclose(f);
  Libros.NumLibroBlancas = 0;
  CargarFicheroLibro(argv[2], Libros.LibroBlancas, &Libros.NumLibroBlancas, argv[2]);
  std::printf("%-16s %-6s %4s %6s %5s %6s\n", "clave", "marcas", "prof", "valor", "seg", "peso");
  const uint32_t n = limite >= 0 && static_cast<uint32_t>(limite) < Libros.NumLibroBlancas
                         ? static_cast<uint32_t>(limite)
                         : Libros.NumLibroBlancas;
  for (uint32_t i = 0; i < n; ++i) {
    const EntradaLibro& e = Libros.LibroBlancas[i];
    std::printf("%08x%08x %-6s %4u %6d %5u %6d\n", e.ClaveAlta, e.ClaveBaja,
                Marcas(e.Marcas).c_str(), e.Profundidad, e.Valor, e.Segundos, e.Peso);
  }
  std::printf("Posiciones: %u\n", Libros.NumLibroBlancas);
  return 0;
}

int ComandoJugadas(int argc, char** argv) {
  std::string dir = ".";
  bool anterior = false;
  int segundos = 0;
  std::string fen;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--libros" && i + 1 < argc) {
      dir = argv[++i];
    } else if (a == "--earlier") {
      anterior = true;
    } else if (a == "--segundos" && i + 1 < argc) {
      if (!Numero(argv[++i], segundos)) return Uso();
    } else if (a.rfind("--", 0) == 0) {
      return Uso();
    } else {
      fen += (fen.empty() ? "" : " ") + a;
    }
  }
  PrepararTablero();
  MotivoFEN motivo;
  if (!fen.empty() && ColocarFEN(fen.c_str(), &motivo) != 0) {
    ImprimirErrorFEN(motivo);
    return 1;
  }
  Libros.SalidaLogLibro = AvisoError;
  Libros.NumLibroBlancas = Libros.NumLibroNegras = 0;
  const std::string b = dir + (anterior ? "/ZelmorB.libro" : "/Zelmor070B.libro");
  const std::string n = dir + (anterior ? "/ZelmorN.libro" : "/Zelmor070N.libro");
  CargarLibros(b.c_str(), n.c_str());
  const int lado = EstadoActual->Turno;
  EntradaLibro* libro = lado == BLANCO ? Libros.LibroBlancas : Libros.LibroNegras;
  const uint32_t num = lado == BLANCO ? Libros.NumLibroBlancas : Libros.NumLibroNegras;
  std::printf("%-6s %-9s %6s %7s %-6s %4s %6s %5s\n", "jugada", "tipo", "peso", "mostrado",
              "marcas", "prof", "valor", "seg");
  GenerarJugadas();
  int halladas = 0;
  // The probe's order: last generated first.
  for (EntradaJugada* m = TopeJugadas; m >= InicioLista[PlyActual]; --m) {
    if (!HacerJugada(m->Jugada)) continue;
    const EntradaLibro* e =
        BuscarLibro(libro, num, EstadoActual->ClaveBaja, EstadoActual->ClaveAlta);
    DeshacerJugada();
    if (e == nullptr) continue;
    ++halladas;
    const LecturaEntrada l = ClasificarEntrada(*e, segundos, -25);
    const char* tipo = l.Tipo == TipoCandidato::Libro       ? "libro"
                       : l.Tipo == TipoCandidato::Aprendido ? "aprendida"
                       : l.Tipo == TipoCandidato::Evitar    ? "evitar"
                                                            : "-";
    std::printf("%-6s %-9s %6d %7d %-6s %4u %6d %5u\n", CoordenadasJugada(m->Jugada).c_str(), tipo,
                l.Peso, l.Mostrado, Marcas(e->Marcas).c_str(), e->Profundidad, e->Valor,
                e->Segundos);
  }
  std::printf("Jugadas en el libro: %d\n", halladas);
  return 0;
}
