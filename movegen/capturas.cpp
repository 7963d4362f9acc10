// Capture generation for the quiescence search: captures, en passant, and of the
// quiet promotions only the queen and the knight (the rook and bishop add nothing
// a queen does not, except in rare stalemate tricks the full search finds).
#include "movegen/movegen.h"

namespace {

// Pawns: on the promotion row the captures come first, then the queen and the
// knight promotion.
template <int Signo>
void CapturasPeones(const EstadoPly& e) {
  using G = GeometriaPeon<Signo>;
  const int n = e.NumPiezas[G::lista];
  for (int k = 0; k < n; ++k) {
    const int s = ListaPiezas[G::lista][k];
    if ((s >> 4) == G::filaPromocion) {
      PromocionesCaptura<Signo>(s);
      const int adelante = s + G::avance;
      if (Tablero[adelante] == VACIO) {
        AnotarJugada(s, adelante, VALOR_PROMOCION[DAMA], DAMA);
        AnotarJugada(s, adelante, VALOR_PROMOCION[CABALLO], CABALLO);
      }
      continue;
    }
    CapturasPeon<Signo>(e, s);
  }
}

template <int Signo>
void CapturasSaltos(int tipo, int s, const int* desplazamientos) {
  for (int k = 0; k < 8; ++k) {
    const int c = s + desplazamientos[k];
    if (EnTablero(c) && Enemiga(Tablero[c], Signo))
      AnotarJugada(s, c, ValorOrden[tipo][Abs(Tablero[c])], 0);
  }
}

template <int Signo, int Tipo, int NumDir>
void CapturasDeslizantes(const EstadoPly& e, const int (&direcciones)[NumDir]) {
  constexpr int idx = 2 * (Tipo - 1) + (Signo > 0 ? 0 : 1);
  const int n = e.NumPiezas[idx];
  for (int k = 0; k < n; ++k) {
    const int s = ListaPiezas[idx][k];
    for (int d : direcciones) {
      int c = s + d;
      while (EnTablero(c) && Tablero[c] == VACIO) c += d;
      if (EnTablero(c) && Enemiga(Tablero[c], Signo))
        AnotarJugada(s, c, ValorOrden[Tipo][Abs(Tablero[c])], 0);
    }
  }
}

template <int Signo>
void CapturasLado(const EstadoPly& e) {
  CapturasPeones<Signo>(e);
  constexpr int idxCaballo = Signo > 0 ? 2 : 3;
  for (int k = 0; k < e.NumPiezas[idxCaballo]; ++k)
    CapturasSaltos<Signo>(CABALLO, ListaPiezas[idxCaballo][k], DESPLAZAMIENTOS_CABALLO);
  CapturasDeslizantes<Signo, ALFIL>(e, DIRECCIONES_ALFIL);
  CapturasDeslizantes<Signo, TORRE>(e, DIRECCIONES_TORRE);
  CapturasDeslizantes<Signo, DAMA>(e, DIRECCIONES_DAMA);
  CapturasSaltos<Signo>(REY, e.Rey[Signo > 0 ? BLANCO : NEGRO], DESPLAZAMIENTOS_REY);
}

}  // namespace

void GenerarCapturas() {
  InicioLista[PlyActual] = TopeJugadas + 1;
  const EstadoPly& e = *EstadoActual;
  if (e.Turno == BLANCO) CapturasLado<1>(e);
  else CapturasLado<-1>(e);
  InicioLista[PlyActual + 1] = TopeJugadas + 1;
}
