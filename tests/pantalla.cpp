// The tests read what the book and the tablebases tell the user on standard
// output, as the engine's console shows it.
#include <cstdio>

#include "book/book.h"
#include "egtb/egtb.h"

namespace {

void AStdout(const char* texto) { std::fputs(texto, stdout); }

const bool instalada = [] {
  Libros.SalidaPantallaLibro = AStdout;
  EGTB.PantallaTablas = AStdout;
  return true;
}();

}  // namespace
