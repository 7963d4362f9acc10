// The engine process under faults from outside: the front end vanishing while
// the engine thinks, SIGTERM, a working directory it cannot write, and an
// endless input line. Both programs, over pipes, in temporary directories.
#include <gtest/gtest.h>

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cctype>
#include <random>

#include "driver/driver.h"
#include "tests/libro_test_util.h"
#include "tests/test_driver_proceso.h"

using prueba::DirectorioTemporal;
using prueba::Motor;

namespace {

// ---------------------------------------------------------------- how the process ended

// What a wait status says, for failure messages.
std::string Estado(int estado) {
  if (estado == -1) return "still running after the time allowed";
  if (WIFEXITED(estado)) return "exit " + std::to_string(WEXITSTATUS(estado));
  if (WIFSIGNALED(estado))
    return std::string("killed by signal ") + strsignal(WTERMSIG(estado)) +
           (WCOREDUMP(estado) ? " (core dumped)" : "");
  return "status " + std::to_string(estado);
}

// An end after SIGTERM: the signal's own (no core) or a clean exit.
bool FinTrasSigterm(int estado) {
  if (estado == -1) return false;
  if (WIFEXITED(estado)) return WEXITSTATUS(estado) == 0;
  return WIFSIGNALED(estado) && WTERMSIG(estado) == SIGTERM && !WCOREDUMP(estado);
}

// ---------------------------------------------------------------- the programs

struct Programa {
  const char* binario;
  const char* nombre;  // for failure messages
  const char* prefijoLog;
  const char* libroB;
  const char* libroN;
  // zelmor052 learns nothing by default and so never writes its books: a
  // personality with learning on makes its quit save them as zelmor070's does.
  bool necesitaAprender;
};

const Programa PROGRAMAS[] = {
    {ZELMOR070_BIN, "zelmor070", "Ze_0.70_", "Zelmor070B.libro", "Zelmor070N.libro", false},
    {ZELMOR052_BIN, "zelmor052", "Ze_0.52_", "ZelmorB.libro", "ZelmorN.libro", true},
};

// Books of `registros` positions no game reaches (random keys, sorted as the
// engine keeps them), so that the engine searches and its quit has something
// to save; and the personality the program needs for that save.
void PrepararDirectorio(const DirectorioTemporal& dir, const Programa& p, uint32_t registros,
                        std::vector<std::string>& args) {
  std::mt19937_64 azar(registros);
  for (const char* nombre : {p.libroB, p.libroN}) {
    std::vector<EntradaLibro> libro(registros);
    for (EntradaLibro& e : libro) e = libro_prueba::Registro(azar(), MARCA_LIBRO, 1);
    OrdenarLibro(libro.data(), registros, false);
    dir.Escribir(nombre, std::string(reinterpret_cast<const char*>(libro.data()),
                                     libro.size() * sizeof(EntradaLibro)));
  }
  args.clear();
  if (p.necesitaAprender) {
    dir.Escribir("aprende.per", "APRENDER 1\n");
    args.push_back("aprende");
  }
}

// A book file after a fault: the bytes it had before, or a whole book the engine
// wrote in its place (whole records in key order, every earlier position kept).
testing::AssertionResult LibroEnteroOAnterior(const std::string& nombre, const std::string& antes,
                                              const std::string& ahora) {
  if (ahora == antes) return testing::AssertionSuccess();
  if (ahora.size() % sizeof(EntradaLibro) != 0)
    return testing::AssertionFailure()
           << nombre << ": " << ahora.size() << " bytes, not whole records (it had " << antes.size()
           << ")";
  std::vector<EntradaLibro> nuevo(ahora.size() / sizeof(EntradaLibro));
  std::memcpy(nuevo.data(), ahora.data(), ahora.size());
  const uint32_t num = static_cast<uint32_t>(nuevo.size());
  if (!LibroOrdenado(nuevo.data(), num))
    return testing::AssertionFailure() << nombre << ": records out of order";
  for (size_t i = 0; i + sizeof(EntradaLibro) <= antes.size(); i += sizeof(EntradaLibro)) {
    EntradaLibro e;
    std::memcpy(&e, antes.data() + i, sizeof e);
    if (BuscarLibro(nuevo.data(), num, e.ClaveBaja, e.ClaveAlta) == nullptr)
      return testing::AssertionFailure() << nombre << ": an earlier position is missing";
  }
  return testing::AssertionSuccess();
}

// True once the output holds a thinking line (a line that starts with a digit)
// after the feature line: the search is under way.
bool Pensando(const std::string& salida) {
  size_t desde = salida.find("done=1\n");
  if (desde == std::string::npos) return false;
  for (size_t i = salida.find('\n', desde); i != std::string::npos; i = salida.find('\n', i + 1))
    if (i + 1 < salida.size() && std::isdigit(static_cast<unsigned char>(salida[i + 1])) &&
        salida.find('\n', i + 1) != std::string::npos)
      return true;
  return false;
}

// Under UCI: an "info depth" line has come.
bool PensandoUci(const std::string& salida) {
  const size_t i = salida.find("\ninfo depth ");
  return i != std::string::npos && salida.find('\n', i + 1) != std::string::npos;
}

// The ways of setting the engine thinking that the front end may leave in the
// middle of: its input and how its output shows that the search is under way.
struct Busqueda {
  const char* entrada;
  bool (*pensando)(const std::string& salida);
};
const Busqueda BUSQUEDAS[] = {
    {"xboard\nprotover 2\nnew\nlevel 0 5 0\ngo\n", Pensando},
    {"xboard\nprotover 2\nnew\nst 30\ngo\n", Pensando},
    {"xboard\nprotover 2\nnew\nanalyze\n", Pensando},
    {"uci\nposition startpos\ngo infinite\n", PensandoUci},
};

}  // namespace

// Starts the program thinking on `busqueda` in a directory with books, lets
// `interrumpir` cut it short, and checks that `acabado` accepts how it ended
// and that its books are the old ones or whole new ones.
template <typename F>
void InterrumpirAlPensar(const Programa& p, const Busqueda& busqueda, F interrumpir,
                         bool (*acabado)(int)) {
  SCOPED_TRACE(std::string(p.nombre) + ", " + busqueda.entrada);
  DirectorioTemporal dir;
  std::vector<std::string> args;
  PrepararDirectorio(dir, p, 2000, args);
  const std::string blancas = dir.Leer(p.libroB), negras = dir.Leer(p.libroN);
  Motor motor(p.binario, args, dir.Ruta());
  motor.Escribir(busqueda.entrada);
  ASSERT_TRUE(motor.EsperarQue(busqueda.pensando)) << motor.Salida();
  interrumpir(motor);
  const int estado = motor.EsperarFin();
  EXPECT_TRUE(acabado(estado)) << Estado(estado);
  EXPECT_TRUE(LibroEnteroOAnterior(p.libroB, blancas, dir.Leer(p.libroB)));
  EXPECT_TRUE(LibroEnteroOAnterior(p.libroN, negras, dir.Leer(p.libroN)));
}

// ---------------------------------------------------------------- the front end dies

// The front end's process ends while the engine thinks: its input reaches its
// end and its output has no reader any more. The engine must notice, write no
// broken book, and end normally (a write into the broken pipe must not kill it).
TEST(DriverFallos, FrontEndDiesWhileTheEngineThinks) {
  for (const Programa& p : PROGRAMAS) {
    for (const Busqueda& busqueda : BUSQUEDAS)
      InterrumpirAlPensar(
          p, busqueda,
          [](Motor& motor) {
            motor.CerrarEntrada();
            motor.CerrarSalida();
          },
          prueba::SalioBien);
  }
}

// ---------------------------------------------------------------- SIGTERM

// SIGTERM ends the engine while it thinks and while it saves its books at quit.
// Either way the book files are the old ones or whole new ones.
TEST(DriverFallos, SigtermWhileThinkingAndWhileSaving) {
  for (const Programa& p : PROGRAMAS) {
    for (const Busqueda& busqueda : {BUSQUEDAS[1], BUSQUEDAS[2]})
      InterrumpirAlPensar(
          p, busqueda, [](Motor& motor) { motor.Senal(SIGTERM); }, FinTrasSigterm);
    // The save at quit prints a progress dot every 500 records. With the output
    // pipe full the first dot blocks the engine inside the save of the first
    // book, its temporary file begun: the signal comes then.
    SCOPED_TRACE(std::string(p.nombre) + ", during the save at quit");
    DirectorioTemporal dir;
    std::vector<std::string> args;
    PrepararDirectorio(dir, p, 5000, args);
    const std::string blancas = dir.Leer(p.libroB), negras = dir.Leer(p.libroN);
    Motor motor(p.binario, args, dir.Ruta(), {}, {.copiaSalida = true});
    motor.Escribir("xboard\nprotover 2\n");
    ASSERT_TRUE(motor.Esperar("done=1\n")) << motor.Salida();
    ASSERT_TRUE(motor.LlenarSalida());
    motor.Escribir("quit\n");
    const std::string temporal = std::string(p.libroB) + ".tmp";
    for (int i = 0; i < 20000 && !dir.Existe(temporal); ++i) usleep(1000);
    ASSERT_TRUE(dir.Existe(temporal)) << "the save at quit never began";
    motor.Senal(SIGTERM);
    const int estado = motor.EsperarFin();
    EXPECT_TRUE(FinTrasSigterm(estado)) << Estado(estado);
    EXPECT_TRUE(LibroEnteroOAnterior(p.libroB, blancas, dir.Leer(p.libroB)));
    EXPECT_TRUE(LibroEnteroOAnterior(p.libroN, negras, dir.Leer(p.libroN)));
  }
}

// ---------------------------------------------------------------- a read-only directory

namespace {

// Runs in the engine's child: `dir` becomes read-only for it alone. Root writes
// through permission bits, so for root the directory is bound onto itself
// read-only in a mount namespace of the child's own (gone with the engine);
// others lose the write bits.
bool SoloLectura(const std::string& dir) {
  if (geteuid() != 0) return chmod(dir.c_str(), 0555) == 0;
  return unshare(CLONE_NEWNS) == 0 &&
         mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         mount(dir.c_str(), dir.c_str(), nullptr, MS_BIND, nullptr) == 0 &&
         mount(nullptr, dir.c_str(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY, nullptr) == 0;
}

// Whether a child can be given a read-only `dir`: it tries to create a file there.
bool SePuedeSoloLectura(const std::string& dir) {
  const pid_t hijo = fork();
  if (hijo == 0) {
    if (!SoloLectura(dir)) _exit(1);
    const std::string prueba = dir + "/escritura";
    const int fd = open(prueba.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    _exit(fd < 0 ? 0 : 2);
  }
  int estado = 0;
  if (hijo < 0 || waitpid(hijo, &estado, 0) != hijo) return false;
  if (geteuid() != 0) chmod(dir.c_str(), 0755);
  std::remove((dir + "/escritura").c_str());
  return WIFEXITED(estado) && WEXITSTATUS(estado) == 0;
}

// The coordinate texts of the legal moves of the starting position.
std::vector<std::string> JugadasIniciales() {
  Posicionar("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  std::vector<std::string> textos;
  for (Jugada j : JugadasLegales()) textos.push_back(TextoJugada(j));
  return textos;
}

// The word after `marca` in the output ("" when there is none).
std::string PalabraTras(const std::string& salida, const std::string& marca) {
  const size_t i = salida.find(marca);
  if (i == std::string::npos) return "";
  const size_t desde = i + marca.size();
  return salida.substr(desde, salida.find_first_of(" \n", desde) - desde);
}

}  // namespace

// Without a writable directory the engine plays as ever, and says why it keeps
// no log: as "telluser" to an xboard front end, right after the feature line;
// as plain text at a console; as "info string" under UCI. Its books stay as
// they were (the save at quit cannot write them).
TEST(DriverFallos, ReadOnlyWorkingDirectory) {
  {
    DirectorioTemporal sonda;
    if (!SePuedeSoloLectura(sonda.Ruta()))
      GTEST_SKIP() << "no read-only working directory could be arranged (as root it takes a "
                      "read-only bind mount in a mount namespace: unshare(CLONE_NEWNS) and "
                      "mount(2) must be allowed)";
  }
  const std::vector<std::string> legales = JugadasIniciales();
  struct Caso {
    const char* nombre;
    const char* entrada;
    const char* antesDelAviso;  // what precedes the notice
    const char* formaAviso;     // the notice line, %s for the text
    const char* marcaJugada;
  };
  const Caso casos[] = {
      {"xboard", "xboard\nprotover 2\nnew\nsd 3\ngo\n", "done=1\n", "telluser %s\n", "\nmove "},
      {"console", "new\nsd 3\ngo\n", "feature done=0\n", "%s\n", "\nmove "},
      {"uci", "uci\nisready\nposition startpos\ngo depth 3\n", "uciok\n", "info string %s\n",
       "bestmove "},
  };
  for (const Programa& p : PROGRAMAS) {
    for (const Caso& c : casos) {
      SCOPED_TRACE(std::string(p.nombre) + ", " + c.nombre);
      DirectorioTemporal dir;
      std::vector<std::string> args;
      PrepararDirectorio(dir, p, 100, args);
      const std::string blancas = dir.Leer(p.libroB), negras = dir.Leer(p.libroN);
      const std::string ruta = dir.Ruta();
      Motor motor(p.binario, args, ruta, {}, {.enHijo = [&] { return SoloLectura(ruta); }});
      motor.Escribir(c.entrada);
      ASSERT_TRUE(motor.Esperar(c.marcaJugada)) << motor.Salida();
      ASSERT_TRUE(motor.EsperarQue([&](const std::string& s) {
        return s.find('\n', s.find(c.marcaJugada) + 1) != s.npos;
      })) << motor.Salida();
      motor.Escribir("quit\n");
      const int estado = motor.EsperarFin();
      if (geteuid() != 0) chmod(ruta.c_str(), 0755);  // for the checks and the clean-up
      EXPECT_TRUE(prueba::SalioBien(estado)) << Estado(estado);
      const std::string& salida = motor.Salida();
      const std::string aviso =
          std::string("no log: cannot create ") + p.prefijoLog + "0.log in " + ruta + " (" +
          (geteuid() == 0 ? "Read-only file system" : "Permission denied") + ")";
      char linea[1024];
      std::snprintf(linea, sizeof linea, c.formaAviso, aviso.c_str());
      const size_t antes = salida.find(c.antesDelAviso);
      ASSERT_NE(antes, std::string::npos) << salida;
      EXPECT_EQ(salida.find(linea), antes + std::strlen(c.antesDelAviso)) << salida;
      EXPECT_EQ(salida.find(aviso), salida.rfind(aviso)) << "told more than once:\n" << salida;
      const std::string jugada = PalabraTras(salida, c.marcaJugada);
      EXPECT_NE(std::find(legales.begin(), legales.end(), jugada), legales.end())
          << "not a legal first move: '" << jugada << "'\n"
          << salida;
      EXPECT_EQ(dir.Leer(p.libroB), blancas);
      EXPECT_EQ(dir.Leer(p.libroN), negras);
      std::error_code ec;
      for (const auto& f : std::filesystem::directory_iterator(ruta, ec)) {
        const std::string nombre = f.path().filename().string();
        EXPECT_TRUE(nombre == p.libroB || nombre == p.libroN || nombre == "aprende.per")
            << "written: " << nombre;
      }
    }
  }
}

// ---------------------------------------------------------------- an endless line

// 100 MB without a line end, then one: the engine reads it through its fixed
// buffer (its memory peak grows by far less than the line), answers it with one
// message, and the next command is answered as usual.
TEST(DriverFallos, HundredMegabyteLine) {
  constexpr size_t MEGA = 1 << 20;
  constexpr long LIMITE_KB = 64 * 1024;  // growth allowed: well below the line's 100 MB
  const std::string bloque(MEGA, 'x');
  const std::string palabra(TAM_TOKEN - 1, 'x');  // what is left of the word
  struct Caso {
    const char* nombre;
    const char* inicio;
    const char* listo;  // the output once the engine waits for commands
    const char* despues;
    const char* respuesta;
    std::string error;  // the one answer to the long line
  };
  const Caso casos[] = {
      {"xboard", "xboard\nprotover 2\n", "done=1\n", "ping 7\n", "\npong 7\n",
       "Error (unknow command): " + palabra + "\n"},
      {"console", "", "feature done=0\n", "ze_Eval\n",
       "Static eval: ", "Error (unknow command): " + palabra + "\n"},
      {"uci", "uci\n", "uciok\n", "isready\n", "readyok\n",
       "info string unknown command: " + palabra + "\n"},
  };
  for (const Programa& p : PROGRAMAS) {
    for (const Caso& c : casos) {
      SCOPED_TRACE(std::string(p.nombre) + ", " + c.nombre);
      DirectorioTemporal dir;
      Motor motor(p.binario, {}, dir.Ruta());
      motor.Escribir(c.inicio);
      ASSERT_TRUE(motor.Esperar(c.listo)) << motor.Salida();
      const long base = motor.PicoMemoriaKb();
      ASSERT_GT(base, 0) << "no VmHWM in /proc/" << motor.Pid() << "/status";
      const size_t antes = motor.Salida().size();
      for (int i = 0; i < 100; ++i) ASSERT_TRUE(motor.Escribir(bloque, 120000));
      motor.Escribir(std::string("\n") + c.despues);
      ASSERT_TRUE(motor.Esperar(c.respuesta, 60000)) << motor.Salida().substr(antes, 2000);
      const long pico = motor.PicoMemoriaKb();
      EXPECT_LT(pico - base, LIMITE_KB) << "VmHWM " << base << " kB before, " << pico << " after";
      const std::string salida = motor.Salida().substr(antes);
      EXPECT_EQ(salida.substr(0, c.error.size()), c.error) << salida.substr(0, 1000);
      EXPECT_EQ(salida.find('\n'), c.error.size() - 1);
      EXPECT_EQ(salida.find(c.error.substr(0, 12), 1), std::string::npos)
          << "more than one message:\n"
          << salida.substr(0, 2000);
      motor.Escribir("quit\n");
      const int estado = motor.EsperarFin();
      EXPECT_TRUE(prueba::SalioBien(estado)) << Estado(estado);
    }
  }
}
