// Attack maps: for every square and each colour, how many men attack it and of
// which kinds, cached in the attack hash under the full position key.
#include <cstdint>

#include "eval/eval.h"
#include "eval/tablas_eval.h"
#include "movegen/movegen.h"

namespace {

// The map is built on 64-bit sets, one man at a time: each man's attacked squares
// form one set (its rays never overlap), which is added to a three-bit counter per
// square held as three bit planes, with a fourth plane remembering every square
// that went past seven. The class bits are the union of the sets of each class.
// The entry keeps the planes.
struct Planos {
  uint64_t c0 = 0, c1 = 0, c2 = 0, lleno = 0;
  uint64_t clase[5] = {};  // pawn, minor, rook, queen, king

  void Sumar(uint64_t a, int k) {
    clase[k] |= a;
    const uint64_t acarreo0 = c0 & a;
    c0 ^= a;
    const uint64_t acarreo1 = c1 & acarreo0;
    c1 ^= acarreo0;
    lleno |= c2 & acarreo1;
    c2 ^= acarreo1;
  }
};
constexpr int K_PEON = 0, K_MENOR = 1, K_TORRE = 2, K_DAMA = 3, K_REY = 4;

// Index step of each ray direction (diagonals 0..3, lines 4..7).
constexpr int PASO_RAYO[8] = {-9, -7, 7, 9, -1, 1, -8, 8};

// The squares of ray D from i up to and including the first of `tapan`.
template <int D>
inline uint64_t Rayo(int i, uint64_t tapan, int& primera) {
  primera = PrimeraEnRayo<D>(i, tapan);
  return primera < 0 ? Rayos.rayo[D][i] : Rayos.rayo[D][i] & ~Rayos.rayo[D][primera];
}

// A diagonal goes through own bishops (and own queens for a queen); when it meets
// an own pawn while pointing toward the enemy it also reaches the square that
// pawn attacks.
template <int D, bool HaciaEnemigo>
inline uint64_t Diagonal(int i, uint64_t tapan, uint64_t peonesPropios) {
  int b;
  uint64_t a = Rayo<D>(i, tapan, b);
  if (HaciaEnemigo && b >= 0 && (peonesPropios & Bit(b)) && Rayos.largo[D][b] != 0)
    a |= Bit(b + PASO_RAYO[D]);
  return a;
}

template <bool Blanco>
inline uint64_t Diagonales(int i, uint64_t tapan, uint64_t peonesPropios) {
  return Diagonal<0, Blanco>(i, tapan, peonesPropios) |
         Diagonal<1, Blanco>(i, tapan, peonesPropios) |
         Diagonal<2, !Blanco>(i, tapan, peonesPropios) |
         Diagonal<3, !Blanco>(i, tapan, peonesPropios);
}

inline uint64_t Lineas(int i, uint64_t tapan) {
  int b;
  return Rayo<4>(i, tapan, b) | Rayo<5>(i, tapan, b) | Rayo<6>(i, tapan, b) | Rayo<7>(i, tapan, b);
}

template <int Lado>
void MarcarLado(Planos& p, const uint64_t* conjuntos, uint64_t ocupadas) {
  constexpr bool blanco = Lado == BLANCO;
  constexpr int o = blanco ? 0 : 1;
  const EstadoPly* e = EstadoActual;

  const uint64_t peones = conjuntos[o];
  const uint64_t alfiles = conjuntos[4 + o];
  const uint64_t torres = conjuntos[6 + o];
  const uint64_t damas = conjuntos[8 + o];

  // Each pawn attacks two squares, which another pawn may attack too: the two
  // directions are two additions.
  if (blanco) {
    p.Sumar(HaciaIzquierda(peones) << 8, K_PEON);
    p.Sumar(HaciaDerecha(peones) << 8, K_PEON);
  } else {
    p.Sumar(HaciaIzquierda(peones) >> 8, K_PEON);
    p.Sumar(HaciaDerecha(peones) >> 8, K_PEON);
  }
  for (int k = 0; k < e->NumPiezas[2 + o]; ++k)
    p.Sumar(SaltosCaballo.saltos[Indice64(ListaPiezas[2 + o][k])], K_MENOR);
  const uint64_t tapanAlfil = ocupadas & ~alfiles;
  for (int k = 0; k < e->NumPiezas[4 + o]; ++k)
    p.Sumar(Diagonales<blanco>(Indice64(ListaPiezas[4 + o][k]), tapanAlfil, peones), K_MENOR);
  const uint64_t tapanTorre = ocupadas & ~torres;
  for (int k = 0; k < e->NumPiezas[6 + o]; ++k)
    p.Sumar(Lineas(Indice64(ListaPiezas[6 + o][k]), tapanTorre), K_TORRE);
  const uint64_t tapanDamaDiagonal = ocupadas & ~(alfiles | damas);
  const uint64_t tapanDamaLinea = ocupadas & ~(torres | damas);
  for (int k = 0; k < e->NumPiezas[8 + o]; ++k) {
    const int i = Indice64(ListaPiezas[8 + o][k]);
    p.Sumar(Diagonales<blanco>(i, tapanDamaDiagonal, peones) | Lineas(i, tapanDamaLinea), K_DAMA);
  }
  p.Sumar(VecinasRey[Indice64(e->Rey[Lado])], K_REY);
}

// The planes of a colour, counts clamped to 7.
inline void Guardar(const Planos& p, uint64_t* planos) {
  const uint64_t v[8] = {p.c0 | p.lleno, p.c1 | p.lleno, p.c2 | p.lleno, p.clase[0],
                         p.clase[1],     p.clase[2],     p.clase[3],     p.clase[4]};
#if defined(__SSE2__)
  // Written in the same pairs ByteAtaques reads them in. The exchange values read
  // the map at once, before these writes have reached the cache; a pair read from
  // two separate writes could not be served from the store buffer and would wait.
  for (int k = 0; k < 4; ++k)
    _mm_storeu_si128(
        reinterpret_cast<__m128i*>(planos) + k,
        _mm_set_epi64x(static_cast<int64_t>(v[2 * k + 1]), static_cast<int64_t>(v[2 * k])));
#else
  for (int k = 0; k < 8; ++k) planos[k] = v[k];
#endif
}
static_assert(ATAQUE_PEON == 8 && ATAQUE_MENOR == 16 && ATAQUE_TORRE == 32 && ATAQUE_DAMA == 64 &&
                  ATAQUE_REY == 128,
              "the class planes follow the three count planes");

}  // namespace

void CalcularAtaques() {
  const EstadoPly* e = EstadoActual;
  EntradaHashAtaques* h = &Eval.TablaAtaques[e->ClaveBaja & Eval.MascaraAtaques];
  if (h->ClaveBaja == e->ClaveBaja && h->ClaveAlta == e->ClaveAlta) {
    ++Eval.ContadorAciertosAtq;
    return;
  }
  ++Eval.ContadorComputacionesAtq;
  const uint64_t* conjuntos = ConjuntoPiezas;
  const uint64_t ocupadas = HombresDe(BLANCO) | HombresDe(NEGRO);
  Planos blancas, negras;
  MarcarLado<BLANCO>(blancas, conjuntos, ocupadas);
  MarcarLado<NEGRO>(negras, conjuntos, ocupadas);
  Guardar(blancas, h->Planos[BLANCO]);
  Guardar(negras, h->Planos[NEGRO]);
  h->ClaveBaja = e->ClaveBaja;
  h->ClaveAlta = e->ClaveAlta;
}
