// Pieces of the full evaluation that live in separate files of eval/.
#pragma once

#include <cstdint>

#include "eval/eval.h"

// The men of each kind and colour as 64-bit sets (index i is bit 63 - i),
// gathered once per evaluation from the piece lists.
struct Conjuntos {
  uint64_t peones[2];  // [NEGRO], [BLANCO]
  uint64_t caballos[2];
  uint64_t alfiles[2];
  uint64_t torres[2];
  uint64_t todas[2];  // every man of the colour, king included
};
void ReunirConjuntos(Conjuntos& c);

// The king-ray counts of RayoDiagonalRey / RayoLineaRey on the sets of `c`.
int RayoDiagonalRey(int s, const Conjuntos& c);
int RayoLineaRey(int s, const Conjuntos& c);

// True when some man of `tipo` and `lado` stands where `cumple(square)` holds.
template <typename Condicion>
inline bool HayPiezaDonde(int lado, int tipo, Condicion cumple) {
  const int lista = IndiceLista(lado == BLANCO ? tipo : -tipo);
  const int n = EstadoActual->NumPiezas[lista];
  for (int k = 0; k < n; ++k)
    if (cumple(ListaPiezas[lista][k])) return true;
  return false;
}

// True when `lado` has a bishop on a square of colour `color`.
inline bool AlfilEnColor(int lado, int color) {
  return HayPiezaDonde(lado, ALFIL, [color](int s) { return ColorCasilla[s] == color; });
}

// True when `lado` has a rook on file `columna`.
inline bool TorreEnColumna(int lado, int columna) {
  return HayPiezaDonde(lado, TORRE, [columna](int s) { return Columna(s) == columna; });
}

// Material term F, with its imbalance corrections and trade-down scaling.
int32_t TerminoMaterial();
// Bishop pair (without the bishop wing bonus, which the piece scan adds).
int32_t TerminoParejaAlfiles();

// King-safety term, already divided by 100. `ataqueBlanco` and `ataqueNegro` are
// the attack counts gathered by the piece scan against the white and the black
// king; `tablaPeones` is the pawn table in use (TABLA_PEONES_*). Fills the
// king-safety fields of `d` when it is not null.
int32_t TerminoSeguridadRey(int ataqueBlanco, int ataqueNegro, int tablaPeones, const Conjuntos& c,
                            DesgloseEval* d);
