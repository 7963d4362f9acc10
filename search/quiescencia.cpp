// Quiescence search: captures (and the generator's chief promotions) below the
// nominal depth, with a material-only stand-pat estimate, delta rungs and
// captures ordered by their exchange value.
#include "eval/eval.h"
#include "movegen/movegen.h"
#include "search/forma.h"
#include "search/search.h"

namespace {

// Victim values of the delta test, by absolute piece code.
constexpr int32_t VALOR_VICTIMA[7] = {0, 100, 300, 300, 500, 950, 30000};

// Neither side can mate (the material bound first: it settles most nodes).
bool SinMaterialQ(const EstadoPly* n) { return n->MaterialTotal <= 600 && MaterialInsuficiente(n); }

}  // namespace

int32_t EvaluarNodo() { return Evaluar(); }

int32_t Quiescencia(int32_t alfa, int32_t beta) {
  if constexpr (FORMA_BUSQUEDA.Propios) return FORMA_BUSQUEDA.Quiescencia(alfa, beta);

  // Working values.
  int32_t mejor = SIN_VALOR;
  int32_t delta = 0;
  const int32_t alfaEntrada = alfa;
  const EstadoPly* n = EstadoActual;

  // Dead draws by material.
  if (SinMaterialQ(n)) return 0;

  // Ply limit.
  if (PlyActual >= LIMITE_PLY) return EvaluarNodo();

  // Both tables, no draft needed: an exact value or a bound that decides ends
  // the node; a lower bound that does not decide still raises the floor.
  const uint32_t slot = n->ClaveBaja & MascaraHash;
  EntradaHash* tablas[2] = {&Busqueda.TablaHashProf[slot], &Busqueda.TablaHashSiempre[slot]};
  bool coincide = false;
  const uint8_t* filtro = Busqueda.FiltroHash[slot].Marca;
  const uint8_t marca = MarcaFiltro(n->ClaveAlta);
  for (int t = 0; t < 2; ++t) {
    EntradaHash* const e = tablas[t];
    if (filtro[t] != marca || !EntradaCoincide(e)) continue;
    coincide = true;
    if (e->Banderas & HASH_EXACTO) {
      ++Busqueda.Contadores.HashExactos;
      return e->Valor;
    }
    if (e->Banderas & HASH_COTA_SUPERIOR) {
      if (e->Valor <= alfa) {
        ++Busqueda.Contadores.HashUBounds;
        return e->Valor;
      }
    } else if (e->Banderas & HASH_COTA_INFERIOR) {
      if (e->Valor >= beta) {
        ++Busqueda.Contadores.HashLBounds;
        return e->Valor;
      }
      if (e->Valor > mejor) mejor = e->Valor;
    }
  }
  if (!coincide) ++Busqueda.Contadores.HashFallos;
  if (mejor > alfa) alfa = mejor;

  // Our list starts above the parent's.
  EntradaJugada* const topeEntrada = TopeJugadas;

  // Stand pat. With pieces on both sides the material balance alone often
  // decides, and the evaluation is not needed.
  const bool blanco = n->Turno == BLANCO;
  int32_t s;
  if (n->PiezasBlancas > 1 && n->PiezasNegras > 1) {
    const int32_t m = blanco ? n->Material : -n->Material;
    if (m - MARGEN_LAZY > beta) return m - MARGEN_LAZY;
    if (m + MARGEN_LAZY > alfa || alfa == mejor) {
      s = EvaluarNodo();
    } else {
      s = m + MARGEN_LAZY;
      const bool damaRival = n->NumPiezas[blanco ? 9 : 8] != 0;
      const bool torreRival = n->NumPiezas[blanco ? 7 : 6] != 0;
      if (s < alfa - 500 && !damaRival) return s;
      if (s >= alfa - 500 && s < alfa - 300 && !damaRival && !torreRival) return s;
      delta = alfa - s;
    }
  } else {
    s = EvaluarNodo();
  }

  // The stand-pat value as a floor.
  if (s > alfa) {
    if (s >= beta) return s;
    alfa = s;
  }
  if (s > mejor) mejor = s;

  // Captures, valued by their exchange on the attack map.
  GenerarCapturas();
  const uint32_t p = PlyActual;
  if (TopeJugadas >= InicioLista[p]) {
    CalcularAtaques();
    for (EntradaJugada* e = InicioLista[p]; e <= TopeJugadas; ++e) {
      e->Valor = CambioCaptura(e->Jugada);
      // The captures worth trying: their children's table slots are asked for
      // now, so that the memory fetches overlap one another and this node's work.
      if (e->Valor >= 0) AnticiparHijo(e->Jugada);
    }
  }

  // Best exchange first; stop at the first losing one.
  while (TopeJugadas >= InicioLista[p]) {
    ElegirMejor();
    if (TopeJugadas->Valor < 0) break;
    const Jugada j = TopeJugadas->Jugada;
    if (VALOR_VICTIMA[Abs(Tablero[CasillaHasta(j)])] < delta) {
      --TopeJugadas;
      continue;
    }
    if (HacerJugada(j)) {
      ++Busqueda.Contadores.QNodos;
      const int32_t v = -Quiescencia(-beta, -alfa);
      DeshacerJugada();
      if (v > mejor) mejor = v;
      if (v > alfa) {
        if (v >= beta) break;
        delta += v - alfa;
        alfa = v;
      }
    }
    --TopeJugadas;
  }

  // Release the list, end the line here, store with draft 0 and no move.
  TopeJugadas = topeEntrada;
  if (mejor > alfaEntrada && mejor < beta) ActualizarPV(p, 0);
  GuardarHashProf(tablas[0], 0, alfaEntrada, beta, mejor, 0);
  GuardarHashSiempre(tablas[1], 0, alfaEntrada, beta, mejor, 0);
  return mejor;
}
