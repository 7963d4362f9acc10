// Notices for the user (a book that could not be read, one that could not be
// saved). The protocol decides their form, and at start-up it is not known yet:
// until the front end has said which one it speaks they wait here.
#include <cstdarg>
#include <cstring>

#include "driver/driver.h"

namespace {

constexpr int MAX_PENDIENTES = 8;  // a start-up has two books; CargarL may add two more
constexpr size_t TAM_AVISO = 512;

struct Aviso {
  bool error;
  char texto[TAM_AVISO];
};

// The notices waiting for the protocol, and how they are written once it is known.
struct ColaAvisos {
  Aviso Pendientes[MAX_PENDIENTES];
  int NumPendientes = 0;
  EscritorAvisos Escritor = nullptr;
};
ColaAvisos Avisos;

}  // namespace

void AvisarUsuario(bool error, const char* formato, ...) {
  char texto[TAM_AVISO];
  va_list args;
  va_start(args, formato);
  std::vsnprintf(texto, sizeof texto, formato, args);
  va_end(args);
  // One line on the wire, whatever the file names hold.
  for (char* c = texto; *c != '\0'; ++c)
    if (*c == '\n' || *c == '\r') *c = ' ';
  if (Avisos.Escritor != nullptr) {
    Avisos.Escritor(error, texto);
    return;
  }
  Log("\n(aviso pendiente) %s\n", texto);
  if (Avisos.NumPendientes == MAX_PENDIENTES) return;  // the log keeps the rest
  Aviso& a = Avisos.Pendientes[Avisos.NumPendientes++];
  a.error = error;
  std::memcpy(a.texto, texto, sizeof a.texto);
}

void AbrirAvisos(EscritorAvisos escritor) {
  Avisos.Escritor = escritor;
  for (int i = 0; i < Avisos.NumPendientes; ++i) Avisos.Escritor(Avisos.Pendientes[i].error, Avisos.Pendientes[i].texto);
  Avisos.NumPendientes = 0;
}

bool AvisosAbiertos() { return Avisos.Escritor != nullptr; }

void AvisoXboard(bool error, const char* texto) {
  std::printf("%s %s\n", error ? "tellusererror" : "telluser", texto);
  Log("\n%s %s\n", error ? "tellusererror" : "telluser", texto);
}

void AvisoConsola(bool error, const char* texto) {
  std::printf("%s%s\n", error ? "Error: " : "", texto);
  Log("\n%s%s\n", error ? "Error: " : "", texto);
}

void AbrirAvisosSinProtocolo() {
  if (Avisos.Escritor == nullptr) AbrirAvisos(Driver.XboardAnunciado ? AvisoXboard : AvisoConsola);
}
