// Move input: the coordinate text of a move (e2e4, e7e8Q) read, checked and made.
#include <cstring>

#include "driver/driver.h"
#include "movegen/movegen.h"

Jugada JugadaGenerada(Jugada j) {
  const int desde = CasillaDesde(j), hasta = CasillaHasta(j);
  if (!EnTablero(desde) || !EnTablero(hasta)) return 0;
  // Generate at ply 0 from the bottom of the stack: outside a search nothing
  // else lives there. The caller's stack state comes back afterwards.
  const uint32_t ply = PlyActual;
  EntradaJugada* const tope = TopeJugadas;
  EntradaJugada* const inicio0 = InicioLista[0];
  EntradaJugada* const inicio1 = InicioLista[1];
  PlyActual = 0;
  TopeJugadas = PilaJugadas;
  GenerarJugadas();
  // A pawn reaching the last rank without a letter becomes a queen.
  Jugada encontrada = 0;
  for (EntradaJugada* e = InicioLista[0]; e < InicioLista[1]; ++e) {
    Jugada g = e->Jugada;
    if (CasillaDesde(g) != desde || CasillaHasta(g) != hasta) continue;
    int promocion = TipoPromocion(j);
    if (TipoPromocion(g) == promocion || (promocion == 0 && TipoPromocion(g) == DAMA)) {
      encontrada = g;
      break;
    }
  }
  PlyActual = ply;
  TopeJugadas = tope;
  InicioLista[0] = inicio0;
  InicioLista[1] = inicio1;
  return encontrada;
}

int InterpretarJugada(const char* texto) {
  // 1. The first five characters; a short text reads as NULs past its end.
  char c[5] = {};
  for (int i = 0; i < 5 && texto[i] != '\0'; ++i) c[i] = texto[i];
  if (c[0] < 'a' || c[0] > 'h') Log("\nError 1 interpretando jugada");
  if (c[1] < '1' || c[1] > '8') Log("\nError 2 interpretando jugada");
  if (c[2] < 'a' || c[2] > 'h') Log("\nError 3 interpretando jugada");
  if (c[3] < '1' || c[3] > '8') Log("\nError 4 interpretando jugada");

  // 2. Squares, each kept to its low 8 bits.
  const int desde = ((c[0] - 'a') + 16 * (7 - (c[1] - '1'))) & 0xFF;
  const int hasta = ((c[2] - 'a') + 16 * (7 - (c[3] - '1'))) & 0xFF;

  // 3. Promotion letter, either case.
  int promocion = 0;
  switch (c[4]) {
    case 'N':
    case 'n': promocion = CABALLO; break;
    case 'B':
    case 'b': promocion = ALFIL; break;
    case 'R':
    case 'r': promocion = TORRE; break;
    case 'Q':
    case 'q': promocion = DAMA; break;
    default: break;
  }

  // 4. Board diagnostics.
  const int origen = PiezaEn(desde), destino = PiezaEn(hasta);
  if (EstadoActual->Turno == BLANCO) {
    if (origen <= 0) Log("\nError 5 interpretando jugada");
    if (destino > 0) Log("\nError 6 interpretando jugada");
  } else {
    if (origen >= 0) Log("\nError 7 interpretando jugada");
    if (destino < 0) Log("\nError 8 interpretando jugada");
  }

  // 5. Only a move the generator produces reaches HacerJugada, which decides
  // legality; a full game history refuses any further move.
  if (HistoriaLlena()) return 0;
  Jugada j = JugadaGenerada(CrearJugada(desde, hasta, promocion));
  if (j == 0) return 0;
  return HacerJugadaPartida(j);
}
