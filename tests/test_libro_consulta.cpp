// The book probe: candidates and their weights, avoided and learned moves, the
// values planted in the transposition table, and the exact output.
#include "driver/driver.h"
#include "diag/diag.h"
#include "search/search.h"
#include "tests/libro_test_util.h"

using namespace libro_prueba;

namespace {

constexpr const char* INICIAL = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

struct Sonda {
  int Resultado;
  std::string Salida;
  std::string Jugada;
};

// Root position set, tables fresh, books empty.
void Raiz(const char* fen) {
  PrepararBusquedaDiagnostico();
  ASSERT_EQ(ColocarFEN(fen), 0);
  PosicionDiagnostico();
  LibrosVacios();
  Busqueda.EstampaRaiz = static_cast<uint32_t>(EstadoActual->MaterialTotal);
  Busqueda.TiempoEsperado = 10.0;
}

// What the search hands the probe: an exact store into the depth-preferred table.
void PlantarEnTabla(int32_t valor, int prof) {
  GuardarHashProf(&Busqueda.TablaHashProf[EstadoActual->ClaveBaja & MascaraHash], prof, -INFINITO, INFINITO,
                  valor, 0);
}

int32_t PesoJugadaLibro = 0;  // the weight of the last probe's choice

Sonda Consultar(int32_t selectividad, int32_t limite = -25) {
  PlyActual = 0;
  EntradaJugada* const tope = TopeJugadas;
  GenerarJugadas();
  Sonda s;
  const ConsultaLibro c = ConsultarLibro(selectividad, limite, Busqueda.TiempoEsperado, PlantarEnTabla);
  // The candidates as an xboard front end sees them.
  testing::internal::CaptureStdout();
  if (c.NumCandidatos > 0) INFORMADOR_XBOARD.Libro(c);
  s.Salida = testing::internal::GetCapturedStdout();
  const Jugada j = c.Elegida;
  s.Resultado = j != 0;
  s.Jugada = j ? TextoJugada(j) : "";
  PesoJugadaLibro = c.Peso;
  TopeJugadas = tope;
  return s;
}

// The depth-preferred entry of the position after `texto`, if it holds it.
const EntradaHash* Plantada(const std::string& texto) {
  const Jugada j = BuscarJugada(texto);
  if (j == 0 || !HacerJugada(j)) return nullptr;
  const EntradaHash* e = &Busqueda.TablaHashProf[EstadoActual->ClaveBaja & MascaraHash];
  const bool coincide = EntradaCoincide(e);
  DeshacerJugada();
  return coincide ? e : nullptr;
}

}  // namespace

TEST(ConsultaLibro, NoRecordNoMove) {
  Raiz(INICIAL);
  const Sonda s = Consultar(25);
  EXPECT_EQ(s.Resultado, 0);
  EXPECT_EQ(s.Salida, "");
  EXPECT_EQ(PesoJugadaLibro, -100000);
}

TEST(ConsultaLibro, WithoutRandomTermTheHighestWeightAndTheFirstOfEqualsWin) {
  Raiz(INICIAL);
  Anadir("e2e4", MARCA_LIBRO, 7);
  Anadir("d2d4", MARCA_LIBRO, 9);
  Anadir("c2c4", MARCA_LIBRO, 9);
  Sonda s = Consultar(1);
  EXPECT_EQ(s.Resultado, 1);
  // Moves are probed from the last generated to the first: e2e4, d2d4, c2c4.
  EXPECT_EQ(s.Salida, "0 0 0 0  <L> e2e4(7) <L> d2d4(9) <L> c2c4(9) ");
  EXPECT_EQ(LogCapturado(),
            "\nJugada Libro: e2e4 (7);\nJugada Libro: d2d4 (9);\nJugada Libro: c2c4 (9);");
  EXPECT_EQ(s.Jugada, "d2d4");
  EXPECT_EQ(PesoJugadaLibro, 9);
  // A selectivity of 0 or below is no error: no random term, as with 1.
  EXPECT_EQ(Consultar(0).Jugada, "d2d4");
  EXPECT_EQ(Consultar(-5).Jugada, "d2d4");
}

TEST(ConsultaLibro, RandomTermStaysWithinItsWidth) {
  Raiz(INICIAL);
  Anadir("e2e4", MARCA_LIBRO, 100);
  for (int i = 0; i < 3; ++i) {
    Consultar(25);
    EXPECT_GE(PesoJugadaLibro, 100 - 12);
    EXPECT_LE(PesoJugadaLibro, 100 + 12);
  }
}

TEST(ConsultaLibro, AvoidedMovesAreNeverChosenAndWarnTheSearch) {
  Raiz(INICIAL);
  Anadir("e2e4", MARCA_LIBRO | MARCA_EVITAR, 1000);
  Anadir("g1f3", MARCA_LIBRO | MARCA_AJUSTE, -60);
  Anadir("a2a3", MARCA_LIBRO, -500);
  const Sonda s = Consultar(1);
  EXPECT_EQ(s.Jugada, "a2a3");
  EXPECT_EQ(s.Salida, "0 0 0 0  <L> a2a3(-500) ");
  // The opponent, to move after e2e4 or g1f3, sees them worth 300 (the mover -300).
  for (const char* m : {"e2e4", "g1f3"}) {
    const EntradaHash* e = Plantada(m);
    ASSERT_NE(e, nullptr) << m;
    EXPECT_EQ(e->Valor, 300);
    EXPECT_EQ(e->Calado, 20);
    EXPECT_EQ(e->Banderas & (HASH_EXACTO | HASH_COTA_SUPERIOR | HASH_COTA_INFERIOR), HASH_EXACTO);
    EXPECT_EQ(e->Jugada, 0u);
  }
  EXPECT_EQ(Plantada("a2a3"), nullptr);  // book moves plant nothing
  // Only avoided moves: no book move.
  Raiz(INICIAL);
  Anadir("e2e4", MARCA_LIBRO | MARCA_EVITAR, 5);
  EXPECT_EQ(Consultar(1).Resultado, 0);
}

TEST(ConsultaLibro, AdjustedWeightsGoThroughTheThresholds) {
  const auto peso = [](int16_t p) {
    return ClasificarEntrada(Registro(1, MARCA_LIBRO | MARCA_AJUSTE, p), 0, -25);
  };
  EXPECT_EQ(peso(4).Peso, 45);
  EXPECT_EQ(peso(4).Mostrado, 4);
  EXPECT_EQ(peso(0).Peso, 25);
  EXPECT_EQ(peso(-25).Peso, 0);
  EXPECT_EQ(peso(-26).Peso, -26);
  EXPECT_EQ(peso(-30).Peso, -30);
  EXPECT_EQ(peso(-50).Tipo, TipoCandidato::Libro);
  EXPECT_EQ(peso(-50).Peso, -50);
  EXPECT_EQ(peso(-51).Tipo, TipoCandidato::Evitar);
  EXPECT_EQ(peso(-60).Tipo, TipoCandidato::Evitar);
  // Without the adjust flag the weight is taken as it is.
  EXPECT_EQ(ClasificarEntrada(Registro(1, MARCA_LIBRO, 4), 0, -25).Peso, 4);
  EXPECT_EQ(ClasificarEntrada(Registro(1, MARCA_LIBRO, -60), 0, -25).Tipo, TipoCandidato::Libro);

  Raiz(INICIAL);
  Anadir("e2e4", MARCA_LIBRO | MARCA_AJUSTE, 4);  // 45
  Anadir("d2d4", MARCA_LIBRO, 44);
  EXPECT_EQ(Consultar(1).Jugada, "e2e4");
  EXPECT_EQ(PesoJugadaLibro, 45);
}

TEST(ConsultaLibro, LearnedRecordsNeedTimeAndAnAcceptableValue) {
  Raiz(INICIAL);
  // Value 40 + weight 2, from a 12-second search of depth 9: a candidate.
  Anadir("e2e4", 0, 2, 40, 9, 12);
  // Searched for 5 seconds only: no candidate, but its value -(-90 + 0) is planted.
  Anadir("d2d4", 0, 0, -90, 7, 5);
  // Long enough, but -20 - 5 = -25 is not above the acceptance limit.
  Anadir("c2c4", 0, -5, -20, 8, 30);
  Sonda s = Consultar(1);
  EXPECT_EQ(s.Resultado, 1);
  EXPECT_EQ(s.Salida, "0 0 0 0  <A> e2e4(2) ");
  EXPECT_EQ(LogCapturado(), "\nJugada Aprendida: e2e4 (2);");
  EXPECT_EQ(s.Jugada, "e2e4");
  EXPECT_EQ(PesoJugadaLibro, 42);
  const EntradaHash* e = Plantada("d2d4");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->Valor, 90);
  EXPECT_EQ(e->Calado, 7);
  e = Plantada("e2e4");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->Valor, -42);
  EXPECT_EQ(e->Calado, 9);
  e = Plantada("c2c4");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->Valor, 25);
  // With a 3-second plan the 5-second record is old enough too; a lower limit
  // admits both low values. Book candidates are shown before learned ones, and
  // win ties.
  Busqueda.TiempoEsperado = 3.9;
  Anadir("g1f3", MARCA_LIBRO, 42);
  s = Consultar(1, -100);
  EXPECT_EQ(s.Salida, "0 0 0 0  <L> g1f3(42) <A> e2e4(2) <A> d2d4(0) <A> c2c4(-5) ");
  EXPECT_EQ(s.Jugada, "g1f3");
}

TEST(ConsultaLibro, TranspositionsMakeEveryMoveThatReachesABookPositionACandidate) {
  // The book knows 1.e4 e6 2.d4 and 1.c4 e6 2.d4; after 1.d4 e6 both 2.e4 and
  // 2.c4 reach one of its positions by another move order.
  Raiz(INICIAL);
  for (const char* linea : {"e2e4 e7e6 d2d4", "c2c4 e7e6 d2d4"}) {
    std::vector<std::string> m;
    std::string t;
    for (const char* p = linea;; ++p) {
      if (*p == ' ' || *p == 0) {
        m.push_back(t);
        t.clear();
        if (*p == 0) break;
      } else {
        t += *p;
      }
    }
    ASSERT_EQ(ColocarFEN(INICIAL), 0);
    for (size_t i = 0; i + 1 < m.size(); ++i) ASSERT_EQ(HacerJugadaPartida(BuscarJugada(m[i])), 1);
    Anadir(m.back(), MARCA_LIBRO, 3);
  }
  ASSERT_EQ(ColocarFEN(INICIAL), 0);
  ASSERT_EQ(HacerJugadaPartida(BuscarJugada("d2d4")), 1);
  ASSERT_EQ(HacerJugadaPartida(BuscarJugada("e7e6")), 1);
  const Sonda s = Consultar(1);
  EXPECT_EQ(s.Salida, "0 0 0 0  <L> e2e4(3) <L> c2c4(3) ");
  EXPECT_EQ(s.Jugada, "e2e4");
}

TEST(ConsultaLibro, AtMostFiftyCandidatesOfAKind) {
  // Two queens and two rooks give far more than 50 legal moves.
  Raiz("4k3/8/8/3Q4/8/2Q5/8/R3K2R w KQ - 0 1");
  const std::vector<Jugada> legales = JugadasLegales();
  ASSERT_GT(legales.size(), 60u);
  for (Jugada j : legales) Anadir(TextoJugada(j), MARCA_LIBRO, 1);
  const Sonda s = Consultar(1);
  size_t lineas = 0;
  for (size_t p = s.Salida.find("<L>"); p != std::string::npos; p = s.Salida.find("<L>", p + 1))
    ++lineas;
  EXPECT_EQ(lineas, 50u);
  EXPECT_NE(LogCapturado().find(std::to_string(legales.size() - 50) + " candidatas de m"),
            std::string::npos)
      << LogCapturado();
  EXPECT_EQ(s.Resultado, 1);
}
