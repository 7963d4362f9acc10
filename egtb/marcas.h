// The mark the generator leaves beside the tables it writes: one small text
// file per directory listing each table file's name, length, a checksum of
// the whole file and a checksum of its ends. The engine registers a table file
// only when the directory's mark lists it with the length and ends it has, so
// that a file of another program's layout that merely has the right length is
// never read as one of ours.
//
// The whole-file checksum is not checked at registration: the sum alone runs
// at a few hundred megabytes a second (about 0.37 GB/s measured on the shared
// build machine, before any disk read), and a full set of five-man tables runs
// to gigabytes, so a GUI would wait seconds to minutes for the engine. The
// ends (the first and last 8 KiB) tell a foreign or replaced file apart for
// the price of two short reads; `zelmor-tb verificar` checks the whole sum.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

inline constexpr char NOMBRE_MARCAS[] = "zelmor-tb.marcas";
inline constexpr char CABECERA_MARCAS[] = "zelmor-tb marks 1";
inline constexpr uint64_t EXTREMO_MARCA = 8192;        // bytes of each end in the short sum
inline constexpr uint64_t MAX_FICHERO_MARCAS = 1 << 20;  // a longer mark file is not ours
inline constexpr size_t MAX_NOMBRE_MARCA = 63;

struct MarcaTabla {
  std::string Nombre;  // the file's name inside the directory, no path
  uint64_t Longitud = 0;
  uint64_t Suma = 0;     // FNV-1a 64 of the whole file
  uint64_t Extremos = 0; // FNV-1a 64 of the first and last EXTREMO_MARCA bytes
};

inline constexpr uint64_t FNV_INICIAL = 0xcbf29ce484222325ull;
inline uint64_t Fnv1a64(const uint8_t* datos, uint64_t n, uint64_t h = FNV_INICIAL) {
  for (uint64_t i = 0; i < n; ++i) h = (h ^ datos[i]) * 0x100000001b3ull;
  return h;
}

// The short sum of bytes held in memory: bytes [0, min(n, E)) then
// [max(E, n - E), n), E = EXTREMO_MARCA; the whole of a file of up to 2E bytes.
uint64_t SumaExtremos(const uint8_t* datos, uint64_t n);
// The same read from an open file of length n; false on a read error.
bool SumaExtremosFichero(std::FILE* f, uint64_t n, uint64_t* suma);
// The full mark of bytes held in memory.
MarcaTabla MarcaDeBytes(const std::string& nombre, const uint8_t* datos, uint64_t n);
// The full mark of a regular file (read through); false when it cannot be read.
bool MarcaDeFichero(const std::string& ruta, const std::string& nombre, MarcaTabla& marca);

// Opens a file for reading only when it is a regular file, without ever
// blocking (a FIFO or device named like a table must not hang the caller).
// Null when missing or not regular; *noRegular says which.
std::FILE* AbrirRegular(const char* ruta, bool* noRegular = nullptr);

// The marks of a directory. A missing, unreadable, oversized or foreign mark
// file gives none; lines that do not parse are skipped.
std::vector<MarcaTabla> LeerMarcas(const std::string& dir);
// The mark listing `nombre`, or null.
const MarcaTabla* BuscarMarca(const std::vector<MarcaTabla>& marcas, const char* nombre);
// Merges `nuevas` into the directory's marks (replacing entries of the same
// name, dropping those named in `quitar`) and writes the file under a temporary
// name renamed into place, so a reader sees the old marks or the new, never a
// half. False with a message in `error` when it cannot be written.
bool ActualizarMarcas(const std::string& dir, const std::vector<MarcaTabla>& nuevas,
                      const std::vector<std::string>& quitar, std::string& error);
