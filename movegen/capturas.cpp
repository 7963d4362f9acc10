// Capture generation for the quiescence search: captures, en passant, and of the
// quiet promotions only the queen and the knight (the rook and bishop add nothing
// a queen does not, except in rare stalemate tricks the full search finds).
#include "movegen/movegen.h"

namespace {

constexpr int DIRECCIONES_ALFIL[4] = {-17, -15, 15, 17};
constexpr int DIRECCIONES_TORRE[4] = {-16, -1, 1, 16};
constexpr int DIRECCIONES_DAMA[8] = {-17, -15, 15, 17, -16, -1, 1, 16};

inline bool Enemiga(int pieza, int signo) { return pieza * signo < 0; }

template <int Signo>
void CapturasPeones(const EstadoPly& e) {
  constexpr int idx = Signo > 0 ? 0 : 1;
  constexpr int avance = Signo > 0 ? -16 : 16;
  constexpr int capturaA = Signo > 0 ? -17 : 15;
  constexpr int capturaH = Signo > 0 ? -15 : 17;
  constexpr int filaPromocion = Signo > 0 ? 1 : 6;
  constexpr int filaAlPaso = Signo > 0 ? 3 : 4;
  const int n = e.NumPiezas[idx];
  for (int k = 0; k < n; ++k) {
    const int s = ListaPiezas[idx][k];
    const int fila = s >> 4;
    if (fila == filaPromocion) {
      for (int c : {s + capturaA, s + capturaH}) {
        if (!EnTablero(c) || !Enemiga(Tablero[c], Signo)) continue;
        for (int tipo = CABALLO; tipo <= DAMA; ++tipo)
          AnotarJugada(s, c, VALOR_PROMOCION_CAPTURA[tipo], tipo);
      }
      if (Tablero[s + avance] == VACIO) {
        AnotarJugada(s, s + avance, VALOR_PROMOCION[DAMA], DAMA);
        AnotarJugada(s, s + avance, VALOR_PROMOCION[CABALLO], CABALLO);
      }
      continue;
    }
    for (int c : {s + capturaA, s + capturaH}) {
      if (!EnTablero(c)) continue;
      const int victima = Tablero[c];
      if (Enemiga(victima, Signo) || (fila == filaAlPaso && c == e.AlPaso))
        AnotarJugada(s, c, ValorOrden[PEON][Abs(victima)], 0);
    }
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
  if (e.Turno == BLANCO)
    CapturasLado<1>(e);
  else
    CapturasLado<-1>(e);
  InicioLista[PlyActual + 1] = TopeJugadas + 1;
}
