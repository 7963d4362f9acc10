#include "eval/eval.h"

EntradaHashPeones* TablaPeones = nullptr;
uint32_t MascaraPeones = 0;
EntradaHashAtaques* TablaAtaques = nullptr;
uint32_t MascaraAtaques = 0;
