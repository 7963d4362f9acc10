// Static evaluation: material, pieces, pawn structure, attack maps,
// king-and-pawn endings and king safety.
#pragma once

#include <cstdint>

#include "core/core.h"

// ---------------------------------------------------------------- types

struct EntradaHashPeones {
  int32_t ValorPeones;     // White's view
  uint32_t Verificacion;   // ClavePeones ^ MarcaPeonesA or MarcaPeonesB
};

struct EntradaHashAtaques {
  uint32_t ClaveBaja;
  uint32_t ClaveAlta;
  uint8_t AtaquesBlancos[64];  // per square index: count in bits 0-2, class bits above
  uint8_t AtaquesNegros[64];
};

// ---------------------------------------------------------------- globals

extern EntradaHashPeones* TablaPeones;
extern uint32_t MascaraPeones;
extern EntradaHashAtaques* TablaAtaques;
extern uint32_t MascaraAtaques;

// ---------------------------------------------------------------- functions
// (implemented by the evaluation; the search and the driver call these)

int Evaluar();                  // side to move's view: phase choice, or king-and-pawn ending
int EvaluarPosicion(int fase);  // White's view; fase 0 opening, 1 middlegame, 2 endgame
int EvaluarFinalPeones();       // White's view; kings and pawns only
int FaseEvaluacion();           // the phase Evaluar would use (position with pieces)
int MaterialInsuficiente();     // 1 when neither side can mate
void CalcularAtaques();         // attack map of the current position into TablaAtaques
int CambioCaptura(Jugada j);    // exchange value of a capture, mover's view (needs the map)
int CambioCasilla(int casilla); // what the opponent wins on a square we hold (needs the map)
