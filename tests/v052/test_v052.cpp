// The earlier build in-process: its output forms and the parts of its search
// that the current build does not have (internal iterative deepening, its
// quiescence search with the lazy shortcut and check evasions).
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "core/core.h"
#include "diag/diag.h"
#include "driver/driver.h"
#include "eval/eval.h"
#include "search/search.h"

static_assert(VERSION_052, "this suite is built against the earlier engine");

namespace {

class Anterior : public ::testing::Test {
 protected:
  void SetUp() override {
    PrepararBusquedaDiagnostico();
    Busqueda.BusquedaDiagnostico = 0;
    Personalidad = PERSONALIDAD_INICIAL;
    FicheroLog = std::tmpfile();
    Busqueda.InformadorBusqueda = &INFORMADOR_XBOARD;
  }
  void TearDown() override {
    Busqueda.InformadorBusqueda = nullptr;
    CerrarLog();
    Personalidad = PERSONALIDAD_INICIAL;
    Busqueda.Limites.Modo = ModoBusqueda::Normal;
    Busqueda.BusquedaDiagnostico = 1;
  }
  // The position, row 0 of the variation and the figures a thinking line shows.
  void Preparar(const char* fen, std::initializer_list<Jugada> variante, int32_t valor,
                uint32_t nodos, double segundos) {
    ASSERT_EQ(ColocarFEN(fen), 0);
    int i = 0;
    for (Jugada j : variante) Busqueda.VariantePrincipal[0][i++].Jugada = j;
    Busqueda.VariantePrincipal[0][i].Jugada = 0;
    Busqueda.ValorRaiz() = valor;
    Nodos = nodos;
    Busqueda.TiempoTranscurrido = segundos;
  }
  template <typename F>
  std::string Salida(F f) {
    testing::internal::CaptureStdout();
    f();
    return testing::internal::GetCapturedStdout();
  }
  std::string TextoLog() {
    std::fflush(FicheroLog);
    std::rewind(FicheroLog);
    std::string texto;
    for (int c; (c = std::fgetc(FicheroLog)) != EOF;) texto += static_cast<char>(c);
    return texto;
  }
};

const char* const INICIAL = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
const Jugada E2E4 = CrearJugada(0x64, 0x44), E7E5 = CrearJugada(0x14, 0x34),
             G1F3 = CrearJugada(0x76, 0x55);

TEST_F(Anterior, ThinkingLineWithArrayVariationAndSpeed) {
  // The line is printed from the array up to the depth, unchecked; an empty entry
  // shows as "*" and ends it; the speed follows on standard output only.
  Preparar(INICIAL, {E2E4, E7E5}, -15, 123456, 2.0);
  ASSERT_EQ(HacerJugada(E2E4), 1);
  Nodos = 123456;
  EXPECT_EQ(Salida([] { ImprimirLineaPensamiento(4, Busqueda.ValorRaiz()); }),
            "4 -15 200 123456  e2e4 e7e5 * (61 knps)\n");
  EXPECT_EQ(TextoLog(), "4\t-0.15\t2.00\t  123456  e2e4 e7e5 *\n");
  // A full line up to the depth has no star; a move the board would refuse is
  // printed all the same.
  Busqueda.VariantePrincipal[0][2].Jugada = E2E4;
  EXPECT_EQ(Salida([] { ImprimirLineaPensamiento(3, Busqueda.ValorRaiz()); }),
            "3 -15 200 123456  e2e4 e7e5 e2e4  (61 knps)\n");
  DeshacerJugada();
}

TEST_F(Anterior, FailHighAndFailLowMarks) {
  Preparar(INICIAL, {E2E4}, 40, 5000, 0.0);
  Busqueda.TiempoInicio = RelojMs();
  const std::string alta = Salida([] { ImprimirFallaAlta(6, G1F3, Busqueda.ValorRaiz()); });
  const std::string baja = Salida([] { ImprimirFallaBaja(6, G1F3, Busqueda.ValorRaiz()); });
  EXPECT_EQ(alta.substr(0, 5), "6 40 ");
  EXPECT_EQ(alta.substr(alta.size() - 8), "  g1f3!\n") << alta;
  EXPECT_EQ(baja.substr(baja.size() - 8), "  g1f3?\n") << baja;
  // The marks go to the log too.
  EXPECT_NE(TextoLog().find("g1f3!\n"), std::string::npos);
}

TEST_F(Anterior, KibitzAndNoStat01) {
  Preparar(INICIAL, {E2E4, E7E5}, 25, 9000, 1.5);
  Busqueda.ProfundidadIteracion = 3;
  Busqueda.Contadores = ContadoresBusqueda{};
  EXPECT_EQ(Salida([] { ImprimirKibitz(); }),
            "\ntellall Depth:3  Ev:0.25  Time:1.50  Nodes:9000  PV:e2e4 e7e5 *  * EGTB: 0/0\n");
  EXPECT_EQ(Salida([] { ImprimirEstado(6, 3, E2E4); }), "");
}

TEST_F(Anterior, OldStatisticsBlock) {
  Preparar(INICIAL, {E2E4}, 0, 1000, 2.0);
  Busqueda.Limites.TiempoRestante = 93.7;
  Busqueda.Contadores = ContadoresBusqueda{};
  EstadisticasLog();
  const std::string log = TextoLog();
  EXPECT_EQ(log.rfind("\nTiempo restante: 93\nTotales: Visitados: 1000   QNodos: 0\nNulos: ", 0),
            0u)
      << log;
  for (const char* linea :
       {"\nHash exactos: 0   UBounds: 0   LBounds: 0   Fallos: 0",
        "\nEval peones: ", "\nCortes Beta: 0  Cortes Beta Primera: 0  (0%)  Podas Futility: 0",
        "\nIntentos EGTB: 0  Aciertos EGTB: 0", "\nPor segundo: Visitados: 500\n"})
    EXPECT_NE(log.find(linea), std::string::npos) << linea << "\n" << log;
  EXPECT_EQ(log.find("ataques"), std::string::npos);
}

TEST_F(Anterior, LazyQuiescenceAndEvasions) {
  // A queen for a knight up with LAZY 200 (both sides have pieces): beyond beta
  // by more than the margin, the material less the margin is returned without
  // evaluating.
  ASSERT_EQ(ColocarFEN("4kn2/8/8/8/8/8/3QP3/4K3 w - - 0 1"), 0);
  PlyActual = 0;
  const int32_t m = EstadoActual->Material;
  EXPECT_EQ(Quiescencia(-100, 100), m - 200);
  Personalidad.LAZY = 0;
  EXPECT_NE(Quiescencia(-100, 100), m - 200);
  // Mated with check evasions on: no move, a mate score at this ply.
  ASSERT_EQ(ColocarFEN("R5k1/5ppp/8/8/8/8/8/6K1 b - - 0 1"), 0);
  Personalidad.JAQUES_QSEARCH = 1;
  EXPECT_EQ(Quiescencia(-100000, 100000), 0 - 100001);
  // Insufficient material within twice the knight's value is a draw.
  ASSERT_EQ(ColocarFEN("4k3/8/8/8/8/8/8/2B1K3 w - - 0 1"), 0);
  EXPECT_EQ(Quiescencia(-100, 100), 0);
}

TEST_F(Anterior, InternalIterativeDeepening) {
  // With IID a node without a hash move first searches two plies shallower: the
  // same search with and without it visits other nodes, and plays a sound move.
  const char* fen = "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3";
  Busqueda.BusquedaDiagnostico = 1;
  uint32_t nodos[2];
  for (int iid : {1, 0}) {
    Personalidad.IID = iid;
    ASSERT_EQ(ColocarFEN(fen), 0);
    PosicionDiagnostico();
    IterarHastaProfundidad(5);
    EXPECT_NE(Busqueda.VariantePrincipal[0][0].Jugada, 0u) << iid;
    nodos[iid] = Nodos;
  }
  EXPECT_NE(nodos[0], nodos[1]);
}

}  // namespace
