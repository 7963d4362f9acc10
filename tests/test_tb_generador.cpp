// The tablebase generator's own pieces: names, the slot layout's symmetry,
// the stored-value encodings, and distances on small combinations.
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

#include "tools/tb/tb.h"

namespace {

using tb::ILEGAL;

// A generator value for a win (or loss) in n moves of the side to move.
uint16_t Gana(int n) { return static_cast<uint16_t>(2 * n - 1 + 1); }
uint16_t Pierde(int n) { return static_cast<uint16_t>(2 * n + 1); }

TEST(GeneradorValores, EncodingsOfWinsLossesAndDraws) {
  EXPECT_EQ(tb::ValorMotor(0), 0);
  EXPECT_EQ(tb::ValorMotor(ILEGAL), 32767);
  EXPECT_EQ(tb::ValorMotor(Gana(1)), 32766);
  EXPECT_EQ(tb::ValorMotor(Gana(35)), 32767 - 35);
  EXPECT_EQ(tb::ValorMotor(Pierde(0)), -32766);
  EXPECT_EQ(tb::ValorMotor(Pierde(200)), -32766 + 200);

  struct Caso {
    uint16_t v;
    int8_t byte;
  } casos[] = {{0, 0},
               {ILEGAL, 127},
               {Gana(1), 126},
               {Gana(126), 1},
               {Gana(127), -128},
               {Pierde(0), -126},
               {Pierde(125), -1},
               {Pierde(126), -127}};
  for (const auto& c : casos) {
    int8_t e = 0;
    ASSERT_TRUE(tb::ByteMotor(c.v, e)) << c.v;
    EXPECT_EQ(e, c.byte) << c.v;
  }
  int8_t e;
  EXPECT_FALSE(tb::ByteMotor(Gana(128), e));
  EXPECT_FALSE(tb::ByteMotor(Pierde(127), e));
}

TEST(GeneradorMaterial, NamesAndTheCombinationsMovesLeadTo) {
  EXPECT_EQ(tb::NombreCanonico("krkq"), "kqkr");
  EXPECT_EQ(tb::NombreCanonico("knkbp"), "kbpkn");
  EXPECT_EQ(tb::NombreCanonico("kkqr"), "kqrk");
  EXPECT_EQ(tb::NombreCanonico("kpkp"), "kpkp");
  for (const char* malo : {"", "k", "kqq", "kxk", "qkk", "kqkkr", "kqrbnkp", "kkk"}) {
    tb::Material m;
    EXPECT_FALSE(tb::LeerMaterial(malo, m) && tb::NombreCanonico(malo).size() > 2) << malo;
  }
  tb::Material m;
  ASSERT_TRUE(tb::LeerMaterial("kpk", m));
  EXPECT_EQ(tb::Sucesoras(m), (std::vector<std::string>{"kbk", "knk", "kqk", "krk"}));
  ASSERT_TRUE(tb::LeerMaterial("kpkn", m));
  const auto s = tb::Sucesoras(m);
  for (const char* x : {"kpk", "knk", "kqkn", "kqk", "knkn"})
    EXPECT_NE(std::find(s.begin(), s.end(), x), s.end()) << x;
  // 5 + 30 + 110 combinations of three to five men.
  EXPECT_EQ(tb::Combinaciones(5).size(), 145u);
  EXPECT_EQ(tb::Combinaciones(3).size(), 5u);
}

// Each combination comes after every combination it leads to, once; while a
// list is generated only the direct successors of what is still to come stay
// in memory.
TEST(GeneradorMaterial, GenerationOrderAndWhatStaysInMemory) {
  const auto orden = tb::OrdenGeneracion({"krpkr", "kpkpp", "kqk"});
  EXPECT_EQ(std::set<std::string>(orden.begin(), orden.end()).size(), orden.size());
  for (const char* x : {"krpkr", "kppkp", "kqk", "kqrkr", "kqpkq", "kqqkp", "kpk", "knk"})
    EXPECT_NE(std::find(orden.begin(), orden.end(), x), orden.end()) << x;
  for (size_t k = 0; k < orden.size(); ++k) {
    tb::Material m;
    ASSERT_TRUE(tb::LeerMaterial(orden[k], m)) << orden[k];
    for (const auto& s : tb::Sucesoras(m)) {
      const auto at = std::find(orden.begin(), orden.end(), s);
      EXPECT_LT(at - orden.begin(), static_cast<long>(k)) << s << " needed by " << orden[k];
    }
  }
  EXPECT_EQ(tb::OrdenGeneracion({"kpk"}).back(), "kpk");
  EXPECT_EQ(tb::OrdenGeneracion({"kpk"}).size(), 5u);

  ASSERT_NE(tb::Generar("kpk"), nullptr);
  auto presentes = [] {
    std::set<std::string> r;
    for (const auto& [n, t] : tb::TablasGeneradas) r.insert(n);
    return r;
  };
  EXPECT_EQ(presentes().count("kqk"), 1u);
  tb::OlvidarTablas({"kbnk"});  // reads kbk and knk after its captures
  EXPECT_EQ(presentes(), (std::set<std::string>{"kbk", "knk"}));
  tb::OlvidarTablas({"kbk"});
  EXPECT_EQ(presentes(), (std::set<std::string>{"kbk"}));
  tb::OlvidarTablas({});
  EXPECT_TRUE(tb::TablasGeneradas.empty());
}

TEST(GeneradorIndices, SymmetricImagesShareOneSlot) {
  tb::InicializarGeometria();
  tb::Material m;
  ASSERT_TRUE(tb::LeerMaterial("kbnk", m));
  std::mt19937 azar(7);
  int probadas = 0;
  while (probadas < 2000) {
    tb::Posicion p{{static_cast<int>(azar() % 64), static_cast<int>(azar() % 64),
                    static_cast<int>(azar() % 64), static_cast<int>(azar() % 64)},
                   0};
    const uint64_t i = tb::IndiceCanonico(m, p);
    if (i == tb::SIN_INDICE) continue;
    ++probadas;
    ASSERT_LT(i, tb::TamanoTabla(m));
    tb::Posicion q;
    ASSERT_TRUE(tb::Decodificar(m, i, q));
    EXPECT_EQ(tb::IndiceCanonico(m, q), i);
    for (int x : {7, 56, 63})
      for (int trasponer = 0; trasponer < 2; ++trasponer) {
        tb::Posicion r = p;
        for (int& s : r.sq) {
          s ^= x;
          if (trasponer) s = (s & 7) * 8 + (s >> 3);
        }
        EXPECT_EQ(tb::IndiceCanonico(m, r), i);
      }
  }
  // With pawns only the file mirror applies.
  ASSERT_TRUE(tb::LeerMaterial("kpk", m));
  tb::Posicion p{{4, 60, 12}, 0}, espejo{{3, 59, 11}, 0}, arriba{{60, 4, 52}, 0};
  EXPECT_EQ(tb::IndiceCanonico(m, p), tb::IndiceCanonico(m, espejo));
  EXPECT_NE(tb::IndiceCanonico(m, p), tb::IndiceCanonico(m, arriba));
  tb::Posicion peonAtras{{4, 60, 3}, 0}, juntos{{4, 12, 20}, 0};
  EXPECT_EQ(tb::IndiceCanonico(m, peonAtras), tb::SIN_INDICE);
  EXPECT_EQ(tb::IndiceCanonico(m, juntos), tb::SIN_INDICE);

  // Pawns are digits over ranks 2-7, other men over the whole board: every
  // slot of a mixed combination decodes to its own squares and back.
  ASSERT_TRUE(tb::LeerMaterial("krpkp", m));
  EXPECT_EQ(tb::TamanoTabla(m), 2048u * 64 * 48 * 48);
  for (int k = 0; k < 3000; ++k) {
    const uint64_t i = (static_cast<uint64_t>(azar()) << 32 | azar()) % tb::TamanoTabla(m);
    tb::Posicion q;
    ASSERT_TRUE(tb::Decodificar(m, i, q));
    for (int j = 3; j < 5; ++j) EXPECT_TRUE(q.sq[j] >= 8 && q.sq[j] < 56) << i;
    const uint64_t c = tb::IndiceCanonico(m, q);
    if (c != tb::SIN_INDICE) {
      EXPECT_EQ(c, i) << "slot " << i;
    }
  }
}

// Known positions: mates, stalemates and the longest wins of the 3-man tables.
TEST(GeneradorDistancias, KnownPositionsOfSmallTables) {
  ASSERT_NE(tb::Generar("kqk"), nullptr);
  ASSERT_NE(tb::Generar("kpk"), nullptr);
  auto valor = [](const char* nombre, int wk, int bk, int sq, int turno) {
    const int tipo = nombre[1] == 'q' ? tb::T_DAMA : tb::T_PEON;
    const tb::Pieza pz[3] = {{0, tb::T_REY, wk}, {1, tb::T_REY, bk}, {0, tipo, sq}};
    return tb::ValorPosicion(pz, 3, turno);
  };
  // Ka6 Qb7 mates Ka8; Kc7 Qb6 stalemates it; from Ka6 Qc7, Qb7 mates in one.
  EXPECT_EQ(valor("kqk", 40, 56, 49, 1), Pierde(0));
  EXPECT_EQ(valor("kqk", 50, 56, 41, 1), 0);
  EXPECT_EQ(valor("kqk", 40, 56, 50, 0), Gana(1));
  // White to move while Black's king stands in check is no position.
  EXPECT_EQ(valor("kqk", 40, 56, 48, 0), ILEGAL);
  int mas = 0;
  const tb::Tabla& t = *tb::TablasGeneradas.at("kqk");
  for (uint16_t v : t.v[0])
    if (v != ILEGAL && v) mas = std::max(mas, (v - 1 + 1) / 2);
  EXPECT_EQ(mas, 10);  // the longest queen mate
  const tb::Tabla& p = *tb::TablasGeneradas.at("kpk");
  mas = 0;
  for (uint16_t v : p.v[0])
    if (v != ILEGAL && v) mas = std::max(mas, (v - 1 + 1) / 2);
  EXPECT_EQ(mas, 28);
  // Kd6 Pe5 against Ke8 wins; a rook pawn with the defender in the corner does not.
  EXPECT_TRUE(tb::Gana(valor("kpk", 43, 60, 36, 0)));
  EXPECT_EQ(valor("kpk", 33, 56, 32, 0), 0);
}

}  // namespace
