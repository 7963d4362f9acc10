// The log: one new file per run in the working directory, unbuffered, holding
// every token read, the engine's thinking in readable form and, for the current
// build, a report of the compiled-in configuration.
#include <cerrno>
#include <cstring>

#include <unistd.h>

#include "driver/driver.h"

namespace {

constexpr int MAX_LOGS = 10000;

// Why this run has no log, for the front end to show the user; empty when the
// log was opened. Kept at start-up, when the protocol is not yet known.
char MotivoSinLog[2 * TAM_RUTA + 128] = "";

void InformeConfiguracion() {
  Log("%s\n", NOMBRE_BASE);
  Log("Motor de ajedrez Zelmor - autor: el equipo de Zelmor\n\n");
  if (!PARAMETROS.InformeConfiguracion) return;
  Log("Informacion de configuracion interna del motor\n");
  Log("----------------------------------------------\n\n");
  Log("Reduccion null: prof > 6 R = 3; resto R = 2\n");
  Log("Val peon: %d\n", 100);
  Log("Val caballo: %d\n", 300);
  Log("Val alfil: %d\n", 300);
  Log("Val torre: %d\n", 500);
  Log("Val dama: %d\n", 950);
  Log("Ext recap: %d\n", 1);
  Log("Lazy: %d\n", 300);
  Log("Ext null: %d\n", 1);
  Log("Futility: %d\n", 300);
  Log("IID: %d\n", 0);
  Log("Ext peon 7: %d\n", 1);
  Log("Ext final: %d\n", 1);
  Log("Tama\xF1o hash requerido: %u\n", Personalidad.TABLA_HASH);
  // Two blanks: the line reads as a "% u" conversion would print it.
  Log("Tama\xF1o hash peones requerido:  %u\n", Personalidad.TABLA_HASH_PEONES);
  Log("Tablas de ataques: Si\n");
}

}  // namespace

void AbrirLog() {
  char nombre[64];
  // The first free number; when all are taken the last one is reused.
  for (int n = 0; n < MAX_LOGS; ++n) {
    std::snprintf(nombre, sizeof nombre, "%s%d.log", PREFIJO_LOG, n);
    FILE* existente = std::fopen(nombre, "rb");
    if (existente == nullptr) break;
    std::fclose(existente);
  }
  // A log that cannot be created leaves the engine running without one; the
  // user is told why once the command loops know how to reach the front end.
  FicheroLog = std::fopen(nombre, "wb");
  if (FicheroLog == nullptr) {
    const char* causa = std::strerror(errno);
    char dir[TAM_RUTA];
    if (getcwd(dir, sizeof dir) != nullptr)
      std::snprintf(MotivoSinLog, sizeof MotivoSinLog, "no log: cannot create %s in %s (%s)",
                    nombre, dir, causa);
    else
      std::snprintf(MotivoSinLog, sizeof MotivoSinLog, "no log: cannot create %s (%s)", nombre,
                    causa);
    return;
  }
  MotivoSinLog[0] = '\0';
  std::setvbuf(FicheroLog, nullptr, _IONBF, 0);
  InformeConfiguracion();
}

const char* AvisoSinLog() { return MotivoSinLog[0] != '\0' ? MotivoSinLog : nullptr; }
