// Diagnostics routines: move counting, benchmarks, evaluation trace, test suites.
// None of these is reachable through the protocol; zelmor-diag runs them.
#pragma once

#include <cstdint>

#include <string>

// Joins argv[desde..] with blanks (a FEN arrives as several arguments); the
// initial position when there are none.
std::string UnirArgumentos(int argc, char** argv, int desde);

// Prepares tables and keys once per process (idempotent).
void PrepararDiagnostico();

// Leaf count of the legal move tree of the current position to `profundidad`,
// through GenerarJugadas and HacerJugada. With `atajo` the moves of the last ply
// are counted by ContarJugadasLegales instead of being made one by one.
uint64_t Perft(int profundidad, bool atajo = false);

// Subcommands of zelmor-diag; each returns the process exit status.
int ComandoPerft(int argc, char** argv);
int ComandoDivide(int argc, char** argv);

// Search diagnostics: tables of fixed size allocated once, quiet searches.
inline constexpr int BENCH_PROFUNDIDAD = 7;
void PrepararBusquedaDiagnostico();
// Fresh tables and per-game search state for the position just set up.
void PosicionDiagnostico();
// Tablebase probes and hits summed over a bench run.
struct ContadoresBench {
  uint64_t Intentos = 0, Aciertos = 0;
};
// Node total of the fixed-depth search of the built-in positions (with
// `finales` the built-in endings of three to six men instead).
uint64_t Bench(int profundidad, bool detalle, bool finales = false,
               ContadoresBench* contadores = nullptr);
int ComandoBench(int argc, char** argv);
// EPD suite: solved positions of FILE at a time or depth per position.
int ComandoSuite(int argc, char** argv);
// Evaluation trace of one position (terms in White's view, then the bare
// side-to-move value) and the evaluation speed over built-in positions.
int ComandoEval(int argc, char** argv);
int ComandoEvalBench(int argc, char** argv);
