// Diagnostics routines: move counting, benchmarks, evaluation trace, test suites.
// None of these is reachable through the protocol; zelmor-diag runs them.
#pragma once

#include <cstdint>

// Prepares tables and keys once per process (idempotent).
void PrepararDiagnostico();

// Leaf count of the legal move tree of the current position to `profundidad`,
// through GenerarJugadas and HacerJugada.
uint64_t Perft(int profundidad);

// Subcommands of zelmor-diag; each returns the process exit status.
int ComandoPerft(int argc, char** argv);
int ComandoDivide(int argc, char** argv);
