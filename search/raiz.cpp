// Root search of one iteration: the first root move with an open window, the
// others with a zero window around the best value; fail-lows and fail-highs are
// re-searched with windows widened by a fixed schedule.
#include <cmath>
#include <cstring>

#include "search/forma.h"
#include "search/search.h"

namespace {

// Aspiration widening schedule; the seventh step opens the window fully.
constexpr int32_t ANCHO[6] = {16, 21, 31, 51, 101, 201};

bool Mostrar(int prof) {
  return !Busqueda.BusquedaDiagnostico && (prof > 4 || Busqueda.Limites.Modo == ModoBusqueda::Analisis);
}

// A root move takes row 0: value, move and the next best-move ordering value.
// A different move drops the old continuation, which belonged to another move.
void Registrar(EntradaJugada* e, int32_t v) {
  Busqueda.ValorRaiz() = v;
  if (Busqueda.VariantePrincipal[0][0].Jugada != e->Jugada) Busqueda.VariantePrincipal[0][1].Jugada = 0;
  Busqueda.VariantePrincipal[0][0].Jugada = e->Jugada;
  e->Valor = Busqueda.ContadorMejor++;
}

void CopiarFila1() {
  for (int i = 1; i < FILAS_PV; ++i)
    Busqueda.VariantePrincipal[0][i].Jugada = Busqueda.VariantePrincipal[1][i - 1].Jugada;
}

void NuevoMejor(EntradaJugada* e, int32_t v, int prof) {
  Registrar(e, v);
  CopiarFila1();
  LeerReloj();
  if (Mostrar(prof)) ImprimirLineaPensamiento(prof, v);
}

// The best move's score fell: the search may take up to the hard limit.
void FaseInestable() {
  if (Pensando()) return;
  if (Busqueda.Fase == FaseReloj::Normal || Busqueda.Fase == FaseReloj::Cambio) Busqueda.Fase = FaseReloj::Inestable;
  else if (Busqueda.Fase == FaseReloj::CambioProrrogada) Busqueda.Fase = FaseReloj::InestableProrrogada;
}

void LogVentana(const char* formato, int32_t v, int32_t a, int32_t b) {
  if (FORMA_BUSQUEDA.LogBusqueda) Log(formato, v, a, b);
}

// The first root move returned v for the window (alfa, beta).
void PrimeraJugada(EntradaJugada* e, int32_t v, int32_t alfa, int32_t beta, int prof) {
  const Jugada j = e->Jugada;
  if (v <= alfa) {
    // Fail low: widen the lower bound until the value lands inside.
    FaseInestable();
    Registrar(e, v);
    if (Mostrar(prof)) ImprimirFallaBaja(prof, j, v);
    int32_t cota = alfa;
    for (int k = 0; k <= 6 && v <= cota; ++k) {
      const int32_t a = k == 6 ? SIN_VALOR : std::max(v - ANCHO[k], SIN_VALOR);
      LogVentana("Fail low en la PV, con val = %d, intentando Alfa = %d, Beta = %d\n", v, a, beta);
      v = -BuscarPV(-beta, -a, prof - 1);
      if (Busqueda.PararBusqueda) return;
      if (v > a) {
        Registrar(e, v);
        if (Mostrar(prof)) ImprimirFallaBaja(prof, j, v);
      }
      cota = a;
    }
    // Inside the window now.
    if (v < beta) {
      NuevoMejor(e, v, prof);
      return;
    }
    // It came back above beta: treat it as a fail high.
    LogVentana(
        "Anomal\xED"
        "a en fl en la PV, con val = %d, intentando Alfa = %d, Beta = %d\n",
        v, alfa, beta);
  } else if (v < beta) {
    NuevoMejor(e, v, prof);
    return;
  }
  // Fail high: widen the upper bound.
  Registrar(e, v);
  if (Mostrar(prof)) ImprimirFallaAlta(prof, j, v);
  int32_t cota = beta;
  for (int k = 0; k <= 6 && v >= cota; ++k) {
    if (!Pensando()) {
      if (Busqueda.Fase == FaseReloj::Inestable || Busqueda.Fase == FaseReloj::Cambio) {
        Busqueda.Fase = FaseReloj::Normal;
      } else if (Busqueda.Fase == FaseReloj::CambioProrrogada) {
        Busqueda.PararBusqueda = 1;  // the new move is good enough: play it now
        return;
      }
    }
    const int32_t b = k == 6 ? INFINITO : std::min(v + ANCHO[k], INFINITO);
    LogVentana("Fail high en la PV, con val = %d, intentando Alfa = %d, Beta = %d\n", v, alfa, b);
    v = -BuscarPV(-b, -alfa, prof - 1);
    if (Busqueda.PararBusqueda) return;
    if (v >= b) {
      Registrar(e, v);
      if (Mostrar(prof)) ImprimirFallaAlta(prof, j, v);
    }
    cota = b;
  }
  // Resolved above alfa, or fell through the window: then search it openly.
  if (v > alfa) {
    NuevoMejor(e, v, prof);
    return;
  }
  FaseInestable();
  LogVentana(
      "Anomal\xED"
      "a en la PV, con val = %d, intentando Alfa = %d, Beta = %d\n",
      v, SIN_VALOR, INFINITO);
  v = -BuscarPV(SIN_VALOR, INFINITO, prof - 1);
  if (Busqueda.PararBusqueda) return;
  NuevoMejor(e, v, prof);
}

// A later root move beat the best value a on the zero window.
void FallaAltaPosterior(EntradaJugada* e, int32_t v, int32_t a, int prof) {
  // The best line so far, to put back if the move does not hold up.
  static EntradaJugada guardada[FILAS_PV];
  std::memcpy(guardada, Busqueda.VariantePrincipal[0], sizeof guardada);
  Busqueda.JugadaObvia = 0;
  int32_t b = a + 1;
  for (int k = 0; k <= 6 && v >= b; ++k) {
    if (!Pensando() && Busqueda.Fase == FaseReloj::Normal) Busqueda.Fase = FaseReloj::Cambio;
    const int32_t bb = k == 6 ? INFINITO : std::min(v + ANCHO[k], INFINITO);
    LogVentana("Fail high en NO PV, con val = %d, intentando Alfa = %d, Beta = %d\n", v, a, bb);
    v = -BuscarPV(-bb, -a, prof - 1);
    // An interrupted re-search proves nothing; what was recorded before it stays.
    if (Busqueda.PararBusqueda) return;
    if (v > a) {
      Registrar(e, v);
      if (v >= bb && Mostrar(prof)) ImprimirFallaAlta(prof, e->Jugada, v);
    }
    b = bb;
  }
  if (v > a) {
    CopiarFila1();
    Busqueda.ValorRaiz() = v;
    LeerReloj();
    if (Mostrar(prof)) ImprimirLineaPensamiento(prof, v);
    return;
  }
  FaseInestable();
  if (FORMA_BUSQUEDA.LogBusqueda)
    Log("Anomal\xED"
        "a en NO PV, con val = %d, eran: Alfa = %d, Beta = %d\n",
        v, a, b);
  std::memcpy(Busqueda.VariantePrincipal[0], guardada, sizeof guardada);
}

}  // namespace

void BuscarRaiz(int32_t alfa, int32_t beta, int prof) {
  // The root list runs from InicioLista[0] up to TopeJugadas.
  EstadoPly* const raiz = EstadoActual;
  EntradaJugada* const tope = TopeJugadas;
  int n = 0;
  if (!Busqueda.BusquedaDiagnostico) {
    InformarComienzoIteracion(prof);
    Log("\n * * *\n");
  }
  // Each root move from the top down.
  for (EntradaJugada* e = tope; e >= InicioLista[0]; --e) {
    const Jugada j = e->Jugada;
    if (!HacerJugada(j)) continue;
    EstadoActual->Extension = 0;
    if (!Busqueda.BusquedaDiagnostico) {
      if (Busqueda.TiempoTranscurrido > 3.0 || prof > 4) ImprimirEstado(prof, Busqueda.NumRaiz - n - 1, j);
      if (FORMA_BUSQUEDA.LogBusqueda)
        Log("Analizando %s%s (%u nodos)\n", NombreCasilla[CasillaDesde(j)],
            NombreCasilla[CasillaHasta(j)], Nodos);
    }
    ++n;
    if (n == 1) {
      const int32_t v = -BuscarPV(-beta, -alfa, prof - 1);
      if (!Busqueda.PararBusqueda) PrimeraJugada(e, v, alfa, beta, prof);
    } else {
      const int32_t a = Busqueda.ValorRaiz();
      const uint32_t nodosAntes = Nodos;
      const int32_t v = -BuscarVentanaCero(-(a + 1), prof - 1, 1);
      if (!Busqueda.PararBusqueda) {
        const double divisor = std::max(1.0, std::floor(std::pow(3.0, prof) + 1.0));
        const double orden = std::floor((Nodos - nodosAntes + 1.0) / divisor);
        e->Valor = orden >= Busqueda.ContadorMejor - 1 ? Busqueda.ContadorMejor - 1 : static_cast<int32_t>(orden);
        if (v > a) FallaAltaPosterior(e, v, a, prof);
      }
    }
    while (EstadoActual != raiz) DeshacerJugada();
    if (Busqueda.PararBusqueda) break;
  }
  // Back at the root with its list restored, note how many moves were searched.
  // With none the search stops with no move (mated or stalemated); with one
  // it stops too when the engine plays for itself, as there is nothing to choose.
  while (EstadoActual != raiz) DeshacerJugada();
  TopeJugadas = tope;
  Busqueda.NumRaiz = n;
  if (n == 0) {
    Busqueda.PararBusqueda = 1;
    Busqueda.VariantePrincipal[0][0].Jugada = 0;
    Busqueda.ValorRaiz() = raiz->EnJaque ? SIN_VALOR : 0;
  } else if (n == 1 && !Pensando()) {
    Busqueda.PararBusqueda = 1;
  }
}
