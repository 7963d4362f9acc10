// The generated move list of the current position as a scoped object.
#include "movegen/movegen.h"

// Only the list slots generation writes are kept: those of the ply generated
// at (ply 0 at the bottom of the stack, whatever PlyActual holds then).
ListaJugadas::ListaJugadas(bool alFondo)
    : ply_(PlyActual),
      tope_(TopeJugadas),
      slot_(alFondo ? 0 : PlyActual),
      inicioSlot_(InicioLista[slot_]),
      siguienteSlot_(InicioLista[slot_ + 1]) {
  if (alFondo) {
    PlyActual = 0;
    TopeJugadas = PilaJugadas;
  }
  GenerarJugadas();
  inicio_ = InicioLista[PlyActual];
  fin_ = TopeJugadas + 1;
}

ListaJugadas::~ListaJugadas() {
  PlyActual = ply_;
  TopeJugadas = tope_;
  InicioLista[slot_] = inicioSlot_;
  InicioLista[slot_ + 1] = siguienteSlot_;
}

Jugada ListaJugadas::Buscar(Jugada j) const {
  const int desde = CasillaDesde(j), hasta = CasillaHasta(j), promocion = TipoPromocion(j);
  if (!EnTablero(desde) || !EnTablero(hasta)) return 0;
  for (const EntradaJugada& e : *this) {
    const Jugada g = e.Jugada;
    if (CasillaDesde(g) != desde || CasillaHasta(g) != hasta) continue;
    if (TipoPromocion(g) == promocion || (promocion == 0 && TipoPromocion(g) == DAMA)) return g;
  }
  return 0;
}

Jugada ListaJugadas::PrimeraLegal() const {
  for (const EntradaJugada& e : *this) {
    if (HacerJugada(e.Jugada)) {
      DeshacerJugada();
      return e.Jugada;
    }
  }
  return 0;
}
