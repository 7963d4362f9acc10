// Is a square attacked? Three shapes of the question, one per situation.
#include <initializer_list>

#include "core/core.h"

namespace {

// Walks from `casilla` towards `origen` in steps of `paso` over empty squares;
// true when the walk stops exactly on `origen`.
inline bool RayoLibre(int casilla, int origen, int paso) {
  int s = casilla + paso;
  while (EnTablero(s) && s != origen && Tablero[s] == VACIO) s += paso;
  return s == origen;
}

inline bool AtacaDiagonal(int casilla, int origen) {
  const int d = origen - casilla;
  if (Diagonal15[d + 120]) return RayoLibre(casilla, origen, d > 0 ? 15 : -15);
  if (Diagonal17[d + 120]) return RayoLibre(casilla, origen, d > 0 ? 17 : -17);
  return false;
}

inline bool AtacaLinea(int casilla, int origen) {
  if ((casilla & 0xF0) == (origen & 0xF0))
    return RayoLibre(casilla, origen, origen > casilla ? 1 : -1);
  if ((casilla & 0x0F) == (origen & 0x0F))
    return RayoLibre(casilla, origen, origen > casilla ? 16 : -16);
  return false;
}

inline bool Adyacentes(int a, int b) {
  const int df = Abs(Columna(a) - Columna(b)), dr = Abs((a >> 4) - (b >> 4));
  return (df | dr) != 0 && df <= 1 && dr <= 1;
}

// First occupied square from `casilla` along `paso`, or VACIO when the edge comes first.
inline int PrimeraPieza(int casilla, int paso) {
  for (int s = casilla + paso; EnTablero(s); s += paso)
    if (Tablero[s] != VACIO) return Tablero[s];
  return VACIO;
}

// A pawn of `lado` on one of the two squares from which it would take on `casilla`
// (a white pawn attacks upwards, so it stands below the square).
inline bool AtacadaPorPeon(int lado, int casilla) {
  const int peon = Signo(lado) * PEON;
  const int p1 = lado == BLANCO ? casilla + 17 : casilla - 17;
  const int p2 = lado == BLANCO ? casilla + 15 : casilla - 15;
  return (EnTablero(p1) && Tablero[p1] == peon) || (EnTablero(p2) && Tablero[p2] == peon);
}

}  // namespace

int Atacada(int lado, int casilla, const EstadoPly* estado) {
  const int col = lado == BLANCO ? 0 : 1;

  // Pawns.
  if (AtacadaPorPeon(lado, casilla)) return 1;

  // Knights.
  for (int k = 0, n = estado->NumPiezas[2 + col]; k < n; ++k) {
    const int d = Abs(ListaPiezas[2 + col][k] - casilla);
    if (d == 14 || d == 18 || d == 31 || d == 33) return 1;
  }
  // Bishops.
  for (int k = 0, n = estado->NumPiezas[4 + col]; k < n; ++k)
    if (AtacaDiagonal(casilla, ListaPiezas[4 + col][k])) return 1;
  // Rooks.
  for (int k = 0, n = estado->NumPiezas[6 + col]; k < n; ++k)
    if (AtacaLinea(casilla, ListaPiezas[6 + col][k])) return 1;
  // Queens.
  for (int k = 0, n = estado->NumPiezas[8 + col]; k < n; ++k) {
    const int q = ListaPiezas[8 + col][k];
    if (AtacaLinea(casilla, q) || AtacaDiagonal(casilla, q)) return 1;
  }
  // King.
  return Adyacentes(estado->Rey[lado], casilla);
}

// Reads only the board: the piece lists are stale while make tries a move.
int AtacadaTrasMover(int lado, int casilla, const EstadoPly* estado) {
  const int signo = Signo(lado);
  const int col = lado == BLANCO ? 0 : 1;

  if (AtacadaPorPeon(lado, casilla)) return 1;

  if (estado->NumPiezas[2 + col]) {
    for (int d : DESPLAZAMIENTOS_CABALLO) {
      const int s = casilla + d;
      if (EnTablero(s) && Tablero[s] == signo * CABALLO) return 1;
    }
  }
  const int damas = estado->NumPiezas[8 + col];
  if (estado->NumPiezas[4 + col] || damas) {
    for (int d : {-17, -15, 15, 17}) {
      const int p = PrimeraPieza(casilla, d);
      if (p == signo * ALFIL || p == signo * DAMA) return 1;
    }
  }
  if (estado->NumPiezas[6 + col] || damas) {
    for (int d : {-16, -1, 1, 16}) {
      const int p = PrimeraPieza(casilla, d);
      if (p == signo * TORRE || p == signo * DAMA) return 1;
    }
  }
  return Adyacentes(estado->Rey[lado], casilla);
}

uint64_t CasillasEvasion(const EstadoPly* estado) {
  const int lado = 1 - estado->Turno;
  const int col = lado == BLANCO ? 0 : 1;
  const int rey = estado->Rey[estado->Turno];
  uint64_t jaqueadores = 0;
  const int peon = Signo(lado) * PEON;
  for (int p : {lado == BLANCO ? rey + 17 : rey - 17, lado == BLANCO ? rey + 15 : rey - 15})
    if (EnTablero(p) && Tablero[p] == peon) jaqueadores |= BitDe[p];
  for (int k = 0, n = estado->NumPiezas[2 + col]; k < n; ++k) {
    const int s = ListaPiezas[2 + col][k];
    const int d = Abs(s - rey);
    if (d == 14 || d == 18 || d == 31 || d == 33) jaqueadores |= BitDe[s];
  }
  for (int k = 0, n = estado->NumPiezas[4 + col]; k < n; ++k)
    if (AtacaDiagonal(rey, ListaPiezas[4 + col][k])) jaqueadores |= BitDe[ListaPiezas[4 + col][k]];
  for (int k = 0, n = estado->NumPiezas[6 + col]; k < n; ++k)
    if (AtacaLinea(rey, ListaPiezas[6 + col][k])) jaqueadores |= BitDe[ListaPiezas[6 + col][k]];
  for (int k = 0, n = estado->NumPiezas[8 + col]; k < n; ++k) {
    const int q = ListaPiezas[8 + col][k];
    if (AtacaLinea(rey, q) || AtacaDiagonal(rey, q)) jaqueadores |= BitDe[q];
  }
  return EvasionDe(jaqueadores, rey);
}

// The king may not cross an attacked square. The destination is tested by make
// itself, and castling is never generated in check, so only the crossed square
// (f1, d1, f8 or d8) is left; the board still has king and rook at home, which
// blocks nothing that matters for that square.
int EnroqueSeguro(int enroque, const EstadoPly* estado) {
  const int enemigo = 1 - estado->Turno;
  switch (enroque) {
    case ENROQUE_BC: return !AtacadaTrasMover(enemigo, F1, estado);
    case ENROQUE_BL: return !AtacadaTrasMover(enemigo, D1, estado);
    case ENROQUE_NC: return !AtacadaTrasMover(enemigo, F8, estado);
    case ENROQUE_NL: return !AtacadaTrasMover(enemigo, D8, estado);
    default: return 0;
  }
}
