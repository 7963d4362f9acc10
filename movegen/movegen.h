// Move generation and attack tests.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "core/core.h"

// ---------------------------------------------------------------- constants

// Ordering values by mover type (rows 1..6) and captured type (columns 0..6,
// 0 = no capture; the king column is never used by legal play).
inline constexpr int32_t ValorOrden[7][7] = {
    {0, 0, 0, 0, 0, 0, 0},
    {2300, 2300, 3300, 3400, 3500, 4000, 0},  // pawn (column 0: en passant)
    {600, 1900, 2400, 2800, 3200, 3800, 0},   // knight
    {500, 1800, 2200, 2500, 3100, 3700, 0},   // bishop
    {200, 1700, 2000, 2100, 2600, 3600, 0},   // rook
    {300, 1300, 1400, 1500, 1600, 2700, 0},   // queen
    {100, 800, 900, 1000, 1100, 1200, 0},     // king
};
inline constexpr int32_t VALOR_PASO_PEON = 400;
inline constexpr int32_t VALOR_ENROQUE = 201;
// Promotion values by type (knight, bishop, rook, queen), quiet and capturing.
inline constexpr int32_t VALOR_PROMOCION[6] = {0, 0, 3400, 3300, 3500, 3900};
inline constexpr int32_t VALOR_PROMOCION_CAPTURA[6] = {0, 0, 3450, 3350, 3550, 3950};

inline constexpr int DESPLAZAMIENTOS_CABALLO[8] = {-33, -31, -18, 14, -14, 18, 31, 33};
inline constexpr int DESPLAZAMIENTOS_REY[8] = {-16, -17, -1, 15, 16, 17, 1, -15};

// ---------------------------------------------------------------- functions

// Append the pseudo-legal moves (or captures and the chief promotions) of the side
// to move for ply PlyActual; set InicioLista[PlyActual] and InicioLista[PlyActual+1].
void GenerarJugadas();
void GenerarCapturas();

// Appends one entry above TopeJugadas.
inline void AnotarJugada(int desde, int hasta, int32_t valor, int promocion) {
  ++TopeJugadas;
  TopeJugadas->Jugada = CrearJugada(desde, hasta, promocion);
  TopeJugadas->Valor = valor;
}

// 1 when `lado` attacks `casilla`. Atacada reads the piece lists (consistent
// position); AtacadaTrasMover reads only the board and takes counts and the king
// square from `estado`, so it works while make has the board half changed.
int Atacada(int lado, int casilla, const EstadoPly* estado);
int AtacadaTrasMover(int lado, int casilla, const EstadoPly* estado);

// 1 when the square the king crosses for this castling (an ENROQUE_* bit) is safe.
// `estado` is the record of the position before the castling move.
int EnroqueSeguro(int enroque, const EstadoPly* estado);
