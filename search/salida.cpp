// Thinking output: the thinking lines of each iteration and of fail-highs and
// fail-lows, the analysis status line, the kibitz line and the statistics block
// written to the log after each move.
#include <cstdio>

#include "eval/eval.h"
#include "movegen/movegen.h"
#include "search/search.h"

namespace {

const char* Nombre(int casilla) {
  return casilla >= 0 && casilla < 128 ? NombreCasilla[casilla] : "x";
}

long Centesimas() { return static_cast<long>(TiempoTranscurrido * 100.0); }

// Depth, score, time and nodes in front of a line: protocol form on standard
// output, readable form in the log.
void Cabecera(int prof, const char* finLog) {
  if constexpr (VERSION_052)
    std::printf("%ld %ld %ld %ld  ", static_cast<long>(prof), static_cast<long>(ValorRaiz),
                Centesimas(), static_cast<long>(Nodos));
  else
    std::printf("%ld %ld %ld %u  ", static_cast<long>(prof), static_cast<long>(ValorRaiz),
                Centesimas(), Nodos);
  Log("%ld\t%2.2f\t%2.2f\t%8u%s", static_cast<long>(prof), ValorRaiz / 100.0, TiempoTranscurrido,
      Nodos, finLog);
}

// After the variation the earlier build also shows its speed.
void Cola() {
  if constexpr (VERSION_052) {
    const double s = TiempoTranscurrido > 0 ? TiempoTranscurrido : 0.001;
    std::printf(" (%ld knps)", static_cast<long>(Nodos / (s * 1000.0)));
  }
  std::printf("\n");
  Log("\n");
}

// Move text on both outputs.
void JugadaEnAmbas(Jugada j, const char* antes, const char* despues) {
  char texto[8];
  TextoJugada(j, texto);
  std::printf("%s%s%s", antes, texto, despues);
  Log("%s%s%s", antes, texto, despues);
}

// The earlier engine's fail lines: squares only, then its mark.
void JugadaConMarca(Jugada j, const char* marca) {
  const char* d = NombreCasilla[CasillaDesde(j)];
  const char* h = NombreCasilla[CasillaHasta(j)];
  std::printf("%s%s%s", d, h, marca);
  Log("%s%s%s", d, h, marca);
}

double Porcentaje(double valor, double base) { return valor * 100.0 / base; }

void ImprimirEnAmbas(Jugada j, const char* separador) {
  char texto[8];
  TextoJugada(j, texto);
  std::printf("%s%s", texto, separador);
  Log("%s%s", texto, separador);
}

}  // namespace

void ImprimirLineaPensamiento(int prof) {
  Cabecera(prof, "  ");
  ImprimirVariante(prof);
  Cola();
}

void ImprimirLineaFijo(int prof) {
  const Jugada j = VariantePrincipal[0][0].Jugada;
  Cabecera(prof, "--");
  if (j != 0 && HacerJugada(j)) {
    ImprimirVariante(prof);
    DeshacerJugada();
  }
  Cola();
}

void ImprimirFallaAlta(int prof, Jugada j) {
  LeerReloj();
  if constexpr (VERSION_052) {
    Cabecera(prof, "  ");
    JugadaConMarca(j, "!\n");
    return;
  }
  std::printf("%ld %d %ld %u  ", static_cast<long>(prof), ValorRaiz, Centesimas(), Nodos);
  Log("%ld\t%2.2f\t%2.2f\t%8u  ", static_cast<long>(prof), ValorRaiz / 100.0, TiempoTranscurrido,
      Nodos);
  JugadaEnAmbas(j, "", "\n");
}

// Called with the root move made: the table's move for the position after it is
// the reply the engine expects.
void ImprimirFallaBaja(int prof, Jugada j) {
  LeerReloj();
  Cabecera(prof, "  ");
  if constexpr (VERSION_052) {
    JugadaConMarca(j, "?\n");
    return;
  }
  JugadaEnAmbas(j, "", "");
  const Jugada respuesta = JugadaHashActual();
  if (respuesta != 0) JugadaEnAmbas(respuesta, " ", "");
  std::printf("\n");
  Log("\n");
}

void ImprimirEstado(int prof, int restantes, Jugada j) {
  if constexpr (VERSION_052) return;
  std::printf("\nstat01: %u %u %d %u %u %s%s\n", static_cast<unsigned>(Centesimas()), Nodos, prof,
              static_cast<unsigned>(restantes), static_cast<unsigned>(NumRaiz),
              NombreCasilla[CasillaDesde(j)], NombreCasilla[CasillaHasta(j)]);
}

void ImprimirKibitz() {
  const Jugada j = VariantePrincipal[0][0].Jugada;
  const long prof = ProfundidadIteracion;
  if constexpr (VERSION_052)
    std::printf("\ntellall Depth:%ld  Ev:%2.2f  Time:%2.2f  Nodes:%ld  PV:", prof,
                ValorRaiz / 100.0, TiempoTranscurrido, static_cast<long>(Nodos));
  else
    std::printf("\ntellall Depth:%ld Ev:%2.2f Time:%2.2f Nodes:%ld PV:", prof, ValorRaiz / 100.0,
                TiempoTranscurrido, static_cast<long>(Nodos));
  if (j != 0 && HacerJugada(j)) {
    ImprimirVariante(ProfundidadIteracion);
    DeshacerJugada();
  }
  if constexpr (VERSION_052)
    std::printf("  * EGTB: %ld/%ld", static_cast<long>(Contadores.AciertosEGTB),
                static_cast<long>(Contadores.IntentosEGTB));
  else
    std::printf("\tEGTB: %ld/%ld", static_cast<long>(Contadores.AciertosEGTB),
                static_cast<long>(Contadores.IntentosEGTB));
  std::printf("\n");
}

// The statistics of the search just ended, after the move line.
void EstadisticasLog() {
  const ContadoresBusqueda& c = Contadores;
  const double segundos = TiempoTranscurrido < 0.01 ? 0.01 : TiempoTranscurrido;
  const double nodos = Nodos == 0 ? 1.0 : Nodos;
  const double nulos = Nulos == 0 ? 1.0 : Nulos;
  const double intentosFL = c.IntentosFL == 0 ? 1.0 : c.IntentosFL;
  const long llenado =
      MascaraHash == 0 ? 0 : static_cast<long>(uint64_t{c.HashOcupadas} * 50 / MascaraHash);
  if constexpr (VERSION_052) {
    Log("\nTiempo restante: %ld", static_cast<long>(Limites.TiempoRestante));
    Log("\nTotales: Visitados: %ld   QNodos: %ld\nNulos: %ld   Cortes Nulos: %ld",
        static_cast<long>(Nodos), static_cast<long>(c.QNodos), static_cast<long>(Nulos),
        static_cast<long>(c.CortesNulos));
    Log("\nHash exactos: %ld   UBounds: %ld   LBounds: %ld   Fallos: %ld",
        static_cast<long>(c.HashExactos), static_cast<long>(c.HashUBounds),
        static_cast<long>(c.HashLBounds), static_cast<long>(c.HashFallos));
    Log("\nHash grabaciones: %ld (%ld%%)  No grabaciones: %ld",
        static_cast<long>(c.HashGrabaciones), llenado, static_cast<long>(c.HashNoGrabaciones));
    Log("\nEval peones: %ld   Eval hash: %ld", static_cast<long>(ContadorEvalPeones),
        static_cast<long>(ContadorEvalHash));
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
    return;
  }
  Log("\nTiempo restante: %2.2f\n", Limites.TiempoRestante);
  Log("Total nodos: %u (%u por segundo)\n", Nodos, static_cast<uint32_t>(nodos / segundos));
  Log("QNodos: %u (%2.2f%% sobre total nodos)\n", c.QNodos, Porcentaje(c.QNodos, nodos));
  Log("Nulos: %u (%2.2f%% sobre total nodos)\n", Nulos, Porcentaje(Nulos, nodos));
  Log("Cortes nulos: %u (%2.2f%% sobre total nulos)\n", c.CortesNulos,
      Porcentaje(c.CortesNulos, nulos));
  Log("Hash exactos: %u   UBounds: %u   LBounds: %u   Fallos: %u\n", c.HashExactos, c.HashUBounds,
      c.HashLBounds, c.HashFallos);
  Log("Hash grabaciones: %u (%ld%%)  No grabaciones: %u\n", c.HashGrabaciones, llenado,
      c.HashNoGrabaciones);
  Log("Eval peones: %u   Eval hash: %u\n", ContadorEvalPeones, ContadorEvalHash);
  Log("Intentos FL en PV: %u  Fallos FL en PV: %u, (%2.2f%%)\n", c.IntentosFL, c.FallosFL,
      Porcentaje(c.FallosFL, intentosFL));
  Log("Extensiones jaque: %u (%2.2f%% sobre total nodos)\n", c.ExtJaque,
      Porcentaje(c.ExtJaque, nodos));
  Log("Extensiones recap: %u (%2.2f%% sobre total nodos)\n", c.ExtRecaptura,
      Porcentaje(c.ExtRecaptura, nodos));
  Log("Extensiones null: %u (%2.2f%% sobre total nodos)\n", c.ExtNull,
      Porcentaje(c.ExtNull, nodos));
  Log("Extensiones peon7: %u (%2.2f%% sobre total nodos)\n", c.ExtPeon7,
      Porcentaje(c.ExtPeon7, nodos));
  Log("Extensiones final: %u (%2.2f%% sobre total nodos)\n", c.ExtFinal,
      Porcentaje(c.ExtFinal, nodos));
  Log("Cortes Beta: %u (%2.2f%% sobre total nodos)\n", c.CortesBeta,
      Porcentaje(c.CortesBeta, nodos));
  Log("Cortes Beta Primera: %u  (%2.2f%% sobre cortes beta)\n", c.CortesBetaPrimera,
      c.CortesBeta == 0 ? 0.0 : Porcentaje(c.CortesBetaPrimera, c.CortesBeta));
  Log("Podas Futility: %u (%2.2f%% sobre total nodos)\n", c.PodasFut,
      Porcentaje(c.PodasFut, nodos));
  Log("Red FL: %u (%2.2f%% sobre total nodos) FallosRedFL: %u (%2.2f%%)\n", c.RedFL,
      Porcentaje(c.RedFL, nodos), c.FallosRedFL,
      c.RedFL == 0 ? 0.0 : Porcentaje(c.FallosRedFL, c.RedFL));
  Log("Intentos EGTB: %u  Aciertos EGTB: %u\n", c.IntentosEGTB, c.AciertosEGTB);
  const double atq = static_cast<double>(ContadorAciertosAtq) + ContadorComputacionesAtq;
  const double baseAtq = atq == 0 ? 1.0 : atq;
  Log("Aciertos Hash Atq: %u (%2.2f), Computaciones Hash Atq: %u (%2.2f)\n", ContadorAciertosAtq,
      Porcentaje(ContadorAciertosAtq, baseAtq), ContadorComputacionesAtq,
      Porcentaje(ContadorComputacionesAtq, baseAtq));
  Log("Podas static: %u  Podas ultimo ply: %u\n", c.PodasStatic, c.PodasUltimoPly);
}

void ImprimirVariante(int) {
  // 1. While pondering, the predicted move the line answers, in parentheses.
  if (Limites.Modo == ModoBusqueda::Ponder) {
    std::printf("(%s%s) ", Nombre(CasillaDesde(Limites.JugadaPonder)),
                Nombre(CasillaHasta(Limites.JugadaPonder)));
    Log("(%s%s) ", Nombre(CasillaDesde(Limites.JugadaPonder)),
        Nombre(CasillaHasta(Limites.JugadaPonder)));
  }
  // 2. The first move: the caller has made it already.
  ImprimirEnAmbas(VariantePrincipal[0][0].Jugada, " ");
  // 3. The rest, each checked and made so the next one can be checked.
  int hechas = 0;
  for (int i = 1; i < FILAS_PV; ++i) {
    Jugada j = VariantePrincipal[0][i].Jugada;
    if (j == 0 || EstadoActual - Historia >= MAX_HISTORIA - 1) break;
    if (!ValidarJugada(j) || !HacerJugada(j)) break;
    ++hechas;
    ImprimirEnAmbas(j, " ");
  }
  // 4. The board as the caller left it.
  while (hechas-- > 0) DeshacerJugada();
}
