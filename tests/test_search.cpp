// The search: mates and their scores, draws inside the tree, quiescence, the
// transposition stores, move ordering and the reproducibility of the bench.
#include <gtest/gtest.h>

#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "core/core.h"
#include "diag/diag.h"
#include "driver/driver.h"
#include "eval/eval.h"
#include "movegen/movegen.h"
#include "search/search.h"

namespace {

// Quiet fixed-depth search of a FEN with fresh tables.
void Buscar(const char* fen, int prof) {
  PrepararBusquedaDiagnostico();
  ASSERT_EQ(ColocarFEN(fen), 0) << fen;
  PosicionDiagnostico();
  IterarHastaProfundidad(prof);
}

std::string Mejor() {
  char t[8] = "";
  if (Busqueda.VariantePrincipal[0][0].Jugada != 0) TextoJugada(Busqueda.VariantePrincipal[0][0].Jugada, t);
  return t;
}

int Casilla(const char* t) { return (t[0] - 'a') + 16 * (8 - (t[1] - '0')); }
Jugada J(const char* t) { return CrearJugada(Casilla(t), Casilla(t + 2)); }

}  // namespace

TEST(Busqueda, MateInOneScoresFullMate) {
  Buscar("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1", 4);
  EXPECT_EQ(Mejor(), "d1d8");
  EXPECT_EQ(Busqueda.ValorRaiz(), 100000);
  Buscar("k7/8/2K5/8/8/8/8/1Q6 w - - 0 1", 4);
  EXPECT_EQ(Mejor(), "b1b7");
  EXPECT_EQ(Busqueda.ValorRaiz(), 100000);
}

TEST(Busqueda, MateInTwoAndThree) {
  // Mate in two: 1.Qg6! (WAC 1) ... the score is 100000 - 2.
  Buscar("2rr3k/pp3pp1/1nnqbN1p/3pN3/2pP4/2P3Q1/PPB4P/R4RK1 w - - 0 1", 5);
  EXPECT_EQ(Mejor(), "g3g6");
  EXPECT_EQ(Busqueda.ValorRaiz(), 99998);
  // Mate in three: 1...Bc5+ 2.Kxe5 Qf4+ (or 2.Kd5 / 2.Kc4 lines) mates at ply 5.
  Buscar("r1b1kb1r/pppp1ppp/5q2/4n3/3KP3/2N3PN/PPP4P/R1BQ1B1R b kq - 0 1", 7);
  EXPECT_EQ(Mejor(), "f8c5");
  EXPECT_EQ(Busqueda.ValorRaiz(), 100000 - 4);
  // King and rook: mate in two, then in one.
  Buscar("7k/8/5K2/8/8/8/8/R7 w - - 0 1", 7);
  EXPECT_EQ(Busqueda.ValorRaiz(), 99998);
  Buscar("6k1/8/6K1/8/8/8/8/R7 w - - 0 1", 7);
  EXPECT_EQ(Busqueda.ValorRaiz(), 100000);
}

TEST(Busqueda, MatedSideScoresPlyMinusMate) {
  // Black to move is mated next move whatever it does: mated at ply 2.
  Buscar("7k/8/6Kp/8/8/8/8/R7 b - - 0 1", 4);
  EXPECT_EQ(Busqueda.ValorRaiz(), 2 - 100001);
  // Mated at the root: no move, score -100000; stalemate: 0.
  Buscar("rnb1kbnr/pppp1ppp/8/4p3/6Pq/5P2/PPPPP2P/RNBQKBNR w KQkq - 1 3", 3);
  EXPECT_EQ(Busqueda.VariantePrincipal[0][0].Jugada, 0u);
  EXPECT_EQ(Busqueda.ValorRaiz(), -100000);
  Buscar("8/8/8/8/8/6k1/6p1/6K1 w - - 0 1", 3);
  EXPECT_EQ(Busqueda.VariantePrincipal[0][0].Jugada, 0u);
  EXPECT_EQ(Busqueda.ValorRaiz(), 0);
}

TEST(Busqueda, FiftyMoveAndRepetitionScoreZero) {
  Buscar("4k3/8/8/8/8/8/8/QQQ1K3 w - - 0 1", 1);
  IniciarBusqueda();
  ASSERT_EQ(HacerJugada(J("e1d2")), 1);
  EstadoActual->Regla50 = 101;
  EXPECT_EQ(BuscarVentanaCero(-50, 3, 0), 0);
  EXPECT_EQ(BuscarPV(-50, 50, 3), 0);
  // At exactly 100 the node is searched (black is lost).
  EstadoActual->Regla50 = 100;
  EXPECT_LT(BuscarPV(-INFINITO, INFINITO, 0), -2000);
  DeshacerJugada();
  // A position repeated once, same side to move, is a draw inside the tree.
  ASSERT_EQ(ColocarFEN("4k3/8/8/8/8/8/8/QQQ1K3 w - - 0 1"), 0);
  for (const char* m : {"e1d2", "e8d7", "d2e1", "d7e8"}) ASSERT_EQ(HacerJugada(J(m)), 1) << m;
  IniciarBusqueda();
  PlyActual = 1;
  EXPECT_EQ(BuscarPV(-50, 50, 3), 0);
  ReiniciarPartida();
}

TEST(Busqueda, PlyLimitReturnsEvaluation) {
  Buscar("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1", 1);
  IniciarBusqueda();
  PlyActual = LIMITE_PLY;
  EXPECT_EQ(BuscarPV(-INFINITO, INFINITO, 5), Evaluar());
  EXPECT_EQ(BuscarVentanaCero(0, 5, 1), Evaluar());
  PlyActual = 0;
}

TEST(Quiescencia, DeadMaterialAndLazyExits) {
  PrepararBusquedaDiagnostico();
  for (const char* fen : {"4k3/8/8/8/8/8/8/3NKN2 w - - 0 1", "4k3/8/8/8/8/8/8/4KN2 b - - 0 1"}) {
    ASSERT_EQ(ColocarFEN(fen), 0);
    PosicionDiagnostico();
    IniciarBusqueda();
    EXPECT_EQ(Quiescencia(-500, 500), 0) << fen;
  }
  // Two knights on different sides can still mate: not scored 0 outright.
  ASSERT_EQ(ColocarFEN("4kn2/8/8/8/8/8/8/4KN2 w - - 0 1"), 0);
  PosicionDiagnostico();
  IniciarBusqueda();
  EXPECT_EQ(Quiescencia(-500, 500), Evaluar());
  // A queen up with pieces on both sides: material - 300 above beta returns at once.
  ASSERT_EQ(ColocarFEN("r3k1n1/8/8/8/8/8/8/R2QK1N1 w - - 0 1"), 0);
  PosicionDiagnostico();
  IniciarBusqueda();
  EXPECT_EQ(Quiescencia(-100, 100), 950 - 300);
  EXPECT_EQ(Busqueda.Contadores.QNodos, 0u);
}

TEST(Quiescencia, LosingCapturesAreNotSearched) {
  // Queen takes a defended pawn: negative exchange, never made.
  PrepararBusquedaDiagnostico();
  ASSERT_EQ(ColocarFEN("4k3/2p5/3p4/8/8/8/8/3QK3 w - - 0 1"), 0);
  PosicionDiagnostico();
  IniciarBusqueda();
  Quiescencia(-INFINITO, INFINITO);
  EXPECT_EQ(Busqueda.Contadores.QNodos, 0u);
  EXPECT_EQ(Nodos, 0u);
}

TEST(Hash, DepthPreferredStoreAndNullBit) {
  PrepararBusquedaDiagnostico();
  ASSERT_EQ(ColocarFEN("4k3/8/8/8/8/8/4P3/4K3 w - - 0 1"), 0);
  PosicionDiagnostico();
  IniciarBusqueda();
  ASSERT_EQ(HacerJugada(J("e2e4")), 1);
  EntradaHash e{};
  e.Calado = 5;
  e.Estampa = static_cast<uint16_t>(Busqueda.EstampaRaiz);
  GuardarHashProf(&e, 3, 0, 10, 5, J("e8d7"));
  EXPECT_EQ(e.Calado, 5);
  EXPECT_EQ(Busqueda.Contadores.HashNoGrabaciones, 1u);
  e.Estampa = static_cast<uint16_t>(Busqueda.EstampaRaiz + 1);  // richer than the root: stale
  GuardarHashProf(&e, 3, 0, 10, 5, J("e8d7"));
  EXPECT_EQ(e.Calado, 3);
  EXPECT_EQ(e.Banderas, HASH_EXACTO | HASH_NULO | EstadoActual->Turno);
  EXPECT_TRUE(EntradaCoincide(&e));
  // An upper bound keeps no move; a lower bound does.
  GuardarHashSiempre(&e, 2, 0, 10, -3, J("e8d7"));
  EXPECT_EQ(e.Jugada, 0u);
  EXPECT_TRUE(e.Banderas & HASH_COTA_SUPERIOR);
  GuardarHashSiempre(&e, 2, 0, 10, 30, J("e8d7"));
  EXPECT_EQ(e.Jugada, J("e8d7"));
  EXPECT_TRUE(e.Banderas & HASH_COTA_INFERIOR);
  // A position entered by a null move is stored with the null bit clear.
  HacerNulo();
  GuardarHashSiempre(&e, 2, 0, 10, 5, 0);
  EXPECT_FALSE(e.Banderas & HASH_NULO);
  DeshacerNulo();
  // The same keys with the other side to move never match.
  EXPECT_FALSE(EntradaCoincide(&e));
  DeshacerJugada();
}

TEST(Orden, KillersSelectionRemovalAndSort) {
  PrepararBusquedaDiagnostico();
  ASSERT_EQ(ColocarFEN("4k3/8/8/8/8/8/PPPP4/R3K3 w Q - 0 1"), 0);
  IniciarBusqueda();
  PlyActual = 2;
  TopeJugadas = &PilaJugadas[0];
  GenerarJugadas();
  Busqueda.Asesinas[2][0] = J("a2a3");
  Busqueda.Asesinas[2][1] = J("b2b3");
  Busqueda.Asesinas[0][0] = J("c2c3");  // two plies up: not used at ply 2
  PuntuarAsesinas();
  for (EntradaJugada* e = InicioLista[2]; e <= TopeJugadas; ++e) {
    if (e->Jugada == J("a2a3")) {
      EXPECT_EQ(e->Valor, 3000);
    } else if (e->Jugada == J("b2b3")) {
      EXPECT_EQ(e->Valor, 2900);
    } else if (e->Jugada == J("c2c3")) {
      EXPECT_LT(e->Valor, 2850);
    }
  }
  ElegirMejor();
  EXPECT_EQ(TopeJugadas->Jugada, J("a2a3"));
  const auto n = TopeJugadas - InicioLista[2];
  QuitarJugada(J("d2d4"));
  EXPECT_EQ(TopeJugadas - InicioLista[2], n - 1);
  for (EntradaJugada* e = InicioLista[2]; e <= TopeJugadas; ++e) EXPECT_NE(e->Jugada, J("d2d4"));
  QuitarJugada(J("h7h8"));  // absent: nothing changes
  EXPECT_EQ(TopeJugadas - InicioLista[2], n - 1);
  OrdenarLista();
  for (EntradaJugada* e = InicioLista[2]; e < TopeJugadas; ++e) EXPECT_LE(e->Valor, (e + 1)->Valor);
  // A killer update moves the old first killer down; the same move changes nothing.
  ActualizarAsesinas(J("e1d1"));
  EXPECT_EQ(Busqueda.Asesinas[2][0], J("e1d1"));
  EXPECT_EQ(Busqueda.Asesinas[2][1], J("a2a3"));
  ActualizarAsesinas(J("e1d1"));
  EXPECT_EQ(Busqueda.Asesinas[2][1], J("a2a3"));
  PlyActual = 0;
  ReiniciarPartida();
}

// The search's move order, and with it the whole tree, depends on the exact
// order ElegirMejor leaves the list in, not just on which entry it brings up:
// each entry of the walk that beats the current leader trades places with it.
// Random lists full of ties, against that rule played out on whole entries.
TEST(Orden, SelectionLeavesTheListInTheWalksOrder) {
  std::mt19937 azar(20261208);
  PlyActual = 3;
  for (int vuelta = 0; vuelta < 500; ++vuelta) {
    const int n = 1 + static_cast<int>(azar() % 40);
    std::vector<EntradaJugada> esperada(n);
    for (int i = 0; i < n; ++i) {
      esperada[i] = {static_cast<Jugada>(azar()), static_cast<int32_t>(azar() % 7) - 3};
      PilaJugadas[i] = esperada[i];
    }
    for (int i = n - 2; i >= 0; --i)
      if (esperada[i].Valor > esperada[n - 1].Valor) std::swap(esperada[i], esperada[n - 1]);
    InicioLista[3] = &PilaJugadas[0];
    TopeJugadas = &PilaJugadas[n - 1];
    ElegirMejor();
    ASSERT_EQ(TopeJugadas, &PilaJugadas[n - 1]);
    for (int i = 0; i < n; ++i) {
      ASSERT_EQ(PilaJugadas[i].Jugada, esperada[i].Jugada) << "entry " << i << " of " << n;
      ASSERT_EQ(PilaJugadas[i].Valor, esperada[i].Valor) << "entry " << i << " of " << n;
    }
  }
  PlyActual = 0;
  TopeJugadas = &PilaJugadas[0];
  ReiniciarPartida();
}

TEST(Busqueda, PrincipalVariationIsStoredAndLegal) {
  Buscar("r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3", 5);
  // Every move of row 0 is legal in turn and, once stored, the root's table
  // entry names the first one as exact.
  GuardarPV(5);
  EXPECT_EQ(JugadaHashActual(), Busqueda.VariantePrincipal[0][0].Jugada);
  EXPECT_TRUE(Busqueda.TablaHashProf[EstadoActual->ClaveBaja & MascaraHash].Banderas & HASH_EXACTO);
  int hechas = 0;
  for (int i = 0; i < FILAS_PV && Busqueda.VariantePrincipal[0][i].Jugada != 0; ++i) {
    ASSERT_EQ(HacerJugada(Busqueda.VariantePrincipal[0][i].Jugada), 1) << i;
    ++hechas;
  }
  EXPECT_GE(hechas, 2);
  while (hechas-- > 0) DeshacerJugada();
}

TEST(Busqueda, BenchIsReproducible) {
  const uint64_t a = Bench(3, false);
  const uint64_t b = Bench(3, false);
  EXPECT_EQ(a, b);
  EXPECT_GT(a, 1000u);
}

TEST(Busqueda, SingleLegalMoveStopsAfterOneIteration) {
  Buscar("7k/8/6K1/8/8/8/8/R7 b - - 0 1", 6);
  EXPECT_EQ(Busqueda.ProfundidadIteracion, 1);
  EXPECT_EQ(Mejor(), "h8g8");
  EXPECT_EQ(Busqueda.NumRaiz, 1);
}

TEST(Busqueda, MissingTablesFallBackToSingleEntries) {
  PrepararBusquedaDiagnostico();
  EntradaHash* const prof = Busqueda.TablaHashProf;
  EntradaHash* const siempre = Busqueda.TablaHashSiempre;
  MarcasSlot* const filtro = Busqueda.FiltroHash;
  const uint32_t mascara = MascaraHash;
  Busqueda.TablaHashProf = nullptr;
  Busqueda.TablaHashSiempre = nullptr;
  Busqueda.FiltroHash = nullptr;
  ASSERT_EQ(ColocarFEN("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1"), 0);
  PosicionDiagnostico();
  IterarHastaProfundidad(4);
  EXPECT_EQ(Mejor(), "d1d8");
  EXPECT_NE(Busqueda.TablaHashProf, nullptr);
  EXPECT_EQ(MascaraHash, 0u);
  Busqueda.TablaHashProf = prof;
  Busqueda.TablaHashSiempre = siempre;
  Busqueda.FiltroHash = filtro;
  MascaraHash = mascara;
  ReiniciarPartida();
}

// Every slot's filter byte must be the top byte of the key its entry holds:
// one write path that forgets it would make a stored position unreachable.
::testing::AssertionResult FiltroCoincide() {
  for (uint32_t s = 0; s <= MascaraHash; ++s)
    for (int t = 0; t < 2; ++t) {
      const EntradaHash& e = (t == 0 ? Busqueda.TablaHashProf : Busqueda.TablaHashSiempre)[s];
      if (Busqueda.FiltroHash[s].Marca[t] != MarcaFiltro(e.ClaveAlta))
        return ::testing::AssertionFailure() << "slot " << s << " table " << t;
    }
  return ::testing::AssertionSuccess();
}

TEST(Hash, FilterFollowsEveryStoreAndClear) {
  PrepararBusquedaDiagnostico();
  ASSERT_TRUE(FiltroCoincide());
  // Searches fill both tables by every store path (the principal variation's
  // own included); a second search of a position finds its first one's entries.
  for (const char* fen : {"r1bqkb1r/pppp1ppp/2n2n2/4p3/2B1P3/5N2/PPPP1PPP/RNBQK2R w KQkq - 4 4",
                          "8/8/4k3/3rp3/8/3RPK2/8/8 w - - 0 1"}) {
    ASSERT_EQ(ColocarFEN(fen), 0);
    PosicionDiagnostico();
    IterarHastaProfundidad(5);
    EXPECT_TRUE(FiltroCoincide()) << fen;
    const uint32_t nodos = Nodos;
    IterarHastaProfundidad(5);
    EXPECT_LT(Nodos, nodos) << fen;
    EXPECT_TRUE(FiltroCoincide()) << fen;
  }
  LimpiarTablasBusqueda();
  EXPECT_TRUE(FiltroCoincide());
  // A smaller table and back: the filter is sized and cleared with them.
  ReservarTablasBusqueda(1);
  EXPECT_TRUE(FiltroCoincide());
  ASSERT_EQ(ColocarFEN("6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1"), 0);
  PosicionDiagnostico();
  IterarHastaProfundidad(4);
  EXPECT_EQ(Mejor(), "d1d8");
  EXPECT_TRUE(FiltroCoincide());
  ReservarTablasBusqueda(Personalidad.TABLA_HASH);
  EXPECT_TRUE(FiltroCoincide());
  ReiniciarPartida();
}
