// Reading and writing the mark file of a tablebase directory.
#include "egtb/marcas.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cinttypes>
#include <cstdlib>
#include <cstring>

namespace {

std::string Ruta(const std::string& dir, const char* nombre) {
  return dir.empty() ? std::string(nombre) : dir + "/" + nombre;
}

bool NombreValido(const std::string& n) {
  if (n.empty() || n.size() > MAX_NOMBRE_MARCA || n == "." || n == "..") return false;
  for (char c : n)
    if (c == '/' || static_cast<unsigned char>(c) <= ' ' || c == 0x7F) return false;
  return true;
}

// One line "NAME LENGTH SUM ENDS" (decimal length, 16 hex digits per sum).
bool LeerLinea(const char* linea, MarcaTabla& m) {
  char nombre[MAX_NOMBRE_MARCA + 2];
  const char* p = linea;
  size_t n = 0;
  while (*p != ' ' && *p != '\0' && n <= MAX_NOMBRE_MARCA) nombre[n++] = *p++;
  if (*p != ' ' || n == 0) return false;
  nombre[n] = '\0';
  m.Nombre = nombre;
  if (!NombreValido(m.Nombre)) return false;
  uint64_t campos[3];
  for (int k = 0; k < 3; ++k) {
    if (*p++ != ' ') return false;
    const int base = k == 0 ? 10 : 16;
    const char* inicio = p;
    uint64_t v = 0;
    while (*p != ' ' && *p != '\0') {
      int d;
      if (*p >= '0' && *p <= '9') d = *p - '0';
      else if (base == 16 && *p >= 'a' && *p <= 'f') d = *p - 'a' + 10;
      else return false;
      if (v > (UINT64_MAX - static_cast<uint64_t>(d)) / static_cast<uint64_t>(base)) return false;
      v = v * static_cast<uint64_t>(base) + static_cast<uint64_t>(d);
      ++p;
    }
    if (p == inicio || (base == 16 && p - inicio != 16) || (base == 10 && p - inicio > 20))
      return false;
    campos[k] = v;
  }
  if (*p != '\0') return false;
  m.Longitud = campos[0];
  m.Suma = campos[1];
  m.Extremos = campos[2];
  return true;
}

}  // namespace

uint64_t SumaExtremos(const uint8_t* datos, uint64_t n) {
  const uint64_t primero = std::min(n, EXTREMO_MARCA);
  const uint64_t desde = std::max(EXTREMO_MARCA, n > EXTREMO_MARCA ? n - EXTREMO_MARCA : 0);
  uint64_t h = Fnv1a64(datos, primero);
  if (desde < n) h = Fnv1a64(datos + desde, n - desde, h);
  return h;
}

bool SumaExtremosFichero(std::FILE* f, uint64_t n, uint64_t* suma) {
  uint8_t bloque[EXTREMO_MARCA];
  const uint64_t primero = std::min(n, EXTREMO_MARCA);
  const uint64_t desde = std::max(EXTREMO_MARCA, n > EXTREMO_MARCA ? n - EXTREMO_MARCA : 0);
  if (std::fseek(f, 0, SEEK_SET) != 0 || std::fread(bloque, 1, primero, f) != primero) return false;
  uint64_t h = Fnv1a64(bloque, primero);
  if (desde < n) {
    if (std::fseek(f, static_cast<long>(desde), SEEK_SET) != 0 ||
        std::fread(bloque, 1, n - desde, f) != n - desde)
      return false;
    h = Fnv1a64(bloque, n - desde, h);
  }
  *suma = h;
  return true;
}

MarcaTabla MarcaDeBytes(const std::string& nombre, const uint8_t* datos, uint64_t n) {
  MarcaTabla m;
  m.Nombre = nombre;
  m.Longitud = n;
  m.Suma = Fnv1a64(datos, n);
  m.Extremos = SumaExtremos(datos, n);
  return m;
}

bool MarcaDeFichero(const std::string& ruta, const std::string& nombre, MarcaTabla& marca) {
  std::FILE* f = AbrirRegular(ruta.c_str());
  if (f == nullptr) return false;
  struct stat st;
  bool bien = fstat(fileno(f), &st) == 0;
  const uint64_t n = bien ? static_cast<uint64_t>(st.st_size) : 0;
  uint64_t h = FNV_INICIAL, leidos = 0;
  std::vector<uint8_t> bloque(1 << 16);
  while (bien) {
    const size_t k = std::fread(bloque.data(), 1, bloque.size(), f);
    h = Fnv1a64(bloque.data(), k, h);
    leidos += k;
    if (k < bloque.size()) break;
  }
  bien = bien && !std::ferror(f) && leidos == n;
  uint64_t extremos = 0;
  bien = bien && SumaExtremosFichero(f, n, &extremos);
  std::fclose(f);
  if (!bien) return false;
  marca.Nombre = nombre;
  marca.Longitud = n;
  marca.Suma = h;
  marca.Extremos = extremos;
  return true;
}

std::FILE* AbrirRegular(const char* ruta, bool* noRegular) {
  if (noRegular) *noRegular = false;
  const int fd = open(ruta, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    if (noRegular) *noRegular = true;
    close(fd);
    return nullptr;
  }
  // Reads of a regular file never block; the flag only mattered for open.
  fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  std::FILE* f = fdopen(fd, "rb");
  if (f == nullptr) close(fd);
  return f;
}

std::vector<MarcaTabla> LeerMarcas(const std::string& dir) {
  std::vector<MarcaTabla> marcas;
  std::FILE* f = AbrirRegular(Ruta(dir, NOMBRE_MARCAS).c_str());
  if (f == nullptr) return marcas;
  struct stat st;
  if (fstat(fileno(f), &st) != 0 || static_cast<uint64_t>(st.st_size) > MAX_FICHERO_MARCAS) {
    std::fclose(f);
    return marcas;
  }
  char linea[256];
  bool primera = true;
  bool nuestra = false;
  while (std::fgets(linea, sizeof linea, f) != nullptr) {
    size_t n = std::strlen(linea);
    const bool completa = n > 0 && linea[n - 1] == '\n';
    if (!completa) {  // too long for a mark line: skip the rest of it
      int c;
      while ((c = std::fgetc(f)) != EOF && c != '\n') {
      }
      if (primera) break;
      continue;
    }
    linea[--n] = '\0';
    if (primera) {
      primera = false;
      nuestra = std::strcmp(linea, CABECERA_MARCAS) == 0;
      if (!nuestra) break;
      continue;
    }
    MarcaTabla m;
    if (LeerLinea(linea, m)) marcas.push_back(std::move(m));
  }
  std::fclose(f);
  if (!nuestra) marcas.clear();
  return marcas;
}

const MarcaTabla* BuscarMarca(const std::vector<MarcaTabla>& marcas, const char* nombre) {
  for (const MarcaTabla& m : marcas)
    if (m.Nombre == nombre) return &m;
  return nullptr;
}

bool ActualizarMarcas(const std::string& dir, const std::vector<MarcaTabla>& nuevas,
                      const std::vector<std::string>& quitar, std::string& error) {
  std::vector<MarcaTabla> marcas = LeerMarcas(dir);
  auto fuera = [&](const MarcaTabla& m) {
    if (std::find(quitar.begin(), quitar.end(), m.Nombre) != quitar.end()) return true;
    for (const MarcaTabla& x : nuevas)
      if (x.Nombre == m.Nombre) return true;
    return false;
  };
  marcas.erase(std::remove_if(marcas.begin(), marcas.end(), fuera), marcas.end());
  for (const MarcaTabla& m : nuevas) {
    if (!NombreValido(m.Nombre)) {
      error = "cannot mark a file named '" + m.Nombre + "'";
      return false;
    }
    marcas.push_back(m);
  }
  std::sort(marcas.begin(), marcas.end(),
            [](const MarcaTabla& a, const MarcaTabla& b) { return a.Nombre < b.Nombre; });

  const std::string destino = Ruta(dir, NOMBRE_MARCAS);
  std::string temporal = destino + ".XXXXXX";
  const int fd = mkstemp(temporal.data());
  if (fd < 0) {
    error = "cannot write " + destino + ": " + std::strerror(errno);
    return false;
  }
  // mkstemp makes the file private; a mark file is as readable as the tables.
  const mode_t mascara = umask(0);
  umask(mascara);
  fchmod(fd, 0666 & ~mascara);
  std::FILE* f = fdopen(fd, "w");
  bool bien = f != nullptr;
  if (bien) {
    bien = std::fprintf(f, "%s\n", CABECERA_MARCAS) > 0;
    for (const MarcaTabla& m : marcas)
      bien = bien && std::fprintf(f, "%s %" PRIu64 " %016" PRIx64 " %016" PRIx64 "\n",
                                  m.Nombre.c_str(), m.Longitud, m.Suma, m.Extremos) > 0;
    bien = bien && std::fflush(f) == 0 && fsync(fileno(f)) == 0;
    bien = std::fclose(f) == 0 && bien;
  } else {
    close(fd);
  }
  if (!bien || std::rename(temporal.c_str(), destino.c_str()) != 0) {
    error = "cannot write " + destino + ": " + std::strerror(errno);
    std::remove(temporal.c_str());
    return false;
  }
  return true;
}
