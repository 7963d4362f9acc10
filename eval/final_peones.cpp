// King and pawn endings: fortresses, pawn races by the square rule and the
// move, blocked positions a king cannot break, and positional terms otherwise.
// Works on 64-bit square sets (index i = bit 63 - i, row 0 = rank 8).
#include "eval/eval.h"
#include "eval/tablas_eval.h"

namespace {

// 0x88-free square index from a file letter and rank number.
constexpr int I(char columna, int fila) { return (8 - fila) * 8 + (columna - 'a'); }

constexpr int32_t PasadoDefendidoFinal[8] = {0, 150, 100, 65, 50, 50, 50, 0};

constexpr int32_t ReyFinalCentro[64] = {-10, -8, -6, -5, -5, -6, -8, -10,  //
                                        -8,  -5, -3, -2, -2, -3, -5, -8,   //
                                        -6,  -2, 0,  2,  2,  0,  -2, -6,   //
                                        -5,  0,  2,  6,  6,  2,  0,  -5,   //
                                        -5,  0,  2,  6,  6,  2,  0,  -5,   //
                                        -6,  -2, 0,  2,  2,  0,  -2, -6,   //
                                        -8,  -5, -3, -2, -2, -3, -5, -8,   //
                                        -10, -8, -6, -5, -5, -6, -8, -10};
constexpr int32_t ReyFinalFlancoRey[64] = {-60, -40, -30, -15, -6, -5, -5, -6,  //
                                           -50, -35, -25, -10, -3, -2, -2, -3,  //
                                           -50, -35, -25, 0,   0,  2,  2,  0,   //
                                           -50, -30, -20, 0,   2,  6,  6,  2,   //
                                           -50, -30, -20, 0,   2,  6,  6,  2,   //
                                           -50, -35, -25, 0,   0,  2,  2,  0,   //
                                           -50, -35, -25, -10, -3, -2, -2, -3,  //
                                           -60, -40, -30, -15, -6, -5, -5, -6};
constexpr auto EspejoColumnas(const int32_t (&t)[64]) {
  struct R {
    int32_t v[64];
  } r{};
  for (int i = 0; i < 64; ++i) r.v[i] = t[(i & ~7) | (7 - (i & 7))];
  return r;
}
constexpr auto ReyFinalFlancoDama = EspejoColumnas(ReyFinalFlancoRey);
static_assert(ReyFinalFlancoDama.v[0] == -6 && ReyFinalFlancoDama.v[7] == -60);

constexpr int SIN_CORREDOR = 100;
constexpr int SIN_ESCOLTA = 1000;

inline bool En(uint64_t conjunto, int i) { return (conjunto & Bit(i)) != 0; }

// Squares a queen on i attacks, with `ocupadas` blocking (the blocker included).
uint64_t AtaquesDama(int i, uint64_t ocupadas) {
  static constexpr int pasos[8][2] = {{-1, -1}, {-1, 0}, {-1, 1}, {0, -1},
                                      {0, 1},   {1, -1}, {1, 0},  {1, 1}};
  uint64_t a = 0;
  for (const auto& p : pasos) {
    int r = (i >> 3) + p[0], c = (i & 7) + p[1];
    while (r >= 0 && r < 8 && c >= 0 && c < 8) {
      const int t = r * 8 + c;
      a |= Bit(t);
      if (En(ocupadas, t)) break;
      r += p[0];
      c += p[1];
    }
  }
  return a;
}

// Rows to promotion of the most advanced pawn of a runner set.
inline int DistanciaBlanca(uint64_t corredores) {
  return corredores ? (PrimerIndice(corredores) >> 3) : SIN_CORREDOR;
}
inline int DistanciaNegra(uint64_t corredores) {
  return corredores ? 7 - (UltimoIndice(corredores) >> 3) : SIN_CORREDOR;
}

// The region a king reaches by king steps over `libres`, from its own square.
uint64_t Inundar(int rey, uint64_t libres) {
  uint64_t region = Bit(rey);
  for (;;) {
    const uint64_t nueva = region | (PasosRey(region) & libres);
    if (nueva == region) return region;
    region = nueva;
  }
}

// Tops of three same-coloured pawns on one file with only empty squares
// between them. `adelante` shifts a set one rank toward the pawns' promotion.
template <int Lado>
uint64_t Triplicados(uint64_t peones, uint64_t vacias) {
  auto adelante = [](uint64_t x) { return Lado == BLANCO ? x << 8 : x >> 8; };
  auto alcanzados = [&](uint64_t desde) {
    uint64_t r = 0, t = adelante(desde);
    for (int k = 0; k < 7 && t; ++k) {
      r |= t & peones;
      t = adelante(t & vacias);
    }
    return r;
  };
  return alcanzados(alcanzados(peones));
}

// Runners of one side: passed pawns outside the enemy king's square, or
// flanked by both kings on their rank, or escorted by the own king along their
// whole way. Returns the set and, in `escolta`, the least rows-to-promotion
// among the flanked and escorted ones.
template <int Lado>
uint64_t Corredores(uint64_t pasados, int kPropio, int kContrario, int& escolta) {
  const uint64_t fuera =
      Lado == BLANCO ? FueraCuadradoBlanco[kContrario] : FueraCuadradoNegro[kContrario];
  uint64_t r = pasados & fuera;
  escolta = SIN_ESCOLTA;
  for (uint64_t resto = pasados & ~r; resto; resto &= resto - 1) {
    const int p = UltimoIndice(resto);
    const int c = p & 7;
    const bool flanqueado =
        c >= 1 && c <= 6 &&
        ((kPropio == p - 1 && kContrario == p + 1) || (kContrario == p - 1 && kPropio == p + 1));
    // Its way: every square ahead of it up to and including the promotion square.
    const uint64_t camino =
        Lado == BLANCO ? (ColumnaArriba[p] | Bit(c)) : (ColumnaAbajo[p] | Bit(56 + c));
    const bool escoltado = (camino & ~VecinasRey[kPropio]) == 0;
    if (flanqueado || escoltado) {
      r |= Bit(p);
      const int d = Lado == BLANCO ? (p >> 3) : 7 - (p >> 3);
      if (d < escolta) escolta = d;
    }
  }
  // A rook pawn on the seventh with its own king in front and the enemy king
  // shutting it in never queens.
  if constexpr (Lado == BLANCO) {
    if (kPropio == I('a', 8) && (kContrario == I('c', 7) || kContrario == I('c', 8)))
      r &= ~Bit(I('a', 7));
    if (kPropio == I('h', 8) && (kContrario == I('f', 7) || kContrario == I('f', 8)))
      r &= ~Bit(I('h', 7));
  } else {
    if (kPropio == I('a', 1) && (kContrario == I('c', 2) || kContrario == I('c', 1)))
      r &= ~Bit(I('a', 2));
    if (kPropio == I('h', 1) && (kContrario == I('f', 2) || kContrario == I('f', 1)))
      r &= ~Bit(I('h', 2));
  }
  return r;
}

// Promotion squares of a runner set.
inline uint64_t Promociones(uint64_t corredores, int lado) {
  const uint64_t columnas = RellenoColumnas(corredores);
  return columnas & (lado == BLANCO ? FILA_8 : FILA_1);
}

}  // namespace

int EvaluarFinalPeones() {
  const EstadoPly* e = EstadoActual;
  const int turno = e->Turno;

  // Sets.
  uint64_t wp = 0, bp = 0;
  for (int k = 0; k < e->NumPiezas[0]; ++k) wp |= Bit(Indice64(ListaPiezas[0][k]));
  for (int k = 0; k < e->NumPiezas[1]; ++k) bp |= Bit(Indice64(ListaPiezas[1][k]));
  const int kW = Indice64(e->Rey[BLANCO]), kB = Indice64(e->Rey[NEGRO]);
  const uint64_t aw = AtaquesPeonesBlancos(wp), ab = AtaquesPeonesNegros(bp);

  // Rook-pawn fortresses of the side without pawns.
  if (wp == 0 && (bp & ~COLUMNA_H) == 0) {
    if (kW == I('g', 1) || kW == I('h', 1) || kW == I('g', 2) || kW == I('h', 2)) return 0;
    if ((kW == I('f', 1) || kW == I('f', 2)) && En(RellenoAbajo(bp), kB)) return 0;
  } else if (wp == 0 && (bp & ~COLUMNA_A) == 0) {
    if (kW == I('a', 1) || kW == I('b', 1) || kW == I('a', 2) || kW == I('b', 2)) return 0;
    if ((kW == I('c', 1) || kW == I('c', 2)) && En(RellenoAbajo(bp), kB)) return 0;
  }
  if (bp == 0 && (wp & ~COLUMNA_H) == 0) {
    if (kB == I('g', 8) || kB == I('h', 8) || kB == I('g', 7) || kB == I('h', 7)) return 0;
    if ((kB == I('f', 7) || kB == I('f', 8)) && En(RellenoArriba(wp), kW)) return 0;
  } else if (bp == 0 && (wp & ~COLUMNA_A) == 0) {
    if (kB == I('a', 8) || kB == I('b', 8) || kB == I('a', 7) || kB == I('b', 7)) return 0;
    if ((kB == I('c', 7) || kB == I('c', 8)) && En(RellenoArriba(wp), kW)) return 0;
  }

  // Passed pawns: nothing ahead on the file, no square ahead under an enemy
  // pawn. The side to move takes an undefended enemy passer it attacks.
  uint64_t pw = wp & ~RellenoAbajo((wp | bp | ab) >> 8);
  uint64_t pb = bp & ~RellenoArriba((wp | bp | aw) << 8);
  if (turno == BLANCO) pb &= ~(aw & ~ab);
  else pw &= ~(ab & ~aw);

  int ew, eb;
  uint64_t rw = Corredores<BLANCO>(pw, kW, kB, ew);
  uint64_t rb = Corredores<NEGRO>(pb, kB, kW, eb);
  int dw = DistanciaBlanca(rw), db = DistanciaNegra(rb);

  // A single runner the defending king, having the move, still catches.
  if (turno == BLANCO && dw > 7 && db < 7 && db != eb) {
    if (Cuenta(rb) == 1 && (rb & FueraCuadradoNegro2[kW]) == 0) {
      rb = 0;
      db = SIN_CORREDOR;
    }
  } else if (turno == NEGRO && db > 7 && dw <= 6 && dw != ew) {
    if (Cuenta(rw) == 1 && (rw & FueraCuadradoBlanco2[kB]) == 0) {
      rw = 0;
      dw = SIN_CORREDOR;
    }
  }

  // Both sides run: the side behind, having the move, may catch the other's
  // runners; only runners two steps outside the enemy king's square count then.
  bool carrera = true;
  if (dw < 7 && db < 7) {
    const uint64_t rw2 = rw & FueraCuadradoBlanco2[kB];
    const uint64_t rb2 = rb & FueraCuadradoNegro2[kW];
    if (turno == BLANCO && db < dw && db != eb) {
      if (rb2 == 0) {
        if (rw2 != 0) return 450 - dw;
        carrera = false;
      } else {
        const int ndw = DistanciaBlanca(rw2), ndb = DistanciaNegra(rb2);
        if (ndb >= ndw) {
          rw = rw2;
          rb = rb2;
          dw = ndw;
          db = ndb;
        }
      }
    } else if (turno == NEGRO && dw < db && dw != ew) {
      if (rw2 == 0) {
        if (rb2 != 0) return -443 - db;
        carrera = false;
      } else {
        const int ndw = DistanciaBlanca(rw2), ndb = DistanciaNegra(rb2);
        if (ndw >= ndb) {
          rw = rw2;
          rb = rb2;
          dw = ndw;
          db = ndb;
        }
      }
    }
  }

  int32_t base = 0;
  if (carrera && (dw < 7 || db <= 6)) {
    // The race: the side not to move loses a tempo; whoever queens first may
    // check the other king or cover the other's promotion squares.
    int primero = -1;
    if (dw != db) {
      if (turno == BLANCO) ++db;
      else ++dw;
      if (dw == db) primero = 1 - turno;
    } else {
      primero = turno;
    }
    if (primero >= 0) {
      const uint64_t ocupadas = Bit(kW) | Bit(kB) | ((wp | bp) & ~(rw | rb));
      const uint64_t damas = Promociones(primero == BLANCO ? rw : rb, primero);
      const uint64_t otras = Promociones(primero == BLANCO ? rb : rw, 1 - primero);
      const int reyOtro = primero == BLANCO ? kB : kW;
      uint64_t ataque = 0;
      for (uint64_t q = damas; q; q &= q - 1) ataque |= AtaquesDama(UltimoIndice(q), ocupadas);
      if (En(ataque, reyOtro) || ((otras & ~ataque) == 0 && (otras & VecinasRey[reyOtro]) == 0)) {
        if (primero == BLANCO) ++db;
        else ++dw;
      }
    }

    // Decision: the faster side wins unless the kings stand close and the
    // loser's king sits behind the enemy pawns' front.
    const int columnasReyes = Abs((kW & 7) - (kB & 7));
    if (dw < db) {
      if (DistanciaCasillas[kW][kB] >= dw) return 450 - dw;
      if (En(RellenoAbajo(ab), kW) && columnasReyes < dw / 2) base = 200;
      else return 450 - dw;
    } else if (db < dw) {
      if (DistanciaCasillas[kW][kB] >= db) return -443 - db;
      if (En(RellenoArriba(aw), kB) && columnasReyes < db / 2) base = -200;
      else return -443 - db;
    }
  }

  // Positional score.
  int32_t s = base;
  bool ganaB = true, ganaN = true;
  const uint64_t ocupadas = wp | bp | Bit(kW) | Bit(kB);
  if (pw | pb) {
    for (uint64_t x = pw; x; x &= x - 1) {
      const int p = UltimoIndice(x);
      s += 10 * DistanciaCasillas[p][kB];
      if (En(aw, p)) s += PasadoDefendidoFinal[p >> 3];
    }
    for (uint64_t x = pb; x; x &= x - 1) {
      const int p = UltimoIndice(x);
      s -= 10 * DistanciaCasillas[p][kW];
      if (En(ab, p)) s -= PasadoDefendidoFinal[7 - (p >> 3)];
    }
  } else {
    // Can a side still win? Not when all its pawns are blocked and its king
    // cannot reach an enemy pawn past the enemy pawns' guard.
    const uint64_t peones = wp | bp;
    if ((wp & ~(peones >> 8)) == 0 && (Inundar(kW, ~wp & ~ab) & bp) == 0) ganaB = false;
    if ((bp & ~(peones << 8)) == 0 && (Inundar(kB, ~bp & ~aw) & wp) == 0) ganaN = false;
    if (ganaB) {
      const uint64_t libres = ~ocupadas & ~VecinasRey[kB] & ~ab;
      const uint64_t uno = (wp << 8) & libres;
      const uint64_t dos = ((uno & FILA_3) << 8) & libres;
      s += 5 * (Cuenta(uno) + Cuenta(dos));
    }
    if (ganaN) {
      const uint64_t libres = ~ocupadas & ~VecinasRey[kW] & ~aw;
      const uint64_t uno = (bp >> 8) & libres;
      const uint64_t dos = ((uno & FILA_6) >> 8) & libres;
      s -= 5 * (Cuenta(uno) + Cuenta(dos));
    }
  }

  // Tripled isolated pawns, tested once for all files.
  const uint64_t vacias = ~ocupadas;
  if (ganaB) {
    const uint64_t topes = Triplicados<BLANCO>(wp, vacias);
    if (topes && (wp & RellenoColumnas(HaciaIzquierda(topes) | HaciaDerecha(topes))) == 0) s -= 99;
  }
  if (ganaN) {
    const uint64_t topes = Triplicados<NEGRO>(bp, vacias);
    if (topes && (bp & RellenoColumnas(HaciaIzquierda(topes) | HaciaDerecha(topes))) == 0) s += 99;
  }

  // King placement by where the pawns are.
  const uint64_t peones = wp | bp;
  if ((peones & COLUMNAS_AD) == 0) s += ReyFinalFlancoRey[kW] - ReyFinalFlancoRey[kB];
  else if ((peones & COLUMNAS_EH) == 0) s += ReyFinalFlancoDama.v[kW] - ReyFinalFlancoDama.v[kB];
  else s += ReyFinalCentro[kW] - ReyFinalCentro[kB];

  // Isolated pawns.
  for (uint64_t x = wp; x; x &= x - 1)
    if ((wp & ColumnasVecinas[UltimoIndice(x) & 7]) == 0) s -= 5;
  for (uint64_t x = bp; x; x &= x - 1)
    if ((bp & ColumnasVecinas[UltimoIndice(x) & 7]) == 0) s += 5;

  s += MaterialEval();

  if (!ganaB && s >= 0) s = 0;
  if (!ganaN && s <= 0) s = 0;
  return s;
}
