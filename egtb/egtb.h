// Endgame tablebases: the registry of material combinations, the index of a
// position inside a tablebase file, the block cache, compressed blocks and the
// probe the search asks for the exact value of the current position.
//
// Squares here are tablebase squares: a1 = 0, b1 = 1, ..., h8 = 63
// (rank * 8 + file), not the 0x88 numbers of the board.
//
// Index contract (what a generator needs):
// - A tablebase file of registry entry j and side l (0: White to move,
//   1: Black to move) is a flat array of IndiceMaximoTabla(j, l) values.
// - The index of a position is FuncionIndice(j, l)(blancas, negras, alPaso,
//   espejo): blancas/negras hold one word per piece type 1 (pawn) .. 6 (king);
//   several men of one type are packed 6 bits each. alPaso is the en-passant
//   target square or 127, espejo asks for the board to be flipped top to
//   bottom first (used to read a combination stored with colours reversed).
//   For a legal position of that material the result is below IndiceMaximoTabla.
// - PosicionDeIndice(j, l, i, p) is the inverse: it fills p with a position
//   whose index is i, or returns false for an index no position maps to.
//   Every index i with PosicionDeIndice true satisfies
//   IndiceDePosicion(j, l, p) == i. Positions it returns may still be illegal
//   chess (the side not to move in check); that is the caller's test.
// - Symmetric entries (same material both sides) have one file, side 0.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>

// ---------------------------------------------------------------- constants

inline constexpr int NUM_TABLAS = 179;          // registry entries, kk (0) is a placeholder
inline constexpr int32_t SIN_VALOR_TB = 32767;  // ValorTabla: no value available
inline constexpr int32_t SIN_TB = 1000000;      // ProbarTablas: position not covered
inline constexpr uint32_t TAM_RANURA = 8260;    // bytes per cache slot
inline constexpr int BLOQUE_TABLA = 8192;       // bytes per block
inline constexpr int CUBETAS_TABLA = 32;        // cache buckets per (table, side)
inline constexpr int TAM_BANNER = 64;

// Descriptor flags.
inline constexpr uint32_t TABLA_SIMETRICA = 1;  // one file serves both sides to move
inline constexpr uint32_t TABLA_DOS_BYTES = 2;  // 16-bit entries

// ---------------------------------------------------------------- types

using FuncionIndice = uint32_t (*)(const uint32_t* blancas, const uint32_t* negras, int alPaso,
                                   int espejo);

// The constant part of a registry entry.
struct DescriptorTabla {
  int32_t Indice;
  uint32_t Banderas;
  FuncionIndice Funcion[2];  // White to move, Black to move
  char Nombre[8];
  uint32_t IndiceMaximo[2];  // entries per side
};

// One man of a position read back from an index.
struct HombreTB {
  uint8_t Color;    // 0 white, 1 black
  uint8_t Tipo;     // 1 pawn .. 6 king
  uint8_t Casilla;  // tablebase square
};

// A position of one tablebase file: its men (kings first: white, black) and
// the en-passant target square or 127.
struct PosicionTB {
  int Num;
  HombreTB Hombres[6];
  int AlPaso;
};

struct DecodificadorTabla;  // a compressed file's block index and codes

// ---------------------------------------------------------------- state

extern const std::array<DescriptorTabla, NUM_TABLAS> RegistroTablas;

// What the tables tell the rest of the engine, and where their messages go:
// every message to the log, those the user must see (a file refused) also to
// the screen. Null: nowhere; the text is complete, line ends included.
struct EstadoEGTB {
  int MaxPiezasTB = 0;  // largest number of men covered, 0 when none (probing off)
  void (*LogTablas)(const char* texto) = nullptr;  // the engine starts with its log
  void (*PantallaTablas)(const char* texto) = nullptr;
};
extern EstadoEGTB EGTB;

// ---------------------------------------------------------------- the registry and indexes

void InicializarIndices();  // kept for start-up order; the index tables are constant
inline uint32_t IndiceMaximoTabla(int tabla, int lado) {
  return RegistroTablas[tabla].IndiceMaximo[lado];
}
inline bool TablaSimetrica(int tabla) { return RegistroTablas[tabla].Banderas & TABLA_SIMETRICA; }
inline bool TablaDosBytes(int tabla) { return RegistroTablas[tabla].Banderas & TABLA_DOS_BYTES; }

// Registry position of a material (counts of pawns, knights, bishops, rooks,
// queens: White's then Black's), negated when the registry holds it with
// colours reversed, 0 when no entry exists.
int BuscarTabla(int pb, int cb, int ab, int tb, int db, int pn, int cn, int an, int tn, int dn);
int BuscarNombre(const char* nombre);  // registry position of a name, -1 unknown

bool PosicionDeIndice(int tabla, int lado, uint32_t indice, PosicionTB* p);
void EmpaquetarPosicion(const PosicionTB& p, uint32_t blancas[7], uint32_t negras[7]);
uint32_t IndiceDePosicion(int tabla, int lado, const PosicionTB& p);

// ---------------------------------------------------------------- files, cache and probe

// Registers the files of a ',' or ';' separated directory list; returns the
// largest number of men covered (6, 5, 4, 3) or 0.
int InicializarTablasFinales(const char* rutas);
int FijarCache(void* memoria, uint32_t tam);  // 0 when tam < 32
bool TablaRegistrada(int tabla, int lado);
int32_t ValorTabla(int tabla, int lado, uint32_t indice);  // raw value or SIN_VALOR_TB
int32_t ProbarTablas();  // exact score of the current position or SIN_TB
void CerrarTablas();
// The cached blocks from most to least recently used (for tests and
// diagnostics); returns how many were written.
int ContenidoCache(int* tabla, int* lado, int* bloque, int max);
void LiberarTablas();  // unregisters everything and frees the decoder records

// ---------------------------------------------------------------- compressed files

inline constexpr int RESULTADO_LECTURA = 1;  // header failure classes
inline constexpr int RESULTADO_ROTO = 2;
inline constexpr int RESULTADO_MEMORIA = 3;

// A banner of the accepted form: 58 printable characters, CR LF, four NULs.
bool BannerValido(const uint8_t* banner);
// This engine's own banner (64 bytes).
extern const std::array<uint8_t, TAM_BANNER> BANNER_ZELMOR;
uint32_t Crc32(const uint8_t* datos, uint64_t n);

// Reads and checks a compressed file's header; 0 on success, otherwise one of
// the failure classes above (or another code for an unexpected failure).
int LeerCabecera(std::FILE* f, DecodificadorTabla** dec);
void LiberarDecodificador(DecodificadorTabla* dec);
int BloquesDecodificador(const DecodificadorTabla* dec);        // D
int TamUltimoBloque(const DecodificadorTabla* dec);             // bytes
int LogBloqueDecodificador(const DecodificadorTabla* dec);      // B
uint64_t FinDatosDecodificador(const DecodificadorTabla* dec);  // end of the last block
// Decodes block n into destino (8192 bytes); returns its length, or -1.
int DecodificarBloque(std::FILE* f, const DecodificadorTabla* dec, int n, uint8_t* destino);
