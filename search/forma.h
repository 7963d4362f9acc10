// The two builds search alike but for the choices of this record. Each build's
// record is here, side by side, and the search reads the one of the build being
// compiled: a procedure the record names replaces the shared one, and a switch
// turns a shared step on or off. The earlier build's own procedures are in
// anterior.cpp.
#pragma once

#include <cstdint>

#include "search/search.h"

struct FormaBusqueda {
  // Procedures that replace the shared ones, used when Propios is set (and
  // null when it is not).
  bool Propios;
  int32_t (*Quiescencia)(int32_t alfa, int32_t beta);
  // The variation of a thinking line after its first move.
  void (*Variante)(LineaPensamiento& linea, int profundidad);
  void (*Estadisticas)();  // the statistics block of the log after each move
  int32_t (*Ventana)();    // aspiration half-width around the last score
  int (*ProfNulo)(int prof);
  int32_t (*MargenFutility)();
  // Switches.
  bool NuloEnPV;                // null move in PV nodes too
  bool NuloSegunAjuste;         // a null reduction of 0 switches the null move off
  bool NuloConDosPiezas;        // null move only while both sides keep two pieces
  bool GuardaCorteNulo;         // a null-move cutoff is stored in the tables
  bool MultiCorte;              // multi-cut at expected cut nodes
  bool ExtensionesSegunAjuste;  // each extension switched by its setting
  bool LogBusqueda;             // window, root-move and time-cut lines in the log
};

// The earlier build's procedures.
int32_t QuiescenciaAnterior(int32_t alfa, int32_t beta);
void VarianteAnterior(LineaPensamiento& linea, int profundidad);
void EstadisticasAnterior();
int32_t VentanaAnterior();
int ProfNuloAnterior(int prof);
int32_t MargenFutilityAnterior();

inline constexpr FormaBusqueda FORMA_ACTUAL = {
    .Propios = false,
    .Quiescencia = nullptr,
    .Variante = nullptr,
    .Estadisticas = nullptr,
    .Ventana = nullptr,
    .ProfNulo = nullptr,
    .MargenFutility = nullptr,
    .NuloEnPV = true,
    .NuloSegunAjuste = false,
    .NuloConDosPiezas = false,
    .GuardaCorteNulo = true,
    .MultiCorte = true,
    .ExtensionesSegunAjuste = false,
    .LogBusqueda = true,
};
inline constexpr FormaBusqueda FORMA_ANTERIOR = {
    .Propios = true,
    .Quiescencia = QuiescenciaAnterior,
    .Variante = VarianteAnterior,
    .Estadisticas = EstadisticasAnterior,
    .Ventana = VentanaAnterior,
    .ProfNulo = ProfNuloAnterior,
    .MargenFutility = MargenFutilityAnterior,
    .NuloEnPV = false,
    .NuloSegunAjuste = true,
    .NuloConDosPiezas = true,
    .GuardaCorteNulo = false,
    .MultiCorte = false,
    .ExtensionesSegunAjuste = true,
    .LogBusqueda = false,
};
inline constexpr const FormaBusqueda& FORMA_BUSQUEDA = VERSION_052 ? FORMA_ANTERIOR : FORMA_ACTUAL;
