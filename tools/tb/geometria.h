// Move tables of the generator, on tablebase squares (a1 = 0 .. h8 = 63). They
// hold only what retrograde analysis needs: steps, rays and the squares between.
#pragma once

#include <cstdint>

#include "tools/tb/tb.h"

namespace tb {

inline constexpr uint64_t PARES_REYES = 462;

struct Geometria {
  uint64_t rey[64];
  uint64_t caballo[64];
  uint64_t peon[2][64];   // squares a pawn of that colour attacks
  int8_t rayo[8][64][7];  // 0-3 straight lines, 4-7 diagonals, nearest first
  int8_t largo[8][64];
  uint8_t linea[64][64];   // 1 on one rank or file, 2 on one diagonal, else 0
  uint64_t entre[64][64];  // squares strictly between
  int16_t parRey[64][64];  // canonical king pair rank, -1 when not canonical
  int8_t parInv[462][2];
};

extern Geometria Geo;

}  // namespace tb
