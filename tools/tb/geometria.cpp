// The generator's slot layout and the move tables retrograde analysis needs.
//
// Slots: pawnless combinations take the king pair from the 462 canonical pairs
// (white king in the a1-d1-d4 triangle, black king on or below the diagonal when
// the white king is on it) and every further man as a digit over 64 squares;
// combinations with pawns keep the white king on files a-d (32 squares) and the
// black king anywhere, and each pawn as a digit over the 48 squares of
// ranks 2-7. Slots that are no position stay ILEGAL.
#include <cstdlib>

#include "tools/tb/geometria.h"

namespace tb {

Geometria Geo;

namespace {

int Fil(int s) { return s >> 3; }
int Col(int s) { return s & 7; }

// The reflection in the a1-h8 diagonal.
int Traspuesta(int s) { return (s & 7) * 8 + (s >> 3); }

}  // namespace

void InicializarGeometria() {
  static bool hecho = false;
  if (hecho) return;
  hecho = true;
  static constexpr int DF[8] = {0, 0, 1, -1, 1, 1, -1, -1};
  static constexpr int DR[8] = {1, -1, 0, 0, 1, -1, 1, -1};
  for (int s = 0; s < 64; ++s) {
    const int f = Col(s), r = Fil(s);
    for (int df = -2; df <= 2; ++df)
      for (int dr = -2; dr <= 2; ++dr) {
        const int f2 = f + df, r2 = r + dr;
        if (f2 < 0 || f2 > 7 || r2 < 0 || r2 > 7 || (df == 0 && dr == 0)) continue;
        const uint64_t b = 1ULL << (r2 * 8 + f2);
        if (std::abs(df) <= 1 && std::abs(dr) <= 1) Geo.rey[s] |= b;
        if (std::abs(df * dr) == 2) Geo.caballo[s] |= b;
        if (std::abs(df) == 1 && dr == 1) Geo.peon[BLANCAS][s] |= b;
        if (std::abs(df) == 1 && dr == -1) Geo.peon[NEGRAS][s] |= b;
      }
    for (int d = 0; d < 8; ++d) {
      int n = 0;
      uint64_t camino = 0;
      for (int f2 = f + DF[d], r2 = r + DR[d]; f2 >= 0 && f2 < 8 && r2 >= 0 && r2 < 8;
           f2 += DF[d], r2 += DR[d]) {
        const int t = r2 * 8 + f2;
        Geo.rayo[d][s][n++] = static_cast<int8_t>(t);
        Geo.linea[s][t] = d < 4 ? 1 : 2;
        Geo.entre[s][t] = camino;
        camino |= 1ULL << t;
      }
      Geo.largo[d][s] = static_cast<int8_t>(n);
    }
  }
  // The 462 king pairs.
  int k = 0;
  for (int w = 0; w < 64; ++w)
    for (int b = 0; b < 64; ++b) {
      Geo.parRey[w][b] = -1;
      const bool triangulo = Col(w) <= 3 && Fil(w) <= Col(w);
      const bool bajo = Fil(w) != Col(w) || Fil(b) <= Col(b);
      if (!triangulo || !bajo || w == b || (Geo.rey[w] >> b & 1)) continue;
      Geo.parInv[k][0] = static_cast<int8_t>(w);
      Geo.parInv[k][1] = static_cast<int8_t>(b);
      Geo.parRey[w][b] = static_cast<int16_t>(k++);
    }
}

uint64_t TamanoTabla(const Material& m) {
  uint64_t t = m.peones ? 2048 : PARES_REYES;
  for (int i = 0; i < m.n; ++i) t *= m.tipo[i] == T_PEON ? 48 : 64;
  return t;
}

uint64_t IndiceCanonico(const Material& m, Posicion p, int* espejo) {
  const int total = m.n + 2;
  uint64_t ocupadas = 0;
  for (int i = 0; i < total; ++i) {
    const int s = p.sq[i];
    if (s < 0 || s > 63 || (ocupadas >> s & 1)) return SIN_INDICE;
    ocupadas |= 1ULL << s;
    if (i >= 2 && m.tipo[i - 2] == T_PEON && (Fil(s) == 0 || Fil(s) == 7)) return SIN_INDICE;
  }
  if (Geo.rey[p.sq[0]] >> p.sq[1] & 1) return SIN_INDICE;
  uint64_t indice;
  if (!m.peones) {
    const int w = p.sq[0];
    const int x = (Col(w) >= 4 ? 7 : 0) | (Fil(w) >= 4 ? 56 : 0);
    for (int i = 0; i < total; ++i) p.sq[i] ^= x;
    // The diagonal reflection: decided by the white king, then (on the diagonal)
    // by the black king, then by the first man off the diagonal.
    bool trasponer = false;
    for (int i = 0; i < total; ++i) {
      const int s = p.sq[i];
      if (Fil(s) == Col(s)) continue;
      trasponer = Fil(s) > Col(s);
      break;
    }
    if (trasponer)
      for (int i = 0; i < total; ++i) p.sq[i] = Traspuesta(p.sq[i]);
    indice = static_cast<uint64_t>(Geo.parRey[p.sq[0]][p.sq[1]]);
    if (espejo) *espejo = 0;
  } else {
    const bool mirar = Col(p.sq[0]) >= 4;
    if (mirar)
      for (int i = 0; i < total; ++i) p.sq[i] ^= 7;
    indice = static_cast<uint64_t>((Fil(p.sq[0]) * 4 + Col(p.sq[0])) * 64 + p.sq[1]);
    if (espejo) *espejo = mirar;
  }
  // A pawn is a digit over the 48 squares of ranks 2-7, any other man over 64.
  for (int i = 2; i < total; ++i)
    indice = m.tipo[i - 2] == T_PEON ? indice * 48 + static_cast<uint64_t>(p.sq[i] - 8)
                                     : indice * 64 + static_cast<uint64_t>(p.sq[i]);
  return indice;
}

bool Decodificar(const Material& m, uint64_t indice, Posicion& p) {
  for (int i = m.n + 1; i >= 2; --i) {
    if (m.tipo[i - 2] == T_PEON) {
      p.sq[i] = static_cast<int>(indice % 48) + 8;
      indice /= 48;
    } else {
      p.sq[i] = static_cast<int>(indice & 63);
      indice >>= 6;
    }
  }
  if (!m.peones) {
    if (indice >= PARES_REYES) return false;
    p.sq[0] = Geo.parInv[indice][0];
    p.sq[1] = Geo.parInv[indice][1];
  } else {
    if (indice >= 2048) return false;
    const int w = static_cast<int>(indice >> 6);
    p.sq[0] = (w >> 2) * 8 + (w & 3);
    p.sq[1] = static_cast<int>(indice & 63);
  }
  return true;
}

bool Atacada(const Material& m, const Posicion& p, int sq, int porColor, int ignorar) {
  const int total = m.n + 2;
  uint64_t ocupadas = 0;
  for (int i = 0; i < total; ++i)
    if (i != ignorar) ocupadas |= 1ULL << p.sq[i];
  if (Geo.rey[p.sq[porColor]] >> sq & 1) return true;
  for (int i = 2; i < total; ++i) {
    if (m.color[i - 2] != porColor || i == ignorar) continue;
    const int s = p.sq[i];
    switch (m.tipo[i - 2]) {
      case T_PEON:
        if (Geo.peon[porColor][s] >> sq & 1) return true;
        break;
      case T_CABALLO:
        if (Geo.caballo[s] >> sq & 1) return true;
        break;
      default: {
        const int l = Geo.linea[s][sq];
        if (l == 0 || (Geo.entre[s][sq] & ocupadas)) break;
        const int t = m.tipo[i - 2];
        if (t == T_DAMA || (t == T_TORRE && l == 1) || (t == T_ALFIL && l == 2)) return true;
      }
    }
  }
  return false;
}

}  // namespace tb
