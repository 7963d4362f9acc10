// The engine driver: start-up, the two command loops, move notation, output,
// the log file and the personality file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "core/core.h"

// ---------------------------------------------------------------- constants

inline constexpr int MODO_PONDER = 5;
inline constexpr int MODO_ANALISIS = 6;

// Engine names: the base name is what the greeting uses; NombreMotor may carry
// the personality suffix.
inline constexpr const char* NOMBRE_BASE = VERSION_052 ? "Zelmor v0.52" : "Zelmor v0.70 QRT6";
inline constexpr const char* PREFIJO_LOG = VERSION_052 ? "Ze_0.52_" : "Ze_0.70_";

// Command tokens are short words, numbers, moves and file names; anything longer
// is read whole and cut to this size (terminator included).
inline constexpr size_t TAM_TOKEN = 256;
// A rest-of-line argument (a FEN, an opponent's name) is cut to this size.
inline constexpr size_t TAM_LINEA = 1024;
inline constexpr size_t TAM_RUTA = 256;  // string settings, as in the personality file
inline constexpr size_t TAM_NOMBRE_MOTOR = 32 + TAM_TOKEN;

// Entry sizes of the hash-table sizing rule (bytes per entry as the rule counts them).
inline constexpr uint32_t DIVISOR_HASH = 24;
inline constexpr uint32_t DIVISOR_PEONES = 8;
inline constexpr uint32_t DIVISOR_ATAQUES = 136;

// ---------------------------------------------------------------- types

// The settings of the personality file, with their compiled-in defaults. The
// fields from VAL_PEON on are keys of the earlier build only; the current build
// holds its own fixed values there and never reads a key for them.
struct ConfiguracionMotor {
  uint32_t TABLA_HASH;         // megabytes, both transposition tables together
  uint32_t TABLA_HASH_PEONES;  // megabytes
  uint32_t TamHashAtaques;     // megabytes; no key sets it
  char NALIMOV_PATH[TAM_RUTA];
  int32_t EGTB_CACHE_SIZE;  // bytes (the key gives megabytes)
  char LIBROB_FICH[TAM_RUTA];
  char LIBRON_FICH[TAM_RUTA];
  int32_t APRENDER;
  int32_t AP_SEGUNDOS_MIN;
  int32_t SELECTIVIDAD_LIBRO;
  int32_t LIMITE_ACEPTACION;
  int32_t ICS;
  int32_t VAL_PEON, VAL_CABALLO, VAL_ALFIL, VAL_TORRE, VAL_DAMA;
  int32_t LAZY, FUTILITY, IID;
  int32_t EXT_RECAP, EXT_PEON_7, EXTENSION_NULL, EXTENSION_FINAL;
  int32_t REDUCCION_NULL, VENT_ASP, UMBRAL_FINAL, JAQUES_QSEARCH;
  int32_t ESTRUCTURA_PEONES, MOVILIDAD, DEFENSA_ESTATICA, ATAQUE_DINAMICO;
};

// ---------------------------------------------------------------- globals

extern int ColorMotor;       // side the engine plays: 1 white, 0 black, -1 none
extern int ModoMotor;        // 0 normal, 1-4 clock states, 5 ponder, 6 analysis
extern int PararBusqueda;    // 1 asks the running search to stop
extern int PonderActivo;     // 1 after "hard", 0 after "easy"
extern Jugada JugadaPonder;  // predicted reply on the board while pondering, else 0
extern int VersionProtocolo;
extern double TiempoRestante;  // own clock, seconds
extern int JugadasControl;     // moves per time control
extern int Incremento;         // seconds per move
extern int KibitzActivo;
extern int EloPropio;
extern int EloRival;
extern int RivalComputadora;
extern int ModoICS;
extern char NombreRival[TAM_LINEA];
extern char NombreMotor[TAM_NOMBRE_MOTOR];
extern FILE* FicheroLog;  // the run's log, unbuffered (null when it could not open)

extern ConfiguracionMotor Personalidad;
extern const ConfiguracionMotor PERSONALIDAD_INICIAL;  // the compiled-in defaults

extern const char* const NombreCasilla[128];  // by 0x88 square; "x" off the board
extern const char LetraPromocion[8];          // "  NBRQ" by promotion type

// ---------------------------------------------------------------- functions

// Start-up (everything up to the first command loop) and the program's end.
void Arrancar(int argc, char** argv);
[[noreturn]] void BucleInicial();
// The quit sequence: learning notice and book save when learning is on, the log
// closed when asked, transposition tables released, exit status 0.
[[noreturn]] void SalirMotor(bool cerrarLog = true);

// Clears the driver's per-game state (called by NuevaPartida).
void NuevaPartidaDriver();

// One command of the xboard loop; the search calls it re-entrantly on a terminal.
void BucleXboard();
void ImprimirLineaCaracteristicas();  // the feature line, on standard output and in the log
// True for the commands a search may answer in passing (they leave the position,
// the game and the engine's thinking alone).
bool ComandoSeguroEnBusqueda(const char* comando);

// "ze_Eval": the static evaluation the way the command prints it.
int ValorEstatico();

// Log: printf-style write to the log file (nothing when there is none).
void Log(const char* formato, ...) __attribute__((format(printf, 1, 2)));
void AbrirLog();
void CerrarLog();

// Platform layer.
unsigned HayEntrada();  // bytes of pending input (own buffer + pipe/terminal)
uint32_t RelojMs();     // monotonic milliseconds
// Reads one whitespace-delimited token (cut to `tam` - 1 bytes, the rest of it
// consumed). At the end of input with no token it returns 0.
int LeerPalabra(char* destino, size_t tam);
// As LeerPalabra, but the end of input ends the engine as "quit" does.
void LeerToken(char* destino, size_t tam);
// The rest of the current input line without its line end (cut to `tam` - 1).
void LeerResto(char* destino, size_t tam);
// Forgets buffered input and a seen end of input (for tests that swap descriptor 0).
void ReiniciarEntrada();
// A file name from the settings in this platform's form (a backslash is a
// directory separator).
void RutaLocal(const char* nombre, char* destino, size_t tam);
// atoi without undefined behaviour: leading blanks, a sign, digits; saturates.
int32_t ConvertirEntero(const char* texto);

// Hash tables: entry count of the sizing rule, and the allocation of all tables
// from the current settings (messages on standard output when memory is short;
// a failed table is replaced by a single entry so the search never lacks one).
uint64_t EntradasTabla(uint32_t megas, uint32_t divisor);
void AsignarTablasHash();
void LiberarTablasHash();

// Personality file NAME.per: 1 when read (tables re-allocated), 0 when absent.
int CargarPers(const char* nombre);
// Applies the tokens of a personality text (the file's body) to Personalidad.
void AplicarPersonalidad(const char* texto);

// Move notation.
int InterpretarJugada(const char* texto);  // 1 made, 0 refused (position unchanged)
// The move of the current position's generated list that the text names, or 0.
Jugada JugadaGenerada(Jugada j);
void ImprimirJugada(Jugada j);
int ValidarJugada(Jugada j);
void ImprimirVariante(int profundidad);
// Writes the move text ("e2e4", "e7e8Q") into `destino` (at least 6 bytes).
void TextoJugada(Jugada j, char* destino);

// ---------------------------------------------------------------- book and tablebases
// Provided by the opening-book and tablebase subsystems; until those land, the
// stand-ins in driver/pendientes.cpp find no file and store nothing.
void CargarLibros();                              // appends both book files to the books
void GuardarLibros();                             // rewrites both book files
void Aprender(const char* resultado);             // learns from the game's result
int InicializarTablasFinales(const char* rutas);  // largest piece count registered, 0 none
int FijarCache(void* memoria, uint32_t tam);      // 1 when the cache could be set
