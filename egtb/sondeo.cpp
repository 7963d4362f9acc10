// The search's question: the exact value of the current position from the
// tablebases, on the engine's score scale.
#include "core/core.h"
#include "egtb/egtb.h"

int32_t ProbarTablas() {
  // The material decides the table (negative: stored with colours reversed).
  const uint8_t* c = EstadoActual->NumPiezas;  // wP bP wN bN wB bB wR bR wQ bQ
  int p = BuscarTabla(c[0], c[2], c[4], c[6], c[8], c[1], c[3], c[5], c[7], c[9]);
  if (p == 0) return SIN_TB;

  // Men into one word per colour and type, 6 bits each, walking the board
  // from h1 back to a8 until every man (kings included) has been seen.
  uint32_t piezas[2][7] = {};
  int faltan = 2;
  for (int i = 0; i < 10; ++i) faltan += c[i];
  for (int i = 63; i >= 0 && faltan > 0; --i) {
    const int casilla = Casilla0x88(i);
    const int pieza = Tablero[casilla];
    if (pieza == VACIO) continue;
    uint32_t& w = piezas[pieza > 0 ? 0 : 1][Abs(pieza)];
    w = w << 6 | static_cast<uint32_t>(Fila(casilla) * 8 + Columna(casilla));
    --faltan;
  }

  // A combination held with colours reversed is read from the other
  // colour's point of view with the board flipped.
  const uint32_t* blancas = piezas[0];
  const uint32_t* negras = piezas[1];
  int lado = EstadoActual->Turno == BLANCO ? 0 : 1, espejo = 0;
  if (p < 0) {
    p = -p;
    blancas = piezas[1];
    negras = piezas[0];
    lado = EstadoActual->Turno;  // White to move reads the file with Black to move
    espejo = 1;
  }
  if (!TablaRegistrada(p, lado)) return SIN_TB;

  const int alPaso = EstadoActual->AlPaso == SIN_CASILLA
                         ? 127
                         : Fila(EstadoActual->AlPaso) * 8 + Columna(EstadoActual->AlPaso);
  const uint32_t indice = RegistroTablas[p].Funcion[lado](blancas, negras, alPaso, espejo);
  const int32_t v = ValorTabla(p, lado, indice);

  // A win in one (32766) scores 100000; each further move costs 2.
  if (v == SIN_VALOR_TB) return SIN_TB;
  if (v == 0) return 0;
  return v > 0 ? 2 * v + 34468 : 2 * v - 34468;
}
