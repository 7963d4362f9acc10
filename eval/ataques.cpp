// Attack maps: for every square and each colour, how many men attack it and of
// which kinds, cached in the attack hash under the full position key.
#include <cstdint>

#include "eval/eval.h"
#include "movegen/movegen.h"

namespace {

// The map is built in 0x88 space, where stepping off the board is one test, with
// each square's count and class bits in separate bytes: recording an attacker is
// then an increment and an OR, and the count is clamped to 7 once, when the
// entry's bytes are written.
struct Marcas {
  uint8_t cuenta[128];
  uint8_t clase[128];
};

inline void Marcar(Marcas& m, int t, uint8_t clase) {
  ++m.cuenta[t];
  m.clase[t] |= clase;
}

// A bishop's (or queen's) diagonal: through own bishops (and own queens for a
// queen), and past an own pawn onto the square that pawn attacks when the ray
// points toward the enemy.
template <int Signo, bool Dama>
inline void RayoDiagonal(Marcas& m, int s, int d, uint8_t clase) {
  const bool haciaEnemigo = Signo > 0 ? d < 0 : d > 0;
  for (int t = s + d; EnTablero(t); t += d) {
    Marcar(m, t, clase);
    const int x = Tablero[t] * Signo;  // own men positive
    if (x == VACIO) continue;
    if (x < 0) return;
    if (x == ALFIL || (Dama && x == DAMA)) continue;
    if (x == PEON && haciaEnemigo && EnTablero(t + d)) Marcar(m, t + d, clase);
    return;
  }
}

// A rook's (or queen's) line: through own rooks (and own queens for a queen).
template <int Signo, bool Dama>
inline void RayoLinea(Marcas& m, int s, int d, uint8_t clase) {
  for (int t = s + d; EnTablero(t); t += d) {
    Marcar(m, t, clase);
    const int x = Tablero[t] * Signo;
    if (x == VACIO) continue;
    if (x == TORRE || (Dama && x == DAMA)) continue;
    return;
  }
}

template <int Lado>
void MarcarLado(Marcas& m) {
  constexpr int signo = Lado == BLANCO ? 1 : -1;
  constexpr int o = Lado == BLANCO ? 0 : 1;
  const EstadoPly* e = EstadoActual;

  for (int k = 0; k < e->NumPiezas[o]; ++k) {
    const int s = ListaPiezas[o][k];
    if (EnTablero(s - 17 * signo)) Marcar(m, s - 17 * signo, ATAQUE_PEON);
    if (EnTablero(s - 15 * signo)) Marcar(m, s - 15 * signo, ATAQUE_PEON);
  }
  for (int k = 0; k < e->NumPiezas[2 + o]; ++k) {
    const int s = ListaPiezas[2 + o][k];
    for (int d : DESPLAZAMIENTOS_CABALLO)
      if (EnTablero(s + d)) Marcar(m, s + d, ATAQUE_MENOR);
  }
  for (int k = 0; k < e->NumPiezas[4 + o]; ++k) {
    const int s = ListaPiezas[4 + o][k];
    for (int d : DIRECCIONES_ALFIL) RayoDiagonal<signo, false>(m, s, d, ATAQUE_MENOR);
  }
  for (int k = 0; k < e->NumPiezas[6 + o]; ++k) {
    const int s = ListaPiezas[6 + o][k];
    for (int d : DIRECCIONES_TORRE) RayoLinea<signo, false>(m, s, d, ATAQUE_TORRE);
  }
  for (int k = 0; k < e->NumPiezas[8 + o]; ++k) {
    const int s = ListaPiezas[8 + o][k];
    for (int d : DIRECCIONES_ALFIL) RayoDiagonal<signo, true>(m, s, d, ATAQUE_DAMA);
    for (int d : DIRECCIONES_TORRE) RayoLinea<signo, true>(m, s, d, ATAQUE_DAMA);
  }
  const int rey = e->Rey[Lado];
  for (int d : DESPLAZAMIENTOS_REY)
    if (EnTablero(rey + d)) Marcar(m, rey + d, ATAQUE_REY);
}

// The 64 bytes of a colour: count (at most 7) and class bits, a8 first.
inline void Volcar(const Marcas& m, uint8_t* mapa) {
  for (int fila = 0; fila < 8; ++fila)
    for (int columna = 0; columna < 8; ++columna) {
      const int s = fila * 16 + columna;
      const uint8_t c = m.cuenta[s];
      mapa[fila * 8 + columna] = static_cast<uint8_t>((c < 7 ? c : 7) | m.clase[s]);
    }
}

}  // namespace

void CalcularAtaques() {
  const EstadoPly* e = EstadoActual;
  EntradaHashAtaques* h = &TablaAtaques[e->ClaveBaja & MascaraAtaques];
  if (h->ClaveBaja == e->ClaveBaja && h->ClaveAlta == e->ClaveAlta) {
    ++ContadorAciertosAtq;
    return;
  }
  ++ContadorComputacionesAtq;
  Marcas blancas{}, negras{};
  MarcarLado<BLANCO>(blancas);
  MarcarLado<NEGRO>(negras);
  Volcar(blancas, h->AtaquesBlancos);
  Volcar(negras, h->AtaquesNegros);
  h->ClaveBaja = e->ClaveBaja;
  h->ClaveAlta = e->ClaveAlta;
}
