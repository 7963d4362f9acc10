// Move input: the coordinate text of a move (e2e4, e7e8Q) read, checked and made.
#include <cstring>

#include "driver/driver.h"
#include "movegen/movegen.h"

Jugada JugadaGenerada(Jugada j) {
  // Generated at ply 0 from the bottom of the stack: outside a search nothing
  // else lives there.
  const ListaJugadas lista(true);
  return lista.Buscar(j);
}

bool TieneFormaDeJugada(const char* texto) {
  const size_t n = std::strlen(texto);
  if (n != 4 && n != 5) return false;
  for (int i = 0; i < 4; i += 2)
    if (texto[i] < 'a' || texto[i] > 'h' || texto[i + 1] < '1' || texto[i + 1] > '8') return false;
  return n == 4 || std::strchr("nbrqNBRQ", texto[4]) != nullptr;
}

Jugada PalabraJugada(const char* t) {
  int promocion = 0;
  switch (t[4]) {
    case 'n': case 'N': promocion = CABALLO; break;
    case 'b': case 'B': promocion = ALFIL; break;
    case 'r': case 'R': promocion = TORRE; break;
    case 'q': case 'Q': promocion = DAMA; break;
    default: break;
  }
  return CrearJugada(CasillaDeTexto(t), CasillaDeTexto(t + 2), promocion);
}

Jugada JugadaDeTexto(const char* texto) {
  if (!TieneFormaDeJugada(texto) || HistoriaLlena()) return 0;
  const Jugada j = JugadaGenerada(PalabraJugada(texto));
  if (j == 0 || !HacerJugadaPartida(j)) return 0;
  DeshacerJugadaPartida();
  return j;
}

int InterpretarJugada(const char* texto) {
  // The first five characters; a short text reads as NULs past its end.
  char c[5] = {};
  for (int i = 0; i < 5 && texto[i] != '\0'; ++i) c[i] = texto[i];
  if (c[0] < 'a' || c[0] > 'h') Log("\nError 1 interpretando jugada");
  if (c[1] < '1' || c[1] > '8') Log("\nError 2 interpretando jugada");
  if (c[2] < 'a' || c[2] > 'h') Log("\nError 3 interpretando jugada");
  if (c[3] < '1' || c[3] > '8') Log("\nError 4 interpretando jugada");

  // Squares, each kept to its low 8 bits.
  const int desde = CasillaDeTexto(c) & 0xFF;
  const int hasta = CasillaDeTexto(c + 2) & 0xFF;

  // Promotion letter, either case.
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

  // Board diagnostics.
  const int origen = PiezaEn(desde), destino = PiezaEn(hasta);
  if (EstadoActual->Turno == BLANCO) {
    if (origen <= 0) Log("\nError 5 interpretando jugada");
    if (destino > 0) Log("\nError 6 interpretando jugada");
  } else {
    if (origen >= 0) Log("\nError 7 interpretando jugada");
    if (destino < 0) Log("\nError 8 interpretando jugada");
  }

  // Only a move the generator produces reaches HacerJugada, which decides
  // legality; a full game history refuses any further move.
  if (HistoriaLlena()) return 0;
  Jugada j = JugadaGenerada(CrearJugada(desde, hasta, promocion));
  if (j == 0) return 0;
  return HacerJugadaPartida(j);
}
