// Opening book and position learning: the two books of positions (after White
// moves, after Black moves), their files, the probe at the root and the records
// of the engine's games that the result merges into the books.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "core/core.h"

// ---------------------------------------------------------------- constants

inline constexpr uint32_t CAPACIDAD_LIBRO = 250000;  // records per book

// Bits of EntradaLibro::Marcas.
inline constexpr uint8_t MARCA_LIBRO = 1;   // a book record (clear: learned by the engine)
inline constexpr uint8_t MARCA_AJUSTE = 2;  // Peso is read through the thresholds
inline constexpr uint8_t MARCA_EVITAR = 4;  // never play the move that leads here

inline constexpr int MAX_CANDIDATOS = 50;      // per kind (book, learned) in one probe
inline constexpr int32_t VALOR_EVITAR = 300;   // planted for a move to avoid...
inline constexpr int PROFUNDIDAD_EVITAR = 20;  // ...with this draft
inline constexpr int32_t UMBRAL_EVITAR = -50;  // adjusted weights below it are avoided
inline constexpr int32_t UMBRAL_AJUSTE = -25;  // adjusted weights from here on get the bonus
inline constexpr int32_t FACTOR_AJUSTE = 5;    // a positive adjusted weight counts this often

// The weight of "no book move" (the root score a search starts from).
inline constexpr int32_t PESO_SIN_JUGADA = -100000;

// One record per engine move of a game; a game never has more moves than the
// position history holds.
inline constexpr int CAPACIDAD_PARTIDA = MAX_HISTORIA;

// ---------------------------------------------------------------- types

// A book record: 16 bytes, little-endian, the same in memory and on disk.
struct EntradaLibro {
  uint32_t ClaveBaja;  // key of the position after the move
  uint32_t ClaveAlta;
  uint8_t Marcas;
  uint8_t Profundidad;  // learned records: depth of the search behind Valor
  int16_t Valor;        // learned records: search value, mover's view
  uint16_t Segundos;    // learned records: thinking time behind Valor
  int16_t Peso;         // weight; each game result adds +1, -1 or 0
};
static_assert(sizeof(EntradaLibro) == 16);
static_assert(std::endian::native == std::endian::little,
              "book files are read and written as memory images of little-endian records");

// A position the engine's own move led to in the current game.
struct RegistroPartida {
  uint32_t ClaveBaja;
  uint32_t ClaveAlta;
  uint16_t Profundidad;  // last completed depth (one less when stopped); 0 for a book move
  int16_t Valor;         // root score, engine's view; the winning weight for a book move
  uint16_t Segundos;     // whole seconds of the search; 0 for a book move
  uint16_t Color;        // 1: the engine moved as White (record goes to LibroBlancas)
};
static_assert(sizeof(RegistroPartida) == 16);

// How the probe reads one record (see ClasificarEntrada).
enum class TipoCandidato { Ninguno, Libro, Aprendido, Evitar };
struct LecturaEntrada {
  TipoCandidato Tipo;
  int32_t Peso;        // weight before the random term (Libro, Aprendido)
  int32_t Mostrado;    // the value the candidate line shows
  int Plantar;         // 1: a value goes into the transposition table
  int32_t ValorTabla;  // ...from the view of the side to move after the move
  int ProfTabla;       // ...with this draft
};

// Stores a value for the current position (the one after a root move) with the
// given draft, as an exact value without a move; `valor` is from the view of the
// side to move there. The search passes its transposition-table store.
using PlantarValor = void (*)(int32_t valor, int prof);

// What a probe found: the candidates in the order they are shown (book moves,
// then learned ones) with the weight shown for each, and the chosen move (0:
// none) with its weight, random term included.
struct CandidatoLibro {
  Jugada Movimiento;
  int32_t Mostrado;
  bool Aprendido;
};
struct ConsultaLibro {
  Jugada Elegida;
  int32_t Peso;
  int NumCandidatos;
  CandidatoLibro Candidatos[2 * MAX_CANDIDATOS];
};

// ---------------------------------------------------------------- state

// The books, the game's records for learning, the probe's random generator and
// where the book's words go.
struct EstadoLibros {
  // Positions after White moves and after Black moves, each in ascending key
  // order (high word first, both unsigned).
  EntradaLibro LibroBlancas[CAPACIDAD_LIBRO];
  uint32_t NumLibroBlancas = 0;
  EntradaLibro LibroNegras[CAPACIDAD_LIBRO];
  uint32_t NumLibroNegras = 0;

  // The current game's records for learning; emptied by NuevaPartidaLibro.
  RegistroPartida ListaPartida[CAPACIDAD_PARTIDA];
  int NumListaPartida = 0;

  // The random term's generator (15 bits, like the C library's), re-seeded with
  // the wall-clock seconds at every probe.
  uint32_t SemillaLibro = 1;

  // Where the book's log lines go (the engine's log; a tool's standard error),
  // and what the user sees of its long work (a dot now and then while a book is
  // sorted or saved, then the saved book's total). Null: nowhere. The text is
  // complete, line ends included.
  void (*SalidaLogLibro)(const char* texto) = nullptr;
  void (*SalidaPantallaLibro)(const char* texto) = nullptr;
};
extern EstadoLibros Libros;

// ---------------------------------------------------------------- functions

// Comparison of a record's key with (alta, baja): <0, 0, >0.
inline int CompararClave(const EntradaLibro& e, uint32_t baja, uint32_t alta) {
  if (e.ClaveAlta != alta) return e.ClaveAlta < alta ? -1 : 1;
  if (e.ClaveBaja != baja) return e.ClaveBaja < baja ? -1 : 1;
  return 0;
}

// Empties both books (start-up, and before other book files are read).
void VaciarLibros();
// Empties the game's records (a new game).
void NuevaPartidaLibro();

// The record with the given key in a sorted book, or null.
EntradaLibro* BuscarLibro(EntradaLibro* libro, uint32_t num, uint32_t baja, uint32_t alta);
// Sorts a book by key in place, printing the progress dots on standard output
// when `puntos` is set.
void OrdenarLibro(EntradaLibro* libro, uint32_t num, bool puntos = true);
// 1 when the book is in key order.
int LibroOrdenado(const EntradaLibro* libro, uint32_t num);

// What reading a book file found.
struct LecturaLibro {
  bool Existe;     // the path names something (a missing file is no error)
  bool NoRegular;  // ...that is no regular file (a directory, a FIFO, a device)
  int Error;       // errno of the failed open or read; 0 when there was none
  uint32_t Descartados;  // records left out because the book was full
  bool Completo;   // every record of the file is in the book: saving it loses nothing
};

// Appends the records of a file to a book. An empty book takes every record; a
// book that already holds records takes only keys it does not have. Never more
// than CAPACIDAD_LIBRO records; a book left out of order is sorted. Returns the
// number of records added. `nombre` names the book in the log lines. What the
// read found goes to `lectura` when given. Only regular files are read.
uint32_t CargarFicheroLibro(const char* ruta, EntradaLibro* libro, uint32_t* num,
                            const char* nombre, LecturaLibro* lectura = nullptr);
// Both files, the White book first (start-up and "CargarL"). Paths in local form.
void CargarLibros(const char* rutaBlancas, const char* rutaNegras);
// Writes a book to `ruta` through a temporary file (NombreTemporalLibro) renamed
// over it, printing a "." per 500 records and `total` (a format with one %d) on
// standard output. 1 when the file was replaced; 0 leaves the old file untouched
// and no temporary file (reason logged, its errno in `error` when given).
// SIGTERM, SIGINT, SIGHUP and SIGQUIT wait until the save is over.
int GuardarFicheroLibro(const char* ruta, const EntradaLibro* libro, uint32_t num,
                        const char* total, int* error = nullptr);
// The temporary name a save of `ruta` writes first: 0 when it does not fit in `tam`.
int NombreTemporalLibro(const char* ruta, char* destino, size_t tam);
// Both books ("ze_GuardarL" and the quit with learning on). 1 when both were written.
int GuardarLibros(const char* rutaBlancas, const char* rutaNegras);

// How the probe treats a record for a move, given the planned time in whole
// seconds and the acceptance limit of learned values.
LecturaEntrada ClasificarEntrada(const EntradaLibro& e, int32_t segundosPlan,
                                 int32_t limiteAceptacion);
// The probe at the root: the root list (ply 0) must be generated. Learned
// values and avoided moves go through `plantar` (null: nowhere).
// `tiempoEsperado` is the time planned for this move, in seconds. A selectivity
// of 0 or below acts as 1 (no random term). The log gets the candidates; what
// the front end sees of them is the caller's to say.
ConsultaLibro ConsultarLibro(int32_t selectividad, int32_t limiteAceptacion,
                             double tiempoEsperado, PlantarValor plantar);

// The book moves of the current position with their weights, into the arrays
// (at most `maximo`): the count, or -1 when no book is loaded. Moves whose
// record says to avoid them are left out.
int JugadasLibro(Jugada* jugadas, int32_t* pesos, int maximo);

// Learning records of the current game (the caller decides whether to record).
// The book move j chosen with weight `peso`:
void AprenderJugadaLibro(Jugada j, int32_t peso);
// The searched move j with its depth, score and whole seconds; a score below the
// previous record's lowers that record by 1 first.
void AprenderBusqueda(Jugada j, int profundidad, int32_t valor, int segundos);
// Merges the game's records into the books with the result token ("1-0", "0-1",
// anything else a draw); `colorMotor` is the side the engine played (-1 none).
void Aprender(const char* resultado, int colorMotor);
