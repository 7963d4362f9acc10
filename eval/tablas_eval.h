// Constant tables and bit helpers shared by the evaluation's files.
#pragma once

#include <bit>
#include <cstdint>

#include "core/core.h"

// ---------------------------------------------------------------- bit helpers
// Square index i (a8 = 0 .. h1 = 63) is bit 63 - i: one rank up is << 8, one
// file left (towards a) is << 1, one file right is >> 1.

inline constexpr uint64_t COLUMNA_A = 0x8080808080808080ULL;
inline constexpr uint64_t COLUMNA_H = 0x0101010101010101ULL;
inline constexpr uint64_t COLUMNAS_AC = 0xE0E0E0E0E0E0E0E0ULL;
inline constexpr uint64_t COLUMNAS_AD = 0xF0F0F0F0F0F0F0F0ULL;
inline constexpr uint64_t COLUMNAS_EH = 0x0F0F0F0F0F0F0F0FULL;
inline constexpr uint64_t COLUMNAS_FH = 0x0707070707070707ULL;
inline constexpr uint64_t FILA_8 = 0xFF00000000000000ULL;  // row 0
inline constexpr uint64_t FILA_6 = 0x0000FF0000000000ULL;  // row 2
inline constexpr uint64_t FILA_3 = 0x0000000000FF0000ULL;  // row 5
inline constexpr uint64_t FILA_1 = 0x00000000000000FFULL;  // row 7

inline int Cuenta(uint64_t x) {
#if defined(__POPCNT__)
  return std::popcount(x);
#else
  // Without the processor's instruction std::popcount is a call into the
  // compiler's library; the same sum by halves stays inline.
  x -= (x >> 1) & 0x5555555555555555ULL;
  x = (x & 0x3333333333333333ULL) + ((x >> 2) & 0x3333333333333333ULL);
  x = (x + (x >> 4)) & 0x0F0F0F0F0F0F0F0FULL;
  return static_cast<int>((x * 0x0101010101010101ULL) >> 56);
#endif
}

constexpr uint64_t RellenoArriba(uint64_t x) {
  x |= x << 8;
  x |= x << 16;
  x |= x << 32;
  return x;
}
constexpr uint64_t RellenoAbajo(uint64_t x) {
  x |= x >> 8;
  x |= x >> 16;
  x |= x >> 32;
  return x;
}
// Whole files of every square of x.
constexpr uint64_t RellenoColumnas(uint64_t x) { return RellenoArriba(x) | RellenoAbajo(x); }
constexpr uint64_t HaciaIzquierda(uint64_t x) { return (x & ~COLUMNA_A) << 1; }
constexpr uint64_t HaciaDerecha(uint64_t x) { return (x & ~COLUMNA_H) >> 1; }
constexpr uint64_t AtaquesPeonesBlancos(uint64_t p) {
  return HaciaIzquierda(p) << 8 | HaciaDerecha(p) << 8;
}
constexpr uint64_t AtaquesPeonesNegros(uint64_t p) {
  return HaciaIzquierda(p) >> 8 | HaciaDerecha(p) >> 8;
}
constexpr uint64_t PasosRey(uint64_t x) {
  const uint64_t lados = x | HaciaIzquierda(x) | HaciaDerecha(x);
  return (lados | lados << 8 | lados >> 8) & ~x;
}

static_assert(Rayos.largo[3][0] == 7 && Rayos.rayo[7][0] == (COLUMNA_A & ~Bit(0)));

// Light squares as a 64-bit set (row + file even).
constexpr uint64_t CasillasClaras() {
  uint64_t m = 0;
  for (int i = 0; i < 64; ++i)
    if (((i >> 3) + (i & 7)) % 2 == 0) m |= Bit(i);
  return m;
}
inline constexpr uint64_t CASILLAS_CLARAS = CasillasClaras();

// Row of a 0x88 square: 0 = rank 8 .. 7 = rank 1.
constexpr int FilaDe(int s) { return s >> 4; }

// ---------------------------------------------------------------- piece-square tables

// A table of 8 rows of 16 entries in 0x88 order: White's values in columns 0-7,
// Black's in columns 8-15 (read at square + 8).
struct TablaCasillas {
  int8_t v[128];
  constexpr int operator[](int i) const { return v[i]; }
};

// Black half = White half mirrored top to bottom.
constexpr TablaCasillas Espejada(const int (&blanco)[64]) {
  TablaCasillas t{};
  for (int r = 0; r < 8; ++r)
    for (int f = 0; f < 8; ++f) {
      t.v[r * 16 + f] = static_cast<int8_t>(blanco[r * 8 + f]);
      t.v[r * 16 + 8 + f] = static_cast<int8_t>(blanco[(7 - r) * 8 + f]);
    }
  return t;
}
// Both halves given (storm tables).
constexpr TablaCasillas DosMitades(const int (&blanco)[64], const int (&negro)[64]) {
  TablaCasillas t{};
  for (int r = 0; r < 8; ++r)
    for (int f = 0; f < 8; ++f) {
      t.v[r * 16 + f] = static_cast<int8_t>(blanco[r * 8 + f]);
      t.v[r * 16 + 8 + f] = static_cast<int8_t>(negro[r * 8 + f]);
    }
  return t;
}

// Rows from rank 8 to rank 1, files a to h, White's values.
inline constexpr int PEON_NORMAL[64] = {0, 0, 0, 0, 0, 0, 0, 0,  //
                                        0, 0, 0, 0, 0, 0, 0, 0,  //
                                        0, 0, 0, 0, 0, 0, 0, 0,  //
                                        0, 0, 0, 3, 3, 0, 0, 0,  //
                                        0, 0, 2, 3, 3, 0, 0, 0,  //
                                        0, 0, 2, 2, 2, 0, 0, 0,  //
                                        0, 0, 0, 0, 0, 0, 0, 0,  //
                                        0, 0, 0, 0, 0, 0, 0, 0};
inline constexpr int TORMENTA1_BLANCO[64] = {0,  0,  0,  0, 0, 0, 0, 0,  //
                                             12, 12, 12, 6, 0, 0, 0, 0,  //
                                             9,  9,  9,  6, 0, 0, 0, 0,  //
                                             6,  6,  6,  3, 3, 0, 0, 0,  //
                                             3,  3,  3,  3, 3, 0, 0, 0,  //
                                             0,  0,  0,  2, 2, 0, 0, 0,  //
                                             0,  0,  0,  0, 0, 0, 0, 0,  //
                                             0,  0,  0,  0, 0, 0, 0, 0};
inline constexpr int TORMENTA1_NEGRO[64] = {0, 0, 0, 0, 0, 0,  0,  0,   //
                                            0, 0, 0, 0, 0, 0,  0,  0,   //
                                            0, 0, 0, 2, 2, 0,  0,  0,   //
                                            0, 0, 0, 3, 3, 3,  3,  3,   //
                                            0, 0, 0, 3, 3, 6,  6,  6,   //
                                            0, 0, 0, 0, 6, 9,  9,  9,   //
                                            0, 0, 0, 0, 6, 12, 12, 12,  //
                                            0, 0, 0, 0, 0, 0,  0,  0};
inline constexpr int TORMENTA2_BLANCO[64] = {0, 0, 0, 0, 0, 0,  0,  0,   //
                                             0, 0, 0, 0, 6, 12, 12, 12,  //
                                             0, 0, 0, 0, 6, 9,  9,  9,   //
                                             0, 0, 0, 3, 3, 6,  6,  6,   //
                                             0, 0, 0, 3, 3, 3,  3,  3,   //
                                             0, 0, 0, 2, 2, 0,  0,  0,   //
                                             0, 0, 0, 0, 0, 0,  0,  0,   //
                                             0, 0, 0, 0, 0, 0,  0,  0};
// Its e4 entry is 6, where the mirror of the first table's White half holds 3.
inline constexpr int TORMENTA2_NEGRO[64] = {0,  0,  0,  0, 0, 0, 0, 0,  //
                                            0,  0,  0,  0, 0, 0, 0, 0,  //
                                            0,  0,  0,  2, 2, 0, 0, 0,  //
                                            3,  3,  3,  3, 3, 0, 0, 0,  //
                                            6,  6,  6,  3, 6, 0, 0, 0,  //
                                            9,  9,  9,  6, 0, 0, 0, 0,  //
                                            12, 12, 12, 6, 0, 0, 0, 0,  //
                                            0,  0,  0,  0, 0, 0, 0, 0};
inline constexpr int CABALLO_CASILLAS[64] = {-25, -15, -15, -10, -10, -15, -15, -25,  //
                                             -10, -4,  -2,  0,   0,   -2,  -4,  -10,  //
                                             -4,  0,   5,   3,   3,   5,   0,   -4,   //
                                             -2,  1,   6,   8,   8,   6,   1,   -2,   //
                                             -2,  1,   6,   8,   8,   6,   1,   -2,   //
                                             -4,  1,   5,   3,   3,   5,   1,   -4,   //
                                             -6,  -1,  -1,  0,   0,   -1,  -1,  -6,   //
                                             -20, -10, -4,  -2,  -2,  -4,  -10, -20};
inline constexpr int ALFIL_CASILLAS[64] = {0,   -45, 0,  0, 0, 0,  -45, 0,    //
                                           -85, 0,   0,  0, 0, 0,  0,   -85,  //
                                           0,   -15, 4,  0, 0, 6,  -15, 0,    //
                                           0,   2,   6,  4, 4, 6,  2,   0,    //
                                           0,   4,   6,  4, 4, 6,  4,   0,    //
                                           2,   6,   6,  6, 6, 6,  6,   2,    //
                                           0,   6,   0,  3, 3, 0,  8,   0,    //
                                           0,   0,   -4, 0, 0, -4, 0,   0};
inline constexpr int PUESTO_AVANZADO[64] = {0, 0, 0,  0,  0,  0,  0, 0,  //
                                            0, 0, 4,  8,  8,  4,  0, 0,  //
                                            0, 0, 12, 20, 20, 12, 0, 0,  //
                                            0, 0, 12, 16, 16, 12, 0, 0,  //
                                            0, 0, 0,  6,  6,  0,  0, 0,  //
                                            0, 0, 0,  0,  0,  0,  0, 0,  //
                                            0, 0, 0,  0,  0,  0,  0, 0,  //
                                            0, 0, 0,  0,  0,  0,  0, 0};
inline constexpr int REY_CASILLAS[64] = {-30, -30, -30, -30, -30, -30, -30, -30,  //
                                         -30, -30, -30, -30, -30, -30, -30, -30,  //
                                         -30, -30, -30, -30, -30, -30, -30, -30,  //
                                         -30, -30, -30, -30, -30, -30, -30, -30,  //
                                         -30, -30, -30, -30, -30, -30, -30, -30,  //
                                         -30, -30, -30, -30, -30, -30, -30, -30,  //
                                         -3,  -3,  -5,  -10, -10, -5,  -3,  -3,   //
                                         -5,  0,   0,   -5,  -5,  -5,  0,   -5};

inline constexpr TablaCasillas TablaPeonNormal = Espejada(PEON_NORMAL);
inline constexpr TablaCasillas TablaTormenta1 = DosMitades(TORMENTA1_BLANCO, TORMENTA1_NEGRO);
inline constexpr TablaCasillas TablaTormenta2 = DosMitades(TORMENTA2_BLANCO, TORMENTA2_NEGRO);
inline constexpr TablaCasillas TablaCaballo = Espejada(CABALLO_CASILLAS);
inline constexpr TablaCasillas TablaAlfil = Espejada(ALFIL_CASILLAS);
inline constexpr TablaCasillas TablaPuestoAvanzado = Espejada(PUESTO_AVANZADO);
inline constexpr TablaCasillas TablaRey = Espejada(REY_CASILLAS);

static_assert(TablaTormenta2[0x44 + 8] == 6 && TablaTormenta1[0x34] == 3);  // e4 black, e5 white
static_assert(TablaCaballo[0x70] == -20 && TablaCaballo[0x00 + 8] == -20);  // a1 white, a8 black

// ---------------------------------------------------------------- bounded look-up

// Counts beyond a table's end (only after many promotions) read its last entry.
template <typename T, int N>
constexpr T Acotada(const T (&tabla)[N], int i) {
  return tabla[i < N ? i : N - 1];
}
