// Start-up, in the order the front end and the log rely on, and the way out.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

#include "book/book.h"
#include "driver/driver.h"
#include "driver/forma.h"
#include "egtb/egtb.h"
#include "eval/eval.h"
#include "search/search.h"

namespace {

constexpr uint32_t CACHE_RESERVA = 1048576;  // cache size tried when the set one cannot be had

// A file that is there but could not be read whole (it could not be opened, a
// read failed, it is no regular file, it holds more than a book can) is never
// written: the save would replace the user's book by the part read. Nor is a
// file the user made read-only. Neither learns in this run.
struct EstadoLibro {
  bool propio;     // read (or attempted) from the file of the settings
  bool aprendido;  // learning merged records of a game into it
  bool intocable;  // its file is never written in this run
};

// What start-up leaves for the rest of the run: the tablebases' cache and what
// became of each book.
struct EstadoArranque {
  void* CacheTablas = nullptr;
  EstadoLibro EstadoBlancas = {}, EstadoNegras = {};
};
EstadoArranque Arranque;

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
    Arranque.CacheTablas = std::malloc(tam);
  }
  if (Arranque.CacheTablas == nullptr) {
    tam = CACHE_RESERVA;
    Arranque.CacheTablas = std::malloc(tam);
  }
  // Set only when it is the area the tablebase code uses (CambiarTablasFinales
  // relies on that to release the area it replaces).
  if (Arranque.CacheTablas != nullptr && !FijarCache(Arranque.CacheTablas, tam)) {
    std::free(Arranque.CacheTablas);
    Arranque.CacheTablas = nullptr;
  }
  return Arranque.CacheTablas != nullptr ? piezas : 0;
}

// The book's notices go to the log.
void LogLibro(const char* texto) { Log("%s", texto); }

// Where each book came from. A book read from its own file (the name of the
// settings) is written back there at quit; one read from the installed copies,
// or not read at all, is written to that name only when learning put something
// into it: an engine started in a directory of its own must neither leave empty
// books there nor copy the installed ones for nothing, and it never writes the
// installed copies, which a user usually cannot write anyway.

// The file name of a book setting without a leading "./" (RutaLocal has turned
// backslashes into slashes); null when the setting names a directory too, which
// is then a path chosen on purpose and never looked for elsewhere.
const char* NombreSimple(const char* ruta) {
  while (ruta[0] == '.' && ruta[1] == '/') ruta += 2;
  return std::strchr(ruta, '/') == nullptr && ruta[0] != '\0' ? ruta : nullptr;
}

// A file the user cannot write, or has taken every write permission from (root
// may write it anyway, but the mode says the book is not to change).
bool SoloLectura(const char* ruta) {
  struct stat st;
  if (stat(ruta, &st) != 0) return false;
  return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 || access(ruta, W_OK) != 0;
}

// Reads one book. A name that exists in the working directory (or a path given
// as such) is read from there; the build's default name that is not there is
// looked for where the programs were installed: PREFIX/share/zelmor beside
// PREFIX/bin, and PREFIX/share/games/zelmor beside PREFIX/games (Debian's
// layout for games). The log names the file each book came from.
void CargarUnLibro(const char* ajuste, const char* ajusteInicial, EntradaLibro* libro,
                   uint32_t* num, const char* nombre, EstadoLibro& estado) {
  char ruta[TAM_RUTA];
  RutaLocal(ajuste, ruta, sizeof ruta);
  struct stat st;
  // Only a name that is certainly missing is looked for elsewhere: one that
  // cannot even be looked at is somebody's book all the same.
  if (stat(ruta, &st) == 0 || errno != ENOENT) {
    estado.propio = true;
    LecturaLibro lectura;
    const uint32_t n = CargarFicheroLibro(ruta, libro, num, nombre, &lectura);
    Log("\nLibro %s: %u posiciones de %s\n", nombre, n, ruta);
    if (!lectura.Existe) return;  // gone since: as a missing one
    if (!lectura.Completo || lectura.NoRegular) {
      char motivo[64];
      if (lectura.NoRegular)
        std::snprintf(motivo, sizeof motivo, "no es un fichero");
      else if (lectura.Error != 0)
        std::snprintf(motivo, sizeof motivo, "%s", std::strerror(lectura.Error));
      else
        std::snprintf(motivo, sizeof motivo, "supera las %u posiciones", CAPACIDAD_LIBRO);
      estado.intocable = true;
      AvisarUsuario(true, "Libro %s: no se pudo leer entero (%s); no aprende ni se guarda", ruta,
                    motivo);
    } else if (SoloLectura(ruta)) {
      estado.intocable = true;
      Log("\nLibro %s: %s es de solo lectura; no aprende ni se guarda\n", nombre, ruta);
      if (Personalidad.APRENDER != 0)
        AvisarUsuario(false, "Libro %s: de solo lectura; se usa, pero no aprende ni se guarda",
                      ruta);
    }
    return;
  }
  const char* simple = NombreSimple(ruta);
  char prefijo[TAM_RUTA];
  if (std::strcmp(ajuste, ajusteInicial) != 0 || simple == nullptr ||
      !PrefijoInstalacion(prefijo, sizeof prefijo))
    return;
  for (const char* datos : {"/share/zelmor/", "/share/games/zelmor/"}) {
    char instalado[2 * TAM_RUTA];
    std::snprintf(instalado, sizeof instalado, "%s%s%s", prefijo, datos, simple);
    if (stat(instalado, &st) != 0 || !S_ISREG(st.st_mode)) continue;
    const uint32_t n = CargarFicheroLibro(instalado, libro, num, nombre);
    Log("\nLibro %s: %u posiciones de %s (instalado; el aprendizaje se guarda en %s)\n", nombre,
        n, instalado, ruta);
    return;
  }
}

// Writes one book; a failure is the user's to know (the log has its reason
// too). False when the file could not be written.
bool GuardarUnLibro(const char* ajuste, const EntradaLibro* libro, uint32_t num,
                    const char* total) {
  char ruta[TAM_RUTA];
  RutaLocal(ajuste, ruta, sizeof ruta);
  int error = 0;
  if (GuardarFicheroLibro(ruta, libro, num, total, &error)) return true;
  AvisarUsuario(true, "No se pudo guardar el libro %s (%s); el fichero anterior queda intacto",
                ruta, std::strerror(error));
  return false;
}

// A save stopped by a signal (or a crash) leaves its temporary file beside the
// book; the next start removes it. Only that exact name, and only a regular
// file: nothing else there is the engine's.
void QuitarTemporalLibro(const char* ajuste) {
  char ruta[TAM_RUTA], temporal[TAM_RUTA + 8];
  RutaLocal(ajuste, ruta, sizeof ruta);
  struct stat st;
  if (!NombreTemporalLibro(ruta, temporal, sizeof temporal) || lstat(temporal, &st) != 0 ||
      !S_ISREG(st.st_mode))
    return;
  if (unlink(temporal) == 0) Log("\nBorrado %s, resto de un guardado interrumpido\n", temporal);
}

constexpr const char* TOTAL_BLANCAS = "\nTotal posiciones blancas: %d\n";
constexpr const char* TOTAL_NEGRAS = "\nTotal posiciones negras: %d\n";

// Saves one book unless its file is never to be written, in which case only its
// total is printed, as front ends and scripts read it at every save. False when
// a save failed.
bool GuardarSiSePuede(const char* ajuste, const EntradaLibro* libro, uint32_t num,
                      const char* total, const EstadoLibro& estado) {
  if (estado.intocable) {
    Log("\nLibro %s sin guardar: no se escribe en esta sesi\xF3n\n", ajuste);
    Pantalla(total, static_cast<int>(num));
    return true;
  }
  return GuardarUnLibro(ajuste, libro, num, total);
}

}  // namespace

void CargarFicherosLibro() {
  CargarUnLibro(Personalidad.LIBROB_FICH, PERSONALIDAD_INICIAL.LIBROB_FICH, Libros.LibroBlancas,
                &Libros.NumLibroBlancas, "blancas", Arranque.EstadoBlancas);
  CargarUnLibro(Personalidad.LIBRON_FICH, PERSONALIDAD_INICIAL.LIBRON_FICH, Libros.LibroNegras,
                &Libros.NumLibroNegras, "negras", Arranque.EstadoNegras);
}

void GuardarFicherosLibro() {
  GuardarSiSePuede(Personalidad.LIBROB_FICH, Libros.LibroBlancas, Libros.NumLibroBlancas, TOTAL_BLANCAS,
                   Arranque.EstadoBlancas);
  GuardarSiSePuede(Personalidad.LIBRON_FICH, Libros.LibroNegras, Libros.NumLibroNegras, TOTAL_NEGRAS,
                   Arranque.EstadoNegras);
}

void AprenderResultado(const char* resultado) {
  // A book whose file is never written learns nothing either: its records of
  // the game are left out of the merge.
  int quedan = 0;
  for (int i = 0; i < Libros.NumListaPartida; ++i) {
    const EstadoLibro& estado = Libros.ListaPartida[i].Color == 1 ? Arranque.EstadoBlancas : Arranque.EstadoNegras;
    if (!estado.intocable) Libros.ListaPartida[quedan++] = Libros.ListaPartida[i];
  }
  Libros.NumListaPartida = quedan;
  Aprender(resultado, Eval.ColorMotor);
  for (int i = 0; i < Libros.NumListaPartida; ++i)
    (Libros.ListaPartida[i].Color == 1 ? Arranque.EstadoBlancas : Arranque.EstadoNegras).aprendido = true;
}

void Arrancar(int argc, char** argv) {
  // A line protocol: nothing may wait in a buffer. A front end that goes
  // away is noticed as the end of input, not as a fatal signal on output.
  std::signal(SIGPIPE, SIG_IGN);
  std::setvbuf(stdout, nullptr, _IONBF, 0);
  std::setvbuf(stdin, nullptr, _IONBF, 0);
  // Holds a waiting front end until the real feature line.
  std::printf("feature done=0\n");
  // The log, with the report of the defaults (before any personality).
  AbrirLog();
  // Empty books; their notices go to the log.
  VaciarLibros();
  Libros.SalidaLogLibro = LogLibro;
  Libros.SalidaPantallaLibro = PantallaTexto;
  EGTB.PantallaTablas = PantallaTexto;
  // Personality from the command line; its name marks the engine's name.
  std::snprintf(Driver.NombreMotor, sizeof Driver.NombreMotor, "%s", NOMBRE_BASE);
  int personalidad = 0;
  if (argc > 1) {
    std::snprintf(Driver.NombreMotor, sizeof Driver.NombreMotor, "%s (%s)", NOMBRE_BASE, argv[1]);
    personalidad = CargarPers(argv[1]);
  }
  // Hash tables (a personality file has allocated them already).
  if (!personalidad && !AsignarTablasHash()) AvisarTablasReducidas();
  // Tablebases.
  EGTB.MaxPiezasTB = PrepararTablasFinales();
  // Books, after what an interrupted save may have left beside them.
  QuitarTemporalLibro(Personalidad.LIBROB_FICH);
  QuitarTemporalLibro(Personalidad.LIBRON_FICH);
  CargarFicherosLibro();
  // A new game; the earlier build starts from its built-in ending.
  Driver.VersionProtocolo = 1;
  ReiniciarPartida();
  MotivoFEN motivo;
  if (FORMA_DRIVER.FenArranque != nullptr && PonerPosicion(FORMA_DRIVER.FenArranque, &motivo) != 0)
    ImprimirErrorFEN(motivo);
  // Input that arrives during a search reaches the driver through this.
  Busqueda.EntradaPendiente = EntradaXboard;
  Busqueda.InformadorBusqueda = &INFORMADOR_XBOARD;
}

void CambiarTablasFinales() {
  // No probe while the tables change. The tablebase code keeps using the old
  // cache area until a new one is set, so the old one is released only then;
  // when no new area was set it stays the current one.
  EGTB.MaxPiezasTB = 0;
  void* const anterior = Arranque.CacheTablas;
  Arranque.CacheTablas = nullptr;
  EGTB.MaxPiezasTB = PrepararTablasFinales();
  if (Arranque.CacheTablas == nullptr) Arranque.CacheTablas = anterior;
  else std::free(anterior);
}

// A new file replaces its book: the books are emptied first, so nothing of the
// old files stays mixed with the new ones.
void RecargarLibros() {
  VaciarLibros();
  Arranque.EstadoBlancas = Arranque.EstadoNegras = {};
  CargarFicherosLibro();
}

void SalirMotor(bool cerrarLog) {
  if (Driver.GanchoSalida != nullptr) Driver.GanchoSalida();
  bool guardado = true;
  if (Personalidad.APRENDER != 0) {
    // A front end that never named its protocol still hears of a failed save.
    AbrirAvisosSinProtocolo();
    Log("Guardando aprendizaje...");
    // A front end closing the engine may send SIGTERM right after "quit": it
    // waits until both books are written (the process then exits anyway).
    sigset_t parada;
    sigemptyset(&parada);
    for (int senal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) sigaddset(&parada, senal);
    sigprocmask(SIG_BLOCK, &parada, nullptr);
    // A book left unwritten is still counted: front ends and scripts read the
    // two totals at every quit.
    if (Arranque.EstadoBlancas.propio || Arranque.EstadoBlancas.aprendido)
      guardado = GuardarSiSePuede(Personalidad.LIBROB_FICH, Libros.LibroBlancas, Libros.NumLibroBlancas,
                                   TOTAL_BLANCAS, Arranque.EstadoBlancas) &&
                 guardado;
    else
      Pantalla(TOTAL_BLANCAS, static_cast<int>(Libros.NumLibroBlancas));
    if (Arranque.EstadoNegras.propio || Arranque.EstadoNegras.aprendido)
      guardado = GuardarSiSePuede(Personalidad.LIBRON_FICH, Libros.LibroNegras, Libros.NumLibroNegras,
                                   TOTAL_NEGRAS, Arranque.EstadoNegras) &&
                 guardado;
    else
      Pantalla(TOTAL_NEGRAS, static_cast<int>(Libros.NumLibroNegras));
  }
  if (cerrarLog) CerrarLog();
  LiberarTablasHash();
  // A failed save is an error of the run: scripts see it in the exit status.
  std::exit(guardado ? 0 : 1);
}
