// FEN set-up: messages, leniency, inferred rights, and refusal of positions the
// engine cannot hold safely (the previous position stays as it was).
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "driver/driver.h"
#include "eval/eval.h"
#include "posicion_test_util.h"

namespace {

const char* const INICIAL = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

// Runs ColocarFEN and returns what it printed.
std::string SalidaDe(const char* fen, int& resultado) {
  testing::internal::CaptureStdout();
  resultado = ColocarFEN(fen);
  return testing::internal::GetCapturedStdout();
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
  // A digit off the board, or a square no pawn can just have passed, is no
  // en-passant square (a capture there would remove a man that is not there).
  for (const char* fen : {"4k3/8/8/3pP3/8/8/8/4K3 w - d9 0 1", "4k3/8/8/3pP3/8/8/8/4K3 w - d0 0 1",
                          "4k3/8/8/4P3/8/8/8/4K3 w - d6 0 1", "4k3/8/8/3pP3/8/8/8/4K3 w - d3 0 1",
                          "4k3/3p4/8/3pP3/8/8/8/4K3 w - d6 0 1"}) {
    ASSERT_EQ(ColocarFEN(fen), 0) << fen;
    EXPECT_EQ(EstadoActual->AlPaso, SIN_CASILLA) << fen;
    EXPECT_EQ(PosicionValida(), 1);
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

  const std::string linea = "Error en FEN: l\xEDnea incorrecta\n";
  const struct {
    const char* fen;
    std::string mensaje;
  } casos[] = {
      {"8/8/8/8/8/8/8/8", "Error en FEN: color en turno debe ser 'w' o 'b'\n"},
      {"4k3/8/8/8/8/8/8/4K3 x", "Error en FEN: color en turno debe ser 'w' o 'b'\n"},
      {"rnbqkbnr/pppppppp/8/8", "Error en FEN: cadena incompleta\n"},
      {"", "Error en FEN: cadena incompleta\n"},
      {"rnbqkbnr/ppppxppp/8/8/8/8/PPPPPPPP/RNBQKBNR w", linea},
      {"8/8/8/8/8/8/8/8 w", linea},  // no kings
      {"P3k3/8/8/8/8/8/8/4K3", "Error en FEN: color en turno debe ser 'w' o 'b'\n"},
      {"4k3/8/8/8/8/8/8/3KK3 w - - 0 1", linea},                 // two white kings
      {"4k3/8/8/8/8/8/8/8 w - - 0 1", linea},                    // no white king
      {"P3k3/8/8/8/8/8/8/4K3 w - - 0 1", linea},                 // pawn on the last rank
      {"4k3/8/8/8/8/8/8/p3K3 b - - 0 1", linea},                 // pawn on the first rank
      {"4k3/8/8/8/8/8/8/r3K3 b - - 0 1", linea},                 // side not to move in check
      {"4k3/9p/8/8/8/8/8/4K3 w - - 0 1", linea},                 // man beyond the h-file
      {"4k3/NNNNNNNN/NNNNNNNN/1N6/8/8/8/4K3 w - - 0 1", linea},  // 18 white men
  };
  for (const auto& c : casos) {
    int r = 0;
    EXPECT_EQ(SalidaDe(c.fen, r), c.mensaje) << c.fen;
    EXPECT_EQ(r, 1) << c.fen;
    EXPECT_EQ(EstadoActual, actual);
    EXPECT_EQ(ClaveActual(), clave);
    EXPECT_EQ(MediasJugadas, medias);
    EXPECT_EQ(0, std::memcmp(tablero, Tablero, sizeof tablero));
    EXPECT_EQ(PosicionValida(), 1);
  }
  // The game goes on, and can still be taken back to its start.
  DeshacerJugadaPartida();
  DeshacerJugadaPartida();
  EXPECT_EQ(EstadoActual, Historia);
  EXPECT_EQ(PosicionValida(), 1);
  // Sixteen men a side is still a position.
  int r = 0;
  EXPECT_EQ(SalidaDe("4k3/NNNNNNNN/NNNNNNN1/8/8/8/8/4K3 b - - 0 1", r), "");
  EXPECT_EQ(r, 0);
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
