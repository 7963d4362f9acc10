// The personality file reader: the text through AplicarPersonalidad, then the
// same bytes as a NAME.per file through CargarPers (file reading, a NUL inside
// the file, the tables sized again). Hash sizes are whatever the file says, so
// the file is loaded only when the text asks for tables of at most 16 MB: a
// personality may ask for gigabytes, which is the user's choice, not a fault.
#include <string>

#include "driver/driver.h"
#include "fuzz/arnes.h"

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  arnes::Preparar();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  arnes::ReiniciarMotor();
  const std::string texto(reinterpret_cast<const char*>(datos), n);
  AplicarPersonalidad(texto.c_str());
  const bool pequenas = Personalidad.TABLA_HASH <= 16 && Personalidad.TABLA_HASH_PEONES <= 16;
  arnes::ReiniciarMotor();
  if (!pequenas) return 0;
  static const std::string nombre = arnes::DirectorioTrabajo() + "/fuzz";
  if (!arnes::EscribirFichero(nombre + ".per", datos, n)) return 0;
  CargarPers(nombre.c_str());
  return 0;
}
