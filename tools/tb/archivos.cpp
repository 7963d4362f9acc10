// Writing a generated table as the engine's files: every index of the file
// layout is turned back into a position and given that position's value.
#include "tools/tb/archivos.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "egtb/egtb.h"
#include "egtb/marcas.h"
#include "tools/tb/comprimir.h"

namespace tb {

namespace {

// The value of the position behind one file index, ILEGAL when none is.
struct LectorIndices {
  int tabla, lado;
  Destino destino;
  int tipos[MAX_PIEZAS] = {}, colores[MAX_PIEZAS] = {}, num = -1;

  uint16_t Valor(uint32_t indice) {
    PosicionTB p;
    if (!PosicionDeIndice(tabla, lado, indice, &p)) return ILEGAL;
    Pieza pz[MAX_PIEZAS];
    bool mismo = p.Num == num;
    for (int k = 0; k < p.Num && k < MAX_PIEZAS; ++k) {
      pz[k] = {p.Hombres[k].Color, p.Hombres[k].Tipo, p.Hombres[k].Casilla};
      mismo = mismo && tipos[k] == pz[k].tipo && colores[k] == pz[k].color;
    }
    if (!mismo) {  // the men come in one order per file; look the slots up once
      num = p.Num;
      for (int k = 0; k < num; ++k) tipos[k] = pz[k].tipo, colores[k] = pz[k].color;
      destino = BuscarDestino(pz, num);
    }
    const int col = p.AlPaso == 127 ? -1 : (p.AlPaso & 7);
    return ValorDestino(destino, pz, lado, col);
  }
};

}  // namespace

bool BytesArchivo(const Tabla& t, int lado, std::vector<uint8_t>& bytes, std::string& error) {
  const int j = BuscarNombre(t.m.nombre.c_str());
  if (j <= 0) {
    error = t.m.nombre + " is not a combination the engine knows";
    return false;
  }
  const uint32_t n = IndiceMaximoTabla(j, lado);
  const bool dos = TablaDosBytes(j);
  bytes.assign(static_cast<size_t>(n) * (dos ? 2 : 1), 0);
  LectorIndices lector{j, lado, {}};
  for (uint32_t i = 0; i < n; ++i) {
    const uint16_t v = lector.Valor(i);
    if (dos) {
      const uint16_t x = static_cast<uint16_t>(ValorMotor(v));
      bytes[2 * static_cast<size_t>(i)] = static_cast<uint8_t>(x >> 8);
      bytes[2 * static_cast<size_t>(i) + 1] = static_cast<uint8_t>(x);
      continue;
    }
    int8_t e;
    if (!ByteMotor(v, e)) {
      error = t.m.nombre + ": a distance to mate beyond one byte at index " + std::to_string(i);
      return false;
    }
    bytes[i] = static_cast<uint8_t>(e);
  }
  return true;
}

std::string NombreArchivo(const std::string& dir, const std::string& nombre, int lado,
                          bool comprimido) {
  std::string r = dir.empty() ? "" : dir + "/";
  r += nombre + (lado ? ".nbb" : ".nbw");
  if (comprimido) r += ".emd";
  return r;
}

bool PrepararDirectorio(const std::string& dir, std::string& error) {
  if (dir.empty()) return true;
  std::error_code ec;
  std::filesystem::create_directories(dir, ec);
  if (ec) {
    error = "cannot create directory " + dir + ": " + ec.message();
    return false;
  }
  if (!std::filesystem::is_directory(dir, ec)) {
    error = dir + " is not a directory";
    return false;
  }
  // A file that can be created there now is what the tables will need later.
  std::string prueba = dir + "/.zelmor-tb-XXXXXX";
  const int fd = mkstemp(prueba.data());
  if (fd < 0) {
    error = "cannot write into " + dir + ": " + std::strerror(errno);
    return false;
  }
  close(fd);
  std::remove(prueba.c_str());
  return true;
}

bool EscribirTabla(const Tabla& t, const std::string& dir, bool comprimir, std::string& error,
                   std::vector<std::string>* escritos) {
  const int j = BuscarNombre(t.m.nombre.c_str());
  if (j <= 0) {
    error = t.m.nombre + " is not a combination the engine knows";
    return false;
  }
  std::vector<MarcaTabla> marcas;
  for (int lado = 0; lado < (TablaSimetrica(j) ? 1 : 2); ++lado) {
    std::vector<uint8_t> bytes;
    if (!BytesArchivo(t, lado, bytes, error)) return false;
    if (comprimir) bytes = Comprimir(bytes.data(), bytes.size());
    const std::string nombre = NombreArchivo(dir, t.m.nombre, lado, comprimir);
    const std::string temporal = nombre + ".tmp";
    std::FILE* f = std::fopen(temporal.c_str(), "wb");
    bool ok = f && std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (f) ok = std::fclose(f) == 0 && ok;
    // Written under a temporary name first, so a broken run never leaves a
    // short file the engine would take for a table.
    if (!ok || std::rename(temporal.c_str(), nombre.c_str()) != 0) {
      std::remove(temporal.c_str());
      error = "cannot write " + nombre;
      return false;
    }
    if (escritos) escritos->push_back(nombre);
    marcas.push_back(MarcaDeBytes(NombreArchivo("", t.m.nombre, lado, comprimir), bytes.data(),
                                  bytes.size()));
  }
  // The engine reads only the files the directory's marks list as they are.
  return ActualizarMarcas(dir, marcas, {}, error);
}

}  // namespace tb
