// The earlier build's own evaluation procedures (only that build calls them):
// material from the piece counts with the values of its settings, and a game
// phase by move number and total material.
#include "eval/forma.h"

int32_t MaterialAnterior() {
  const uint8_t* n = EstadoActual->NumPiezas;
  return Eval.VAL_PEON * (n[0] - n[1]) + Eval.VAL_CABALLO * (n[2] - n[3]) + Eval.VAL_ALFIL * (n[4] - n[5]) +
         Eval.VAL_TORRE * (n[6] - n[7]) + Eval.VAL_DAMA * (n[8] - n[9]);
}

int FaseAnterior() {
  // The threshold compares the record's own MaterialTotal.
  if (MediasJugadas < 20) return 0;
  return EstadoActual->MaterialTotal > Eval.UMBRAL_FINAL ? 1 : 2;
}
