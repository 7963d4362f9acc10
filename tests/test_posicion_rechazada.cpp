// Positions the engine refuses, over the protocols, in both builds: each is told
// with its reason, and after it no command thinks or answers from the position
// the engine kept; the positions it takes after dropping a right or an
// en-passant square are played from as they should be, with legal moves only.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "driver/driver.h"
#include "posicion_test_util.h"
#include "tests/test_driver_proceso.h"

using prueba::DirectorioTemporal;
using prueba::Ejecutar;
using prueba::Motor;
using prueba::SalioBien;

namespace {

const char* const INICIAL = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

struct Caso {
  const char* que;
  const char* fen;
  const char* razon;     // the tellusererror reason, or nullptr when the FEN is taken
  const char* efectiva;  // the position the engine must then hold
};

const Caso CASOS[] = {
    {"no king", "8/8/8/8/8/8/8/4K3 w - - 0 1", "no black king", nullptr},
    {"two kings", "4k3/8/8/8/8/8/8/3KK3 w - - 0 1", "more than one white king", nullptr},
    {"seventeen men", "4k3/8/8/8/QQQQQQQQ/QQQQQQQQ/8/K7 w - - 0 1", "more than sixteen white men",
     nullptr},
    {"nine queens, every pawn promoted", "7k/8/8/8/8/8/Q1QQQQQ1/KQQQ4 w - - 0 1", nullptr,
     "7k/8/8/8/8/8/Q1QQQQQ1/KQQQ4 w - - 0 1"},
    {"side not to move in check", "4k3/8/8/8/4Q3/8/8/3K4 w - - 0 1",
     "black is in check with white to move", nullptr},
    {"castling rights without the rook", "4k3/8/8/8/8/8/8/4K2R w KQkq - 0 1", nullptr,
     "4k3/8/8/8/8/8/8/4K2R w K - 0 1"},
    {"impossible en-passant square", "4k3/8/8/4P3/8/8/8/4K3 w - d6 0 1", nullptr,
     "4k3/8/8/4P3/8/8/8/4K3 w - - 0 1"},
    {"pawn on the last rank", "P3k3/8/8/8/8/8/8/4K3 w - - 0 1",
     "a pawn on a8, on the first or last rank", nullptr},
    {"pawn on the first rank", "4k3/8/8/8/8/8/8/p3K3 b - - 0 1",
     "a pawn on a1, on the first or last rank", nullptr},
    {"nine-square rank", "rnbqkbnrr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
     "rank 8 has more than eight squares", nullptr},
    {"bad side letter", "4k3/8/8/8/8/8/8/4K3 x - - 0 1", "the side to move must be w or b",
     nullptr},
};

struct Programa {
  const char* binario;
  const char* nombre;
};
const Programa PROGRAMAS[] = {{ZELMOR070_BIN, "Zelmor v0.70 QRT6"},
                              {ZELMOR052_BIN, "Zelmor v0.52"}};

// The moves of the "move X" lines of an xboard transcript.
std::vector<std::string> Jugadas(const std::string& salida) {
  std::vector<std::string> r;
  for (size_t p = salida.find("move "); p != std::string::npos; p = salida.find("move ", p + 1)) {
    if (p != 0 && salida[p - 1] != '\n') continue;
    const size_t fin = salida.find('\n', p);
    r.push_back(salida.substr(p + 5, fin - p - 5));
  }
  return r;
}

// True when `jugada` is a legal move of `fen` (set up in this process).
bool EsLegal(const char* fen, const std::string& jugada) {
  Posicionar(fen);
  for (Jugada j : JugadasLegales())
    if (TextoJugada(j) == jugada) return true;
  return false;
}

// What the engine printed from the first line after the feature line up to and
// including `hasta`.
std::string Tramo(const std::string& salida, const std::string& hasta) {
  const size_t inicio = salida.find("done=1\n");
  const size_t fin = salida.find(hasta);
  if (inicio == std::string::npos || fin == std::string::npos || fin < inicio) return salida;
  return salida.substr(inicio + 7, fin + hasta.size() - inicio - 7);
}

}  // namespace

TEST(PosicionRechazada, SetboardTellsWhyAndNothingPlaysFromTheOldPosition) {
  for (const Programa& programa : PROGRAMAS) {
    for (const Caso& c : CASOS) {
      SCOPED_TRACE(std::string(programa.nombre) + ", " + c.que + ": " + c.fen);
      DirectorioTemporal dir;
      // A game under way (so an old position exists), then the position, then
      // everything that would think or answer from it; then a new game.
      const std::string entrada = std::string("xboard\nprotover 2\nnew\nforce\npost\nsd 2\n") +
                                  "usermove e2e4\nsetboard " + c.fen +
                                  "\nbk\nhint\nanalyze\nping 1\nexit\nping 2\ngo\nping 3\n"
                                  "new\nforce\ngo\nping 4\nquit\n";
      auto r = Ejecutar(programa.binario, entrada, dir.Ruta());
      EXPECT_TRUE(SalioBien(r.estado));
      ASSERT_NE(r.salida.find("\npong 4\n"), std::string::npos) << r.salida;
      EXPECT_EQ(r.salida.find("Illegal move"), std::string::npos) << r.salida;
      const std::string tramo = Tramo(r.salida, "\npong 3\n");
      const std::vector<std::string> jugadas = Jugadas(tramo);
      if (c.razon != nullptr) {
        // Refused: told, and each command that would think is refused in turn.
        EXPECT_EQ(tramo, std::string("tellusererror Illegal position: ") + c.razon +
                             "\nError (no position set): bk\n"
                             "Error (no position set): analyze\n\npong 1\n\npong 2\n"
                             "Error (no position set): go\n\npong 3\n");
      } else {
        // Taken: no complaint, and the move played is legal where it should be.
        EXPECT_EQ(tramo.find("tellusererror"), std::string::npos) << tramo;
        EXPECT_EQ(tramo.find("Error"), std::string::npos) << tramo;
        ASSERT_EQ(jugadas.size(), 1u) << tramo;
        EXPECT_TRUE(EsLegal(c.efectiva, jugadas[0])) << jugadas[0];
      }
      // After "new" the engine plays again, from the initial position.
      const std::vector<std::string> despues =
          Jugadas(r.salida.substr(r.salida.find("\npong 3\n")));
      ASSERT_EQ(despues.size(), 1u) << r.salida;
      EXPECT_TRUE(EsLegal(INICIAL, despues[0])) << despues[0];
    }
  }
}

// A refused position during analysis stops it: the loop waits for a position
// (a move is refused meanwhile), and analyses the next good one.
TEST(PosicionRechazada, AnalysisWaitsForAPosition) {
  for (const Programa& programa : PROGRAMAS) {
    SCOPED_TRACE(programa.nombre);
    DirectorioTemporal dir;
    Motor m(programa.binario, {}, dir.Ruta());
    m.Escribir(
        "xboard\nprotover 2\nnew\npost\nsd 2\nanalyze\nping 1\n"
        "setboard 4k3/8/8/8/8/8/8/4K3 w KQkq e9 0 1\nping 2\nusermove e1e2\n"
        "undo\nbk\nping 3\n");
    ASSERT_TRUE(m.Esperar("\npong 3\n")) << m.Salida();
    const std::string salida = m.Salida();
    const size_t rechazo = salida.find("tellusererror");
    ASSERT_NE(rechazo, std::string::npos) << salida;
    // Nothing but the refusals between the bad position and the last ping.
    EXPECT_EQ(salida.substr(rechazo),
              "tellusererror Illegal position: the en-passant field must be - or a square\n"
              "\npong 2\nIllegal move (no position set): e1e2\n"
              "Error (no position set): bk\n\npong 3\n");
    // The good one is analysed (to depth 2, then the analysis waits).
    m.Escribir("setboard 4k3/8/8/8/8/8/8/R3K3 w Q - 0 1\n");
    bool pensado = false;
    for (int i = 0; i < 100 && !pensado; ++i) {
      m.Esperar("\x01", 100);
      pensado = m.Salida().find("\n2 ", salida.size()) != std::string::npos;
    }
    EXPECT_TRUE(pensado) << m.Salida();
    m.Escribir("exit\nquit\n");
    EXPECT_TRUE(SalioBien(m.Terminar()));
  }
}

// The console's FEN command tells the reason in Spanish; go and ze_Eval are
// refused until a position is set.
TEST(PosicionRechazada, ConsoleFenAndGo) {
  for (const Programa& programa : PROGRAMAS) {
    SCOPED_TRACE(programa.nombre);
    DirectorioTemporal dir;
    auto r = Ejecutar(programa.binario,
                      "FEN 8/8/8/8/8/8/8/4K3 w\ngo\nze_Eval\n"
                      "FEN 4k3/8/8/8/8/8/8/4K3 w KQkq - 0 1 x\nze_Eval\n"
                      "FEN rnbqkbnrr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w\nquit\n",
                      dir.Ruta());
    EXPECT_TRUE(SalioBien(r.estado));
    const std::string esperado =
        "feature done=0\nError en FEN: falta el rey negro\nError (no position set): go\n"
        "Error (no position set): ze_Eval\nStatic eval: 0\nError en FEN: l\xEDnea incorrecta\n";
    EXPECT_EQ(r.salida.substr(0, esperado.size()), esperado) << r.salida;
  }
}

// UCI: the reason in an info string, and every go answered with the null move
// (the GUI waits for one) until a position is set; "infinite" waits for stop.
TEST(PosicionRechazada, UciAnswersTheNullMoveUntilAPositionIsSet) {
  for (const Programa& programa : PROGRAMAS) {
    SCOPED_TRACE(programa.nombre);
    DirectorioTemporal dir;
    auto r = Ejecutar(programa.binario,
                      "uci\nposition startpos moves e2e4\n"
                      "position fen 4k3/8/8/8/8/8/8/r3K3 b - - 0 1 moves e8d8\ngo depth 2\n"
                      "go infinite\nisready\nstop\nposition startpos moves d2d4\ngo depth 1\n"
                      "quit\n",
                      dir.Ruta());
    EXPECT_TRUE(SalioBien(r.estado));
    EXPECT_NE(r.salida.find("info string bad FEN (white is in check with black to move), no "
                            "position set: 4k3/8/8/8/8/8/8/r3K3 b - - 0 1\n"),
              std::string::npos)
        << r.salida;
    const std::string nulas =
        "info string no position set: no move\nbestmove 0000\n"
        "info string no position set: no move\nreadyok\nbestmove 0000\n";
    const size_t p = r.salida.find(nulas);
    ASSERT_NE(p, std::string::npos) << r.salida;
    // Then a real move, Black's after 1. d4.
    const size_t m = r.salida.find("bestmove ", p + nulas.size());
    ASSERT_NE(m, std::string::npos) << r.salida;
    const std::string jugada = r.salida.substr(m + 9, 4);
    EXPECT_TRUE(EsLegal("rnbqkbnr/pppppppp/8/8/3P4/8/PPP1PPPP/RNBQKBNR b KQkq - 0 1", jugada))
        << jugada;
  }
}
