// Time management: the start of every search, the two time budgets, the clock
// test of the input poll and the rules applied between iterations.
#include <algorithm>
#include <cstring>

#include "eval/eval.h"
#include "search/forma.h"
#include "search/search.h"

void LeerReloj() { Busqueda.TiempoTranscurrido = static_cast<uint32_t>(RelojMs() - Busqueda.TiempoInicio) * 0.001; }

void ActualizarReloj() {
  LeerReloj();
  Busqueda.Limites.TiempoRestante -= Busqueda.TiempoTranscurrido;
}

// Expected time: the remaining time shared among the moves left to the control
// (plus their increments) and two more; the hard limit seven times that. Both
// stay below one second less than the clock.
void CalcularTiempo() {
  const int i = std::max(Busqueda.Limites.Incremento, 0);
  int m = Busqueda.Limites.JugadasControl - (MediasJugadas + 2) / 2;
  if (m <= 0) m = i != 0 ? 15 : 30;
  const double r = std::max(Busqueda.Limites.TiempoRestante, 0.0);
  Busqueda.TiempoEsperado = (r + static_cast<double>(i) * m) / (m + 2);
  const double h = std::max(Busqueda.Limites.TiempoRestante - 1.0, 0.1);
  while (Busqueda.TiempoEsperado >= h) Busqueda.TiempoEsperado *= 0.5;
  if (Busqueda.TiempoEsperado <= 0) Busqueda.TiempoEsperado = 0.1;
  Busqueda.TiempoMaximo = 7.0 * Busqueda.TiempoEsperado;
  while (Busqueda.TiempoMaximo >= h) Busqueda.TiempoMaximo *= 0.5;
  if (Busqueda.TiempoMaximo <= 0) Busqueda.TiempoMaximo = 0.1;
  if (Busqueda.TiempoEsperado < 0.5 && i != 0) {
    Busqueda.TiempoEsperado = 0.5;
    Busqueda.TiempoMaximo = 0.7;
  }
  // A fixed time per move replaces both budgets: the move must be out before the
  // time is up, with room for the poll interval, the move's emission and a busy
  // machine (15% of the time, between 30 ms and half a second).
  if (Busqueda.Limites.TiempoFijo > 0) {
    const double margen = std::clamp(0.15 * Busqueda.Limites.TiempoFijo, 0.03, 0.5);
    Busqueda.TiempoEsperado = Busqueda.TiempoMaximo = std::max(Busqueda.Limites.TiempoFijo - margen, 0.01);
  }
}

void IniciarBusqueda() {
  AsegurarTablasHash();
  Busqueda.ContadorMejor = 50000000;
  Nodos = 0;
  Nulos = 0;
  Busqueda.PararBusqueda = 0;
  std::memset(&Busqueda.Contadores, 0, sizeof Busqueda.Contadores);
  Eval.ContadorEvalPeones = Eval.ContadorEvalHash = 0;
  Eval.ContadorAciertosAtq = Eval.ContadorComputacionesAtq = 0;
  Busqueda.TiempoInicio = RelojMs();
  Busqueda.TiempoTranscurrido = 0.0;
  std::memset(Busqueda.Asesinas, 0, sizeof Busqueda.Asesinas);
  PlyActual = 0;
  Busqueda.MaxPlyPV = 0;
  TopeJugadas = &PilaJugadas[0];
  Busqueda.EstampaRaiz = static_cast<uint32_t>(EstadoActual->MaterialTotal);
  CalcularTiempo();
  // The poll spacing follows the time this search may take.
  const double reloj = Busqueda.Limites.TiempoFijo > 0 ? std::min(Busqueda.Limites.TiempoRestante, Busqueda.Limites.TiempoFijo)
                                              : Busqueda.Limites.TiempoRestante;
  if (Pensando()) {
    Busqueda.IntervaloSondeo = 5000;
  } else if (reloj <= 10) {
    Busqueda.IntervaloSondeo = 1000;
  } else if (reloj <= 30) {
    Busqueda.IntervaloSondeo = 5000;
  } else if (reloj <= 600) {
    Busqueda.IntervaloSondeo = 20000;
  } else {
    Busqueda.IntervaloSondeo = 100000;
  }
  // A node limit is checked at the polls: often enough to stop close to it.
  if (Busqueda.Limites.NodosMaximos != 0) Busqueda.IntervaloSondeo = std::min<uint32_t>(Busqueda.IntervaloSondeo, 1000);
  Busqueda.ProximoSondeo = Busqueda.IntervaloSondeo;
}

// The clock test of the current phase: 1 (and PararBusqueda set) when the
// search must stop; Inestable and Cambio are prolonged past the expected time.
// Pondering and analysis run until input arrives.
int PruebaReloj() {
  LeerReloj();
  if (Pensando()) return Busqueda.PararBusqueda ? 1 : 0;
  const double e = Busqueda.TiempoTranscurrido;
  switch (Busqueda.Fase) {
    case FaseReloj::Normal:
      if (e >= Busqueda.TiempoEsperado) Busqueda.PararBusqueda = 1;
      break;
    case FaseReloj::Inestable:
    case FaseReloj::Cambio:
      if (e >= Busqueda.TiempoMaximo) {
        Busqueda.PararBusqueda = 1;
      } else if (e >= Busqueda.TiempoEsperado) {
        Busqueda.Fase = Busqueda.Fase == FaseReloj::Inestable ? FaseReloj::InestableProrrogada
                                            : FaseReloj::CambioProrrogada;
      }
      break;
    case FaseReloj::InestableProrrogada:
    case FaseReloj::CambioProrrogada:
      if (e >= Busqueda.TiempoMaximo) Busqueda.PararBusqueda = 1;
      break;
  }
  return Busqueda.PararBusqueda ? 1 : 0;
}

// The poll of the interior search, every IntervaloSondeo nodes: pending input
// stops the search (on a terminal the driver may handle the command itself and
// answer 0), then the clock test of the current mode.
int Sondear() {
  if (Busqueda.BusquedaDiagnostico) {
    if (Busqueda.LimiteDiagnostico > 0) {
      LeerReloj();
      if (Busqueda.TiempoTranscurrido >= Busqueda.LimiteDiagnostico) {
        Busqueda.PararBusqueda = 1;
        return 1;
      }
    }
    Busqueda.ProximoSondeo += Busqueda.IntervaloSondeo;
    return 0;
  }
  if (Busqueda.EntradaPendiente != nullptr && Busqueda.EntradaPendiente() != 0) {
    Busqueda.PararBusqueda = 1;
    return 1;
  }
  if (Busqueda.PararBusqueda) return 1;  // a command handled during the poll ("?")
  if (Busqueda.Limites.NodosMaximos != 0 && Nodos >= Busqueda.Limites.NodosMaximos) {
    Busqueda.PararBusqueda = 1;
    return 1;
  }
  if (PruebaReloj()) return 1;
  Busqueda.ProximoSondeo += Busqueda.IntervaloSondeo;
  return 0;
}

// After a completed iteration (outside pondering and analysis): 1 ends the
// search. The expected time buys more iterations only while the score holds;
// past it the search goes on only while the score has fallen by more than a
// margin that grows with the time spent.
int ReglasIteracion(int32_t previo) {
  const double e = Busqueda.TiempoTranscurrido, t = Busqueda.TiempoEsperado;
  const int32_t v = Busqueda.ValorRaiz(), a = Busqueda.ValorAnterior;
  if (e > Busqueda.TiempoMaximo) return 1;
  if (Busqueda.JugadaObvia != 0 && Busqueda.JugadaObvia == Busqueda.VariantePrincipal[0][0].Jugada && e > 0.1 * t) {
    if (FORMA_BUSQUEDA.LogBusqueda) Log("Cortando por jugada obvia...\n");
    return 1;
  }
  if (e > 0.5 * t && v > previo && v > a) {
    if (FORMA_BUSQUEDA.LogBusqueda) Log("Cortando porque todo parece ir bien\n");
    return 1;
  }
  if (e > (2.0 / 3.0) * t && v > previo - 15 && v > a - 15) {
    if (FORMA_BUSQUEDA.LogBusqueda) Log("Cortando para terminar iteracion\n");
    return 1;
  }
  const bool estable = v > a - 30 && v > previo - 30;
  if (e < t) {
    Busqueda.Fase = estable ? FaseReloj::Normal : FaseReloj::Inestable;
    return 0;
  }
  if (estable) return 1;
  const double x = 30.0 * e / t;
  if (v <= a - x || v <= previo - x) {
    Busqueda.Fase = FaseReloj::InestableProrrogada;
    return 0;
  }
  return 1;
}
