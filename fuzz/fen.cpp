// The FEN reader, as "setboard" and "position fen" use it. A refused text must
// leave the position as it was; an accepted one must be a position the engine
// can play from: consistent after set-up, through make and unmake of every
// move, through the evaluation and a short search.
#include <cstdlib>
#include <string>

#include "driver/driver.h"
#include "eval/eval.h"
#include "fuzz/arnes.h"
#include "movegen/movegen.h"
#include "search/search.h"

namespace {

// A position of its own before each text, so that "position kept" is checked
// against something other than the initial position.
constexpr const char* PREVIA = "r3k2r/pp1n1ppp/2p1bn2/q7/3P4/2N1BN2/PP3PPP/R2QKB1R w KQkq - 2 11";

void Comprobar(bool bien) {
  if (!bien) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  arnes::Preparar();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  arnes::ReiniciarMotor();
  Comprobar(PonerPosicion(PREVIA) == 0);
  const uint64_t clavePrevia = ClaveActual();
  const std::string texto(reinterpret_cast<const char*>(datos), n);
  if (PonerPosicion(texto.c_str()) != 0) {
    Comprobar(ClaveActual() == clavePrevia && EstadoActual == Historia && PosicionValida());
    return 0;
  }
  Comprobar(PosicionValida());
  // Every generated move through make and unmake, the position whole after each.
  GenerarJugadas();
  const uint64_t clave = ClaveActual();
  const uint32_t ply = PlyActual;
  for (const EntradaJugada* e = InicioLista[ply]; e < InicioLista[ply + 1]; ++e) {
    if (!HacerJugada(e->Jugada)) continue;
    Comprobar(PosicionValida());
    Evaluar();
    DeshacerJugada();
  }
  Comprobar(ClaveActual() == clave && PosicionValida());
  Evaluar();
  // A short search, bounded in depth and nodes, with no input to stop it.
  Busqueda.EntradaPendiente = nullptr;
  Busqueda.Limites.ProfundidadMaxima = 3;
  Busqueda.Limites.NodosMaximos = 3000;
  PensarSinJugar();
  Comprobar(ClaveActual() == clave && PosicionValida());
  return 0;
}
