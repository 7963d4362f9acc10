#include "driver/driver.h"

#include <cstdarg>

int ColorMotor = -1;
int ModoMotor = 0;
int PararBusqueda = 0;
int VersionProtocolo = 1;
double TiempoRestante = 2147483647.0;
int JugadasControl = 0;
int Incremento = 0;
int KibitzActivo = 0;
FILE* FicheroLog = nullptr;

void NuevaPartidaDriver() {}

void Log(const char* formato, ...) {
  if (FicheroLog == nullptr) return;
  va_list args;
  va_start(args, formato);
  vfprintf(FicheroLog, formato, args);
  va_end(args);
}

unsigned HayEntrada() { return 0; }
uint32_t RelojMs() { return 0; }
void BucleXboard() {}
