// The global position, the repetition tests and the debug self-check.
#include "core/core.h"

int32_t Tablero[120];
int32_t ListaPiezas[10][CAPACIDAD_LISTA];
uint64_t ConjuntoPiezas[10];
EstadoPly Historia[MAX_HISTORIA];
EstadoPly* EstadoActual = Historia;
EntradaJugada PilaJugadas[TAM_PILA_JUGADAS];
EntradaJugada* InicioLista[MAX_PLY + 2];
EntradaJugada* TopeJugadas = PilaJugadas;
uint32_t PlyActual;
int32_t MediasJugadas;
uint32_t Nodos;
uint32_t Nulos = 0;
uint32_t MascaraHash = 0;
uint32_t MascaraPeones = 0;

int PosicionValida() {
  const EstadoPly& e = *EstadoActual;
  if (e.InicioRepeticion > EstadoActual || e.InicioRepeticion < Historia) return 0;
  if (e.Turno > 1) return 0;

  // Board against counts, lists, kings and material.
  int cuenta[10] = {};
  int32_t material = 0, total = 0;
  int piezas[2] = {0, 0};
  int reyes[2] = {0, 0};
  for (int s = 0; s < 120; ++s) {
    const int p = Tablero[s];
    if (!EnTablero(s)) {
      if (p != VACIO) return 0;
      continue;
    }
    if (p == VACIO) continue;
    if (p < -REY || p > REY) return 0;
    const int tipo = Abs(p), lado = Color(p);
    if (tipo == REY) {
      ++reyes[lado];
      if (e.Rey[lado] != s) return 0;
      continue;
    }
    const int idx = IndiceLista(p);
    ++cuenta[idx];
    material += Signo(lado) * VALOR_PIEZA[tipo];
    total += VALOR_PIEZA[tipo];
    if (tipo != PEON) ++piezas[lado];
    bool enLista = false;
    for (int k = 0; k < e.NumPiezas[idx] && k < CAPACIDAD_LISTA; ++k)
      if (ListaPiezas[idx][k] == s) enLista = true;
    if (!enLista) return 0;
  }
  if (reyes[BLANCO] != 1 || reyes[NEGRO] != 1) return 0;
  for (int i = 0; i < 10; ++i) {
    if (cuenta[i] != e.NumPiezas[i]) return 0;
    uint64_t conjunto = 0;
    for (int k = 0; k < e.NumPiezas[i] && k < CAPACIDAD_LISTA; ++k)
      conjunto |= BitDe[ListaPiezas[i][k] & 127];
    if (conjunto != ConjuntoPiezas[i]) return 0;
  }
  if (material != e.Material || total != e.MaterialTotal) return 0;
  if (piezas[BLANCO] != e.PiezasBlancas || piezas[NEGRO] != e.PiezasNegras) return 0;

  // Keys from scratch, through the set-up's own computation on a copy.
  if (e.AlPaso != SIN_CASILLA && !EnTablero(e.AlPaso)) return 0;
  if (e.Enroques > 15) return 0;
  const EstadoPly copia = e;
  CalcularClaves();
  const bool clavesIguales =
      e.ClaveBaja == copia.ClaveBaja && e.ClaveAlta == copia.ClaveAlta &&
      e.ClavePeones == copia.ClavePeones && e.IndiceHash[0] == copia.IndiceHash[0] &&
      e.IndiceHash[1] == copia.IndiceHash[1] && e.IndicePeones == copia.IndicePeones;
  *EstadoActual = copia;
  if (!clavesIguales) return 0;

  if (e.EnJaque != Atacada(1 - e.Turno, e.Rey[e.Turno], EstadoActual)) return 0;
  if (e.Evasion != CasillasEvasion(EstadoActual)) return 0;
  return 1;
}
