// Tablebase files: registration from a directory, the block cache, the
// decoder of compressed (.emd) files and the probe. The input is a two-byte
// header and a file:
//   byte 0  bits 0-2: the table (kqk, krk, kpk, kbk, knk); bit 3: the side
//           to move of the file (0 White, 1 Black); bit 4: a compressed file
//   byte 1  bit 0: a plain file keeps the input's own length (else the bytes
//           are repeated to the length the table has); bits 1-3: cache slots
//           less one; bit 4: a compressed file gets its header's CRC computed
//           again, so that changes behind the CRC reach the decoder; bit 5:
//           the file is left out of the directory's marks (and so refused)
// A compressed file is also read straight through LeerCabecera and every
// block through DecodificarBloque. Then entries are read at the first, last
// and some input-chosen indexes, and positions of the table's material are
// probed with each side to move (the other side's file is missing).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "egtb/egtb.h"
#include "egtb/marcas.h"
#include "fuzz/arnes.h"

namespace {

struct Tabla {
  const char* nombre;
  const char* posiciones[2];  // FEN boards; the side to move is added
};

constexpr Tabla TABLAS[] = {
    {"kqk", {"8/8/8/4k3/8/8/1Q6/K7", "k7/8/1K6/8/8/8/8/2Q5"}},
    {"krk", {"8/8/8/4k3/8/8/1R6/K7", "k7/8/1K6/8/8/8/8/2R5"}},
    {"kpk", {"8/8/8/4k3/8/8/1P6/K7", "8/8/8/8/2k5/8/5P2/4K3"}},
    {"kbk", {"8/8/8/4k3/8/8/1B6/K7", "k7/8/1K6/8/8/8/8/2B5"}},
    {"knk", {"8/8/8/4k3/8/8/1N6/K7", "k7/8/1K6/8/8/8/8/2N5"}},
};

void DecodificarDirecto(const uint8_t* datos, size_t n) {
  std::FILE* f = fmemopen(const_cast<uint8_t*>(datos), n, "rb");
  if (f == nullptr) return;
  DecodificadorTabla* dec = nullptr;
  if (LeerCabecera(f, &dec) == 0) {
    static uint8_t bloque[BLOQUE_TABLA];
    const int bloques = BloquesDecodificador(dec);
    for (int b = 0; b < bloques && b < 64; ++b) DecodificarBloque(f, dec, b, bloque);
    DecodificarBloque(f, dec, bloques, bloque);  // one past the end: refused
  }
  LiberarDecodificador(dec);
  std::fclose(f);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  arnes::Preparar();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  if (n < 2) return 0;
  arnes::ReiniciarMotor();
  const Tabla& t = TABLAS[(datos[0] & 7) % 5];
  const int lado = (datos[0] >> 3) & 1;
  const bool comprimido = datos[0] & 16;
  const bool largoPropio = datos[1] & 1;
  const uint32_t ranuras = 1 + ((datos[1] >> 1) & 7);
  const bool rehacerCrc = datos[1] & 16;
  const bool sinMarca = datos[1] & 32;
  datos += 2, n -= 2;
  std::vector<uint8_t> copia;
  if (comprimido && rehacerCrc && n >= 68) {
    // The header's length (big-endian at byte 64) ends in its CRC.
    const uint32_t h = static_cast<uint32_t>(datos[64]) << 24 | datos[65] << 16 | datos[66] << 8 |
                       datos[67];
    if (h >= 68 && h <= n) {
      copia.assign(datos, datos + n);
      const uint32_t crc = Crc32(copia.data(), h - 4);
      for (int i = 0; i < 4; ++i) copia[h - 4 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
      datos = copia.data();
    }
  }
  const int j = BuscarNombre(t.nombre);
  if (j <= 0) std::abort();

  const std::string& dir = arnes::DirectorioTrabajo();
  const std::string nombre =
      std::string(t.nombre) + (lado == 0 ? ".nbw" : ".nbb") + (comprimido ? ".emd" : "");
  const std::string fichero = dir + "/" + nombre;
  bool escrito;
  std::vector<uint8_t> plano;
  if (!comprimido && !largoPropio) {
    plano.assign(IndiceMaximoTabla(j, lado), 0);
    for (size_t i = 0; n > 0 && i < plano.size(); ++i) plano[i] = datos[i % n];
  }
  const uint8_t* bytes = plano.empty() ? datos : plano.data();
  const size_t largo = plano.empty() ? n : plano.size();
  escrito = arnes::EscribirFichero(fichero, bytes, largo);
  std::string error;
  if (escrito && !sinMarca)
    escrito = ActualizarMarcas(dir, {MarcaDeBytes(nombre, bytes, largo)}, {}, error);
  if (comprimido) DecodificarDirecto(datos, n);
  if (escrito) {
    static std::vector<uint8_t> cache(8 * TAM_RANURA);
    EGTB.MaxPiezasTB = InicializarTablasFinales(dir.c_str());
    FijarCache(cache.data(), ranuras * TAM_RANURA);
    const uint32_t maximo = IndiceMaximoTabla(j, lado);
    uint32_t x = 2166136261u;
    for (size_t i = 0; i < n && i < 64; ++i) x = (x ^ datos[i]) * 16777619u;
    ValorTabla(j, lado, 0);
    ValorTabla(j, lado, maximo - 1);
    ValorTabla(j, lado, maximo);  // out of range: no value
    for (int k = 0; k < 24; ++k) {
      x = x * 1664525u + 1013904223u;
      ValorTabla(j, lado, x % maximo);
    }
    for (const char* tablero : t.posiciones)
      for (const char* turno : {" w - - 0 1", " b - - 0 1"})
        if (PonerPosicion((std::string(tablero) + turno).c_str()) == 0) ProbarTablas();
    std::remove(fichero.c_str());
  }
  std::remove((dir + "/" + NOMBRE_MARCAS).c_str());
  EGTB.MaxPiezasTB = 0;
  LiberarTablas();
  return 0;
}
