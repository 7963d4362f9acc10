// Full evaluation: phase choice, material, piece terms, scaling and rounding.
#include <algorithm>
#include <cstdio>
#include <iterator>
#include <string>

#include "eval/interno.h"
#include "eval_test_util.h"

namespace {

TEST(Evaluacion, InitialPositionIsWorthZeroInPhaseZero) {
  PosicionEval("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", 0);
  EXPECT_EQ(FaseEvaluacion(), 0);
  const DesgloseEval d = Desglose(0);
  EXPECT_EQ(d.Total, 0);
  EXPECT_EQ(d.Desarrollo, 0);
  EXPECT_EQ(Evaluar(), 0);
  NuevaPartida();
  EXPECT_EQ(Evaluar(), 0);
}

TEST(Evaluacion, Rounding) {
  EXPECT_EQ(RedondearEvaluacion(29), 29);
  EXPECT_EQ(RedondearEvaluacion(-29), -29);
  EXPECT_EQ(RedondearEvaluacion(30), 30);
  EXPECT_EQ(RedondearEvaluacion(31), 30);
  EXPECT_EQ(RedondearEvaluacion(-31), -30);
  EXPECT_EQ(RedondearEvaluacion(149), 147);
  EXPECT_EQ(RedondearEvaluacion(150), 150);
  EXPECT_EQ(RedondearEvaluacion(152), 150);
  EXPECT_EQ(RedondearEvaluacion(-152), -150);
  EXPECT_EQ(RedondearEvaluacion(-154), -150);
}

TEST(Evaluacion, PhaseByPawnsPiecesAndMoves) {
  // 9 pawns, 8 pieces: opening before half-move 18, middlegame from there.
  PosicionEval("r1bqk1n1/pppp4/8/8/8/8/PPPPP3/1NBQK2R w - - 0 1", 17);
  EXPECT_EQ(FaseEvaluacion(), 0);
  MediasJugadas = 18;
  EXPECT_EQ(FaseEvaluacion(), 1);
  // 8 pawns: endgame whatever the pieces.
  PosicionEval("r1bqk1n1/pppp4/8/8/8/8/PPPP4/1NBQK2R w - - 0 1", 0);
  EXPECT_EQ(FaseEvaluacion(), 2);
  // 7 pieces: endgame.
  PosicionEval("r1bqk3/pppp4/8/8/8/8/PPPPP3/1NBQK2R w - - 0 1", 0);
  EXPECT_EQ(FaseEvaluacion(), 2);
}

TEST(Evaluacion, EvaluationSeesFromTheSideToMove) {
  PosicionEval("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  const int blancas = Evaluar();
  EXPECT_GT(blancas, 0);
  PosicionEval("4k3/8/8/8/8/8/8/R3K3 b - - 0 1");
  EXPECT_EQ(Evaluar(), -blancas);
  // Kings and pawns only go to the king-and-pawn evaluator.
  PosicionEval("8/8/8/P3k3/8/8/8/K7 w - - 0 1");
  EXPECT_EQ(Evaluar(), EvaluarFinalPeones());
  PosicionEval("8/8/8/P3k3/8/8/8/K7 b - - 0 1");
  EXPECT_EQ(Evaluar(), -EvaluarFinalPeones());
}

TEST(Evaluacion, MaterialWithoutPawnsIsScaled) {
  // Rook: 500 + 6 (no queen) + 25 (no pawns) = 531; without own pawns x 0.80
  // (424) and with no enemy piece x 1.20 (508).
  PosicionEval("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  EXPECT_EQ(Desglose(2).Material, 508);
  PosicionEval("r3k3/8/8/8/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(Desglose(2).Material, -508);
}

TEST(Evaluacion, BishopPairOnlyWithExactlyTwo) {
  PosicionEval("4k3/8/8/8/8/8/8/2B1KB2 w - - 0 1");
  EXPECT_EQ(Desglose(2).ParejaAlfiles, 60);
  PosicionEval("4k3/8/8/8/8/8/8/1BB1KB2 w - - 0 1");
  EXPECT_EQ(Desglose(2).ParejaAlfiles, 0);
  PosicionEval("2b1kb2/8/8/8/8/8/8/2B1KB2 w - - 0 1");
  EXPECT_EQ(Desglose(2).ParejaAlfiles, 0);
}

TEST(Evaluacion, OppositeColouredBishopsScaleTheResult) {
  // White bishop d3 (light), black bishop d6 (dark): two fifths.
  PosicionEval("4k3/5p2/3b4/8/2P1P3/3B4/8/4K3 w - - 0 1");
  DesgloseEval d = Desglose(FaseEvaluacion());
  ASSERT_EQ(d.Fase, 2);
  ASSERT_NE(d.Suma, 0);
  EXPECT_EQ(d.TrasEscala, d.Suma * 2 / 5);
  EXPECT_EQ(d.Total, RedondearEvaluacion(d.TrasEscala));
  // A rook each: two thirds.
  PosicionEval("r3k3/5p2/3b4/8/2P1P3/3B4/8/R3K3 w - - 0 1");
  d = Desglose(FaseEvaluacion());
  ASSERT_NE(d.Suma, 0);
  EXPECT_EQ(d.TrasEscala, d.Suma * 2 / 3);
  // Same-coloured bishops (e6 is light): no scaling.
  PosicionEval("4k3/5p2/4b3/8/2P1P3/3B4/8/4K3 w - - 0 1");
  d = Desglose(FaseEvaluacion());
  EXPECT_EQ(d.TrasEscala, d.Suma);
}

TEST(Evaluacion, KnightOutpost) {
  // Knight d5 (table 8, outpost 16) defended by c4; nothing can challenge it.
  PosicionEval("4k3/8/8/3N4/2P5/8/8/4K3 w - - 0 1");
  EXPECT_EQ(Desglose(2).Caballos, 8 + 16 + 16);
  // A black bishop on the light squares halves the second bonus.
  PosicionEval("b3k3/8/8/3N4/2P5/8/8/4K3 w - - 0 1");
  EXPECT_EQ(Desglose(2).Caballos, 8 + 16 + 8);
  // Two defenders: the full second bonus regardless.
  PosicionEval("b3k3/8/8/3N4/2P1P3/8/8/4K3 w - - 0 1");
  EXPECT_EQ(Desglose(2).Caballos, 8 + 16 + 16);
  // A black pawn that can attack the square: no outpost.
  PosicionEval("4k3/8/4p3/3N4/2P5/8/8/4K3 w - - 0 1");
  EXPECT_EQ(Desglose(2).Caballos, 8);
  // Trapped in the corner.
  PosicionEval("N3k3/p7/8/8/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(Desglose(2).Caballos, -25 - 90);
}

TEST(Evaluacion, RooksAndTheSeventhRank) {
  PosicionEval("4k3/8/8/8/8/8/8/R3K3 w - - 0 1");
  EXPECT_EQ(Desglose(2).Torres, 15);  // open file
  PosicionEval("4k3/p7/8/8/8/8/8/R3K3 w - - 0 1");
  EXPECT_EQ(Desglose(2).Torres, 10);  // half-open
  // Shut in by its own king on f1.
  PosicionEval("4k3/pppppppp/8/8/8/8/PPPPPPPP/5K1R w - - 0 1");
  EXPECT_EQ(Desglose(1).Torres, -25);
  // Seventh rank: (100 - 30) * 50 / 100; a queen beside the rook raises the count.
  PosicionEval("4k3/R7/8/8/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(Desglose(2).Septima, 35);
  PosicionEval("4k3/RQ6/8/8/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(Desglose(2).Septima, (100 - 35) * 120 / 100);
  PosicionEval("4k3/1Q6/8/8/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(Desglose(2).Septima, 0);
}

TEST(Evaluacion, DevelopmentCentreAndBackRank) {
  // After Nf3 White has 3 men home and the king in the centre (-27), Black 4 (-35).
  PosicionEval("rnbqkbnr/pppppppp/8/8/8/5N2/PPPPPPPP/RNBQKB1R b KQkq - 1 1", 0);
  EXPECT_EQ(Desglose(0).Desarrollo, 8);
  EXPECT_EQ(Desglose(1).Desarrollo, 0);
  PosicionEval("rnbqkbnr/pppppppp/8/8/3PP3/8/PPP2PPP/RNBQKBNR b KQkq - 0 2");
  EXPECT_EQ(Desglose(1).Centro, 10);
  EXPECT_EQ(Desglose(2).Centro, 0);
  PosicionEval("rnbqkbnr/pppppppp/8/8/8/3B4/PPPPPPPP/RN1QKBNR w KQkq - 0 1");
  EXPECT_EQ(Desglose(1).Centro, -10);
  PosicionEval("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1");
  EXPECT_EQ(Desglose(2).UltimaFila, 15);
  // Bad bishop: three own pawns on its light squares with one piece.
  PosicionEval("4k3/8/8/3P4/2P1P3/3B4/8/4K3 w - - 0 1");
  EXPECT_EQ(Desglose(2).MalAlfil, -20);
}

TEST(Evaluacion, InsufficientMaterial) {
  const struct {
    const char* fen;
    int esperado;  // knights alone count; a dead draw is one minor piece at most
  } casos[] = {
      {"4k3/8/8/8/8/8/8/4K3 w - - 0 1", 1},     {"4k3/8/8/8/8/8/8/1N2K3 w - - 0 1", 1},
      {"4k3/8/8/8/8/8/8/2B1K3 w - - 0 1", 1},   {"4k3/8/8/8/8/8/8/1N2KN2 w - - 0 1", 1},
      {"1n2k3/8/8/8/8/8/8/1N2K3 w - - 0 1", 0}, {"2b1k3/8/8/8/8/8/8/2B1K3 w - - 0 1", 0},
      {"4k3/8/8/8/8/8/8/1NB1K3 w - - 0 1", 0},  {"4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", 0},
      {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", 0},
  };
  for (const auto& c : casos) {
    PosicionEval(c.fen);
    EXPECT_EQ(MaterialInsuficiente(EstadoActual), c.esperado == 1) << c.fen;
    const int menores = EstadoActual->NumPiezas[2] + EstadoActual->NumPiezas[3] +
                        EstadoActual->NumPiezas[4] + EstadoActual->NumPiezas[5];
    EXPECT_EQ(MaterialInsuficiente(EstadoActual, false), c.esperado == 1 && menores <= 1) << c.fen;
  }
}

TEST(Evaluacion, ExcessPiecesStayWithinTheTables) {
  // After many promotions every count beyond a table's end reads its last entry.
  PosicionEval("QQQQQQQk/QQQQQQQ1/8/8/8/8/8/K7 b - - 0 1");
  const DesgloseEval d = Desglose(FaseEvaluacion());
  EXPECT_EQ(d.PeligroNegro, 27);
  PosicionEval("k7/RRRRRRR1/8/8/8/8/8/RRRRRRRK b - - 0 1");
  EXPECT_GT(Desglose(2).Total, 0);
}

// The diagnostics' last line is the value "ze_Eval" prints; the trace shows the
// full evaluation's terms. Runs the real program.
// The pawn-structure memo answers only for the very structure it holds: another
// structure left in the slot (as after a collision of pawn keys) is recomputed,
// and the values match those of a fresh evaluation.
TEST(Evaluacion, PawnStructureMemoIsExact) {
  const char* posiciones[] = {
      "2kr3r/ppp1qppp/2n1b3/4N3/3P4/2PB4/P1Q2PPP/R4RK1 w - - 0 14",      // storm table 1
      "r4rk1/pp1bppbp/3p1np1/q7/3NP1PP/2N1BP2/PPPQ4/2KR1B1R b - - 0 14",  // storm table 2
      "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
      "4k3/8/8/8/8/8/8/R3K3 w - - 0 1",  // no pawns: the centre is e4
  };
  for (const char* fen : posiciones) {
    PosicionEval(fen, 30);
    std::fill(std::begin(Eval.PeonesEval), std::end(Eval.PeonesEval), EntradaPeonesEval{});
    const DesgloseEval limpia = Desglose(1);
    EntradaPeonesEval& h = Eval.PeonesEval[EstadoActual->ClavePeones & (ENTRADAS_PEONES_EVAL - 1)];
    // Another structure's entry: other pawns, every value wrong.
    EntradaPeonesEval otra = h;
    otra.Blancos ^= 0x00FF000000000000ULL;
    for (int16_t& c : otra.Casillas) c = 99;
    otra.Centro = 97;
    for (auto& lado : otra.Refugio)
      for (RefugioPeones& w : lado) w = {99, 99, 0x0F, 99};
    for (auto& lado : otra.ColumnasCentro)
      for (uint8_t& c : lado) c = 99;
    h = otra;
    const DesgloseEval d = Desglose(1);
    EXPECT_EQ(d.CasillasPeones, limpia.CasillasPeones) << fen;
    EXPECT_EQ(d.CentroPeones, limpia.CentroPeones) << fen;
    EXPECT_EQ(d.RefugioBlanco, limpia.RefugioBlanco) << fen;
    EXPECT_EQ(d.RefugioNegro, limpia.RefugioNegro) << fen;
    EXPECT_EQ(d.Total, limpia.Total) << fen;
    EXPECT_NE(h.Blancos, otra.Blancos) << fen;  // the slot now holds this structure
    EXPECT_EQ(Desglose(1).Total, limpia.Total) << fen;
  }
  EXPECT_EQ(Desglose(1).CentroPeones, CasillaTexto("e4"));
}

// The material memo answers only for the very counts and material sum it holds:
// entries that differ from the position's in any one of them are recomputed.
TEST(Evaluacion, MaterialMemoIsExact) {
  PosicionEval("r1b2rk1/2q2ppp/p2ppn2/1p6/3BPP2/2NB4/PPPQ2PP/2KR3R w - - 0 13", 30);
  std::fill(std::begin(Eval.MemoriaMaterial), std::end(Eval.MemoriaMaterial), EntradaMaterial{});
  const DesgloseEval limpia = Desglose(1);
  ASSERT_NE(limpia.ParejaAlfiles, 0);
  const auto it = std::find_if(std::begin(Eval.MemoriaMaterial), std::end(Eval.MemoriaMaterial),
                               [](const EntradaMaterial& m) { return m.Resto != 0; });
  ASSERT_NE(it, std::end(Eval.MemoriaMaterial));
  const EntradaMaterial buena = *it;
  for (int cambio = 0; cambio < 3; ++cambio) {
    EntradaMaterial otra = buena;
    otra.Material += 1000;
    otra.Pareja += 1000;
    if (cambio == 0) otra.Cuentas ^= 1;   // one white pawn more or less
    if (cambio == 1) otra.Resto ^= 0x100;  // one black queen more or less
    if (cambio == 2) otra.Base += 100;
    std::fill(std::begin(Eval.MemoriaMaterial), std::end(Eval.MemoriaMaterial), otra);
    const DesgloseEval d = Desglose(1);
    EXPECT_EQ(d.Material, limpia.Material) << cambio;
    EXPECT_EQ(d.ParejaAlfiles, limpia.ParejaAlfiles) << cambio;
    EXPECT_EQ(d.Total, limpia.Total) << cambio;
  }
}

// Mobility is counted a whole line at a time from gathered bytes; it must give
// what walking each ray square by square gives, for every square and for men
// anywhere, the board's edges and the diagonals' ends included.
TEST(Evaluacion, MobilityByLinesAsByRays) {
  auto caminar = [](int i, uint64_t ocupadas, uint64_t enemigas, bool diagonal) {
    const int pasos[2][4][2] = {{{-1, 0}, {1, 0}, {0, -1}, {0, 1}},
                                {{-1, -1}, {-1, 1}, {1, -1}, {1, 1}}};
    int m = 0;
    for (const auto& p : pasos[diagonal ? 1 : 0])
      for (int r = (i >> 3) + p[0], c = (i & 7) + p[1]; r >= 0 && r < 8 && c >= 0 && c < 8;
           r += p[0], c += p[1]) {
        const uint64_t b = Bit(r * 8 + c);
        if (ocupadas & b) {
          if (enemigas & b) m += 3;
          break;
        }
        ++m;
      }
    return m;
  };
  uint64_t x = 0x9E3779B97F4A7C15ULL;
  auto azar = [&x] {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    return x;
  };
  for (int vuelta = 0; vuelta < 400; ++vuelta) {
    // Sparse and crowded boards alike.
    uint64_t ocupadas = azar();
    if (vuelta % 3 == 0) ocupadas &= azar();
    if (vuelta % 3 == 1) ocupadas &= azar() & azar();
    const uint64_t enemigas = ocupadas & azar();
    for (int i = 0; i < 64; ++i) {
      const uint64_t con = (ocupadas | Bit(i)), enem = enemigas & ~Bit(i);
      ASSERT_EQ(MovilidadTorre(i, con, enem), caminar(i, con, enem, false)) << i << " " << vuelta;
      ASSERT_EQ(MovilidadAlfil(i, con, enem), caminar(i, con, enem, true)) << i << " " << vuelta;
    }
  }
  // Alone on an empty board: 14 for a rook anywhere, 7 to 13 for a bishop.
  EXPECT_EQ(MovilidadTorre(0, Bit(0), 0), 14);
  EXPECT_EQ(MovilidadAlfil(0, Bit(0), 0), 7);
  EXPECT_EQ(MovilidadAlfil(27, Bit(27), 0), 13);
}

TEST(Evaluacion, EvalDiagnostics) {
  const char* fen = "r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/2KR1B1R b - - 3 9";
  const std::string orden =
      std::string(ZELMOR_DIAG_BIN) + " eval --half-moves 30 --engine-colour white " + fen + " 2>&1";
  FILE* p = popen(orden.c_str(), "r");
  ASSERT_NE(p, nullptr);
  std::string salida, ultima;
  char linea[256];
  while (std::fgets(linea, sizeof linea, p)) {
    salida += linea;
    ultima = linea;
  }
  ASSERT_EQ(pclose(p), 0) << salida;
  PosicionEval(fen, 30, BLANCO);
  EXPECT_EQ(ultima, std::to_string(Evaluar()) + "\n");
  EXPECT_NE(salida.find("king safety"), std::string::npos);
  EXPECT_NE(salida.find("storm 2"), std::string::npos);

  const std::string mala = std::string(ZELMOR_DIAG_BIN) + " eval --engine-colour green 2>&1";
  p = popen(mala.c_str(), "r");
  ASSERT_NE(p, nullptr);
  while (std::fgets(linea, sizeof linea, p)) {
  }
  EXPECT_NE(pclose(p), 0);
}

}  // namespace
