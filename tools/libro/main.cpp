// zelmor-libro: the engine's book builder.
#include <cstdio>
#include <cstring>

#include "book/book.h"

#include "tools/libro/libro_tool.h"

int main(int argc, char** argv) {
  // The tool is its own front end: the book's progress and totals go to its output.
  Libros.SalidaPantallaLibro = [](const char* texto) { std::fputs(texto, stdout); };
  if (argc >= 2 && std::strcmp(argv[1], "crear") == 0) return ComandoCrear(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "ver") == 0) return ComandoVer(argc, argv);
  if (argc >= 2 && std::strcmp(argv[1], "jugadas") == 0) return ComandoJugadas(argc, argv);
  return UsoLibro();
}
