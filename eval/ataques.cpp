// Attack maps: for every square and each colour, how many men attack it and of
// which kinds, cached in the attack hash under the full position key.
#include <initializer_list>

#include <cstring>

#include "eval/eval.h"
#include "movegen/movegen.h"

namespace {

// Records one attacker of class `clase` on t. The count saturates at 7 so that
// it never spills into the class bits.
inline void Marcar(uint8_t* mapa, int t, uint8_t clase) {
  uint8_t& b = mapa[Indice64(t)];
  if ((b & 7) != 7) ++b;
  b |= clase;
}

// A bishop's (or queen's) diagonal: through own bishops (and own queens for a
// queen), and past an own pawn onto the square that pawn attacks when the ray
// points toward the enemy.
template <int Signo>
void RayoDiagonal(uint8_t* mapa, int s, int d, uint8_t clase, bool dama) {
  const bool haciaEnemigo = Signo > 0 ? d < 0 : d > 0;
  for (int t = s + d; EnTablero(t); t += d) {
    Marcar(mapa, t, clase);
    const int x = Tablero[t] * Signo;  // own men positive
    if (x == VACIO) continue;
    if (x < 0) return;
    if (x == ALFIL || (dama && x == DAMA)) continue;
    if (x == PEON && haciaEnemigo && EnTablero(t + d)) Marcar(mapa, t + d, clase);
    return;
  }
}

// A rook's (or queen's) line: through own rooks (and own queens for a queen).
template <int Signo>
void RayoLinea(uint8_t* mapa, int s, int d, uint8_t clase, bool dama) {
  for (int t = s + d; EnTablero(t); t += d) {
    Marcar(mapa, t, clase);
    const int x = Tablero[t] * Signo;
    if (x == VACIO) continue;
    if (x == TORRE || (dama && x == DAMA)) continue;
    return;
  }
}

template <int Lado>
void MarcarLado(uint8_t* mapa) {
  constexpr int signo = Lado == BLANCO ? 1 : -1;
  constexpr int o = Lado == BLANCO ? 0 : 1;
  const EstadoPly* e = EstadoActual;

  for (int k = 0; k < e->NumPiezas[o]; ++k) {
    const int s = ListaPiezas[o][k];
    if (EnTablero(s - 17 * signo)) Marcar(mapa, s - 17 * signo, ATAQUE_PEON);
    if (EnTablero(s - 15 * signo)) Marcar(mapa, s - 15 * signo, ATAQUE_PEON);
  }
  for (int k = 0; k < e->NumPiezas[2 + o]; ++k) {
    const int s = ListaPiezas[2 + o][k];
    for (int d : DESPLAZAMIENTOS_CABALLO)
      if (EnTablero(s + d)) Marcar(mapa, s + d, ATAQUE_MENOR);
  }
  for (int k = 0; k < e->NumPiezas[4 + o]; ++k) {
    const int s = ListaPiezas[4 + o][k];
    for (int d : {-17, -15, 15, 17}) RayoDiagonal<signo>(mapa, s, d, ATAQUE_MENOR, false);
  }
  for (int k = 0; k < e->NumPiezas[6 + o]; ++k) {
    const int s = ListaPiezas[6 + o][k];
    for (int d : {-16, -1, 1, 16}) RayoLinea<signo>(mapa, s, d, ATAQUE_TORRE, false);
  }
  for (int k = 0; k < e->NumPiezas[8 + o]; ++k) {
    const int s = ListaPiezas[8 + o][k];
    for (int d : {-17, -15, 15, 17}) RayoDiagonal<signo>(mapa, s, d, ATAQUE_DAMA, true);
    for (int d : {-16, -1, 1, 16}) RayoLinea<signo>(mapa, s, d, ATAQUE_DAMA, true);
  }
  const int rey = e->Rey[Lado];
  for (int d : DESPLAZAMIENTOS_REY)
    if (EnTablero(rey + d)) Marcar(mapa, rey + d, ATAQUE_REY);
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
  std::memset(h->AtaquesBlancos, 0, sizeof h->AtaquesBlancos);
  std::memset(h->AtaquesNegros, 0, sizeof h->AtaquesNegros);
  MarcarLado<BLANCO>(h->AtaquesBlancos);
  MarcarLado<NEGRO>(h->AtaquesNegros);
  h->ClaveBaja = e->ClaveBaja;
  h->ClaveAlta = e->ClaveAlta;
}
