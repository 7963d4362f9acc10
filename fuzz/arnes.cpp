// The shared part of the fuzz targets (see arnes.h).
#include "fuzz/arnes.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "book/book.h"
#include "driver/driver.h"
#include "egtb/egtb.h"
#include "eval/eval.h"
#include "search/search.h"

namespace arnes {
namespace {

// A pipe takes 64 KiB before a writer blocks; the targets' inputs are far shorter.
constexpr size_t MAX_ENTRADA = 60000;

ConfiguracionMotor Ajustes;
LimitesBusqueda LimitesIniciales;
int MostrarPensamientoInicial = 0;

[[noreturn]] void Lanzar() { throw FinEntrada{}; }

}  // namespace

void Preparar() {
  static bool hecho = false;
  if (hecho) return;
  hecho = true;
  // The engine prints its protocol lines; nobody reads them here.
  const int nulo = open("/dev/null", O_WRONLY);
  if (nulo >= 0) {
    dup2(nulo, 1);
    close(nulo);
  }
  // The log's printf-style lines are formatted as in a real run, into nothing.
  FicheroLog = std::fopen("/dev/null", "wb");
  Libros.SalidaLogLibro = nullptr;
  PrepararNucleo();
  // Tables of one megabyte each keep the per-input clearing cheap; no file
  // names, so nothing is read unless an input names it.
  Ajustes = PERSONALIDAD_INICIAL;
  Ajustes.TABLA_HASH = 1;
  Ajustes.TABLA_HASH_PEONES = 1;
  Ajustes.TamHashAtaques = 1;
  Ajustes.NALIMOV_PATH[0] = '\0';
  Ajustes.LIBROB_FICH[0] = '\0';
  Ajustes.LIBRON_FICH[0] = '\0';
  Personalidad = Ajustes;
  AsignarTablasHash();
  VaciarLibros();
  LimitesIniciales = Busqueda.Limites;
  MostrarPensamientoInicial = Driver.MostrarPensamiento;
  std::snprintf(Driver.NombreMotor, sizeof Driver.NombreMotor, "%s", NOMBRE_BASE);
  Driver.GanchoSalida = Lanzar;
}

void ReiniciarMotor() {
  const bool otrasTablas = Personalidad.TABLA_HASH != Ajustes.TABLA_HASH ||
                           Personalidad.TABLA_HASH_PEONES != Ajustes.TABLA_HASH_PEONES ||
                           Personalidad.TamHashAtaques != Ajustes.TamHashAtaques;
  Personalidad = Ajustes;
  if (otrasTablas) AsignarTablasHash();
  if (Libros.NumLibroBlancas != 0 || Libros.NumLibroNegras != 0) VaciarLibros();
  EGTB.MaxPiezasTB = 0;
  LiberarTablas();
  Busqueda.Limites = LimitesIniciales;
  Busqueda.Fase = FaseReloj::Normal;
  Busqueda.PararBusqueda = 0;
  Driver.MostrarPensamiento = MostrarPensamientoInicial;
  Driver.ModoUci = false;
  Busqueda.EntradaPendiente = HayEntrada;
  Busqueda.InformadorBusqueda = &INFORMADOR_XBOARD;
  ReiniciarPartida();
  Driver.PonderActivo = 0;
  Driver.VersionProtocolo = 2;
  Driver.EloPropio = Driver.EloRival = 0;
  Driver.NombreRival[0] = '\0';
}

void Entrada(const std::string& texto) {
  int p[2];
  if (pipe(p) != 0) std::abort();
  const size_t n = texto.size() < MAX_ENTRADA ? texto.size() : MAX_ENTRADA;
  size_t hecho = 0;
  while (hecho < n) {
    const ssize_t w = write(p[1], texto.data() + hecho, n - hecho);
    if (w <= 0) std::abort();
    hecho += static_cast<size_t>(w);
  }
  close(p[1]);
  if (dup2(p[0], 0) < 0) std::abort();
  close(p[0]);
  ReiniciarEntrada();
}

const std::string& DirectorioTrabajo() {
  // The name also lives in a plain array: the removal at exit runs after the
  // string's destructor.
  static char nombre[4096];
  static const std::string dir = [] {
    const char* base = std::getenv("TMPDIR");
    std::snprintf(nombre, sizeof nombre, "%s/zelmor-fuzz-XXXXXX",
                  base != nullptr && *base != '\0' ? base : "/tmp");
    if (mkdtemp(nombre) == nullptr) std::abort();
    std::atexit([] {
      std::error_code e;
      std::filesystem::remove_all(nombre, e);
    });
    return std::string(nombre);
  }();
  return dir;
}

bool EscribirFichero(const std::string& ruta, const uint8_t* datos, size_t n) {
  std::FILE* f = std::fopen(ruta.c_str(), "wb");
  if (f == nullptr) return false;
  const bool bien = std::fwrite(datos, 1, n, f) == n;
  return std::fclose(f) == 0 && bien;
}

}  // namespace arnes
