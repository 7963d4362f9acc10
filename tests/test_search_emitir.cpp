// Move emission and game-end announcements after a search.
#include <gtest/gtest.h>

#include <string>

#include "core/core.h"
#include "diag/diag.h"
#include "driver/driver.h"
#include "eval/eval.h"
#include "search/search.h"

namespace {

int Casilla(const char* t) { return (t[0] - 'a') + 16 * (8 - (t[1] - '0')); }
Jugada J(const char* t) { return CrearJugada(Casilla(t), Casilla(t + 2)); }

// Sets the position, puts `jugada` and `valor` in row 0 and emits; returns what
// was printed.
std::string Emitir(const char* fen, Jugada jugada, int32_t valor) {
  PrepararBusquedaDiagnostico();
  EXPECT_EQ(ColocarFEN(fen), 0) << fen;
  ColorMotor = EstadoActual->Turno;
  VariantePrincipal[0][0].Jugada = jugada;
  VariantePrincipal[0][1].Jugada = 0;
  ValorRaiz = valor;
  testing::internal::CaptureStdout();
  EmitirJugada();
  return testing::internal::GetCapturedStdout();
}

}  // namespace

TEST(Emitir, DeadDrawOnlyWithoutMatingMaterial) {
  // King and knight against king: announced, no move.
  std::string s = Emitir("4k3/8/8/8/8/8/8/4KN2 w - - 0 1", J("f1e3"), 0);
  EXPECT_EQ(s, "\n1/2-1/2 {Insuficiente material}\n");
  // Two knights can still mate: the engine plays on.
  s = Emitir("4k3/8/8/8/8/8/8/3NKN2 w - - 0 1", J("f1e3"), 0);
  EXPECT_EQ(s.rfind("\nmove f1e3\n", 0), 0u) << s;
  EXPECT_EQ(s.find("Insuficiente"), std::string::npos);
  // A knight each, or bishops: sufficient.
  s = Emitir("4kn2/8/8/8/8/8/8/4KN2 w - - 0 1", J("f1e3"), 0);
  EXPECT_NE(s.find("move f1e3"), std::string::npos);
  ReiniciarPartida();
}

TEST(Emitir, MateAndStalemateWithoutAMove) {
  std::string s =
      Emitir("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3", 0, -100000);
  EXPECT_EQ(s, "\n0-1 {Jaque Mate}\n");
  s = Emitir("8/8/8/8/8/6k1/6p1/6K1 w - - 0 1", 0, 0);
  EXPECT_EQ(s, "\n1/2-1/2 {Ahogado}\n");
  // The engine playing no side (a fixed-depth search after a FEN): the mated
  // side is still the one to move.
  PrepararBusquedaDiagnostico();
  ASSERT_EQ(ColocarFEN("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3"), 0);
  ColorMotor = -1;
  VariantePrincipal[0][0].Jugada = 0;
  ValorRaiz = -100000;
  testing::internal::CaptureStdout();
  EmitirJugada();
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\n0-1 {Jaque Mate}\n");
  ReiniciarPartida();
}

TEST(Emitir, MatingMoveIsSentAndTheBoardKept) {
  const std::string s = Emitir("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", J("d1d8"), 100000);
  EXPECT_EQ(s, "\nmove d1d8\n\n1-0 {Jaque Mate}\n");
  EXPECT_EQ(Tablero[Casilla("d1")], TORRE);
  EXPECT_EQ(EstadoActual, Historia);
  // A mate score whose move does not mate: the move is simply played.
  const std::string t = Emitir("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", J("d1d7"), 100000);
  EXPECT_EQ(t, "\nmove d1d7\n\n");
  EXPECT_EQ(Tablero[Casilla("d7")], TORRE);
  ReiniciarPartida();
}

TEST(Emitir, FiftyMovesAndThreefoldRepetition) {
  PrepararBusquedaDiagnostico();
  ReiniciarPartida();
  for (const char* m : {"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1"})
    ASSERT_EQ(HacerJugada(J(m)), 1) << m;
  ColorMotor = NEGRO;
  VariantePrincipal[0][0].Jugada = J("f6g8");
  ValorRaiz = 0;
  testing::internal::CaptureStdout();
  EmitirJugada();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\nmove f6g8\n\n1/2-1/2 {Tercera repeticion}\n\n");
  // The fifty-move line wins over the repetition line.
  ReiniciarPartida();
  for (const char* m : {"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1"})
    ASSERT_EQ(HacerJugada(J(m)), 1) << m;
  EstadoActual->Regla50 = 99;
  VariantePrincipal[0][0].Jugada = J("f6g8");
  testing::internal::CaptureStdout();
  EmitirJugada();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\nmove f6g8\n\n1/2-1/2 {Regla de las 50 jugadas}\n\n");
  ReiniciarPartida();
}
