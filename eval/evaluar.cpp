// The full evaluation: one scan of the piece lists adding the piece terms, then
// material, pawn structure and king safety, draw scaling and rounding.
#include <bit>
#include <cstdio>

#include "eval/eval.h"
#include "eval/forma.h"
#include "eval/interno.h"
#include "eval/tablas_eval.h"

namespace {

// 0x88 square from a file letter and a rank number.
constexpr int C(char columna, int fila) { return (8 - fila) * 16 + (columna - 'a'); }

constexpr int32_t CaballoAlas[4] = {0, -24, -15, -8};
constexpr int32_t AlfilAlas[4] = {0, 24, 15, 8};
constexpr int32_t Septima[7] = {0, 50, 120, 300, 300, 300, 300};
constexpr int32_t SeptimaFase[17] = {0,  30, 35,  40,  45, 50, 60, 75, 90,
                                     95, 98, 100, 100, 95, 90, 85, 80};
constexpr int32_t Desarrollo[7] = {0, -3, -7, -12, -20, -27, -35};
// By pieces (0..3) and own pawns on the bishop's colour (0..8); row 0 is never
// read (a side with a bishop has at least one piece).
constexpr int32_t MalAlfil[4][9] = {{0, 0, 0, 0, 0, 0, 0, 0, 0},
                                    {0, 0, 0, -20, -35, -55, -70, -70, -70},
                                    {0, 0, 0, -12, -16, -22, -30, -40, -55},
                                    {0, 0, 0, -6, -9, -14, -20, -27, -35}};

// The bishop's piece-square values by square index, White's and Black's.
struct TablaAlfilIndice {
  int8_t v[2][64];
  constexpr TablaAlfilIndice() : v() {
    for (int i = 0; i < 64; ++i) {
      v[BLANCO][i] = static_cast<int8_t>(TablaAlfil[Casilla0x88(i)]);
      v[NEGRO][i] = static_cast<int8_t>(TablaAlfil[Casilla0x88(i) + 8]);
    }
  }
};
constexpr TablaAlfilIndice AlfilPorIndice{};

// Pawns that count against a king: on its file or the next ones, fewer than
// four rows behind it from the pawn's side. By colour of the pawns and the
// enemy king's square index.
struct TablaZonaPeones {
  uint64_t v[2][64];
  constexpr TablaZonaPeones() : v() {
    for (int rey = 0; rey < 64; ++rey)
      for (int i = 0; i < 64; ++i) {
        const int df = (i & 7) - (rey & 7), dr = (i >> 3) - (rey >> 3);
        if (df < -1 || df > 1) continue;
        if (dr < 4) v[BLANCO][rey] |= Bit(i);
        if (-dr < 4) v[NEGRO][rey] |= Bit(i);
      }
  }
};
constexpr TablaZonaPeones ZonaPeones{};

template <bool Traza>
int EvaluarPosicionT(int fase, DesgloseEval* d) {
  const EstadoPly* e = EstadoActual;
  const int kw = e->Rey[BLANCO], kb = e->Rey[NEGRO];
  const int iw = Indice64(kw), ib = Indice64(kb);
  const int colRb = Columna(kw), colRn = Columna(kb);
  const int filaRb = FilaDe(kw), filaRn = FilaDe(kb);
  const int wP = e->NumPiezas[0], bP = e->NumPiezas[1];
  const int wN = e->NumPiezas[2], bN = e->NumPiezas[3];
  const int wB = e->NumPiezas[4], bB = e->NumPiezas[5];
  const int wR = e->NumPiezas[6], bR = e->NumPiezas[7];
  const int wQ = e->NumPiezas[8], bQ = e->NumPiezas[9];
  const int wPc = e->PiezasBlancas, bPc = e->PiezasNegras;

  // Material and the bishop pair.
  const TerminosMaterial terminos = TerminosDeMaterial();
  const int32_t material = terminos.material;
  int32_t pareja = terminos.pareja;

  // Pawn table: on opposite wings before the endgame, the storm tables pull
  // the pawns toward the enemy king.
  int tabla = TABLA_PEONES_NORMAL;
  if (fase != 2) {
    if (colRb >= 5 && colRn < 3) tabla = TABLA_PEONES_TORMENTA1;
    else if (colRb < 3 && colRn > 4) tabla = TABLA_PEONES_TORMENTA2;
  }

  // Pawns: sets and pawns near the enemy king. The sets of every kind serve
  // the mobility and the king rays below.
  Conjuntos cj;
  ReunirConjuntos(cj);
  const uint64_t ocupadas = cj.todas[BLANCO] | cj.todas[NEGRO];
  const uint64_t mapaB = cj.peones[BLANCO], mapaN = cj.peones[NEGRO];
  // Attack counts against the white and the black king.
  // Mostly no pawn is that near: the count is skipped then.
  const uint64_t cercaB = mapaN & ZonaPeones.v[NEGRO][iw];
  const uint64_t cercaN = mapaB & ZonaPeones.v[BLANCO][ib];
  int ataqueB = cercaB != 0 ? Cuenta(cercaB) : 0;
  int ataqueN = cercaN != 0 ? Cuenta(cercaN) : 0;
  Eval.MapaPeonesBlancos = mapaB;
  Eval.MapaPeonesNegros = mapaN;
  const uint64_t todosPeones = mapaB | mapaN;

  // Knights. One caught in an enemy corner (a8, h8, a7, h7 for White) loses
  // 90; the corners are tested first as a set.
  constexpr uint64_t ESQUINAS_NEGRAS = Bit(0) | Bit(7) | Bit(8) | Bit(15);
  constexpr uint64_t ESQUINAS_BLANCAS = Bit(56) | Bit(63) | Bit(48) | Bit(55);
  int32_t caballos = 0;
  for (int k = 0; k < wN; ++k) {
    const int s = ListaPiezas[2][k], i = Indice64(s);
    caballos += TablaCaballo[s];
    if ((Bit(i) & ESQUINAS_NEGRAS) &&
        ((s == C('a', 8) && Tablero[C('a', 7)] == -PEON) ||
        (s == C('h', 8) && Tablero[C('h', 7)] == -PEON) ||
        (s == C('a', 7) && Tablero[C('b', 7)] == -PEON &&
         (Tablero[C('a', 6)] == -PEON || Tablero[C('c', 6)] == -PEON)) ||
        (s == C('h', 7) && Tablero[C('g', 7)] == -PEON &&
         (Tablero[C('f', 6)] == -PEON || Tablero[C('h', 6)] == -PEON))))
      caballos -= 90;
    const int z = TablaPuestoAvanzado[s];
    if (z != 0 && (MascaraPasadoBlanco[i] & mapaN) == 0) {
      caballos += z;
      const int defensores = (PiezaEn(s + 15) == PEON) + (PiezaEn(s + 17) == PEON);
      if (defensores == 2) caballos += z;
      else if (defensores == 1)
        caballos += (bN == 0 && !AlfilEnColor(NEGRO, ColorCasilla[s])) ? z : z / 2;
    }
    if (CercaRey.caballo[ib] & Bit(i)) ataqueN += 2;
  }
  for (int k = 0; k < bN; ++k) {
    const int s = ListaPiezas[3][k], i = Indice64(s);
    caballos -= TablaCaballo[s + 8];
    if ((Bit(i) & ESQUINAS_BLANCAS) &&
        ((s == C('a', 1) && Tablero[C('a', 2)] == PEON) ||
        (s == C('h', 1) && Tablero[C('h', 2)] == PEON) ||
        (s == C('a', 2) && Tablero[C('b', 2)] == PEON &&
         (Tablero[C('a', 3)] == PEON || Tablero[C('c', 3)] == PEON)) ||
        (s == C('h', 2) && Tablero[C('g', 2)] == PEON &&
         (Tablero[C('f', 3)] == PEON || Tablero[C('h', 3)] == PEON))))
      caballos += 90;
    const int z = TablaPuestoAvanzado[s + 8];
    if (z != 0 && (MascaraPasadoNegro[i] & mapaB) == 0) {
      caballos -= z;
      const int defensores = (PiezaEn(s - 15) == -PEON) + (PiezaEn(s - 17) == -PEON);
      if (defensores == 2) caballos -= z;
      else if (defensores == 1)
        caballos -= (wN == 0 && !AlfilEnColor(BLANCO, ColorCasilla[s])) ? z : z / 2;
    }
    if (CercaRey.caballo[iw] & Bit(i)) ataqueB += 2;
  }

  // Few pieces each, as many on both sides: a knight is worse against pawns on
  // both wings, each one of them.
  if (wPc == bPc && wPc < 4) {
    if ((mapaN & COLUMNAS_AC) && (mapaN & COLUMNAS_FH)) caballos += wN * CaballoAlas[wPc];
    if ((mapaB & COLUMNAS_AC) && (mapaB & COLUMNAS_FH)) caballos -= bN * CaballoAlas[bPc];
  }

  // Bishops: table, mobility, rays at the king, wing bonus.
  int32_t casAlfiles = 0, movilidad = 0;
  // The bishop's counterpart: better with pawns on both wings, against no bishop.
  if (wPc == bPc && wPc < 4 && (todosPeones & COLUMNAS_AC) && (todosPeones & COLUMNAS_FH)) {
    if (bB == 0) pareja += wB * AlfilAlas[wPc];
    if (wB == 0) pareja -= bB * AlfilAlas[bPc];
  }
  // The bishops, rooks and queens are taken from their sets (their terms are
  // sums, so the order does not matter).
  for (uint64_t x = cj.alfiles[BLANCO]; x; x &= x - 1) {
    const int i = UltimoIndice(x);
    casAlfiles += AlfilPorIndice.v[BLANCO][i];
    movilidad += MovilidadAlfil(i, ocupadas, cj.todas[NEGRO]);
    ataqueN += RayoDiagonal<BLANCO>(i, ib, cj);
  }
  for (uint64_t x = cj.alfiles[NEGRO]; x; x &= x - 1) {
    const int i = UltimoIndice(x);
    casAlfiles -= AlfilPorIndice.v[NEGRO][i];
    movilidad -= MovilidadAlfil(i, ocupadas, cj.todas[BLANCO]);
    ataqueB += RayoDiagonal<NEGRO>(i, iw, cj);
  }

  // Rooks: open files, boxed-in rooks, the seventh rank, mobility.
  int32_t torres = 0;
  int septB = 0, septN = 0;
  for (uint64_t x = cj.torres[BLANCO]; x; x &= x - 1) {
    const int i = UltimoIndice(x);
    const int f = i & 7, r = i >> 3;
    ataqueN += RayoLinea<BLANCO>(i, ib, cj);
    if (r <= 1) {
      ++septB;
    } else if ((MascaraColumna[f] & mapaB) == 0) {
      torres += (MascaraColumna[f] & mapaN) ? 10 : 15;
    } else {
      if (r < 6) {
        const uint64_t propias = cj.todas[BLANCO];
        const int libres = (f > 0 && !(propias & Bit(i - 1))) + (f < 7 && !(propias & Bit(i + 1)));
        if (libres == 0) torres -= 25;
        else if (libres == 1) torres -= 12;
      }
      if (r >= 6 && ((colRb > 4 && colRb < f) || (colRb < 3 && colRb > f))) torres -= 25;
    }
    movilidad += MovilidadTorre(i, ocupadas, cj.todas[NEGRO]);
  }
  for (uint64_t x = cj.torres[NEGRO]; x; x &= x - 1) {
    const int i = UltimoIndice(x);
    const int f = i & 7, r = i >> 3;
    ataqueB += RayoLinea<NEGRO>(i, iw, cj);
    if (r >= 6) {
      ++septN;
    } else if ((MascaraColumna[f] & mapaN) == 0) {
      torres -= (MascaraColumna[f] & mapaB) ? 10 : 15;
    } else {
      if (r > 1) {
        const uint64_t propias = cj.todas[NEGRO];
        const int libres = (f > 0 && !(propias & Bit(i - 1))) + (f < 7 && !(propias & Bit(i + 1)));
        if (libres == 0) torres += 25;
        else if (libres == 1) torres += 12;
      }
      if (r <= 1 && ((colRn > 4 && colRn < f) || (colRn < 3 && colRn > f))) torres += 25;
    }
    movilidad -= MovilidadTorre(i, ocupadas, cj.todas[BLANCO]);
  }

  // Queens: rays at the king; a queen on the seventh joins a rook there
  // (the rooks were scanned first).
  for (uint64_t x = ConjuntoPiezas[8]; x; x &= x - 1) {
    const int i = UltimoIndice(x);
    ataqueN += RayoDiagonal<BLANCO>(i, ib, cj) + RayoLinea<BLANCO>(i, ib, cj);
    if (septB != 0 && (i >> 3) <= 1) ++septB;
  }
  for (uint64_t x = ConjuntoPiezas[9]; x; x &= x - 1) {
    const int i = UltimoIndice(x);
    ataqueB += RayoDiagonal<NEGRO>(i, iw, cj) + RayoLinea<NEGRO>(i, iw, cj);
    if (septN != 0 && (i >> 3) >= 6) ++septN;
  }
  // Nothing when both sides hold the seventh alike (mostly: neither does).
  const int32_t septima = septB == septN
                              ? 0
                              : (100 - Acotada(SeptimaFase, wPc + bPc)) *
                                    (Acotada(Septima, septB) - Acotada(Septima, septN)) / 100;

  // Development (opening) and centre (before the endgame).
  int32_t desarrollo = 0, centro = 0;
  if (fase == 0) {
    const int nb = (Tablero[C('b', 1)] == CABALLO) + (Tablero[C('g', 1)] == CABALLO) +
                   (Tablero[C('c', 1)] == ALFIL) + (Tablero[C('f', 1)] == ALFIL) +
                   ((colRb == 3 || colRb == 4) ? 2 : 0);
    const int nn = (Tablero[C('b', 8)] == -CABALLO) + (Tablero[C('g', 8)] == -CABALLO) +
                   (Tablero[C('c', 8)] == -ALFIL) + (Tablero[C('f', 8)] == -ALFIL) +
                   ((colRn == 3 || colRn == 4) ? 2 : 0);
    desarrollo = Desarrollo[nb] - Desarrollo[nn];
  }
  if (fase != 2) {
    if (Tablero[C('d', 4)] == PEON && Tablero[C('e', 4)] == PEON) centro += 10;
    if (Tablero[C('d', 2)] == PEON && Tablero[C('d', 3)] != VACIO) centro -= 10;
    if (Tablero[C('d', 4)] == PEON && Tablero[C('e', 4)] != PEON && Tablero[C('c', 2)] == PEON &&
        Tablero[C('c', 3)] > 0)
      centro -= 10;
    if (Tablero[C('d', 5)] == -PEON && Tablero[C('e', 5)] == -PEON) centro -= 10;
    if (Tablero[C('d', 7)] == -PEON && Tablero[C('d', 6)] != VACIO) centro += 10;
    if (Tablero[C('d', 5)] == -PEON && Tablero[C('e', 5)] != -PEON && Tablero[C('c', 7)] == -PEON &&
        Tablero[C('c', 6)] < 0)
      centro += 10;
  }

  // Pawn structure; in the endgame also the bad bishop and the back rank.
  const int32_t peones = fase != 2 ? PeonesDeHash<false>() : PeonesDeHash<true>();
  int32_t malAlfil = 0, ultimaFila = 0;
  if (fase == 2) {
    if (wB == 1 && wPc < 4 && wP >= 1) {
      const uint64_t color = ColorCasilla[ListaPiezas[4][0]] ? CASILLAS_CLARAS : ~CASILLAS_CLARAS;
      malAlfil += MalAlfil[wPc][Cuenta(mapaB & color)];
    }
    if (bB == 1 && bPc < 4 && bP >= 1) {
      const uint64_t color = ColorCasilla[ListaPiezas[5][0]] ? CASILLAS_CLARAS : ~CASILLAS_CLARAS;
      malAlfil -= MalAlfil[bPc][Cuenta(mapaN & color)];
    }
    if (wN + wB < 3 && bN + bB < 3 && wQ == 0 && bQ == 0) {
      if (bR > 0 && filaRb == 7) ultimaFila -= 15;
      if (wR > 0 && filaRn == 0) ultimaFila += 15;
    }
  }

  // What the pawns alone decide (their table values, the pawn centre, the
  // shelter parts), read only now: Evaluar asked for the entry's lines before
  // the piece scan, which hides the wait for memory. Then king safety.
  const EntradaPeonesEval& estructura = PeonesDeEstructura(mapaB, mapaN);
  const int32_t casPeones = estructura.Casillas[tabla];
  const int centroPeones = estructura.Centro;
  const int32_t rey =
      TerminoSeguridadRey(ataqueB, ataqueN, tabla, centroPeones, terminos, cj, estructura, d);

  // Sum. The earlier build weights two of the terms by its settings.
  int32_t estructuraPeones = peones + malAlfil;
  int32_t movil = movilidad;
  if constexpr (FORMA_EVAL.PesosSegunAjuste) {
    estructuraPeones = estructuraPeones * Eval.ESTRUCTURA_PEONES / 100;
    movil = movil * Eval.MOVILIDAD / 100;
  }
  const int32_t suma = rey + estructuraPeones + centro + desarrollo + material + caballos + pareja +
                       torres + septima + movil + ultimaFila + casPeones + casAlfiles;

  // Opposite-coloured bishops draw.
  int32_t v = suma;
  if (fase == 2 && wB == 1 && bB == 1 &&
      ColorCasilla[ListaPiezas[4][0]] != ColorCasilla[ListaPiezas[5][0]]) {
    if (wPc == 1 && bPc == 1) v = v * 2 / 5;
    else if (wPc == 2 && bPc == 2 && wR == 1 && bR == 1) v = v * 2 / 3;
  }
  const int32_t total = RedondearEvaluacion(v);

  if constexpr (Traza) {
    d->Fase = fase;
    d->TablaPeonesUsada = tabla;
    d->Material = material;
    d->ParejaAlfiles = pareja;
    d->CasillasPeones = casPeones;
    d->CasillasAlfiles = casAlfiles;
    d->Caballos = caballos;
    d->Torres = torres;
    d->Septima = septima;
    d->Movilidad = movil;
    d->Desarrollo = desarrollo;
    d->Centro = centro;
    d->Peones = FORMA_EVAL.PesosSegunAjuste ? peones * Eval.ESTRUCTURA_PEONES / 100 : peones;
    d->MalAlfil = estructuraPeones - d->Peones;
    d->UltimaFila = ultimaFila;
    d->SeguridadRey = rey;
    d->Suma = suma;
    d->TrasEscala = v;
    d->Total = total;
  }
  return total;
}

}  // namespace

void LlenarPeonesEval(EntradaPeonesEval& h, uint64_t blancos, uint64_t negros) {
  const TablaCasillas* tablas[3] = {&TablaPeonNormal, &TablaTormenta1, &TablaTormenta2};
  int casillas[3] = {}, filas = 0, columnas = 0;
  for (int lista = 0; lista < 2; ++lista) {
    const int signo = lista == 0 ? 1 : -1, mitad = lista == 0 ? 0 : 8;
    for (int k = 0; k < EstadoActual->NumPiezas[lista]; ++k) {
      const int s = ListaPiezas[lista][k];
      for (int t = 0; t < 3; ++t) casillas[t] += signo * (*tablas[t])[s + mitad];
      filas += FilaDe(s);
      columnas += Columna(s);
    }
  }
  h.Blancos = blancos;
  h.NegrosComplemento = ~negros;
  for (int t = 0; t < 3; ++t) h.Casillas[t] = static_cast<int16_t>(casillas[t]);
  // The mean square of all pawns, truncated; e4 without pawns.
  const int n = EstadoActual->NumPiezas[0] + EstadoActual->NumPiezas[1];
  h.Centro = static_cast<uint8_t>(n > 0 ? filas / n * 16 + columnas / n : 0x44);
  LlenarRefugios(h, blancos, negros);
}

int32_t RedondearEvaluacion(int32_t v) {
  const int32_t a = Abs(v);
  if (a < 30) return v;
  if (a < 150) return v - v % 3;  // toward zero: the remainder has the sign of v
  return v - v % 5;
}

int EvaluarPosicion(int fase) { return EvaluarPosicionT<false>(fase, nullptr); }

int EvaluarPosicionDesglose(int fase, DesgloseEval* d) {
  *d = DesgloseEval{};
  return EvaluarPosicionT<true>(fase, d);
}

int Evaluar() {
  const EstadoPly* e = EstadoActual;
  // The pawn structure's entry is read only after the piece scan: ask for its
  // lines now so that the wait overlaps that work.
  const char* pe =
      reinterpret_cast<const char*>(&Eval.PeonesEval[e->ClavePeones & MASCARA_PEONES_EVAL]);
  __builtin_prefetch(pe);
  __builtin_prefetch(pe + sizeof(EntradaPeonesEval) - 1);
  __builtin_prefetch(&Eval.TablaPeones[e->ClavePeones & MascaraPeones]);
  const int v = (e->PiezasBlancas == 0 && e->PiezasNegras == 0) ? EvaluarFinalPeones()
                                                                : EvaluarPosicion(FaseEvaluacion());
  return e->Turno == BLANCO ? v : -v;
}
