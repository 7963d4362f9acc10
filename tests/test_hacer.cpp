// Make/unmake and the null move keep every incremental field exact.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <set>

#include "posicion_test_util.h"

namespace {

// Everything make must restore, with piece lists compared as sorted sets (unmake
// may return a captured or promoted-from man at the end of its list).
struct Instantanea {
  int32_t tablero[120];
  int32_t listas[10][CAPACIDAD_LISTA];
  EstadoPly* actual;
  EstadoPly registro;
  uint32_t ply;
  int32_t medias;

  static Instantanea Tomar() {
    Instantanea s;
    std::memcpy(s.tablero, Tablero, sizeof Tablero);
    std::memset(s.listas, 0, sizeof s.listas);
    for (int i = 0; i < 10; ++i) {
      const int n = EstadoActual->NumPiezas[i];
      std::copy(ListaPiezas[i], ListaPiezas[i] + n, s.listas[i]);
      std::sort(s.listas[i], s.listas[i] + n);
    }
    s.actual = EstadoActual;
    s.registro = *EstadoActual;
    s.ply = PlyActual;
    s.medias = MediasJugadas;
    return s;
  }
};

// Returns the name of the first field that differs, or nullptr.
const char* Diferencia(const Instantanea& a, const Instantanea& b) {
  if (std::memcmp(a.tablero, b.tablero, sizeof a.tablero)) return "board";
  if (std::memcmp(a.listas, b.listas, sizeof a.listas)) return "piece lists";
  if (a.actual != b.actual || a.ply != b.ply || a.medias != b.medias) return "counters";
  const EstadoPly &x = a.registro, &y = b.registro;
  if (x.ClaveBaja != y.ClaveBaja || x.ClaveAlta != y.ClaveAlta) return "key";
  if (x.ClavePeones != y.ClavePeones) return "pawn key";
  if (x.Material != y.Material || x.MaterialTotal != y.MaterialTotal) return "material";
  if (std::memcmp(x.NumPiezas, y.NumPiezas, sizeof x.NumPiezas)) return "counts";
  if (x.Enroques != y.Enroques || x.AlPaso != y.AlPaso) return "rights";
  if (x.Turno != y.Turno || x.EnJaque != y.EnJaque) return "side";
  if (x.Regla50 != y.Regla50 || x.InicioRepeticion != y.InicioRepeticion) return "fifty";
  return nullptr;
}

void EsperarIgual(const Instantanea& a, const Instantanea& b) {
  const char* d = Diferencia(a, b);
  EXPECT_EQ(d, nullptr) << d;
}

// The search skips make and unmake of a quiet move it would drop at once, so the
// verdict must be make's, and make and unmake of such a move must leave the
// lists in their very order (a reordered list would change later generation).
void ComprobarVeredictoTranquila(Jugada j) {
  const int f = CasillaDesde(j), t = CasillaHasta(j);
  const int pieza = Tablero[f];
  const bool tranquila = !EstadoActual->EnJaque && Abs(pieza) != REY && Tablero[t] == VACIO &&
                         !(Abs(pieza) == PEON && (t == EstadoActual->AlPaso || Fila(t) == 0 ||
                                                  Fila(t) == 7));
  const int veredicto = VeredictoTranquila(j);
  if (!tranquila) {
    EXPECT_EQ(veredicto, NO_TRANQUILA) << TextoJugada(j);
    return;
  }
  int32_t listas[10][CAPACIDAD_LISTA], tablero[120];
  std::memcpy(listas, ListaPiezas, sizeof listas);
  std::memcpy(tablero, Tablero, sizeof tablero);
  const uint32_t nodos = Nodos;
  const EstadoPly registro = *EstadoActual;
  if (!HacerJugada(j)) {
    EXPECT_EQ(veredicto, TRANQUILA_ILEGAL) << TextoJugada(j);
  } else {
    EXPECT_EQ(veredicto, EstadoActual->EnJaque ? TRANQUILA_JAQUE : TRANQUILA_LEGAL) << TextoJugada(j);
    DeshacerJugada();
    const EstadoPly hecho = *EstadoActual;
    // What the skipped move leaves: the same record fields and node count.
    if (veredicto == TRANQUILA_LEGAL) {
      *EstadoActual = registro;
      Nodos = nodos;
      AnotarSinHacer(j);
      EXPECT_EQ(std::memcmp(EstadoActual, &hecho, sizeof hecho), 0) << TextoJugada(j);
      EXPECT_EQ(Nodos, nodos + 1);
    }
  }
  EXPECT_EQ(std::memcmp(listas, ListaPiezas, sizeof listas), 0) << TextoJugada(j);
  EXPECT_EQ(std::memcmp(tablero, Tablero, sizeof tablero), 0) << TextoJugada(j);
}

// Plays many random legal games; after every make the position must agree with a
// from-scratch computation, and every unmake (and refused make) must restore it.
TEST(HacerJugada, RandomGamesKeepIncrementalStateExact) {
  PrepararDiagnostico();
  std::mt19937 azar(20261207);
#ifdef ZELMOR_SANITIZE
  constexpr int PARTIDAS = 500;
#else
  constexpr int PARTIDAS = 2000;
#endif
  int jugadas = 0, capturas = 0, enroques = 0, alPaso = 0, promociones = 0, nulos = 0;
  for (int partida = 0; partida < PARTIDAS; ++partida) {
    NuevaPartida();
    EstadoPly* ultimaIrreversible = EstadoActual;
    for (int ply = 0; ply < 300; ++ply) {
      const Instantanea antes = Instantanea::Tomar();
      EntradaJugada* const tope = TopeJugadas;
      GenerarJugadas();
      std::vector<Jugada> legales;
      for (EntradaJugada* e = InicioLista[PlyActual]; e <= TopeJugadas; ++e) {
        const Jugada j = e->Jugada;
        const uint32_t prevista = ClaveBajaTrasJugada(j);
        if (partida % 5 == 0) ComprobarVeredictoTranquila(j);
        if (HacerJugada(j)) {
          legales.push_back(j);
          // The key a search asks the cache for before making the move.
          EXPECT_EQ(EstadoActual->ClaveBaja, prevista) << TextoJugada(j);
          // The mover's king is never left attacked.
          EXPECT_FALSE(Atacada(EstadoActual->Turno, EstadoActual->Rey[1 - EstadoActual->Turno],
                               EstadoActual));
          DeshacerJugada();
        }
        EsperarIgual(antes, Instantanea::Tomar());
      }
      TopeJugadas = tope;
      if (legales.empty() || EstadoActual->Regla50 >= 100) break;

      // Null move and its undo, now and then.
      if (!EstadoActual->EnJaque && azar() % 8 == 0) {
        const uint64_t clave = ClaveActual();
        HacerNulo();
        EXPECT_EQ(ClaveActual(), clave);
        EXPECT_EQ(EstadoActual->Turno, 1 - antes.registro.Turno);
        EXPECT_EQ(EstadoActual->Regla50, antes.registro.Regla50 + 2);
        EXPECT_EQ(EstadoActual->AlPaso, antes.registro.AlPaso);
        EXPECT_EQ(EstadoActual->PermiteNulo, 0);
        EXPECT_EQ(EstadoActual->InicioRepeticion, antes.registro.InicioRepeticion);
        DeshacerNulo();
        EsperarIgual(antes, Instantanea::Tomar());
        ++nulos;
      }

      const Jugada j = legales[azar() % legales.size()];
      const int pieza = Tablero[CasillaDesde(j)];
      const bool esAlPaso = Abs(pieza) == PEON && CasillaHasta(j) == EstadoActual->AlPaso;
      const bool captura = Tablero[CasillaHasta(j)] != VACIO || esAlPaso;
      ASSERT_EQ(HacerJugada(j), 1);
      PlyActual = 0;  // a game move: the next generation is a new root
      ++jugadas;
      capturas += captura;
      alPaso += esAlPaso;
      enroques += Abs(pieza) == REY && Abs(CasillaHasta(j) - CasillaDesde(j)) == 2;
      promociones += TipoPromocion(j) != 0;
      if (captura || Abs(pieza) == PEON) ultimaIrreversible = EstadoActual;

      ASSERT_EQ(PosicionValida(), 1) << "after " << TextoJugada(j);
      EXPECT_EQ(EstadoActual->InicioRepeticion, ultimaIrreversible);
      EXPECT_EQ(EstadoActual->Captura, captura ? 1 : 0);
      EXPECT_EQ(EstadoActual->PermiteNulo, EstadoActual->EnJaque ? 0 : 1);
      EXPECT_EQ((EstadoActual - 1)->PiezaCapturada, esAlPaso ? 0 : antes.tablero[CasillaHasta(j)]);
      EXPECT_EQ(MediasJugadas, antes.medias + 1);
      EXPECT_EQ(EstadoActual, antes.actual + 1);
    }
  }
  // The random games must actually reach the special moves.
  EXPECT_GT(jugadas, PARTIDAS * 50);
  EXPECT_GT(capturas, PARTIDAS * 5);
  EXPECT_GT(enroques, PARTIDAS / 50);
  EXPECT_GT(alPaso, PARTIDAS / 200);
  EXPECT_GT(promociones, PARTIDAS / 50);
  EXPECT_GT(nulos, PARTIDAS);
  std::printf("%d moves: %d captures, %d castlings, %d en passant, %d promotions, %d null\n",
              jugadas, capturas, enroques, alPaso, promociones, nulos);
}

TEST(HacerJugada, PinnedPieceAndCheckEvasions) {
  // Bishop e2 pinned by the rook on e8: along the file impossible for a bishop,
  // so every bishop move is refused; the king's moves are fine.
  Posicionar("4r1k1/8/8/8/8/8/4B3/4K3 w - - 0 1");
  for (Jugada j : JugadasLegales()) EXPECT_NE(Abs(Tablero[CasillaDesde(j)]), ALFIL);
  // Rook pinned on the file may move along it, and capture the pinner.
  Posicionar("4r1k1/8/8/8/8/8/4R3/4K3 w - - 0 1");
  std::set<std::string> torre;
  for (Jugada j : JugadasLegales())
    if (CasillaDesde(j) == CasillaDeTexto("e2")) torre.insert(TextoJugada(j));
  EXPECT_EQ(torre, (std::set<std::string>{"e2e3", "e2e4", "e2e5", "e2e6", "e2e7", "e2e8"}));
  // In check from a knight: only king moves and the capture of the knight.
  Posicionar("4k3/8/8/8/8/3n4/8/R3K3 w - - 0 1");
  std::set<std::string> evasiones;
  for (Jugada j : JugadasLegales()) evasiones.insert(TextoJugada(j));
  EXPECT_EQ(evasiones, (std::set<std::string>{"e1d1", "e1d2", "e1e2", "e1f1"}));
  // In double check only the king may move, even where another man could take
  // one checker or block the other.
  Posicionar("4r1k1/8/8/8/8/3n4/2B5/R3K3 w - - 0 1");
  evasiones.clear();
  for (Jugada j : JugadasLegales()) evasiones.insert(TextoJugada(j));
  EXPECT_EQ(evasiones, (std::set<std::string>{"e1d1", "e1d2", "e1f1"}));
  // A rook check along the rank: the block between, never a square behind the king.
  Posicionar("4k3/8/8/8/8/8/1R6/r3K3 w - - 0 1");
  evasiones.clear();
  for (Jugada j : JugadasLegales()) evasiones.insert(TextoJugada(j));
  EXPECT_EQ(evasiones, (std::set<std::string>{"b2b1", "e1d2", "e1e2", "e1f2"}));
  // A pawn that checks after its double step may be taken en passant: the taking
  // pawn lands on neither the checker's square nor a square between.
  Posicionar("8/8/8/2k5/3Pp3/8/8/4K3 b - d3 0 1");
  evasiones.clear();
  for (Jugada j : JugadasLegales()) evasiones.insert(TextoJugada(j));
  EXPECT_TRUE(evasiones.count("e4d3"));
  EXPECT_TRUE(evasiones.count("c5d4"));
  EXPECT_FALSE(evasiones.count("e4e3"));
}

// Every way a move can give check: the man that arrives (a promotion included),
// a line opened behind the square it left or behind a pawn taken en passant, and
// the rook of a castling move; and moves along a line that stays closed.
TEST(HacerJugada, CheckGivenByEveryKindOfMove) {
  struct {
    const char* fen;
    const char* jugada;
    int jaque;
    bool doble = false;  // two men give check
  } casos[] = {
      {"4k3/8/8/8/8/8/8/R3K3 w - - 0 1", "a1a8", 1},   // a rook arrives
      {"4k3/8/8/4N3/8/8/8/4K3 w - - 0 1", "e5d7", 0},  // knight moves without check
      {"4k3/8/8/4N3/8/8/8/4K3 w - - 0 1", "e5f7", 0},
      {"4k3/8/8/4N3/8/8/8/4K3 w - - 0 1", "e5c6", 0},
      {"4k3/8/8/4N3/8/8/8/4K3 w - - 0 1", "e5g6", 0},
      {"5k2/8/8/4N3/8/8/8/4K3 w - - 0 1", "e5d7", 1},    // a knight arrives
      {"4k3/8/8/8/8/8/4N3/4R1K1 w - - 0 1", "e2c3", 1},  // a rook uncovered
      {"4k3/4p3/8/8/8/8/4R3/6K1 w - - 0 1", "e2e5", 0},  // along a closed file
      {"4k3/8/2P5/8/B7/8/8/6K1 w - - 0 1", "c6c7", 1},   // a pawn uncovers a bishop
      {"4k3/3p4/8/1B6/8/8/8/6K1 w - - 0 1", "b5a4", 0},  // the diagonal stays closed
      {"5k2/3P4/8/8/8/8/8/6K1 w - - 0 1", "d7d8q", 1},   // a promotion gives check
      {"5k2/3P4/8/8/8/8/8/6K1 w - - 0 1", "d7d8n", 0},
      {"8/8/8/KPp4k/8/8/8/8 w - c6 0 1", "b5c6", 0},          // en passant, nothing behind
      {"8/8/8/RPp4k/8/8/8/4K3 w - c6 0 1", "b5c6", 1},        // en passant opens the rank
      {"4k3/8/8/8/4N3/8/8/4RK2 w - - 0 1", "e4d6", 1, true},  // knight and rook at once
      {"8/4k3/8/2pP4/8/B7/8/4K3 w - c6 0 1", "d5c6", 1},      // ... or the taken pawn's diagonal
      {"8/8/8/8/1k6/8/2P5/3QK3 w - - 0 1", "c2c4", 0},        // a double step, no check
      {"5k2/8/8/8/8/8/8/4K2R w K - 0 1", "e1g1", 1},          // the castling rook checks
      {"3k4/8/8/8/8/8/8/R3K3 w Q - 0 1", "e1c1", 1},
      {"4k3/8/8/8/8/8/8/R3K3 w Q - 0 1", "e1c1", 0},
      {"r3k3/8/8/8/8/8/8/3K4 b q - 0 1", "e8c8", 1},
  };
  for (const auto& c : casos) {
    Posicionar(c.fen);
    const Jugada j = BuscarJugada(c.jugada);
    ASSERT_NE(j, 0u) << c.fen << " " << c.jugada;
    ASSERT_EQ(HacerJugada(j), 1) << c.fen << " " << c.jugada;
    EXPECT_EQ(EstadoActual->EnJaque, c.jaque) << c.fen << " " << c.jugada;
    EXPECT_EQ(EstadoActual->EnJaque, Atacada(1 - EstadoActual->Turno,
                                             EstadoActual->Rey[EstadoActual->Turno], EstadoActual));
    // The answers to the check, as make found them, against a full count.
    EXPECT_EQ(EstadoActual->Evasion, CasillasEvasion(EstadoActual)) << c.fen << " " << c.jugada;
    EXPECT_EQ(EstadoActual->Evasion == 0, c.jaque == 0 || c.doble) << c.fen << " " << c.jugada;
    DeshacerJugada();
  }
}

TEST(HacerJugada, FieldsOfSpecialMoves) {
  // En passant: the taken pawn leaves board, list and key; PiezaCapturada stays 0.
  Posicionar("4k3/8/8/3pP3/8/8/8/4K3 w - d6 0 1");
  const Jugada ep = BuscarJugada("e5d6");
  ASSERT_NE(ep, 0u);
  ASSERT_EQ(HacerJugada(ep), 1);
  EXPECT_EQ(Tablero[CasillaDeTexto("d5")], VACIO);
  EXPECT_EQ(EstadoActual->NumPiezas[1], 0);
  EXPECT_EQ((EstadoActual - 1)->PiezaCapturada, 0);
  EXPECT_EQ(EstadoActual->Captura, 1);
  EXPECT_EQ(EstadoActual->Regla50, 1);
  DeshacerJugadaPartida();
  EXPECT_EQ(Tablero[CasillaDeTexto("d5")], -PEON);
  EXPECT_EQ(PosicionValida(), 1);

  // A double step sets AlPaso only with an enemy pawn beside the destination.
  Posicionar("4k3/8/8/8/3p4/8/4P1P1/4K3 w - - 0 1");
  ASSERT_EQ(HacerJugadaPartida(BuscarJugada("g2g4")), 1);
  EXPECT_EQ(EstadoActual->AlPaso, SIN_CASILLA);
  DeshacerJugadaPartida();
  ASSERT_EQ(HacerJugadaPartida(BuscarJugada("e2e4")), 1);
  EXPECT_EQ(EstadoActual->AlPaso, CasillaDeTexto("e3"));

  // Rights: a rook leaving h1 clears bit 1 only; a king move clears both.
  Posicionar("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  ASSERT_EQ(HacerJugadaPartida(BuscarJugada("h1h2")), 1);
  EXPECT_EQ(EstadoActual->Enroques, 15 & ~ENROQUE_BC);
  ASSERT_EQ(HacerJugadaPartida(BuscarJugada("e8d8")), 1);
  EXPECT_EQ(EstadoActual->Enroques, ENROQUE_BL);
  EXPECT_EQ(EstadoActual->Regla50, 2);

  // Capturing the rook on its corner takes the opponent's right with it, so a
  // second rook arriving there later cannot castle.
  Posicionar("r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1");
  ASSERT_EQ(HacerJugadaPartida(BuscarJugada("h1h8")), 1);
  EXPECT_EQ(EstadoActual->Enroques, ENROQUE_BL | ENROQUE_NL);
  EXPECT_EQ(PosicionValida(), 1);
  Posicionar("r3k2r/8/8/8/8/8/8/4K2R w Kkq - 0 1");
  for (const char* m : {"h1h8", "e8e7", "h8h1", "a8h8", "e1d1", "e7e8", "d1e1"})
    ASSERT_EQ(HacerJugadaPartida(BuscarJugada(m)), 1) << m;
  EXPECT_EQ(EstadoActual->Enroques, 0);
  for (Jugada j : JugadasLegales()) EXPECT_NE(TextoJugada(j), "e8g8");

  // Promotion to a knight: pawn list closes the gap, the knight is appended.
  Posicionar("4k3/1P6/8/8/8/8/P1P5/1N2K3 w - - 0 1");
  const int materialAntes = EstadoActual->Material;
  ASSERT_EQ(HacerJugadaPartida(BuscarJugada("b7b8n")), 1);
  EXPECT_EQ(EstadoActual->NumPiezas[0], 2);
  EXPECT_EQ(ListaPiezas[0][0], CasillaDeTexto("c2"));  // the last pawn fills the gap
  EXPECT_EQ(ListaPiezas[0][1], CasillaDeTexto("a2"));
  EXPECT_EQ(EstadoActual->NumPiezas[2], 2);
  EXPECT_EQ(ListaPiezas[2][1], CasillaDeTexto("b8"));
  EXPECT_EQ(EstadoActual->Material, materialAntes + 200);
  DeshacerJugadaPartida();
  Posicionar("4k3/1P6/8/8/8/8/8/4K3 w - - 0 1");
  ASSERT_EQ(HacerJugadaPartida(BuscarJugada("b7b8q")), 1);
  EXPECT_EQ(EstadoActual->Material, 950);
  EXPECT_EQ(EstadoActual->MaterialTotal, 950);
}

TEST(HacerJugada, CastlingThroughOrIntoAttack) {
  const char* base = "r3k2r/8/8/8/8/8/8/R3K2R w KQkq - 0 1";
  Posicionar(base);
  auto tiene = [](const char* texto) {
    for (Jugada j : JugadasLegales())
      if (TextoJugada(j) == texto) return true;
    return false;
  };
  EXPECT_TRUE(tiene("e1g1"));
  EXPECT_TRUE(tiene("e1c1"));
  ASSERT_EQ(HacerJugadaPartida(BuscarJugada("e1g1")), 1);
  EXPECT_EQ(Tablero[F1], TORRE);
  EXPECT_EQ(Tablero[H1], VACIO);
  EXPECT_EQ(PosicionValida(), 1);
  DeshacerJugadaPartida();
  EXPECT_EQ(Tablero[H1], TORRE);

  // Black knights attacking f1 forbid O-O.
  for (const char* fen :
       {"r3k2r/8/8/8/8/8/3n4/R3K2R w KQkq - 0 1", "r3k2r/8/8/8/8/4n3/8/R3K2R w KQkq - 0 1",
        "r3k2r/8/8/8/8/6n1/8/R3K2R w KQkq - 0 1", "r3k2r/8/8/8/8/8/7n/R3K2R w KQkq - 0 1"}) {
    Posicionar(fen);
    EXPECT_FALSE(tiene("e1g1")) << fen;
  }
  // A bishop on a6 sweeping to f1; blocked on c4 it no longer stops castling.
  Posicionar("r3k2r/8/b7/8/8/8/8/R3K2R w KQkq - 0 1");
  EXPECT_FALSE(tiene("e1g1"));
  EXPECT_TRUE(tiene("e1c1"));
  Posicionar("r3k2r/8/b7/8/2P5/8/8/R3K2R w KQkq - 0 1");
  EXPECT_TRUE(tiene("e1g1"));
  // Into an attacked g1; a rook attacking b1 only does not stop O-O-O.
  Posicionar("r3k1r1/8/8/8/8/8/8/R3K2R w KQq - 0 1");
  EXPECT_FALSE(tiene("e1g1"));
  Posicionar("1r2k3/8/8/8/8/8/8/R3K2R w KQ - 0 1");
  EXPECT_TRUE(tiene("e1c1"));
  // Not generated in check, nor with g1 occupied, nor without the rook.
  Posicionar("r3k2r/8/8/8/8/8/4r3/R3K2R w KQkq - 0 1");
  EXPECT_FALSE(tiene("e1g1"));
  Posicionar("r3k2r/8/8/8/8/8/8/R3K1NR w KQkq - 0 1");
  EXPECT_FALSE(tiene("e1g1"));
  Posicionar("r3k2r/8/8/8/8/8/8/R3K3 w KQkq - 0 1");
  EXPECT_FALSE(tiene("e1g1"));
}

TEST(Repeticion, KnightShuffleRepeatsAndTripleNeedsTwoEarlierCopies) {
  Posicionar("4k1n1/8/8/8/8/8/8/4K1N1 w - - 0 1");
  EXPECT_EQ(EsRepeticion(), 0);
  const char* vaiven[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  for (const char* m : vaiven) ASSERT_EQ(HacerJugadaPartida(BuscarJugada(m)), 1);
  EXPECT_EQ(EsRepeticion(), 1);
  EXPECT_EQ(EsTripleRepeticion(), 0);
  for (const char* m : vaiven) ASSERT_EQ(HacerJugadaPartida(BuscarJugada(m)), 1);
  EXPECT_EQ(EsTripleRepeticion(), 1);
  // A pawn move starts a new stretch: nothing before it can repeat.
  Posicionar("4k1n1/p7/8/8/8/8/8/4K1N1 b - - 0 1");
  ASSERT_EQ(HacerJugadaPartida(BuscarJugada("a7a6")), 1);
  EXPECT_EQ(EstadoActual->InicioRepeticion, EstadoActual);
  EXPECT_EQ(EsRepeticion(), 0);
  // The same placement with the other side to move (same key) is not a repetition.
  Posicionar("4k1n1/8/8/8/8/8/8/4K1N1 w - - 0 1");
  ASSERT_EQ(HacerJugadaPartida(BuscarJugada("g1f3")), 1);
  const uint64_t clave = ClaveActual();
  HacerNulo();
  EXPECT_EQ(ClaveActual(), clave);
  EXPECT_EQ(EsRepeticion(), 0);
}

TEST(Historia, FillsUpOnlyAfterMoreMovesThanAnyRealGame) {
  Posicionar("4k1n1/8/8/8/8/8/8/4K1N1 w - - 0 1");
  const char* vaiven[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  int hechas = 0;
  while (!HistoriaLlena()) {
    ASSERT_EQ(HacerJugadaPartida(BuscarJugada(vaiven[hechas % 4])), 1);
    ++hechas;
  }
  EXPECT_EQ(hechas, MAX_HISTORIA - RESERVA_BUSQUEDA);
  // The search still has its full depth of records above the game.
  EXPECT_GE(Historia + MAX_HISTORIA - EstadoActual, MAX_PLY);
}

}  // namespace
