// zelmor-libro: the engine's book builder.
#include <cstring>

#include "tools/libro/libro_tool.h"

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "crear") == 0) return ComandoCrear(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "ver") == 0) return ComandoVer(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "jugadas") == 0) return ComandoJugadas(argc, argv);
  return UsoLibro();
}
