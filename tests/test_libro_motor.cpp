// The books in the running engine: the candidate line and the book move on
// standard output, the log lines, learning from "result", and the save at quit,
// "ze_GuardarL" and "CargarL" — over pipes, in a temporary directory.
#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>

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
  // The Black book is no file: never written (the user is told), the rest went on.
  EXPECT_NE(r.salida.find("\nTotal posiciones negras: 0\n"), std::string::npos);
  EXPECT_NE(r.salida.find("tellusererror Libro ./Zelmor070N.libro: no se pudo leer entero"),
            std::string::npos);
  EXPECT_TRUE(std::filesystem::is_directory(dir.Fichero("Zelmor070N.libro")));
  EXPECT_EQ(dir.Leer("Zelmor070B.libro"), blancas);  // the partial record is gone
  const std::string log = dir.Leer("Ze_0.70_0.log");
  EXPECT_NE(log.find("9 bytes sobrantes"), std::string::npos) << log;
  EXPECT_NE(log.find("Zelmor070N.libro no es un fichero"), std::string::npos) << log;
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

// "nopost" silences the book's candidate line as it does the thinking lines; the
// log keeps the candidates.
TEST(LibroMotor, NopostSilencesTheCandidateLine) {
  DirectorioTemporal dir;
  LibrosDePrueba(dir);
  dir.Escribir("p.per", "SELECTIVIDAD_LIBRO 1");
  auto r = Ejecutar(ZELMOR070_BIN, "xboard\nprotover 2\nnopost\nnew\ngo\nquit\n", dir.Ruta(), {"p"});
  EXPECT_EQ(r.salida, INICIO + Caracteristicas("Zelmor v0.70 QRT6 (p)") +
                          "\nmove e2e4\n\n"
                          "\nTotal posiciones blancas: 1\n\nTotal posiciones negras: 1\n");
  EXPECT_NE(dir.Leer("Ze_0.70_0.log").find("\nJugada Libro: e2e4 (10);"), std::string::npos);
}

// ---------------------------------------------------------------------------
// The user's books are never lost: a book the engine could not read whole is
// never written over, a failed save is told to the front end and in the exit
// status, and nothing a path may name holds start-up.

namespace {

// One program and the names it uses.
struct Programa {
  const char* binario;
  std::string blancas, negras;  // the file names
  std::string rutaB, rutaN;     // the default settings, as messages name them
  std::string log, nombre;
  bool anterior;
};
std::vector<Programa> Programas() {
  return {{ZELMOR070_BIN, "Zelmor070B.libro", "Zelmor070N.libro", "./Zelmor070B.libro",
           "./Zelmor070N.libro", "Ze_0.70_0.log", "Zelmor v0.70 QRT6 (p)", false},
          {ZELMOR052_BIN, "ZelmorB.libro", "ZelmorN.libro", "ZelmorB.libro", "ZelmorN.libro",
           "Ze_0.52_0.log", "Zelmor v0.52 (p)", true}};
}

const std::string TOTALES_1 = "\nTotal posiciones blancas: 1\n\nTotal posiciones negras: 1\n";

bool SalioCon(int estado, int codigo) {
  return estado != -1 && WIFEXITED(estado) && WEXITSTATUS(estado) == codigo;
}

// A book of `n` records in key order, none of them a position of the game.
std::string LibroGrande(uint32_t n) {
  std::vector<EntradaLibro> v(n);
  for (uint32_t i = 0; i < n; ++i) v[i] = Registro(0x5A00000000000000ull + i, MARCA_LIBRO, 1);
  return Bytes(v.data(), v.size());
}

}  // namespace

// A book that is there but cannot be opened (a symbolic link that loops) or is
// no file (a directory): both programs use what they can, tell the front end in
// its protocol, and leave both paths as they were.
TEST(LibroProtegido, UnreadableBooksAreToldAndNeverWritten) {
  for (const Programa& p : Programas()) {
    SCOPED_TRACE(p.binario);
    DirectorioTemporal dir;
    ASSERT_EQ(symlink(p.blancas.c_str(), dir.Fichero(p.blancas).c_str()), 0);
    std::filesystem::create_directory(dir.Fichero(p.negras));
    dir.Escribir("p.per", "APRENDER 3");
    const std::string avisos =
        "Libro " + p.rutaB +
        ": no se pudo leer entero (Too many levels of symbolic links); no aprende ni se guarda\n" +
        "Libro " + p.rutaN + ": no se pudo leer entero (no es un fichero); no aprende ni se guarda\n";
    auto r = Ejecutar(p.binario, "xboard\nprotover 2\nquit\n", dir.Ruta(), {"p"});
    // The notices come after the feature line (xboard shows nothing before it).
    const std::string inicio = INICIO + Caracteristicas(p.nombre);
    EXPECT_EQ(r.salida.substr(0, inicio.size()), inicio);
    std::string esperado = avisos;
    for (size_t i = 0; (i = esperado.find("Libro ", i)) != std::string::npos; i += 20)
      esperado.insert(i, "tellusererror ");
    EXPECT_EQ(r.salida.substr(inicio.size(), esperado.size()), esperado) << r.salida;
    EXPECT_NE(r.salida.find("\nTotal posiciones blancas: 0\n\nTotal posiciones negras: 0\n"),
              std::string::npos)
        << r.salida;
    EXPECT_TRUE(SalioBien(r.estado));  // nothing failed to save: nothing was saved
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Fichero(p.blancas)));
    EXPECT_TRUE(std::filesystem::is_directory(dir.Fichero(p.negras)));
    EXPECT_FALSE(dir.Existe(p.negras + ".tmp"));
    EXPECT_NE(dir.Leer(p.log).find("sin guardar"), std::string::npos);

    // Under UCI after "uciok"; at the console as plain text before the command.
    r = Ejecutar(p.binario, "uci\nquit\n", dir.Ruta(), {"p"});
    EXPECT_NE(r.salida.find("uciok\ninfo string Libro " + p.rutaB + ": no se pudo leer entero"),
              std::string::npos)
        << r.salida;
    EXPECT_TRUE(SalioBien(r.estado));
    r = Ejecutar(p.binario, "quit\n", dir.Ruta(), {"p"});
    EXPECT_EQ(r.salida, INICIO + "Error: Libro " + p.rutaB +
                            ": no se pudo leer entero (Too many levels of symbolic links); no "
                            "aprende ni se guarda\nError: Libro " +
                            p.rutaN +
                            ": no se pudo leer entero (no es un fichero); no aprende ni se "
                            "guarda\n\nTotal posiciones blancas: 0\n\nTotal posiciones negras: 0\n");
    EXPECT_TRUE(std::filesystem::is_symlink(dir.Fichero(p.blancas)));
  }
}

// A file its owner cannot read (mode 000) is a book that could not be read,
// not a missing one. Root reads it regardless, so it needs another user.
TEST(LibroProtegido, AModeZeroBookIsNotReplaced) {
  if (geteuid() == 0)
    GTEST_SKIP() << "running as root, which reads a mode-000 file; the looping link of "
                    "UnreadableBooksAreToldAndNeverWritten covers the failed open";
  DirectorioTemporal dir;
  LibrosDePrueba(dir);
  const std::string blancas = dir.Leer("Zelmor070B.libro");
  ASSERT_EQ(chmod(dir.Fichero("Zelmor070B.libro").c_str(), 0), 0);
  auto r = Ejecutar(ZELMOR070_BIN, "xboard\nprotover 2\nquit\n", dir.Ruta());
  EXPECT_NE(r.salida.find("tellusererror Libro ./Zelmor070B.libro: no se pudo leer entero "
                          "(Permission denied)"),
            std::string::npos)
      << r.salida;
  EXPECT_TRUE(SalioBien(r.estado));
  ASSERT_EQ(chmod(dir.Fichero("Zelmor070B.libro").c_str(), 0644), 0);
  EXPECT_EQ(dir.Leer("Zelmor070B.libro"), blancas);
}

// A book of more records than a book holds was cut to the capacity by the save
// at quit; now the file stays whole, and the user knows why it learns nothing.
TEST(LibroProtegido, AnOverCapacityBookIsNotCut) {
  for (const Programa& p : Programas()) {
    SCOPED_TRACE(p.binario);
    DirectorioTemporal dir;
    LibrosDePrueba(dir, p.anterior);
    const std::string grande = LibroGrande(CAPACIDAD_LIBRO + 3);
    dir.Escribir(p.blancas, grande);
    const std::string negras = dir.Leer(p.negras);
    dir.Escribir("p.per", "APRENDER 3");
    auto r = Ejecutar(p.binario, "xboard\nprotover 2\nquit\n", dir.Ruta(), {"p"});
    EXPECT_EQ(r.salida, INICIO + Caracteristicas(p.nombre) + "tellusererror Libro " + p.rutaB +
                            ": no se pudo leer entero (supera las 250000 posiciones); no aprende "
                            "ni se guarda\n" +
                            "\nTotal posiciones blancas: 250000\n" + "\nTotal posiciones negras: 1\n");
    EXPECT_TRUE(SalioBien(r.estado));
    EXPECT_TRUE(dir.Leer(p.blancas) == grande) << "the book was rewritten";
    EXPECT_EQ(dir.Leer(p.negras), negras);
  }
}

// A save that fails (here the temporary file cannot be made: a directory has
// its name) is told in each protocol's form after the totals, and the exit
// status says so; the old file stays, the other book is saved.
TEST(LibroProtegido, AFailedSaveIsToldAndEndsWithAnError) {
  for (const Programa& p : Programas()) {
    SCOPED_TRACE(p.binario);
    DirectorioTemporal dir;
    LibrosDePrueba(dir, p.anterior);
    const std::string negras = dir.Leer(p.negras);
    std::filesystem::create_directory(dir.Fichero(p.negras + ".tmp"));
    dir.Escribir("p.per", "APRENDER 3");
    const std::string aviso =
        "No se pudo guardar el libro " + p.rutaN + " (Is a directory); el fichero anterior queda "
        "intacto\n";
    auto r = Ejecutar(p.binario, "xboard\nprotover 2\nquit\n", dir.Ruta(), {"p"});
    EXPECT_EQ(r.salida, INICIO + Caracteristicas(p.nombre) + TOTALES_1 + "tellusererror " + aviso);
    EXPECT_TRUE(SalioCon(r.estado, 1));
    EXPECT_EQ(dir.Leer(p.negras), negras);
    EXPECT_NE(dir.Leer(p.log).find("No se pudo guardar el libro " + p.rutaN), std::string::npos);

    r = Ejecutar(p.binario, "uci\nisready\nquit\n", dir.Ruta(), {"p"});
    EXPECT_NE(r.salida.find("readyok\ninfo string " + aviso), std::string::npos) << r.salida;
    EXPECT_TRUE(SalioCon(r.estado, 1));

    // Protocol 1 (no "protover"), and the end of input standing for "quit".
    r = Ejecutar(p.binario, "xboard\n", dir.Ruta(), {"p"});
    EXPECT_EQ(r.salida, INICIO + TOTALES_1 + "tellusererror " + aviso);
    EXPECT_TRUE(SalioCon(r.estado, 1));
    r = Ejecutar(p.binario, "quit\n", dir.Ruta(), {"p"});
    EXPECT_EQ(r.salida, INICIO + TOTALES_1 + "Error: " + aviso);
    EXPECT_TRUE(SalioCon(r.estado, 1));
    EXPECT_EQ(dir.Leer(p.negras), negras);
    EXPECT_TRUE(std::filesystem::is_directory(dir.Fichero(p.negras + ".tmp")));
  }
}

// A FIFO or a device named as a book, as the personality file or in place of
// the log never holds start-up; none of them is written.
TEST(LibroProtegido, FifoAndDeviceNamesDoNotHang) {
  DirectorioTemporal dir;
  ASSERT_EQ(mkfifo(dir.Fichero("tubo.libro").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo(dir.Fichero("Ze_0.70_0.log").c_str(), 0644), 0);
  dir.Escribir("p.per", "LIBROB_FICH tubo.libro LIBRON_FICH /dev/zero");
  // Ends (the harness gives up after 20 s and reports -1) with both notices.
  auto r = Ejecutar(ZELMOR070_BIN, "xboard\nprotover 2\nquit\n", dir.Ruta(), {"p"});
  EXPECT_EQ(r.salida, INICIO + Caracteristicas("Zelmor v0.70 QRT6 (p)") +
                          "tellusererror Libro tubo.libro: no se pudo leer entero (no es un "
                          "fichero); no aprende ni se guarda\n"
                          "tellusererror Libro /dev/zero: no se pudo leer entero (no es un "
                          "fichero); no aprende ni se guarda\n"
                          "\nTotal posiciones blancas: 0\n\nTotal posiciones negras: 0\n");
  EXPECT_TRUE(SalioBien(r.estado));
  EXPECT_EQ(std::filesystem::status(dir.Fichero("tubo.libro")).type(),
            std::filesystem::file_type::fifo);
  EXPECT_FALSE(dir.Existe("tubo.libro.tmp"));
  // The log went to the next free name.
  EXPECT_NE(dir.Leer("Ze_0.70_1.log").find("tubo.libro"), std::string::npos);

  // A personality file that is a FIFO counts as a missing one.
  ASSERT_EQ(mkfifo(dir.Fichero("q.per").c_str(), 0644), 0);
  r = Ejecutar(ZELMOR070_BIN, "xboard\nprotover 2\nquit\n", dir.Ruta(), {"q"});
  EXPECT_EQ(r.salida, INICIO + Caracteristicas("Zelmor v0.70 QRT6 (q)") +
                          "\nTotal posiciones blancas: 0\n\nTotal posiciones negras: 0\n");
  EXPECT_TRUE(SalioBien(r.estado));
  // Under UCI, a personality option naming it says what a missing file gets.
  r = Ejecutar(ZELMOR070_BIN, "uci\nsetoption name Personality value q\nquit\n", dir.Ruta());
  EXPECT_NE(r.salida.find("info string personality file q.per not found"), std::string::npos)
      << r.salida;
}

// A save stopped for good (SIGKILL, a crash, power) leaves its temporary file;
// the next start removes it, and only it.
TEST(LibroProtegido, AStaleTemporaryFileIsRemovedAtStart) {
  for (const Programa& p : Programas()) {
    SCOPED_TRACE(p.binario);
    DirectorioTemporal dir;
    LibrosDePrueba(dir, p.anterior);
    const std::string blancas = dir.Leer(p.blancas);
    dir.Escribir(p.blancas + ".tmp", "half a book");
    dir.Escribir(p.negras + ".tmp", "");
    dir.Escribir(p.blancas + ".tmp.bak", "not ours");
    dir.Escribir("otro.tmp", "not ours");
    dir.Escribir("p.per", "APRENDER 0");  // no save at quit that would replace them anyway
    auto r = Ejecutar(p.binario, "quit\n", dir.Ruta(), {"p"});
    EXPECT_TRUE(SalioBien(r.estado));
    EXPECT_FALSE(dir.Existe(p.blancas + ".tmp"));
    EXPECT_FALSE(dir.Existe(p.negras + ".tmp"));
    EXPECT_TRUE(dir.Existe(p.blancas + ".tmp.bak"));
    EXPECT_TRUE(dir.Existe("otro.tmp"));
    EXPECT_EQ(dir.Leer(p.blancas), blancas);
  }
}

// A read-only book (mode 0444) is the user's way to keep it as it is: it is
// played from, never replaced nor learned into, and the user is told once.
TEST(LibroProtegido, AReadOnlyBookIsPlayedButNeverReplaced) {
  DirectorioTemporal dir;
  LibrosDePrueba(dir);
  const std::string blancas = dir.Leer("Zelmor070B.libro");
  ASSERT_EQ(chmod(dir.Fichero("Zelmor070B.libro").c_str(), 0444), 0);
  dir.Escribir("p.per", "SELECTIVIDAD_LIBRO 1 AP_SEGUNDOS_MIN 0");
  auto r =
      Ejecutar(ZELMOR070_BIN, "xboard\nprotover 2\nnew\ngo\nresult 1-0\nquit\n", dir.Ruta(), {"p"});
  EXPECT_EQ(r.salida, INICIO + Caracteristicas("Zelmor v0.70 QRT6 (p)") +
                          "telluser Libro ./Zelmor070B.libro: de solo lectura; se usa, pero no "
                          "aprende ni se guarda\n"
                          "0 0 0 0  <L> e2e4(10) \nmove e2e4\n\n" + TOTALES_1);
  EXPECT_TRUE(SalioBien(r.estado));
  EXPECT_EQ(dir.Leer("Zelmor070B.libro"), blancas);  // the won game left its weight at 10
  EXPECT_EQ(std::filesystem::status(dir.Fichero("Zelmor070B.libro")).permissions() &
                std::filesystem::perms::all,
            std::filesystem::perms::owner_read | std::filesystem::perms::group_read |
                std::filesystem::perms::others_read);
}

// A full disk: a 64 KB file system holds the books, the log and the working
// directory; the save at quit runs out of room. The old books stay byte for
// byte, no temporary file is left, the user and the exit status are told, and
// the log, as far as it could be written, says why.
TEST(LibroProtegido, AFullDiskKeepsTheOldBooks) {
  if (geteuid() != 0) GTEST_SKIP() << "mounting a small tmpfs needs root";
  DirectorioTemporal base;
  for (const Programa& p : Programas()) {
    SCOPED_TRACE(p.binario);
    const std::string punto = base.Fichero(p.anterior ? "d052" : "d070");
    std::filesystem::create_directory(punto);
    if (mount("tmpfs", punto.c_str(), "tmpfs", 0, "size=64k") != 0)
      GTEST_SKIP() << "cannot mount a tmpfs (" << std::strerror(errno) << ")";
    struct Desmontar {
      std::string d;
      ~Desmontar() { umount2(d.c_str(), MNT_DETACH); }
    } desmontar{punto};
    {
      DirectorioTemporal fuente;
      LibrosDePrueba(fuente, p.anterior);
      // Black: the one real record; White: the record among 3,000 others
      // (48 KB, which the tmpfs cannot hold twice).
      std::string blancas = fuente.Leer(p.blancas) + LibroGrande(3000);
      std::ofstream(punto + "/" + p.blancas, std::ios::binary) << blancas;
      std::ofstream(punto + "/" + p.negras, std::ios::binary) << fuente.Leer(p.negras);
    }
    std::ofstream(punto + "/p.per") << "APRENDER 3 SELECTIVIDAD_LIBRO 1 AP_SEGUNDOS_MIN 0";
    const std::string blancas = libro_prueba::LeerFichero(punto + "/" + p.blancas);
    const std::string negras = libro_prueba::LeerFichero(punto + "/" + p.negras);
    ASSERT_EQ(blancas.size(), 3001u * 16);
    // The engine plays its book move, wins and learns: the White book changes.
    auto r =
        Ejecutar(p.binario, "xboard\nprotover 2\nnew\ngo\nresult 1-0\nquit\n", punto, {"p"});
    EXPECT_NE(r.salida.find("move e2e4\n"), std::string::npos) << r.salida;
    EXPECT_NE(r.salida.find("tellusererror No se pudo guardar el libro " + p.rutaB +
                            " (No space left on device); el fichero anterior queda intacto\n"),
              std::string::npos)
        << r.salida;
    EXPECT_TRUE(SalioCon(r.estado, 1));
    EXPECT_TRUE(libro_prueba::LeerFichero(punto + "/" + p.blancas) == blancas);
    EXPECT_EQ(libro_prueba::LeerFichero(punto + "/" + p.negras), negras);
    EXPECT_FALSE(std::filesystem::exists(punto + "/" + p.blancas + ".tmp"));
    EXPECT_FALSE(std::filesystem::exists(punto + "/" + p.negras + ".tmp"));
    const std::string log = libro_prueba::LeerFichero(punto + "/" + p.log);
    if (log.find("Guardando aprendizaje") != std::string::npos) {
      EXPECT_NE(log.find("No se pudo guardar el libro " + p.rutaB), std::string::npos) << log;
    }
  }
}

// SIGTERM while the save at quit runs (a front end closing the engine right
// after "quit") left a 4 MB temporary file and could leave the second book
// unsaved: the signal now waits until both books are saved.
TEST(LibroProtegido, SigtermDuringTheSaveLeavesNoTemporaryFile) {
  for (const Programa& p : Programas()) {
    SCOPED_TRACE(p.binario);
    DirectorioTemporal dir;
    LibrosDePrueba(dir, p.anterior);
    const std::string grande = LibroGrande(CAPACIDAD_LIBRO);  // full, but whole
    dir.Escribir(p.blancas, grande);
    const std::string negras = dir.Leer(p.negras);
    dir.Escribir("p.per", "APRENDER 3");
    prueba::Motor m(p.binario, {"p"}, dir.Ruta());
    m.Escribir("quit\n");
    // The first progress dot comes from inside the save of the White book.
    ASSERT_TRUE(m.Esperar(".", 60000)) << m.Salida();
    m.Senal(SIGTERM);
    const int estado = m.Terminar(60000);
    EXPECT_TRUE(SalioBien(estado)) << estado;
    EXPECT_NE(m.Salida().find(TOTALES_1.substr(TOTALES_1.find("\nTotal posiciones negras"))),
              std::string::npos)
        << m.Salida();
    EXPECT_FALSE(dir.Existe(p.blancas + ".tmp"));
    EXPECT_FALSE(dir.Existe(p.negras + ".tmp"));
    EXPECT_TRUE(dir.Leer(p.blancas) == grande);
    EXPECT_EQ(dir.Leer(p.negras), negras);
  }
}
