// The book builder's reader of PGN files and ECO lists, with the replay of
// every game's moves on the engine's board (SAN through LeerSAN), as
// CrearLibros does before it counts positions: the games of one input, read
// from memory, then the books built from them through the builder itself
// (written into a scratch directory).
#include <cstdio>
#include <string>
#include <vector>

#include "fuzz/arnes.h"
#include "tools/libro/libro_tool.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  arnes::Preparar();
  PrepararTablero();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  arnes::ReiniciarMotor();
  static std::FILE* errores = std::fopen("/dev/null", "w");
  // The reader alone, straight from memory, with a short move limit.
  if (n > 0) {
    std::FILE* f = fmemopen(const_cast<uint8_t*>(datos), n, "rb");
    if (f != nullptr) {
      LectorPGN lector(f, "fuzz.pgn", 8, errores);
      PartidaTexto p;
      while (lector.Siguiente(p)) {
      }
      std::fclose(f);
    }
  }
  // The whole builder on a file of the input: games replayed, books written.
  const std::string& dir = arnes::DirectorioTrabajo();
  static const std::string pgn = dir + "/fuzz.pgn";
  if (!arnes::EscribirFichero(pgn, datos, n)) return 0;
  OpcionesCrear opciones;
  opciones.Plies = 60;
  opciones.Salida = dir;
  ResumenCrear resumen;
  CrearLibros({pgn}, opciones, resumen, errores);
  return 0;
}
