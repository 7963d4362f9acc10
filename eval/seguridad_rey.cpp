// King safety: pawn shelter per wing, pieces bearing on the king's zone, and the
// pull of the king toward the pawns once material comes off.
#include <initializer_list>

#include "eval/eval.h"
#include "eval/forma.h"
#include "eval/interno.h"
#include "eval/tablas_eval.h"

namespace {

constexpr int32_t SeguridadRey[28] = {0,    -3,   -7,   -12,  -18,  -26,  -36,  -48,  -60,  -76,
                                      -96,  -116, -130, -140, -148, -156, -160, -162, -164, -166,
                                      -168, -170, -172, -174, -176, -178, -180, -180};
constexpr int32_t EscalaRey[33] = {0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   10,
                                   20,  30,  40,  50,  60,  70,  80,  100, 100, 100, 100,
                                   100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100};
constexpr int32_t EscalaCentro[33] = {100, 100, 100, 100, 100, 100, 100, 100, 90, 90, 80,
                                      80,  70,  50,  40,  30,  20,  0,   0,   0,  0,  0,
                                      0,   0,   0,   0,   0,   0,   0,   0,   0,  0,  0};
constexpr int32_t DistanciaPeones[8] = {20, 16, 8, 0, -10, -20, -30, -50};
constexpr int PELIGRO_MAXIMO = 27;

// The bit of a square by row (0 = rank 8) and file; the whole of a file.
constexpr uint64_t En(int fila, int columna) { return Bit(fila * 8 + columna); }
constexpr uint64_t Columna64(int columna) { return COLUMNA_A >> columna; }
// Squares of the colour of the square at (fila, columna).
constexpr uint64_t ColorDe(int fila, int columna) {
  return (fila + columna) % 2 == 0 ? CASILLAS_CLARAS : ~CASILLAS_CLARAS;
}

// Shelter of a king of `Lado` on one wing. The three files are taken in the
// order the count is built: a, b, c on the queen side; f, g, h on the king side.
// The wings differ in the first file's third rank, the fianchetto's pawn weight,
// the unprotected last file and the enemy castling right that excuses the
// open-file count. The count is a sum of one term per file, most of which the
// pawns alone decide: that part is kept per pawn structure (ParteDePeones), and
// only the rooks on files without an own pawn, the bishops around a moved middle
// pawn and the excuse are looked at per position (RefugioFlanco).
template <int Lado, bool FlancoRey>
RefugioPeones ParteDePeones(uint64_t propios, uint64_t enemigos) {
  constexpr int fila2 = Lado == BLANCO ? 6 : 1;  // own second rank
  constexpr int fila3 = Lado == BLANCO ? 5 : 2;  // own third rank
  constexpr int c1 = FlancoRey ? 5 : 0, c2 = c1 + 1, c3 = c1 + 2;
  int marcas = 0, agujero = 0;

  // First file; without an own pawn 4, or 2 with an own rook on it.
  int e;
  if (propios & Columna64(c1)) {
    if (propios & En(fila2, c1)) e = 0;
    else if (!FlancoRey && (propios & En(fila3, c1))) e = 1;
    else e = FlancoRey ? 1 : 2;
  } else {
    e = 4;
    marcas |= 1;
  }

  // Middle file; without an own pawn 5 more, or 2 with an own rook on it. A
  // moved pawn leaves holes the bishops decide.
  int h = e + 2;
  if (propios & Columna64(c2)) {
    if (propios & En(fila2, c2)) {
      h = e;
    } else {
      if (!(propios & En(fila3, c2))) h += 1;
      marcas |= 8;
      if (enemigos & (En(fila3, c2 - 1) | En(fila3, c2 + 1))) agujero = FlancoRey ? 2 : 1;
    }
  } else {
    h += 3;
    marcas |= 2;
  }

  // Last file; without an own pawn 4 (king side) or 5 more, 2 with an own rook.
  int r;
  if (propios & Columna64(c3)) {
    if (propios & En(fila2, c3)) r = h;
    else r = h + 1 + (propios & En(fila3, c3) ? 0 : 1);
  } else {
    r = h + (FlancoRey ? 4 : 5);
    marcas |= 4;
  }

  const int abiertas =
      2 * (!(enemigos & Columna64(c1)) + !(enemigos & Columna64(c2)) + !(enemigos & Columna64(c3)));
  return {static_cast<int8_t>(r), static_cast<uint8_t>(abiertas), static_cast<uint8_t>(marcas),
          static_cast<uint8_t>(agujero)};
}

template <int Lado, bool FlancoRey>
[[gnu::always_inline]] inline int RefugioFlanco(const RefugioPeones& w, const Conjuntos& cj) {
  constexpr int Otro = 1 - Lado;
  constexpr int fila2 = Lado == BLANCO ? 6 : 1;
  constexpr int c1 = FlancoRey ? 5 : 0, c2 = c1 + 1, c3 = c1 + 2;
  int r = w.Base;
  if (w.Marcas & 7) {
    const uint64_t torres = cj.torres[Lado];
    if ((w.Marcas & 1) && (torres & Columna64(c1))) r -= 2;
    if ((w.Marcas & 2) && (torres & Columna64(c2))) r -= 3;
    if ((w.Marcas & 4) && (torres & Columna64(c3))) r -= FlancoRey ? 2 : 3;
  }
  if (w.Marcas & 8) {
    // The fianchetto bishop covers the holes; without a bishop of their colour
    // the enemy pawns beside them and an enemy bishop of that colour count.
    if (cj.alfiles[Lado] & En(fila2, c2)) {
      r -= 1;
    } else if (!(cj.alfiles[Lado] & ColorDe(fila2, c2))) {
      r += w.Agujero;
      if (cj.alfiles[Otro] & ColorDe(fila2, c2)) r += 3;
    }
  }

  // Files without enemy pawns are open to an attack, unless the enemy king
  // has committed itself to this wing.
  const int columnaEnemigo = Columna(EstadoActual->Rey[Otro]);
  const int enroques = EstadoActual->Enroques;
  bool exento;
  if (FlancoRey) {
    constexpr int largo = Lado == BLANCO ? ENROQUE_NL : ENROQUE_BL;
    exento = columnaEnemigo >= 3 && !(enroques & largo);
  } else {
    constexpr int corto = Lado == BLANCO ? ENROQUE_NC : ENROQUE_BC;
    exento = columnaEnemigo <= 4 && !(enroques & corto);
  }
  if (!exento) r += w.Abiertas;
  return r;
}

// Shelter count of the king of `Lado`, by the file it stands on.
template <int Lado>
int RefugioRey(const EntradaPeonesEval& pe, const Conjuntos& cj) {
  const EstadoPly* e = EstadoActual;
  const int k = e->Rey[Lado];
  const int f = Columna(k);
  int r;
  if (f <= 2) {
    r = RefugioFlanco<Lado, false>(pe.Refugio[Lado][0], cj);
  } else if (f >= 6) {
    r = RefugioFlanco<Lado, true>(pe.Refugio[Lado][1], cj);
  } else {
    // A king in the centre: as sheltered as the wing it can still castle to,
    // less the open files around it.
    r = 6;
    constexpr int corto = Lado == BLANCO ? ENROQUE_BC : ENROQUE_NC;
    constexpr int largo = Lado == BLANCO ? ENROQUE_BL : ENROQUE_NL;
    if (e->Enroques & corto) {
      const int x = RefugioFlanco<Lado, true>(pe.Refugio[Lado][1], cj);
      if (x < 7) r = x;
    }
    if (e->Enroques & largo) {
      const int x = RefugioFlanco<Lado, false>(pe.Refugio[Lado][0], cj);
      if (x <= r) r = x;
    }
    r += pe.ColumnasCentro[Lado][f - 3];
  }
  if (Lado == BLANCO ? FilaDe(k) < 6 : FilaDe(k) > 1) r += 4;
  if (e->NumPiezas[Lado == BLANCO ? 9 : 8] == 0) r /= 4;  // no enemy queen
  return r;
}

int DistanciaRey(int a, int b) {
  const int df = Abs(Columna(a) - Columna(b)), dr = Abs(FilaDe(a) - FilaDe(b));
  return df > dr ? df : dr;
}

// CercaRey by construction: each ray of the kind walked from the piece in the
// order the count has always tried them, and the knight's jumps.
constexpr uint16_t PrimerDestino(int i, int rey, const int (&direcciones)[4]) {
  constexpr int pasoFila[8] = {-1, -1, 1, 1, 0, 0, -1, 1};
  constexpr int pasoColumna[8] = {-1, 1, -1, 1, -1, 1, 0, 0};
  for (int dir : direcciones) {
    int r = (i >> 3) + pasoFila[dir], f = (i & 7) + pasoColumna[dir];
    for (; r >= 0 && r < 8 && f >= 0 && f < 8; r += pasoFila[dir], f += pasoColumna[dir])
      if (Abs(r - (rey >> 3)) <= 1 && Abs(f - (rey & 7)) <= 1)
        return static_cast<uint16_t>((r * 8 + f) | dir << 6);
  }
  return SIN_DESTINO;
}

struct TablaCercanias : CercaniasRey {
  constexpr TablaCercanias() : CercaniasRey() {
    constexpr int diagonales[4] = {0, 1, 2, 3};  // 0x88 steps -17, -15, 15, 17
    constexpr int lineas[4] = {4, 5, 7, 6};      // -1, 1, 16, -16
    constexpr int saltoFila[8] = {-2, -2, -1, -1, 1, 1, 2, 2};
    constexpr int saltoColumna[8] = {-1, 1, -2, 2, -2, 2, -1, 1};
    for (int i = 0; i < 64; ++i)
      for (int rey = 0; rey < 64; ++rey) {
        diagonal[i][rey] = PrimerDestino(i, rey, diagonales);
        linea[i][rey] = PrimerDestino(i, rey, lineas);
        for (int k = 0; k < 8; ++k) {
          const int r = (i >> 3) + saltoFila[k], f = (i & 7) + saltoColumna[k];
          if (r >= 0 && r < 8 && f >= 0 && f < 8 && Abs(r - (rey >> 3)) <= 1 &&
              Abs(f - (rey & 7)) <= 1)
            caballo[rey] |= Bit(i);
        }
      }
  }
};

}  // namespace

constexpr CercaniasRey CercaRey = TablaCercanias{};

void LlenarRefugios(EntradaPeonesEval& h, uint64_t blancos, uint64_t negros) {
  h.Refugio[BLANCO][0] = ParteDePeones<BLANCO, false>(blancos, negros);
  h.Refugio[BLANCO][1] = ParteDePeones<BLANCO, true>(blancos, negros);
  h.Refugio[NEGRO][0] = ParteDePeones<NEGRO, false>(negros, blancos);
  h.Refugio[NEGRO][1] = ParteDePeones<NEGRO, true>(negros, blancos);
  // A king on file d, e or f: each of its file and the two beside it without an
  // enemy pawn, more when no pawn at all stands there.
  const uint64_t todos = blancos | negros;
  for (int lado : {NEGRO, BLANCO}) {
    const uint64_t enemigos = lado == BLANCO ? negros : blancos;
    for (int f = 3; f <= 5; ++f) {
      int r = 0;
      for (int c : {f - 1, f + 1})
        if (!(enemigos & Columna64(c))) r += (todos & Columna64(c)) ? 1 : 2;
      if (!(enemigos & Columna64(f))) r += (todos & Columna64(f)) ? 1 : 4;
      h.ColumnasCentro[lado][f - 3] = static_cast<uint8_t>(r);
    }
  }
}

int RefugioFlancoDama(int lado) {
  Conjuntos c;
  ReunirConjuntos(c);
  const EntradaPeonesEval& pe = PeonesDeEstructura(c.peones[BLANCO], c.peones[NEGRO]);
  return lado == BLANCO ? RefugioFlanco<BLANCO, false>(pe.Refugio[BLANCO][0], c)
                        : RefugioFlanco<NEGRO, false>(pe.Refugio[NEGRO][0], c);
}
int RefugioFlancoRey(int lado) {
  Conjuntos c;
  ReunirConjuntos(c);
  const EntradaPeonesEval& pe = PeonesDeEstructura(c.peones[BLANCO], c.peones[NEGRO]);
  return lado == BLANCO ? RefugioFlanco<BLANCO, true>(pe.Refugio[BLANCO][1], c)
                        : RefugioFlanco<NEGRO, true>(pe.Refugio[NEGRO][1], c);
}

int RayoDiagonalRey(int s) {
  Conjuntos c;
  ReunirConjuntos(c);
  const int i = Indice64(s);
  return Tablero[s] > 0 ? RayoDiagonal<BLANCO>(i, Indice64(EstadoActual->Rey[NEGRO]), c)
                        : RayoDiagonal<NEGRO>(i, Indice64(EstadoActual->Rey[BLANCO]), c);
}

int RayoLineaRey(int s) {
  Conjuntos c;
  ReunirConjuntos(c);
  const int i = Indice64(s);
  return Tablero[s] > 0 ? RayoLinea<BLANCO>(i, Indice64(EstadoActual->Rey[NEGRO]), c)
                        : RayoLinea<NEGRO>(i, Indice64(EstadoActual->Rey[BLANCO]), c);
}

int32_t TerminoSeguridadRey(int ataqueBlanco, int ataqueNegro, int tablaPeones, int centro,
                            const TerminosMaterial& materiales, const Conjuntos& cj,
                            const EntradaPeonesEval& pe, DesgloseEval* d) {
  const EstadoPly* e = EstadoActual;
  const int kw = e->Rey[BLANCO], kb = e->Rey[NEGRO];

  // Danger counts: shelter plus attackers, capped. A king's count is weighed
  // by the enemy's pieces, and by nothing once too few are left: its shelter is
  // then looked at only for the trace.
  const int matB = materiales.piezasBlancas, matN = materiales.piezasNegras;
  const int refugioB = d != nullptr || EscalaRey[matN] != 0 ? RefugioRey<BLANCO>(pe, cj) : 0;
  const int refugioN = d != nullptr || EscalaRey[matB] != 0 ? RefugioRey<NEGRO>(pe, cj) : 0;
  int peligroB, peligroN;
  if constexpr (FORMA_EVAL.PesosSegunAjuste) {
    peligroB = refugioB * Eval.DEFENSA_ESTATICA / 100 + ataqueBlanco * Eval.ATAQUE_DINAMICO / 100;
    peligroN = refugioN * Eval.DEFENSA_ESTATICA / 100 + ataqueNegro * Eval.ATAQUE_DINAMICO / 100;
    if (peligroB < 0) peligroB = 0;
    if (peligroN < 0) peligroN = 0;
  } else {
    peligroB = refugioB + ataqueBlanco;
    peligroN = refugioN + ataqueNegro;
  }
  if (peligroB > PELIGRO_MAXIMO) peligroB = PELIGRO_MAXIMO;
  if (peligroN > PELIGRO_MAXIMO) peligroN = PELIGRO_MAXIMO;

  // Kings on opposite wings: the engine tempers its view of the king it
  // storms, so that it does not overrate the attack.
  if (tablaPeones != TABLA_PEONES_NORMAL) {
    if (Eval.ColorMotor == BLANCO) peligroN = static_cast<int>(peligroN * 0.6666666666666666);
    else if (Eval.ColorMotor == NEGRO) peligroB = static_cast<int>(peligroB * 0.6666666666666666);
  }

  // The sum: shelter and king table weighted by the enemy's pieces, the pull
  // to the pawns by their absence.
  const int32_t a = (SeguridadRey[peligroB] + TablaRey[kw]) * EscalaRey[matN];
  const int32_t b = (SeguridadRey[peligroN] + TablaRey[kb + 8]) * EscalaRey[matB];
  const int32_t ee =
      EscalaCentro[matN] != 0 ? DistanciaPeones[DistanciaRey(kw, centro)] * EscalaCentro[matN] : 0;
  const int32_t g =
      EscalaCentro[matB] != 0 ? DistanciaPeones[DistanciaRey(kb, centro)] * EscalaCentro[matB] : 0;
  const int32_t termino = (a - b + ee - g) / 100;

  if (d != nullptr) {
    d->RefugioBlanco = refugioB;
    d->RefugioNegro = refugioN;
    d->AtaqueBlanco = ataqueBlanco;
    d->AtaqueNegro = ataqueNegro;
    d->PeligroBlanco = peligroB;
    d->PeligroNegro = peligroN;
    d->ReyA = a;
    d->ReyB = b;
    d->ReyE = ee;
    d->ReyG = g;
    d->CentroPeones = centro;
  }
  return termino;
}
