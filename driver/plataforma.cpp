// File names and number conversion: the small services the engine
// takes from the operating system.
#include <unistd.h>

#include <climits>
#include <cstring>

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
