// Full pseudo-legal move generation.
//
// Men are visited by type (pawns, knights, bishops, rooks, queens, king) and each
// type in piece-list order, so the order of a list follows the history of make and
// unmake. Only castling's own conditions are checked here; HacerJugada refuses
// moves that leave the king attacked.
#include "movegen/movegen.h"

namespace {

inline void Promociones(int desde, int hasta) {
  for (int tipo = CABALLO; tipo <= DAMA; ++tipo)
    AnotarJugada(desde, hasta, VALOR_PROMOCION[tipo], tipo);
}

// Pawns of one side: on the promotion row the quiet promotions come before the
// capturing ones.
template <int Signo>
void GenerarPeones(const EstadoPly& e) {
  using G = GeometriaPeon<Signo>;
  const int n = e.NumPiezas[G::lista];
  const int32_t* lista = ListaPiezas[G::lista];
  for (int k = 0; k < n; ++k) {
    const int s = lista[k];
    const int fila = s >> 4;
    const int adelante = s + G::avance;
    if (fila == G::filaPromocion) {
      if (Tablero[adelante] == VACIO) Promociones(s, adelante);
      PromocionesCaptura<Signo>(s);
      continue;
    }
    if (Tablero[adelante] == VACIO) {
      AnotarJugada(s, adelante, VALOR_PASO_PEON, 0);
      if (fila == G::filaInicial && Tablero[adelante + G::avance] == VACIO)
        AnotarJugada(s, adelante + G::avance, VALOR_PASO_PEON, 0);
    }
    CapturasPeon<Signo>(e, s);
  }
}

template <int Signo>
void GenerarCaballos(const EstadoPly& e) {
  constexpr int idx = Signo > 0 ? 2 : 3;
  const int n = e.NumPiezas[idx];
  for (int k = 0; k < n; ++k) {
    const int s = ListaPiezas[idx][k];
    for (int d : DESPLAZAMIENTOS_CABALLO) {
      const int c = s + d;
      if (!EnTablero(c)) continue;
      const int victima = Tablero[c];
      if (victima == VACIO || Enemiga(victima, Signo))
        AnotarJugada(s, c, ValorOrden[CABALLO][Abs(victima)], 0);
    }
  }
}

template <int Signo, int Tipo, int NumDir>
void GenerarDeslizantes(const EstadoPly& e, const int (&direcciones)[NumDir]) {
  constexpr int idx = 2 * (Tipo - 1) + (Signo > 0 ? 0 : 1);
  const int n = e.NumPiezas[idx];
  for (int k = 0; k < n; ++k) {
    const int s = ListaPiezas[idx][k];
    for (int d : direcciones) {
      for (int c = s + d; EnTablero(c); c += d) {
        const int victima = Tablero[c];
        if (victima == VACIO) {
          AnotarJugada(s, c, ValorOrden[Tipo][0], 0);
          continue;
        }
        if (Enemiga(victima, Signo)) AnotarJugada(s, c, ValorOrden[Tipo][Abs(victima)], 0);
        break;
      }
    }
  }
}

template <int Signo>
void GenerarRey(const EstadoPly& e) {
  const int s = e.Rey[Signo > 0 ? BLANCO : NEGRO];
  constexpr int casa = Signo > 0 ? E1 : E8;
  const int enroques = EnroquesPosibles<Signo>(e);
  if (enroques & ENROQUE_CORTO) AnotarJugada(casa, casa + 2, VALOR_ENROQUE, 0);
  if (enroques & ENROQUE_LARGO) AnotarJugada(casa, casa - 2, VALOR_ENROQUE, 0);
  for (int d : DESPLAZAMIENTOS_REY) {
    const int c = s + d;
    if (!EnTablero(c)) continue;
    const int victima = Tablero[c];
    if (victima == VACIO || Enemiga(victima, Signo))
      AnotarJugada(s, c, ValorOrden[REY][Abs(victima)], 0);
  }
}

template <int Signo>
void GenerarLado(const EstadoPly& e) {
  GenerarPeones<Signo>(e);
  GenerarCaballos<Signo>(e);
  GenerarDeslizantes<Signo, ALFIL>(e, DIRECCIONES_ALFIL);
  GenerarDeslizantes<Signo, TORRE>(e, DIRECCIONES_TORRE);
  GenerarDeslizantes<Signo, DAMA>(e, DIRECCIONES_DAMA);
  GenerarRey<Signo>(e);
}

}  // namespace

void GenerarJugadas() {
  InicioLista[PlyActual] = TopeJugadas + 1;
  const EstadoPly& e = *EstadoActual;
  if (e.Turno == BLANCO) GenerarLado<1>(e);
  else GenerarLado<-1>(e);
  InicioLista[PlyActual + 1] = TopeJugadas + 1;
}
