// The words for a refused FEN: the console's Spanish message and the reason the
// protocols carry (tellusererror, info string), which stays plain ASCII so that
// a front end shows it whatever its character set.
#include <cstdio>

#include "driver/driver.h"

namespace {

const char* Bando(int lado) { return lado == BLANCO ? "white" : "black"; }

}  // namespace

void RazonFEN(const MotivoFEN& m, char* destino, size_t tam) {
  const char* lado = Bando(m.lado);
  switch (m.falla) {
    case FallaFEN::Ninguna: std::snprintf(destino, tam, "no fault"); break;
    case FallaFEN::Incompleta: std::snprintf(destino, tam, "the text ends inside the board"); break;
    case FallaFEN::Caracter:
      if (m.caracter > ' ' && m.caracter < 127)
        std::snprintf(destino, tam, "'%c' is not a piece letter (rank %d)", m.caracter, m.fila);
      else
        std::snprintf(destino, tam, "byte 0x%02X is not a piece letter (rank %d)",
                      static_cast<unsigned char>(m.caracter), m.fila);
      break;
    case FallaFEN::FilaLarga:
      std::snprintf(destino, tam, "rank %d has more than eight squares", m.fila);
      break;
    case FallaFEN::FilaCorta:
      std::snprintf(destino, tam, "rank %d has fewer than eight squares", m.fila);
      break;
    case FallaFEN::PocasFilas:
      std::snprintf(destino, tam, "the board has %d ranks, not eight", m.fila);
      break;
    case FallaFEN::MuchasFilas:
      std::snprintf(destino, tam, "the board has more than eight ranks");
      break;
    case FallaFEN::Turno: std::snprintf(destino, tam, "the side to move must be w or b"); break;
    case FallaFEN::Enroques:
      std::snprintf(destino, tam, "the castling field must be - or letters KQkq");
      break;
    case FallaFEN::AlPaso:
      std::snprintf(destino, tam, "the en-passant field must be - or a square");
      break;
    case FallaFEN::SinRey: std::snprintf(destino, tam, "no %s king", lado); break;
    case FallaFEN::VariosReyes: std::snprintf(destino, tam, "more than one %s king", lado); break;
    case FallaFEN::DemasiadasPiezas:
      std::snprintf(destino, tam, "more than sixteen %s men", lado);
      break;
    case FallaFEN::PeonEnBorde:
      std::snprintf(destino, tam, "a pawn on %s, on the first or last rank",
                    NombreCasilla[m.casilla]);
      break;
    case FallaFEN::JaqueSinTurno:
      std::snprintf(destino, tam, "%s is in check with %s to move", lado, Bando(1 - m.lado));
      break;
  }
}

// The console keeps its three classic messages for faults of the text (a rank
// that is not one is a "wrong line"); the position's own faults are named.
void MensajeErrorFEN(const MotivoFEN& m, char* destino, size_t tam) {
  const bool blanco = m.lado == BLANCO;
  const char* rey = blanco ? "rey blanco" : "rey negro";
  switch (m.falla) {
    case FallaFEN::Ninguna: std::snprintf(destino, tam, "Error en FEN: ninguno"); break;
    case FallaFEN::Incompleta:
      std::snprintf(destino, tam, "Error en FEN: cadena incompleta");
      break;
    case FallaFEN::Caracter:
    case FallaFEN::FilaLarga:
    case FallaFEN::FilaCorta:
    case FallaFEN::PocasFilas:
    case FallaFEN::MuchasFilas:
      std::snprintf(destino, tam, "Error en FEN: l\xEDnea incorrecta");
      break;
    case FallaFEN::Turno:
      std::snprintf(destino, tam, "Error en FEN: color en turno debe ser 'w' o 'b'");
      break;
    case FallaFEN::Enroques:
      std::snprintf(destino, tam, "Error en FEN: enroques incorrectos (- o letras KQkq)");
      break;
    case FallaFEN::AlPaso:
      std::snprintf(destino, tam, "Error en FEN: casilla al paso incorrecta (- o una casilla)");
      break;
    case FallaFEN::SinRey: std::snprintf(destino, tam, "Error en FEN: falta el %s", rey); break;
    case FallaFEN::VariosReyes:
      std::snprintf(destino, tam, "Error en FEN: m\xE1s de un %s", rey);
      break;
    case FallaFEN::DemasiadasPiezas:
      std::snprintf(destino, tam, "Error en FEN: m\xE1s de diecis\xE9is piezas %s",
                    blanco ? "blancas" : "negras");
      break;
    case FallaFEN::PeonEnBorde:
      std::snprintf(destino, tam, "Error en FEN: pe\xF3n en %s, en la primera o la \xFAltima fila",
                    NombreCasilla[m.casilla]);
      break;
    case FallaFEN::JaqueSinTurno:
      std::snprintf(destino, tam, "Error en FEN: el %s est\xE1 en jaque y mueven las %s", rey,
                    blanco ? "negras" : "blancas");
      break;
  }
}

void ImprimirErrorFEN(const MotivoFEN& m) {
  char texto[128];
  MensajeErrorFEN(m, texto, sizeof texto);
  std::printf("%s\n", texto);
}
