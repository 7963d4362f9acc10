// Pieces of the full evaluation that live in separate files of eval/.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <initializer_list>

#include "eval/eval.h"
#include "eval/tablas_eval.h"

// The men of each kind and colour as 64-bit sets (index i is bit 63 - i),
// gathered once per evaluation from the sets make/unmake keep.
struct Conjuntos {
  uint64_t peones[2];  // [NEGRO], [BLANCO]
  uint64_t caballos[2];
  uint64_t alfiles[2];
  uint64_t torres[2];
  uint64_t todas[2];  // every man of the colour, king included
};
[[gnu::always_inline]] inline void ReunirConjuntos(Conjuntos& c) {
  for (int lado : {NEGRO, BLANCO}) {
    const int o = lado == BLANCO ? 0 : 1;
    c.peones[lado] = ConjuntoPiezas[o];
    c.caballos[lado] = ConjuntoPiezas[2 + o];
    c.alfiles[lado] = ConjuntoPiezas[4 + o];
    c.torres[lado] = ConjuntoPiezas[6 + o];
    c.todas[lado] = HombresDe(lado);
  }
}

// Mobility of a bishop or a rook: the empty squares along its rays up to the
// first man, plus 3 for each first man that is an enemy. Counted a whole line
// (both rays through the piece) at a time: the line's men gathered into a byte,
// one bit per square in line order, read the count and the first men from a
// table by the piece's place on the line. A rank is a byte of the set as it
// stands; a file and a diagonal are gathered by a multiplication whose partial
// products never overlap (one man per rank of the set), a file into row order
// and a diagonal into file order. The files a diagonal does not reach are
// marked occupied, so its rays stop at its ends and count nothing there.
struct TablasMovilidad {
  // [place][men]: empty squares each way up to the first man (bits 0-7) and the
  // first men (bits 8-15), the piece's own bit ignored.
  uint16_t linea[8][256];
  uint8_t triple[256];       // 3 per bit (at most two bits are ever looked up)
  uint64_t diagonal[2][64];  // by square index: the two diagonals through it
  uint8_t fuera[2][64];      // files (byte bit 7 - file) off that diagonal
  constexpr TablasMovilidad() : linea(), triple(), diagonal(), fuera() {
    for (int lugar = 0; lugar < 8; ++lugar)
      for (int hombres = 0; hombres < 256; ++hombres) {
        int libres = 0, topes = 0;
        for (int paso : {-1, 1})
          for (int k = lugar + paso; k >= 0 && k < 8; k += paso) {
            if (hombres >> k & 1) {
              topes |= 1 << k;
              break;
            }
            ++libres;
          }
        linea[lugar][hombres] = static_cast<uint16_t>(libres | topes << 8);
      }
    for (int x = 0; x < 256; ++x) triple[x] = static_cast<uint8_t>(3 * std::popcount(unsigned(x)));
    for (int i = 0; i < 64; ++i) {
      const int fila = i >> 3, columna = i & 7;
      for (int t = 0; t < 2; ++t) {
        const int pasoFila = t == 0 ? -1 : 1;  // toward h: up (a1-h8) or down (a8-h1)
        uint64_t m = 0;
        for (int c = 0; c < 8; ++c) {
          const int r = fila + pasoFila * (c - columna);
          if (r >= 0 && r < 8) m |= Bit(r * 8 + c);
          else fuera[t][i] |= static_cast<uint8_t>(1 << (7 - c));
        }
        diagonal[t][i] = m;
      }
    }
  }
};
inline constexpr TablasMovilidad Movil{};

[[gnu::always_inline]] inline int MovilidadLinea(int lugar, uint64_t ocupadas8,
                                                 uint64_t enemigas8) {
  const unsigned v = Movil.linea[lugar][ocupadas8 & 0xFF];
  return static_cast<int>((v & 0xFF) + Movil.triple[(v >> 8) & enemigas8 & 0xFF]);
}

// A rook on square index i: its rank, then its file gathered into row order.
[[gnu::always_inline]] inline int MovilidadTorre(int i, uint64_t ocupadas, uint64_t enemigas) {
  constexpr uint64_t RECOGER_COLUMNA = 0x8040201008040201ULL;
  constexpr uint64_t COLUMNA_BIT0 = 0x0101010101010101ULL;
  const int bit = 63 - i, fila = bit & 56, columna = bit & 7;
  const int m = MovilidadLinea(columna, ocupadas >> fila, enemigas >> fila);
  return m + MovilidadLinea(i >> 3, ((ocupadas >> columna) & COLUMNA_BIT0) * RECOGER_COLUMNA >> 56,
                            ((enemigas >> columna) & COLUMNA_BIT0) * RECOGER_COLUMNA >> 56);
}

// A bishop on square index i: its two diagonals gathered into file order.
[[gnu::always_inline]] inline int MovilidadAlfil(int i, uint64_t ocupadas, uint64_t enemigas) {
  constexpr uint64_t RECOGER_FILAS = 0x0101010101010101ULL;
  const int lugar = (63 - i) & 7;
  int m = 0;
  for (int t = 0; t < 2; ++t) {
    const uint64_t d = Movil.diagonal[t][i];
    m += MovilidadLinea(lugar, ((ocupadas & d) * RECOGER_FILAS >> 56) | Movil.fuera[t][i],
                        (enemigas & d) * RECOGER_FILAS >> 56);
  }
  return m;
}

// Where the rays of a bishop or a rook first come next to (or onto) a king: by
// the piece's square index and the king's, the square index met in the low six
// bits and the ray's direction (numbered as in Rayos) above them; SIN_DESTINO
// when no ray of the kind gets there. The diagonals are tried in the order of the
// 0x88 steps -17, -15, 15, 17 and the lines -1, 1, 16, -16, the first one that
// arrives winning. 16 KB, where the same answers by 0x88 squares took 28 KB and
// a second look-up for the squares between. Beside them, by the king's index,
// the squares from which a knight jumps onto or next to it.
struct CercaniasRey {
  uint16_t diagonal[64][64];
  uint16_t linea[64][64];
  uint64_t caballo[64];
};
inline constexpr uint16_t SIN_DESTINO = 0xFFFF;
extern const CercaniasRey CercaRey;

// The squares strictly between index i and the destination `d` (not SIN_DESTINO)
// of CercaRey: the ray from i less the ray beyond the destination and the
// destination itself.
inline uint64_t EntreDestino(int i, uint32_t d) {
  const int t = static_cast<int>(d & 63), dir = static_cast<int>(d >> 6);
  return Rayos.rayo[dir][i] & ~(Rayos.rayo[dir][t] | Bit(t));
}

// The men between the piece (index i, of side Lado) and the square next to the
// enemy king (index rey) decide: an enemy pawn or bishop closes the diagonal,
// and so do two own pawns, or one when the square in front of the piece is
// taken; one own pawn leaves half the count. 0..2.
template <int Lado>
[[gnu::always_inline]] inline int RayoDiagonal(int i, int rey, const Conjuntos& cj) {
  const uint32_t d = CercaRey.diagonal[i][rey];
  if (d == SIN_DESTINO) return 0;
  const uint64_t entre = EntreDestino(i, d);
  if (entre & (cj.peones[1 - Lado] | cj.alfiles[1 - Lado])) return 0;
  const uint64_t propios = entre & cj.peones[Lado];
  if (propios == 0) return 2;
  if (propios & (propios - 1)) return 0;
  // The square in front of the piece (toward the enemy); off the board it is empty.
  const int frente = Lado == BLANCO ? i - 8 : i + 8;
  if (frente < 0 || frente > 63) return 1;
  return (cj.todas[BLANCO] | cj.todas[NEGRO]) & Bit(frente) ? 0 : 1;
}

// A line ending on an own pawn, or crossed by a rook of the enemy or any pawn,
// counts nothing; one enemy minor piece on it leaves half the count, two close
// it. 0..2.
template <int Lado>
[[gnu::always_inline]] inline int RayoLinea(int i, int rey, const Conjuntos& cj) {
  const uint32_t d = CercaRey.linea[i][rey];
  if (d == SIN_DESTINO || (cj.peones[Lado] & Bit(static_cast<int>(d & 63)))) return 0;
  const uint64_t entre = EntreDestino(i, d);
  if (entre & (cj.torres[1 - Lado] | cj.peones[BLANCO] | cj.peones[NEGRO])) return 0;
  const uint64_t menores = entre & (cj.alfiles[1 - Lado] | cj.caballos[1 - Lado]);
  if (menores == 0) return 2;
  return menores & (menores - 1) ? 0 : 1;
}

// True when some man of `tipo` and `lado` stands where `cumple(square)` holds.
template <typename Condicion>
inline bool HayPiezaDonde(int lado, int tipo, Condicion cumple) {
  const int lista = IndiceLista(lado == BLANCO ? tipo : -tipo);
  const int n = EstadoActual->NumPiezas[lista];
  for (int k = 0; k < n; ++k)
    if (cumple(ListaPiezas[lista][k])) return true;
  return false;
}

// True when `lado` has a bishop on a square of colour `color`.
inline bool AlfilEnColor(int lado, int color) {
  return HayPiezaDonde(lado, ALFIL, [color](int s) { return ColorCasilla[s] == color; });
}

// True when `lado` has a rook on file `columna`.
inline bool TorreEnColumna(int lado, int columna) {
  return HayPiezaDonde(lado, TORRE, [columna](int s) { return Columna(s) == columna; });
}

// Material term F, with its imbalance corrections and trade-down scaling; the
// bishop pair (without the bishop wing bonus, which the piece scan adds); each
// side's piece material in hundreds capped at 32, which scales king safety. As
// MemoriaMaterial keeps them.
struct TerminosMaterial {
  int32_t material, pareja;
  int piezasBlancas, piezasNegras;
};
// The pawn hash's value of the current structure (EvaluarPeones for phases 0
// and 1, EvaluarPeonesFinal for 2): a hit here, the scoring and the store in
// PuntuarPeones.
int PuntuarPeones(bool final);
template <bool Final>
[[gnu::always_inline]] inline int PeonesDeHash() {
  const EstadoPly* e = EstadoActual;
  const EntradaHashPeones* h = &Eval.TablaPeones[e->ClavePeones & MascaraPeones];
  if (h->Verificacion == (e->ClavePeones ^ (Final ? MarcaPeonesB : MarcaPeonesA))) [[likely]] {
    ++Eval.ContadorEvalHash;
    return h->ValorPeones;
  }
  return PuntuarPeones(Final);
}

// Fills the slot for the current position's counts and material sum.
void LlenarMaterial(EntradaMaterial& m, uint64_t cuentas, uint32_t resto, int32_t base);
[[gnu::always_inline]] inline TerminosMaterial TerminosDeMaterial() {
  const uint8_t* n = EstadoActual->NumPiezas;
  uint64_t cuentas;
  std::memcpy(&cuentas, n, sizeof cuentas);
  const uint32_t resto = n[8] | n[9] << 8 | 1u << 16;
  const int32_t base = MaterialEval();
  const uint64_t mezcla = (cuentas ^ uint64_t{resto} << 40) * 0x9E3779B97F4A7C15ULL;
  EntradaMaterial& m = Eval.MemoriaMaterial[mezcla >> 56 & (ENTRADAS_MATERIAL - 1)];
  if (m.Cuentas != cuentas || m.Resto != resto || m.Base != base) [[unlikely]]
    LlenarMaterial(m, cuentas, resto, base);
  return {m.Material, m.Pareja, m.PiezasBlancas, m.PiezasNegras};
}

// King-safety term, already divided by 100. `ataqueBlanco` and `ataqueNegro` are
// the attack counts gathered by the piece scan against the white and the black
// king; `tablaPeones` is the pawn table in use (TABLA_PEONES_*); `centroPeones`
// the 0x88 square of the pawn centre. Fills the king-safety fields of `d` when
// it is not null.
int32_t TerminoSeguridadRey(int ataqueBlanco, int ataqueNegro, int tablaPeones, int centroPeones,
                            const TerminosMaterial& materiales, const Conjuntos& c,
                            const EntradaPeonesEval& pe, DesgloseEval* d);

// Fills the entry's shelter parts for the structure of these pawn sets.
void LlenarRefugios(EntradaPeonesEval& h, uint64_t blancos, uint64_t negros);

// Fills the slot with the structure of the current position (its pawn sets).
void LlenarPeonesEval(EntradaPeonesEval& h, uint64_t blancos, uint64_t negros);

// The entry of the current pawn structure in PeonesEval, filled when it holds
// another one.
inline const EntradaPeonesEval& PeonesDeEstructura(uint64_t blancos, uint64_t negros) {
  EntradaPeonesEval& h = Eval.PeonesEval[EstadoActual->ClavePeones & MASCARA_PEONES_EVAL];
  if (h.Blancos != blancos || h.NegrosComplemento != ~negros) [[unlikely]]
    LlenarPeonesEval(h, blancos, negros);
  return h;
}
