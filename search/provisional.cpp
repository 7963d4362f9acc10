// Stand-ins for the opening book, position learning and the tablebases until
// those subsystems exist: the book never has a move, learning records nothing
// and no tablebase is installed. Remove this file when book/ and egtb/ provide
// these functions.
#include "search/search.h"

int MaxPiezasTB = 0;

int ConsultarLibro() { return 0; }
int32_t ProbarTablas() { return SIN_TB; }
void AprenderJugadaLibro() {}
void AprenderBusqueda(int, int32_t, int) {}
