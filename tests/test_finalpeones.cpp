// King and pawn endings.
#include <string>

#include "eval_test_util.h"

namespace {

int FinalPeones(const std::string& fen) {
  PosicionEval(fen.c_str());
  return EvaluarFinalPeones();
}

TEST(FinalPeones, PawnOutsideTheSquareWinsTheRace) {
  // a5 against the king on e5, White to move: a runner three moves from queening
  // wherever the white king stands.
  for (const char* rey : {"K7/8/8/P3k3/8/8/8/8", "8/8/8/P3k3/8/8/8/K7", "8/8/8/P3k3/8/3K4/8/8",
                          "8/8/8/P3k3/8/8/8/7K", "8/7K/8/P3k3/8/8/8/8"})
    EXPECT_EQ(FinalPeones(std::string(rey) + " w - - 0 1"), 447) << rey;
  // With Black to move the king steps into the square: no race.
  EXPECT_LT(FinalPeones("8/8/8/P3k3/8/8/8/K7 b - - 0 1"), 400);
  // Black's won race is worth -(443 + D).
  EXPECT_EQ(FinalPeones("8/8/8/8/p3K3/8/8/7k b - - 0 1"), -446);
}

TEST(FinalPeones, InsideTheSquareThePositionCounts) {
  // a5 with the king on d5: passed pawn 10 x distance 3, king placement on the
  // queen side (a1 -6, d5 2), isolated -5, material 100.
  EXPECT_EQ(FinalPeones("8/8/8/P2k4/8/8/8/K7 w - - 0 1"), 30 - 8 - 5 + 100);
}

TEST(FinalPeones, BareKings) {
  EXPECT_EQ(FinalPeones("8/8/8/3k4/8/8/8/K7 w - - 0 1"), 0);
  EXPECT_EQ(FinalPeones("k7/8/8/8/8/8/8/4K3 b - - 0 1"), 0);
  EXPECT_EQ(FinalPeones("8/8/3k4/8/8/3K4/8/8 w - - 0 1"), 0);
}

TEST(FinalPeones, RookPawnFortresses) {
  // King in the corner against h-pawns: drawn wherever the black king is.
  EXPECT_EQ(FinalPeones("k7/8/8/8/7p/8/7p/7K w - - 0 1"), 0);
  EXPECT_EQ(FinalPeones("8/8/8/8/7p/5k2/7p/7K b - - 0 1"), 0);
  // On f1 only when the black king stands in front of its pawn.
  EXPECT_EQ(FinalPeones("8/8/8/7p/8/7k/8/5K2 w - - 0 1"), 0);
  EXPECT_NE(FinalPeones("8/8/8/7p/8/6k1/8/5K2 w - - 0 1"), 0);
  // An a-pawn needs the king on a1, b1, a2 or b2 (c1, c2 with the further test).
  EXPECT_EQ(FinalPeones("8/8/8/8/8/p7/2k5/K7 w - - 0 1"), 0);
  // The king on g1 is no fortress against an a-pawn: Black's race, -(443 + 3).
  EXPECT_EQ(FinalPeones("8/8/8/8/8/p7/1k6/6K1 w - - 0 1"), -446);
  // The same for White's pawns, mirrored.
  EXPECT_EQ(FinalPeones("7k/7P/8/7P/8/8/8/K7 w - - 0 1"), 0);
  EXPECT_EQ(FinalPeones("1k6/8/P7/8/8/8/8/6K1 b - - 0 1"), 0);
}

TEST(FinalPeones, RookPawnOnTheSeventhWithTheKingInFront) {
  // h7 with the white king on h8 and the black king on f7 is no runner: the
  // score is positional (passed 20, kings -7, isolated -10 +5, material 100).
  EXPECT_EQ(FinalPeones("7K/p4k1P/8/8/8/8/P7/8 w - - 0 1"), 108);
  // Without the black king shutting it in, it queens.
  EXPECT_EQ(FinalPeones("7K/p2k3P/8/8/8/8/P7/8 w - - 0 1"), 449);
  // The black case: h2 with the black king on h1 and the white king on f2.
  EXPECT_EQ(FinalPeones("8/p7/8/8/8/8/P4K1p/7k b - - 0 1"), -108);
}

TEST(FinalPeones, RaceOfRunners) {
  // a6 and h3 both two moves from queening. White to move queens first and its
  // queen on a8 covers h1: Black needs a move more.
  EXPECT_EQ(FinalPeones("3K4/8/P7/8/8/7p/8/4k3 w - - 0 1"), 448);
  // Black to move: Black queens first and covers a8.
  EXPECT_EQ(FinalPeones("3K4/8/P7/8/8/7p/8/4k3 b - - 0 1"), -445);
}

TEST(FinalPeones, BlockedPawnsWithoutAccessDoNotWin) {
  // A locked chain across the board: neither king can pass the squares the
  // enemy pawns guard, so neither side can win, even a pawn up.
  EXPECT_EQ(FinalPeones("8/4k3/1p1p1p1p/pPpPpPpP/P1P1P1P1/8/4K3/8 w - - 0 1"), 0);
  EXPECT_EQ(FinalPeones("8/4k3/1p1p1p1p/pPpPpPpP/P1P1P1P1/P7/4K3/8 w - - 0 1"), 0);
  EXPECT_EQ(FinalPeones("8/4k3/1p1p1p1p/pPpPpPpP/P1P1P1P1/8/4K3/8 b - - 0 1"), 0);
  // Without h6 the h5 pawn is free: White plays for a win.
  EXPECT_GT(FinalPeones("8/4k3/1p1p1p2/pPpPpPpP/P1P1P1P1/8/4K3/8 w - - 0 1"), 100);
}

}  // namespace
