// What the search tells: the records of the thinking lines of each iteration
// and of fail-highs and fail-lows, the analysis status line and the kibitz
// line, handed to the Informador; and the statistics block the log gets after
// each move.

#include "eval/eval.h"
#include "movegen/movegen.h"
#include "search/forma.h"
#include "search/search.h"

namespace {

// Hands a record to the Informador's entry for it, when there is one.
template <typename F, typename... A>
void Informar(F Informador::* entrada, const A&... a) {
  if (Busqueda.InformadorBusqueda != nullptr && Busqueda.InformadorBusqueda->*entrada != nullptr)
    (Busqueda.InformadorBusqueda->*entrada)(a...);
}

// A line's record with the search's figures as they stand.
LineaPensamiento Linea(ClaseLinea clase, int prof, int32_t valor) {
  LineaPensamiento l;
  l.Clase = clase;
  l.Profundidad = prof;
  l.Valor = valor;
  l.Segundos = Busqueda.TiempoTranscurrido;
  l.Nodos = Nodos;
  l.Ponder = 0;
  l.Longitud = 0;
  l.Cortada = false;
  l.AciertosEGTB = Busqueda.Contadores.AciertosEGTB;
  l.IntentosEGTB = Busqueda.Contadores.IntentosEGTB;
  return l;
}

void Anadir(LineaPensamiento& l, Jugada j) { l.Variante[l.Longitud++] = j; }

double Porcentaje(double valor, double base) { return valor * 100.0 / base; }

}  // namespace

void ImprimirLineaPensamiento(int prof, int32_t valor) {
  LineaPensamiento l = Linea(ClaseLinea::Iteracion, prof, valor);
  LlenarVariante(l, prof);
  Informar(&Informador::Linea, l);
}

void ImprimirLineaFijo(int prof) {
  const Jugada j = Busqueda.VariantePrincipal[0][0].Jugada;
  LineaPensamiento l = Linea(ClaseLinea::Fijo, prof, Busqueda.ValorRaiz());
  if (j != 0 && HacerJugada(j)) {
    LlenarVariante(l, prof);
    DeshacerJugada();
  }
  Informar(&Informador::Linea, l);
}

void ImprimirFallaAlta(int prof, Jugada j, int32_t valor) {
  LeerReloj();
  LineaPensamiento l = Linea(ClaseLinea::FallaAlta, prof, valor);
  Anadir(l, j);
  Informar(&Informador::Linea, l);
}

// Called with the root move made: the table's move for the position after it is
// the reply the engine expects.
void ImprimirFallaBaja(int prof, Jugada j, int32_t valor) {
  LeerReloj();
  LineaPensamiento l = Linea(ClaseLinea::FallaBaja, prof, valor);
  Anadir(l, j);
  if (const Jugada respuesta = JugadaHashActual(); respuesta != 0) Anadir(l, respuesta);
  Informar(&Informador::Linea, l);
}

void ImprimirEstado(int prof, int restantes, Jugada j) {
  const LineaEstado e = {Busqueda.TiempoTranscurrido, Nodos, prof, restantes, Busqueda.NumRaiz, j};
  Informar(&Informador::Estado, e);
}

void ImprimirKibitz() {
  const Jugada j = Busqueda.VariantePrincipal[0][0].Jugada;
  LineaPensamiento l = Linea(ClaseLinea::Kibitz, Busqueda.ProfundidadIteracion, Busqueda.ValorRaiz());
  if (j != 0 && HacerJugada(j)) {
    LlenarVariante(l, Busqueda.ProfundidadIteracion);
    DeshacerJugada();
  }
  Informar(&Informador::Linea, l);
}

void InformarComienzoIteracion(int prof) { Informar(&Informador::ComienzoIteracion, prof); }
void InformarIteracionCompleta(int prof) { Informar(&Informador::IteracionCompleta, prof); }
void InformarLibro(const ConsultaLibro& c) { Informar(&Informador::Libro, c); }
void InformarJugada(Jugada j) { Informar(&Informador::JugadaDecidida, j); }
void InformarFinal(Resultado r, bool trasJugada) { Informar(&Informador::Final, r, trasJugada); }

// The statistics of the search just ended, after the move line.
void EstadisticasLog() {
  const ContadoresBusqueda& c = Busqueda.Contadores;
  const double segundos = Busqueda.TiempoTranscurrido < 0.01 ? 0.01 : Busqueda.TiempoTranscurrido;
  const double nodos = Nodos == 0 ? 1.0 : Nodos;
  const double nulos = Nulos == 0 ? 1.0 : Nulos;
  const double intentosFL = c.IntentosFL == 0 ? 1.0 : c.IntentosFL;
  const long llenado =
      MascaraHash == 0 ? 0 : static_cast<long>(uint64_t{c.HashOcupadas} * 50 / MascaraHash);
  if constexpr (FORMA_BUSQUEDA.Propios) return FORMA_BUSQUEDA.Estadisticas();
  Log("\nTiempo restante: %2.2f\n", Busqueda.Limites.TiempoRestante);
  Log("Total nodos: %u (%u por segundo)\n", Nodos, static_cast<uint32_t>(nodos / segundos));
  Log("QNodos: %u (%2.2f%% sobre total nodos)\n", c.QNodos, Porcentaje(c.QNodos, nodos));
  Log("Nulos: %u (%2.2f%% sobre total nodos)\n", Nulos, Porcentaje(Nulos, nodos));
  Log("Cortes nulos: %u (%2.2f%% sobre total nulos)\n", c.CortesNulos,
      Porcentaje(c.CortesNulos, nulos));
  Log("Hash exactos: %u   UBounds: %u   LBounds: %u   Fallos: %u\n", c.HashExactos, c.HashUBounds,
      c.HashLBounds, c.HashFallos);
  Log("Hash grabaciones: %u (%ld%%)  No grabaciones: %u\n", c.HashGrabaciones, llenado,
      c.HashNoGrabaciones);
  Log("Eval peones: %u   Eval hash: %u\n", Eval.ContadorEvalPeones, Eval.ContadorEvalHash);
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
  const double atq = static_cast<double>(Eval.ContadorAciertosAtq) + Eval.ContadorComputacionesAtq;
  const double baseAtq = atq == 0 ? 1.0 : atq;
  Log("Aciertos Hash Atq: %u (%2.2f), Computaciones Hash Atq: %u (%2.2f)\n", Eval.ContadorAciertosAtq,
      Porcentaje(Eval.ContadorAciertosAtq, baseAtq), Eval.ContadorComputacionesAtq,
      Porcentaje(Eval.ContadorComputacionesAtq, baseAtq));
  Log("Podas static: %u  Podas ultimo ply: %u\n", c.PodasStatic, c.PodasUltimoPly);
}

void LlenarVariante(LineaPensamiento& l, int profundidad) {
  if (Busqueda.Limites.Modo == ModoBusqueda::Ponder) l.Ponder = Busqueda.Limites.JugadaPonder;
  // The first move: the caller has made it already.
  Anadir(l, Busqueda.VariantePrincipal[0][0].Jugada);
  if constexpr (FORMA_BUSQUEDA.Propios) return FORMA_BUSQUEDA.Variante(l, profundidad);
  // The rest, each checked and made so the next one can be checked, then the
  // board as the caller left it.
  int hechas = 0;
  for (int i = 1; i < FILAS_PV; ++i) {
    Jugada j = Busqueda.VariantePrincipal[0][i].Jugada;
    if (j == 0 || EstadoActual - Historia >= MAX_HISTORIA - 1) break;
    if (!ValidarJugada(j) || !HacerJugada(j)) break;
    ++hechas;
    Anadir(l, j);
  }
  while (hechas-- > 0) DeshacerJugada();
}
