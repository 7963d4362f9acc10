// The hash tables of every subsystem, sized from the settings in force.
#include "driver/driver.h"
#include "eval/eval.h"
#include "search/search.h"

void LiberarTablasHash() { LiberarTablasBusqueda(); }

void AsignarTablasHash() {
  ReservarTablasBusqueda(Personalidad.TABLA_HASH);
  ReservarTablasEval(Personalidad.TABLA_HASH_PEONES, Personalidad.TamHashAtaques);
}
