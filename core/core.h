// The position: 0x88 board, per-ply state records, piece lists, move stack,
// precomputed tables and hash keys, FEN set-up and make/unmake.
//
// There is exactly one position per process. Every operation here works on the
// globals below; none takes a position argument.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include "builds/build.h"

// ---------------------------------------------------------------- constants

// Squares are 0x88 numbers: (7 - rank) * 16 + file, so a8 = 0 and h1 = 119.
inline constexpr int SIN_CASILLA = 127;

// Piece codes; black pieces are the negatives.
inline constexpr int VACIO = 0;
inline constexpr int PEON = 1;
inline constexpr int CABALLO = 2;
inline constexpr int ALFIL = 3;
inline constexpr int TORRE = 4;
inline constexpr int DAMA = 5;
inline constexpr int REY = 6;

// Sides, as held in Turno and passed as side arguments.
inline constexpr int BLANCO = 1;
inline constexpr int NEGRO = 0;

// Castling-right bits of Enroques.
inline constexpr int ENROQUE_BC = 1;  // white king side
inline constexpr int ENROQUE_BL = 2;  // white queen side
inline constexpr int ENROQUE_NC = 4;  // black king side
inline constexpr int ENROQUE_NL = 8;  // black queen side

// Material values of the incremental Material / MaterialTotal fields.
inline constexpr int32_t VALOR_PIEZA[7] = {0, 100, 300, 300, 500, 950, 0};

// Well-known squares.
inline constexpr int A8 = 0, B8 = 1, C8 = 2, D8 = 3, E8 = 4, F8 = 5, G8 = 6, H8 = 7;
inline constexpr int A1 = 112, B1 = 113, C1 = 114, D1 = 115, E1 = 116, F1 = 117, G1 = 118, H1 = 119;

// The four castling moves, recognised by the low 16 bits of the move word.
inline constexpr uint32_t ENROQUE_E1G1 = 0x7476;
inline constexpr uint32_t ENROQUE_E1C1 = 0x7472;
inline constexpr uint32_t ENROQUE_E8G8 = 0x0406;
inline constexpr uint32_t ENROQUE_E8C8 = 0x0402;

// Capacities. The history holds the game moves and the search line above them;
// the search never goes deeper than MAX_PLY plies, and the driver refuses a game
// move once fewer than RESERVA_BUSQUEDA records are left (HistoriaLlena).
inline constexpr int MAX_PLY = 104;        // InicioLista slots
inline constexpr int MAX_HISTORIA = 2048;  // EstadoPly records
inline constexpr int RESERVA_BUSQUEDA = MAX_PLY + 8;
// A side never has more than 16 men (FEN set-up refuses more, and moves only
// remove or convert men), so no list can need more than 15 entries; sixteen
// leaves room for every promotion a game can bring.
inline constexpr int CAPACIDAD_LISTA = 16;
// Pseudo-legal moves of any position with at most 16 men a side stay well under
// 400, so MAX_PLY lists of that length always fit.
inline constexpr int MAX_JUGADAS_POSICION = 400;
inline constexpr int TAM_PILA_JUGADAS = MAX_PLY * MAX_JUGADAS_POSICION + 2;

// Steps of the pieces on the 0x88 board.
inline constexpr int DESPLAZAMIENTOS_CABALLO[8] = {-33, -31, -18, 14, -14, 18, 31, 33};
inline constexpr int DESPLAZAMIENTOS_REY[8] = {-16, -17, -1, 15, 16, 17, 1, -15};
inline constexpr int DIRECCIONES_ALFIL[4] = {-17, -15, 15, 17};
inline constexpr int DIRECCIONES_TORRE[4] = {-16, -1, 1, 16};
inline constexpr int DIRECCIONES_DAMA[8] = {-17, -15, 15, 17, -16, -1, 1, 16};

// ---------------------------------------------------------------- square helpers

constexpr bool EnTablero(int c) { return (c & 0x88) == 0; }
constexpr int Columna(int c) { return c & 7; }                         // 0 = a-file
constexpr int Fila(int c) { return 7 - (c >> 4); }                     // 0 = rank 1
constexpr int Indice64(int c) { return ((c & 0x70) >> 1) | (c & 7); }  // a8 = 0 .. h1 = 63
constexpr int Casilla0x88(int i) { return (i >> 3) * 16 + (i & 7); }
// The position a game starts from.
inline constexpr const char* FEN_INICIAL = "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1";
// The square of coordinate text ("e4"); the caller has checked both characters.
constexpr int CasillaDeTexto(const char* t) { return (t[0] - 'a') + 16 * (7 - (t[1] - '1')); }

// The set bit of a 0x88 square (0 off the board), one look-up instead of a conversion.
struct TablaBitCasilla {
  uint64_t v[128];
  constexpr TablaBitCasilla() : v() {
    for (int s = 0; s < 128; ++s) v[s] = EnTablero(s) ? uint64_t{1} << (63 - Indice64(s)) : 0;
  }
  constexpr uint64_t operator[](int s) const { return v[s]; }
};
inline constexpr TablaBitCasilla BitDe{};

constexpr uint64_t Bit(int i) { return uint64_t{1} << (63 - i); }
// Index of the set bit nearest a8 (the lowest index); x must not be 0.
inline int PrimerIndice(uint64_t x) { return std::countl_zero(x); }
inline int UltimoIndice(uint64_t x) { return 63 - std::countr_zero(x); }

// Rays from a square index to the edge, in eight directions: the diagonals
// 0..3 (0x88 steps -17, -15, 15, 17), then the lines 4..7 (-1, 1, -16, 16).
// Directions 2, 3, 5 and 7 run toward higher indexes.
struct TablasRayos {
  uint64_t rayo[8][64];
  uint8_t largo[8][64];  // squares on the ray
  constexpr TablasRayos() : rayo(), largo() {
    constexpr int pasoFila[8] = {-1, -1, 1, 1, 0, 0, -1, 1};
    constexpr int pasoColumna[8] = {-1, 1, -1, 1, -1, 1, 0, 0};
    for (int d = 0; d < 8; ++d)
      for (int i = 0; i < 64; ++i) {
        int r = (i >> 3) + pasoFila[d], f = (i & 7) + pasoColumna[d];
        for (; r >= 0 && r < 8 && f >= 0 && f < 8; r += pasoFila[d], f += pasoColumna[d]) {
          rayo[d][i] |= Bit(r * 8 + f);
          ++largo[d][i];
        }
      }
  }
};
inline constexpr TablasRayos Rayos{};

// Knight moves by square index (the king's neighbours are VecinasRey).
struct TablaCaballo {
  uint64_t saltos[64];
  constexpr TablaCaballo() : saltos() {
    constexpr int saltoFila[8] = {-2, -2, -1, -1, 1, 1, 2, 2};
    constexpr int saltoColumna[8] = {-1, 1, -2, 2, -2, 2, -1, 1};
    for (int i = 0; i < 64; ++i)
      for (int k = 0; k < 8; ++k) {
        const int rr = (i >> 3) + saltoFila[k], ff = (i & 7) + saltoColumna[k];
        if (rr >= 0 && rr < 8 && ff >= 0 && ff < 8) saltos[i] |= Bit(rr * 8 + ff);
      }
  }
};
inline constexpr TablaCaballo SaltosCaballo{};

// Index of the first man met along ray D from i among `ocupadas`; -1 when none.
template <int D>
inline int PrimeraEnRayo(int i, uint64_t ocupadas) {
  const uint64_t x = Rayos.rayo[D][i] & ocupadas;
  if (x == 0) return -1;
  return (D == 2 || D == 3 || D == 5 || D == 7) ? PrimerIndice(x) : UltimoIndice(x);
}

constexpr int Abs(int x) { return x < 0 ? -x : x; }
constexpr int Signo(int lado) { return lado == BLANCO ? 1 : -1; }
constexpr int Color(int pieza) { return pieza > 0 ? BLANCO : NEGRO; }  // of a non-empty code

// Index of a piece's list and count: 2 * (type - 1) + (1 for black).
constexpr int IndiceLista(int pieza) { return pieza > 0 ? 2 * (pieza - 1) : 2 * (-pieza - 1) + 1; }

// ---------------------------------------------------------------- the move word

// bits 0-7 to-square, 8-15 from-square, 16-19 promotion type (2..5), rest zero.
using Jugada = uint32_t;

constexpr int CasillaHasta(Jugada j) { return static_cast<int>(j & 0xFF); }
constexpr int CasillaDesde(Jugada j) { return static_cast<int>((j >> 8) & 0xFF); }
constexpr int TipoPromocion(Jugada j) { return static_cast<int>((j >> 16) & 15); }
constexpr Jugada CrearJugada(int desde, int hasta, int promocion = 0) {
  return static_cast<Jugada>(hasta) | static_cast<Jugada>(desde) << 8 |
         static_cast<Jugada>(promocion & 15) << 16;
}

struct EntradaJugada {
  ::Jugada Jugada;
  int32_t Valor;  // ordering value: higher is tried first
};

// ---------------------------------------------------------------- the per-ply record

struct EstadoPly {
  uint8_t Desde;  // move played from this position (127 = none)
  uint8_t Hasta;
  int8_t PiezaMovida;
  int8_t PiezaCapturada;   // what stood on Hasta (0 for en passant and castling)
  uint32_t IndiceHash[2];  // key words masked by MascaraHash (upper word sign-extended mask)
  uint32_t ClaveBaja;
  uint32_t ClaveAlta;
  uint32_t IndicePeones;  // ClavePeones & MascaraPeones
  uint32_t ClavePeones;
  int32_t MaterialTotal;  // both sides, kings excluded
  int32_t Material;       // white minus black
  uint8_t Regla50;
  uint8_t Enroques;
  uint8_t AlPaso;  // en-passant target square or 127
  uint8_t Captura;
  uint8_t NumPiezas[10];  // wP bP wN bN wB bB wR bR wQ bQ
  uint8_t Turno;
  uint8_t EnJaque;
  uint8_t PiezasBlancas;  // white knights + bishops + rooks + queens
  uint8_t PiezasNegras;
  uint8_t Rey[2];  // Rey[NEGRO] is the black king, Rey[BLANCO] the white one
  uint8_t PermiteNulo;
  int8_t Extension;             // written by the search for the move that led here
  EstadoPly* InicioRepeticion;  // oldest record the repetition test may reach
  // In check, the squares a man other than the king may move to against it: the
  // checking man's and those between it and the king. Empty in double check
  // (only the king can answer) and out of check. Make rejects by it at once
  // most of the moves generated in check, which are nearly all illegal.
  uint64_t Evasion;
};

// ---------------------------------------------------------------- globals (the position)

extern int32_t Tablero[120];
extern int32_t ListaPiezas[10][CAPACIDAD_LISTA];
// The squares of each piece list as a 64-bit set (square index i, a8 = 0, is
// bit 63 - i), kept by make/unmake and the set-up beside the lists, so that the
// evaluation and the attack maps need not gather them from the lists each time.
extern uint64_t ConjuntoPiezas[10];
extern EstadoPly Historia[MAX_HISTORIA];
extern EstadoPly* EstadoActual;
extern EntradaJugada PilaJugadas[TAM_PILA_JUGADAS];
extern EntradaJugada* InicioLista[MAX_PLY + 2];
extern EntradaJugada* TopeJugadas;  // last entry written, not one past it
extern uint32_t PlyActual;          // moves made since the search root
extern int32_t MediasJugadas;       // game half-move counter (search plies included)
extern uint32_t Nodos;              // legal makes, never decremented
extern uint32_t Nulos;              // null moves made

// Index masks of the hash tables the records carry indexes for. Whoever sizes the
// transposition tables or the pawn hash sets its mask here and then calls
// ReindexarHistoria; make/unmake only reads them.
extern uint32_t MascaraHash;    // transposition-table entries - 1
extern uint32_t MascaraPeones;  // pawn-hash entries - 1

// The upper index word is masked by MascaraHash sign-extended to 64 bits, so it is
// zero for every real table size.
inline uint32_t MascaraHashAlta() {
  return static_cast<uint32_t>(static_cast<int32_t>(MascaraHash) >> 31);
}

// The run's log file, unbuffered (null when there is none).
extern FILE* FicheroLog;

// Square names by 0x88 square ("x" off the board) and promotion letters by type.
extern const char* const NombreCasilla[128];
extern const char LetraPromocion[8];  // "  NBRQ"

// ---------------------------------------------------------------- tables and keys

#include "core/tablas.h"

// ---------------------------------------------------------------- small inline helpers

// Every man of `lado` as one set, the king included.
inline uint64_t HombresDe(int lado) {
  const int o = lado == BLANCO ? 0 : 1;
  return ConjuntoPiezas[o] | ConjuntoPiezas[2 + o] | ConjuntoPiezas[4 + o] | ConjuntoPiezas[6 + o] |
         ConjuntoPiezas[8 + o] | BitDe[EstadoActual->Rey[lado]];
}

// 1 when the man leaving `desde` for `hasta` may uncover the king on `rey` and
// make must test; 0 also for any square off the board.
inline uint8_t ClavadaPosible(int desde, int hasta, int rey) {
  if (((desde | hasta | rey) & ~0x77) != 0) return 0;
  return static_cast<uint8_t>(
      PosibleClavada[Indice64(desde)][Indice64(rey)] >> (63 - Indice64(hasta)) & 1);
}

// What stands on a square; VACIO off the board. Takes any square number from
// -128 to 255 (every step from a board square, every 8-bit square field), which
// the 0x88 test maps onto 0..119 or rejects.
inline int PiezaEn(int casilla) { return EnTablero(casilla) ? Tablero[casilla] : VACIO; }

// Key words of the current record, as one 64-bit value (for tests and tools).
inline uint64_t ClaveActual() {
  return static_cast<uint64_t>(EstadoActual->ClaveAlta) << 32 | EstadoActual->ClaveBaja;
}

// True when a game move may not be added because the search would no longer fit.
inline bool HistoriaLlena() { return EstadoActual - Historia >= MAX_HISTORIA - RESERVA_BUSQUEDA; }

// ---------------------------------------------------------------- operations

// The initial position, once per process: for programs that use the board
// without the engine's start-up (diagnostics, tools).
void PrepararNucleo();
// Recomputes the table indexes of every record of the game from the current masks.
void ReindexarHistoria();

// Set-up. Both touch only the position: the other subsystems' game state is
// reset by their own functions, which the driver calls.
// Why a FEN text was refused, or what set-up repaired in one it took. The reader
// only fills this record; the driver words it for the console or the protocol.
enum class FallaFEN : uint8_t {
  Ninguna,
  Incompleta,        // the text ends inside the board
  Caracter,          // `caracter` in rank `fila` is no piece letter, digit or separator
  FilaLarga,         // rank `fila` holds more than eight squares
  FilaCorta,         // rank `fila` holds fewer than eight squares
  PocasFilas,        // the board ends (a blank) after `fila` ranks
  MuchasFilas,       // a ninth rank follows the eighth
  Turno,             // the side to move is missing or not w/b
  Enroques,          // castling field neither '-' nor letters KQkq
  AlPaso,            // en-passant field neither '-' nor a square name
  SinRey,            // `lado` has no king
  VariosReyes,       // `lado` has more than one king
  DemasiadasPiezas,  // `lado` has more than sixteen men
  PeonEnBorde,       // a pawn stands on `casilla`, on the first or last rank
  JaqueSinTurno,     // `lado`, not to move, is in check
};
struct MotivoFEN {
  FallaFEN falla = FallaFEN::Ninguna;
  int fila = 0;  // rank number, 8 (the first rank of the text) down to 1
  char caracter = 0;
  int lado = 0;     // BLANCO or NEGRO
  int casilla = 0;  // 0x88 square
  // Accepted texts: castling rights without their king and rook at home, and an
  // en-passant square no pawn can just have passed, are dropped, not refused.
  int enroquesDescartados = 0;
  bool alPasoDescartado = false;
};
// 0 success, 1 refused (the position and game are kept as they were). Prints
// nothing: `motivo`, when given, says why.
int ColocarFEN(const char* fen, MotivoFEN* motivo = nullptr);
void NuevaPartida();  // the starting position, an empty game
// The current position as FEN text with `turno` to move (the en-passant square
// only when that side is the one to move); at least 100 bytes hold any position.
void EscribirFEN(int turno, char* destino, size_t tam);
void ContarMaterial();
void CrearListas();
void CalcularClaves();

// Make / unmake.
int HacerJugada(Jugada j);  // 1 legal and made, 0 illegal (nothing changed)
// The low key word of the position after the pseudo-legal move j, without
// making it: what a search needs to ask the cache for the child's table slots
// early, while other work still hides the wait.
uint32_t ClaveBajaTrasJugada(Jugada j);
void DeshacerJugada();
// A quiet move (no capture, en passant, promotion or king move) from a position
// not in check, judged as make would judge it without making it: a search that
// would make such a move only to drop it at once can skip make and unmake.
inline constexpr int NO_TRANQUILA = -1, TRANQUILA_ILEGAL = 0, TRANQUILA_LEGAL = 1,
                     TRANQUILA_JAQUE = 2;  // legal, and gives check
int VeredictoTranquila(Jugada j);
// What make and unmake of a legal quiet move leave behind: the move noted in the
// current record and one more node. Board, lists and sets are as they were, as
// make and unmake of such a move leave them too (a capture or promotion would
// leave a list reordered, which is why only quiet moves may be skipped).
void AnotarSinHacer(Jugada j);
void HacerNulo();
void DeshacerNulo();

// Game moves sit below the search root: after one is made or taken back PlyActual
// is 0 again, so the next generation starts at the first list slot however long
// the game is. The driver plays and takes back game moves only through these.
int HacerJugadaPartida(Jugada j);
void DeshacerJugadaPartida();

// Repetitions: how many earlier records, back to InicioRepeticion and with the
// same side to move, hold the key of `e` (counting stops at `bastan`).
inline int Repeticiones(const EstadoPly* e, int bastan) {
  int encontradas = 0;
  for (const EstadoPly* r = e - 1; r >= e->InicioRepeticion; --r) {
    if (r->ClaveBaja == e->ClaveBaja && r->ClaveAlta == e->ClaveAlta && r->Turno == e->Turno &&
        ++encontradas == bastan)
      break;
  }
  return encontradas;
}
inline int EsRepeticion() { return Repeticiones(EstadoActual, 1) >= 1; }
inline int EsTripleRepeticion() { return Repeticiones(EstadoActual, 2) >= 2; }

// Plies played since the last capture or pawn move, or since set-up when the game
// has had none: what the fifty-move rule counts. Regla50 cannot tell the two apart
// (a capture or pawn move sets it to 1, set-up to 0); the record such a move made
// is where repetitions start, and so is the root after set-up. Game records only:
// a null move keeps InicioRepeticion and would count as a ply.
inline int PliesReversibles(const EstadoPly* e) {
  return static_cast<int>(e - e->InicioRepeticion);
}

// Neither side can mate: no pawn, rook or queen, and at most one minor piece in
// all; with `caballosSolos`, also knights alone, all of one side (two of them
// cannot force mate, though they can mate a defender who helps).
inline bool MaterialInsuficiente(const EstadoPly* e, bool caballosSolos = true) {
  const uint8_t* n = e->NumPiezas;
  if (n[0] | n[1] | n[6] | n[7] | n[8] | n[9]) return false;
  const int caballos = n[2] + n[3], alfiles = n[4] + n[5];
  if (caballos + alfiles <= 1) return true;
  return caballosSolos && alfiles == 0 && (n[2] == 0 || n[3] == 0);
}

// Self-check: recomputes keys, material, counts, lists and check from scratch and
// compares them with the current record. Returns 1 when everything agrees.
int PosicionValida();

// Attack tests. 1 when `lado` attacks `casilla`. Atacada reads the piece lists
// (consistent position); AtacadaTrasMover reads only the board and takes counts and
// the king square from `estado`, so it works while make has the board half changed.
int Atacada(int lado, int casilla, const EstadoPly* estado);
int AtacadaTrasMover(int lado, int casilla, const EstadoPly* estado);
// 1 when the square the king crosses for this castling (an ENROQUE_* bit) is safe.
// `estado` is the record of the position before the castling move.
int EnroqueSeguro(int enroque, const EstadoPly* estado);
// The Evasion set of the position on the board with `estado` as its record,
// computed from scratch.
uint64_t CasillasEvasion(const EstadoPly* estado);
// The Evasion set given the squares of the checking men.
inline uint64_t EvasionDe(uint64_t jaqueadores, int rey) {
  if (jaqueadores == 0 || (jaqueadores & (jaqueadores - 1)) != 0) return 0;
  return jaqueadores | EntreCasillas[63 - std::countr_zero(jaqueadores)][Indice64(rey)];
}

// Move text: "e2e4", "e7e8Q" into `destino` (at least 6 bytes).
void TextoJugada(Jugada j, char* destino);

// Log: printf-style write to the log file (nothing when there is none).
void Log(const char* formato, ...) __attribute__((format(printf, 1, 2)));
void CerrarLog();

// Opens a file for reading ("rb"/"re" modes) only when it is a regular file,
// without ever waiting: a FIFO or a device named instead of a file would block
// the open or never end. Null when it cannot be had; *noRegular (when given)
// then tells a path that exists but is no regular file from an open failure,
// whose reason is in errno (ENOENT: missing).
FILE* AbrirLecturaRegular(const char* ruta, const char* modo, bool* noRegular = nullptr);

// Monotonic milliseconds (wraps after 49 days; callers take differences).
uint32_t RelojMs();

// Hash-table storage, one rule for every table. EntradasTabla: the largest power
// of two not above (megas / 2) * 1048576 / bytesEntrada + 1, at most 2^31.
uint64_t EntradasTabla(uint32_t megas, uint32_t bytesEntrada);
// Replaces the table at *tabla with `entradas` zero-filled entries of `bytes`
// each, freeing what an earlier call took for it (`*propia`). A request beyond
// the machine's memory, or one the heap refuses, gets the single zeroed entry
// `reserva` instead. Returns the entry count installed (1 on failure).
uint64_t ReservarTabla(void** tabla, void** propia, uint64_t entradas, size_t bytes, void* reserva);
// Frees what ReservarTabla took for this table and leaves *tabla null.
void LiberarTabla(void** tabla, void** propia);

// Tables make fetches ahead: as soon as it knows the new position's key it asks
// the cache for that position's slot in each registered table, so the probes of
// the next node find it there instead of waiting for memory. The search asks for
// the transposition-table slots earlier still, before the move is made; make's
// request stays, since a line fetched long before (ahead of a null-move search or
// a sibling's subtree) may have been lost by then. An owner registers its entries
// again whenever it reallocates them (a stale registration only fetches a useless
// line); the two tables keyed by the pawn key (the pawn hash and the
// evaluation's pawn-structure memo) are fetched only when a pawn moved.
struct TablaAnticipada {
  const char* base = nullptr;         // entries (null: nothing to fetch)
  const uint32_t* mascara = nullptr;  // slot = key & *mascara
  uint32_t bytes = 0;                 // bytes per entry
};
inline constexpr int ANTICIPO_PROF = 0, ANTICIPO_SIEMPRE = 1, ANTICIPO_ATAQUES = 2,
                     ANTICIPO_PEONES = 3, ANTICIPO_PEONES_EVAL = 4, ANTICIPO_FILTRO = 5,
                     NUM_ANTICIPOS = 6;
extern TablaAnticipada TablasAnticipadas[NUM_ANTICIPOS];
inline void RegistrarAnticipo(int cual, const void* base, const uint32_t* mascara, uint32_t bytes) {
  TablasAnticipadas[cual] = {static_cast<const char*>(base), mascara, bytes};
}
// Asks for the slot of `clave` in a registered table: every cache line the
// entry touches, since an entry may straddle two lines or (the attack maps')
// span three.
inline void Anticipar(const TablaAnticipada& t, uint32_t clave) {
  if (t.base == nullptr) return;
  const char* const entrada = t.base + size_t{clave & *t.mascara} * t.bytes;
  __builtin_prefetch(entrada);
  for (uint32_t desp = 64; desp < t.bytes; desp += 64) __builtin_prefetch(entrada + desp);
  __builtin_prefetch(entrada + t.bytes - 1);
}
