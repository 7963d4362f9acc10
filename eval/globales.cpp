#include "eval/eval.h"

EstadoEval Eval;
