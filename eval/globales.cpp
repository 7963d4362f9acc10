#include "eval/eval.h"

uint32_t MascaraAtaques = 0;
EntradaPeonesEval PeonesEval[ENTRADAS_PEONES_EVAL];
EntradaMaterial MemoriaMaterial[ENTRADAS_MATERIAL];

int ColorMotor = -1;

uint32_t ContadorEvalPeones = 0;
uint32_t ContadorEvalHash = 0;
uint32_t ContadorAciertosAtq = 0;
uint32_t ContadorComputacionesAtq = 0;

uint64_t MapaPeonesBlancos = 0;
uint64_t MapaPeonesNegros = 0;

int32_t VAL_PEON = 100;
int32_t VAL_CABALLO = 320;
int32_t VAL_ALFIL = 335;
int32_t VAL_TORRE = 520;
int32_t VAL_DAMA = 1050;
int32_t UMBRAL_FINAL = 4100;
int32_t ESTRUCTURA_PEONES = 100;
int32_t MOVILIDAD = 100;
int32_t DEFENSA_ESTATICA = 100;
int32_t ATAQUE_DINAMICO = 100;
