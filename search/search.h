// The search: thinking driver, interior and quiescence searches, transposition
// tables, move ordering and time management.
#pragma once

#include <cstdint>

#include "core/core.h"

// ---------------------------------------------------------------- types

// Transposition-table entry (24 bytes).
struct EntradaHash {
  uint16_t Estampa;   // low 16 bits of MaterialTotal at store time
  uint8_t Calado;     // remaining depth of the storing search
  uint8_t Banderas;   // 1 side to move, 2 exact, 4 upper, 8 lower, 16 null allowed
  ::Jugada Jugada;
  int32_t Valor;
  uint32_t ClaveBaja;
  uint32_t ClaveAlta;
};

// ---------------------------------------------------------------- globals

extern EntradaHash* TablaHashProf;     // depth-preferred table
extern EntradaHash* TablaHashSiempre;  // always-replace table
extern uint32_t MascaraHash;           // entries per table - 1

// The upper index word is masked by MascaraHash sign-extended to 64 bits, so it is
// zero for every real table size.
inline uint32_t MascaraHashAlta() {
  return static_cast<uint32_t>(static_cast<int32_t>(MascaraHash) >> 31);
}

extern Jugada Asesinas[100][2];        // killers per ply
extern uint32_t Nulos;                 // null moves made (HacerNulo counts them)

// ---------------------------------------------------------------- functions

// Clears what the search keeps from one game to the next (called by NuevaPartida).
void NuevaPartidaBusqueda();

// Thinking driver: searches the current position; in normal mode also plays the
// move through EmitirJugada. PensarProf searches to a fixed depth and plays.
void Pensar();
void PensarProf(int profundidad);
