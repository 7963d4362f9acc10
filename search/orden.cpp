// Move ordering on the list of the current ply: killer values, selection of
// the best entry, removal of a move and the root's bubble sort.
#include "search/search.h"

// Gives the killers of this ply (and of two plies up) their values; stops after
// four hits instead of scanning the whole list.
void PuntuarAsesinas() {
  const uint32_t p = PlyActual;
  const Jugada a0 = Busqueda.Asesinas[p][0], a1 = Busqueda.Asesinas[p][1];
  const bool abuelo = p > 2;
  const Jugada b0 = abuelo ? Busqueda.Asesinas[p - 2][0] : 0, b1 = abuelo ? Busqueda.Asesinas[p - 2][1] : 0;
  int aciertos = 4;
  for (EntradaJugada* e = TopeJugadas; e >= InicioLista[p] && aciertos > 0; --e) {
    const Jugada j = e->Jugada;
    if (j == a0) {
      e->Valor = 3000;
    } else if (j == a1) {
      e->Valor = 2900;
    } else if (abuelo && j == b0) {
      e->Valor = 2875;
    } else if (abuelo && j == b1) {
      e->Valor = 2850;
    } else {
      continue;
    }
    --aciertos;
  }
}

// Brings a highest-valued entry to TopeJugadas; among equals the one nearest the
// top stays. The leading entry is held in registers and written back once, and
// fields are read and written one at a time: a whole-entry read of an entry
// whose value was just stored on its own (as the callers' scoring does) cannot
// be served from the store buffer and would wait for the cache.
void ElegirMejor() {
  EntradaJugada* const tope = TopeJugadas;
  Jugada jugada = tope->Jugada;
  int32_t valor = tope->Valor;
  for (EntradaJugada* e = tope - 1; e >= InicioLista[PlyActual]; --e) {
    const int32_t v = e->Valor;
    if (v > valor) {
      const Jugada j = e->Jugada;
      e->Jugada = jugada;
      e->Valor = valor;
      jugada = j;
      valor = v;
    }
  }
  tope->Jugada = jugada;
  tope->Valor = valor;
}

void QuitarJugada(Jugada j) {
  for (EntradaJugada* e = TopeJugadas; e >= InicioLista[PlyActual]; --e) {
    if (e->Jugada == j) {
      *e = *TopeJugadas;
      --TopeJugadas;
      return;
    }
  }
}

// Bubble sort, values growing towards TopeJugadas; equal values keep their order.
void OrdenarLista() {
  EntradaJugada* base = InicioLista[PlyActual];
  bool cambio = true;
  while (cambio) {
    cambio = false;
    for (EntradaJugada* e = TopeJugadas - 1; e >= base; --e) {
      if (e->Valor > (e + 1)->Valor) {
        const EntradaJugada t = *e;
        *e = *(e + 1);
        *(e + 1) = t;
        cambio = true;
      }
    }
  }
}

// A cutoff move of this ply becomes the first killer (the old first one the second).
void ActualizarAsesinas(Jugada j) {
  Jugada* a = Busqueda.Asesinas[PlyActual];
  if (j == a[0]) return;
  a[1] = a[0];
  a[0] = j;
}
