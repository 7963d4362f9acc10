// King safety: pawn shelter per wing, pieces bearing on the king's zone, and the
// pull of the king toward the pawns once material comes off.
#include <initializer_list>

#include "eval/eval.h"
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

inline int Casilla(int fila, int columna) { return fila * 16 + columna; }

// A rook of `lado` on file `columna`; a bishop of `lado` on squares of `color`.
inline bool TorreEn(const Conjuntos& cj, int lado, int columna) {
  return (cj.torres[lado] & MascaraColumna[columna]) != 0;
}
inline bool AlfilEn(const Conjuntos& cj, int lado, int color) {
  return (cj.alfiles[lado] & (color ? CASILLAS_CLARAS : ~CASILLAS_CLARAS)) != 0;
}

// Shelter of a king of `lado` on one wing. The three files are taken in the
// order the count is built: a, b, c on the queen side; f, g, h on the king side.
// The wings differ in the first file's third rank, the fianchetto's pawn weight,
// the unprotected last file and the enemy castling right that excuses the
// open-file count.
int Refugio(int lado, bool flancoRey, const Conjuntos& cj) {
  const int signo = lado == BLANCO ? 1 : -1;
  const int peon = signo * PEON;
  const uint64_t enemigos = lado == BLANCO ? MapaPeonesNegros : MapaPeonesBlancos;
  const uint64_t propios = lado == BLANCO ? MapaPeonesBlancos : MapaPeonesNegros;
  const int fila2 = lado == BLANCO ? 6 : 1;  // own second rank
  const int fila3 = lado == BLANCO ? 5 : 2;  // own third rank
  const int c1 = flancoRey ? 5 : 0, c2 = flancoRey ? 6 : 1, c3 = flancoRey ? 7 : 2;

  // 1. First file.
  int e;
  if (propios & MascaraColumna[c1]) {
    if (Tablero[Casilla(fila2, c1)] == peon) e = 0;
    else if (!flancoRey && Tablero[Casilla(fila3, c1)] == peon) e = 1;
    else e = flancoRey ? 1 : 2;
  } else {
    e = TorreEn(cj, lado, c1) ? 2 : 4;
  }

  // 2. Middle file, with the holes of a moved fianchetto pawn.
  int h = e + 2;
  if (propios & MascaraColumna[c2]) {
    const int s2 = Casilla(fila2, c2);
    if (Tablero[s2] == peon) {
      h = e;
    } else {
      if (Tablero[Casilla(fila3, c2)] != peon) h += 1;
      if (Tablero[s2] == signo * ALFIL) {
        h -= 1;
      } else if (!AlfilEn(cj, lado, ColorCasilla[s2])) {
        if (Tablero[Casilla(fila3, c2 - 1)] == -peon || Tablero[Casilla(fila3, c2 + 1)] == -peon)
          h += flancoRey ? 2 : 1;
        if (AlfilEn(cj, 1 - lado, ColorCasilla[s2])) h += 3;
      }
    }
  } else if (!TorreEn(cj, lado, c2)) {
    h += 3;
  }

  // 3. Last file.
  int r;
  if (propios & MascaraColumna[c3]) {
    if (Tablero[Casilla(fila2, c3)] == peon) r = h;
    else r = h + 1 + (Tablero[Casilla(fila3, c3)] != peon ? 1 : 0);
  } else {
    r = TorreEn(cj, lado, c3) ? h + 2 : h + (flancoRey ? 4 : 5);
  }

  // 4. Files without enemy pawns are open to an attack, unless the enemy king
  // has committed itself to this wing.
  const int reyEnemigo = EstadoActual->Rey[1 - lado];
  const int enroques = EstadoActual->Enroques;
  bool exento;
  if (flancoRey) {
    const int largo = lado == BLANCO ? ENROQUE_NL : ENROQUE_BL;
    exento = Columna(reyEnemigo) >= 3 && !(enroques & largo);
  } else {
    const int corto = lado == BLANCO ? ENROQUE_NC : ENROQUE_BC;
    exento = Columna(reyEnemigo) <= 4 && !(enroques & corto);
  }
  if (!exento) {
    for (int c = c1; c <= c3; ++c)
      if (!(enemigos & MascaraColumna[c])) r += 2;
  }
  return r;
}

// Shelter count of the king of `lado`, by the file it stands on.
int RefugioRey(int lado, const Conjuntos& cj) {
  const EstadoPly* e = EstadoActual;
  const int k = e->Rey[lado];
  const int f = Columna(k);
  int r;
  if (f <= 2) {
    r = Refugio(lado, false, cj);
  } else if (f >= 6) {
    r = Refugio(lado, true, cj);
  } else {
    // A king in the centre: as sheltered as the wing it can still castle to,
    // less the open files around it.
    r = 6;
    const int corto = lado == BLANCO ? ENROQUE_BC : ENROQUE_NC;
    const int largo = lado == BLANCO ? ENROQUE_BL : ENROQUE_NL;
    if (e->Enroques & corto) {
      const int x = Refugio(lado, true, cj);
      if (x < 7) r = x;
    }
    if (e->Enroques & largo) {
      const int x = Refugio(lado, false, cj);
      if (x <= r) r = x;
    }
    const uint64_t enemigos = lado == BLANCO ? MapaPeonesNegros : MapaPeonesBlancos;
    const uint64_t todos = MapaPeonesBlancos | MapaPeonesNegros;
    for (int c : {f - 1, f + 1})
      if (!(enemigos & MascaraColumna[c])) r += (todos & MascaraColumna[c]) ? 1 : 2;
    if (!(enemigos & MascaraColumna[f])) r += (todos & MascaraColumna[f]) ? 1 : 4;
  }
  if (lado == BLANCO ? FilaDe(k) < 6 : FilaDe(k) > 1) r += 4;
  const int damasEnemigas = e->NumPiezas[lado == BLANCO ? 9 : 8];
  if (damasEnemigas == 0) r /= 4;
  return r;
}

// Piece material of a side in hundreds, capped at 32.
int MaterialPiezas(int lado) {
  const uint8_t* n = EstadoActual->NumPiezas;
  const int o = lado == BLANCO ? 0 : 1;
  const int v = (300 * (n[2 + o] + n[4 + o]) + 500 * n[6 + o] + 950 * n[8 + o]) / 100;
  return v < 32 ? v : 32;
}

int DistanciaRey(int a, int b) {
  const int df = Abs(Columna(a) - Columna(b)), dr = Abs(FilaDe(a) - FilaDe(b));
  return df > dr ? df : dr;
}

// The core's tables store 0 both for "no square" and for a8. The rays must tell
// them apart, or a king zone reached through a8 would count as unreachable (and
// a position would no longer score as the opposite of its colour mirror). When
// the table says 0, a8 is the answer exactly when it lies on the first ray that
// could reach it and stands next to the king: no earlier square qualified, or
// the table would have named it.
inline bool A8EnDiagonal(int s, int rey) {
  return s != 0 && s % 17 == 0 && DistanciaRey(0, rey) <= 1;
}
inline bool A8EnLinea(int s, int rey) {
  return s != 0 && (s < 8 || (s & 15) == 0) && DistanciaRey(0, rey) <= 1;
}

}  // namespace

void ReunirConjuntos(Conjuntos& c) {
  const EstadoPly* e = EstadoActual;
  for (int lado : {NEGRO, BLANCO}) {
    const int o = lado == BLANCO ? 0 : 1;
    c.peones[lado] = ConjuntoPiezas[o];
    c.caballos[lado] = ConjuntoPiezas[2 + o];
    c.alfiles[lado] = ConjuntoPiezas[4 + o];
    c.torres[lado] = ConjuntoPiezas[6 + o];
    c.todas[lado] = c.peones[lado] | c.caballos[lado] | c.alfiles[lado] | c.torres[lado] |
                    ConjuntoPiezas[8 + o] | BitDe[e->Rey[lado]];
  }
}

int RefugioFlancoDama(int lado) {
  Conjuntos c;
  ReunirConjuntos(c);
  return Refugio(lado, false, c);
}
int RefugioFlancoRey(int lado) {
  Conjuntos c;
  ReunirConjuntos(c);
  return Refugio(lado, true, c);
}

// The men between the piece and the square next to the king decide: an enemy
// pawn or bishop closes the diagonal, and so do two own pawns, or one when the
// square in front of the piece is taken; one own pawn leaves half the count.
int RayoDiagonalRey(int s, const Conjuntos& cj) {
  const int lado = Tablero[s] > 0 ? BLANCO : NEGRO;
  const int rey = EstadoActual->Rey[1 - lado];
  const int t = DiagonalRey[s][rey];
  if (t == 0 && !A8EnDiagonal(s, rey)) return 0;
  const uint64_t entre = EntreCasillas[Indice64(s)][Indice64(t)];
  if (entre & (cj.peones[1 - lado] | cj.alfiles[1 - lado])) return 0;
  const uint64_t propios = entre & cj.peones[lado];
  if (propios == 0) return 2;
  if (propios & (propios - 1)) return 0;
  // The square in front of the piece (toward the enemy); off the board it is empty.
  const int frente = lado == BLANCO ? s - 16 : s + 16;
  return EnTablero(frente) && Tablero[frente] != VACIO ? 0 : 1;
}

// A line ending on an own pawn, or crossed by a rook of the enemy or any pawn,
// counts nothing; one enemy minor piece on it leaves half the count, two close it.
int RayoLineaRey(int s, const Conjuntos& cj) {
  const int lado = Tablero[s] > 0 ? BLANCO : NEGRO;
  const int rey = EstadoActual->Rey[1 - lado];
  const int t = LineaRey[s][rey];
  if ((t == 0 && !A8EnLinea(s, rey)) || Tablero[t] == Signo(lado) * PEON) return 0;
  const uint64_t entre = EntreCasillas[Indice64(s)][Indice64(t)];
  if (entre & (cj.torres[1 - lado] | cj.peones[BLANCO] | cj.peones[NEGRO])) return 0;
  const uint64_t menores = entre & (cj.alfiles[1 - lado] | cj.caballos[1 - lado]);
  if (menores == 0) return 2;
  return menores & (menores - 1) ? 0 : 1;
}

int RayoDiagonalRey(int s) {
  Conjuntos c;
  ReunirConjuntos(c);
  return RayoDiagonalRey(s, c);
}

int RayoLineaRey(int s) {
  Conjuntos c;
  ReunirConjuntos(c);
  return RayoLineaRey(s, c);
}

int32_t TerminoSeguridadRey(int ataqueBlanco, int ataqueNegro, int tablaPeones, const Conjuntos& cj,
                            DesgloseEval* d) {
  const EstadoPly* e = EstadoActual;
  const int kw = e->Rey[BLANCO], kb = e->Rey[NEGRO];

  // 1. Danger counts: shelter plus attackers, capped.
  const int refugioB = RefugioRey(BLANCO, cj), refugioN = RefugioRey(NEGRO, cj);
  int peligroB, peligroN;
  if constexpr (VERSION_052) {
    peligroB = refugioB * DEFENSA_ESTATICA / 100 + ataqueBlanco * ATAQUE_DINAMICO / 100;
    peligroN = refugioN * DEFENSA_ESTATICA / 100 + ataqueNegro * ATAQUE_DINAMICO / 100;
    if (peligroB < 0) peligroB = 0;
    if (peligroN < 0) peligroN = 0;
  } else {
    peligroB = refugioB + ataqueBlanco;
    peligroN = refugioN + ataqueNegro;
  }
  if (peligroB > PELIGRO_MAXIMO) peligroB = PELIGRO_MAXIMO;
  if (peligroN > PELIGRO_MAXIMO) peligroN = PELIGRO_MAXIMO;

  // 2. Kings on opposite wings: the engine tempers its view of the king it
  // storms, so that it does not overrate the attack.
  if (tablaPeones != TABLA_PEONES_NORMAL) {
    if (ColorMotor == BLANCO) peligroN = static_cast<int>(peligroN * 0.6666666666666666);
    else if (ColorMotor == NEGRO) peligroB = static_cast<int>(peligroB * 0.6666666666666666);
  }

  // 3. Pawn centre: the mean square of all pawns, truncated; e4 without pawns.
  int centro = 0x44;
  const int n = e->NumPiezas[0] + e->NumPiezas[1];
  if (n > 0) {
    int filas = 0, columnas = 0;
    for (int lista = 0; lista < 2; ++lista)
      for (int k = 0; k < e->NumPiezas[lista]; ++k) {
        filas += FilaDe(ListaPiezas[lista][k]);
        columnas += Columna(ListaPiezas[lista][k]);
      }
    centro = (filas / n) * 16 + columnas / n;
  }

  // 4. The sum: shelter and king table weighted by the enemy's pieces, the pull
  // to the pawns by their absence.
  const int matB = MaterialPiezas(BLANCO), matN = MaterialPiezas(NEGRO);
  const int32_t a = (SeguridadRey[peligroB] + TablaRey[kw]) * EscalaRey[matN];
  const int32_t b = (SeguridadRey[peligroN] + TablaRey[kb + 8]) * EscalaRey[matB];
  const int32_t ee = DistanciaPeones[DistanciaRey(kw, centro)] * EscalaCentro[matN];
  const int32_t g = DistanciaPeones[DistanciaRey(kb, centro)] * EscalaCentro[matB];
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
