// What the fuzz targets share: the engine prepared once per process, its
// state put back before every input, standard output silenced and an input
// handed to the command loops on descriptor 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace arnes {

// Thrown by the quit hook: the loops end at the end of their input (or at
// "quit") by unwinding back to the target instead of leaving the process.
struct FinEntrada {};

// Once per process: descriptor 1 to /dev/null, tables and keys, small hash
// tables, no book or tablebase files, the log to /dev/null, the quit hook.
void Preparar();

// Before each input: the settings and hash tables of Preparar, empty books, no
// tablebases, the search limits of start-up, a new game, the driver's globals
// as start-up leaves them, and protocol version 2.
void ReiniciarMotor();

// Hands `texto` to the engine's input: a pipe holding it, its write end
// closed, becomes descriptor 0, and the input buffer forgets what it held.
// Longer texts are cut to what a pipe takes without a reader.
void Entrada(const std::string& texto);

// A scratch directory of this process, created on first use.
const std::string& DirectorioTrabajo();
// Writes `n` bytes into `ruta`; false when it cannot.
bool EscribirFichero(const std::string& ruta, const uint8_t* datos, size_t n);

}  // namespace arnes
