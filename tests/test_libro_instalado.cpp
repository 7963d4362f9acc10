// Installed books: an engine copied into a prefix of its own (PREFIX/bin or
// Debian's PREFIX/games) and started in an empty working directory reads the
// books installed beside it, never writes them, and writes what it learned into
// its working directory; with no book and nothing learned it leaves no book file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

#include "tests/libro_test_util.h"
#include "tests/test_driver_proceso.h"
#include "tools/libro/libro_tool.h"

using namespace libro_prueba;
using prueba::DirectorioTemporal;
using prueba::Ejecutar;
using prueba::SalioBien;
namespace fs = std::filesystem;

namespace {

// Books of 1.e4 e5 (one game each way: weight 10) built into `dir`, with the
// current build's names or the earlier build's.
void LibrosEn(const std::string& dir, bool anterior = false) {
  const std::string pgn = dir + "/juego.pgn";
  EscribirFichero(pgn, "1. e4 e5 *\n");
  OpcionesCrear o;
  o.Salida = dir;
  o.Anterior = anterior;
  ResumenCrear r;
  testing::internal::CaptureStdout();
  ASSERT_EQ(CrearLibros({pgn}, o, r, nullptr), 0);
  testing::internal::GetCapturedStdout();
  fs::remove(pgn);
}

// A prefix holding a copy of an engine in `bin` (bin or games) and the books in
// `datos` (share/zelmor or share/games/zelmor), and an empty working directory.
struct Instalacion {
  DirectorioTemporal raiz;
  std::string motor, datos, trabajo;

  Instalacion(const std::string& bin, const std::string& dirDatos,
              const std::string& binario = ZELMOR070_BIN, bool anterior = false) {
    motor = raiz.Fichero(bin + "/" + fs::path(binario).filename().string());
    datos = raiz.Fichero(dirDatos);
    trabajo = raiz.Fichero("trabajo");
    fs::create_directories(fs::path(motor).parent_path());
    fs::create_directories(datos);
    fs::create_directories(trabajo);
    fs::copy_file(binario, motor);
    LibrosEn(datos, anterior);
  }
  // The working directory's files, logs left out.
  std::vector<std::string> FicherosTrabajo() const {
    std::vector<std::string> v;
    for (const auto& e : fs::directory_iterator(trabajo)) {
      const std::string n = e.path().filename().string();
      if (n.rfind("Ze_", 0) != 0) v.push_back(n);
    }
    std::sort(v.begin(), v.end());
    return v;
  }
  std::string Log(const std::string& nombre = "Ze_0.70_0.log") const {
    return LeerFichero(trabajo + "/" + nombre);
  }
};

std::vector<EntradaLibro> Registros(const std::string& bytes) {
  std::vector<EntradaLibro> v(bytes.size() / sizeof(EntradaLibro));
  std::memcpy(v.data(), bytes.data(), v.size() * sizeof(EntradaLibro));
  return v;
}

// (The earlier build starts from an ending of its own until "new".)
const std::string BK = "xboard\nprotover 2\nnew\nbk\nquit\n";

}  // namespace

TEST(LibroInstalado, ReadFromBesideTheProgramAndNeverWritten) {
  // The usual layout and Debian's, both with learning on (the default).
  for (const auto& [bin, datos] : {std::pair{"bin", "share/zelmor"},
                                   std::pair{"games", "share/games/zelmor"}}) {
    SCOPED_TRACE(bin);
    Instalacion ins(bin, datos);
    const std::string blancas = LeerFichero(ins.datos + "/Zelmor070B.libro");
    const std::string negras = LeerFichero(ins.datos + "/Zelmor070N.libro");
    const auto r = Ejecutar(ins.motor, BK, ins.trabajo);
    EXPECT_TRUE(SalioBien(r.estado));
    EXPECT_NE(r.salida.find("\n e2e4 10\n\n"), std::string::npos) << r.salida;
    // Nothing learned: the quit tells the totals as ever, but writes no book file
    // into the working directory.
    EXPECT_NE(r.salida.find("\nTotal posiciones blancas: "), std::string::npos) << r.salida;
    EXPECT_TRUE(ins.FicherosTrabajo().empty());
    EXPECT_EQ(LeerFichero(ins.datos + "/Zelmor070B.libro"), blancas);
    EXPECT_EQ(LeerFichero(ins.datos + "/Zelmor070N.libro"), negras);
    EXPECT_FALSE(fs::exists(ins.datos + "/Zelmor070B.libro.tmp"));
    // The log names the files read.
    const std::string log = ins.Log();
    EXPECT_NE(log.find("Libro blancas: 1 posiciones de " + ins.datos + "/Zelmor070B.libro"),
              std::string::npos)
        << log;
    EXPECT_NE(log.find("Libro negras: 1 posiciones de " + ins.datos + "/Zelmor070N.libro"),
              std::string::npos)
        << log;
  }
}

TEST(LibroInstalado, FoundThroughALinkToTheProgram) {
  // A link elsewhere (as in a user's ~/bin) leads to the real program's place.
  Instalacion ins("bin", "share/zelmor");
  const std::string enlace = ins.raiz.Fichero("otro/zelmor070");
  fs::create_directories(fs::path(enlace).parent_path());
  fs::create_symlink(ins.motor, enlace);
  const auto r = Ejecutar(enlace, BK, ins.trabajo);
  EXPECT_TRUE(SalioBien(r.estado));
  EXPECT_NE(r.salida.find("\n e2e4 10\n\n"), std::string::npos) << r.salida;
}

TEST(LibroInstalado, LearningWritesIntoTheWorkingDirectory) {
  Instalacion ins("bin", "share/zelmor");
  const std::string blancas = LeerFichero(ins.datos + "/Zelmor070B.libro");
  const std::string negras = LeerFichero(ins.datos + "/Zelmor070N.libro");
  // No random term; book moves recorded whatever the planned time.
  EscribirFichero(ins.trabajo + "/p.per", "SELECTIVIDAD_LIBRO 1 AP_SEGUNDOS_MIN 0");
  const auto r = Ejecutar(ins.motor, "xboard\nprotover 2\nnew\ngo\nresult 1-0\nquit\n",
                          ins.trabajo, {"p"});
  EXPECT_TRUE(SalioBien(r.estado));
  EXPECT_NE(r.salida.find("<L> e2e4(10) \nmove e2e4\n"), std::string::npos) << r.salida;
  // The engine played White: the White book, installed copy plus the won game,
  // is saved beside the personality; the Black book learned nothing and is not.
  EXPECT_EQ(ins.FicherosTrabajo(), (std::vector<std::string>{"Zelmor070B.libro", "p.per"}));
  const std::vector<EntradaLibro> b = Registros(LeerFichero(ins.trabajo + "/Zelmor070B.libro"));
  ASSERT_EQ(b.size(), 1u);
  EXPECT_EQ(b[0].Peso, 11);
  EXPECT_EQ(LeerFichero(ins.datos + "/Zelmor070B.libro"), blancas);
  EXPECT_EQ(LeerFichero(ins.datos + "/Zelmor070N.libro"), negras);

  // The next start reads the learned White book from the working directory and
  // the Black one still from the installed place.
  const auto s = Ejecutar(ins.motor, BK, ins.trabajo);
  EXPECT_NE(s.salida.find("\n e2e4 11\n\n"), std::string::npos) << s.salida;
  const std::string log = ins.Log("Ze_0.70_1.log");
  EXPECT_NE(log.find("Libro blancas: 1 posiciones de ./Zelmor070B.libro"), std::string::npos)
      << log;
  EXPECT_NE(log.find("Libro negras: 1 posiciones de " + ins.datos + "/Zelmor070N.libro"),
            std::string::npos)
      << log;
}

TEST(LibroInstalado, OnlyTheDefaultNamesFallBack) {
  Instalacion ins("bin", "share/zelmor");
  // The working directory's own books come first, even an empty one.
  EscribirFichero(ins.trabajo + "/Zelmor070B.libro", "");
  EscribirFichero(ins.trabajo + "/Zelmor070N.libro", "");
  auto r = Ejecutar(ins.motor, BK, ins.trabajo);
  EXPECT_NE(r.salida.find(" No book loaded.\n"), std::string::npos) << r.salida;
  // Read from there, so written back there at quit (empty, as they were).
  EXPECT_NE(r.salida.find("Total posiciones blancas: 0"), std::string::npos) << r.salida;
  fs::remove(ins.trabajo + "/Zelmor070B.libro");
  fs::remove(ins.trabajo + "/Zelmor070N.libro");

  // A name chosen in a personality, with a directory or without, is used as
  // given: no book, and nothing written.
  for (const char* per : {"LIBROB_FICH libros\\Zelmor070B.libro LIBRON_FICH libros/Zelmor070N.libro",
                          "LIBROB_FICH mio.libro LIBRON_FICH .\\tuyo.libro"}) {
    SCOPED_TRACE(per);
    EscribirFichero(ins.trabajo + "/p.per", per);
    r = Ejecutar(ins.motor, BK, ins.trabajo, {"p"});
    EXPECT_TRUE(SalioBien(r.estado));
    EXPECT_NE(r.salida.find(" No book loaded.\n"), std::string::npos) << r.salida;
    EXPECT_EQ(ins.FicherosTrabajo(), std::vector<std::string>{"p.per"});
  }
}

TEST(LibroInstalado, TheEarlierBuildFindsItsOwnNames) {
  Instalacion ins("games", "share/games/zelmor", ZELMOR052_BIN, true);
  const auto r = Ejecutar(ins.motor, BK, ins.trabajo);
  EXPECT_TRUE(SalioBien(r.estado));
  EXPECT_NE(r.salida.find("\n e2e4 10\n\n"), std::string::npos) << r.salida;
  EXPECT_TRUE(ins.FicherosTrabajo().empty());
}
