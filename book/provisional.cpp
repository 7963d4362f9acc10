// Stand-ins until the opening books exist: no book file is read or written, the
// book never has a move and learning records nothing. Remove this file when
// book/ provides these functions.
#include "book/book.h"

void CargarLibros() {}
void GuardarLibros() {}
void Aprender(const char*) {}
Jugada ConsultarLibro() { return 0; }
void AprenderJugadaLibro() {}
void AprenderBusqueda(int, int32_t, int) {}
