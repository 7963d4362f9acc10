// FEN set-up: reasons for a refusal and their words, leniency, inferred and
// dropped rights, and refusal of positions the engine cannot hold safely (the
// previous position stays as it was).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "driver/driver.h"
#include "eval/eval.h"
#include "posicion_test_util.h"

namespace {

const char* const INICIAL = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Runs ColocarFEN and returns what it printed (set-up prints nothing: the
// driver words the reason).
std::string SalidaDe(const char* fen, int& resultado, MotivoFEN* motivo = nullptr) {
  testing::internal::CaptureStdout();
  resultado = ColocarFEN(fen, motivo);
  return testing::internal::GetCapturedStdout();
}

std::string Consola(const MotivoFEN& m) {
  char texto[128];
  MensajeErrorFEN(m, texto, sizeof texto);
  return texto;
}

std::string Razon(const MotivoFEN& m) {
  char texto[128];
  RazonFEN(m, texto, sizeof texto);
  return texto;
}

TEST(ColocarFEN, InitialPositionMatchesNuevaPartidaExceptCounters) {
  PrepararDiagnostico();
  ReiniciarPartida();
  int32_t tablero[120];
  std::memcpy(tablero, Tablero, sizeof tablero);
  const EstadoPly nueva = *EstadoActual;
  EXPECT_EQ(MediasJugadas, 0);
  EXPECT_EQ(Eval.ColorMotor, 0);

  ASSERT_EQ(PonerPosicion(INICIAL), 0);
  EXPECT_EQ(0, std::memcmp(tablero, Tablero, sizeof tablero));
  EXPECT_EQ(EstadoActual->Enroques, nueva.Enroques);
  EXPECT_EQ(EstadoActual->Material, 0);
  EXPECT_EQ(EstadoActual->MaterialTotal, nueva.MaterialTotal);
  EXPECT_EQ(EstadoActual->ClaveBaja, nueva.ClaveBaja);
  EXPECT_EQ(EstadoActual->ClaveAlta, nueva.ClaveAlta);
  EXPECT_EQ(EstadoActual->ClavePeones, nueva.ClavePeones);
  EXPECT_EQ(MediasJugadas, 50);
  EXPECT_EQ(Eval.ColorMotor, -1);
  EXPECT_EQ(EstadoActual->Desde, SIN_CASILLA);
  EXPECT_EQ(EstadoActual->Regla50, 0);
  EXPECT_EQ(EstadoActual->InicioRepeticion, EstadoActual);
  EXPECT_EQ(PosicionValida(), 1);
}

TEST(ColocarFEN, LenientSeparatorsSideLettersAndInferredRights) {
  PrepararDiagnostico();
  ASSERT_EQ(ColocarFEN(INICIAL), 0);
  const uint64_t clave = ClaveActual();
  // Ranks separated by spaces or semicolons, upper-case side letter, no clocks.
  ASSERT_EQ(ColocarFEN("rnbqkbnr pppppppp;8;8;8;8;PPPPPPPP RNBQKBNR W KQkq -"), 0);
  EXPECT_EQ(ClaveActual(), clave);
  // Text ending after the side letter: rights read from kings and rooks at home.
  ASSERT_EQ(ColocarFEN("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w"), 0);
  EXPECT_EQ(EstadoActual->Enroques, 15);
  ASSERT_EQ(ColocarFEN("r3k3/8/8/8/8/8/8/4K2R B"), 0);
  EXPECT_EQ(EstadoActual->Enroques, ENROQUE_BC | ENROQUE_NL);
  EXPECT_EQ(EstadoActual->Turno, NEGRO);
  // Castling letters running to the end of the text.
  ASSERT_EQ(ColocarFEN("r3k2r/8/8/8/8/8/8/R3K2R w Kq"), 0);
  EXPECT_EQ(EstadoActual->Enroques, ENROQUE_BC | ENROQUE_NL);
  EXPECT_EQ(EstadoActual->AlPaso, SIN_CASILLA);
}

TEST(ColocarFEN, EnPassantField) {
  PrepararDiagnostico();
  ASSERT_EQ(ColocarFEN("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1"), 0);
  EXPECT_EQ(EstadoActual->AlPaso, 84);
  const uint64_t conAlPaso = ClaveActual();
  ASSERT_EQ(ColocarFEN("rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq - 0 1"), 0);
  EXPECT_EQ(EstadoActual->AlPaso, SIN_CASILLA);
  EXPECT_NE(ClaveActual(), conAlPaso);
  // A square no pawn can just have passed is no en-passant square (a capture
  // there would remove a man that is not there): dropped, and said so.
  for (const char* fen : {"4k3/8/8/4P3/8/8/8/4K3 w - d6 0 1", "4k3/8/8/3pP3/8/8/8/4K3 w - d3 0 1",
                          "4k3/3p4/8/3pP3/8/8/8/4K3 w - d6 0 1"}) {
    MotivoFEN m;
    ASSERT_EQ(ColocarFEN(fen, &m), 0) << fen;
    EXPECT_EQ(EstadoActual->AlPaso, SIN_CASILLA) << fen;
    EXPECT_TRUE(m.alPasoDescartado) << fen;
    EXPECT_EQ(PosicionValida(), 1);
  }
  // A field that names no square at all is a mistyped FEN: refused.
  for (const char* fen :
       {"4k3/8/8/3pP3/8/8/8/4K3 w - d9 0 1", "4k3/8/8/3pP3/8/8/8/4K3 w - d0 0 1",
        "4k3/8/8/3pP3/8/8/8/4K3 w - d 0 1", "4k3/8/8/3pP3/8/8/8/4K3 w - d66 0 1"}) {
    MotivoFEN m;
    EXPECT_EQ(ColocarFEN(fen, &m), 1) << fen;
    EXPECT_EQ(m.falla, FallaFEN::AlPaso) << fen;
  }
  MotivoFEN m;
  ASSERT_EQ(ColocarFEN("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", &m), 0);
  EXPECT_EQ(EstadoActual->AlPaso, 0x23);
  EXPECT_FALSE(m.alPasoDescartado);
}

// Rights whose king or rook is not at home are dropped, the others kept; a
// field of other letters is refused.
TEST(ColocarFEN, CastlingRightsWithoutTheirMenAreDropped) {
  PrepararDiagnostico();
  const struct {
    const char* fen;
    int enroques, descartados;
  } casos[] = {
      {"4k3/8/8/8/8/8/8/4K3 w KQkq - 0 1", 0, 15},
      {"r3k2r/8/8/8/8/8/8/R3K3 w KQkq - 0 1", ENROQUE_BL | ENROQUE_NC | ENROQUE_NL, ENROQUE_BC},
      {"r3k2r/8/8/8/8/8/8/R4K1R w KQkq - 0 1", ENROQUE_NC | ENROQUE_NL, ENROQUE_BC | ENROQUE_BL},
      {"1r2k2r/8/8/8/8/8/8/R3K2R b Qq - 0 1", ENROQUE_BL, ENROQUE_NL},
      {"r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1", 15, 0},
  };
  for (const auto& c : casos) {
    MotivoFEN m;
    ASSERT_EQ(ColocarFEN(c.fen, &m), 0) << c.fen;
    EXPECT_EQ(EstadoActual->Enroques, c.enroques) << c.fen;
    EXPECT_EQ(m.enroquesDescartados, c.descartados) << c.fen;
    EXPECT_EQ(PosicionValida(), 1) << c.fen;
    // The key is that of the position with only the rights kept.
    const uint64_t clave = ClaveActual();
    char texto[128];
    EscribirFEN(EstadoActual->Turno, texto, sizeof texto);
    ASSERT_EQ(ColocarFEN(texto, &m), 0) << texto;
    EXPECT_EQ(ClaveActual(), clave) << texto;
    EXPECT_EQ(m.enroquesDescartados, 0) << texto;
  }
  for (const char* fen :
       {"r3k2r/8/8/8/8/8/8/R3K2R w KX - 0 1", "r3k2r/8/8/8/8/8/8/R3K2R w HAha - 0 1",
        "r3k2r/8/8/8/8/8/8/R3K2R w -K - 0 1"}) {
    MotivoFEN m;
    EXPECT_EQ(ColocarFEN(fen, &m), 1) << fen;
    EXPECT_EQ(m.falla, FallaFEN::Enroques) << fen;
  }
}

TEST(ColocarFEN, CheckIsKnownRightAfterSetUp) {
  PrepararDiagnostico();
  ASSERT_EQ(ColocarFEN("4k3/8/8/8/8/8/8/r3K3 w - - 0 1"), 0);
  EXPECT_EQ(EstadoActual->EnJaque, 1);
  ASSERT_EQ(ColocarFEN("4k3/8/8/8/8/8/8/r2NK3 w - - 0 1"), 0);
  EXPECT_EQ(EstadoActual->EnJaque, 0);
}

TEST(ColocarFEN, MessagesAndRefusalsKeepThePreviousGame) {
  PrepararDiagnostico();
  NuevaPartida();
  // A game two moves in: the refusals below must not disturb it.
  ASSERT_EQ(HacerJugadaPartida(BuscarJugada("e2e4")), 1);
  ASSERT_EQ(HacerJugadaPartida(BuscarJugada("e7e5")), 1);
  EstadoPly* const actual = EstadoActual;
  const uint64_t clave = ClaveActual();
  const int32_t medias = MediasJugadas;
  int32_t tablero[120];
  std::memcpy(tablero, Tablero, sizeof tablero);

  const std::string linea = "Error en FEN: l\xEDnea incorrecta";
  const std::string color = "Error en FEN: color en turno debe ser 'w' o 'b'";
  const std::string incompleta = "Error en FEN: cadena incompleta";
  // Each refusal with its reason, the console's message and the protocols' words.
  const struct {
    const char* fen;
    FallaFEN falla;
    std::string consola, razon;
  } casos[] = {
      {"8/8/8/8/8/8/8/8", FallaFEN::Turno, color, "the side to move must be w or b"},
      {"4k3/8/8/8/8/8/8/4K3 x", FallaFEN::Turno, color, "the side to move must be w or b"},
      {"4k3/8/8/8/8/8/8/4K3 white", FallaFEN::Turno, color, "the side to move must be w or b"},
      {"rnbqkbnr/pppppppp/8/8", FallaFEN::Incompleta, incompleta, "the text ends inside the board"},
      {"", FallaFEN::Incompleta, incompleta, "the text ends inside the board"},
      {"rnbqkbnr/ppppxppp/8/8/8/8/PPPPPPPP/RNBQKBNR w", FallaFEN::Caracter, linea,
       "'x' is not a piece letter (rank 7)"},
      {"rnbqkbnr/pppp\x01ppp/8/8/8/8/PPPPPPPP/RNBQKBNR w", FallaFEN::Caracter, linea,
       "byte 0x01 is not a piece letter (rank 7)"},
      {"rnbqkbnr/pppppppp/0/8/8/8/PPPPPPPP/RNBQKBNR w", FallaFEN::Caracter, linea,
       "'0' is not a piece letter (rank 6)"},
      // A rank of nine squares is a rank fault, wherever it stands.
      {"rnbqkbnrr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", FallaFEN::FilaLarga, linea,
       "rank 8 has more than eight squares"},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNRR w KQkq - 0 1", FallaFEN::FilaLarga, linea,
       "rank 1 has more than eight squares"},
      {"4k3/9p/8/8/8/8/8/4K3 w - - 0 1", FallaFEN::FilaLarga, linea,
       "rank 7 has more than eight squares"},
      {"4k3/8/8/4p4/8/8/8/4K3 w - - 0 1", FallaFEN::FilaLarga, linea,
       "rank 5 has more than eight squares"},
      {"rnbqkbnr/ppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1", FallaFEN::FilaCorta, linea,
       "rank 7 has fewer than eight squares"},
      {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBN w KQkq - 0 1", FallaFEN::FilaCorta, linea,
       "rank 1 has fewer than eight squares"},
      {"4k3/8//8/8/8/8/4K3 w - - 0 1", FallaFEN::FilaCorta, linea,
       "rank 6 has fewer than eight squares"},
      {"8/8/8/8 w", FallaFEN::PocasFilas, linea, "the board has 4 ranks, not eight"},
      {"4k3/8/8/8/8/8/8/4K3/8 w - - 0 1", FallaFEN::MuchasFilas, linea,
       "the board has more than eight ranks"},
      {"4k3/8/8/8/8/8/8/4K3 w KQx - 0 1", FallaFEN::Enroques,
       "Error en FEN: enroques incorrectos (- o letras KQkq)",
       "the castling field must be - or letters KQkq"},
      {"4k3/8/8/8/8/8/8/4K3 w - x3 0 1", FallaFEN::AlPaso,
       "Error en FEN: casilla al paso incorrecta (- o una casilla)",
       "the en-passant field must be - or a square"},
      {"8/8/8/8/8/8/8/8 w", FallaFEN::SinRey, "Error en FEN: falta el rey blanco", "no white king"},
      {"4k3/8/8/8/8/8/8/8 w - - 0 1", FallaFEN::SinRey, "Error en FEN: falta el rey blanco",
       "no white king"},
      {"8/8/8/8/8/8/8/4K3 b - - 0 1", FallaFEN::SinRey, "Error en FEN: falta el rey negro",
       "no black king"},
      // Text faults come first: this one also lacks its side letter.
      {"P3k3/8/8/8/8/8/8/4K3", FallaFEN::Turno, color, "the side to move must be w or b"},
      {"4k3/8/8/8/8/8/8/3KK3 w - - 0 1", FallaFEN::VariosReyes,
       "Error en FEN: m\xE1s de un rey blanco", "more than one white king"},
      {"4kk2/8/8/8/8/8/8/4K3 w - - 0 1", FallaFEN::VariosReyes,
       "Error en FEN: m\xE1s de un rey negro", "more than one black king"},
      {"P3k3/8/8/8/8/8/8/4K3 w - - 0 1", FallaFEN::PeonEnBorde,
       "Error en FEN: pe\xF3n en a8, en la primera o la \xFAltima fila",
       "a pawn on a8, on the first or last rank"},
      {"4k3/8/8/8/8/8/8/p3K3 b - - 0 1", FallaFEN::PeonEnBorde,
       "Error en FEN: pe\xF3n en a1, en la primera o la \xFAltima fila",
       "a pawn on a1, on the first or last rank"},
      {"4k3/8/8/8/8/8/8/r3K3 b - - 0 1", FallaFEN::JaqueSinTurno,
       "Error en FEN: el rey blanco est\xE1 en jaque y mueven las negras",
       "white is in check with black to move"},
      {"4k3/8/8/8/4Q3/8/8/3K4 w - - 0 1", FallaFEN::JaqueSinTurno,
       "Error en FEN: el rey negro est\xE1 en jaque y mueven las blancas",
       "black is in check with white to move"},
      {"8/8/8/8/8/8/8/3Kk3 w - - 0 1", FallaFEN::JaqueSinTurno,
       "Error en FEN: el rey negro est\xE1 en jaque y mueven las blancas",
       "black is in check with white to move"},
      // 18 white men, 17 black ones: more than the piece lists hold.
      {"4k3/NNNNNNNN/NNNNNNNN/1N6/8/8/8/4K3 w - - 0 1", FallaFEN::DemasiadasPiezas,
       "Error en FEN: m\xE1s de diecis\xE9is piezas blancas", "more than sixteen white men"},
      {"k1bbb3/pppppppp/qqqqqq2/8/8/8/8/7K w - - 0 1", FallaFEN::DemasiadasPiezas,
       "Error en FEN: m\xE1s de diecis\xE9is piezas negras", "more than sixteen black men"},
  };
  for (const auto& c : casos) {
    int r = 0;
    MotivoFEN m;
    EXPECT_EQ(SalidaDe(c.fen, r, &m), "") << c.fen;
    EXPECT_EQ(r, 1) << c.fen;
    EXPECT_EQ(m.falla, c.falla) << c.fen;
    EXPECT_EQ(Consola(m), c.consola) << c.fen;
    EXPECT_EQ(Razon(m), c.razon) << c.fen;
    EXPECT_EQ(EstadoActual, actual);
    EXPECT_EQ(ClaveActual(), clave);
    EXPECT_EQ(MediasJugadas, medias);
    EXPECT_EQ(0, std::memcmp(tablero, Tablero, sizeof tablero));
    EXPECT_EQ(PosicionValida(), 1);
    // Without a record to fill the refusal is the same.
    EXPECT_EQ(ColocarFEN(c.fen), 1) << c.fen;
    EXPECT_EQ(ClaveActual(), clave);
  }
  // The game goes on, and can still be taken back to its start.
  DeshacerJugadaPartida();
  DeshacerJugadaPartida();
  EXPECT_EQ(EstadoActual, Historia);
  EXPECT_EQ(PosicionValida(), 1);
  // Sixteen men a side is still a position, even more of a kind than a game
  // could give (nine pawns too); so are nine queens, with a pawn too, and
  // queens that do not reach the enemy king.
  for (const char* fen :
       {"4k3/NNNNNNNN/NNNNNNN1/8/8/8/8/4K3 b - - 0 1",
        "4k3/8/8/8/8/RRBBNN2/QQQQQQQQ/Q3K3 b - - 0 1", "k7/8/8/8/8/8/1QQQQQQQ/K1QQ4 b - - 0 1",
        "k7/8/8/8/8/P7/1QQQQQQQ/K1QQ4 b - - 0 1", "4k3/8/PPPPPPPP/P7/8/8/8/4K3 w - - 0 1",
        "4k3/8/8/8/8/8/8/4KQ2 w - - 0 1", "4k3/8/8/8/8/8/8/3K1Q2 w - - 0 1"}) {
    int r = 1;
    MotivoFEN m;
    EXPECT_EQ(SalidaDe(fen, r, &m), "") << fen;
    EXPECT_EQ(r, 0) << fen << ": " << Razon(m);
    EXPECT_EQ(PosicionValida(), 1) << fen;
  }
}

}  // namespace

// The position written back as FEN sets up the same position (same key, side,
// rights and en-passant square), for each side to move.
TEST(EscribirFEN, RoundTripsThroughColocarFEN) {
  for (const char* fen : {"rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                          "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w Kq - 0 1",
                          "rnbqkbnr/ppp1p1pp/8/3pPp2/8/8/PPPP1PPP/RNBQKBNR w KQkq f6 0 3",
                          "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 b - - 0 1"}) {
    Posicionar(fen);
    const uint64_t clave = ClaveActual();
    const int turno = EstadoActual->Turno, enroques = EstadoActual->Enroques;
    const int alPaso = EstadoActual->AlPaso;
    char texto[128];
    EscribirFEN(turno, texto, sizeof texto);
    ASSERT_EQ(ColocarFEN(texto), 0) << texto;
    EXPECT_EQ(ClaveActual(), clave) << fen << " -> " << texto;
    EXPECT_EQ(EstadoActual->Enroques, enroques) << texto;
    EXPECT_EQ(EstadoActual->AlPaso, alPaso) << texto;
    // The other side to move: no en-passant square, the same board.
    EscribirFEN(1 - turno, texto, sizeof texto);
    ASSERT_EQ(ColocarFEN(texto), 0) << texto;
    EXPECT_EQ(EstadoActual->Turno, 1 - turno);
    EXPECT_EQ(EstadoActual->AlPaso, SIN_CASILLA);
  }
  char texto[128];
  Posicionar("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  EscribirFEN(BLANCO, texto, sizeof texto);
  EXPECT_STREQ(texto, "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
}
