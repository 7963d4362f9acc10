// Pieces of the full evaluation that live in separate files of eval/.
#pragma once

#include <cstdint>

#include "eval/eval.h"

// Material term F, with its imbalance corrections and trade-down scaling.
int32_t TerminoMaterial();
// Bishop pair (without the bishop wing bonus, which the piece scan adds).
int32_t TerminoParejaAlfiles();

// King-safety term, already divided by 100. `ataqueBlanco` and `ataqueNegro` are
// the attack counts gathered by the piece scan against the white and the black
// king; `tablaPeones` is the pawn table in use (TABLA_PEONES_*). Fills the
// king-safety fields of `d` when it is not null.
int32_t TerminoSeguridadRey(int ataqueBlanco, int ataqueNegro, int tablaPeones, DesgloseEval* d);
