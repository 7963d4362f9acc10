// The engine driver: start-up, the two command loops, move notation, output,
// the log file and the personality file.
#pragma once

#include <cstdint>
#include <cstdio>

#include "core/core.h"

// ---------------------------------------------------------------- constants

inline constexpr int MODO_PONDER = 5;
inline constexpr int MODO_ANALISIS = 6;

// ---------------------------------------------------------------- globals

extern int ColorMotor;          // side the engine plays: 1 white, 0 black, -1 none
extern int ModoMotor;           // 0 normal, 1-4 clock states, 5 ponder, 6 analysis
extern int PararBusqueda;       // 1 asks the running search to stop
extern int VersionProtocolo;
extern double TiempoRestante;   // own clock, seconds
extern int JugadasControl;      // moves per time control
extern int Incremento;          // seconds per move
extern int KibitzActivo;
extern FILE* FicheroLog;        // the run's log, unbuffered (null when it could not open)

// ---------------------------------------------------------------- functions

// Clears the driver's per-game state (called by NuevaPartida).
void NuevaPartidaDriver();

// Log: printf-style write to the log file (nothing when there is none).
void Log(const char* formato, ...) __attribute__((format(printf, 1, 2)));

// Platform layer.
unsigned HayEntrada();          // bytes of pending input (own buffer + pipe/terminal)
uint32_t RelojMs();             // monotonic milliseconds

// One command of the xboard loop; the search calls it re-entrantly on a terminal.
void BucleXboard();
