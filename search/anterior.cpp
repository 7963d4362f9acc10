// The earlier build's own search procedures (only that build calls them): its
// quiescence search, aspiration window, null-move depth and futility margin
// from its settings, the thinking line's variation taken from the array as it
// stands, and its statistics block.
#include "eval/eval.h"
#include "movegen/movegen.h"
#include "search/forma.h"
#include "search/search.h"

// The earlier engine's quiescence search: a material-only stand-pat shortcut
// by its LAZY setting, optional check evasions, and captures in generation
// order, without tables, exchange values or delta pruning.
int32_t QuiescenciaAnterior(int32_t alfa, int32_t beta) {
  const EstadoPly* n = EstadoActual;
  const int32_t alfaEntrada = alfa;
  if (n->MaterialTotal <= 2 * Personalidad.VAL_CABALLO && MaterialInsuficiente(n)) return 0;
  if (PlyActual >= LIMITE_PLY) return EvaluarNodo();
  ++Busqueda.Contadores.QNodos;
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
      const int32_t v = -QuiescenciaAnterior(-beta, -alfa);
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

int32_t VentanaAnterior() { return Personalidad.VENT_ASP; }

int ProfNuloAnterior(int prof) {
  return prof > 7 ? prof - Personalidad.REDUCCION_NULL - 1 : prof - 3;
}

int32_t MargenFutilityAnterior() { return Personalidad.FUTILITY; }

// The array as it stands up to the iteration's depth, unchecked; an empty entry
// ends the line.
void VarianteAnterior(LineaPensamiento& l, int profundidad) {
  for (int i = 1; i < profundidad && i < FILAS_PV; ++i) {
    const Jugada j = Busqueda.VariantePrincipal[0][i].Jugada;
    if (j == 0) {
      l.Cortada = true;
      return;
    }
    l.Variante[l.Longitud++] = j;
  }
}

void EstadisticasAnterior() {
  const ContadoresBusqueda& c = Busqueda.Contadores;
  const double segundos = Busqueda.TiempoTranscurrido < 0.01 ? 0.01 : Busqueda.TiempoTranscurrido;
  const double nodos = Nodos == 0 ? 1.0 : Nodos;
  const double intentosFL = c.IntentosFL == 0 ? 1.0 : c.IntentosFL;
  const long llenado =
      MascaraHash == 0 ? 0 : static_cast<long>(uint64_t{c.HashOcupadas} * 50 / MascaraHash);
  Log("\nTiempo restante: %ld", static_cast<long>(Busqueda.Limites.TiempoRestante));
  Log("\nTotales: Visitados: %ld   QNodos: %ld\nNulos: %ld   Cortes Nulos: %ld",
      static_cast<long>(Nodos), static_cast<long>(c.QNodos), static_cast<long>(Nulos),
      static_cast<long>(c.CortesNulos));
  Log("\nHash exactos: %ld   UBounds: %ld   LBounds: %ld   Fallos: %ld",
      static_cast<long>(c.HashExactos), static_cast<long>(c.HashUBounds),
      static_cast<long>(c.HashLBounds), static_cast<long>(c.HashFallos));
  Log("\nHash grabaciones: %ld (%ld%%)  No grabaciones: %ld",
      static_cast<long>(c.HashGrabaciones), llenado, static_cast<long>(c.HashNoGrabaciones));
  Log("\nEval peones: %ld   Eval hash: %ld", static_cast<long>(Eval.ContadorEvalPeones),
      static_cast<long>(Eval.ContadorEvalHash));
  Log("\nIntentos FL en PV: %ld  Fallos FL en PV: %ld, (%ld%%)", static_cast<long>(c.IntentosFL),
      static_cast<long>(c.FallosFL),
      static_cast<long>(uint64_t{c.FallosFL} * 100 / static_cast<uint64_t>(intentosFL)));
  Log("\nExtensiones: Jaque: %ld  Recaptura: %ld  Null: %ld  Peon_7: %ld  Final: %ld",
      static_cast<long>(c.ExtJaque), static_cast<long>(c.ExtRecaptura),
      static_cast<long>(c.ExtNull), static_cast<long>(c.ExtPeon7), static_cast<long>(c.ExtFinal));
  Log("\nCortes Beta: %ld  Cortes Beta Primera: %ld  (%ld%%)  Podas Futility: %ld",
      static_cast<long>(c.CortesBeta), static_cast<long>(c.CortesBetaPrimera),
      c.CortesBeta == 0 ? 0L
                        : static_cast<long>(uint64_t{c.CortesBetaPrimera} * 100 / c.CortesBeta),
      static_cast<long>(c.PodasFut));
  Log("\nIntentos EGTB: %ld  Aciertos EGTB: %ld", static_cast<long>(c.IntentosEGTB),
      static_cast<long>(c.AciertosEGTB));
  Log("\nPor segundo: Visitados: %ld\n", static_cast<long>(nodos / segundos));
}
