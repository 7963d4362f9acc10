// Time budgets, the clock test of each mode and the rules between iterations.
#include <gtest/gtest.h>

#include "core/core.h"
#include "diag/diag.h"
#include "driver/driver.h"
#include "eval/eval.h"
#include "search/search.h"

namespace {

struct Reloj {
  double restante;
  int control;
  int incremento;
  int medias;
};

void Calcular(const Reloj& r) {
  PrepararDiagnostico();
  Busqueda.Limites.TiempoRestante = r.restante;
  Busqueda.Limites.JugadasControl = r.control;
  Busqueda.Limites.Incremento = r.incremento;
  MediasJugadas = r.medias;
  CalcularTiempo();
}

}  // namespace

TEST(CalcularTiempo, WorkedExamples) {
  // 40 moves in 5 minutes at move 1: 39 moves left.
  Calcular({300.0, 40, 0, 0});
  EXPECT_NEAR(Busqueda.TiempoEsperado, 300.0 / 41, 1e-9);
  EXPECT_NEAR(Busqueda.TiempoMaximo, 7 * 300.0 / 41, 1e-9);
  // Sudden death, 60 s, no increment: 30 moves assumed.
  Calcular({60.0, 0, 0, 10});
  EXPECT_NEAR(Busqueda.TiempoEsperado, 1.875, 1e-9);
  EXPECT_NEAR(Busqueda.TiempoMaximo, 13.125, 1e-9);
  // Sudden death with 2 s increment and 10 s left: 15 moves; the hard limit is
  // halved below 9 s.
  Calcular({10.0, 0, 2, 30});
  EXPECT_NEAR(Busqueda.TiempoEsperado, 40.0 / 17, 1e-9);
  EXPECT_NEAR(Busqueda.TiempoMaximo, 7 * 40.0 / 17 / 2, 1e-9);
  // 1.2 s left, no increment: ceiling 0.2 s.
  Calcular({1.2, 0, 0, 30});
  EXPECT_NEAR(Busqueda.TiempoEsperado, 0.0375, 1e-9);
  EXPECT_NEAR(Busqueda.TiempoMaximo, 0.13125, 1e-9);
}

TEST(CalcularTiempo, ExhaustedClockKeepsPositiveBudgets) {
  Calcular({-5.0, 0, 0, 30});
  EXPECT_GT(Busqueda.TiempoEsperado, 0);
  EXPECT_GT(Busqueda.TiempoMaximo, 0);
  EXPECT_LE(Busqueda.TiempoMaximo, 0.1);
  // Increment alone: half a second expected, 0.7 at most.
  Calcular({0.3, 0, 3, 30});
  EXPECT_DOUBLE_EQ(Busqueda.TiempoEsperado, 0.5);
  EXPECT_DOUBLE_EQ(Busqueda.TiempoMaximo, 0.7);
  // The control already passed (m <= 0) counts as 30 moves.
  Calcular({60.0, 40, 0, 120});
  EXPECT_NEAR(Busqueda.TiempoEsperado, 1.875, 1e-9);
}

TEST(CalcularTiempo, BudgetsStayBelowTheClock) {
  for (double r : {0.5, 1.0, 2.0, 5.0, 30.0, 300.0, 5000.0}) {
    for (int inc : {0, 1, 5}) {
      Calcular({r, 40, inc, 70});
      EXPECT_LT(Busqueda.TiempoEsperado, std::max(r - 1.0, 0.1) + 1e-9 + (inc ? 0.5 : 0)) << r << " " << inc;
      EXPECT_LT(Busqueda.TiempoMaximo, std::max(r - 1.0, 0.1) + 1e-9 + (inc ? 0.7 : 0));
    }
  }
}

TEST(IniciarBusqueda, PollIntervalFollowsClockAndMode) {
  PrepararDiagnostico();
  Busqueda.BusquedaDiagnostico = 0;
  struct Caso {
    ModoBusqueda modo;
    double restante;
    uint32_t intervalo;
  };
  constexpr ModoBusqueda N = ModoBusqueda::Normal;
  for (const Caso c :
       {Caso{N, 10, 1000}, Caso{N, 10.5, 5000}, Caso{N, 30, 5000}, Caso{N, 31, 20000},
        Caso{N, 600, 20000}, Caso{N, 601, 100000}, Caso{ModoBusqueda::Ponder, 5, 5000},
        Caso{ModoBusqueda::Analisis, 5000, 5000}}) {
    Busqueda.Limites.Modo = c.modo;
    Busqueda.Limites.TiempoRestante = c.restante;
    IniciarBusqueda();
    EXPECT_EQ(Busqueda.IntervaloSondeo, c.intervalo) << c.restante;
    EXPECT_EQ(Busqueda.ProximoSondeo, c.intervalo);
    EXPECT_EQ(Busqueda.PararBusqueda, 0);
    EXPECT_EQ(Nodos, 0u);
  }
  Busqueda.Limites.Modo = ModoBusqueda::Normal;
  Busqueda.Limites.TiempoRestante = SIN_RELOJ;
}

TEST(RelojBusqueda, ClockTestByMode) {
  PrepararDiagnostico();
  Busqueda.TiempoEsperado = 1.0;
  Busqueda.TiempoMaximo = 5.0;
  // Phases by number: 0 normal, 1 unstable, 2 unstable past the expected time,
  // 3 a new move failed high, 4 that past the expected time.
  struct Caso {
    ModoBusqueda modo;
    int fase;
    uint32_t ms;
    int para;
    int faseDespues;
  };
  constexpr ModoBusqueda N = ModoBusqueda::Normal;
  for (const Caso c :
       {Caso{N, 0, 500, 0, 0}, Caso{N, 0, 1200, 1, 0}, Caso{N, 1, 1200, 0, 2},
        Caso{N, 1, 5200, 1, 1}, Caso{N, 2, 4000, 0, 2}, Caso{N, 2, 5200, 1, 2},
        Caso{N, 3, 1200, 0, 4}, Caso{N, 4, 5200, 1, 4}, Caso{ModoBusqueda::Ponder, 0, 99000, 0, 0},
        Caso{ModoBusqueda::Analisis, 1, 99000, 0, 1}}) {
    Busqueda.Limites.Modo = c.modo;
    Busqueda.Fase = static_cast<FaseReloj>(c.fase);
    Busqueda.PararBusqueda = 0;
    Busqueda.TiempoInicio = RelojMs() - c.ms;
    EXPECT_EQ(PruebaReloj(), c.para) << c.fase << " " << c.ms;
    EXPECT_EQ(static_cast<int>(Busqueda.Fase), c.faseDespues) << c.fase << " " << c.ms;
  }
  Busqueda.Limites.Modo = ModoBusqueda::Normal;
  Busqueda.Fase = FaseReloj::Normal;
  Busqueda.PararBusqueda = 0;
}

TEST(ReglasIteracion, EndOrContinue) {
  PrepararDiagnostico();
  Busqueda.TiempoEsperado = 1.0;
  Busqueda.TiempoMaximo = 7.0;
  Busqueda.JugadaObvia = 0;
  Busqueda.VariantePrincipal[0][0].Jugada = CrearJugada(E1, E1 - 16);
  auto caso = [](double e, int32_t v, int32_t previo, int32_t anterior) {
    Busqueda.TiempoTranscurrido = e;
    Busqueda.ValorRaiz() = v;
    Busqueda.ValorAnterior = anterior;
    Busqueda.Fase = FaseReloj::Normal;
    return ReglasIteracion(previo);
  };
  EXPECT_EQ(caso(7.5, 0, 0, 0), 1);     // past the hard limit
  EXPECT_EQ(caso(0.6, 20, 10, 10), 1);  // everything improving
  EXPECT_EQ(caso(0.7, 0, 10, 10), 1);   // near enough to finish
  EXPECT_EQ(caso(0.3, 0, 10, 10), 0);   // early and stable: mode 0
  EXPECT_EQ(Busqueda.Fase, FaseReloj::Normal);
  EXPECT_EQ(caso(0.3, -40, 0, 0), 0);  // early and falling: unstable
  EXPECT_EQ(Busqueda.Fase, FaseReloj::Inestable);
  EXPECT_EQ(caso(1.5, -10, 0, 0), 1);  // late but stable
  EXPECT_EQ(caso(1.5, -50, 0, 0), 0);  // late, fell by more than 45
  EXPECT_EQ(Busqueda.Fase, FaseReloj::InestableProrrogada);
  EXPECT_EQ(caso(2.0, -50, 0, 0), 1);  // margin grew to 60
  Busqueda.JugadaObvia = Busqueda.VariantePrincipal[0][0].Jugada;
  EXPECT_EQ(caso(0.2, -40, 0, 0), 1);  // obvious move
  Busqueda.JugadaObvia = 0;
  Busqueda.Fase = FaseReloj::Normal;
  Busqueda.ValorRaiz() = 0;
  Busqueda.ValorAnterior = 0;
}
