// Static exchange on the attack map: the value of a capture and what the
// opponent wins on a square we hold, without making any move.
#include "eval/eval.h"

namespace {

// Longest possible swap list: each side takes at most 7 counted attackers plus
// one per class bit, and the list has one more entry than captures.
constexpr int MAX_CAMBIOS = 32;

constexpr uint8_t ClaseDe(int tipo) {
  switch (tipo) {
    case PEON: return ATAQUE_PEON;
    case CABALLO:
    case ALFIL: return ATAQUE_MENOR;
    case TORRE: return ATAQUE_TORRE;
    case DAMA: return ATAQUE_DAMA;
    case REY: return ATAQUE_REY;
    default: return 0;
  }
}

// Takes one attacker out of the byte: its count drops by one and its class bit
// goes. Returns the exchange value of the least valuable class present (the
// king when no class bit is left).
inline int32_t TomarAtacante(uint8_t& b) {
  uint8_t clase;
  int32_t valor;
  if (b & ATAQUE_PEON) {
    clase = ATAQUE_PEON;
    valor = VALOR_CAMBIO[PEON];
  } else if (b & ATAQUE_MENOR) {
    clase = ATAQUE_MENOR;
    valor = VALOR_CAMBIO[CABALLO];
  } else if (b & ATAQUE_TORRE) {
    clase = ATAQUE_TORRE;
    valor = VALOR_CAMBIO[TORRE];
  } else if (b & ATAQUE_DAMA) {
    clase = ATAQUE_DAMA;
    valor = VALOR_CAMBIO[DAMA];
  } else {
    clase = ATAQUE_REY;
    valor = VALOR_CAMBIO[REY];
  }
  b = static_cast<uint8_t>(b & ~clase);
  if (b & 7) --b;
  return valor;
}

// Negamax back-propagation of the swap list g[0..n].
inline void Propagar(int32_t* g, int n) {
  for (int k = n; k >= 1; --k)
    if (g[k] > -g[k - 1]) g[k - 1] = -g[k];
}

}  // namespace

int CambioCasilla(int casilla) {
  if (!EnTablero(casilla)) return 0;
  const EntradaHashAtaques* h = EntradaAtaques();
  const int i = Indice64(casilla);
  uint8_t bytes[2] = {ByteAtaques(h, NEGRO, i), ByteAtaques(h, BLANCO, i)};  // by side
  const int turno = EstadoActual->Turno;

  int32_t g[MAX_CAMBIOS];
  int n = 0;
  g[0] = 0;
  int32_t enCasilla = VALOR_CAMBIO[Abs(Tablero[casilla])];
  int lado = 1 - turno;
  while (bytes[lado] != 0 && n < MAX_CAMBIOS - 1) {
    ++n;
    g[n] = enCasilla - g[n - 1];
    enCasilla = TomarAtacante(bytes[lado]);
    if (g[n] < 0 && lado != turno) return 0;
    lado = 1 - lado;
  }
  Propagar(g, n);
  return g[0] <= 0 ? -g[0] : 0;
}

int CambioCaptura(Jugada j) {
  const EntradaHashAtaques* h = EntradaAtaques();
  const int desde = CasillaDesde(j), hasta = CasillaHasta(j);
  if (!EnTablero(desde) || !EnTablero(hasta)) return 0;
  const int i = Indice64(hasta);
  uint8_t bytes[2] = {ByteAtaques(h, NEGRO, i), ByteAtaques(h, BLANCO, i)};
  const int turno = EstadoActual->Turno;
  const int tipo = Abs(Tablero[desde]);

  // The capturing man no longer stands behind the first capture.
  uint8_t& propio = bytes[turno];
  propio = static_cast<uint8_t>(propio & ~ClaseDe(tipo));
  if (propio & 7) --propio;

  // First gain. An en-passant victim does not stand on the to-square but is
  // still a pawn won.
  int32_t g[MAX_CAMBIOS];
  int n = 0;
  g[0] = VALOR_CAMBIO[Abs(Tablero[hasta])];
  if (tipo == PEON && hasta == EstadoActual->AlPaso) g[0] = VALOR_CAMBIO[PEON];
  int32_t enCasilla = VALOR_CAMBIO[tipo];
  const int promocion = TipoPromocion(j);
  if (promocion >= CABALLO && promocion <= DAMA) {
    g[0] += VALOR_CAMBIO[promocion];
    enCasilla = VALOR_CAMBIO[promocion];
  }

  // Replies in order of least valuable attacker.
  int lado = 1 - turno;
  while (bytes[lado] != 0 && n < MAX_CAMBIOS - 1) {
    ++n;
    g[n] = enCasilla - g[n - 1];
    enCasilla = TomarAtacante(bytes[lado]);
    if (g[n] < 0 && lado == turno) return g[n];
    lado = 1 - lado;
  }
  Propagar(g, n);
  return g[0];
}
