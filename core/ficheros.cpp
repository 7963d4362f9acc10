// Opening files for reading without the surprises a path can hide.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "core/core.h"

FILE* AbrirLecturaRegular(const char* ruta, const char* modo, bool* noRegular) {
  if (noRegular != nullptr) *noRegular = false;
  // O_NONBLOCK: opening a FIFO for reading waits for a writer otherwise. On a
  // regular file the flag changes nothing, so it can stay set.
  const int fd = open(ruta, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat datos;
  if (fstat(fd, &datos) != 0) {
    const int error = errno;
    close(fd);
    errno = error;
    return nullptr;
  }
  if (!S_ISREG(datos.st_mode)) {
    close(fd);
    if (noRegular != nullptr) *noRegular = true;
    errno = EINVAL;
    return nullptr;
  }
  FILE* f = fdopen(fd, modo);
  if (f == nullptr) {
    const int error = errno;
    close(fd);
    errno = error;
  }
  return f;
}
