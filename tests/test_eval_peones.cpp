// Pawn structure and the pawn hash.
#include <cstring>
#include <utility>

#include "eval_test_util.h"

namespace {

void VaciarHashPeones() {
  std::memset(Eval.TablaPeones, 0, (uint64_t{MascaraPeones} + 1) * sizeof(EntradaHashPeones));
}

TEST(Peones, PassedConnectedAndDefended) {
  // b7: passed 90, defended by c6 35. c6: passed 50, connected to b7 75 (at the
  // larger row), weak on a half-open file -25 (b7 is ahead of it, not beside).
  PosicionEval("7k/1P6/2P5/8/8/8/8/K7 w - - 0 1");
  VaciarHashPeones();
  EXPECT_EQ(Desglose(1).Peones, 225);
  // The same for Black, mirrored.
  PosicionEval("k7/8/8/8/8/2p5/1p6/7K w - - 0 1");
  EXPECT_EQ(Desglose(1).Peones, -225);
}

TEST(Peones, DoubledIsolatedAndWeak) {
  // e2/e3: doubled -10 each, isolated -5 each, weak -25 each (the black d6 pawn
  // stops them being passed but stands beside their file, not in front). d6:
  // isolated +5 and weak +25 for White.
  PosicionEval("4k3/8/3p4/8/8/4P3/4P3/4K3 w - - 0 1");
  VaciarHashPeones();
  EXPECT_EQ(Desglose(1).Peones, -80 + 30);
  // Endgame weights: doubled -15, isolated -5, weak -10.
  EXPECT_EQ(Desglose(2).Peones, -60 + 15);
}

TEST(Peones, ConnectionDoesNotDependOnTheListOrder) {
  // b6: passed 50, defended by a5 20. a5: passed 25, connected 10, weak -25.
  PosicionEval("4k3/8/1P6/P7/8/8/8/4K3 w - - 0 1");
  VaciarHashPeones();
  EXPECT_EQ(Desglose(1).Peones, 80);
  std::swap(ListaPiezas[0][0], ListaPiezas[0][1]);
  VaciarHashPeones();
  EXPECT_EQ(Desglose(1).Peones, 80);
}

TEST(Peones, TheSquareOfTheKingInTheEndgame) {
  // a5 with the black king on d5 is inside the square; on e5 it is not (+30).
  PosicionEval("8/8/8/P2k4/8/8/8/K7 w - - 0 1");
  VaciarHashPeones();
  const int dentro = Desglose(2).Peones;
  PosicionEval("8/8/8/P3k3/8/8/8/K7 w - - 0 1");
  // The entry of the same pawns is returned as it was stored...
  EXPECT_EQ(Desglose(2).Peones, dentro);
  // ...and a fresh computation sees the king outside.
  VaciarHashPeones();
  EXPECT_EQ(Desglose(2).Peones, dentro + 30);
}

TEST(Peones, TheTwoEvaluatorsShareNoEntries) {
  PosicionEval("4k3/pp6/8/8/8/8/3PP3/4K3 w - - 0 1");
  VaciarHashPeones();
  const uint32_t calculadas = Eval.ContadorEvalPeones, aciertos = Eval.ContadorEvalHash;
  Desglose(1);
  Desglose(2);
  EXPECT_EQ(Eval.ContadorEvalPeones, calculadas + 2);
  EXPECT_EQ(Eval.ContadorEvalHash, aciertos);
  Desglose(1);
  EXPECT_EQ(Eval.ContadorEvalPeones, calculadas + 3);  // phase 2 overwrote the entry
  Desglose(1);
  EXPECT_EQ(Eval.ContadorEvalHash, aciertos + 1);
}

TEST(Peones, WithoutPawnsZeroIsStored) {
  PosicionEval("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  VaciarHashPeones();
  ASSERT_EQ(EstadoActual->ClavePeones, 0u);
  EXPECT_EQ(Desglose(1).Peones, 0);
  EXPECT_EQ(Eval.TablaPeones[0].Verificacion, MarcaPeonesA);
  EXPECT_EQ(Desglose(2).Peones, 0);
  EXPECT_EQ(Eval.TablaPeones[0].Verificacion, MarcaPeonesB);
}

}  // namespace
