// The generator's tables as the engine's files, and the commands that read
// files back through the engine (one probe, a whole-file check).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/tb/tb.h"

namespace tb {

// The entry bytes of one side's file in the engine's layout (127, or 32767 in
// two-byte files, for indexes that hold no legal position).
bool BytesArchivo(const Tabla& t, int lado, std::vector<uint8_t>& bytes, std::string& error);
std::string NombreArchivo(const std::string& dir, const std::string& nombre, int lado,
                          bool comprimido);
// Makes sure dir exists (with its parents) and takes new files; false with a
// message in `error` otherwise. Checked before any generation starts, so a bad
// directory is not found only after minutes of work.
bool PrepararDirectorio(const std::string& dir, std::string& error);
// Writes the table's files (one for symmetric combinations) into dir.
bool EscribirTabla(const Tabla& t, const std::string& dir, bool comprimir, std::string& error,
                   std::vector<std::string>* escritos = nullptr);

// `zelmor-tb sondear`: the stored value, the score and the distance of a FEN.
int Sondear(const char* dir, const char* fen);
// `zelmor-tb verificar`: every position of the files against its successors;
// prints the first bad index of each file. Returns 0 when all agree.
// Also compares each file's whole-file checksum with the directory's mark.
int Verificar(const char* dir, const std::vector<std::string>& nombres);
// `zelmor-tb marcar`: marks the table files of dir that pass a plausibility
// check of their entries (length, "no value" exactly where no legal position
// is, mates and stalemates), without regenerating them; a file that fails
// loses any mark it had. Returns 0 when every file found was marked.
int Marcar(const char* dir);

}  // namespace tb
