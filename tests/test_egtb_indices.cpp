// Tablebase layout: the registry's names, flags and counts, the material
// lookup, and the index functions — in range, one index per position up to the
// board's symmetries, and the reverse mapping a generator walks.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "egtb/egtb.h"
#include "egtb/indices.h"

namespace {

int Sq(const char* s) { return (s[1] - '1') * 8 + (s[0] - 'a'); }

// Counts of pawns..queens of both colours spelled by a name.
void Cuentas(const char* nombre, int c[10]) {
  std::memset(c, 0, 10 * sizeof(int));
  int color = -1;
  for (const char* p = nombre; *p; ++p) {
    const int t = std::string("pnbrq").find(*p);
    if (*p == 'k') ++color;
    else c[color * 5 + t]++;
  }
}

int Buscar(const int c[10]) {
  return BuscarTabla(c[0], c[1], c[2], c[3], c[4], c[5], c[6], c[7], c[8], c[9]);
}

TEST(RegistroTablas, NamesFlagsAndLookupAgree) {
  EXPECT_STREQ(RegistroTablas[0].Nombre, "kk");
  EXPECT_STREQ(RegistroTablas[5].Nombre, "kqk");
  EXPECT_STREQ(RegistroTablas[35].Nombre, "kqqk");
  EXPECT_STREQ(RegistroTablas[145].Nombre, "kqqqk");
  EXPECT_STREQ(RegistroTablas[178].Nombre, "kqqkqq");
  int simetricas = 0, dobles = 0;
  for (int j = 0; j < NUM_TABLAS; ++j) {
    const DescriptorTabla& d = RegistroTablas[j];
    EXPECT_EQ(d.Indice, j);
    EXPECT_EQ(BuscarNombre(d.Nombre), j);
    simetricas += TablaSimetrica(j);
    dobles += TablaDosBytes(j);
    if (j == 0) continue;
    int c[10], r[10];
    Cuentas(d.Nombre, c);
    EXPECT_EQ(Buscar(c), j) << d.Nombre;
    for (int i = 0; i < 10; ++i) r[i] = c[(i + 5) % 10];
    // Equal material (kpkp) is its own entry either way round.
    const bool igual = std::equal(c, c + 5, c + 5);
    EXPECT_EQ(Buscar(r), TablaSimetrica(j) || igual ? j : -j) << d.Nombre;
    EXPECT_GT(IndiceMaximoTabla(j, 0), 0u);
    EXPECT_GT(IndiceMaximoTabla(j, 1), 0u);
  }
  EXPECT_EQ(simetricas, 9);
  EXPECT_EQ(dobles, 4);
  EXPECT_TRUE(TablaSimetrica(BuscarNombre("krrkrr")));
  EXPECT_TRUE(TablaDosBytes(BuscarNombre("kqnkrr")));
  EXPECT_FALSE(TablaDosBytes(BuscarNombre("kqnknn")));
  // Materials outside the registry.
  EXPECT_EQ(BuscarTabla(0, 0, 0, 0, 0, 0, 0, 0, 0, 0), 0);  // bare kings
  EXPECT_EQ(BuscarTabla(1, 1, 1, 1, 1, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(BuscarTabla(0, 0, 0, 1, 0, 0, 0, 0, 0, 2), -BuscarNombre("kqqkr"));
  EXPECT_EQ(BuscarTabla(9, 0, 0, 0, 0, 0, 0, 0, 0, 0), 0);
  EXPECT_EQ(BuscarNombre("kxk"), -1);
}

TEST(IndicesTablas, KnightEndingIsTheKnownLayout) {
  const int knk = BuscarNombre("knk");
  EXPECT_EQ(IndiceMaximoTabla(knk, 1), 28644u);
  uint32_t w[7] = {}, b[7] = {};
  b[6] = Sq("a1");
  w[6] = Sq("c1");
  w[2] = Sq("b1");
  EXPECT_EQ(RegistroTablas[knk].Funcion[1](w, b, 127, 0), 0u);
  w[2] = Sq("d1");
  EXPECT_EQ(RegistroTablas[knk].Funcion[1](w, b, 127, 0), 1u);
  // King pair table: row a1 and the total.
  EXPECT_EQ(indices::ParReyes[Sq("a1") * 64 + Sq("h1")], 5);
  EXPECT_EQ(indices::ParReyes[Sq("a1") * 64 + Sq("c2")], 6);
  EXPECT_EQ(indices::ParReyes[Sq("a1") * 64 + Sq("h8")], 32);
  EXPECT_EQ(indices::ParReyes[Sq("a1") * 64 + Sq("b2")], 4000);
  EXPECT_EQ(indices::ParReyes[Sq("e1") * 64 + Sq("a1")], 4000);
  EXPECT_EQ(
      *std::max_element(indices::ParReyes.begin(), indices::ParReyes.end(),
                        [](int a, int c) { return (a == 4000 ? -1 : a) < (c == 4000 ? -1 : c); }),
      461);
  // Counts follow from the layout: pairs times the digits of the other men.
  EXPECT_EQ(IndiceMaximoTabla(BuscarNombre("kqkr"), 0), 462u * 62 * 61);
  EXPECT_EQ(IndiceMaximoTabla(BuscarNombre("kqqk"), 0), 462u * 62 * 61 / 2);
  EXPECT_EQ(IndiceMaximoTabla(BuscarNombre("kqqqk"), 0), 462u * 62 * 61 * 60 / 6);
  EXPECT_EQ(IndiceMaximoTabla(BuscarNombre("kbnknn"), 0), 462u * 62 * 61 * (60 * 59 / 2));
  EXPECT_EQ(IndiceMaximoTabla(BuscarNombre("kpk"), 0), IndiceMaximoTabla(BuscarNombre("kpk"), 1));
}

// The eight symmetries of the board as functions on squares.
int Simetria(int k, int s) {
  if (k & 4) s = (s & 7) * 8 + (s >> 3);
  if (k & 1) s ^= 7;
  if (k & 2) s ^= 56;
  return s;
}

PosicionTB Transformar(const PosicionTB& p, int k) {
  PosicionTB q = p;
  for (int i = 0; i < q.Num; ++i)
    q.Hombres[i].Casilla = static_cast<uint8_t>(Simetria(k, q.Hombres[i].Casilla));
  if (q.AlPaso != 127) q.AlPaso = Simetria(k, q.AlPaso);
  return q;
}

// Same men on the same squares (identical men in any order).
bool MismaPosicion(const PosicionTB& a, const PosicionTB& b) {
  if (a.Num != b.Num || a.AlPaso != b.AlPaso) return false;
  std::multiset<int> x, y;
  for (int i = 0; i < a.Num; ++i) {
    x.insert(a.Hombres[i].Color * 1000 + a.Hombres[i].Tipo * 100 + a.Hombres[i].Casilla);
    y.insert(b.Hombres[i].Color * 1000 + b.Hombres[i].Tipo * 100 + b.Hombres[i].Casilla);
  }
  return x == y;
}

bool Vecinas(int a, int b) {
  return std::abs((a & 7) - (b & 7)) <= 1 && std::abs((a >> 3) - (b >> 3)) <= 1;
}

bool TienePeones(const PosicionTB& p) {
  for (int i = 0; i < p.Num; ++i)
    if (p.Hombres[i].Tipo == 1) return true;
  return false;
}

// Checks one position of a table: in range, read back as one of its symmetric
// images, and every symmetric image the layout identifies gets the same index.
void ComprobarPosicion(int tabla, int lado, const PosicionTB& p) {
  const uint32_t i = IndiceDePosicion(tabla, lado, p);
  ASSERT_LT(i, IndiceMaximoTabla(tabla, lado)) << RegistroTablas[tabla].Nombre;
  PosicionTB q;
  ASSERT_TRUE(PosicionDeIndice(tabla, lado, i, &q)) << RegistroTablas[tabla].Nombre << " " << i;
  ASSERT_EQ(IndiceDePosicion(tabla, lado, q), i);
  const bool peones = TienePeones(p);
  bool imagen = false;
  for (int k = 0; k < 8; ++k) {
    if (peones && k != 0 && k != 1) continue;
    const PosicionTB t = Transformar(p, k);
    imagen |= MismaPosicion(t, q);
    const uint32_t it = IndiceDePosicion(tabla, lado, t);
    // Only the diagonal reflection with both kings on the long diagonal of the
    // reduced frame keeps a second index.
    if (it != i) {
      PosicionTB r;
      ASSERT_TRUE(PosicionDeIndice(tabla, lado, it, &r));
      const int a = r.Hombres[0].Casilla, b = r.Hombres[1].Casilla;
      ASSERT_FALSE(peones) << RegistroTablas[tabla].Nombre;
      // (A symmetric table read with Black to move sees the board flipped,
      // so its long diagonal is a8-h1 there.)
      const bool a1h8 = (a & 7) == (a >> 3) && (b & 7) == (b >> 3);
      const bool a8h1 = (a & 7) == 7 - (a >> 3) && (b & 7) == 7 - (b >> 3);
      ASSERT_TRUE(a1h8 || a8h1) << RegistroTablas[tabla].Nombre;
      ASSERT_TRUE(MismaPosicion(Transformar(r, a1h8 ? 4 : 7), q));
    }
  }
  ASSERT_TRUE(imagen) << RegistroTablas[tabla].Nombre << " " << i;
}

TEST(IndicesTablas, EveryPlacementOfThreeMenInRangeAndReadBack) {
  for (const char* nombre : {"kpk", "knk", "kbk", "krk", "kqk"}) {
    const int j = BuscarNombre(nombre);
    const int tipo = std::string(" pnbrq").find(nombre[1]);
    for (int lado = 0; lado < 2; ++lado) {
      std::vector<bool> visto(IndiceMaximoTabla(j, lado));
      uint32_t vistos = 0;
      for (int wk = 0; wk < 64; ++wk)
        for (int bk = 0; bk < 64; ++bk)
          for (int x = 0; x < 64; ++x) {
            if (Vecinas(wk, bk) || x == wk || x == bk || (tipo == 1 && (x < 8 || x >= 56)))
              continue;
            PosicionTB p{
                3, {{0, 6, uint8_t(wk)}, {1, 6, uint8_t(bk)}, {0, uint8_t(tipo), uint8_t(x)}}, 127};
            const uint32_t i = IndiceDePosicion(j, lado, p);
            ASSERT_LT(i, IndiceMaximoTabla(j, lado));
            vistos += !visto[i];
            visto[i] = true;
            if ((wk * 7 + bk * 3 + x) % 41 == 0) ComprobarPosicion(j, lado, p);
          }
      // Every index a position reads back is reached (no hole in the middle
      // of the layout that the generator would have to skip blindly).
      uint32_t validos = 0;
      for (uint32_t i = 0; i < IndiceMaximoTabla(j, lado); ++i) {
        PosicionTB q;
        if (!PosicionDeIndice(j, lado, i, &q)) continue;
        ++validos;
        ASSERT_EQ(IndiceDePosicion(j, lado, q), i);
      }
      EXPECT_EQ(vistos, validos) << nombre;
    }
  }
}

// A random placement of a table's material: kings apart, pawns on ranks 2..7.
PosicionTB Aleatoria(int tabla, std::mt19937& rng) {
  const indices::Material m = indices::MaterialDeNombre(RegistroTablas[tabla].Nombre);
  PosicionTB p{};
  p.AlPaso = 127;
  bool usada[64] = {};
  auto libre = [&](bool peon) {
    for (;;) {
      const int s = static_cast<int>(rng() % 64);
      if (usada[s] || (peon && (s < 8 || s >= 56))) continue;
      usada[s] = true;
      return s;
    }
  };
  const int wk = libre(false);
  int bk;
  do bk = static_cast<int>(rng() % 64);
  while (Vecinas(wk, bk));
  usada[bk] = true;
  p.Hombres[p.Num++] = HombreTB{0, 6, uint8_t(wk)};
  p.Hombres[p.Num++] = HombreTB{1, 6, uint8_t(bk)};
  for (int c = 0; c < 2; ++c)
    for (int t = 1; t <= 5; ++t)
      for (int k = 0; k < m.Cuenta[c][t]; ++k)
        p.Hombres[p.Num++] = HombreTB{uint8_t(c), uint8_t(t), uint8_t(libre(t == 1))};
  return p;
}

TEST(IndicesTablas, SampledPositionsOfEveryTableInRangeAndReadBack) {
  std::mt19937 rng(2026);
  for (int j = 1; j < NUM_TABLAS; ++j)
    for (int lado = 0; lado < 2; ++lado)
      for (int n = 0; n < 60; ++n) {
        ComprobarPosicion(j, lado, Aleatoria(j, rng));
        if (HasFatalFailure()) return;
      }
}

TEST(IndicesTablas, SampledIndexesOfEveryTableReadBackToThemselves) {
  std::mt19937 rng(7);
  for (int j = 1; j < NUM_TABLAS; ++j)
    for (int lado = 0; lado < 2; ++lado) {
      const uint32_t n = IndiceMaximoTabla(j, lado);
      int validos = 0;
      for (int k = 0; k < 300; ++k) {
        const uint32_t i = k < 3 ? n - 1 - k : static_cast<uint32_t>(rng() % n);
        PosicionTB p;
        if (!PosicionDeIndice(j, lado, i, &p)) continue;
        ++validos;
        ASSERT_EQ(IndiceDePosicion(j, lado, p), i) << RegistroTablas[j].Nombre;
      }
      EXPECT_GT(validos, 200) << RegistroTablas[j].Nombre;  // the layout wastes little
      PosicionTB p;
      EXPECT_FALSE(PosicionDeIndice(j, lado, n, &p));
    }
}

TEST(IndicesTablas, EnPassantPositionsHaveTheirOwnRegion) {
  const int kpkp = BuscarNombre("kpkp");
  // White to move, Black has just played d7-d5 beside the white pawn on e5.
  PosicionTB p{4,
               {{0, 6, uint8_t(Sq("g1"))},
                {1, 6, uint8_t(Sq("a8"))},
                {0, 1, uint8_t(Sq("e5"))},
                {1, 1, uint8_t(Sq("d5"))}},
               Sq("d6")};
  PosicionTB sin = p;
  sin.AlPaso = 127;
  const uint32_t i = IndiceDePosicion(kpkp, 0, p), j = IndiceDePosicion(kpkp, 0, sin);
  EXPECT_NE(i, j);
  EXPECT_GE(i, static_cast<uint32_t>(indices::EntradasNormales(indices::MaterialDeNombre("kpkp"))));
  EXPECT_LT(i, IndiceMaximoTabla(kpkp, 0));
  ComprobarPosicion(kpkp, 0, p);
  PosicionTB q;
  ASSERT_TRUE(PosicionDeIndice(kpkp, 0, i, &q));
  EXPECT_EQ(q.AlPaso, Sq("e6"));  // the kings' frame mirrors the board (g1 -> b1)
  // Without a pawn beside it the square changes nothing.
  p.Hombres[2].Casilla = static_cast<uint8_t>(Sq("a5"));
  sin.Hombres[2].Casilla = static_cast<uint8_t>(Sq("a5"));
  EXPECT_EQ(IndiceDePosicion(kpkp, 0, p), IndiceDePosicion(kpkp, 0, sin));
  // Black to move after White's c2-c4 next to the black pawn on b4.
  const int kppkp = BuscarNombre("kppkp");
  PosicionTB n{5,
               {{0, 6, uint8_t(Sq("a1"))},
                {1, 6, uint8_t(Sq("h8"))},
                {0, 1, uint8_t(Sq("c4"))},
                {0, 1, uint8_t(Sq("h2"))},
                {1, 1, uint8_t(Sq("b4"))}},
               Sq("c3")};
  const uint32_t e = IndiceDePosicion(kppkp, 1, n);
  EXPECT_GE(e,
            static_cast<uint32_t>(indices::EntradasNormales(indices::MaterialDeNombre("kppkp"))));
  ComprobarPosicion(kppkp, 1, n);
}

TEST(IndicesTablas, ColourReversedReadingFlipsTheBoard) {
  // kqkr stored with White the stronger side; a position with the colours
  // exchanged is read through the flip and gives the index of its mirror.
  std::mt19937 rng(3);
  for (const char* nombre : {"kqkr", "kpkp", "krpkp", "kppkn"}) {
    const int j = BuscarNombre(nombre);
    for (int n = 0; n < 200; ++n) {
      const PosicionTB p = Aleatoria(j, rng);
      PosicionTB r = p;  // colours exchanged and ranks flipped
      for (int i = 0; i < r.Num; ++i) {
        r.Hombres[i].Color ^= 1;
        r.Hombres[i].Casilla ^= 56;
      }
      uint32_t wb[7], bb[7];
      EmpaquetarPosicion(r, wb, bb);
      for (int lado = 0; lado < 2; ++lado)
        ASSERT_EQ(RegistroTablas[j].Funcion[lado](bb, wb, 127, 1), IndiceDePosicion(j, lado, p))
            << nombre;
    }
  }
}

TEST(IndicesTablas, SymmetricTablesAnswerBlackToMoveFromWhitesFile) {
  const int krkr = BuscarNombre("krkr");
  std::mt19937 rng(5);
  for (int n = 0; n < 300; ++n) {
    const PosicionTB p = Aleatoria(krkr, rng);
    PosicionTB r = p;
    for (int i = 0; i < r.Num; ++i) r.Hombres[i].Color ^= 1;
    // Black to move in p is White to move in p with colours exchanged.
    ASSERT_EQ(IndiceDePosicion(krkr, 1, p), IndiceDePosicion(krkr, 0, r));
    PosicionTB q;
    ASSERT_TRUE(PosicionDeIndice(krkr, 1, IndiceDePosicion(krkr, 1, p), &q));
    ASSERT_EQ(IndiceDePosicion(krkr, 1, q), IndiceDePosicion(krkr, 1, p));
  }
}

}  // namespace
