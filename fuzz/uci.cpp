// One command stream through the UCI loop. Each "go" line gets " nodes 1000"
// at its end, or before a NUL that would end it there (and " depth 2" before
// that when it names no depth), so that
// every search that starts is held to a thousand nodes ("infinite" and
// "ponder" ones too: they stop at the limit and wait for the next command); a
// later word wins in "go", and any word that would take the appended one as
// its value makes the line an error, which searches nothing. "setoption" lines about hash or cache sizes above 16 MB are
// dropped: a front end may ask for 4 GB, which is no fault of the engine.
// The end of the input reaches LeerToken, whose quit hook unwinds to here.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cctype>
#include <cstdio>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "egtb/egtb.h"
#include "egtb/marcas.h"
#include "fuzz/arnes.h"
#include "search/search.h"

namespace {

// What the loop keeps from one session to the next, put back first: no
// pondering, the engine's own book, no personality, no game.
constexpr const char* PREFIJO =
    "setoption name Ponder value false\n"
    "setoption name OwnBook value true\n"
    "setoption name Personality value <empty>\n"
    "ucinewgame\n";

std::string Minusculas(std::string s) {
  for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return s;
}

// The first blank-separated word of a line and the last one.
std::string Palabra(const std::string& linea, bool ultima) {
  const char* blancos = " \t\r\f\v";
  if (ultima) {
    const size_t fin = linea.find_last_not_of(blancos);
    if (fin == std::string::npos) return "";
    const size_t ini = linea.find_last_of(blancos, fin);
    return linea.substr(ini == std::string::npos ? 0 : ini + 1,
                        fin - (ini == std::string::npos ? 0 : ini + 1) + 1);
  }
  const size_t ini = linea.find_first_not_of(blancos);
  if (ini == std::string::npos) return "";
  const size_t fin = linea.find_first_of(blancos, ini);
  // The loop reads the word as a C string: a NUL ends it.
  const std::string palabra =
      linea.substr(ini, fin == std::string::npos ? std::string::npos : fin - ini);
  return palabra.substr(0, palabra.find('\0'));
}

// Where words added to a line still count: the loop reads the rest of a line
// after its command as a C string, so a NUL there ends it.
size_t FinUtil(const std::string& linea) {
  const char* blancos = " \t\r\f\v";
  const size_t ini = linea.find_first_not_of(blancos);
  const size_t finComando = linea.find_first_of(blancos, ini);
  if (finComando == std::string::npos) return linea.size();
  const size_t nul = linea.find('\0', finComando);
  return nul == std::string::npos ? linea.size() : nul;
}

std::string Acotar(const std::string& entrada) {
  std::string salida = PREFIJO;
  size_t ini = 0;
  while (ini < entrada.size()) {
    size_t fin = entrada.find('\n', ini);
    const bool final = fin == std::string::npos;
    if (final) fin = entrada.size();
    std::string linea = entrada.substr(ini, fin - ini);
    const std::string primera = Palabra(linea, false);
    if (primera == "go") {
      const size_t util = FinUtil(linea);
      const bool conProfundidad = linea.substr(0, util).find("depth") != std::string::npos;
      linea.insert(util, conProfundidad ? " nodes 1000" : " depth 2 nodes 1000");
    } else if (primera == "setoption") {
      const std::string m = Minusculas(linea);
      if (m.find("hash") != std::string::npos || m.find("cache") != std::string::npos) {
        const std::string valor = Palabra(linea, true);
        const bool pequeno = !valor.empty() && valor.size() <= 2 &&
                             valor.find_first_not_of("0123456789") == std::string::npos &&
                             std::stoi(valor) <= 16;
        if (!pequeno) linea.clear();
      }
    }
    salida += linea;
    salida += '\n';
    ini = fin + 1;
  }
  return salida;
}

// A tablebase directory at a fixed place, for "setoption name NalimovPath
// value /tmp/zelmor-fuzz-tb" in the seeds: kqk files of the right length, all
// draws, and marked as the generator marks its files (the engine reads no
// others). Written through a temporary name, so that processes sharing it
// never see half a file.
void DirectorioTablas() {
  const std::string dir = "/tmp/zelmor-fuzz-tb";
  mkdir(dir.c_str(), 0755);
  const int j = BuscarNombre("kqk");
  std::vector<MarcaTabla> marcas;
  for (int lado = 0; lado < 2; ++lado) {
    const std::string nombre = dir + (lado == 0 ? "/kqk.nbw" : "/kqk.nbb");
    const std::vector<uint8_t> ceros(IndiceMaximoTabla(j, lado), 0);
    const std::string temporal = nombre + "." + std::to_string(getpid());
    if (arnes::EscribirFichero(temporal, ceros.data(), ceros.size()))
      std::rename(temporal.c_str(), nombre.c_str());
    marcas.push_back(MarcaDeBytes(nombre.substr(dir.size() + 1), ceros.data(), ceros.size()));
  }
  std::string error;
  ActualizarMarcas(dir, marcas, {}, error);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  arnes::Preparar();
  DirectorioTablas();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  arnes::ReiniciarMotor();
  arnes::Entrada(Acotar(std::string(reinterpret_cast<const char*>(datos), n)));
  // The loop's first act is dup(1), which takes the lowest free descriptor:
  // that copy, never closed by a loop that was meant to run once per process,
  // is closed here.
  const int copia = fcntl(1, F_DUPFD, 0);
  if (copia >= 0) close(copia);
  try {
    BucleUci();
  } catch (const arnes::FinEntrada&) {
  }
  // Whatever the commands were, the position left behind is whole.
  if (!PosicionValida()) __builtin_trap();
  if (copia >= 0) close(copia);
  return 0;
}
