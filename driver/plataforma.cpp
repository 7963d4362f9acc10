// File names and number conversion: the small services the engine
// takes from the operating system.
#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstring>

#include <sys/resource.h>
#include <unistd.h>

#include "driver/driver.h"

void RutaLocal(const char* nombre, char* destino, size_t tam) {
  size_t n = 0;
  for (; nombre[n] != '\0' && n + 1 < tam; ++n) destino[n] = nombre[n] == '\\' ? '/' : nombre[n];
  destino[n] = '\0';
}

bool PrefijoInstalacion(char* destino, size_t tam) {
  if (tam < 2) return false;
  const ssize_t n = readlink("/proc/self/exe", destino, tam - 1);
  if (n <= 0 || static_cast<size_t>(n) >= tam - 1) return false;
  destino[n] = '\0';
  // Two components off: the program's name, then its directory.
  for (int i = 0; i < 2; ++i) {
    char* barra = std::strrchr(destino, '/');
    if (barra == nullptr) return false;
    *barra = '\0';
  }
  return true;
}

int32_t ConvertirEntero(const char* texto) {
  while (*texto == ' ' || *texto == '\t' || *texto == '\n' || *texto == '\r' || *texto == '\f' ||
         *texto == '\v')
    ++texto;
  bool negativo = false;
  if (*texto == '+' || *texto == '-') negativo = *texto++ == '-';
  int64_t valor = 0;
  while (*texto >= '0' && *texto <= '9') {
    valor = valor * 10 + (*texto++ - '0');
    if (valor > static_cast<int64_t>(INT32_MAX) + 1) valor = static_cast<int64_t>(INT32_MAX) + 1;
  }
  if (negativo) valor = -valor;
  if (valor > INT32_MAX) valor = INT32_MAX;
  return static_cast<int32_t>(valor);
}

namespace {

// The first unsigned number of a small file (a /proc or /sys entry), or false.
bool LeerNumero(const char* ruta, uint64_t* valor) {
  std::FILE* f = AbrirLecturaRegular(ruta, "re");
  if (f == nullptr) return false;
  unsigned long long v = 0;
  const bool leido = std::fscanf(f, "%llu", &v) == 1;
  std::fclose(f);
  if (leido) *valor = v;
  return leido;
}

// What a control group (a container) still lets the process take: its limit
// less its use, for the group's own directory and for the hierarchy's root, the
// tighter of the two. UINT64_MAX when there is no limit.
uint64_t HolguraGrupo(const char* raiz, const char* grupo, const char* limite, const char* uso) {
  uint64_t holgura = UINT64_MAX;
  for (const char* dir : {grupo, ""}) {
    char ruta[TAM_RUTA * 2];
    uint64_t l = 0, u = 0;
    std::snprintf(ruta, sizeof ruta, "%s%s/%s", raiz, dir, limite);
    if (!LeerNumero(ruta, &l)) continue;  // "max": no limit here
    std::snprintf(ruta, sizeof ruta, "%s%s/%s", raiz, dir, uso);
    if (!LeerNumero(ruta, &u)) u = 0;
    holgura = std::min(holgura, l > u ? l - u : 0);
  }
  return holgura;
}

}  // namespace

uint64_t MemoriaDisponible() {
  uint64_t disponible = UINT64_MAX;
  // What the machine has free or can free at once.
  if (std::FILE* f = AbrirLecturaRegular("/proc/meminfo", "re")) {
    char linea[256];
    unsigned long long kb = 0;
    while (std::fgets(linea, sizeof linea, f) != nullptr)
      if (std::sscanf(linea, "MemAvailable: %llu kB", &kb) == 1) disponible = kb * 1024;
    std::fclose(f);
  }
  // The control groups of the process (version 2 "0::PATH", version 1
  // "N:memory:PATH"): a container's limit is usually far below the machine's.
  if (std::FILE* f = AbrirLecturaRegular("/proc/self/cgroup", "re")) {
    char linea[TAM_RUTA];
    while (std::fgets(linea, sizeof linea, f) != nullptr) {
      linea[std::strcspn(linea, "\n")] = '\0';
      if (std::strncmp(linea, "0::", 3) == 0)
        disponible = std::min(disponible, HolguraGrupo("/sys/fs/cgroup", linea + 3, "memory.max",
                                                       "memory.current"));
      else if (const char* m = std::strstr(linea, ":memory:"))
        disponible = std::min(disponible,
                              HolguraGrupo("/sys/fs/cgroup/memory", m + 8,
                                           "memory.limit_in_bytes", "memory.usage_in_bytes"));
    }
    std::fclose(f);
  }
  // The address-space limit (ulimit -v) caps every allocation too.
  // What the process has mapped already counts against it.
  rlimit r{};
  if (getrlimit(RLIMIT_AS, &r) == 0 && r.rlim_cur != RLIM_INFINITY) {
    uint64_t paginas = 0;
    const uint64_t usado =
        LeerNumero("/proc/self/statm", &paginas) ? paginas * sysconf(_SC_PAGESIZE) : 0;
    disponible = std::min<uint64_t>(disponible, r.rlim_cur > usado ? r.rlim_cur - usado : 0);
  }
  return disponible;
}
