// Standard input: the engine reads it with read(2) into a buffer of its own, so
// the question "is a command waiting?" can count what that buffer already holds
// as well as what the pipe or terminal has not yet handed over. Mixing stdio
// reads with poll would hide lines inside stdio's buffer.
#include <cerrno>
#include <cstring>

#include <poll.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include "driver/driver.h"
#include "search/search.h"

namespace {

constexpr size_t TAM_BUFFER = 1 << 16;
// Standard input as the command loops read it.
struct EstadoEntrada {
  char Buffer[TAM_BUFFER];
  size_t Lectura = 0;  // next unread byte
  size_t Final = 0;    // one past the last byte read
  bool FinAlcanzado = false;
  int EsTerminal = -1;  // decided on the first probe: 1 terminal, 0 pipe or file
  // Whether the last token read began its line (nothing but blanks before it on
  // the line, or the start of input), and whether the next one would.
  bool TokenAlPrincipio = true;
  bool LineaNueva = true;
};
EstadoEntrada Entrada;

bool EsBlanco(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Makes room at the end of the buffer by moving the unread bytes to its start.
void Compactar() {
  if (Entrada.Lectura == Entrada.Final) {
    Entrada.Lectura = Entrada.Final = 0;
  } else if (Entrada.Final == TAM_BUFFER && Entrada.Lectura > 0) {
    std::memmove(Entrada.Buffer, Entrada.Buffer + Entrada.Lectura, Entrada.Final - Entrada.Lectura);
    Entrada.Final -= Entrada.Lectura;
    Entrada.Lectura = 0;
  }
}

// One read(2) into the buffer; blocks unless the caller knows input is there.
// False at the end of input (or on a read error, which ends input just the same).
bool LeerBloque() {
  if (Entrada.FinAlcanzado) return false;
  Compactar();
  if (Entrada.Final == TAM_BUFFER) return true;  // full of unread bytes already
  for (;;) {
    ssize_t n = read(0, Entrada.Buffer + Entrada.Final, TAM_BUFFER - Entrada.Final);
    if (n > 0) {
      Entrada.Final += static_cast<size_t>(n);
      return true;
    }
    if (n < 0 && errno == EINTR) continue;
    Entrada.FinAlcanzado = true;
    return false;
  }
}

// Next byte without consuming it; -1 at the end of input.
int Ver() {
  if (Entrada.Lectura == Entrada.Final && !LeerBloque()) return -1;
  return static_cast<unsigned char>(Entrada.Buffer[Entrada.Lectura]);
}

void SaltarBlancosBuffer() {
  while (Entrada.Lectura < Entrada.Final && EsBlanco(static_cast<unsigned char>(Entrada.Buffer[Entrada.Lectura]))) {
    if (Entrada.Buffer[Entrada.Lectura] == '\n') Entrada.LineaNueva = true;
    ++Entrada.Lectura;
  }
}

// The first token of the buffered input, when a whole line is buffered.
bool PrimerTokenBuffer(char* destino, size_t tam) {
  const void* fin = std::memchr(Entrada.Buffer + Entrada.Lectura, '\n', Entrada.Final - Entrada.Lectura);
  if (fin == nullptr) return false;
  size_t i = Entrada.Lectura, n = 0;
  while (i < Entrada.Final && !EsBlanco(static_cast<unsigned char>(Entrada.Buffer[i]))) {
    if (n + 1 < tam) destino[n++] = Entrada.Buffer[i];
    ++i;
  }
  destino[n] = '\0';
  return true;
}

}  // namespace

int LeerPalabra(char* destino, size_t tam) {
  int c;
  while ((c = Ver()) >= 0 && EsBlanco(c)) {
    if (c == '\n') Entrada.LineaNueva = true;
    ++Entrada.Lectura;
  }
  Entrada.TokenAlPrincipio = Entrada.LineaNueva;
  Entrada.LineaNueva = false;
  if (c < 0) {
    destino[0] = '\0';
    return 0;
  }
  size_t n = 0;
  // The delimiter stays unread: a rest-of-line argument starts right after the token.
  while ((c = Ver()) >= 0 && !EsBlanco(c)) {
    if (n + 1 < tam) destino[n++] = static_cast<char>(c);
    ++Entrada.Lectura;
  }
  destino[n] = '\0';
  return 1;
}

void LeerToken(char* destino, size_t tam) {
  // The front end closing its end of the pipe means the session is over.
  if (!LeerPalabra(destino, tam)) SalirMotor();
}

bool PrimeraDeLinea() { return Entrada.TokenAlPrincipio; }

void LeerResto(char* destino, size_t tam) {
  size_t n = 0;
  int c;
  while ((c = Ver()) >= 0) {
    ++Entrada.Lectura;
    if (c == '\n') {
      Entrada.LineaNueva = true;
      break;
    }
    if (n + 1 < tam) destino[n++] = static_cast<char>(c);
  }
  while (n > 0 && destino[n - 1] == '\r') --n;
  destino[n] = '\0';
}

bool PrimeraPalabraPendiente(char* destino, size_t tam) {
  SaltarBlancosBuffer();
  if (PrimerTokenBuffer(destino, tam)) return true;
  // What the pipe holds joins the buffer; poll says the read cannot block.
  pollfd sondeo{0, POLLIN, 0};
  if (Entrada.FinAlcanzado || poll(&sondeo, 1, 0) <= 0) return false;
  if (!LeerBloque()) return false;
  SaltarBlancosBuffer();
  return PrimerTokenBuffer(destino, tam);
}

bool EntradaLlena() { return Entrada.Lectura == 0 && Entrada.Final == TAM_BUFFER; }

bool EntradaTerminada() { return Entrada.FinAlcanzado; }

void ReiniciarEntrada() {
  Entrada.Lectura = Entrada.Final = 0;
  Entrada.FinAlcanzado = false;
  Entrada.EsTerminal = -1;
  Entrada.TokenAlPrincipio = Entrada.LineaNueva = true;
}

unsigned HayEntrada() {
  // Blanks left behind by the last command (its line end) are no command.
  SaltarBlancosBuffer();
  if (Entrada.EsTerminal < 0) Entrada.EsTerminal = isatty(0) ? 1 : 0;
  size_t pendiente = Entrada.Final - Entrada.Lectura;
  if (pendiente == 0) {
    if (Entrada.FinAlcanzado) return 1;
    pollfd sondeo{0, POLLIN, 0};
    int r = poll(&sondeo, 1, 0);
    if (r < 0) return errno == EINTR ? 0u : 1u;  // a failing probe counts as input
    if (r == 0 || (sondeo.revents & (POLLIN | POLLHUP | POLLERR | POLLNVAL)) == 0) return 0;
    if (!Entrada.EsTerminal) {
      int bytes = 0;
      // A closed pipe polls readable with nothing in it: that too is "input".
      if (ioctl(0, FIONREAD, &bytes) < 0 || bytes <= 0) return 1;
      return static_cast<unsigned>(bytes);
    }
    // Terminal: the typed line is taken into the buffer (the read cannot block).
    if (!LeerBloque()) return 1;
    SaltarBlancosBuffer();
    pendiente = Entrada.Final - Entrada.Lectura;
    if (pendiente == 0) return 0;
  }
  if (!Entrada.EsTerminal || Driver.VersionProtocolo <= 1 || Pensando()) return static_cast<unsigned>(pendiente);
  // Terminal during a timed search: a command that leaves the position alone is
  // answered at once and the search goes on; any other stops the search and is
  // read by the outer loop afterwards.
  char comando[TAM_TOKEN];
  if (!PrimerTokenBuffer(comando, sizeof comando))
    return Entrada.Final - Entrada.Lectura == TAM_BUFFER ? static_cast<unsigned>(pendiente) : 0u;
  if (!ComandoSeguroEnBusqueda(comando)) return static_cast<unsigned>(pendiente);
  BucleXboard();
  return 0;
}
