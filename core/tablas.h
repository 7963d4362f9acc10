// The geometric tables, the 64-bit square masks and the hash keys, all built by
// the compiler. Part of core/core.h, which includes it after the square helpers
// these builders use; include core/core.h, not this file.
//
// Being constants, they need no start-up step, cannot be read before they are
// filled, and every translation unit sees their contents, so a look-up at a
// known square folds away. Each group is one object built by one function; the
// names the engine indexes are references into it, with the same element types
// and shapes the code has always indexed.
#pragma once

// ---------------------------------------------------------------- diagonals by square difference

// By square difference + 120: 1 when the difference is a whole number of steps
// (1 to 7) along a diagonal of that direction.
struct TablasDiagonal {
  uint8_t d17[241];
  uint8_t d15[241];
};

constexpr TablasDiagonal ConstruirDiagonales() {
  TablasDiagonal t{};
  for (int k = 1; k <= 7; ++k) {
    t.d17[120 + 17 * k] = t.d17[120 - 17 * k] = 1;
    t.d15[120 + 15 * k] = t.d15[120 - 15 * k] = 1;
  }
  return t;
}
inline constexpr TablasDiagonal DIAGONALES = ConstruirDiagonales();
inline constexpr const auto& Diagonal17 = DIAGONALES.d17;
inline constexpr const auto& Diagonal15 = DIAGONALES.d15;

// A man of the side to move leaving `desde` for `hasta` may uncover its king on
// `rey` when it leaves a line through the king on which something could stand
// beyond it: the king's rank (the man not on the a- or h-file), its file (the man
// not on rank 1 or 8), or one of its diagonals (the man on neither edge).
constexpr bool ClavadaPosibleDefinicion(int desde, int hasta, int rey) {
  if (!EnTablero(desde) || !EnTablero(hasta) || !EnTablero(rey)) return false;
  // Row 0 is rank 8.
  const int fd = Columna(desde), rd = desde >> 4;
  const bool columnaInterior = fd >= 1 && fd <= 6;  // files b..g
  const bool filaInterior = rd >= 1 && rd <= 6;     // ranks 2..7
  if ((desde >> 4) == (rey >> 4) && (hasta >> 4) != (rey >> 4) && columnaInterior) return true;
  if (Columna(desde) == Columna(rey) && Columna(hasta) != Columna(rey) && filaInterior) return true;
  if (columnaInterior && filaInterior) {
    const int dDesde = desde - rey + 120, dHasta = hasta - rey + 120;
    return (Diagonal15[dDesde] && !Diagonal15[dHasta]) ||
           (Diagonal17[dDesde] && !Diagonal17[dHasta]);
  }
  return false;
}

// ---------------------------------------------------------------- tables by pairs of 0x88 squares

struct TablasCasillas {
  // By from-square and king-square index: the to-squares (bit 63 - index) for
  // which a move may uncover the king (ClavadaPosibleDefinicion). 32 KB where a
  // table by all three squares took 1.7 MB and missed the cache on nearly every make.
  uint64_t posibleClavada[64][64];
  // Knight on a, king on b: 1 when the knight can reach a square next to or on the king.
  uint8_t caballoCercaRey[120][120];
  // First square along the diagonals (lines) from a that stands next to or on b;
  // 0 when none, so a8 can never be reported.
  uint8_t diagonalRey[120][120];
  uint8_t lineaRey[120][120];
  // Pawn on a, king on b, by the pawn's colour: is the king inside the pawn's square?
  uint8_t cuadradoPeon[120][120][2];
};

namespace tablas_detalle {

// Gives the squares next to or on s (on the board) the value v, each only the
// first time it is reached: walking the rays from a square outward and marking
// the squares near each one builds a whole row of a table "first square near b"
// in one pass, where asking the question once per pair of squares walked every
// ray again for every b (too long for the compilers' constant evaluation).
constexpr void MarcarCercanas(uint8_t (&fila)[120], bool (&marcada)[120], int s, uint8_t v) {
  constexpr int alrededor[9] = {-17, -16, -15, -1, 0, 1, 15, 16, 17};
  for (int d : alrededor) {
    const int b = s + d;
    if (EnTablero(b) && !marcada[b]) {
      marcada[b] = true;
      fila[b] = v;
    }
  }
}

// By king square b: the first square along `direcciones` from a (in that order,
// nearest first) that stands next to or on b.
constexpr void PrimerasCercanas(uint8_t (&fila)[120], int a, const int (&direcciones)[4]) {
  bool marcada[120] = {};
  for (int d : direcciones)
    for (int s = a + d; EnTablero(s); s += d) MarcarCercanas(fila, marcada, s, static_cast<uint8_t>(s));
}

// The squares (as bits) on each line through a square: its rank, its file and
// its two diagonals, the square itself left out of the diagonals as the
// difference tables leave it out.
struct LineasPorCasilla {
  uint64_t fila[64], columna[64], diagonal15[64], diagonal17[64];
};

constexpr LineasPorCasilla ConstruirLineas() {
  LineasPorCasilla l{};
  for (int c = 0; c < 64; ++c)
    for (int s = 0; s < 64; ++s) {
      const uint64_t bit = uint64_t{1} << (63 - s);
      const int diferencia = Casilla0x88(s) - Casilla0x88(c) + 120;
      if (s >> 3 == c >> 3) l.fila[c] |= bit;
      if ((s & 7) == (c & 7)) l.columna[c] |= bit;
      if (Diagonal15[diferencia]) l.diagonal15[c] |= bit;
      if (Diagonal17[diferencia]) l.diagonal17[c] |= bit;
    }
  return l;
}

// ClavadaPosibleDefinicion for every to-square at once, as bits: the same three
// cases, each giving the squares off the line the man stands on.
constexpr uint64_t SalidasClavada(const LineasPorCasilla& l, int desde, int rey) {
  const int fd = desde & 7, rd = desde >> 3;
  const bool columnaInterior = fd >= 1 && fd <= 6;
  const bool filaInterior = rd >= 1 && rd <= 6;
  const uint64_t bitDesde = uint64_t{1} << (63 - desde);
  uint64_t salidas = 0;
  if ((l.fila[rey] & bitDesde) && columnaInterior) salidas |= ~l.fila[rey];
  if ((l.columna[rey] & bitDesde) && filaInterior) salidas |= ~l.columna[rey];
  if (columnaInterior && filaInterior) {
    if (l.diagonal15[rey] & bitDesde) salidas |= ~l.diagonal15[rey];
    if (l.diagonal17[rey] & bitDesde) salidas |= ~l.diagonal17[rey];
  }
  return salidas;
}

}  // namespace tablas_detalle

constexpr TablasCasillas ConstruirTablasCasillas() {
  using namespace tablas_detalle;
  TablasCasillas t{};
  const LineasPorCasilla lineas = ConstruirLineas();
  for (int desde = 0; desde < 64; ++desde)
    for (int rey = 0; rey < 64; ++rey)
      t.posibleClavada[desde][rey] = SalidasClavada(lineas, desde, rey);

  constexpr int saltos[8] = {14, -14, 18, -18, 31, -31, 33, -33};
  constexpr int diagonales[4] = {-17, -15, 15, 17};
  constexpr int rectas[4] = {-1, 1, 16, -16};
  for (int a = 0; a < 120; ++a) {
    if (!EnTablero(a)) continue;
    bool marcada[120] = {};
    for (int salto : saltos)
      if (EnTablero(a + salto)) MarcarCercanas(t.caballoCercaRey[a], marcada, a + salto, 1);
    PrimerasCercanas(t.diagonalRey[a], a, diagonales);
    PrimerasCercanas(t.lineaRey[a], a, rectas);
    for (int b = 0; b < 120; ++b) {
      if (!EnTablero(b)) continue;
      const int rowP = a >> 4, rowK = b >> 4;
      const int fd = Abs(Columna(a) - Columna(b));
      t.cuadradoPeon[a][b][BLANCO] = rowK <= rowP && fd <= rowP;
      t.cuadradoPeon[a][b][NEGRO] = rowK >= rowP && fd <= 7 - rowP;
    }
  }
  return t;
}
inline constexpr TablasCasillas TABLAS_CASILLAS = ConstruirTablasCasillas();
inline constexpr const auto& PosibleClavada = TABLAS_CASILLAS.posibleClavada;
inline constexpr const auto& CaballoCercaRey = TABLAS_CASILLAS.caballoCercaRey;
inline constexpr const auto& DiagonalRey = TABLAS_CASILLAS.diagonalRey;
inline constexpr const auto& LineaRey = TABLAS_CASILLAS.lineaRey;
inline constexpr const auto& CuadradoPeon = TABLAS_CASILLAS.cuadradoPeon;

// ---------------------------------------------------------------- 64-bit masks over square indexes

// Index i (a8 = 0) is bit 63 - i; row 0 is rank 8.
struct TablasMascaras {
  uint64_t bitCasilla[64];
  uint64_t mascaraColumna[8];
  uint64_t columnasVecinas[8];
  uint64_t ataquePeonBlanco[64];
  uint64_t ataquePeonNegro[64];
  // The file's squares ahead of the square (toward rank 8 / rank 1), ranks 1
  // and 8 left out: no pawn stands there.
  uint64_t columnaArriba[64];
  uint64_t columnaAbajo[64];
  // Those squares on the pawn's own and neighbouring files.
  uint64_t mascaraPasadoBlanco[64];
  uint64_t mascaraPasadoNegro[64];
  // The neighbouring files from the square's rank back to the pawn's second rank.
  uint64_t apoyoBlanco[64];
  uint64_t apoyoNegro[64];
  // By king square: the pawn squares whose square (rule of the square) the king
  // is at least one (2: two) moves outside of, white pawns / black pawns.
  uint64_t fueraCuadradoBlanco[64];
  uint64_t fueraCuadradoBlanco2[64];
  uint64_t fueraCuadradoNegro[64];
  uint64_t fueraCuadradoNegro2[64];
  uint64_t vecinasRey[64];
  uint8_t distanciaCasillas[64][64];
  uint64_t entreCasillas[64][64];
};

constexpr TablasMascaras ConstruirMascaras() {
  TablasMascaras t{};
  for (int i = 0; i < 64; ++i) t.bitCasilla[i] = uint64_t{1} << (63 - i);
  for (int f = 0; f < 8; ++f)
    for (int r = 0; r < 8; ++r) t.mascaraColumna[f] |= t.bitCasilla[r * 8 + f];
  for (int f = 0; f < 8; ++f)
    t.columnasVecinas[f] =
        (f > 0 ? t.mascaraColumna[f - 1] : 0) | (f < 7 ? t.mascaraColumna[f + 1] : 0);

  auto bit = [&t](int row, int file) -> uint64_t {
    return (row >= 0 && row < 8 && file >= 0 && file < 8) ? t.bitCasilla[row * 8 + file] : 0;
  };

  for (int i = 0; i < 64; ++i) {
    const int row = i >> 3, file = i & 7;
    t.ataquePeonBlanco[i] = row > 0 ? bit(row - 1, file - 1) | bit(row - 1, file + 1) : 0;
    t.ataquePeonNegro[i] = row < 7 ? bit(row + 1, file - 1) | bit(row + 1, file + 1) : 0;

    uint64_t arriba = 0, abajo = 0, pasadoB = 0, pasadoN = 0, apoyoB = 0, apoyoN = 0;
    for (int r = 1; r < row; ++r) arriba |= bit(r, file);
    for (int r = row + 1; r < 7; ++r) abajo |= bit(r, file);
    for (int r = 1; r < row; ++r) pasadoB |= bit(r, file - 1) | bit(r, file) | bit(r, file + 1);
    for (int r = row + 1; r < 7; ++r) pasadoN |= bit(r, file - 1) | bit(r, file) | bit(r, file + 1);
    for (int r = row; r <= 6; ++r) apoyoB |= bit(r, file - 1) | bit(r, file + 1);
    for (int r = row; r >= 1; --r) apoyoN |= bit(r, file - 1) | bit(r, file + 1);
    t.columnaArriba[i] = arriba;
    t.columnaAbajo[i] = abajo;
    t.mascaraPasadoBlanco[i] = pasadoB;
    t.mascaraPasadoNegro[i] = pasadoN;
    t.apoyoBlanco[i] = apoyoB;
    t.apoyoNegro[i] = apoyoN;

    uint64_t vecinas = 0;
    for (int dr = -1; dr <= 1; ++dr)
      for (int df = -1; df <= 1; ++df)
        if (dr || df) vecinas |= bit(row + dr, file + df);
    t.vecinasRey[i] = vecinas;
  }

  // k is the king square, p the pawn square; a (b) how many moves the king is
  // outside a white (black) pawn's square.
  for (int k = 0; k < 64; ++k) {
    const int rk = k >> 3, fk = k & 7;
    for (int p = 0; p < 64; ++p) {
      const int rp = p >> 3, fd = Abs((p & 7) - fk);
      int a = rk > rp ? rk - rp : 0;
      if (fd > rp && fd - rp > a) a = fd - rp;
      int b = rk < rp ? rp - rk : 0;
      if (fd > 7 - rp && fd - (7 - rp) > b) b = fd - (7 - rp);
      if (a >= 1) t.fueraCuadradoBlanco[k] |= t.bitCasilla[p];
      if (a >= 2) t.fueraCuadradoBlanco2[k] |= t.bitCasilla[p];
      if (b >= 1) t.fueraCuadradoNegro[k] |= t.bitCasilla[p];
      if (b >= 2) t.fueraCuadradoNegro2[k] |= t.bitCasilla[p];
    }
  }

  for (int a = 0; a < 64; ++a) {
    const int ra = a >> 3, fa = a & 7;
    for (int b = 0; b < 64; ++b) {
      const int rb = b >> 3, fb = b & 7;
      const int dr = rb - ra, df = fb - fa;
      t.distanciaCasillas[a][b] = static_cast<uint8_t>(Abs(dr) > Abs(df) ? Abs(dr) : Abs(df));
      if (a != b && (dr == 0 || df == 0 || Abs(dr) == Abs(df))) {
        const int pr = (dr > 0) - (dr < 0), pf = (df > 0) - (df < 0);
        for (int r = ra + pr, f = fa + pf; r != rb || f != fb; r += pr, f += pf)
          t.entreCasillas[a][b] |= t.bitCasilla[r * 8 + f];
      }
    }
  }
  return t;
}
inline constexpr TablasMascaras MASCARAS = ConstruirMascaras();
inline constexpr const auto& BitCasilla = MASCARAS.bitCasilla;
inline constexpr const auto& MascaraColumna = MASCARAS.mascaraColumna;
inline constexpr const auto& ColumnasVecinas = MASCARAS.columnasVecinas;
inline constexpr const auto& AtaquePeonBlanco = MASCARAS.ataquePeonBlanco;
inline constexpr const auto& AtaquePeonNegro = MASCARAS.ataquePeonNegro;
inline constexpr const auto& ColumnaArriba = MASCARAS.columnaArriba;
inline constexpr const auto& ColumnaAbajo = MASCARAS.columnaAbajo;
inline constexpr const auto& MascaraPasadoBlanco = MASCARAS.mascaraPasadoBlanco;
inline constexpr const auto& MascaraPasadoNegro = MASCARAS.mascaraPasadoNegro;
inline constexpr const auto& ApoyoBlanco = MASCARAS.apoyoBlanco;
inline constexpr const auto& ApoyoNegro = MASCARAS.apoyoNegro;
inline constexpr const auto& FueraCuadradoBlanco = MASCARAS.fueraCuadradoBlanco;
inline constexpr const auto& FueraCuadradoBlanco2 = MASCARAS.fueraCuadradoBlanco2;
inline constexpr const auto& FueraCuadradoNegro = MASCARAS.fueraCuadradoNegro;
inline constexpr const auto& FueraCuadradoNegro2 = MASCARAS.fueraCuadradoNegro2;
inline constexpr const auto& VecinasRey = MASCARAS.vecinasRey;
inline constexpr const auto& DistanciaCasillas = MASCARAS.distanciaCasillas;
inline constexpr const auto& EntreCasillas = MASCARAS.entreCasillas;  // strictly between, on a line

// ---------------------------------------------------------------- hash keys

// Book files store positions under these keys, so the generator, its seed and
// the drawing order must never change: a different key means every stored book
// entry is lost.

// Additive lagged-Fibonacci generator (lags 24 and 55) from a fixed seed.
struct GeneradorClaves {
  uint32_t estado[55] = {
      0x5414D5F4, 0xB3935330, 0xD0773E27, 0xAC62A182, 0x5DB20C92, 0xC1E618AC, 0xD003926A,
      0x171FA3B3, 0x9AD12101, 0x762172C1, 0xBC5D9DC3, 0x07B72A70, 0x6E5AC890, 0xF7BE54D1,
      0x0D6332FA, 0x56BA8FBE, 0xEBA585EC, 0x571421C5, 0x96B3C079, 0x12EB9B92, 0xC07C0978,
      0x0700C5BD, 0x31A43513, 0x74EBA4AA, 0x4EC55DB5, 0x2C91C2E9, 0x208771F6, 0x304EE204,
      0x1E004673, 0xF3AC22F9, 0xA8561FEB, 0xDED13435, 0xD03E7513, 0xDAE66BC2, 0x01C20BE1,
      0x46638997, 0xFB26CE62, 0x01F87FC3, 0xC0016099, 0x44429270, 0xB04F4481, 0xF31B8AD7,
      0x86DD7A46, 0x03E72091, 0x96A22589, 0x74DCB7D4, 0x12D0FC03, 0x474A16E8, 0x2FF5717C,
      0x54BDED92, 0x783A9487, 0xE767978C, 0x3052D5CD, 0x16ECA191, 0x8EAF6D15};
  int j = 23, k = 54;

  constexpr uint32_t Siguiente() {
    const uint32_t x = estado[k] + estado[j];
    estado[k] = x;
    if (--j < 0) j = 54;
    if (--k < 0) k = 54;
    return x;
  }
  constexpr void Clave(uint32_t (&clave)[2]) {
    clave[0] = Siguiente();
    clave[1] = Siguiente();
  }
};

// Keys are [low, high] word pairs; the empty code (index 6), off-board squares
// and off-board en-passant squares keep zero keys.
struct TablaClaves {
  uint32_t pieza[13][120][2];  // [piece + 6][square]
  uint32_t alPaso[128][2];     // by en-passant square, SIN_CASILLA for none
  uint32_t enroque[16][2];     // by castling rights
  uint32_t marcaPeonesA;
  uint32_t marcaPeonesB;
};

// Draw order: per square a8..h1 the twelve piece keys (white pawn, black pawn,
// white knight, ... black king) and that square's en-passant key; then the
// "no en-passant square" key, the sixteen castling keys and the two pawn-hash marks.
constexpr TablaClaves ConstruirClaves() {
  TablaClaves t{};
  GeneradorClaves g;
  for (int i = 0; i < 64; ++i) {
    const int s = Casilla0x88(i);
    for (int tipo = PEON; tipo <= REY; ++tipo) {
      g.Clave(t.pieza[tipo + 6][s]);
      g.Clave(t.pieza[-tipo + 6][s]);
    }
    g.Clave(t.alPaso[s]);
  }
  g.Clave(t.alPaso[SIN_CASILLA]);
  for (auto& clave : t.enroque) g.Clave(clave);
  t.marcaPeonesA = g.Siguiente();
  t.marcaPeonesB = g.Siguiente();
  return t;
}
inline constexpr TablaClaves CLAVES = ConstruirClaves();
inline constexpr const auto& ClavesPieza = CLAVES.pieza;
inline constexpr const auto& ClavesAlPaso = CLAVES.alPaso;
inline constexpr const auto& ClavesEnroque = CLAVES.enroque;
inline constexpr uint32_t MarcaPeonesA = CLAVES.marcaPeonesA;
inline constexpr uint32_t MarcaPeonesB = CLAVES.marcaPeonesB;
