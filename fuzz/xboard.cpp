// One command stream through the xboard loop, as a front end would send it
// after "protover 2". Searches go two plies deep unless the input says "sd",
// and every search is held to a thousand nodes by the limit the harness sets
// (no xboard command changes it; a search with a node limit polls every
// thousand nodes); input waiting in the pipe stops a search at its first
// poll, as it does in a real session.
// The end of the input reaches LeerToken, whose quit hook unwinds to here.
#include <string>

#include "driver/driver.h"
#include "fuzz/arnes.h"
#include "search/search.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  arnes::Preparar();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  arnes::ReiniciarMotor();
  Busqueda.Limites.ProfundidadMaxima = 2;
  Busqueda.Limites.NodosMaximos = 1000;
  arnes::Entrada(std::string(reinterpret_cast<const char*>(datos), n));
  try {
    for (;;) BucleXboard();
  } catch (const arnes::FinEntrada&) {
  }
  // Whatever the commands were, the position left behind is whole.
  if (!PosicionValida()) __builtin_trap();
  return 0;
}
