// Thinking driver: iterative deepening with aspiration windows over the root
// list, the principal-variation table, the fixed-depth search and the
// analysis loop.
#include <algorithm>
#include <cstring>

#include "book/book.h"
#include "eval/eval.h"
#include "movegen/movegen.h"
#include "search/forma.h"
#include "search/search.h"

namespace {

constexpr int32_t VENTANA = 35;  // aspiration half-width around the last score
constexpr int PROFUNDIDAD_MAXIMA = 100;

int32_t Ventana() {
  if constexpr (FORMA_BUSQUEDA.Propios) return FORMA_BUSQUEDA.Ventana();
  return VENTANA;
}

// A stored line's move is replayed only when the position's own list has it.
bool JugadaPlausible(Jugada j) {
  const ListaJugadas lista;
  return lista.Buscar(j) == j;
}

// The first legal move of the root list, for a line that has none yet.
Jugada PrimeraLegal() {
  for (EntradaJugada* e = TopeJugadas; e >= InicioLista[0]; --e) {
    if (HacerJugada(e->Jugada)) {
      DeshacerJugada();
      return e->Jugada;
    }
  }
  return 0;
}

// Row 0 before the first iteration: the top legal root move, so that a search
// stopped at once still has a legal move to play.
void SembrarVariante(int32_t valor) {
  Busqueda.VariantePrincipal[0][0].Jugada = PrimeraLegal();
  Busqueda.VariantePrincipal[0][1].Jugada = 0;
  Busqueda.ValorRaiz() = Busqueda.VariantePrincipal[0][0].Jugada != 0 ? valor : (EstadoActual->EnJaque ? SIN_VALOR : 0);
}

// Cuts row 0 at its first move that is not legal where it stands, so that the
// move played and the reply pondered on are always legal. An empty line gets the
// first legal move.
void DepurarVariante() {
  EstadoPly* const raiz = EstadoActual;
  int i = 0;
  while (i < FILAS_PV - 1) {
    const Jugada j = Busqueda.VariantePrincipal[0][i].Jugada;
    if (j == 0 || !JugadaPlausible(j) || !HacerJugada(j)) break;
    ++i;
  }
  Busqueda.VariantePrincipal[0][i].Jugada = 0;
  while (EstadoActual != raiz) DeshacerJugada();
  if (i == 0) {
    const ListaJugadas lista;
    if (const Jugada j = lista.PrimeraLegal()) {
      Busqueda.VariantePrincipal[0][0].Jugada = j;
      Busqueda.VariantePrincipal[0][1].Jugada = 0;
    }
  }
}

// Tries every root move: illegal ones leave the list, legal ones are valued by
// a quiescence search.
void PuntuarRaiz() {
  EntradaJugada* e = InicioLista[0];
  while (e <= TopeJugadas) {
    if (!HacerJugada(e->Jugada)) {
      *e = *TopeJugadas--;
      continue;
    }
    e->Valor = -Quiescencia(SIN_VALOR, INFINITO);
    DeshacerJugada();
    ++e;
  }
  InicioLista[1] = TopeJugadas + 1;
}

// What the book hands the search for a position after a root move: a learned
// value, or the warning value of a move to avoid, as an exact entry.
void PlantarValorLibro(int32_t valor, int prof) {
  GuardarHashProf(&Busqueda.TablaHashProf[EstadoActual->ClaveBaja & MascaraHash], prof, -INFINITO, INFINITO,
                  valor, 0);
}

// The whole of one search of the current position (no emission).
void BuscarPosicion() {
  // Start the search from ply 0 and log its time budget.
  EstadoPly* const raiz = EstadoActual;
  PlyActual = 0;
  IniciarBusqueda();
  Log("\nTiempo esperado: %f\n", Busqueda.TiempoEsperado);
  Log("Tiempo extendido: %f\n", Busqueda.TiempoMaximo);

  // Generate the root moves.
  GenerarJugadas();
  int ultimaProf = 0;

  // The book, when the engine plays for itself, the search allows it, and its
  // last five moves were not all out of it.
  Jugada libro = 0;
  if (!Pensando() && !Busqueda.Limites.SinLibro && Busqueda.ContadorFueraLibro < 5) {
    const ConsultaLibro consulta =
        ConsultarLibro(Personalidad.SELECTIVIDAD_LIBRO, Personalidad.LIMITE_ACEPTACION,
                       Busqueda.TiempoEsperado, PlantarValorLibro);
    if (consulta.NumCandidatos > 0) InformarLibro(consulta);
    libro = consulta.Elegida;
    if (libro != 0) Busqueda.ValorRaiz() = consulta.Peso;
  }
  if (libro != 0) {
    Busqueda.ContadorFueraLibro = 0;
    Busqueda.VariantePrincipal[0][0].Jugada = libro;
    Busqueda.VariantePrincipal[0][1].Jugada = 0;
    if (Personalidad.APRENDER != 0 && Personalidad.AP_SEGUNDOS_MIN <= Busqueda.TiempoEsperado)
      AprenderJugadaLibro(libro, Busqueda.ValorRaiz());
  } else {
    // Root values from a quiescence search.
    Busqueda.JugadaObvia = 0;
    if (!Pensando()) {
      ++Busqueda.ContadorFueraLibro;
      PuntuarRaiz();
    }
    // No legal move at all.
    if (TopeJugadas < InicioLista[0]) {
      Busqueda.VariantePrincipal[0][0].Jugada = 0;
      Busqueda.ValorRaiz() = raiz->EnJaque ? SIN_VALOR : 0;
    } else {
      // Sort; a move far ahead of the rest that the table also names is obvious.
      OrdenarLista();
      EntradaJugada* const tope = TopeJugadas;
      if (tope > InicioLista[0] && tope->Valor >= (tope - 1)->Valor + 200 &&
          JugadaHashActual() == tope->Jugada)
        Busqueda.JugadaObvia = tope->Jugada;
      SembrarVariante(Pensando() ? 0 : tope->Valor);

      // Iterations, one ply deeper each, with a window around the last value.
      int32_t alfa = SIN_VALOR, beta = INFINITO, previo = 0;
      for (int d = 1; d <= PROFUNDIDAD_MAXIMA; ++d) {
        OrdenarLista();
        Busqueda.ProfundidadIteracion = d;
        BuscarRaiz(alfa, beta, d);
        ultimaProf = d;
        if (!Busqueda.PararBusqueda) InformarIteracionCompleta(d);
        if (Busqueda.ValorRaiz() == INFINITO) break;
        alfa = std::max(Busqueda.ValorRaiz() - Ventana(), SIN_VALOR);
        beta = std::min(Busqueda.ValorRaiz() + Ventana(), INFINITO);
        if (Busqueda.PararBusqueda) break;
        GuardarPV(d);
        LeerReloj();
        // A depth limit ("sd") ends the search after its iteration, analysis included.
        if (Busqueda.Limites.ProfundidadMaxima > 0 && d >= Busqueda.Limites.ProfundidadMaxima) break;
        if (Pensando() || Busqueda.BusquedaDiagnostico) continue;
        // With a fixed time per move only the clock test ends the search.
        if (Busqueda.Limites.TiempoFijo <= 0 && ReglasIteracion(previo)) break;
        previo = Busqueda.ValorRaiz();
      }

      // Learning.
      LeerReloj();
      if (!Pensando() && Busqueda.ContadorFueraLibro <= Personalidad.APRENDER &&
          Personalidad.AP_SEGUNDOS_MIN <= Busqueda.TiempoTranscurrido)
        AprenderBusqueda(Busqueda.VariantePrincipal[0][0].Jugada,
                         Busqueda.PararBusqueda ? ultimaProf - 1 : ultimaProf, Busqueda.ValorRaiz(),
                         static_cast<int>(Busqueda.TiempoTranscurrido));
    }
  }

  // The search must leave the position where it found it.
  if (EstadoActual != raiz) {
    Log("\nAtenci\xF3n: Posici\xF3n des-sincronizada tras b\xFAsqueda\n");
    while (EstadoActual > raiz) DeshacerJugada();
    EstadoActual = raiz;
  }
  PlyActual = 0;
}

// After the move: a mate score that does not improve on the last move's clears
// every table, so stale mate values cannot keep the engine from progressing.
void TrasEmitir() {
  if (Busqueda.ValorRaiz() > UMBRAL_MATE && Busqueda.ValorRaiz() <= Busqueda.ValorAnterior) {
    LimpiarTablasBusqueda();
    LimpiarTablasEval();
  }
  Busqueda.ValorAnterior = Busqueda.ValorRaiz();
}

}  // namespace

void ActualizarPV(uint32_t p, Jugada j) {
  EntradaJugada* fila = Busqueda.VariantePrincipal[p];
  fila[0].Jugada = j;
  if (p > Busqueda.MaxPlyPV) {
    Busqueda.MaxPlyPV = p;
    fila[1].Jugada = 0;
    return;
  }
  const EntradaJugada* siguiente = Busqueda.VariantePrincipal[p + 1];
  const uint32_t ultimo = std::min<uint32_t>(Busqueda.MaxPlyPV - p + 1, FILAS_PV - 1);
  for (uint32_t i = 1; i <= ultimo; ++i) fila[i].Jugada = siguiente[i - 1].Jugada;
}

// Walks row 0 (at most prof moves) storing each position of the line as exact,
// so the next iteration finds the hash move along the whole line; the line is
// cut to the moves that could be walked.
void GuardarPV(int prof) {
  EstadoPly* const raiz = EstadoActual;
  int32_t valor = Busqueda.ValorRaiz();
  int i = 0;
  const int limite = std::min(prof, FILAS_PV - 1);
  while (i < limite) {
    const Jugada j = Busqueda.VariantePrincipal[0][i].Jugada;
    if (j == 0 || !JugadaPlausible(j)) break;
    EntradaHash* e = &Busqueda.TablaHashProf[EstadoActual->ClaveBaja & MascaraHash];
    const int calado = prof - i;
    if (!(EntradaCoincide(e) && (e->Banderas & HASH_EXACTO) && e->Calado >= calado)) {
      const EstadoPly* n = EstadoActual;
      e->ClaveBaja = n->ClaveBaja;
      e->ClaveAlta = n->ClaveAlta;
      Busqueda.FiltroHash[n->ClaveBaja & MascaraHash].Marca[0] = MarcaFiltro(n->ClaveAlta);
      e->Banderas = static_cast<uint8_t>(n->Turno | HASH_EXACTO);
      e->Jugada = j;
      e->Valor = valor;
      e->Calado = static_cast<uint8_t>(calado);
      e->Estampa = static_cast<uint16_t>(n->MaterialTotal);
    }
    if (!HacerJugada(j)) break;
    ++i;
    valor = -valor;
  }
  if (i > 0) {
    Busqueda.VariantePrincipal[0][i].Jugada = 0;
    while (EstadoActual != raiz) DeshacerJugada();
  }
}

void IterarHastaProfundidad(int n) {
  PlyActual = 0;
  IniciarBusqueda();
  GenerarJugadas();
  SembrarVariante(0);
  int32_t alfa = SIN_VALOR, beta = INFINITO;
  n = std::min(n, PROFUNDIDAD_MAXIMA);
  for (int d = 1; d <= n; ++d) {
    OrdenarLista();
    Busqueda.ProfundidadIteracion = d;
    BuscarRaiz(alfa, beta, d);
    if (Busqueda.ValorRaiz() == INFINITO) break;
    alfa = std::max(Busqueda.ValorRaiz() - Ventana(), SIN_VALOR);
    beta = std::min(Busqueda.ValorRaiz() + Ventana(), INFINITO);
    LeerReloj();
    if (!Busqueda.BusquedaDiagnostico) ImprimirLineaFijo(d);
    // A single legal move, or input, ends the deepening.
    if (Busqueda.PararBusqueda) break;
  }
  PlyActual = 0;
}

void PensarProf(int profundidad) {
  IterarHastaProfundidad(profundidad);
  ActualizarReloj();
  DepurarVariante();
  EmitirJugada();
}

void PensarSinJugar() {
  BuscarPosicion();
  if (!Pensando()) ActualizarReloj();
  DepurarVariante();
  if (!Pensando()) TrasEmitir();
}

void Pensar() {
  BuscarPosicion();
  if (Pensando()) return;
  // Charge the time, report and play.
  ActualizarReloj();
  DepurarVariante();
  if (Busqueda.KibitzActivo) ImprimirKibitz();
  EmitirJugada();
  TrasEmitir();
}
