// The log: one new file per run in the working directory, unbuffered, holding
// every token read, the engine's thinking in readable form and, for the current
// build, a report of the compiled-in configuration.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "driver/driver.h"
#include "driver/forma.h"

namespace {

constexpr int MAX_LOGS = 10000;

// Why this run has no log, for the front end to show the user; empty when the
// log was opened. Kept at start-up, when the protocol is not yet known.
// Why there is no log, for the user.
void SinLog(const char* nombre, const char* causa) {
  char dir[TAM_RUTA];
  if (getcwd(dir, sizeof dir) != nullptr)
    AvisarUsuario(false, "no log: cannot create %s in %s (%s)", nombre, dir, causa);
  else
    AvisarUsuario(false, "no log: cannot create %s (%s)", nombre, causa);
}

void InformeConfiguracion() {
  Log("%s\n", NOMBRE_BASE);
  Log("Motor de ajedrez Zelmor - autor: el equipo de Zelmor\n\n");
  if (!FORMA_DRIVER.InformeConfiguracion) return;
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
  // The first free number; when all are taken the last one is reused. A name
  // is taken by anything that has it: opening it to look could wait for ever
  // (a FIFO).
  struct stat datos;
  for (int n = 0; n < MAX_LOGS; ++n) {
    std::snprintf(nombre, sizeof nombre, "%s%d.log", PREFIJO_LOG, n);
    if (lstat(nombre, &datos) != 0) break;
  }
  // A log that cannot be created leaves the engine running without one; so
  // does a reused name that is no regular file (never waiting on it either).
  // The user is told why once the front end has said which protocol it speaks.
  const int fd = open(nombre, O_WRONLY | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666);
  if (fd < 0) {
    SinLog(nombre, std::strerror(errno));
    return;
  }
  if (fstat(fd, &datos) != 0 || !S_ISREG(datos.st_mode) || ftruncate(fd, 0) != 0 ||
      (FicheroLog = fdopen(fd, "wb")) == nullptr) {
    SinLog(nombre, "not a regular file");
    close(fd);
    return;
  }
  std::setvbuf(FicheroLog, nullptr, _IONBF, 0);
  InformeConfiguracion();
}
