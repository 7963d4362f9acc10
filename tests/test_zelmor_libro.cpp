// The book builder: SAN on the engine's board, the PGN and ECO-list reader, the
// weights, building, and what the engine then finds in the books.
#include <cstdlib>

#include "driver/driver.h"
#include "search/search.h"
#include "tests/libro_test_util.h"
#include "tests/test_driver_proceso.h"
#include "tools/libro/libro_tool.h"

using namespace libro_prueba;

namespace {

std::string San(const char* fen, const std::string& texto) {
  PrepararTablero();
  EXPECT_EQ(ColocarFEN(fen), 0);
  std::string error;
  const Jugada j = LeerSAN(texto, error);
  return j != 0 ? CoordenadasJugada(j) : error;
}

std::vector<PartidaTexto> Partidas(const std::string& texto, std::string* errores = nullptr,
                                   size_t max = 400) {
  FILE* f = fmemopen(const_cast<char*>(texto.data()), texto.size(), "rb");
  char* buf = nullptr;
  size_t tam = 0;
  FILE* err = open_memstream(&buf, &tam);
  std::vector<PartidaTexto> v;
  {
    LectorPGN lector(f, "prueba.pgn", max, err);
    PartidaTexto p;
    while (lector.Siguiente(p)) v.push_back(p);
  }
  std::fclose(f);
  std::fclose(err);
  if (errores != nullptr) *errores = buf;
  std::free(buf);
  return v;
}

std::string Movimientos(const PartidaTexto& p) {
  std::string s;
  for (const auto& m : p.Movimientos) s += (s.empty() ? "" : " ") + m.Texto;
  return s;
}

}  // namespace

TEST(ConstructorLibro, SanIsReadWithTheEnginesMoves) {
  const char* inicial = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
  EXPECT_EQ(San(inicial, "e4"), "e2e4");
  EXPECT_EQ(San(inicial, "Nf3+!?"), "g1f3");
  EXPECT_EQ(San(inicial, "e5"), "ilegal");
  EXPECT_EQ(San(inicial, "Ke2"), "ilegal");
  EXPECT_EQ(San(inicial, "Zz9"), "ilegible");
  EXPECT_EQ(San(inicial, ""), "ilegible");
  // Castling both ways, with letters or digits.
  const char* enroques = "r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w KQkq - 0 1";
  EXPECT_EQ(San(enroques, "O-O"), "e1g1");
  EXPECT_EQ(San(enroques, "0-0-0"), "e1c1");
  EXPECT_EQ(San("r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R b KQkq - 0 1", "O-O-O"), "e8c8");
  EXPECT_EQ(San("r3k2r/pppppppp/8/8/8/8/PPPPPPPP/R3K2R w Qkq - 0 1", "O-O"), "ilegal");
  // Disambiguation by file, by rank, and both; ambiguity is refused.
  const char* caballos = "4k3/8/8/8/8/2N3N1/8/2N1K3 w - - 0 1";
  EXPECT_EQ(San(caballos, "Ne2"), "ambigua");
  EXPECT_EQ(San(caballos, "Nge2"), "g3e2");
  EXPECT_EQ(San(caballos, "Nc1e2"), "c1e2");
  EXPECT_EQ(San(caballos, "N1e2"), "c1e2");
  EXPECT_EQ(San(caballos, "Nce2"), "ambigua");
  // Promotions with and without "=", underpromotion, captures, en passant.
  const char* promo = "1r2k3/P7/8/3pP3/8/8/8/4K3 w - d6 0 1";
  EXPECT_EQ(San(promo, "a8=Q"), "a7a8q");
  EXPECT_EQ(San(promo, "a8N"), "a7a8n");
  EXPECT_EQ(San(promo, "axb8=R+"), "a7b8r");
  EXPECT_EQ(San(promo, "a8"), "ilegal");
  EXPECT_EQ(San(promo, "exd6"), "e5d6");
  EXPECT_EQ(San(promo, "exd6e.p."), "e5d6");
}

TEST(ConstructorLibro, PgnReaderUnderstandsTheWholeFormat) {
  std::string errores;
  const std::string pgn =
      "[Event \"Prueba \\\"uno\\\"\"]\n"
      "[Result \"1-0\"]\n"
      "\n"
      "1. e4 {a comment\n over two lines} e5 $1 2.Nf3 (2. f4 exf4 (2...d5) 3. Nf3) Nc6!? ; rest\n"
      "3. Bb5 a6 1-0\n"
      "\n"
      "% an escaped line\n"
      "[Event \"two\"]\n"
      "[FEN \"8/8/8/8/8/8/8/K6k w - - 0 1\"]\n"
      "1. Kb2 *\n"
      "[Event \"three\"]\n"
      "1. d4 d5 2. c4 1/2-1/2\n"
      "[Event \"no result\"]\n"
      "1. c4 e5\n"
      "[Event \"broken tag\n"
      "1... Nf6 0-1\n";
  const auto v = Partidas(pgn, &errores);
  ASSERT_EQ(v.size(), 5u);
  EXPECT_EQ(Movimientos(v[0]), "e4 e5 Nf3 Nc6!? Bb5 a6");
  EXPECT_EQ(v[0].Resultado, 1);
  EXPECT_TRUE(v[1].DesdeFEN);
  EXPECT_EQ(v[2].Resultado, 0);
  EXPECT_EQ(Movimientos(v[3]), "c4 e5");
  EXPECT_EQ(v[3].Resultado, RESULTADO_DESCONOCIDO);
  EXPECT_EQ(Movimientos(v[4]), "Nf6");
  EXPECT_EQ(v[4].Resultado, -1);
  EXPECT_EQ(errores, "prueba.pgn:16: etiqueta mal formada, ignorada: [Event\n");
  EXPECT_EQ(v[0].Movimientos[4].Linea, 6);

  // The ECO-list form: code, quoted name, moves over one or more lines, "*".
  const std::string eco =
      "# header comment\n"
      "A00b \"Barnes Opening\"  1.f3 *\n"
      "C42 \"Petrov: 3.Nxe5\"\n"
      "  1.e4 e5 2.Nf3 Nf6 3.Nxe5 *\n";
  const auto w = Partidas(eco);
  ASSERT_EQ(w.size(), 2u);
  EXPECT_EQ(Movimientos(w[0]), "f3");
  EXPECT_EQ(Movimientos(w[1]), "e4 e5 Nf3 Nf6 Nxe5");
  EXPECT_EQ(w[1].Movimientos[0].Linea, 4);
  // Only the first moves are kept.
  EXPECT_EQ(Movimientos(Partidas(eco, nullptr, 2)[1]), "e4 e5");
}

TEST(ConstructorLibro, WeightsGrowWithGamesAndResults) {
  EXPECT_EQ(PesoLibro(1, 0, 0), 10);
  EXPECT_EQ(PesoLibro(3, 0, 0), 20);
  EXPECT_EQ(PesoLibro(7, 0, 0), 30);
  EXPECT_EQ(PesoLibro(1, 1, 0), 20);
  EXPECT_EQ(PesoLibro(1, 0, 1), 0);
  EXPECT_EQ(PesoLibro(4, 3, 1), 23 + 5);
  EXPECT_GT(PesoLibro(100000, 0, 0), PesoLibro(50000, 0, 0));
}

TEST(ConstructorLibro, BuildsBooksTheEngineFindsAgain) {
  prueba::DirectorioTemporal dir;
  // Two move orders to one position, a repeated line, a game with an illegal
  // move, and a 10,000-character token.
  const std::string pgn =
      "[Result \"1-0\"]\n1. e4 e6 2. d4 d5 1-0\n\n"
      "[Result \"0-1\"]\n1. d4 e6 2. e4 d5 0-1\n\n"
      "[Result \"1-0\"]\n1. e4 e6 2. d4 d5 3. Nc3 1-0\n\n"
      "[Result \"*\"]\n1. Nf3 d5 2. Ng1 Nf6 3. Nc3 Qd4 4. Nb5 *\n\n"
      "1. c4 e5 2. " +
      std::string(10000, 'x') +
      " Nc6 *\n\n"
      "1. d4 Nf6 2. Nf3 g6 3. Bf4 Bg7 4. e3 O-O\n";
  dir.Escribir("partidas.pgn", pgn);
  char* buf = nullptr;
  size_t tam = 0;
  FILE* err = open_memstream(&buf, &tam);
  OpcionesCrear o;
  o.Salida = dir.Ruta();
  ResumenCrear r;
  LibrosVacios();
  testing::internal::CaptureStdout();
  const int estado = CrearLibros({dir.Fichero("partidas.pgn")}, o, r, err);
  const std::string salida = testing::internal::GetCapturedStdout();
  std::fclose(err);
  const std::string errores = buf;
  std::free(buf);
  EXPECT_EQ(estado, 0);
  EXPECT_EQ(r.Partidas, 6u);
  EXPECT_EQ(r.Errores, 2u);
  EXPECT_NE(errores.find(":11: jugada ilegal \"Qd4\""), std::string::npos) << errores;
  EXPECT_NE(errores.find(":13: jugada demasiado larga \"xxxx"), std::string::npos) << errores;
  EXPECT_NE(salida.find("Total posiciones blancas"), std::string::npos);

  // The same position after 2.d4 / 2.e4 is one record, through three games.
  Posicionar("rnbqkbnr/pppp1ppp/4p3/8/3PP3/8/PPP2PPP/RNBQKBNR b KQkq - 0 2");
  const uint64_t k = ClaveActual();
  const EntradaLibro* e = BuscarLibro(Libros.LibroBlancas, Libros.NumLibroBlancas, static_cast<uint32_t>(k),
                                      static_cast<uint32_t>(k >> 32));
  ASSERT_NE(e, nullptr);
  // Three games, White won two and lost one.
  EXPECT_EQ(e->Peso, PesoLibro(3, 2, 1));
  EXPECT_EQ(e->Marcas, MARCA_LIBRO);

  // Saved, loaded and saved again: the same bytes.
  const std::string b = LeerFichero(dir.Fichero("Zelmor070B.libro"));
  const std::string n = LeerFichero(dir.Fichero("Zelmor070N.libro"));
  EXPECT_EQ(b.size(), 16u * Libros.NumLibroBlancas);
  LibrosVacios();
  CargarLibros(dir.Fichero("Zelmor070B.libro").c_str(), dir.Fichero("Zelmor070N.libro").c_str());
  EXPECT_EQ(LogCapturado(), "");
  EXPECT_EQ(Bytes(Libros.LibroBlancas, Libros.NumLibroBlancas), b);
  EXPECT_EQ(Bytes(Libros.LibroNegras, Libros.NumLibroNegras), n);
  testing::internal::CaptureStdout();
  GuardarLibros(dir.Fichero("c.libro").c_str(), dir.Fichero("d.libro").c_str());
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(LeerFichero(dir.Fichero("c.libro")), b);
  EXPECT_EQ(LeerFichero(dir.Fichero("d.libro")), n);

  // Every move of the last game is in the book, and the probe offers it.
  PrepararTablero();
  Posicionar("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  for (const char* san : {"d4", "Nf6", "Nf3", "g6", "Bf4", "Bg7", "e3", "O-O"}) {
    std::string error;
    const Jugada j = LeerSAN(san, error);
    ASSERT_NE(j, 0u) << san;
    PlyActual = 0;
    GenerarJugadas();
    const ConsultaLibro c = ConsultarLibro(1, -25, 10.0, nullptr);
    ASSERT_NE(c.Elegida, 0u) << san;
    testing::internal::CaptureStdout();
    INFORMADOR_XBOARD.Libro(c);
    const std::string linea = testing::internal::GetCapturedStdout();
    EXPECT_NE(linea.find("<L> " + CoordenadasJugada(j).substr(0, 4)), std::string::npos) << linea;
    ASSERT_EQ(HacerJugadaPartida(j), 1);
  }
  // The earlier build's names.
  o.Anterior = true;
  o.MinPartidas = 2;
  testing::internal::CaptureStdout();
  EXPECT_EQ(CrearLibros({dir.Fichero("partidas.pgn")}, o, r, nullptr), 0);
  testing::internal::GetCapturedStdout();
  EXPECT_TRUE(dir.Existe("ZelmorB.libro"));
  // Only positions of two games or more: 1.e4, 1.d4, 1...e6 twice, 2.d4/2.e4 ...
  EXPECT_LT(LeerFichero(dir.Fichero("ZelmorB.libro")).size(), b.size());
  LibrosVacios();
  NuevaPartida();
}

TEST(ConstructorLibro, CommandLineReportsAndNeverCrashes) {
  prueba::DirectorioTemporal dir;
  dir.Escribir("malo.pgn", std::string("[Event \"x") + std::string(10000, 'y') +
                               "\n1. e4 \x01\xff e5 {unterminated comment\n");
  const std::string binario = ZELMOR_LIBRO_BIN;
  const std::string orden = binario + " crear --salida " + dir.Ruta() + " " +
                            dir.Fichero("malo.pgn") + " " + dir.Fichero("falta.pgn") + " >" +
                            dir.Fichero("out") + " 2>" + dir.Fichero("err");
  const int estado = std::system(orden.c_str());
  EXPECT_EQ(WEXITSTATUS(estado), 1);  // a file was missing
  const std::string err = dir.Leer("err");
  EXPECT_NE(err.find("malo.pgn:1: etiqueta mal formada"), std::string::npos) << err;
  EXPECT_NE(err.find("malo.pgn:2: jugada ilegible"), std::string::npos) << err;
  EXPECT_NE(err.find("falta.pgn: no se puede abrir"), std::string::npos) << err;
  EXPECT_EQ(dir.Leer("Zelmor070B.libro").size(), 16u);  // 1.e4 is kept
  // ver lists the records; jugadas shows 1.e4 for the initial position.
  std::system(
      (binario + " ver " + dir.Fichero("Zelmor070B.libro") + " >" + dir.Fichero("ver")).c_str());
  EXPECT_NE(dir.Leer("ver").find("Posiciones: 1"), std::string::npos) << dir.Leer("ver");
  std::system((binario + " jugadas --libros " + dir.Ruta() + " >" + dir.Fichero("jug")).c_str());
  EXPECT_NE(dir.Leer("jug").find("e2e4   libro         10"), std::string::npos) << dir.Leer("jug");
  EXPECT_EQ(WEXITSTATUS(std::system((binario + " crear --plies 0 x 2>/dev/null").c_str())), 2);
}
