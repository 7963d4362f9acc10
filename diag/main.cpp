// zelmor-diag: the engine's own diagnostics, reached from the shell rather than
// through the protocol.
#include <cstdio>
#include <cstring>

#include "book/book.h"
#include "egtb/egtb.h"
#include "diag/diag.h"

namespace {

struct Subcomando {
  const char* nombre;
  int (*accion)(int, char**);
  const char* uso;
};

constexpr Subcomando SUBCOMANDOS[] = {
    {"perft", ComandoPerft,
     "perft [--full] DEPTH [FEN]   leaf count of the legal move tree (--full: make every leaf)"},
    {"divide", ComandoDivide,
     "divide [--full] DEPTH [FEN]  leaf count per root move, then the total"},
    {"bench", ComandoBench,
     "bench [--tablas DIR] [--finales] [DEPTH]  fixed-depth search of the built-in positions\n"
     "                         (--tablas: with the tablebases of DIR; --finales: endings)"},
    {"suite", ComandoSuite,
     "suite FILE.epd [--time S | --depth D]  solved positions of a test suite"},
    {"eval", ComandoEval,
     "eval [--half-moves N] [--engine-colour white|black|none] FEN  evaluation trace"},
    {"evalbench", ComandoEvalBench,
     "evalbench [PASSES]     evaluations per second over built-in positions"},
};

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  // The tool is its own front end: what the tables and books tell the user goes
  // to its output.
  EGTB.PantallaTablas = [](const char* texto) { std::fputs(texto, stdout); };
  Libros.SalidaPantallaLibro = [](const char* texto) { std::fputs(texto, stdout); };
  if (argc >= 2) {
    for (const auto& s : SUBCOMANDOS)
      if (std::strcmp(argv[1], s.nombre) == 0) return s.accion(argc, argv);
  }
  std::fprintf(stderr, "usage: zelmor-diag COMMAND ...\n");
  for (const auto& s : SUBCOMANDOS) std::fprintf(stderr, "  %s\n", s.uso);
  return 1;
}
