// The layout of tablebase files: how a material combination and a side to
// move turn a position into an index. Shared by the registry (which binds one
// instance per entry and side) and the reverse mapping; egtb/README.md gives
// the same layout in words.
#pragma once

#include <array>
#include <cstdint>
#include <utility>

#include "egtb/egtb.h"

namespace indices {

// ---------------------------------------------------------------- geometry

template <typename F>
constexpr std::array<uint8_t, 64> Tabla64(F f) {
  std::array<uint8_t, 64> t{};
  for (int s = 0; s < 64; ++s) t[s] = static_cast<uint8_t>(f(s));
  return t;
}

// XOR mask bringing a square into the a1-d4 quadrant.
inline constexpr auto SelectorCuadrante =
    Tabla64([](int s) { return ((s & 7) >= 4 ? 7 : 0) | ((s >> 3) >= 4 ? 56 : 0); });
// Reflection in the a1-h8 diagonal.
inline constexpr auto Traspuesta = Tabla64([](int s) { return (s & 7) * 8 + (s >> 3); });
// The ten squares of the a1-d1-d4 triangle.
inline constexpr auto EnTriangulo =
    Tabla64([](int s) { return (s & 7) <= 3 && (s >> 3) <= (s & 7); });
inline constexpr auto FueraDiagonal = Tabla64([](int s) { return (s & 7) != (s >> 3); });
inline constexpr auto BajoDiagonal = Tabla64([](int s) { return (s & 7) >= (s >> 3); });

// ---------------------------------------------------------------- material

// Men other than the kings, by colour (0 white, 1 black) and type 1..5.
struct Material {
  int8_t Cuenta[2][6];
};

// Parses a registry name ("kqkr", "kppkp"); an unreadable name gives no men.
constexpr Material MaterialDeNombre(const char* n) {
  Material m{};
  int color = -1;
  for (int i = 0; n[i] != '\0'; ++i) {
    switch (n[i]) {
      case 'k': ++color; break;
      case 'p': ++m.Cuenta[color][1]; break;
      case 'n': ++m.Cuenta[color][2]; break;
      case 'b': ++m.Cuenta[color][3]; break;
      case 'r': ++m.Cuenta[color][4]; break;
      case 'q': ++m.Cuenta[color][5]; break;
      default: break;
    }
  }
  return m;
}

// A group: the men of one colour and type, placed together as one unordered set.
struct Grupo {
  int8_t Color, Tipo, Cuenta, Inicio;  // Inicio: men placed before it (kings excluded)
  bool Peones;
};

struct Grupos {
  int Num = 0;
  int Hombres = 0;  // men besides the kings
  int Peones = 0;   // of which pawns
  Grupo G[6]{};
};

// Pawn groups first (White's, Black's), then pieces from queen down to knight,
// White's before Black's.
constexpr Grupos GruposDe(const Material& m) {
  Grupos g;
  auto anadir = [&g, &m](int color, int tipo) {
    int c = m.Cuenta[color][tipo];
    if (c == 0) return;
    g.G[g.Num++] = Grupo{static_cast<int8_t>(color), static_cast<int8_t>(tipo),
                         static_cast<int8_t>(c), static_cast<int8_t>(g.Hombres), tipo == 1};
    g.Hombres += c;
    if (tipo == 1) g.Peones += c;
  };
  anadir(0, 1);
  anadir(1, 1);
  for (int color = 0; color < 2; ++color)
    for (int tipo = 5; tipo >= 2; --tipo) anadir(color, tipo);
  return g;
}

// ---------------------------------------------------------------- counting

constexpr uint32_t Combinaciones(int n, int k) {
  if (n < k || n < 0) return 0;
  uint64_t r = 1;
  for (int i = 0; i < k; ++i) r = r * static_cast<uint64_t>(n - i) / static_cast<uint64_t>(i + 1);
  return static_cast<uint32_t>(r);
}

// C(n, 2) and C(n, 3) for ranks 0..63: an unordered group's rank is a sum of these.
inline constexpr auto PARES = [] {
  std::array<uint32_t, 65> t{};
  for (int n = 0; n <= 64; ++n) t[n] = Combinaciones(n, 2);
  return t;
}();
inline constexpr auto TERNAS = [] {
  std::array<uint32_t, 65> t{};
  for (int n = 0; n <= 64; ++n) t[n] = Combinaciones(n, 3);
  return t;
}();

inline constexpr int PARES_SIN_PEONES = 462;
inline constexpr int PARES_CON_PEONES = 1806;

// Number of pawnful king pairs by how many of the two kings stand on ranks
// 2..7 (each one there takes a square from the pawns).
constexpr int ClaseReyes(int r, int o) { return (r >= 8 && r < 56) + (o >= 8 && o < 56); }

constexpr bool Vecinas(int a, int b) {
  int df = (a & 7) - (b & 7), dr = (a >> 3) - (b >> 3);
  return df >= -1 && df <= 1 && dr >= -1 && dr <= 1;
}

// Pawnful king pairs in rank order: reference king on files a-d, rising
// square; the other king rising square.
struct ParPeon {
  uint8_t R, O, Clase;
};
inline constexpr auto LISTA_PARES_PEONES = [] {
  std::array<ParPeon, PARES_CON_PEONES> t{};
  int n = 0;
  for (int r = 0; r < 64; ++r) {
    if ((r & 7) >= 4) continue;
    for (int o = 0; o < 64; ++o)
      if (!Vecinas(r, o)) t[n++] = ParPeon{uint8_t(r), uint8_t(o), uint8_t(ClaseReyes(r, o))};
  }
  return t;
}();

// Pairs of each class before each pawnful pair (and the totals at the end).
inline constexpr auto PREVIOS_CLASE = [] {
  std::array<std::array<uint16_t, 3>, PARES_CON_PEONES + 1> t{};
  for (int i = 0; i < PARES_CON_PEONES; ++i) {
    t[i + 1] = t[i];
    ++t[i + 1][LISTA_PARES_PEONES[i].Clase];
  }
  return t;
}();

// Pawnless king pairs in rank order (inverse of ParReyes).
struct ParRey {
  uint8_t R, O;
};
constexpr bool ParCanonico(int r, int o) {
  const int f = r & 7, k = r >> 3;
  const bool triangulo = f <= 3 && k <= f;
  if (!triangulo || Vecinas(r, o)) return false;
  if (f == k) return (o & 7) >= (o >> 3);  // reference king on the diagonal
  return true;
}
inline constexpr auto LISTA_PARES = [] {
  std::array<ParRey, PARES_SIN_PEONES> t{};
  int n = 0;
  for (int r = 0; r < 64; ++r)
    for (int o = 0; o < 64; ++o)
      if (ParCanonico(r, o)) t[n++] = ParRey{uint8_t(r), uint8_t(o)};
  return t;
}();

// Rank of a king pair by (reference king * 64 + other king); 4000 for a pair
// that cannot stand in that frame.
template <class Par, size_t N>
constexpr std::array<int16_t, 64 * 64> RangosDePares(const std::array<Par, N>& lista) {
  std::array<int16_t, 64 * 64> t{};
  for (auto& x : t) x = 4000;
  for (size_t i = 0; i < N; ++i) t[lista[i].R * 64 + lista[i].O] = int16_t(i);
  return t;
}
inline constexpr auto ParReyes = RangosDePares(LISTA_PARES);
inline constexpr auto ReyesPeones = RangosDePares(LISTA_PARES_PEONES);
static_assert(ParReyes[0 * 64 + 2] == 0 && ParReyes[0 * 64 + 3] == 1 && ParReyes[0 * 64 + 7] == 5 &&
              ParReyes[0 * 64 + 10] == 6 && ParReyes[0 * 64 + 63] == 32);

// Product of the radices of every group when `clase` kings stand on the
// pawn ranks (only pawn groups depend on it).
constexpr uint64_t Radices(const Grupos& g, int clase) {
  uint64_t p = 1;
  for (int i = 0; i < g.Num; ++i) {
    const Grupo& x = g.G[i];
    const int libres = x.Peones ? 48 - clase - x.Inicio : 62 - x.Inicio;
    p *= Combinaciones(libres, x.Cuenta);
  }
  return p;
}

// Entries of the ordinary region (no en-passant).
constexpr uint64_t EntradasNormales(const Material& m) {
  const Grupos g = GruposDe(m);
  if (g.Peones == 0) return PARES_SIN_PEONES * Radices(g, 0);
  const auto& tot = PREVIOS_CLASE[PARES_CON_PEONES];
  return tot[0] * Radices(g, 0) + tot[1] * Radices(g, 1) + tot[2] * Radices(g, 2);
}

// The position without the pawn that has just advanced two squares (the
// opponent's of the side to move); no men when en passant cannot occur.
constexpr bool ConAlPaso(const Material& m) { return m.Cuenta[0][1] > 0 && m.Cuenta[1][1] > 0; }
constexpr Material SinPeonAvanzado(Material m, int lado) {
  --m.Cuenta[lado == 0 ? 1 : 0][1];
  return m;
}

constexpr uint64_t Entradas(const Material& m, int lado) {
  uint64_t n = EntradasNormales(m);
  if (ConAlPaso(m)) n += 8 * EntradasNormales(SinPeonAvanzado(m, lado));
  return n;
}

// ---------------------------------------------------------------- the index of a position

// Rank of x among the 64 squares once the first N occupied ones are taken out.
template <int N>
inline int RangoPieza(int x, const int* ocupadas) {
  return [&]<int... J>(std::integer_sequence<int, J...>) {
    return x - (0 + ... + (ocupadas[J] < x));
  }
  (std::make_integer_sequence<int, N>{});
}

// Rank of a pawn square among the 48 of ranks 2..7 not yet taken.
template <int N>
inline int RangoPeon(int x, const int* ocupadas) {
  return [&]<int... J>(std::integer_sequence<int, J...>) {
    return x - 8 - (0 + ... + (ocupadas[J] >= 8 && ocupadas[J] < x));
  }
  (std::make_integer_sequence<int, N>{});
}

// Rank of an unordered group of k men among the sets of k free squares.
template <int K>
inline uint32_t RangoGrupo(int a, int b, int c) {
  if constexpr (K == 1) {
    return static_cast<uint32_t>(a);
  } else if constexpr (K == 2) {
    const int lo = a < b ? a : b, hi = a < b ? b : a;
    return PARES[hi] + static_cast<uint32_t>(lo);
  } else {
    const int lo1 = a < b ? a : b, hi1 = a < b ? b : a;  // sorting network of three
    const int lo = lo1 < c ? lo1 : c, t = lo1 < c ? c : lo1;
    const int mid = t < hi1 ? t : hi1, hi = t < hi1 ? hi1 : t;
    return TERNAS[hi] + PARES[mid] + static_cast<uint32_t>(lo);
  }
}

// occ[0..1] are the kings, occ[2..] the men in group order.
template <Material M, int G>
inline uint32_t IndiceGrupo(const int* occ) {
  constexpr Grupos g = GruposDe(M);
  constexpr Grupo x = g.G[G];
  constexpr int antes = 2 + x.Inicio;
  const int* m = occ + antes;
  auto rango = [occ](int s) {
    return x.Peones ? RangoPeon<antes>(s, occ) : RangoPieza<antes>(s, occ);
  };
  if constexpr (x.Cuenta == 1) return RangoGrupo<1>(rango(m[0]), 0, 0);
  else if constexpr (x.Cuenta == 2) return RangoGrupo<2>(rango(m[0]), rango(m[1]), 0);
  else return RangoGrupo<3>(rango(m[0]), rango(m[1]), rango(m[2]));
}

template <Material M, int G>
inline uint32_t RadixGrupo(int clase) {
  constexpr Grupo x = GruposDe(M).G[G];
  constexpr uint32_t r[3] = {Combinaciones(x.Peones ? 48 - x.Inicio : 62 - x.Inicio, x.Cuenta),
                             Combinaciones(x.Peones ? 47 - x.Inicio : 62 - x.Inicio, x.Cuenta),
                             Combinaciones(x.Peones ? 46 - x.Inicio : 62 - x.Inicio, x.Cuenta)};
  return r[clase];
}

// Horner over the groups: the first group is the most significant digit.
template <Material M>
inline uint32_t IndiceGrupos(const int* occ, int clase) {
  constexpr int n = GruposDe(M).Num;
  return [&]<int... G>(std::integer_sequence<int, G...>) {
    uint32_t r = 0;
    ((r = r * RadixGrupo<M, G>(clase) + IndiceGrupo<M, G>(occ)), ...);
    return r;
  }
  (std::make_integer_sequence<int, n>{});
}

// Index in the ordinary region of a position already brought into its
// canonical frame (occ: reference king, other king, the men in group order).
template <Material M>
inline uint32_t IndiceNormal(const int* occ) {
  constexpr Grupos g = GruposDe(M);
  if constexpr (g.Peones == 0) {
    constexpr uint32_t total = static_cast<uint32_t>(Radices(g, 0));
    const int par = ParReyes[occ[0] * 64 + occ[1]];
    if (par >= PARES_SIN_PEONES) return UINT32_MAX;  // kings that cannot stand so
    return static_cast<uint32_t>(par) * total + IndiceGrupos<M>(occ, 0);
  } else {
    constexpr uint32_t tot[3] = {static_cast<uint32_t>(Radices(g, 0)),
                                 static_cast<uint32_t>(Radices(g, 1)),
                                 static_cast<uint32_t>(Radices(g, 2))};
    const int par = ReyesPeones[occ[0] * 64 + occ[1]];
    if (par >= PARES_CON_PEONES) return UINT32_MAX;  // kings that cannot stand so
    const auto& previos = PREVIOS_CLASE[par];
    const uint32_t base = previos[0] * tot[0] + previos[1] * tot[1] + previos[2] * tot[2];
    const int clase = ClaseReyes(occ[0], occ[1]);
    return base + IndiceGrupos<M>(occ, clase);
  }
}

// Squares of the men in group order, unpacked from the piece words.
template <Material M>
inline void Desempaquetar(const uint32_t* blancas, const uint32_t* negras, int* men) {
  constexpr Grupos g = GruposDe(M);
  [&]<int... G>(std::integer_sequence<int, G...>) {
    auto uno = [&](const Grupo& x) {
      const uint32_t w = (x.Color == 0 ? blancas : negras)[x.Tipo];
      men[x.Inicio] = static_cast<int>(w & 63);
      if (x.Cuenta > 1) men[x.Inicio + 1] = static_cast<int>((w >> 6) & 63);
      if (x.Cuenta > 2) men[x.Inicio + 2] = static_cast<int>((w >> 12) & 63);
    };
    (uno(g.G[G]), ...);
  }
  (std::make_integer_sequence<int, g.Num>{});
}

template <int N, typename F>
inline void ParaCada(int* occ, F f) {
  [&]<int... J>(std::integer_sequence<int, J...>) { ((occ[J] = f(occ[J])), ...); }
  (std::make_integer_sequence<int, N>{});
}

// The index function of a material with side `lado` to move.
template <Material M, int L>
uint32_t Indice(const uint32_t* blancas, const uint32_t* negras, int alPaso, int espejo) {
  constexpr Grupos g = GruposDe(M);
  constexpr int N = 2 + g.Hombres;
  int occ[N + 1];
  occ[0] = static_cast<int>((L == 0 ? blancas : negras)[6] & 63);
  occ[1] = static_cast<int>((L == 0 ? negras : blancas)[6] & 63);
  Desempaquetar<M>(blancas, negras, occ + 2);
  if constexpr (g.Peones == 0) {
    // Eight-fold symmetry: the reference king into a1-d4, then into the
    // a1-d1-d4 triangle, the other king decides when it is on the diagonal.
    const int s = SelectorCuadrante[occ[0]];
    ParaCada<N>(occ, [s](int x) { return x ^ s; });
    if (!((FueraDiagonal[occ[0]] | BajoDiagonal[occ[1]]) & EnTriangulo[occ[0]]))
      ParaCada<N>(occ, [](int x) { return static_cast<int>(Traspuesta[x]); });
    return IndiceNormal<M>(occ);
  } else {
    // Pawns keep their direction: only the a-d/e-h mirror, plus the flip
    // when reading a combination stored with colours reversed.
    const int t = ((occ[0] & 7) >= 4 ? 7 : 0) ^ (espejo ? 56 : 0);
    ParaCada<N>(occ, [t](int x) { return x ^ t; });
    if constexpr (ConAlPaso(M)) {
      if (alPaso != 127) {
        // A pawn that just advanced two squares with an enemy pawn beside it:
        // the position without that pawn, in the region for its file.
        constexpr Grupo peonesB = g.G[0], peonesN = g.G[1];
        const int ep = (alPaso ^ t) & 63;
        const int col = ep & 7;
        const int avanzado = L == 0 ? ep - 8 : ep + 8;
        const int filaOk = L == 0 ? (ep >> 3) == 5 : (ep >> 3) == 2;
        constexpr Grupo pv = L == 0 ? peonesN : peonesB;  // the pawn that advanced
        constexpr Grupo pc = L == 0 ? peonesB : peonesN;  // the pawns that may take it
        const int izq = avanzado - 1;                     // the takers stand beside it
        int cual = -1, captor = 0;
        [&]<int... J>(std::integer_sequence<int, J...>) {
          ((cual = occ[2 + pv.Inicio + J] == avanzado ? J : cual), ...);
        }
        (std::make_integer_sequence<int, pv.Cuenta>{});
        [&]<int... J>(std::integer_sequence<int, J...>) {
          ((captor |= (col > 0 && occ[2 + pc.Inicio + J] == izq) |
                      (col < 7 && occ[2 + pc.Inicio + J] == izq + 2)),
           ...);
        }
        (std::make_integer_sequence<int, pc.Cuenta>{});
        if (filaOk && cual >= 0 && captor) {
          constexpr Material S = SinPeonAvanzado(M, L);
          const int quitar = 2 + pv.Inicio + cual;
          int sub[N];
          [&]<int... J>(std::integer_sequence<int, J...>) {
            ((sub[J] = occ[J + (J >= quitar)]), ...);
          }
          (std::make_integer_sequence<int, N - 1>{});
          constexpr uint32_t normal = static_cast<uint32_t>(EntradasNormales(M));
          constexpr uint32_t bloque = static_cast<uint32_t>(EntradasNormales(S));
          return normal + static_cast<uint32_t>(col) * bloque + IndiceNormal<S>(sub);
        }
      }
    }
    return IndiceNormal<M>(occ);
  }
}

}  // namespace indices
