// Generation order and ordering values, capture generation, and the tables and
// keys that the rest of the engine (and stored book files) depend on.
#include <gtest/gtest.h>

#include <set>

#include "posicion_test_util.h"

namespace {

using Lista = std::vector<std::string>;

TEST(GenerarJugadas, InitialPositionOrderAndValues) {
  PrepararDiagnostico();
  NuevaPartida();
  GenerarJugadas();
  const Lista esperada = {"a2a3:400", "a2a4:400", "b2b3:400", "b2b4:400", "c2c3:400",
                          "c2c4:400", "d2d3:400", "d2d4:400", "e2e3:400", "e2e4:400",
                          "f2f3:400", "f2f4:400", "g2g3:400", "g2g4:400", "h2h3:400",
                          "h2h4:400", "b1a3:600", "b1c3:600", "g1f3:600", "g1h3:600"};
  EXPECT_EQ(ListaGenerada(), esperada);
  EXPECT_EQ(InicioLista[0], PilaJugadas + 1);  // the first entry is never filled
  EXPECT_EQ(InicioLista[1], TopeJugadas + 1);
}

TEST(GenerarJugadas, CapturesPromotionsCastlingAndKingOrder) {
  PrepararDiagnostico();
  // Pawn on the seventh with both diagonals taken and the square ahead free.
  ASSERT_EQ(ColocarFEN("r1b1k3/1P6/8/8/8/8/8/4K3 w - - 0 1"), 0);
  GenerarJugadas();
  const Lista peon = {"b7b8n:3400", "b7b8b:3300", "b7b8r:3500", "b7b8q:3900",
                      "b7a8n:3450", "b7a8b:3350", "b7a8r:3550", "b7a8q:3950",
                      "b7c8n:3450", "b7c8b:3350", "b7c8r:3550", "b7c8q:3950"};
  Lista generada = ListaGenerada();
  EXPECT_EQ(Lista(generada.begin(), generada.begin() + 12), peon);
  TopeJugadas = PilaJugadas;

  // Castling first (king side, then queen side), then the king steps in order
  // -16, -17, -1, +15, +16, +17, +1, -15.
  ASSERT_EQ(ColocarFEN("4k3/8/8/8/8/8/8/R3K2R w KQ - 0 1"), 0);
  GenerarJugadas();
  generada = ListaGenerada();
  const Lista rey = {"e1g1:201", "e1c1:201", "e1e2:100", "e1d2:100",
                     "e1d1:100", "e1f1:100", "e1f2:100"};
  EXPECT_EQ(Lista(generada.end() - 7, generada.end()), rey);
  TopeJugadas = PilaJugadas;

  // Values by victim and attacker; the queen uses its own row on every ray.
  ASSERT_EQ(ColocarFEN("4k3/8/8/3r4/4P3/2B5/8/3QK3 w - - 0 1"), 0);
  GenerarJugadas();
  generada = ListaGenerada();
  auto valor = [&](const std::string& m) {
    for (const auto& g : generada)
      if (g.rfind(m + ":", 0) == 0) return std::stoi(g.substr(m.size() + 1));
    return -1;
  };
  EXPECT_EQ(valor("e4d5"), 3500);
  EXPECT_EQ(valor("d1d5"), 1600);
  EXPECT_EQ(valor("d1d2"), 300);
  EXPECT_EQ(valor("c3d4"), 500);
  TopeJugadas = PilaJugadas;

  // En passant only from the fifth rank onto AlPaso, valued 2300.
  ASSERT_EQ(ColocarFEN("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1"), 0);
  GenerarJugadas();
  generada = ListaGenerada();
  EXPECT_EQ(valor("e5d6"), 2300);
  TopeJugadas = PilaJugadas;
}

TEST(GenerarCapturas, CapturesAndTheQueenAndKnightPromotions) {
  PrepararDiagnostico();
  // Promotions: captures first, then queen and knight only.
  ASSERT_EQ(ColocarFEN("r1b1k3/1P6/8/8/8/8/8/4K3 w - - 0 1"), 0);
  GenerarCapturas();
  EXPECT_EQ(ListaGenerada(),
            (Lista{"b7a8n:3450", "b7a8b:3350", "b7a8r:3550", "b7a8q:3950", "b7c8n:3450",
                   "b7c8b:3350", "b7c8r:3550", "b7c8q:3950", "b7b8q:3900", "b7b8n:3400"}));
  TopeJugadas = PilaJugadas;
  ASSERT_EQ(ColocarFEN("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1"), 0);
  GenerarCapturas();
  EXPECT_EQ(ListaGenerada(), (Lista{"b7b8q:3900", "b7b8n:3400"}));
  TopeJugadas = PilaJugadas;

  // A rook attacked by a pawn and a bishop; quiet moves are never listed.
  ASSERT_EQ(ColocarFEN("4k3/8/8/3r4/4P3/8/B7/4K3 w - - 0 1"), 0);
  GenerarCapturas();
  EXPECT_EQ(ListaGenerada(), (Lista{"e4d5:3500", "a2d5:3100"}));
  TopeJugadas = PilaJugadas;

  // En passant is a capture; a black pawn takes towards the a-file first.
  ASSERT_EQ(ColocarFEN("4k3/8/8/8/1PpP4/8/8/4K3 b - d3 0 1"), 0);
  GenerarCapturas();
  EXPECT_EQ(ListaGenerada(), (Lista{"c4d3:2300"}));
  TopeJugadas = PilaJugadas;
  ASSERT_EQ(ColocarFEN("4k3/8/8/2p5/1Q1Q4/8/8/4K3 b - - 0 1"), 0);
  GenerarCapturas();
  EXPECT_EQ(ListaGenerada(), (Lista{"c5b4:4000", "c5d4:4000"}));
  TopeJugadas = PilaJugadas;

  // Nothing to take: an empty list.
  NuevaPartida();
  GenerarCapturas();
  EXPECT_EQ(InicioLista[0], InicioLista[1]);
  TopeJugadas = PilaJugadas;
}

TEST(Atacada, LinesBlockedByEitherColourAndKingDistance) {
  PrepararDiagnostico();
  ASSERT_EQ(ColocarFEN("4k3/8/8/8/8/2b5/3P4/4K3 w - - 0 1"), 0);
  EXPECT_EQ(Atacada(NEGRO, E1, EstadoActual), 0);  // own pawn blocks
  ASSERT_EQ(ColocarFEN("4k3/8/8/8/8/2b5/3p4/4K3 w - - 0 1"), 0);
  EXPECT_EQ(Atacada(NEGRO, CasillaDeTexto("e1"), EstadoActual), 1);  // the pawn itself checks
  EXPECT_EQ(Atacada(NEGRO, CasillaDeTexto("f1"), EstadoActual), 0);  // bishop blocked by d2
  ASSERT_EQ(ColocarFEN("8/8/8/8/8/4k3/8/4K3 w - - 0 1"), 0);
  EXPECT_EQ(Atacada(NEGRO, CasillaDeTexto("e2"), EstadoActual), 1);
  EXPECT_EQ(Atacada(NEGRO, CasillaDeTexto("e1"), EstadoActual), 0);
  // The board-only test agrees with the list-based one on every square.
  for (const char* fen : {"r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
                          "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1"}) {
    ASSERT_EQ(ColocarFEN(fen), 0);
    for (int i = 0; i < 64; ++i)
      for (int lado : {BLANCO, NEGRO})
        EXPECT_EQ(Atacada(lado, Casilla0x88(i), EstadoActual),
                  AtacadaTrasMover(lado, Casilla0x88(i), EstadoActual))
            << fen << " square " << i;
  }
}

TEST(Tablas, GeneratorKeysAndGeometry) {
  PrepararDiagnostico();
  // Book files store positions under these keys. The first two draws are the
  // white-pawn key of a8; the keys drawn last are those the books were written
  // with, so every draw in between kept its place.
  GeneradorClaves generador;
  EXPECT_EQ(generador.Siguiente(), 0x039B11BFu);
  EXPECT_EQ(generador.Siguiente(), 0x4890D6A4u);
  EXPECT_EQ(ClavesPieza[PEON + 6][A8][0], 0x039B11BFu);
  EXPECT_EQ(ClavesPieza[PEON + 6][A8][1], 0x4890D6A4u);
  EXPECT_EQ(ClavesPieza[-REY + 6][H1][1], 0xC9AC0A04u);
  EXPECT_EQ(ClavesAlPaso[SIN_CASILLA][0], 0xF900103Cu);
  EXPECT_EQ(ClavesAlPaso[SIN_CASILLA][1], 0x8D8F124Fu);
  EXPECT_EQ(ClavesEnroque[15][0], 0x98C2399Du);
  EXPECT_EQ(ClavesEnroque[15][1], 0x39609ED4u);
  EXPECT_EQ(MarcaPeonesA, 0xD7E06A0Cu);
  EXPECT_EQ(MarcaPeonesB, 0xA245AB72u);
  // No key was drawn twice into one slot or left out: every key of a man on a
  // square, of an en-passant square and of the castling rights is its own, and
  // the empty code and off-board squares keep zero keys.
  std::set<uint64_t> claves;
  int dibujadas = 0;
  auto anotar = [&](const uint32_t (&clave)[2]) {
    ++dibujadas;
    claves.insert(uint64_t{clave[1]} << 32 | clave[0]);
  };
  for (int s = 0; s < 128; ++s) {
    for (int p = 0; p < 13; ++p) {
      if (EnTablero(s) && p != 6) {
        anotar(ClavesPieza[p][s]);
      } else if (s < 120) {
        EXPECT_EQ(ClavesPieza[p][s][0] | ClavesPieza[p][s][1], 0u) << p << " " << s;
      }
    }
    if (EnTablero(s) || s == SIN_CASILLA) {
      anotar(ClavesAlPaso[s]);
    } else {
      EXPECT_EQ(ClavesAlPaso[s][0] | ClavesAlPaso[s][1], 0u) << s;
    }
  }
  for (const auto& clave : ClavesEnroque) anotar(clave);
  EXPECT_EQ(dibujadas, 12 * 64 + 65 + 16);
  EXPECT_EQ(claves.size(), static_cast<size_t>(dibujadas));
  EXPECT_EQ(claves.count(0), 0u);

  // Off-board arithmetic fails the 0x88 test.
  EXPECT_FALSE(EnTablero(H8 + 1));
  EXPECT_FALSE(EnTablero(A8 - 16));

  // PosibleClavada: a man on the a-file leaving its king's rank cannot uncover
  // anything; one file further in it can.
  const int e4 = CasillaDeTexto("e4");
  EXPECT_EQ(ClavadaPosible(CasillaDeTexto("a4"), CasillaDeTexto("a5"), e4), 0);
  EXPECT_EQ(ClavadaPosible(CasillaDeTexto("b4"), CasillaDeTexto("b5"), e4), 1);
  EXPECT_EQ(ClavadaPosible(CasillaDeTexto("b4"), CasillaDeTexto("a4"), e4),
            0);  // stays on the rank
  EXPECT_EQ(ClavadaPosible(CasillaDeTexto("c6"), CasillaDeTexto("c7"), e4), 1);  // off the diagonal
  EXPECT_EQ(ClavadaPosible(CasillaDeTexto("c6"), CasillaDeTexto("b7"), e4), 0);  // along it
  EXPECT_EQ(ClavadaPosible(CasillaDeTexto("e8"), CasillaDeTexto("d8"), e4), 0);  // rank 8 end
  EXPECT_EQ(ClavadaPosible(CasillaDeTexto("e7"), CasillaDeTexto("d7"), e4), 1);

  // DiagonalRey / LineaRey report 0 both for "none" and for a8.
  EXPECT_EQ(LineaRey[CasillaDeTexto("c8")][CasillaDeTexto("a7")], CasillaDeTexto("b8"));
  EXPECT_EQ(DiagonalRey[CasillaDeTexto("b7")][CasillaDeTexto("a8")], 0);
  EXPECT_EQ(DiagonalRey[CasillaDeTexto("d4")][CasillaDeTexto("h1")], CasillaDeTexto("g1"));
  EXPECT_EQ(DiagonalRey[CasillaDeTexto("a1")][CasillaDeTexto("h1")], 0);

  // Pawn attack masks never wrap; the pawn's square rule.
  EXPECT_EQ(__builtin_popcountll(AtaquePeonBlanco[Indice64(CasillaDeTexto("a4"))]), 1);
  EXPECT_EQ(AtaquePeonBlanco[Indice64(CasillaDeTexto("d8"))], 0u);
  EXPECT_EQ(AtaquePeonNegro[Indice64(CasillaDeTexto("d1"))], 0u);
  EXPECT_EQ(BitCasilla[0], uint64_t{1} << 63);
  EXPECT_EQ(CuadradoPeon[CasillaDeTexto("a4")][CasillaDeTexto("d5")][BLANCO], 1);
  EXPECT_EQ(CuadradoPeon[CasillaDeTexto("a4")][CasillaDeTexto("f5")][BLANCO], 0);
  EXPECT_EQ(CuadradoPeon[CasillaDeTexto("a4")][CasillaDeTexto("d3")][BLANCO], 0);
  EXPECT_EQ(CaballoCercaRey[CasillaDeTexto("g1")][CasillaDeTexto("e1")], 1);
  EXPECT_EQ(CaballoCercaRey[CasillaDeTexto("a8")][CasillaDeTexto("h1")], 0);
  EXPECT_EQ(DistanciaCasillas[0][63], 7);
  EXPECT_EQ(
      EntreCasillas[Indice64(CasillaDeTexto("a1"))][Indice64(CasillaDeTexto("a4"))],
      BitCasilla[Indice64(CasillaDeTexto("a2"))] | BitCasilla[Indice64(CasillaDeTexto("a3"))]);
  EXPECT_EQ(EntreCasillas[Indice64(CasillaDeTexto("a1"))][Indice64(CasillaDeTexto("b3"))], 0u);
}

}  // namespace

namespace {

// The table by all three squares as it was first built (1.7 MB), kept here as
// the reference for the compact form make now reads.
std::vector<uint8_t> PosibleClavadaCompleta() {
  auto hilera = [](int s) { return s >> 4; };
  std::vector<uint8_t> t(120 * 120 * 120, 0);
  for (int desde = 0; desde < 120; ++desde) {
    if (!EnTablero(desde)) continue;
    const int fd = Columna(desde), rd = hilera(desde);
    const bool columnaInterior = fd >= 1 && fd <= 6;
    const bool filaInterior = rd >= 1 && rd <= 6;
    for (int hasta = 0; hasta < 120; ++hasta) {
      if (!EnTablero(hasta)) continue;
      for (int rey = 0; rey < 120; ++rey) {
        if (!EnTablero(rey)) continue;
        bool posible = false;
        if (hilera(desde) == hilera(rey) && hilera(hasta) != hilera(rey) && columnaInterior)
          posible = true;
        else if (Columna(desde) == Columna(rey) && Columna(hasta) != Columna(rey) && filaInterior)
          posible = true;
        else if (columnaInterior && filaInterior) {
          const int dDesde = desde - rey + 120, dHasta = hasta - rey + 120;
          if ((Diagonal15[dDesde] && !Diagonal15[dHasta]) ||
              (Diagonal17[dDesde] && !Diagonal17[dHasta]))
            posible = true;
        }
        t[(desde * 120 + hasta) * 120 + rey] = posible;
      }
    }
  }
  return t;
}

TEST(Tablas, CompactPossiblePinAnswersLikeTheFullTable) {
  PrepararDiagnostico();
  const std::vector<uint8_t> completa = PosibleClavadaCompleta();
  int distintas = 0, posibles = 0;
  for (int desde = 0; desde < 120; ++desde)
    for (int hasta = 0; hasta < 120; ++hasta)
      for (int rey = 0; rey < 120; ++rey) {
        const int esperada = completa[(desde * 120 + hasta) * 120 + rey];
        posibles += esperada;
        // Both the table make reads and the definition it is built from.
        const bool bien = ClavadaPosible(desde, hasta, rey) == esperada &&
                          ClavadaPosibleDefinicion(desde, hasta, rey) == (esperada == 1);
        if (!bien && ++distintas <= 5)
          ADD_FAILURE() << desde << " " << hasta << " " << rey << " expected " << esperada;
      }
  EXPECT_EQ(distintas, 0);
  EXPECT_GT(posibles, 10000);
  // Squares off the board, as any 8-bit square field may hold, never ask for a test.
  for (int s : {-1, 120, 127, 128, 136, 255}) {
    EXPECT_EQ(ClavadaPosible(s, CasillaDeTexto("e2"), CasillaDeTexto("e1")), 0) << s;
    EXPECT_EQ(ClavadaPosible(CasillaDeTexto("e2"), s, CasillaDeTexto("e1")), 0) << s;
    EXPECT_EQ(ClavadaPosible(CasillaDeTexto("e2"), CasillaDeTexto("d3"), s), 0) << s;
  }
}

}  // namespace
