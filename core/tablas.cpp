// Geometric byte tables over 0x88 squares and the 64-bit square masks.
// Built once at start-up; read-only afterwards.
#include "core/core.h"

#include <cstring>

uint8_t Diagonal17[241];
uint8_t Diagonal15[241];
uint64_t PosibleClavada[64][64];
uint8_t CaballoCercaRey[120][120];
uint8_t DiagonalRey[120][120];
uint8_t LineaRey[120][120];
uint8_t CuadradoPeon[120][120][2];

uint64_t BitCasilla[64];
uint64_t MascaraColumna[8];
uint64_t ColumnasVecinas[8];
uint64_t AtaquePeonBlanco[64];
uint64_t AtaquePeonNegro[64];
uint64_t ColumnaArriba[64];
uint64_t ColumnaAbajo[64];
uint64_t MascaraPasadoBlanco[64];
uint64_t MascaraPasadoNegro[64];
uint64_t ApoyoBlanco[64];
uint64_t ApoyoNegro[64];
uint64_t FueraCuadradoBlanco[64];
uint64_t FueraCuadradoBlanco2[64];
uint64_t FueraCuadradoNegro[64];
uint64_t FueraCuadradoNegro2[64];
uint64_t VecinasRey[64];
uint8_t DistanciaCasillas[64][64];
uint64_t EntreCasillas[64][64];

namespace {

// Row 0 is rank 8, as the masks count it.
constexpr int Hilera(int s) { return s >> 4; }

int DistanciaRey(int a, int b) {
  const int df = Abs(Columna(a) - Columna(b));
  const int dr = Abs(Hilera(a) - Hilera(b));
  return df > dr ? df : dr;
}

// First square on the rays from `a` (in the given direction order) that stands
// next to or on `b`; 0 when none. Square a8 (0) can therefore never be reported.
uint8_t PrimeraCercana(int a, int b, const int (&direcciones)[4]) {
  for (int d : direcciones) {
    for (int s = a + d; EnTablero(s); s += d)
      if (DistanciaRey(s, b) <= 1) return static_cast<uint8_t>(s);
  }
  return 0;
}

// By from-square and king square, the to-squares (as bits) of ClavadaPosibleDefinicion.
void ConstruirPosibleClavada() {
  for (int desde = 0; desde < 64; ++desde)
    for (int rey = 0; rey < 64; ++rey) {
      uint64_t salidas = 0;
      for (int hasta = 0; hasta < 64; ++hasta)
        if (ClavadaPosibleDefinicion(Casilla0x88(desde), Casilla0x88(hasta), Casilla0x88(rey)))
          salidas |= uint64_t{1} << (63 - hasta);
      PosibleClavada[desde][rey] = salidas;
    }
}

}  // namespace

// A man of the side to move leaving `desde` for `hasta` may uncover its king on
// `rey` when it leaves a line through the king on which something could stand
// beyond it: the king's rank (the man not on the a- or h-file), its file (the man
// not on rank 1 or 8), or one of its diagonals (the man on neither edge).
bool ClavadaPosibleDefinicion(int desde, int hasta, int rey) {
  if (!EnTablero(desde) || !EnTablero(hasta) || !EnTablero(rey)) return false;
  const int fd = Columna(desde), rd = Hilera(desde);
  const bool columnaInterior = fd >= 1 && fd <= 6;  // files b..g
  const bool filaInterior = rd >= 1 && rd <= 6;     // ranks 2..7
  if (Hilera(desde) == Hilera(rey) && Hilera(hasta) != Hilera(rey) && columnaInterior) return true;
  if (Columna(desde) == Columna(rey) && Columna(hasta) != Columna(rey) && filaInterior) return true;
  if (columnaInterior && filaInterior) {
    const int dDesde = desde - rey + 120, dHasta = hasta - rey + 120;
    return (Diagonal15[dDesde] && !Diagonal15[dHasta]) ||
           (Diagonal17[dDesde] && !Diagonal17[dHasta]);
  }
  return false;
}

void InicializarTablas() {
  std::memset(Diagonal17, 0, sizeof Diagonal17);
  std::memset(Diagonal15, 0, sizeof Diagonal15);
  for (int k = 1; k <= 7; ++k) {
    Diagonal17[120 + 17 * k] = Diagonal17[120 - 17 * k] = 1;
    Diagonal15[120 + 15 * k] = Diagonal15[120 - 15 * k] = 1;
  }

  ConstruirPosibleClavada();

  std::memset(CaballoCercaRey, 0, sizeof CaballoCercaRey);
  std::memset(DiagonalRey, 0, sizeof DiagonalRey);
  std::memset(LineaRey, 0, sizeof LineaRey);
  std::memset(CuadradoPeon, 0, sizeof CuadradoPeon);
  constexpr int saltos[8] = {14, -14, 18, -18, 31, -31, 33, -33};
  constexpr int diagonales[4] = {-17, -15, 15, 17};
  constexpr int lineas[4] = {-1, 1, 16, -16};
  for (int a = 0; a < 120; ++a) {
    if (!EnTablero(a)) continue;
    for (int b = 0; b < 120; ++b) {
      if (!EnTablero(b)) continue;
      for (int salto : saltos) {
        const int s = a + salto;
        if (EnTablero(s) && DistanciaRey(s, b) <= 1) {
          CaballoCercaRey[a][b] = 1;
          break;
        }
      }
      DiagonalRey[a][b] = PrimeraCercana(a, b, diagonales);
      LineaRey[a][b] = PrimeraCercana(a, b, lineas);
      // Pawn on a, king on b: is the king inside the pawn's square?
      const int rowP = Hilera(a), rowK = Hilera(b);
      const int fd = Abs(Columna(a) - Columna(b));
      CuadradoPeon[a][b][BLANCO] = rowK <= rowP && fd <= rowP;
      CuadradoPeon[a][b][NEGRO] = rowK >= rowP && fd <= 7 - rowP;
    }
  }

  InicializarBitboards();
}

void InicializarBitboards() {
  for (int i = 0; i < 64; ++i) BitCasilla[i] = uint64_t{1} << (63 - i);
  for (int f = 0; f < 8; ++f) {
    MascaraColumna[f] = 0;
    for (int r = 0; r < 8; ++r) MascaraColumna[f] |= BitCasilla[r * 8 + f];
  }
  for (int f = 0; f < 8; ++f)
    ColumnasVecinas[f] = (f > 0 ? MascaraColumna[f - 1] : 0) | (f < 7 ? MascaraColumna[f + 1] : 0);

  auto bit = [](int row, int file) -> uint64_t {
    return (row >= 0 && row < 8 && file >= 0 && file < 8) ? BitCasilla[row * 8 + file] : 0;
  };

  for (int i = 0; i < 64; ++i) {
    const int row = i >> 3, file = i & 7;
    AtaquePeonBlanco[i] = row > 0 ? bit(row - 1, file - 1) | bit(row - 1, file + 1) : 0;
    AtaquePeonNegro[i] = row < 7 ? bit(row + 1, file - 1) | bit(row + 1, file + 1) : 0;

    uint64_t arriba = 0, abajo = 0, pasadoB = 0, pasadoN = 0, apoyoB = 0, apoyoN = 0;
    for (int r = 1; r < row; ++r) arriba |= bit(r, file);
    for (int r = row + 1; r < 7; ++r) abajo |= bit(r, file);
    for (int r = 1; r < row; ++r) pasadoB |= bit(r, file - 1) | bit(r, file) | bit(r, file + 1);
    for (int r = row + 1; r < 7; ++r) pasadoN |= bit(r, file - 1) | bit(r, file) | bit(r, file + 1);
    for (int r = row; r <= 6; ++r) apoyoB |= bit(r, file - 1) | bit(r, file + 1);
    for (int r = row; r >= 1; --r) apoyoN |= bit(r, file - 1) | bit(r, file + 1);
    ColumnaArriba[i] = arriba;
    ColumnaAbajo[i] = abajo;
    MascaraPasadoBlanco[i] = pasadoB;
    MascaraPasadoNegro[i] = pasadoN;
    ApoyoBlanco[i] = apoyoB;
    ApoyoNegro[i] = apoyoN;

    uint64_t vecinas = 0;
    for (int dr = -1; dr <= 1; ++dr)
      for (int df = -1; df <= 1; ++df)
        if (dr || df) vecinas |= bit(row + dr, file + df);
    VecinasRey[i] = vecinas;
  }

  // i is the king square, p the pawn square.
  for (int k = 0; k < 64; ++k) {
    const int rk = k >> 3, fk = k & 7;
    uint64_t b1 = 0, b2 = 0, n1 = 0, n2 = 0;
    for (int p = 0; p < 64; ++p) {
      const int rp = p >> 3, fd = Abs((p & 7) - fk);
      int a = rk > rp ? rk - rp : 0;
      if (fd > rp && fd - rp > a) a = fd - rp;
      int b = rk < rp ? rp - rk : 0;
      if (fd > 7 - rp && fd - (7 - rp) > b) b = fd - (7 - rp);
      if (a >= 1) b1 |= BitCasilla[p];
      if (a >= 2) b2 |= BitCasilla[p];
      if (b >= 1) n1 |= BitCasilla[p];
      if (b >= 2) n2 |= BitCasilla[p];
    }
    FueraCuadradoBlanco[k] = b1;
    FueraCuadradoBlanco2[k] = b2;
    FueraCuadradoNegro[k] = n1;
    FueraCuadradoNegro2[k] = n2;
  }

  for (int a = 0; a < 64; ++a) {
    const int ra = a >> 3, fa = a & 7;
    for (int b = 0; b < 64; ++b) {
      const int rb = b >> 3, fb = b & 7;
      const int dr = rb - ra, df = fb - fa;
      DistanciaCasillas[a][b] = static_cast<uint8_t>(Abs(dr) > Abs(df) ? Abs(dr) : Abs(df));
      uint64_t entre = 0;
      if (a != b && (dr == 0 || df == 0 || Abs(dr) == Abs(df))) {
        const int pr = (dr > 0) - (dr < 0), pf = (df > 0) - (df < 0);
        for (int r = ra + pr, f = fa + pf; r != rb || f != fb; r += pr, f += pf)
          entre |= BitCasilla[r * 8 + f];
      }
      EntreCasillas[a][b] = entre;
    }
  }
}

void PrepararNucleo() {
  static bool hecho = false;
  if (hecho) return;
  InicializarTablas();
  InicializarClaves();
  NuevaPartida();
  hecho = true;
}
