// "ze_Eval": which evaluation the command asks for, and the earlier build's
// evaluation parameters taken from its personality file.
#include <gtest/gtest.h>

#include "driver/driver.h"
#include "eval/eval.h"
#include "tests/test_driver_proceso.h"

namespace {

class EvalComando : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    AsignarTablasHash();
  }
  void Fen(const char* fen) { ASSERT_EQ(ColocarFEN(fen), 0) << fen; }
};

std::string EvalDe(const char* binario, const std::string& entrada,
                   const std::vector<std::string>& args = {}) {
  prueba::DirectorioTemporal dir;
  dir.Escribir("q.per", "VAL_DAMA 900");
  return prueba::Ejecutar(binario, entrada, dir.Ruta(), args).salida;
}

}  // namespace

TEST_F(EvalComando, PawnEndingFromTheSideToMove) {
  Fen("8/5k2/8/3p4/8/2P5/4K3/8 w - - 0 1");
  const int blancas = EvaluarFinalPeones();
  EXPECT_EQ(Evaluar(), blancas);
  Fen("8/5k2/8/3p4/8/2P5/4K3/8 b - - 0 1");
  EXPECT_EQ(Evaluar(), -EvaluarFinalPeones());
}

TEST_F(EvalComando, ChosenPhase) {
  // Many pawns and pieces: opening before half-move 18, middlegame after.
  ReiniciarPartida();
  EXPECT_EQ(Evaluar(), EvaluarPosicion(0));
  MediasJugadas = 18;
  EXPECT_EQ(Evaluar(), EvaluarPosicion(1));
  // Eight pawns or fewer: endgame, whatever the move number.
  Fen("r3k2r/pppp4/8/8/8/8/PPPP4/R3K2R b KQkq - 0 1");
  MediasJugadas = 0;
  EXPECT_EQ(Evaluar(), -EvaluarPosicion(2));
  // Seven pieces or fewer: endgame.
  Fen("r2qk3/pppppppp/8/8/8/8/PPPPPPPP/RNBQK3 w - - 0 1");
  MediasJugadas = 0;
  EXPECT_EQ(Evaluar(), EvaluarPosicion(2));
}

TEST(EvalVersionAnterior, PersonalityParameters) {
  const std::string fen = "FEN 4k3/8/8/8/8/8/3Q4/4K3 w - - 0 1\nze_Eval\n";
  // The earlier build reads VAL_DAMA; the current one has no such key.
  const std::string normal052 = EvalDe(ZELMOR052_BIN, fen);
  const std::string dama052 = EvalDe(ZELMOR052_BIN, fen, {"q"});
  EXPECT_EQ(normal052.rfind("feature done=0\nStatic eval: ", 0), 0u) << normal052;
  EXPECT_NE(normal052, dama052);
  EXPECT_EQ(EvalDe(ZELMOR070_BIN, fen), EvalDe(ZELMOR070_BIN, fen, {"q"}));
  // Before any set-up the earlier build evaluates its built-in ending.
  EXPECT_EQ(EvalDe(ZELMOR052_BIN, "ze_Eval\n"),
            EvalDe(ZELMOR052_BIN, "FEN 8/8/2p4p/2p2kpP/Pp6/4K2P/8/8 w - - 0 1\nze_Eval\n"));
}
