// Move notation in-process: square names, parsing with its diagnostics, the
// plausibility filter and the printing of a line.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>

#include "driver/driver.h"
#include "movegen/movegen.h"
#include "search/search.h"

namespace {

class Notacion : public ::testing::Test {
 protected:
  void SetUp() override { ReiniciarPartida(); }
  void TearDown() override { CerrarLog(); }

  void Fen(const char* fen) { ASSERT_EQ(ColocarFEN(fen), 0) << fen; }

  // The log goes to a temporary file whose text the test can read.
  void CapturarLog() {
    FicheroLog = std::tmpfile();
    ASSERT_NE(FicheroLog, nullptr);
  }
  std::string TextoLog() {
    std::fflush(FicheroLog);
    std::rewind(FicheroLog);
    std::string texto;
    int c;
    while ((c = std::fgetc(FicheroLog)) != EOF) texto += static_cast<char>(c);
    std::fseek(FicheroLog, 0, SEEK_END);
    return texto;
  }
};

// Standard output of a piece of code, through a temporary file on descriptor 1.
template <typename F>
std::string SalidaDe(F&& f) {
  std::fflush(stdout);
  FILE* tmp = std::tmpfile();
  int copia = dup(1);
  dup2(fileno(tmp), 1);
  f();
  std::fflush(stdout);
  dup2(copia, 1);
  close(copia);
  std::rewind(tmp);
  std::string texto;
  int c;
  while ((c = std::fgetc(tmp)) != EOF) texto += static_cast<char>(c);
  std::fclose(tmp);
  return texto;
}

}  // namespace

TEST_F(Notacion, SquareNamesAndPromotionLetters) {
  EXPECT_STREQ(NombreCasilla[A8], "a8");
  EXPECT_STREQ(NombreCasilla[H1], "h1");
  EXPECT_STREQ(NombreCasilla[0x44], "e4");
  for (int c = 0; c < 128; ++c) {
    if (!EnTablero(c)) {
      EXPECT_STREQ(NombreCasilla[c], "x") << c;
    }
  }
  EXPECT_EQ(std::string(LetraPromocion, 6), "  NBRQ");
  char texto[8];
  TextoJugada(CrearJugada(0x14, E8, DAMA), texto);
  EXPECT_STREQ(texto, "e7e8Q");
  TextoJugada(CrearJugada(0x64, 0x44), texto);
  EXPECT_STREQ(texto, "e2e4");
}

TEST_F(Notacion, MoveParsingAndDiagnostics) {
  CapturarLog();
  // i2i4: off-board files, and no white piece "on" the from-square.
  EXPECT_EQ(InterpretarJugada("i2i4"), 0);
  EXPECT_EQ(TextoLog(),
            "\nError 1 interpretando jugada\nError 3 interpretando jugada"
            "\nError 5 interpretando jugada");
  EXPECT_EQ(EstadoActual, Historia);
  // Ranks out of range; own piece on the target.
  EXPECT_EQ(InterpretarJugada("e9e0"), 0);
  EXPECT_EQ(InterpretarJugada("e1e2"), 0);
  EXPECT_EQ(InterpretarJugada(""), 0);
  EXPECT_EQ(InterpretarJugada("\xFF\x80\x01"), 0);
  EXPECT_NE(TextoLog().find("\nError 2 interpretando jugada\nError 4 interpretando jugada"
                            "\nError 5 interpretando jugada\nError 6 interpretando jugada"),
            std::string::npos);
  EXPECT_EQ(EstadoActual, Historia);
  // A legal move is made; then Black's diagnostics.
  EXPECT_EQ(InterpretarJugada("e2e4"), 1);
  EXPECT_EQ(EstadoActual, Historia + 1);
  const std::string antes = TextoLog();
  EXPECT_EQ(InterpretarJugada("e4e5"), 0);
  EXPECT_EQ(InterpretarJugada("e8e7"), 0);
  EXPECT_EQ(TextoLog().substr(antes.size()),
            "\nError 7 interpretando jugada\nError 8 interpretando jugada");
  EXPECT_EQ(EstadoActual, Historia + 1);
}

TEST_F(Notacion, Promotions) {
  Fen("4k3/P7/8/8/8/8/8/4K3 w - - 0 1");
  const uint64_t clave = ClaveActual();
  // Without a letter, or with one that is no piece, the pawn becomes a queen.
  for (const char* texto : {"a7a8q", "a7a8Q", "a7a8", "a7a8k"}) {
    ASSERT_EQ(InterpretarJugada(texto), 1) << texto;
    EXPECT_EQ(Tablero[A8], DAMA) << texto;
    DeshacerJugada();
    EXPECT_EQ(ClaveActual(), clave);
  }
  ASSERT_EQ(InterpretarJugada("a7a8n"), 1);
  EXPECT_EQ(Tablero[A8], CABALLO);
  DeshacerJugada();
  ASSERT_EQ(InterpretarJugada("a7a8R"), 1);
  EXPECT_EQ(Tablero[A8], TORRE);
  DeshacerJugada();
  // A letter on a move that promotes nothing is no move of the position.
  EXPECT_EQ(InterpretarJugada("e1e2q"), 0);
  EXPECT_EQ(ClaveActual(), clave);
}

TEST_F(Notacion, OnlyTheGeneratorsMoves) {
  Fen("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  // Castling is the king's two-square move; a three-square "jump" or a rook
  // moving like a knight is no move of the position.
  EXPECT_EQ(InterpretarJugada("e1b1"), 0);
  EXPECT_EQ(InterpretarJugada("a1b3"), 0);
  EXPECT_EQ(InterpretarJugada("e1c1"), 1);
  EXPECT_EQ(Tablero[D1], TORRE);
  EXPECT_EQ(InterpretarJugada("e8g8"), 1);
  EXPECT_EQ(Tablero[F8], -TORRE);
  EXPECT_TRUE(PosicionValida());
  // Moving into check is refused by the make itself.
  Fen("4k3/8/8/8/8/8/8/3RK3 b - - 0 1");
  EXPECT_EQ(InterpretarJugada("e8d8"), 0);
  EXPECT_EQ(InterpretarJugada("e8d7"), 0);
  EXPECT_EQ(InterpretarJugada("e8f8"), 1);
}

TEST_F(Notacion, MoveValidation) {
  Fen("r3k2r/1p6/8/2pP4/5n2/8/P7/R3K2R w KQkq c6 0 1");
  auto j = [](int d, int h, int p = 0) { return CrearJugada(d, h, p); };
  const int a2 = 0x60, a4 = 0x40, a3 = 0x50, d5 = 0x33, c6 = 0x22, d6 = 0x23, e6 = 0x24;
  EXPECT_EQ(ValidarJugada(j(a2, a3)), 1);
  EXPECT_EQ(ValidarJugada(j(a2, a4)), 1);
  EXPECT_EQ(ValidarJugada(j(d5, c6)), 1);  // en passant
  EXPECT_EQ(ValidarJugada(j(d5, d6)), 1);
  EXPECT_EQ(ValidarJugada(j(d5, e6)), 0);  // diagonal onto nothing
  EXPECT_EQ(ValidarJugada(j(a2, a2)), 0);
  EXPECT_EQ(ValidarJugada(j(0x08, a2)), 0);  // off the board
  EXPECT_EQ(ValidarJugada(j(A1, D1)), 1);
  EXPECT_EQ(ValidarJugada(j(A1, A8)), 0);      // a2 is in the way
  EXPECT_EQ(ValidarJugada(j(A1, B8)), 0);      // not a rook line
  EXPECT_EQ(ValidarJugada(j(E1, 0x65)), 1);    // e1f2
  EXPECT_EQ(ValidarJugada(j(E1, G1)), 1);      // king side castling
  EXPECT_EQ(ValidarJugada(j(E1, C1)), 0);      // queen side never
  EXPECT_EQ(ValidarJugada(j(H1, H8)), 1);      // capture at the end of the file
  EXPECT_EQ(ValidarJugada(j(0x45, 0x64)), 0);  // Black's knight, White to move
  Fen("4k3/1P6/8/8/8/8/8/4K2R w - - 0 1");
  EXPECT_EQ(ValidarJugada(j(0x11, 0x01)), 0);  // onto the last rank without a piece
  EXPECT_EQ(ValidarJugada(j(0x11, 0x01, DAMA)), 1);
  EXPECT_EQ(ValidarJugada(j(0x11, 0x01, 7)), 0);  // no such piece
  EXPECT_EQ(ValidarJugada(j(E1, G1)), 0);         // no right left
  Fen("4k3/8/8/8/8/8/8/4K2R b K - 0 1");
  EXPECT_EQ(ValidarJugada(j(E8, 0x14)), 1);
  EXPECT_EQ(ValidarJugada(j(E1, F1)), 0);  // not the side to move
  Fen("4k3/8/8/8/4p3/4P3/8/4K3 w - - 0 1");
  EXPECT_EQ(ValidarJugada(j(0x54, 0x34)), 0);  // double step onto a man
  EXPECT_EQ(ValidarJugada(j(0x54, 0x44)), 0);
}

TEST_F(Notacion, PrintedMoveAndVariation) {
  char texto[8];
  TextoJugada(CrearJugada(0x14, E8, DAMA), texto);
  EXPECT_STREQ(texto, "e7e8Q");

  // A line whose third move does not fit the board is given up to the second.
  Busqueda.VariantePrincipal[0][0].Jugada = CrearJugada(0x64, 0x44);  // e2e4
  Busqueda.VariantePrincipal[0][1].Jugada = CrearJugada(0x13, 0x33);  // d7d5
  Busqueda.VariantePrincipal[0][2].Jugada = CrearJugada(0x64, 0x44);  // e2e4 again: no pawn there
  Busqueda.VariantePrincipal[0][3].Jugada = CrearJugada(0x72, 0x44);
  Busqueda.VariantePrincipal[0][4].Jugada = 0;
  ASSERT_EQ(HacerJugada(Busqueda.VariantePrincipal[0][0].Jugada), 1);
  const uint64_t clave = ClaveActual();
  EstadoPly* const estado = EstadoActual;
  Busqueda.Limites.Modo = ModoBusqueda::Normal;
  LineaPensamiento l{};
  LlenarVariante(l, 3);
  ASSERT_EQ(l.Longitud, 2);
  EXPECT_EQ(l.Variante[1], Busqueda.VariantePrincipal[0][1].Jugada);
  EXPECT_EQ(EstadoActual, estado);
  EXPECT_EQ(ClaveActual(), clave);
  // While pondering the line is led by the predicted move, on the screen and in
  // the log.
  CapturarLog();
  const Informador* antes = Busqueda.InformadorBusqueda;
  Busqueda.InformadorBusqueda = &INFORMADOR_XBOARD;
  Busqueda.Limites.Modo = ModoBusqueda::Ponder;
  Busqueda.Limites.JugadaPonder = CrearJugada(0x66, 0x46);
  Busqueda.VariantePrincipal[0][2].Jugada = CrearJugada(0x65, 0x45);  // f2f4
  Busqueda.VariantePrincipal[0][3].Jugada = 0;
  const std::string linea = SalidaDe([] { ImprimirLineaPensamiento(3, Busqueda.ValorRaiz()); });
  EXPECT_NE(linea.find("  (g2g4) e2e4 d7d5 f2f4 \n"), std::string::npos) << linea;
  EXPECT_NE(TextoLog().find("(g2g4) e2e4 d7d5 f2f4 "), std::string::npos);
  EXPECT_EQ(EstadoActual, estado);
  Busqueda.InformadorBusqueda = antes;
  Busqueda.Limites.Modo = ModoBusqueda::Normal;
  Busqueda.Limites.JugadaPonder = 0;
}
