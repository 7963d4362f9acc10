// King safety: shelter, rays toward the king, danger counts and scaling.
#include <cstdio>

#include "eval/interno.h"
#include "eval_test_util.h"

namespace {

TEST(SeguridadRey, KingInTheCentreAndItsCastlingSides) {
  // King on e1 (a2 missing, rook on a1): the queen side shelters 2, the king
  // side 0; the centre files all hold enemy pawns.
  const char* sinA2 = "rnbqkbnr/pppppppp/8/8/8/8/1PPPPPPP/RNBQKBNR w %s - 0 1";
  char fen[96];
  std::snprintf(fen, sizeof fen, sinA2, "kq");
  PosicionEval(fen);
  EXPECT_EQ(Desglose(1).RefugioBlanco, 6);  // no rights: starts from 6
  EXPECT_EQ(RefugioFlancoDama(BLANCO), 2);
  EXPECT_EQ(RefugioFlancoRey(BLANCO), 0);
  std::snprintf(fen, sizeof fen, sinA2, "Qkq");
  PosicionEval(fen);
  EXPECT_EQ(Desglose(1).RefugioBlanco, 2);
  std::snprintf(fen, sizeof fen, sinA2, "KQkq");
  PosicionEval(fen);
  EXPECT_EQ(Desglose(1).RefugioBlanco, 0);  // the smaller of the two
  // A king on d1 that can no longer castle.
  PosicionEval("rnbqkbnr/pppppppp/8/8/8/8/1PPPPPPP/RNBK1BNR w kq - 0 1");
  EXPECT_EQ(Desglose(1).RefugioBlanco, 6);
  // Without the enemy queen the shelter (not the attack count) is quartered.
  PosicionEval("rnb1kbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w kq - 0 1");
  const DesgloseEval d = Desglose(1);
  EXPECT_EQ(d.RefugioBlanco, 1);
  EXPECT_EQ(d.PeligroBlanco, 1 + d.AtaqueBlanco);
}

TEST(SeguridadRey, Fianchetto) {
  // g-pawn on g3 and no light-squared bishop of its own, facing one: 2 + 3.
  PosicionEval("6k1/5ppp/8/8/2b5/6P1/5P1P/6K1 w - - 0 1");
  Desglose(1);
  EXPECT_EQ(RefugioFlancoRey(BLANCO), 5);
  // With its own light-squared bishop the holes do not count.
  PosicionEval("6k1/5ppp/8/8/2b5/6P1/4BP1P/6K1 w - - 0 1");
  Desglose(1);
  EXPECT_EQ(RefugioFlancoRey(BLANCO), 2);
  // The bishop on g2 itself: one less.
  PosicionEval("6k1/5ppp/8/8/2b5/6P1/5PBP/6K1 w - - 0 1");
  Desglose(1);
  EXPECT_EQ(RefugioFlancoRey(BLANCO), 1);
}

TEST(SeguridadRey, DiagonalRay) {
  const int b2 = CasillaTexto("b2");
  PosicionEval("8/6k1/8/8/8/8/1B6/4K3 b - - 0 1");
  EXPECT_EQ(RayoDiagonalRey(b2), 2);
  PosicionEval("8/6k1/8/8/3P4/8/1B6/4K3 b - - 0 1");
  EXPECT_EQ(RayoDiagonalRey(b2), 1);  // through one own pawn
  PosicionEval("8/6k1/8/8/3P4/1P6/1B6/4K3 b - - 0 1");
  EXPECT_EQ(RayoDiagonalRey(b2), 0);  // the square in front of the bishop is taken
  PosicionEval("8/6k1/8/8/3p4/8/1B6/4K3 b - - 0 1");
  EXPECT_EQ(RayoDiagonalRey(b2), 0);  // an enemy pawn
  // A black bishop on the first rank with a pawn on its way: nothing stands
  // below the first rank, so the pawn only halves the ray.
  PosicionEval("4k3/8/8/8/8/2K5/4p3/5b2 w - - 0 1");
  EXPECT_EQ(RayoDiagonalRey(CasillaTexto("f1")), 1);
  // A king zone reached through a8 counts like any other square.
  PosicionEval("8/kB6/8/8/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(RayoDiagonalRey(CasillaTexto("b7")), 2);
  PosicionEval("4k3/8/8/8/8/8/Kb6/8 w - - 0 1");
  EXPECT_EQ(RayoDiagonalRey(CasillaTexto("b2")), 2);
}

TEST(SeguridadRey, FileOrRankRay) {
  const int d1 = CasillaTexto("d1");
  PosicionEval("4k3/8/8/8/8/8/8/3RK3 b - - 0 1");
  EXPECT_EQ(RayoLineaRey(d1), 2);
  PosicionEval("4k3/3P4/8/8/8/8/8/3RK3 b - - 0 1");
  EXPECT_EQ(RayoLineaRey(d1), 0);  // the line ends on its own pawn
  PosicionEval("4k3/8/8/8/3n4/8/8/3RK3 b - - 0 1");
  EXPECT_EQ(RayoLineaRey(d1), 1);
  PosicionEval("4k3/8/3n4/8/3n4/8/8/3RK3 b - - 0 1");
  EXPECT_EQ(RayoLineaRey(d1), 0);
  PosicionEval("4k3/8/8/8/3r4/8/8/3RK3 b - - 0 1");
  EXPECT_EQ(RayoLineaRey(d1), 0);
  // A king zone reached through a8 counts like any other square.
  PosicionEval("1R6/k7/8/8/8/8/8/4K3 b - - 0 1");
  EXPECT_EQ(RayoLineaRey(CasillaTexto("b8")), 2);
  PosicionEval("4k3/8/8/8/8/8/K7/1r6 w - - 0 1");
  EXPECT_EQ(RayoLineaRey(CasillaTexto("b1")), 2);
}

// The evaluation's compact king tables against the core's 0x88 ones, for every
// pair of squares. The core reports 0 both for "none" and for a8; a8 is the
// answer when the piece sees a8 along a ray of the kind and a8 touches the king.
TEST(SeguridadRey, ProximityTablesMatchThoseOfTheCore) {
  PrepararEval();
  auto rey = [](int a, int b) {
    const int df = Abs(Columna(a) - Columna(b)), dr = Abs((a >> 4) - (b >> 4));
    return df > dr ? df : dr;
  };
  for (int s = 0; s < 120; ++s) {
    if (!EnTablero(s)) continue;
    for (int k = 0; k < 120; ++k) {
      if (!EnTablero(k)) continue;
      const int i = Indice64(s), ik = Indice64(k);
      const bool a8Diagonal = s != 0 && s % 17 == 0 && rey(0, k) <= 1;
      const bool a8Linea = s != 0 && (s < 8 || (s & 15) == 0) && rey(0, k) <= 1;
      const struct {
        int nucleo;
        bool a8;
        uint16_t nuestro;
      } casos[2] = {{DiagonalRey[s][k], a8Diagonal, CercaRey.diagonal[i][ik]},
                    {LineaRey[s][k], a8Linea, CercaRey.linea[i][ik]}};
      for (const auto& c : casos) {
        if (c.nucleo == 0 && !c.a8) {
          EXPECT_EQ(c.nuestro, SIN_DESTINO) << NombreCasilla[s] << " " << NombreCasilla[k];
          continue;
        }
        ASSERT_NE(c.nuestro, SIN_DESTINO) << NombreCasilla[s] << " " << NombreCasilla[k];
        EXPECT_EQ(c.nuestro & 63, Indice64(c.nucleo)) << NombreCasilla[s] << " " << NombreCasilla[k];
        EXPECT_EQ(EntreDestino(i, c.nuestro), EntreCasillas[i][Indice64(c.nucleo)])
            << NombreCasilla[s] << " " << NombreCasilla[k];
      }
      EXPECT_EQ((CercaRey.caballo[ik] & Bit(i)) != 0, CaballoCercaRey[s][k] != 0)
          << NombreCasilla[s] << " " << NombreCasilla[k];
    }
  }
}

TEST(SeguridadRey, PawnCentreAndCap) {
  // No pawns: both kings measured against e4.
  PosicionEval("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  EXPECT_EQ(Desglose(2).CentroPeones, CasillaTexto("e4"));
  // A bare king facing the whole army: danger capped at 27 (-180), the king
  // table's h8 value -5, full scale.
  PosicionEval("7k/8/8/5Q2/8/3B1B2/4N1N1/K5RR b - - 0 1");
  const DesgloseEval d = Desglose(FaseEvaluacion());
  EXPECT_EQ(d.PeligroNegro, 27);
  EXPECT_EQ(d.ReyB, (-180 - 5) * 100);
}

TEST(SeguridadRey, ReductionByEngineColourOnOppositeWings) {
  // Kings on opposite wings (a storm table in use): the engine reduces the
  // danger of the king it attacks to two thirds, truncated.
  PosicionEval("2kr3r/ppp1qppp/2n1b3/4N3/3P4/2PB4/P1Q2PPP/R4RK1 w - - 0 14", 30, -1);
  const DesgloseEval n1 = Desglose(1);
  ASSERT_EQ(n1.TablaPeonesUsada, TABLA_PEONES_TORMENTA1);
  ASSERT_GE(n1.PeligroNegro, 3);
  Eval.ColorMotor = BLANCO;
  DesgloseEval d = Desglose(1);
  EXPECT_EQ(d.PeligroNegro, static_cast<int>(n1.PeligroNegro * 0.6666666666666666));
  EXPECT_LT(d.PeligroNegro, n1.PeligroNegro);
  EXPECT_EQ(d.PeligroBlanco, n1.PeligroBlanco);

  PosicionEval("r4rk1/pp1bppbp/3p1np1/q7/3NP1PP/2N1BP2/PPPQ4/2KR1B1R b - - 0 14", 30, -1);
  const DesgloseEval n2 = Desglose(1);
  ASSERT_EQ(n2.TablaPeonesUsada, TABLA_PEONES_TORMENTA2);
  ASSERT_GE(n2.PeligroBlanco, 3);
  Eval.ColorMotor = NEGRO;
  d = Desglose(1);
  EXPECT_EQ(d.PeligroBlanco, static_cast<int>(n2.PeligroBlanco * 0.6666666666666666));
  EXPECT_LT(d.PeligroBlanco, n2.PeligroBlanco);
  EXPECT_EQ(d.PeligroNegro, n2.PeligroNegro);
  Eval.ColorMotor = BLANCO;
  EXPECT_EQ(Desglose(1).PeligroBlanco, n2.PeligroBlanco);

  // Kings on the same wing: ColorMotor changes nothing.
  PosicionEval("2kr3r/ppp1qppp/2n1b3/4N3/3P4/2PB4/P1Q2PPP/2KR3R w - - 0 14", 30, -1);
  const int sin = Desglose(1).Total;
  Eval.ColorMotor = BLANCO;
  EXPECT_EQ(Desglose(1).Total, sin);
}

}  // namespace
