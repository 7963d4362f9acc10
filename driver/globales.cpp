// The driver's process-wide state, and the resets it calls in every subsystem.
#include "book/book.h"
#include "driver/driver.h"
#include "eval/eval.h"
#include "search/search.h"

EstadoDriver Driver;

void ReiniciarPartida() {
  // The position, and tables that may hold values of the old game.
  NuevaPartida();
  LimpiarTablasBusqueda();
  LimpiarTablasEval();
  // Each subsystem's per-game state: the search's clock and kibitzing, the
  // game's learning records, the side the engine plays, and the opponent
  // facts held here.
  NuevaPartidaBusqueda();
  NuevaPartidaLibro();
  Eval.ColorMotor = NEGRO;
  Driver.RivalComputadora = 0;
  Driver.ModoICS = 0;
  Driver.SinPosicion = false;
}

int PonerPosicion(const char* fen, MotivoFEN* motivo) {
  if (ColocarFEN(fen, motivo) != 0) {
    Driver.SinPosicion = true;
    return 1;
  }
  Driver.SinPosicion = false;
  Eval.ColorMotor = -1;
  Busqueda.Limites.TiempoRestante = SIN_RELOJ;
  NuevaPosicionBusqueda();
  return 0;
}
