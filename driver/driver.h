// The engine driver: start-up, the two command loops, move notation, the log
// file and the personality file. It sits on top: it fills the search's limits,
// installs its input callback, and calls every subsystem's resets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "core/core.h"
#include "driver/forma.h"

// ---------------------------------------------------------------- constants

// Engine names: the base name is what the greeting uses; NombreMotor may carry
// the personality suffix.
inline constexpr const char* NOMBRE_BASE = FORMA_DRIVER.NombreBase;
inline constexpr const char* PREFIJO_LOG = FORMA_DRIVER.PrefijoLog;

// Command tokens are short words, numbers, moves and file names; anything longer
// is read whole and cut to this size (terminator included).
inline constexpr size_t TAM_TOKEN = 256;
// A rest-of-line argument (a FEN, an opponent's name) is cut to this size.
inline constexpr size_t TAM_LINEA = 1024;
inline constexpr size_t TAM_NOMBRE_MOTOR = 32 + TAM_TOKEN;

// ---------------------------------------------------------------- state

// What the driver knows of the front end and the game beyond the position.
struct EstadoDriver {
  int PonderActivo = 0;  // 1 after "hard", 0 after "easy"
  int VersionProtocolo = 1;
  int EloPropio = 0;
  int EloRival = 0;
  int RivalComputadora = 0;
  int ModoICS = 0;
  char NombreRival[TAM_LINEA] = {};
  char NombreMotor[TAM_NOMBRE_MOTOR] = {};
  int MostrarPensamiento = 1;  // thinking, fail and stat01 lines ("post"/"nopost")
  bool ModoUci = false;        // the UCI loop runs: standard output carries UCI lines only
  // True once "xboard" was read: a front end of the older protocol, which may
  // never send "protover".
  bool XboardAnunciado = false;
  // True after a refused FEN: the position the engine holds is not the one the
  // user set, so it neither thinks nor answers from it.
  bool SinPosicion = false;
  // Null in the engine. A harness that runs the command loops inside its own
  // process (the fuzz targets) sets it: SalirMotor then calls it first, and the
  // hook, which must not return (it throws back to the harness), stands for the
  // whole quit sequence, so no book is saved and the process goes on.
  void (*GanchoSalida)() = nullptr;
};
extern EstadoDriver Driver;


// Plain text for the user on standard output (progress dots, totals, messages);
// nothing while a UCI front end reads it. PantallaTexto is the form the
// subsystems are handed for their words to the user.
void Pantalla(const char* formato, ...) __attribute__((format(printf, 1, 2)));
void PantallaTexto(const char* texto);

// What the search tells, as the front end hears it: the xboard protocol's text
// (the thinking lines also in the log); for UCI, the log and the loop's own
// report after each completed iteration.
struct Informador;
extern const Informador INFORMADOR_XBOARD;
Informador InformadorUci(void (*iteracionCompleta)(int profundidad));

// ---------------------------------------------------------------- functions

// Start-up (everything up to the first command loop) and the program's end.
void Arrancar(int argc, char** argv);
[[noreturn]] void BucleInicial();
// The quit sequence: learning notice and book save when learning is on, the log
// closed when asked, transposition tables released, exit status 0.
[[noreturn]] void SalirMotor(bool cerrarLog = true);

// The book files of the settings (LIBROB_FICH, LIBRON_FICH) in this platform's
// form: appended to the books (start-up, "CargarL"), written from them (quit with
// learning on, "ze_GuardarL").
// A default book name missing from the working directory is read from the
// installed copies instead (see CargarFicherosLibro); the quit then writes a
// book only when it was read from its own file or learning added to it.
void CargarFicherosLibro();
void GuardarFicherosLibro();
// "result": the game's records merged into the books (learning on).
void AprenderResultado(const char* resultado);

// A new game for the whole engine: the starting position, the tables cleared,
// and every subsystem's per-game state reset (the driver's own included).
void ReiniciarPartida();
// Sets up a FEN position; the engine then plays neither side and has no clock.
// 0 success, 1 refused: nothing printed (`motivo` says why), the position and
// game are kept, and SinPosicion holds until a position is set or a new game.
int PonerPosicion(const char* fen, MotivoFEN* motivo = nullptr);
// With SinPosicion: prints "Error (no position set): COMMAND" and returns true.
bool SinPosicionPara(const char* comando);
// A refused FEN in the protocols' words ("no white king"), plain ASCII.
void RazonFEN(const MotivoFEN& m, char* destino, size_t tam);
// The console's message for it ("Error en FEN: ...", Latin-1), without line end.
void MensajeErrorFEN(const MotivoFEN& m, char* destino, size_t tam);
// That message and a line end on standard output (console and tools).
void ImprimirErrorFEN(const MotivoFEN& m);

// The tablebases registered again from NALIMOV_PATH and EGTB_CACHE_SIZE.
void CambiarTablasFinales();
// The books read again from their files (LIBROB_FICH, LIBRON_FICH).
void RecargarLibros();
// The UCI loop, for good: entered when the first command is "uci".
[[noreturn]] void BucleUci();

// One command of the xboard loop; the input callback calls it during a search on
// a terminal for the commands a search may answer in passing.
void BucleXboard();
// A command of the older protocol, or a move sent bare, read by the first loop:
// handled as the xboard loop handles it (true), or not one (false).
bool AtenderProtocolo1(const char* comando);
// The search's input callback under xboard: pending input, except what the
// search answers in passing and consumes ("." while analysing; "hint" and "bk"
// while pondering).
unsigned EntradaXboard();
void ImprimirLineaCaracteristicas();  // the feature line, on standard output and in the log
// True for the commands a search may answer in passing (they leave the position,
// the game and the engine's thinking alone).
bool ComandoSeguroEnBusqueda(const char* comando);

// The run's log file (Log and CerrarLog are services of core). One that cannot
// be created is told to the user as a notice.
void AbrirLog();

// Notices for the user, in the form of the protocol spoken. Until the front end
// has named its protocol they wait (and the log has them); AbrirAvisos then
// prints them through `escritor` and every later one at once.
using EscritorAvisos = void (*)(bool error, const char* texto);
void AvisarUsuario(bool error, const char* formato, ...) __attribute__((format(printf, 2, 3)));
void AbrirAvisos(EscritorAvisos escritor);
bool AvisosAbiertos();
// Xboard: "tellusererror TEXT" (errors) or "telluser TEXT"; the console: the text.
void AvisoXboard(bool error, const char* texto);
void AvisoConsola(bool error, const char* texto);
// The notices opened in the form the first loop has seen so far (xboard when
// announced, else the console), unless already open.
void AbrirAvisosSinProtocolo();

// Platform layer.
// Bytes of pending input (own buffer + pipe/terminal); the search's input callback.
unsigned HayEntrada();
// Reads one whitespace-delimited token (cut to `tam` - 1 bytes, the rest of it
// consumed). At the end of input with no token it returns 0.
int LeerPalabra(char* destino, size_t tam);
// True when the last token read was the first of its line: the arguments of a
// command the engine does not know are never taken for commands of their own.
bool PrimeraDeLinea();
// As LeerPalabra, but the end of input ends the engine as "quit" does.
void LeerToken(char* destino, size_t tam);
// The rest of the current input line without its line end (cut to `tam` - 1).
void LeerResto(char* destino, size_t tam);
// The first word of the next input line when that whole line is already there
// (read from the pipe without waiting); false when no whole line is waiting.
bool PrimeraPalabraPendiente(char* destino, size_t tam);
// True when the input buffer is full of one unfinished line.
bool EntradaLlena();
// True once the end of input has been read.
bool EntradaTerminada();
// Forgets buffered input and a seen end of input (for tests that swap descriptor 0).
void ReiniciarEntrada();
// Bytes of memory the process can still take: the machine's available memory,
// its control group's room and its address-space limit, the least of them.
uint64_t MemoriaDisponible();
// A file name from the settings in this platform's form (a backslash is a
// directory separator).
void RutaLocal(const char* nombre, char* destino, size_t tam);
// The installation prefix of the running program: the parent of the directory
// that holds its executable, symbolic links resolved ("/usr" for
// /usr/games/zelmor070). False when the system does not say where it runs from.
bool PrefijoInstalacion(char* destino, size_t tam);
// atoi without undefined behaviour: leading blanks, a sign, digits; saturates.
int32_t ConvertirEntero(const char* texto);

// Hash tables: every subsystem's tables allocated from the current settings
// (messages on standard output when memory is short; a failed table is replaced
// by a single entry so the search never lacks one).
// The budgets (megabytes) of the tables: transposition, pawn, attack.
struct TamanosHash {
  uint32_t Hash, Peones, Ataques;
};
// The budgets halved, the largest first, until all the tables together take at
// most half of `disponible` bytes, with room to spare for the rest of the engine.
TamanosHash AjustarTamanosHash(TamanosHash pedido, uint64_t disponible);
// Allocates from the settings; false when they did not fit in the memory the
// process can have and were reduced (the settings then hold what was taken and
// the log says why; the caller tells the user in its protocol).
bool AsignarTablasHash();
// The reduction told in the plain form (start-up, personality files).
void AvisarTablasReducidas();
void LiberarTablasHash();

// Personality file NAME.per: 1 when read (tables re-allocated), 0 when absent.
int CargarPers(const char* nombre);
// Applies the tokens of a personality text (the file's body) to Personalidad.
void AplicarPersonalidad(const char* texto);

// Move notation.
int InterpretarJugada(const char* texto);  // 1 made, 0 refused (position unchanged)
// The move of the current position's generated list that the text names, or 0.
Jugada JugadaGenerada(Jugada j);
// Coordinate text: two squares and an optional promotion letter, nothing else.
bool TieneFormaDeJugada(const char* texto);
// The move word of such a text (squares and promotion only, not checked).
Jugada PalabraJugada(const char* texto);
// The legal move the text names in the current position, or 0 (position kept).
Jugada JugadaDeTexto(const char* texto);
