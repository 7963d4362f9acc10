// Capture generation for the quiescence search: captures, en passant, and of the
// quiet promotions only the queen and the knight (the rook and bishop add nothing
// a queen does not, except in rare stalemate tricks the full search finds).
#include <utility>

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

// Most knights and kings take nothing: their reach against the enemy set says
// so before any square is looked at.
template <int Signo>
void CapturasSaltos(int tipo, int s, const int* desplazamientos, uint64_t alcance,
                    uint64_t enemigas) {
  if ((alcance & enemigas) == 0) return;
  for (int k = 0; k < 8; ++k) {
    const int c = s + desplazamientos[k];
    if (EnTablero(c) && Enemiga(Tablero[c], Signo))
      AnotarJugada(s, c, ValorOrden[tipo][Abs(Tablero[c])], 0);
  }
}

// Ray numbers of the generation order of each slider (see Rayos): the bishop's
// -17 -15 15 17, the rook's -16 -1 1 16, the queen's both.
constexpr int RAYOS_ALFIL[4] = {0, 1, 2, 3};
constexpr int RAYOS_TORRE[4] = {6, 4, 5, 7};
constexpr int RAYOS_DAMA[8] = {0, 1, 2, 3, 6, 4, 5, 7};

// A slider takes the first man along each ray when it is an enemy; the piece
// sets find that man at once instead of a walk over the empty squares.
template <int D>
inline void CapturaEnRayo(int tipo, int s, int i, uint64_t ocupadas, uint64_t enemigas) {
  const int c = PrimeraEnRayo<D>(i, ocupadas);
  if (c < 0 || (enemigas & Bit(c)) == 0) return;
  const int destino = Casilla0x88(c);
  AnotarJugada(s, destino, ValorOrden[tipo][Abs(Tablero[destino])], 0);
}

template <int Signo, int Tipo, int NumDir, const int (&RayosPieza)[NumDir]>
void CapturasDeslizantes(const EstadoPly& e, uint64_t ocupadas, uint64_t enemigas) {
  constexpr int idx = 2 * (Tipo - 1) + (Signo > 0 ? 0 : 1);
  const int n = e.NumPiezas[idx];
  for (int k = 0; k < n; ++k) {
    const int s = ListaPiezas[idx][k];
    const int i = Indice64(s);
    [&]<size_t... R>(std::index_sequence<R...>) {
      (CapturaEnRayo<RayosPieza[R]>(Tipo, s, i, ocupadas, enemigas), ...);
    }
    (std::make_index_sequence<NumDir>{});
  }
}

template <int Signo>
void CapturasLado(const EstadoPly& e) {
  // The kings count as men a slider stops at.
  const int rey = e.Rey[Signo > 0 ? BLANCO : NEGRO];
  const uint64_t enemigas = HombresDe(Signo > 0 ? NEGRO : BLANCO);
  const uint64_t ocupadas = HombresDe(Signo > 0 ? BLANCO : NEGRO) | enemigas;

  CapturasPeones<Signo>(e);
  constexpr int idxCaballo = Signo > 0 ? 2 : 3;
  for (int k = 0; k < e.NumPiezas[idxCaballo]; ++k) {
    const int s = ListaPiezas[idxCaballo][k];
    CapturasSaltos<Signo>(CABALLO, s, DESPLAZAMIENTOS_CABALLO, SaltosCaballo.saltos[Indice64(s)],
                          enemigas);
  }
  CapturasDeslizantes<Signo, ALFIL, 4, RAYOS_ALFIL>(e, ocupadas, enemigas);
  CapturasDeslizantes<Signo, TORRE, 4, RAYOS_TORRE>(e, ocupadas, enemigas);
  CapturasDeslizantes<Signo, DAMA, 8, RAYOS_DAMA>(e, ocupadas, enemigas);
  CapturasSaltos<Signo>(REY, rey, DESPLAZAMIENTOS_REY, VecinasRey[Indice64(rey)], enemigas);
}

}  // namespace

void GenerarCapturas() {
  InicioLista[PlyActual] = TopeJugadas + 1;
  const EstadoPly& e = *EstadoActual;
  if (e.Turno == BLANCO) CapturasLado<1>(e);
  else CapturasLado<-1>(e);
  InicioLista[PlyActual + 1] = TopeJugadas + 1;
}
