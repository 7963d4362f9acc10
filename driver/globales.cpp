// The driver's process-wide state, and the resets it calls in every subsystem.
#include "book/book.h"
#include "driver/driver.h"
#include "eval/eval.h"
#include "search/search.h"

int PonderActivo = 0;
int VersionProtocolo = 1;
int EloPropio = 0;
int EloRival = 0;
int RivalComputadora = 0;
int ModoICS = 0;
char NombreRival[TAM_LINEA];
char NombreMotor[TAM_NOMBRE_MOTOR] = {};
bool SinPosicion = false;

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
  RivalComputadora = 0;
  ModoICS = 0;
  SinPosicion = false;
}

int PonerPosicion(const char* fen, MotivoFEN* motivo) {
  if (ColocarFEN(fen, motivo) != 0) {
    SinPosicion = true;
    return 1;
  }
  SinPosicion = false;
  Eval.ColorMotor = -1;
  Busqueda.Limites.TiempoRestante = SIN_RELOJ;
  NuevaPosicionBusqueda();
  return 0;
}
