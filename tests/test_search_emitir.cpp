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
  Busqueda.InformadorBusqueda = &INFORMADOR_XBOARD;  // these tests read what xboard is told
  EXPECT_EQ(ColocarFEN(fen), 0) << fen;
  Eval.ColorMotor = EstadoActual->Turno;
  Busqueda.VariantePrincipal[0][0].Jugada = jugada;
  Busqueda.VariantePrincipal[0][1].Jugada = 0;
  Busqueda.ValorRaiz() = valor;
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
  Busqueda.InformadorBusqueda = &INFORMADOR_XBOARD;  // these tests read what xboard is told
  ASSERT_EQ(ColocarFEN("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3"), 0);
  Eval.ColorMotor = -1;
  Busqueda.VariantePrincipal[0][0].Jugada = 0;
  Busqueda.ValorRaiz() = -100000;
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
  Busqueda.InformadorBusqueda = &INFORMADOR_XBOARD;  // these tests read what xboard is told
  ReiniciarPartida();
  for (const char* m : {"g1f3", "g8f6", "f3g1", "f6g8", "g1f3", "g8f6", "f3g1"})
    ASSERT_EQ(HacerJugada(J(m)), 1) << m;
  Eval.ColorMotor = NEGRO;
  Busqueda.VariantePrincipal[0][0].Jugada = J("f6g8");
  Busqueda.ValorRaiz() = 0;
  testing::internal::CaptureStdout();
  EmitirJugada();
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "\nmove f6g8\n\n1/2-1/2 {Tercera repeticion}\n\n");
  ReiniciarPartida();
}

namespace {

// From `fen`, plays the first `antes` moves of `jugadas` and `ciclo` repeated,
// then emits the next move of the cycle as the engine's; returns what was printed.
std::string EmitirTrasCiclo(const char* fen, std::initializer_list<const char*> jugadas,
                            const char* const (&ciclo)[4], int antes) {
  PrepararBusquedaDiagnostico();
  Busqueda.InformadorBusqueda = &INFORMADOR_XBOARD;  // these tests read what xboard is told
  EXPECT_EQ(ColocarFEN(fen), 0) << fen;
  for (const char* m : jugadas) EXPECT_EQ(HacerJugadaPartida(J(m)), 1) << m;
  for (int i = 0; i < antes; ++i) EXPECT_EQ(HacerJugadaPartida(J(ciclo[i % 4])), 1) << i;
  Eval.ColorMotor = EstadoActual->Turno;
  Busqueda.VariantePrincipal[0][0].Jugada = J(ciclo[antes % 4]);
  Busqueda.VariantePrincipal[0][1].Jugada = 0;
  Busqueda.ValorRaiz() = 0;
  testing::internal::CaptureStdout();
  EmitirJugada();
  return testing::internal::GetCapturedStdout();
}

}  // namespace

// The claim comes with the hundredth reversible ply and not one ply earlier,
// counted from set-up or from the last capture (which itself is not counted).
TEST(Emitir, FiftyMoveClaimAfterExactlyAHundredPlies) {
  const std::string cincuenta = "1/2-1/2 {Regla de las 50 jugadas}";
  const char* const desdeInicio[4] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  const char* inicio = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
  std::string s = EmitirTrasCiclo(inicio, {}, desdeInicio, 98);  // the 99th ply
  EXPECT_EQ(s.find(cincuenta), std::string::npos) << s;
  EXPECT_NE(s.find("\nmove "), std::string::npos) << s;
  s = EmitirTrasCiclo(inicio, {}, desdeInicio, 99);  // the 100th
  EXPECT_EQ(s, "\nmove f6g8\n\n" + cincuenta + "\n\n");

  // The white knight takes on f3; then 99 quiet plies are one short, as in the
  // endgame where the claim came a ply early.
  const char* captura = "k5n1/8/8/8/8/5n2/8/K5N1 w - - 0 1";
  const char* const trasCaptura[4] = {"g8f6", "f3g1", "f6g8", "g1f3"};
  s = EmitirTrasCiclo(captura, {"g1f3"}, trasCaptura, 98);
  EXPECT_EQ(s.find(cincuenta), std::string::npos) << s;
  EXPECT_EQ(EstadoActual->Regla50, 100);  // the counter itself is as it was
  s = EmitirTrasCiclo(captura, {"g1f3"}, trasCaptura, 99);
  EXPECT_EQ(s, "\nmove g1f3\n\n" + cincuenta + "\n\n");

  // A pawn move restarts the count as a capture does.
  const char* peon = "k5n1/p7/8/8/8/8/8/K5N1 b - - 0 1";
  s = EmitirTrasCiclo(peon, {"a7a6", "g1f3"}, trasCaptura, 97);
  EXPECT_EQ(s.find(cincuenta), std::string::npos) << s;
  s = EmitirTrasCiclo(peon, {"a7a6", "g1f3"}, trasCaptura, 98);
  EXPECT_NE(s.find(cincuenta), std::string::npos) << s;
  ReiniciarPartida();
}
