// Geometric move check: could this move be played here, judged from the board
// alone (the man, its path and its target), without generating anything.
#include "movegen/movegen.h"

namespace {

int Signo0(int x) { return (x > 0) - (x < 0); }

// The squares strictly between two squares on a line are all empty.
bool CaminoLibre(int desde, int hasta, int paso) {
  for (int c = desde + paso; c != hasta; c += paso)
    if (PiezaEn(c) != VACIO) return false;
  return true;
}

int ValidarPeon(int desde, int hasta, int promocion, int lado) {
  const int avance = lado == BLANCO ? -16 : 16;
  const int ultimaFila = lado == BLANCO ? 7 : 0;
  // A move onto the last rank carries a real promotion piece.
  if (Fila(hasta) == ultimaFila && (promocion < CABALLO || promocion > DAMA)) return 0;
  const int diferencia = hasta - desde;
  if (diferencia == avance - 1 || diferencia == avance + 1) {
    int pieza = PiezaEn(hasta);
    bool enemiga = lado == BLANCO ? pieza < 0 : pieza > 0;
    return enemiga || hasta == EstadoActual->AlPaso;
  }
  if (diferencia == avance) return PiezaEn(hasta) == VACIO;
  // The double step is not tied to the starting rank, but it never lands on a man.
  if (diferencia == 2 * avance) return PiezaEn(desde + avance) == VACIO && PiezaEn(hasta) == VACIO;
  return 0;
}

int ValidarRey(int desde, int hasta, int lado) {
  int df = Columna(hasta) - Columna(desde);
  int dr = (hasta >> 4) - (desde >> 4);
  if (Abs(df) <= 1 && Abs(dr) <= 1) return 1;
  // Only the king-side castling is accepted; it also needs the right and its
  // rook, without which making it would move a rook that is not there.
  const int casa = lado == BLANCO ? E1 : E8;
  const int destino = lado == BLANCO ? G1 : G8;
  const int torre = lado == BLANCO ? H1 : H8;
  const int derecho = lado == BLANCO ? ENROQUE_BC : ENROQUE_NC;
  if (desde != casa || hasta != destino || EstadoActual->EnJaque) return 0;
  if ((EstadoActual->Enroques & derecho) == 0) return 0;
  if (PiezaEn(torre) != (lado == BLANCO ? TORRE : -TORRE)) return 0;
  return PiezaEn(casa + 1) == VACIO && PiezaEn(casa + 2) == VACIO;
}

}  // namespace

int ValidarJugada(Jugada j) {
  const int desde = CasillaDesde(j), hasta = CasillaHasta(j);
  if (!EnTablero(desde) || !EnTablero(hasta) || desde == hasta) return 0;
  const int lado = EstadoActual->Turno;
  const int pieza = PiezaEn(desde), objetivo = PiezaEn(hasta);
  if (pieza == VACIO || Color(pieza) != lado) return 0;
  if (objetivo != VACIO && Color(objetivo) == lado) return 0;
  const int df = Columna(hasta) - Columna(desde);
  const int dr = (hasta >> 4) - (desde >> 4);
  switch (Abs(pieza)) {
    case PEON: return ValidarPeon(desde, hasta, TipoPromocion(j), lado);
    case CABALLO: {
      int d = Abs(hasta - desde);
      return d == 14 || d == 18 || d == 31 || d == 33;
    }
    case ALFIL:
    case TORRE:
    case DAMA: {
      bool recta = df == 0 || dr == 0;
      bool diagonal = Abs(df) == Abs(dr);
      if (Abs(pieza) == ALFIL && !diagonal) return 0;
      if (Abs(pieza) == TORRE && !recta) return 0;
      if (!recta && !diagonal) return 0;
      return CaminoLibre(desde, hasta, 16 * Signo0(dr) + Signo0(df));
    }
    case REY: return ValidarRey(desde, hasta, lado);
    default: return 0;
  }
}
