// The search: thinking driver, interior and quiescence searches, transposition
// tables, move ordering and time management; also the thinking output and the
// emission of the engine's move.
#pragma once

#include <cstdint>

#include "core/core.h"
#include "book/book.h"
#include "egtb/egtb.h"

// ---------------------------------------------------------------- constants

inline constexpr int32_t SIN_VALOR = -100000;  // a node's best value before any move
inline constexpr int32_t VALOR_MATE = 100001;  // mated at ply p scores p - VALOR_MATE
inline constexpr int32_t UMBRAL_MATE = 99700;  // beyond it a score is a mate score
inline constexpr int32_t INFINITO = 100000;    // the full window's bounds
inline constexpr int LIMITE_PLY = 100;         // nodes this deep return the evaluation
inline constexpr int FILAS_PV = 100;           // rows and entries of VariantePrincipal
inline constexpr int32_t MARGEN_FUTILITY = 300;
inline constexpr int32_t TECHO_ASESINA = 3000;  // moves valued above it never become killers
inline constexpr int32_t MARGEN_LAZY = 300;     // quiescence stand-pat estimate from material

// Flags of EntradaHash::Banderas.
inline constexpr uint8_t HASH_EXACTO = 2;
inline constexpr uint8_t HASH_COTA_SUPERIOR = 4;
inline constexpr uint8_t HASH_COTA_INFERIOR = 8;
inline constexpr uint8_t HASH_NULO = 16;

// The clock of a game without a time control, in seconds.
inline constexpr double SIN_RELOJ = 2147483647.0;

// ---------------------------------------------------------------- types

// What a search is for: a move to play, thinking on the opponent's time with the
// predicted reply on the board, or analysis with no move at the end.
enum class ModoBusqueda : uint8_t { Normal, Ponder, Analisis };

// Where a timed search stands against its two budgets. Normal stops at the
// expected time. Inestable (the score fell) and Cambio (a later root move failed
// high) may run to the hard limit and become Prorrogada past the expected time; in
// CambioProrrogada a root fail high ends the search at once. The phase carries
// over to the next search, and only a normal search moves it.
enum class FaseReloj : uint8_t {
  Normal = 0,
  Inestable = 1,
  InestableProrrogada = 2,
  Cambio = 3,
  CambioProrrogada = 4,
};

// Everything the driver tells the search before it starts: the mode, the clock
// of "level"/"time", the fixed time of "st" and the depth of "sd".
struct LimitesBusqueda {
  ModoBusqueda Modo;
  double TiempoRestante;  // own clock, seconds (SIN_RELOJ: none); each move is charged to it
  int JugadasControl;     // moves per time control (0: the rest of the game)
  int Incremento;         // seconds added per move
  double TiempoFijo;      // seconds per move, 0: none ("st")
  int ProfundidadMaxima;  // last iteration, 0: none ("sd")
  Jugada JugadaPonder;    // the predicted reply on the board while pondering, else 0
  uint32_t NodosMaximos;  // the search stops at the first poll past it, 0: none
  int SinLibro;           // 1: no book move, every move is searched
};

// Asked between nodes: the bytes of input waiting (0 none). A non-zero answer
// stops the search; the driver may answer some commands itself and report 0.
using FuncionEntrada = unsigned (*)();

// Transposition-table entry (20 bytes).
struct EntradaHash {
  uint16_t Estampa;  // low 16 bits of MaterialTotal at store time
  uint8_t Calado;    // remaining depth of the storing search
  uint8_t Banderas;  // 1 side to move, 2 exact, 4 upper, 8 lower, 16 null allowed
  ::Jugada Jugada;
  int32_t Valor;
  uint32_t ClaveBaja;
  uint32_t ClaveAlta;
};
static_assert(sizeof(EntradaHash) == 20);

// Per-search statistics, reset together by IniciarBusqueda and printed in the
// log after each move. (Nulos is separate: make/unmake counts it.)
struct ContadoresBusqueda {
  uint32_t QNodos;
  uint32_t CortesNulos;
  uint32_t ExtJaque, ExtRecaptura, ExtNull, ExtPeon7, ExtFinal;
  uint32_t PodasFut, PodasUltimoPly, PodasStatic;
  uint32_t RedFL, FallosRedFL, IntentosFL, FallosFL;
  uint32_t CortesBeta, CortesBetaPrimera;
  uint32_t IntentosEGTB, AciertosEGTB;
  uint32_t HashExactos, HashUBounds, HashLBounds, HashFallos;
  uint32_t HashGrabaciones, HashNoGrabaciones, HashOcupadas;
};

// ---------------------------------------------------------------- what the search tells

// A line of thinking output, as the search holds it when the line is due.
enum class ClaseLinea : uint8_t {
  Iteracion,  // a new best line within an iteration
  Fijo,       // the end of an iteration of the fixed-depth search
  FallaAlta,  // a root move failed high: the move alone
  FallaBaja,  // the best move failed low: the move and the expected reply
  Kibitz,     // after the move played: the whole line and the tablebase counters
};
struct LineaPensamiento {
  ClaseLinea Clase;
  int Profundidad;
  int32_t Valor;
  double Segundos;
  uint32_t Nodos;
  Jugada Ponder;  // while pondering, the predicted reply the line answers; else 0
  // The variation, first move first. The current build gives the moves that
  // could be played one after another; the earlier one its array as it stands up
  // to the iteration's depth, Cortada when it met an empty entry before.
  int Longitud;
  bool Cortada;
  Jugada Variante[FILAS_PV];
  uint32_t AciertosEGTB, IntentosEGTB;  // Kibitz only
};

// The "stat01" status line of analysis: the root move being searched.
struct LineaEstado {
  double Segundos;
  uint32_t Nodos;
  int Profundidad;
  int Restantes, Total;  // root moves still to search, and all of them
  ::Jugada Jugada;
};

// How a game ends when the engine announces it.
enum class Resultado : uint8_t {
  Ninguno,
  GananBlancas,  // checkmate
  GananNegras,
  Ahogado,
  Insuficiente,  // no mating material left (announced instead of a move)
  Regla50,
  Repeticion,
};

// Everything the search has to say, each event with its record. The driver
// installs one for its front end; a null entry (or a null Informador) keeps the
// event unsaid. The search itself writes only to the log.
struct Informador {
  void (*ComienzoIteracion)(int profundidad);
  void (*Linea)(const LineaPensamiento& linea);
  void (*Estado)(const LineaEstado& estado);
  // After each completed iteration, the root position on the board.
  void (*IteracionCompleta)(int profundidad);
  void (*Libro)(const ConsultaLibro& consulta);
  void (*JugadaDecidida)(Jugada jugada);
  // The result announced: without a move (mate, stalemate, dead draw), or after
  // the move just played (then Ninguno ends the move's announcement).
  void (*Final)(Resultado resultado, bool trasJugada);
};

// One byte per entry of each table, kept beside them: the top byte of the key
// stored there, by slot and table. The tables are far larger than the cache and
// the filter is a twentieth of them, so a probe whose key cannot be there (most
// of them) costs no wait for memory.
struct MarcasSlot {
  uint8_t Marca[2];  // [0] depth-preferred table, [1] always-replace
};
inline uint8_t MarcaFiltro(uint32_t claveAlta) { return static_cast<uint8_t>(claveAlta >> 24); }

// ---------------------------------------------------------------- state

// Everything the search keeps between its calls: what it was asked, its clock,
// counters and tables, the variation and the killers. The driver and the
// diagnostics set the limits and switches before a search.
struct EstadoBusqueda {
  LimitesBusqueda Limites = {ModoBusqueda::Normal, SIN_RELOJ, 0, 0, 0.0, 0, 0, 0, 0};
  FaseReloj Fase = FaseReloj::Normal;
  int PararBusqueda = 0;                         // 1 asks the running search to stop
  FuncionEntrada EntradaPendiente = nullptr;     // null: input never stops a search
  const Informador* InformadorBusqueda = nullptr;  // null: the search says nothing
  int KibitzActivo = 0;                          // a kibitz line after each move played

  EntradaHash* TablaHashProf = nullptr;     // depth-preferred table (MascaraHash + 1 entries)
  EntradaHash* TablaHashSiempre = nullptr;  // always-replace table
  MarcasSlot* FiltroHash = nullptr;         // MascaraHash + 1 slots, like the tables
  uint32_t EstampaRaiz = 0;                 // MaterialTotal of the search root

  Jugada Asesinas[100][2] = {};  // killers per ply

  // Principal variation: row p is the best line from ply p, ended by a zero
  // move. One spare row lets the row update at the deepest ply read the row
  // below it. The root score lives in the value word of the first entry of row 0.
  EntradaJugada VariantePrincipal[FILAS_PV + 1][FILAS_PV] = {};
  int32_t& ValorRaiz() { return VariantePrincipal[0][0].Valor; }
  uint32_t MaxPlyPV = 0;
  int32_t ContadorMejor = 50000000;  // ordering value for the next root move that becomes best
  Jugada JugadaObvia = 0;
  int32_t ValorAnterior = 0;       // root score of the previous (non-pondering) search
  int32_t NumRaiz = 10000;         // legal root moves in the last root search
  int32_t ContadorFueraLibro = 0;  // searches since the last book move
  int ProfundidadIteracion = 0;    // depth of the iteration in progress (or last one)

  ContadoresBusqueda Contadores = {};

  // Time (seconds) and polling (nodes).
  double TiempoEsperado = 0.0;
  double TiempoMaximo = 0.0;
  double TiempoTranscurrido = 0.0;
  uint32_t TiempoInicio = 0;  // RelojMs() at search start
  uint32_t IntervaloSondeo = 100000;
  uint32_t ProximoSondeo = 100000;

  // Diagnostics (bench, suites, tests): 1 switches off input polling, the clock
  // tests and all thinking output, so a search is a pure function of its position.
  int BusquedaDiagnostico = 0;
  // With BusquedaDiagnostico set: seconds after which the search stops (0: none).
  double LimiteDiagnostico = 0.0;
};
extern EstadoBusqueda Busqueda;

// Pondering or analysing: no move is played at the end and the clock does not count.
inline bool Pensando() { return Busqueda.Limites.Modo != ModoBusqueda::Normal; }

// ---------------------------------------------------------------- functions

// Clears what the search keeps from one game to the next (the driver calls it
// for a new game), and what it keeps from one position to the next (after a
// position is set up).
void NuevaPartidaBusqueda();
void NuevaPosicionBusqueda();
// The transposition tables: both of equal size for a budget in megabytes, with
// the game's records re-indexed; a table that cannot be had leaves both as
// single entries. Returns how many allocations failed (0: all were had).
int ReservarTablasBusqueda(uint32_t megas);
void LiberarTablasBusqueda();
void LimpiarTablasBusqueda();

// Thinking driver: searches the current position; in normal mode also plays the
// move through EmitirJugada. PensarProf searches to a fixed depth and plays.
void Pensar();
void PensarProf(int profundidad);
// The search of Pensar without playing: the chosen move and the predicted reply
// are left, legal, in row 0 (the move is 0 when there is none), the clock is
// charged after a normal search, and nothing is printed but the thinking lines.
void PensarSinJugar();
// Root search of one iteration over the ply-0 list.
void BuscarRaiz(int32_t alfa, int32_t beta, int prof);
// Writes row 0 of the principal variation into the depth-preferred table.
void GuardarPV(int prof);
// Iterates depths 1..n from the current position without emitting a move (the
// body of PensarProf; bench and suites call it with BusquedaDiagnostico set).
void IterarHastaProfundidad(int n);
// Row update of the principal variation at ply p with best move j (0 ends it).
void ActualizarPV(uint32_t p, Jugada j);

// Interior and quiescence searches.
int32_t BuscarPV(int32_t alfa, int32_t beta, int prof);
int32_t BuscarVentanaCero(int32_t alfa, int prof, int nodoCorte);
int32_t Quiescencia(int32_t alfa, int32_t beta);
int ExtensionPV(int hasta, int amenaza);
int ExtensionVentanaCero(int hasta, int amenaza, int prof);
// Whether ExtensionVentanaCero would extend a legal quiet move of `pieza` to
// `hasta` that gives no check, both sides keeping two pieces or more: only the
// threat and the pawn reaching its seventh row can, then.
bool ExtiendeTranquila(int pieza, int hasta, int amenaza);
int32_t Amenaza();
int32_t EvaluarNodo();  // static evaluation from the side to move's view

// Transposition tables.
void GuardarHashProf(EntradaHash* e, int prof, int32_t alfa, int32_t beta, int32_t valor,
                     Jugada jugada);
void GuardarHashSiempre(EntradaHash* e, int prof, int32_t alfa, int32_t beta, int32_t valor,
                        Jugada jugada);
// True when the entry holds the current position (keys and side to move).
inline bool EntradaCoincide(const EntradaHash* e) {
  return e->ClaveBaja == EstadoActual->ClaveBaja && e->ClaveAlta == EstadoActual->ClaveAlta &&
         (e->Banderas & 1) == EstadoActual->Turno;
}
// Called before every search: makes sure both tables exist (one entry at least).
void AsegurarTablasHash();
// The hash move stored for the current position (depth-preferred table first), or 0.
Jugada JugadaHashActual();

// Move ordering on the list of ply PlyActual.
void PuntuarAsesinas();
void ElegirMejor();
void QuitarJugada(Jugada j);
void OrdenarLista();
void ActualizarAsesinas(Jugada j);

// Time management.
void IniciarBusqueda();
void CalcularTiempo();
void ActualizarReloj();  // TiempoTranscurrido from the clock, charged to TiempoRestante
void LeerReloj();        // TiempoTranscurrido from the clock only
int Sondear();           // the poll of the interior search: 1 when the search must stop
int PruebaReloj();       // the clock test of Fase: 1 when the search must stop
// Iteration rules after a completed iteration: 1 ends the search. `previo` is
// the previous iteration's root score.
int ReglasIteracion(int32_t previo);

// Thinking output: each line's record built from the search as it stands and
// handed to the Informador, the root score `valor` with it.
// ImprimirLineaPensamiento is called with the first root move made;
// ImprimirLineaFijo without it.
void ImprimirLineaPensamiento(int prof, int32_t valor);
void ImprimirLineaFijo(int prof);
void ImprimirFallaAlta(int prof, Jugada j, int32_t valor);  // a root move failed high
void ImprimirFallaBaja(int prof, Jugada j, int32_t valor);  // the best move's score dropped
void ImprimirEstado(int prof, int restantes, Jugada j);
void ImprimirKibitz();
void EstadisticasLog();
// The variation of row 0 after its first move, which the caller has made, as a
// line's record holds it (the walk plays and takes back its moves).
void LlenarVariante(LineaPensamiento& linea, int profundidad);
// The other events, to the Informador.
void InformarComienzoIteracion(int prof);
void InformarIteracionCompleta(int prof);
void InformarLibro(const ConsultaLibro& consulta);
void InformarJugada(Jugada j);
void InformarFinal(Resultado r, bool trasJugada);

// Plays the chosen move (or announces the result) after a normal search.
void EmitirJugada();

// Asks the cache for both transposition-table slots of the position after the
// pseudo-legal move j, well before the child probes them.
inline void AnticiparHijo(Jugada j) {
  const uint32_t clave = ClaveBajaTrasJugada(j);
  Anticipar(TablasAnticipadas[ANTICIPO_FILTRO], clave);
  Anticipar(TablasAnticipadas[ANTICIPO_PROF], clave);
  Anticipar(TablasAnticipadas[ANTICIPO_SIEMPRE], clave);
}
