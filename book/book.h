// The opening books: the two book files, the move they offer and learning.
#pragma once

#include <cstdint>

#include "core/core.h"

// ---------------------------------------------------------------- functions

void CargarLibros();                   // appends both book files to the books
void GuardarLibros();                  // rewrites both book files
void Aprender(const char* resultado);  // learns from the game's result
// The book move for the current position (a move of its generated list), or 0.
Jugada ConsultarLibro();
void AprenderJugadaLibro();  // records the book move last returned, for learning
void AprenderBusqueda(int profundidad, int32_t valor, int segundos);
