// The earlier engine's quiescence search (only that build calls it).
#include "eval/eval.h"
#include "movegen/movegen.h"
#include "search/search.h"

// The earlier engine's quiescence search: a material-only stand-pat shortcut
// by its LAZY setting, optional check evasions, and captures in generation
// order, without tables, exchange values or delta pruning.
int32_t Quiescencia052(int32_t alfa, int32_t beta) {
  const EstadoPly* n = EstadoActual;
  const int32_t alfaEntrada = alfa;
  if (n->MaterialTotal <= 2 * Personalidad.VAL_CABALLO && MaterialInsuficiente(n)) return 0;
  if (PlyActual >= LIMITE_PLY) return EvaluarNodo();
  ++Contadores.QNodos;
  EntradaJugada* const topeEntrada = TopeJugadas;
  const uint32_t p = PlyActual;
  const bool evasiones = Personalidad.JAQUES_QSEARCH != 0 && n->EnJaque;
  int32_t mejor = SIN_VALOR;
  if (evasiones) {
    GenerarJugadas();
  } else {
    int32_t s;
    const int32_t lazy = Personalidad.LAZY;
    if (lazy != 0 && n->PiezasBlancas > 0 && n->PiezasNegras > 0) {
      const int32_t m = n->Turno == BLANCO ? n->Material : -n->Material;
      if (m - lazy > beta) return m - lazy;
      s = m + lazy < alfa ? m : EvaluarNodo();
    } else {
      s = EvaluarNodo();
    }
    if (s >= beta) return s;
    if (s > alfa) alfa = s;
    mejor = s;
    GenerarCapturas();
  }
  int legales = 0;
  while (TopeJugadas >= InicioLista[p]) {
    ElegirMejor();
    const Jugada j = TopeJugadas->Jugada;
    if (HacerJugada(j)) {
      ++legales;
      const int32_t v = -Quiescencia052(-beta, -alfa);
      DeshacerJugada();
      if (v > mejor) mejor = v;
      if (v > alfa) {
        alfa = v;
        if (v >= beta) break;
      }
    }
    --TopeJugadas;
  }
  TopeJugadas = topeEntrada;
  if (evasiones && legales == 0) mejor = static_cast<int32_t>(p) - VALOR_MATE;
  if (mejor > alfaEntrada && mejor < beta) ActualizarPV(p, 0);
  return mejor;
}
