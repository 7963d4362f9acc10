// Material balance with its imbalance corrections, the bishop pair, the phase
// choice and the insufficient-material rule.
#include <cstring>

#include "eval/eval.h"
#include "eval/forma.h"
#include "eval/interno.h"
#include "eval/tablas_eval.h"

namespace {

// Indexed by the pawns on the board (0..16).
constexpr int32_t AlfilSolo[17] = {20, 18, 16, 14, 12, 10, 8, 6, 4, 2, 0, -1, -2, -3, -4, -5, -6};
constexpr int32_t TorrePorPeones[17] = {25, 22, 19, 16,  12,  6,   0,   -1, -2,
                                        -3, -5, -8, -11, -15, -18, -21, -25};
constexpr int32_t CaballoPorPeones[17] = {-9, -8, -7, -6, -5, -4, -3, -2, -1,
                                          0,  1,  2,  3,  4,  5,  6,  8};
constexpr int32_t ParejaAlfiles[17] = {60, 59, 56, 53, 50, 46, 42, 38, 35,
                                       27, 18, 10, 8,  6,  4,  2,  0};
// Indexed by a side's pieces (0..15).
constexpr int32_t PiezaPorPeones[16] = {0,   5,   35,  70,  80,  90,  100, 110,
                                        120, 120, 120, 120, 120, 120, 120, 120};
// Indexed by the heavy pieces (rooks + queens) of the side with the minor.
constexpr int32_t CalidadMenor[11] = {5, -5, -10, -25, -25, -25, -25, -25, -25, -25, -25};
constexpr int32_t CalidadDosMenores[11] = {25, 5, -5, -25, -25, -25, -25, -25, -25, -25, -25};
// Trade-down scaling: own pawns (0..8) and opponent pieces (0..15).
constexpr int32_t MenosPeones[9] = {20, 10, 5, 3, 2, 1, 0, 0, 0};
constexpr int32_t MenosPiezas[16] = {20, 10, 5, 3, 2, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};

}  // namespace

int32_t MaterialEval() {
  if constexpr (FORMA_EVAL.Propios) return FORMA_EVAL.Material();
  return EstadoActual->Material;
}

namespace {

// The material term from the sum `f` it starts from.
int32_t CalcularMaterial(int32_t f) {
  const EstadoPly* e = EstadoActual;
  const int wP = e->NumPiezas[0], bP = e->NumPiezas[1];
  const int wN = e->NumPiezas[2], bN = e->NumPiezas[3];
  const int wB = e->NumPiezas[4], bB = e->NumPiezas[5];
  const int wR = e->NumPiezas[6], bR = e->NumPiezas[7];
  const int wQ = e->NumPiezas[8], bQ = e->NumPiezas[9];
  const int wM = wN + wB, bM = bN + bB;
  const int wPc = e->PiezasBlancas, bPc = e->PiezasNegras;
  const int p = wP + bP;

  // Pieces that work well together.
  if (wQ > 0 && wN > 0) f += 3;
  if (bQ > 0 && bN > 0) f -= 3;
  if (wR > 0 && wB > 0) f += 6;
  if (bR > 0 && bB > 0) f -= 6;

  // A lone bishop against a knight is worth more with few pawns.
  if (wM == bM) {
    if (wB > 0 && bB == 0) f += Acotada(AlfilSolo, p);
    if (bB > 0 && wB == 0) f -= Acotada(AlfilSolo, p);
  }

  // A piece for pawns.
  if (wM > bM && wP < bP) f += Acotada(PiezaPorPeones, wPc);
  if (bM > wM && bP < wP) f -= Acotada(PiezaPorPeones, bPc);

  // The exchange (rook against one or two minors).
  if (bR < wR) {
    if (bM == wM + 1) {
      if (bB > 0) f -= 25;
      f += Acotada(CalidadMenor, bR + bQ);
    } else if (bM == wM + 2) {
      f += Acotada(CalidadDosMenores, bR + bQ) - 50;
    }
  }
  if (wR < bR) {
    if (wM == bM + 1) {
      if (wB > 0) f += 25;
      f -= Acotada(CalidadMenor, wR + wQ);
    } else if (wM == bM + 2) {
      f += 50 - Acotada(CalidadDosMenores, wR + wQ);
    }
  }

  // Rooks gain as pawns come off, and without the queen.
  if (wR > 0) {
    if (wQ == 0) f += 6 * wR;
    f += Acotada(TorrePorPeones, p) * wR;
  }
  if (bR > 0) {
    if (bQ == 0) f -= 6 * bR;
    f -= Acotada(TorrePorPeones, p) * bR;
  }

  // Queen against minors (and a rook).
  if (wQ > 0 && bQ == 0) {
    if (bM == wM + 3) f -= 100;
    else if (bM == wM + 2 && bR == wR + 1) f -= 25;
  }
  if (bQ > 0 && wQ == 0) {
    if (wM == bM + 3) f += 100;
    else if (wM == bM + 2 && wR == bR + 1) f += 25;
  }

  // Knights gain with many pawns.
  f += Acotada(CaballoPorPeones, p) * wN;
  f -= Acotada(CaballoPorPeones, p) * bN;

  // Trade down when ahead: the side ahead wants its pawns kept and the
  // opponent's pieces gone. Left to right, truncating after each division.
  if (f > 0)
    f = (100 - Acotada(MenosPeones, wP)) * f / 100 * (Acotada(MenosPiezas, bPc) + 100) / 100;
  else if (f < 0)
    f = (100 - Acotada(MenosPeones, bP)) * f / 100 * (Acotada(MenosPiezas, wPc) + 100) / 100;
  return f;
}

int32_t CalcularPareja() {
  const EstadoPly* e = EstadoActual;
  const int wB = e->NumPiezas[4], bB = e->NumPiezas[5];
  const int p = e->NumPiezas[0] + e->NumPiezas[1];
  if (wB == 2 && bB < 2) return Acotada(ParejaAlfiles, p);
  if (bB == 2 && wB < 2) return -Acotada(ParejaAlfiles, p);
  return 0;
}

// Piece material of a side in hundreds, capped at 32.
int MaterialPiezas(int lado) {
  const uint8_t* n = EstadoActual->NumPiezas;
  const int o = lado == BLANCO ? 0 : 1;
  const int v = (300 * (n[2 + o] + n[4 + o]) + 500 * n[6 + o] + 950 * n[8 + o]) / 100;
  return v < 32 ? v : 32;
}

}  // namespace

void LlenarMaterial(EntradaMaterial& m, uint64_t cuentas, uint32_t resto, int32_t base) {
  m.Cuentas = cuentas;
  m.Resto = resto;
  m.Base = base;
  m.Material = CalcularMaterial(base);
  m.Pareja = CalcularPareja();
  m.PiezasBlancas = static_cast<uint8_t>(MaterialPiezas(BLANCO));
  m.PiezasNegras = static_cast<uint8_t>(MaterialPiezas(NEGRO));
}

int FaseEvaluacion() {
  if constexpr (FORMA_EVAL.Propios) return FORMA_EVAL.Fase();
  const EstadoPly* e = EstadoActual;
  const int peones = e->NumPiezas[0] + e->NumPiezas[1];
  const int piezas = e->PiezasBlancas + e->PiezasNegras;
  if (peones <= 8 || piezas <= 7) return 2;
  return MediasJugadas < 18 ? 0 : 1;
}
