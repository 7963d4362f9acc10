// The search's process-wide state.
#include "search/search.h"

EstadoBusqueda Busqueda;

void NuevaPosicionBusqueda() { Busqueda.Asesinas[0][0] = Busqueda.Asesinas[0][1] = 0; }

void NuevaPartidaBusqueda() {
  NuevaPosicionBusqueda();
  Busqueda.Limites.TiempoRestante = SIN_RELOJ;
  Busqueda.Limites.JugadasControl = 0;
  Busqueda.Limites.Incremento = 0;
  Busqueda.Limites.JugadaPonder = 0;
  Busqueda.KibitzActivo = 0;
  Busqueda.ValorRaiz() = 0;
  Busqueda.VariantePrincipal[0][0].Jugada = 0;
  Busqueda.VariantePrincipal[0][1].Jugada = 0;
  Busqueda.ContadorFueraLibro = 0;
}
