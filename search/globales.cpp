// The search's process-wide state.
#include "search/search.h"

LimitesBusqueda Limites = {ModoBusqueda::Normal, SIN_RELOJ, 0, 0, 0.0, 0, 0, 0, 0};
FaseReloj Fase = FaseReloj::Normal;
int PararBusqueda = 0;
FuncionEntrada EntradaPendiente = nullptr;
const Informador* InformadorBusqueda = nullptr;
int KibitzActivo = 0;

EntradaHash* TablaHashProf = nullptr;
EntradaHash* TablaHashSiempre = nullptr;
MarcasSlot* FiltroHash = nullptr;
uint32_t EstampaRaiz = 0;

Jugada Asesinas[100][2];

EntradaJugada VariantePrincipal[FILAS_PV + 1][FILAS_PV];
uint32_t MaxPlyPV = 0;
int32_t ContadorMejor = 50000000;
Jugada JugadaObvia = 0;
int32_t ValorAnterior = 0;
int32_t NumRaiz = 10000;
int32_t ContadorFueraLibro = 0;
int ProfundidadIteracion = 0;

ContadoresBusqueda Contadores;

double TiempoEsperado = 0.0;
double TiempoMaximo = 0.0;
double TiempoTranscurrido = 0.0;
uint32_t TiempoInicio = 0;
uint32_t IntervaloSondeo = 100000;
uint32_t ProximoSondeo = 100000;

int BusquedaDiagnostico = 0;
double LimiteDiagnostico = 0.0;

void NuevaPosicionBusqueda() { Asesinas[0][0] = Asesinas[0][1] = 0; }

void NuevaPartidaBusqueda() {
  NuevaPosicionBusqueda();
  Limites.TiempoRestante = SIN_RELOJ;
  Limites.JugadasControl = 0;
  Limites.Incremento = 0;
  Limites.JugadaPonder = 0;
  KibitzActivo = 0;
  ValorRaiz = 0;
  VariantePrincipal[0][0].Jugada = 0;
  VariantePrincipal[0][1].Jugada = 0;
  ContadorFueraLibro = 0;
}
