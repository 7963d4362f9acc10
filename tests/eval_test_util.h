// Helpers shared by the evaluation tests.
#pragma once

#include <string>

#include <gtest/gtest.h>

#include "core/core.h"
#include "diag/diag.h"
#include "driver/driver.h"
#include "eval/eval.h"

// Tables, keys and small evaluation hashes, built once per process.
inline void PrepararEval() {
  static bool hecho = false;
  PrepararDiagnostico();
  if (!hecho) ReservarTablasEval(2, 2);
  hecho = true;
}

// Sets the position (must succeed) with the evaluation's other inputs.
inline void PosicionEval(const char* fen, int medias = 50, int colorMotor = -1) {
  PrepararEval();
  if (ColocarFEN(fen) != 0) ADD_FAILURE() << "test FEN refused: " << fen;
  MediasJugadas = medias;
  Eval.ColorMotor = colorMotor;
}

// Full-evaluation trace of the current position in phase `fase`.
inline DesgloseEval Desglose(int fase) {
  DesgloseEval d;
  EvaluarPosicionDesglose(fase, &d);
  return d;
}

inline int CasillaTexto(const char* t) { return (t[0] - 'a') + 16 * (8 - (t[1] - '0')); }

// Attack byte of a square for a colour, from the map of the current position.
inline int ByteAtaque(int lado, const char* casilla) {
  CalcularAtaques();
  const EntradaHashAtaques* h = EntradaAtaques();
  const int i = Indice64(CasillaTexto(casilla));
  return ByteAtaques(h, lado, i);
}
