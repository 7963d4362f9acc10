// Static evaluation: material, pieces, pawn structure, attack maps,
// king-and-pawn endings and king safety.
#pragma once

#include <cstdint>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "core/core.h"

// ---------------------------------------------------------------- constants

// Exchange values of the static-exchange routines, by absolute piece code.
inline constexpr int32_t VALOR_CAMBIO[7] = {0, 100, 300, 300, 500, 1000, 30000};

// Class bits of an attack byte; the low three bits count the attackers.
inline constexpr uint8_t ATAQUE_PEON = 8;
inline constexpr uint8_t ATAQUE_MENOR = 16;  // knight or bishop
inline constexpr uint8_t ATAQUE_TORRE = 32;
inline constexpr uint8_t ATAQUE_DAMA = 64;
inline constexpr uint8_t ATAQUE_REY = 128;

// Pawn-table choice of the full evaluation (which storm table, if any).
inline constexpr int TABLA_PEONES_NORMAL = 0;
inline constexpr int TABLA_PEONES_TORMENTA1 = 1;  // white king f-h, black king a-c
inline constexpr int TABLA_PEONES_TORMENTA2 = 2;  // white king a-c, black king f-h

// Light (1) or dark (0) square, by 0x88 square: light when row + file is even.
constexpr int ColorCasillaDe(int s) { return ((s >> 4) + (s & 7)) % 2 == 0 ? 1 : 0; }
struct TablaColorCasilla {
  uint8_t v[128];
  constexpr TablaColorCasilla() : v() {
    for (int s = 0; s < 128; ++s) v[s] = static_cast<uint8_t>(ColorCasillaDe(s));
  }
  constexpr uint8_t operator[](int s) const { return v[s]; }
};
inline constexpr TablaColorCasilla ColorCasilla{};
static_assert(ColorCasilla[0] == 1 && ColorCasilla[119] == 1 && ColorCasilla[1] == 0);

// ---------------------------------------------------------------- types

struct EntradaHashPeones {
  int32_t ValorPeones;    // White's view
  uint32_t Verificacion;  // ClavePeones ^ MarcaPeonesA or MarcaPeonesB
};

// An attack map of one colour is eight sets over the square indexes (index i,
// a8 = 0, is bit 63 - i): bits 0, 1 and 2 of each square's attacker count (at
// most 7), then the squares a pawn, a minor piece, a rook, a queen and the king
// attack. Kept as sets because the map is built far more often than it is read
// square by square; ByteAtaques gives a square's byte.
struct EntradaHashAtaques {
  uint32_t ClaveBaja;
  uint32_t ClaveAlta;
  uint64_t Planos[2][8];  // [NEGRO], [BLANCO]
};
static_assert(sizeof(EntradaHashPeones) == 8 && sizeof(EntradaHashAtaques) == 136);

// Every term of one full evaluation, White's view, as the diagnostics print it.
// Filled only by EvaluarPosicionDesglose; the search's evaluation never writes it.
struct DesgloseEval {
  int32_t Fase;
  int32_t TablaPeonesUsada;  // TABLA_PEONES_*
  int32_t Material;          // F, after the trade-down scaling
  int32_t ParejaAlfiles;     // bishop pair plus the bishop wing bonus
  int32_t CasillasPeones;    // piece-square values of the pawns
  int32_t CasillasAlfiles;   // piece-square values of the bishops
  int32_t Caballos;          // knight term: table, trapped, outposts, wings
  int32_t Torres;            // rook term: files, shut-in rooks
  int32_t Septima;
  int32_t Movilidad;
  int32_t Desarrollo;
  int32_t Centro;
  int32_t Peones;  // pawn structure (hash value)
  int32_t MalAlfil;
  int32_t UltimaFila;
  int32_t SeguridadRey;
  // King-safety internals.
  int32_t RefugioBlanco, RefugioNegro;  // shelter counts (after the queen rule)
  int32_t AtaqueBlanco, AtaqueNegro;    // attack counts on each king
  int32_t PeligroBlanco, PeligroNegro;  // final danger counts
  int32_t ReyA, ReyB, ReyE, ReyG;       // the four products of the king-safety sum
  int32_t CentroPeones;                 // 0x88 square of the pawn centre
  int32_t Suma;                         // all terms, before draw scaling
  int32_t TrasEscala;                   // after draw scaling
  int32_t Total;                        // after rounding: what EvaluarPosicion returns
};

extern uint32_t MascaraPeones;  // of the pawn hash (core keeps it for make's look-ahead)

// One side's pawn shelter on one wing as far as the pawns decide it: the count
// as if no rook stood on the wing's files without an own pawn and the middle
// pawn's holes were not there, and what the pieces then change (seguridad_rey.cpp).
struct RefugioPeones {
  int8_t Base;
  uint8_t Abiertas;  // twice the wing's files without an enemy pawn
  uint8_t Marcas;    // bits 0-2: wing files (in count order) without an own pawn;
                     // bit 3: the middle pawn has left its square
  uint8_t Agujero;   // enemy pawns beside that pawn's square ahead: 0, 1 or 2
};

// What the full evaluation needs of the pawns alone beside the pawn hash's
// structure value: the piece-square sums under each pawn table (White's minus
// Black's), the pawn centre and the shelter parts. Kept per structure under the
// two pawn sets themselves, so that a hit is exact (the pawn hash checks 32 bits
// of a key). The black set is kept complemented: an entry still zero would
// stand for black pawns on every square, so it never answers and the table
// never needs clearing.
struct EntradaPeonesEval {
  uint64_t Blancos, NegrosComplemento;
  int16_t Casillas[3];           // by TABLA_PEONES_*
  uint8_t Centro;                // 0x88 square of the pawn centre
  RefugioPeones Refugio[2][2];   // [side][0 queen side, 1 king side]
  uint8_t ColumnasCentro[2][3];  // [side][king on file d, e, f]: open files around it
};
inline constexpr uint32_t ENTRADAS_PEONES_EVAL = 4096;  // a power of two
// Keyed by the pawn key like the pawn hash: slot = ClavePeones & MASCARA_PEONES_EVAL.
inline constexpr uint32_t MASCARA_PEONES_EVAL = ENTRADAS_PEONES_EVAL - 1;

// The material term, the bishop pair and each side's piece material (by which
// king safety scales) are functions of the men's counts and of the material sum
// the term starts from (MaterialEval), which change only with a capture or a
// promotion: they are kept by those inputs, all of them in the key, so that a
// hit is exact. 256 entries, the slot picked by a hash of
// the key; Resto always has bit 16 set, so an entry still zero holds nothing.
struct EntradaMaterial {
  uint64_t Cuentas;  // NumPiezas[0..7], byte k = NumPiezas[k]
  uint32_t Resto;    // NumPiezas[8] | NumPiezas[9] << 8 | 1 << 16
  int32_t Base;      // MaterialEval()
  int32_t Material, Pareja;
  uint8_t PiezasBlancas, PiezasNegras;  // piece material in hundreds, at most 32
};
inline constexpr uint32_t ENTRADAS_MATERIAL = 256;  // a power of two

// ---------------------------------------------------------------- state

// What the evaluation keeps: its tables and caches, its counters, the working
// values of the evaluation in progress and the earlier build's weights.
struct EstadoEval {
  // Side the engine plays: 1 white, 0 black, -1 none. The driver sets it; king
  // safety and the search's extensions weigh things from the engine's side.
  int ColorMotor = -1;

  // The two hashes; until they are allocated (and when they cannot be), a
  // single entry of their own.
  EntradaHashPeones ReservaPeones[1] = {};
  EntradaHashAtaques ReservaAtaques[1] = {};
  void* PropiaPeones = nullptr;  // the allocation behind each table, null: none
  void* PropiaAtaques = nullptr;
  EntradaHashPeones* TablaPeones = ReservaPeones;
  EntradaHashAtaques* TablaAtaques = ReservaAtaques;
  uint32_t MascaraAtaques = 0;
  EntradaPeonesEval PeonesEval[ENTRADAS_PEONES_EVAL] = {};
  EntradaMaterial MemoriaMaterial[ENTRADAS_MATERIAL] = {};

  // Statistics of the two hashes (reset by the statistics output, wrap silently).
  uint32_t ContadorEvalPeones = 0;        // pawn structures computed
  uint32_t ContadorEvalHash = 0;          // pawn-hash hits
  uint32_t ContadorAciertosAtq = 0;       // attack-hash hits
  uint32_t ContadorComputacionesAtq = 0;  // attack maps built

  // Working values of the evaluation in progress (rebuilt by every EvaluarPosicion).
  uint64_t MapaPeonesBlancos = 0;
  uint64_t MapaPeonesNegros = 0;

  // Parameters of the earlier build (only its evaluation reads them). Their
  // defaults are those of its personality file; the driver's settings
  // overwrite them.
  int32_t VAL_PEON = 100;
  int32_t VAL_CABALLO = 320;
  int32_t VAL_ALFIL = 335;
  int32_t VAL_TORRE = 520;
  int32_t VAL_DAMA = 1050;
  int32_t UMBRAL_FINAL = 4100;       // MaterialTotal at or below which the phase is 2
  int32_t ESTRUCTURA_PEONES = 100;  // percent weights of four terms
  int32_t MOVILIDAD = 100;
  int32_t DEFENSA_ESTATICA = 100;
  int32_t ATAQUE_DINAMICO = 100;
};
extern EstadoEval Eval;

// ---------------------------------------------------------------- functions
// (implemented by the evaluation; the search and the driver call these)

int Evaluar();                   // side to move's view: phase choice, or king-and-pawn ending
int EvaluarPosicion(int fase);   // White's view; fase 0 opening, 1 middlegame, 2 endgame
int EvaluarFinalPeones();        // White's view; kings and pawns only
int FaseEvaluacion();            // the phase Evaluar would use (position with pieces)
void CalcularAtaques();          // attack map of the current position into TablaAtaques
int CambioCaptura(Jugada j);     // exchange value of a capture, mover's view (needs the map)
int CambioCasilla(int casilla);  // what the opponent wins on a square we hold (needs the map)

// The same evaluation as EvaluarPosicion, also filling `d` with every term.
int EvaluarPosicionDesglose(int fase, DesgloseEval* d);

// Final rounding: unchanged below 30, toward zero to a multiple of 3 below 150
// and to a multiple of 5 from there.
int32_t RedondearEvaluacion(int32_t v);

// Material (white minus black) as the evaluation counts it: the current
// record's field, or, in the earlier build, the counts priced with VAL_*.
int32_t MaterialEval();

// Pawn structure (pawn sets of the current EvaluarPosicion must be built).
int EvaluarPeones();       // phases 0 and 1
int EvaluarPeonesFinal();  // phase 2

// King safety pieces.
int RayoDiagonalRey(int s);  // 0..2, bishop or queen on s toward the enemy king
int RayoLineaRey(int s);     // 0..2, rook or queen on s toward the enemy king
int RefugioFlancoDama(int lado);
int RefugioFlancoRey(int lado);

// The entry of the current position in the attack hash (CalcularAtaques first).
inline EntradaHashAtaques* EntradaAtaques() {
  return &Eval.TablaAtaques[EstadoActual->ClaveBaja & Eval.MascaraAtaques];
}

// The square's byte in a colour's map: count (at most 7) in bits 0-2, the class
// bits ATAQUE_* above.
inline uint8_t ByteAtaques(const EntradaHashAtaques* h, int lado, int indice) {
#if defined(__SSE2__)
  // Two planes at a time: the square's bit is shifted to the top of each half
  // and the two tops read at once. The exchange routines ask for two bytes per
  // capture, and the plane-by-plane gather was one of the search's busiest lines.
  const __m128i* p = reinterpret_cast<const __m128i*>(h->Planos[lado]);
  const __m128i desplazamiento = _mm_cvtsi32_si128(indice);
  int v = 0;
  for (int k = 0; k < 4; ++k) {
    const __m128i par = _mm_sll_epi64(_mm_loadu_si128(p + k), desplazamiento);
    v |= _mm_movemask_pd(_mm_castsi128_pd(par)) << (2 * k);
  }
  return static_cast<uint8_t>(v);
#else
  const uint64_t* p = h->Planos[lado];
  const int b = 63 - indice;
  uint32_t v = 0;
  for (int k = 0; k < 8; ++k) v |= static_cast<uint32_t>(p[k] >> b & 1) << k;
  return static_cast<uint8_t>(v);
#endif
}
// The squares a colour attacks at all.
inline uint64_t CasillasAtacadas(const EntradaHashAtaques* h, int lado) {
  const uint64_t* p = h->Planos[lado];
  return p[0] | p[1] | p[2];
}

// Allocates (zero-filled) the pawn hash and the attack hash for budgets in
// megabytes and re-indexes the game's records. A table that cannot be had falls
// back to a single entry; the result has a bit for each such table (0: both had).
inline constexpr int FALLO_PEONES = 1;
inline constexpr int FALLO_ATAQUES = 2;
int ReservarTablasEval(uint32_t megasPeones, uint32_t megasAtaques);
// Clears both tables (a new game, or stale values after a mate).
void LimpiarTablasEval();
