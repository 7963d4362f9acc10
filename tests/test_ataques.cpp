// Attack maps, the attack hash and the static-exchange routines.
#include "eval_test_util.h"

namespace {

constexpr int P = ATAQUE_PEON, M = ATAQUE_MENOR, T = ATAQUE_TORRE, D = ATAQUE_DAMA, R = ATAQUE_REY;

TEST(Ataques, InitialPosition) {
  PosicionEval("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  // f3: pawns e2 and g2, knight g1, queen d1 through the pawn on e2.
  EXPECT_EQ(ByteAtaque(BLANCO, "f3"), 4 + P + M + D);
  EXPECT_EQ(ByteAtaque(BLANCO, "f3"), 92);
  // e2: king, queen, bishop f1, knight g1.
  EXPECT_EQ(ByteAtaque(BLANCO, "e2"), 212);
  // d3 and h3: two pawns or a pawn and the knight, and the bishop f1 through a pawn.
  EXPECT_EQ(ByteAtaque(BLANCO, "d3"), 3 + P + M);
  EXPECT_EQ(ByteAtaque(BLANCO, "h3"), 3 + P + M);
  EXPECT_EQ(ByteAtaque(BLANCO, "e4"), 0);
  EXPECT_EQ(ByteAtaque(NEGRO, "f6"), 92);
  EXPECT_EQ(ByteAtaque(NEGRO, "e7"), 212);
  EXPECT_EQ(ByteAtaque(NEGRO, "f3"), 0);
}

TEST(Ataques, BatteriesAndPawnInFront) {
  // Two rooks on a file both reach every square above them.
  PosicionEval("4k3/8/8/8/8/8/R7/R3K3 w - - 0 1");
  for (const char* c : {"a3", "a5", "a8"}) EXPECT_EQ(ByteAtaque(BLANCO, c), 2 + T) << c;
  // A bishop behind its own pawn reaches the square the pawn attacks, no further.
  PosicionEval("4k3/8/8/8/8/8/3P4/2B1K3 w - - 0 1");
  EXPECT_EQ(ByteAtaque(BLANCO, "e3"), 2 + P + M);
  EXPECT_EQ(ByteAtaque(BLANCO, "f4"), 0);
  // A rook behind its own queen counts only up to the queen.
  PosicionEval("4k3/8/8/8/8/8/4Q3/4RK2 b - - 0 1");
  EXPECT_EQ(ByteAtaque(BLANCO, "e3"), 1 + D);
  EXPECT_EQ(ByteAtaque(BLANCO, "e2"), 2 + T + R);
  // A queen behind its own bishop reaches past it; the same for Black.
  PosicionEval("q3k3/1b6/8/8/8/8/8/4K3 w - - 0 1");
  EXPECT_EQ(ByteAtaque(NEGRO, "d5"), 2 + M + D);
  // A pawn ray toward the own side stops at the pawn.
  PosicionEval("4k3/8/8/8/8/2B5/3P4/4K3 w - - 0 1");
  EXPECT_EQ(ByteAtaque(BLANCO, "e1") & M, 0);
}

TEST(Ataques, CountSaturatesWithoutTouchingTheClasses) {
  // Eight knights on d5: the count stops at 7.
  PosicionEval("7k/2N1N3/1N3N2/8/1N3N2/2N1N3/8/K7 w - - 0 1");
  EXPECT_EQ(ByteAtaque(BLANCO, "d5"), 7 + M);
  // And with two pawns besides, both class bits stay.
  PosicionEval("7k/2N1N3/1N3N2/8/1NP1PN2/2N1N3/8/K7 w - - 0 1");
  EXPECT_EQ(ByteAtaque(BLANCO, "d5"), 7 + P + M);
}

TEST(Ataques, AttackHash) {
  PosicionEval("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3");
  Eval.TablaAtaques[EstadoActual->ClaveBaja & Eval.MascaraAtaques] = EntradaHashAtaques{};
  const uint32_t calculados = Eval.ContadorComputacionesAtq, aciertos = Eval.ContadorAciertosAtq;
  CalcularAtaques();
  CalcularAtaques();
  EXPECT_EQ(Eval.ContadorComputacionesAtq, calculados + 1);
  EXPECT_EQ(Eval.ContadorAciertosAtq, aciertos + 1);
  EXPECT_EQ(EntradaAtaques()->ClaveAlta, EstadoActual->ClaveAlta);
}

Jugada JugadaTexto(const char* t) {
  return CrearJugada(CasillaTexto(t), CasillaTexto(t + 2),
                     t[4] == 'q'   ? DAMA
                     : t[4] == 'n' ? CABALLO
                                   : 0);
}

int Captura(const char* fen, const char* jugada) {
  PosicionEval(fen);
  CalcularAtaques();
  return CambioCaptura(JugadaTexto(jugada));
}

int Casilla(const char* fen, const char* casilla) {
  PosicionEval(fen);
  CalcularAtaques();
  return CambioCasilla(CasillaTexto(casilla));
}

TEST(Cambio, ValueOfACapture) {
  // Queen takes a pawn defended by a pawn: loses the queen for a pawn.
  EXPECT_EQ(Captura("3k4/8/4p3/3p4/8/8/8/3QK3 w - - 0 1", "d1d5"), -900);
  // Pawn takes an undefended queen.
  EXPECT_EQ(Captura("4k3/8/8/3q4/4P3/8/8/4K3 w - - 0 1", "e4d5"), 1000);
  // Knight takes a pawn defended once, supported once: 100 - 300 + 100, and
  // White stops there.
  EXPECT_EQ(Captura("4k3/8/4p3/3p4/8/2N5/8/3RK3 w - - 0 1", "c3d5"), -100);
  // Rook takes a rook defended by a rook, backed by a second rook: a rook up.
  EXPECT_EQ(Captura("3r3k/3r4/8/8/8/8/3R4/3RK3 w - - 0 1", "d2d7"), 500);
  // With the black king beside d7 as well, the last rook is lost again.
  EXPECT_EQ(Captura("3rk3/3r4/8/8/8/8/3R4/3RK3 w - - 0 1", "d2d7"), 0);
  // Promotion with capture: the new queen counts.
  EXPECT_EQ(Captura("1r2k3/P7/8/8/8/8/8/4K3 w - - 0 1", "a7b8q"), 1500);
  // En passant wins a pawn although the to-square is empty.
  EXPECT_EQ(Captura("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1", "e5d6"), 100);
  // Black to move reads the maps the other way round.
  EXPECT_EQ(Captura("3qk3/8/8/8/8/4P3/3P4/4K3 b - - 0 1", "d8d2"), -900);
}

TEST(Cambio, WhatTheOpponentWinsOnASquare) {
  // Knight attacked by a pawn, undefended: the opponent wins it.
  EXPECT_EQ(Casilla("4k3/8/3p4/4N3/8/8/8/4K3 w - - 0 1", "e5"), 300);
  // Defended by a pawn: knight for pawn.
  EXPECT_EQ(Casilla("4k3/8/3p4/4N3/3P4/8/8/4K3 w - - 0 1", "e5"), 200);
  // A defended rook attacked only by a queen: the queen would not take.
  EXPECT_EQ(Casilla("3qk3/8/8/8/8/8/3R4/3RK3 w - - 0 1", "d2"), 0);
  // Not attacked at all.
  EXPECT_EQ(Casilla("4k3/8/8/4N3/8/8/8/4K3 w - - 0 1", "e5"), 0);
}

}  // namespace
