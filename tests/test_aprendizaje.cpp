// Position learning: the game's records and their merge into the books.
#include "tests/libro_test_util.h"

using namespace libro_prueba;

namespace {

constexpr const char* INICIAL = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";

void Jugar(const char* m) { ASSERT_EQ(HacerJugadaPartida(BuscarJugada(m)), 1) << m; }

const EntradaLibro* EnLibro(uint64_t clave, bool blancas = true) {
  return blancas ? BuscarLibro(Libros.LibroBlancas, Libros.NumLibroBlancas, static_cast<uint32_t>(clave),
                               static_cast<uint32_t>(clave >> 32))
                 : BuscarLibro(Libros.LibroNegras, Libros.NumLibroNegras, static_cast<uint32_t>(clave),
                               static_cast<uint32_t>(clave >> 32));
}

struct Partida {
  uint64_t libro1, libro2, busca1, busca2, busca3;
};

// The engine as White: two book moves, then three searched moves of 12 seconds.
Partida JugarPartida() {
  Partida p{};
  Posicionar(INICIAL);
  LibrosVacios();
  Anadir("e2e4", MARCA_LIBRO, 10);
  p.libro1 = ClaveTras("e2e4");
  AprenderJugadaLibro(BuscarJugada("e2e4"), 11);
  Jugar("e2e4");
  Jugar("e7e5");
  Anadir("g1f3", MARCA_LIBRO, 4);
  p.libro2 = ClaveTras("g1f3");
  AprenderJugadaLibro(BuscarJugada("g1f3"), 5);
  Jugar("g1f3");
  Jugar("b8c6");
  p.busca1 = ClaveTras("f1b5");
  AprenderBusqueda(BuscarJugada("f1b5"), 10, 30, 12);
  Jugar("f1b5");
  Jugar("a7a6");
  // A lower score than the last record's lowers that record by one.
  p.busca2 = ClaveTras("b5a4");
  AprenderBusqueda(BuscarJugada("b5a4"), 11, 25, 12);
  Jugar("b5a4");
  Jugar("g8f6");
  p.busca3 = ClaveTras("e1g1");
  AprenderBusqueda(BuscarJugada("e1g1"), 9, 40, 12);
  return p;
}

}  // namespace

TEST(Aprendizaje, AWonGameRaisesBookMovesAndAddsLearnedOnes) {
  const Partida p = JugarPartida();
  ASSERT_EQ(Libros.NumListaPartida, 5);
  EXPECT_EQ(Libros.ListaPartida[0].Valor, 11);
  EXPECT_EQ(Libros.ListaPartida[0].Profundidad, 0);
  EXPECT_EQ(Libros.ListaPartida[0].Color, 1);
  EXPECT_EQ(Libros.ListaPartida[2].Valor, 29);  // lowered by the next search's 25
  EXPECT_EQ(Libros.ListaPartida[3].Valor, 25);
  EXPECT_EQ(Libros.ListaPartida[4].Valor, 40);  // a higher score lowers nothing
  EXPECT_EQ(Libros.ListaPartida[3].ClaveBaja, static_cast<uint32_t>(p.busca2));
  ASSERT_EQ(Libros.NumLibroBlancas, 2u);

  Aprender("1-0", BLANCO);
  EXPECT_EQ(LogCapturado(), "\nAprendiendo...\n");
  EXPECT_EQ(Libros.NumLibroBlancas, 5u);
  EXPECT_EQ(Libros.NumLibroNegras, 0u);
  EXPECT_TRUE(LibroOrdenado(Libros.LibroBlancas, Libros.NumLibroBlancas));
  EXPECT_EQ(EnLibro(p.libro1)->Peso, 11);
  EXPECT_EQ(EnLibro(p.libro2)->Peso, 5);
  EXPECT_EQ(EnLibro(p.libro2)->Marcas, MARCA_LIBRO);
  const EntradaLibro* b = EnLibro(p.busca1);
  ASSERT_NE(b, nullptr);
  EXPECT_EQ(b->Marcas, 0);
  EXPECT_EQ(b->Peso, 1);
  EXPECT_EQ(b->Valor, 29);
  EXPECT_EQ(b->Profundidad, 10);
  EXPECT_EQ(b->Segundos, 12);
  EXPECT_EQ(EnLibro(p.busca2)->Valor, 25);
  EXPECT_EQ(EnLibro(p.busca3)->Profundidad, 9);
  EXPECT_EQ(EnLibro(p.busca3)->Peso, 1);

  // The list stays: a second result applies it again, without new records.
  Aprender("1-0", BLANCO);
  EXPECT_EQ(Libros.NumLibroBlancas, 5u);
  EXPECT_EQ(EnLibro(p.libro1)->Peso, 12);
  EXPECT_EQ(EnLibro(p.busca1)->Peso, 2);
  NuevaPartidaLibro();
  EXPECT_EQ(Libros.NumListaPartida, 0);
}

TEST(Aprendizaje, ResultsFromTheEnginesSide) {
  // Draw: weights unchanged, new positions still learned with weight 0.
  Partida p = JugarPartida();
  Aprender("1/2-1/2", BLANCO);
  EXPECT_EQ(EnLibro(p.libro1)->Peso, 10);
  ASSERT_NE(EnLibro(p.busca3), nullptr);
  EXPECT_EQ(EnLibro(p.busca3)->Peso, 0);
  // A loss as White.
  p = JugarPartida();
  Aprender("0-1", BLANCO);
  EXPECT_EQ(EnLibro(p.libro1)->Peso, 9);
  EXPECT_EQ(EnLibro(p.busca1)->Peso, -1);
  // In force mode (no side) a decided game counts as lost, either way.
  for (const char* r : {"1-0", "0-1"}) {
    p = JugarPartida();
    Aprender(r, -1);
    EXPECT_EQ(EnLibro(p.libro1)->Peso, 9) << r;
  }
  // Anything else is a draw.
  p = JugarPartida();
  Aprender("*", BLANCO);
  EXPECT_EQ(EnLibro(p.libro1)->Peso, 10);
}

TEST(Aprendizaje, BlackGamesGoToTheBlackBook) {
  Posicionar(INICIAL);
  LibrosVacios();
  Jugar("d2d4");
  const uint64_t k = ClaveTras("g8f6");
  AprenderBusqueda(BuscarJugada("g8f6"), 8, -15, 20);
  EXPECT_EQ(Libros.ListaPartida[0].Color, 0);
  Aprender("0-1", NEGRO);
  EXPECT_EQ(Libros.NumLibroBlancas, 0u);
  ASSERT_NE(EnLibro(k, false), nullptr);
  EXPECT_EQ(EnLibro(k, false)->Peso, 1);
  EXPECT_EQ(EnLibro(k, false)->Valor, -15);
}

TEST(Aprendizaje, LearnedValuesAreReplacedOnlyByLongerSearches) {
  Posicionar(INICIAL);
  LibrosVacios();
  Anadir("e2e4", 0, 3, 50, 12, 20);
  const uint64_t k = ClaveTras("e2e4");
  AprenderBusqueda(BuscarJugada("e2e4"), 9, -70, 15);  // shorter: only the weight moves
  Aprender("1-0", BLANCO);
  EXPECT_EQ(EnLibro(k)->Peso, 4);
  EXPECT_EQ(EnLibro(k)->Valor, 50);
  EXPECT_EQ(EnLibro(k)->Profundidad, 12);
  NuevaPartidaLibro();
  AprenderBusqueda(BuscarJugada("e2e4"), 14, 35, 20);  // as long: replaces the value
  Aprender("1-0", BLANCO);
  EXPECT_EQ(EnLibro(k)->Valor, 35);
  EXPECT_EQ(EnLibro(k)->Profundidad, 14);
  EXPECT_EQ(EnLibro(k)->Peso, 5);
  // A book record keeps everything but its weight.
  LibrosVacios();
  Anadir("e2e4", MARCA_LIBRO | MARCA_AJUSTE, 32767);
  AprenderBusqueda(BuscarJugada("e2e4"), 14, 35, 20);
  Aprender("1-0", BLANCO);
  EXPECT_EQ(EnLibro(k)->Marcas, MARCA_LIBRO | MARCA_AJUSTE);
  EXPECT_EQ(EnLibro(k)->Valor, 0);
  // The weight stops at its limit instead of wrapping round to the worst.
  EXPECT_EQ(EnLibro(k)->Peso, 32767);
}

TEST(Aprendizaje, RepeatedPositionsAndAFullBook) {
  Posicionar(INICIAL);
  LibrosVacios();
  // The same position recorded twice in one game becomes one record.
  AprenderBusqueda(BuscarJugada("g1f3"), 5, 10, 12);
  AprenderBusqueda(BuscarJugada("g1f3"), 6, 12, 13);
  Aprender("1-0", BLANCO);
  EXPECT_EQ(Libros.NumLibroBlancas, 1u);
  EXPECT_EQ(Libros.LibroBlancas[0].Peso, 2);
  EXPECT_EQ(Libros.LibroBlancas[0].Profundidad, 6);
  // Mate scores are held at the ends of the 16-bit range, sign kept.
  LibrosVacios();
  AprenderBusqueda(BuscarJugada("g1f3"), 5, 100000 - 3, 12);
  AprenderBusqueda(BuscarJugada("b1c3"), 5, -100000 + 4, 12);
  EXPECT_EQ(Libros.ListaPartida[0].Valor, 32767 - 1);  // lowered by the lower score after it
  EXPECT_EQ(Libros.ListaPartida[1].Valor, -32768);
  // A full book takes nothing more and says so.
  LibrosVacios();
  for (uint32_t i = 0; i < CAPACIDAD_LIBRO; ++i) Libros.LibroBlancas[i] = Registro(i + 1, MARCA_LIBRO, 0);
  Libros.NumLibroBlancas = CAPACIDAD_LIBRO;
  AprenderBusqueda(BuscarJugada("g1f3"), 5, 10, 12);
  Aprender("1-0", BLANCO);
  EXPECT_EQ(Libros.NumLibroBlancas, CAPACIDAD_LIBRO);
  EXPECT_NE(LogCapturado().find("1 posiciones aprendidas descartadas"), std::string::npos);
  LibrosVacios();
}
