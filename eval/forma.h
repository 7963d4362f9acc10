// The two builds evaluate alike but for the choices of this record. Each build's
// record is here, side by side, and the evaluation reads the one of the build
// being compiled: a procedure the record names replaces the shared one, and a
// switch turns a shared step on or off. The earlier build's own procedures are
// in anterior.cpp.
#pragma once

#include <cstdint>

#include "eval/eval.h"

struct FormaEvaluacion {
  // Procedures that replace the shared ones, used when Propios is set (and
  // null when it is not).
  bool Propios;
  int32_t (*Material)();  // the material sum the term starts from
  int (*Fase)();          // the game phase
  // Switches.
  bool PesosSegunAjuste;  // pawn structure, mobility and king danger weighted by the settings
  bool TablaAtaques;      // the attack hash exists
};

// The earlier build's procedures.
int32_t MaterialAnterior();
int FaseAnterior();

inline constexpr FormaEvaluacion FORMA_EVAL_ACTUAL = {
    .Propios = false,
    .Material = nullptr,
    .Fase = nullptr,
    .PesosSegunAjuste = false,
    .TablaAtaques = true,
};
inline constexpr FormaEvaluacion FORMA_EVAL_ANTERIOR = {
    .Propios = true,
    .Material = MaterialAnterior,
    .Fase = FaseAnterior,
    .PesosSegunAjuste = true,
    .TablaAtaques = false,
};
inline constexpr const FormaEvaluacion& FORMA_EVAL =
    VERSION_052 ? FORMA_EVAL_ANTERIOR : FORMA_EVAL_ACTUAL;
