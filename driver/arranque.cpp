// Start-up, in the order the front end and the log rely on, and the way out.
#include <csignal>
#include <cstdlib>

#include "book/book.h"
#include "driver/driver.h"
#include "egtb/egtb.h"
#include "search/search.h"

namespace {

constexpr uint32_t CACHE_RESERVA = 1048576;  // cache size tried when the set one cannot be had
void* CacheTablas = nullptr;

// Registers the tablebases of NALIMOV_PATH and gives them their cache; the
// number of pieces they cover (0: none) is what the search may probe.
int PrepararTablasFinales() {
  if (Personalidad.NALIMOV_PATH[0] == '\0') return 0;
  char rutas[TAM_RUTA];
  RutaLocal(Personalidad.NALIMOV_PATH, rutas, sizeof rutas);
  int piezas = InicializarTablasFinales(rutas);
  if (piezas == 0) return 0;
  uint32_t tam = 0;
  if (Personalidad.EGTB_CACHE_SIZE > 0) {
    tam = static_cast<uint32_t>(Personalidad.EGTB_CACHE_SIZE);
    CacheTablas = std::malloc(tam);
  }
  if (CacheTablas == nullptr) {
    tam = CACHE_RESERVA;
    CacheTablas = std::malloc(tam);
  }
  // Set only when it is the area the tablebase code uses (CambiarTablasFinales
  // relies on that to release the area it replaces).
  if (CacheTablas != nullptr && !FijarCache(CacheTablas, tam)) {
    std::free(CacheTablas);
    CacheTablas = nullptr;
  }
  return CacheTablas != nullptr ? piezas : 0;
}

// The book's notices go to the log.
void LogLibro(const char* texto) { Log("%s", texto); }

void RutasLibros(char* blancas, char* negras) {
  RutaLocal(Personalidad.LIBROB_FICH, blancas, TAM_RUTA);
  RutaLocal(Personalidad.LIBRON_FICH, negras, TAM_RUTA);
}

}  // namespace

void CargarFicherosLibro() {
  char blancas[TAM_RUTA], negras[TAM_RUTA];
  RutasLibros(blancas, negras);
  CargarLibros(blancas, negras);
}

void GuardarFicherosLibro() {
  char blancas[TAM_RUTA], negras[TAM_RUTA];
  RutasLibros(blancas, negras);
  GuardarLibros(blancas, negras);
}

void Arrancar(int argc, char** argv) {
  // 1. A line protocol: nothing may wait in a buffer. A front end that goes
  // away is noticed as the end of input, not as a fatal signal on output.
  std::signal(SIGPIPE, SIG_IGN);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::setvbuf(stdin, nullptr, _IONBF, 0);
  // 2. Holds a waiting front end until the real feature line.
  std::printf("feature done=0\n");
  // 3. The log, with the report of the defaults (before any personality).
  AbrirLog();
  // 4. Empty books; their notices go to the log.
  VaciarLibros();
  SalidaLogLibro = LogLibro;
  // 5. Tables and keys.
  InicializarTablas();
  InicializarClaves();
  // 6. Personality from the command line; its name marks the engine's name.
  std::snprintf(NombreMotor, sizeof NombreMotor, "%s", NOMBRE_BASE);
  int personalidad = 0;
  if (argc > 1) {
    std::snprintf(NombreMotor, sizeof NombreMotor, "%s (%s)", NOMBRE_BASE, argv[1]);
    personalidad = CargarPers(argv[1]);
  }
  // 7. Hash tables (a personality file has allocated them already).
  if (!personalidad) AsignarTablasHash();
  // 8. Tablebases.
  MaxPiezasTB = PrepararTablasFinales();
  // 9. Books.
  CargarFicherosLibro();
  // 10. A new game; the earlier build starts from its built-in ending.
  VersionProtocolo = 1;
  ReiniciarPartida();
  if (PARAMETROS.FenArranque != nullptr) PonerPosicion(PARAMETROS.FenArranque);
  // 11. Input that arrives during a search reaches the driver through this.
  EntradaPendiente = HayEntrada;
}

void CambiarTablasFinales() {
  // No probe while the tables change. The tablebase code keeps using the old
  // cache area until a new one is set, so the old one is released only then;
  // when no new area was set it stays the current one.
  MaxPiezasTB = 0;
  void* const anterior = CacheTablas;
  CacheTablas = nullptr;
  MaxPiezasTB = PrepararTablasFinales();
  if (CacheTablas == nullptr) CacheTablas = anterior;
  else std::free(anterior);
}

// A new file replaces its book: the books are emptied first, so nothing of the
// old files stays mixed with the new ones.
void RecargarLibros() {
  VaciarLibros();
  CargarFicherosLibro();
}

void (*GanchoSalida)() = nullptr;

void SalirMotor(bool cerrarLog) {
  if (GanchoSalida != nullptr) GanchoSalida();
  if (Personalidad.APRENDER != 0) {
    Log("Guardando aprendizaje...");
    GuardarFicherosLibro();
  }
  if (cerrarLog) CerrarLog();
  LiberarTablasHash();
  std::exit(0);
}
