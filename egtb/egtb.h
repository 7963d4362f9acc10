// Endgame tablebases: registration of the files, their cache, and the probe the
// search asks for an exact value.
#pragma once

#include <cstdint>

#include "core/core.h"

// ---------------------------------------------------------------- constants

inline constexpr int32_t SIN_TB = 1000000;  // tablebase probe: no value

// ---------------------------------------------------------------- globals

extern int MaxPiezasTB;  // largest piece count the registered tables cover, 0: none

// ---------------------------------------------------------------- functions

int InicializarTablasFinales(const char* rutas);  // largest piece count registered, 0 none
int FijarCache(void* memoria, uint32_t tam);      // 1 when the cache could be set
int32_t ProbarTablas();  // exact score of the current position for the side to move, or SIN_TB
