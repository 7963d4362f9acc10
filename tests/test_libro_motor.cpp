// The books in the running engine: the candidate line and the book move on
// standard output, the log lines, learning from "result", and the save at quit,
// "ze_GuardarL" and "CargarL" — over pipes, in a temporary directory.
#include <gtest/gtest.h>

#include <cstring>

#include "tests/libro_test_util.h"
#include "tests/test_driver_proceso.h"
#include "tools/libro/libro_tool.h"

using namespace libro_prueba;
using prueba::Caracteristicas;
using prueba::DirectorioTemporal;
using prueba::Ejecutar;
using prueba::INICIO;
using prueba::SalioBien;

namespace {

// Books of 1.e4 e5 (one game each way: weight 10) built with the builder into `dir`.
void LibrosDePrueba(const DirectorioTemporal& dir, bool anterior = false) {
  dir.Escribir("juego.pgn", "1. e4 e5 *\n");
  OpcionesCrear o;
  o.Salida = dir.Ruta();
  o.Anterior = anterior;
  ResumenCrear r;
  testing::internal::CaptureStdout();
  ASSERT_EQ(CrearLibros({dir.Fichero("juego.pgn")}, o, r, nullptr), 0);
  testing::internal::GetCapturedStdout();
}

std::vector<EntradaLibro> Registros(const std::string& bytes) {
  std::vector<EntradaLibro> v(bytes.size() / sizeof(EntradaLibro));
  std::memcpy(v.data(), bytes.data(), v.size() * sizeof(EntradaLibro));
  return v;
}

}  // namespace

TEST(LibroMotor, BookMoveLinesLearningAndTheSaveAtQuit) {
  DirectorioTemporal dir;
  LibrosDePrueba(dir);
  const std::string blancas = dir.Leer("Zelmor070B.libro");
  const std::string negras = dir.Leer("Zelmor070N.libro");
  ASSERT_EQ(blancas.size(), 16u);
  // No random term; book moves recorded whatever the planned time.
  dir.Escribir("p.per", "SELECTIVIDAD_LIBRO 1 AP_SEGUNDOS_MIN 0");
  auto r =
      Ejecutar(ZELMOR070_BIN, "xboard\nprotover 2\nnew\ngo\nresult 1-0\nquit\n", dir.Ruta(), {"p"});
  EXPECT_EQ(r.salida, INICIO + Caracteristicas("Zelmor v0.70 QRT6 (p)") +
                          "0 0 0 0  <L> e2e4(10) \nmove e2e4\n\n"
                          "\nTotal posiciones blancas: 1\n\nTotal posiciones negras: 1\n");
  EXPECT_TRUE(SalioBien(r.estado));
  const std::string log = dir.Leer("Ze_0.70_0.log");
  EXPECT_NE(log.find("\nJugada Libro: e2e4 (10);"), std::string::npos) << log;
  EXPECT_NE(log.find("\nAprendiendo...\n"), std::string::npos);
  EXPECT_NE(log.find("Guardando aprendizaje..."), std::string::npos);
  // The won game raised the book move by one; the Black book is unchanged.
  const std::vector<EntradaLibro> b = Registros(dir.Leer("Zelmor070B.libro"));
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].Peso, 11);
  EXPECT_EQ(b[0].Marcas, MARCA_LIBRO);
  EXPECT_EQ(dir.Leer("Zelmor070N.libro"), negras);
  EXPECT_FALSE(dir.Existe("Zelmor070B.libro.tmp"));
}

TEST(LibroMotor, SearchesAfterTheBookAreLearnedWhenLongEnough) {
  DirectorioTemporal dir;
  LibrosDePrueba(dir);
  const std::string blancas = dir.Leer("Zelmor070B.libro");
  // Out of the book at once (1.d4 is not in it): a short search, not recorded
  // with the default 10 seconds; recorded when any length will do.
  const std::string partida =
      "xboard\nprotover 2\nnew\nlevel 0 0:02 0\nusermove d2d4\nresult 0-1\nquit\n";
  auto r = Ejecutar(ZELMOR070_BIN, partida, dir.Ruta());
  EXPECT_TRUE(SalioBien(r.estado));
  EXPECT_NE(r.salida.find("\nmove "), std::string::npos);
  EXPECT_EQ(dir.Leer("Zelmor070B.libro"), blancas);
  EXPECT_EQ(dir.Leer("Zelmor070N.libro").size(), 16u);

  dir.Escribir("p.per", "AP_SEGUNDOS_MIN 0");
  r = Ejecutar(ZELMOR070_BIN, partida, dir.Ruta(), {"p"});
  EXPECT_TRUE(SalioBien(r.estado));
  // The engine (Black) won: one learned record in the Black book, weight +1,
  // beside the book record that was there.
  const std::vector<EntradaLibro> n = Registros(dir.Leer("Zelmor070N.libro"));
  ASSERT_EQ(n.size(), 2u);
  int aprendidos = 0;
  for (const EntradaLibro& e : n) {
    if (e.Marcas & MARCA_LIBRO) continue;
    ++aprendidos;
    EXPECT_EQ(e.Peso, 1);
  }
  EXPECT_EQ(aprendidos, 1);
  EXPECT_TRUE(LibroOrdenado(n.data(), static_cast<uint32_t>(n.size())));
  EXPECT_EQ(dir.Leer("Zelmor070B.libro"), blancas);
}

TEST(LibroMotor, FirstLoopCommandsAndTheEarlierBuild) {
  DirectorioTemporal dir;
  LibrosDePrueba(dir);
  const std::string blancas = dir.Leer("Zelmor070B.libro");
  // "CargarL" never doubles a book; "ze_GuardarL" writes it back; learning off
  // means no save at quit.
  dir.Escribir("p.per", "APRENDER 0");
  auto r = Ejecutar(ZELMOR070_BIN, "CargarL\nze_GuardarL\nquit\n", dir.Ruta(), {"p"});
  EXPECT_EQ(r.salida, INICIO + "\nTotal posiciones blancas: 1\n\nTotal posiciones negras: 1\n");
  EXPECT_EQ(dir.Leer("Zelmor070B.libro"), blancas);

  // The earlier build reads ZelmorB.libro / ZelmorN.libro and learns nothing by
  // default (no save at quit).
  LibrosDePrueba(dir, true);
  dir.Escribir("q.per", "SELECTIVIDAD_LIBRO 1");
  r = Ejecutar(ZELMOR052_BIN, "xboard\nprotover 2\nnew\ngo\nresult 1-0\nquit\n", dir.Ruta(), {"q"});
  EXPECT_EQ(r.salida,
            INICIO + Caracteristicas("Zelmor v0.52 (q)") + "0 0 0 0  <L> e2e4(10) \nmove e2e4\n\n");
  EXPECT_EQ(dir.Leer("ZelmorB.libro"), blancas);
  EXPECT_NE(dir.Leer("Ze_0.52_0.log").find("\nJugada Libro: e2e4 (10);"), std::string::npos);
}

TEST(LibroMotor, BadBookFilesNeverStopTheEngine) {
  DirectorioTemporal dir;
  LibrosDePrueba(dir);
  // A truncated White book (half a record) and a Black book that is a directory.
  const std::string blancas = dir.Leer("Zelmor070B.libro");
  dir.Escribir("Zelmor070B.libro", blancas + blancas.substr(0, 9));
  std::filesystem::remove(dir.Fichero("Zelmor070N.libro"));
  std::filesystem::create_directory(dir.Fichero("Zelmor070N.libro"));
  dir.Escribir("p.per", "SELECTIVIDAD_LIBRO 1");
  auto r = Ejecutar(ZELMOR070_BIN, "xboard\nprotover 2\nnew\ngo\nquit\n", dir.Ruta(), {"p"});
  EXPECT_TRUE(SalioBien(r.estado));
  EXPECT_NE(r.salida.find("<L> e2e4(10) \nmove e2e4\n\n"), std::string::npos) << r.salida;
  // The Black book could not be saved over a directory: the rest went on.
  EXPECT_NE(r.salida.find("\nTotal posiciones negras: 0\n"), std::string::npos);
  EXPECT_EQ(dir.Leer("Zelmor070B.libro"), blancas);  // the partial record is gone
  const std::string log = dir.Leer("Ze_0.70_0.log");
  EXPECT_NE(log.find("9 bytes sobrantes"), std::string::npos) << log;
  EXPECT_NE(log.find("No se pudo guardar el libro"), std::string::npos) << log;
}

// Under UCI a book move is told as such, with its weight, not as a score.
TEST(LibroMotor, UciTellsABookMoveWithoutAScore) {
  DirectorioTemporal dir;
  LibrosDePrueba(dir);
  dir.Escribir("p.per", "SELECTIVIDAD_LIBRO 1");
  auto r = Ejecutar(ZELMOR070_BIN, "uci\nposition startpos\ngo wtime 60000 btime 60000\nquit\n",
                    dir.Ruta(), {"p"});
  EXPECT_NE(r.salida.find("\ninfo string book move e2e4 weight 10\nbestmove e2e4\n"),
            std::string::npos)
      << r.salida;
  EXPECT_EQ(r.salida.find("info depth"), std::string::npos) << r.salida;
  // Out of the book the search reports its scores as before.
  r = Ejecutar(ZELMOR070_BIN,
               "uci\nposition startpos moves e2e4 e7e5\ngo depth 2\nquit\n", dir.Ruta(), {"p"});
  EXPECT_NE(r.salida.find("info depth 2 score cp "), std::string::npos) << r.salida;
  EXPECT_EQ(r.salida.find("book move"), std::string::npos) << r.salida;
}
