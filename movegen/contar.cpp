// Counting the legal moves of a position without listing or making them.
//
// The count is the number of moves of GenerarJugadas that HacerJugada accepts.
// Out of check, a man other than the king may move anywhere its kind allows
// unless it is pinned: then it must stay on the line between its king and the
// pinning slider. The king may go wherever the enemy does not attack once the
// king has left its square. In check the generated list is judged move by move
// against the checking lines. The rare moves whose legality depends on more
// (en passant, castling) are handed to make itself, so the answer is make's.
#include "movegen/movegen.h"

namespace {

// Unit step from the king towards a square on a shared rank, file or diagonal,
// by square difference + 119; 0 when they share none.
struct TablaLineas {
  int8_t paso[239];
  constexpr TablaLineas() : paso() {
    for (int d : DIRECCIONES_DAMA)
      for (int k = 1; k <= 7; ++k) paso[119 + k * d] = static_cast<int8_t>(d);
  }
};
constexpr TablaLineas Lineas{};

constexpr bool EsDiagonal(int paso) { return paso == 15 || paso == -15 || paso == 17 || paso == -17; }

// 1 when make accepts the move (it is made and taken back), else 0.
inline uint32_t AceptaHacer(Jugada j) {
  if (!HacerJugada(j)) return 0;
  DeshacerJugada();
  return 1;
}

// Lines from the king of the side to move to the enemy sliders of one kind. An
// own man standing alone between the king and a slider that runs along that line
// is pinned: it gets the line's step in `linea`. A slider with nothing between
// gives check: `jaques` counts it and, while in check, `destino` marks the
// squares a man may go to against it (its own square and those between).
template <int Signo, int Tipo, bool EnJaque>
void MarcarLineas(const EstadoPly& e, int rey, int8_t (&linea)[128], uint8_t* destino,
                  int& jaques) {
  constexpr int idx = 2 * (Tipo - 1) + (Signo > 0 ? 1 : 0);  // the enemy's list
  for (int k = 0, n = e.NumPiezas[idx]; k < n; ++k) {
    const int s = ListaPiezas[idx][k];
    const int paso = Lineas.paso[119 + s - rey];
    if (paso == 0) continue;
    if ((Tipo == ALFIL && !EsDiagonal(paso)) || (Tipo == TORRE && EsDiagonal(paso))) continue;
    // The slider stands on this line, so both walks end on it at the latest.
    int c = rey + paso;
    while (Tablero[c] == VACIO) c += paso;
    if (c == s) {
      ++jaques;
      if constexpr (EnJaque)
        for (c = rey + paso; c != s + paso; c += paso) destino[c] = 1;
      continue;
    }
    if (Tablero[c] * Signo < 0) continue;
    const int clavada = c;
    c += paso;
    while (Tablero[c] == VACIO) c += paso;
    if (c == s) linea[clavada] = static_cast<int8_t>(paso);
  }
}

template <int Signo, bool EnJaque>
int MarcarTodasLineas(const EstadoPly& e, int rey, int8_t (&linea)[128], uint8_t* destino) {
  int jaques = 0;
  MarcarLineas<Signo, ALFIL, EnJaque>(e, rey, linea, destino, jaques);
  MarcarLineas<Signo, TORRE, EnJaque>(e, rey, linea, destino, jaques);
  MarcarLineas<Signo, DAMA, EnJaque>(e, rey, linea, destino, jaques);
  return jaques;
}

// A pinned man keeps to its line: a step along it (either way) or none at all.
inline bool SobreLinea(int linea, int paso) { return linea == 0 || linea == paso || linea == -paso; }

template <int Signo>
uint32_t ContarPeones(const EstadoPly& e, const int8_t (&linea)[128]) {
  using G = GeometriaPeon<Signo>;
  uint32_t total = 0;
  const int32_t* lista = ListaPiezas[G::lista];
  for (int k = 0, n = e.NumPiezas[G::lista]; k < n; ++k) {
    const int s = lista[k];
    const int l = linea[s];
    const int fila = s >> 4;
    const int adelante = s + G::avance;
    // Promotions count four each: knight, bishop, rook and queen.
    const uint32_t peso = fila == G::filaPromocion ? 4 : 1;
    if (Tablero[adelante] == VACIO && SobreLinea(l, G::avance)) {
      total += peso;
      if (fila == G::filaInicial && Tablero[adelante + G::avance] == VACIO) ++total;
    }
    for (int paso : {G::capturaA, G::capturaH}) {
      const int c = s + paso;
      if (!EnTablero(c)) continue;
      if (Tablero[c] * Signo < 0) {
        if (SobreLinea(l, paso)) total += peso;
      } else if (c == e.AlPaso && fila == G::filaAlPaso) {
        // Taking en passant empties two squares of the board; make judges it.
        total += AceptaHacer(CrearJugada(s, c));
      }
    }
  }
  return total;
}

template <int Signo>
uint32_t ContarCaballos(const EstadoPly& e, const int8_t (&linea)[128]) {
  constexpr int idx = Signo > 0 ? 2 : 3;
  uint32_t total = 0;
  for (int k = 0, n = e.NumPiezas[idx]; k < n; ++k) {
    const int s = ListaPiezas[idx][k];
    if (linea[s] != 0) continue;  // a pinned knight cannot stay on its line
    for (int d : DESPLAZAMIENTOS_CABALLO) {
      const int c = s + d;
      total += EnTablero(c) && Tablero[c] * Signo <= 0;
    }
  }
  return total;
}

// Empty squares along `paso` from s, plus one when the first man met is an enemy.
template <int Signo>
inline uint32_t ContarRayo(int s, int paso) {
  uint32_t total = 0;
  int c = s + paso;
  for (; EnTablero(c) && Tablero[c] == VACIO; c += paso) ++total;
  return total + (EnTablero(c) && Tablero[c] * Signo < 0);
}

template <int Signo, int Tipo, int NumDir>
uint32_t ContarDeslizantes(const EstadoPly& e, const int8_t (&linea)[128],
                           const int (&direcciones)[NumDir]) {
  constexpr int idx = 2 * (Tipo - 1) + (Signo > 0 ? 0 : 1);
  uint32_t total = 0;
  for (int k = 0, n = e.NumPiezas[idx]; k < n; ++k) {
    const int s = ListaPiezas[idx][k];
    const int l = linea[s];
    if (l == 0) {
      for (int d : direcciones) total += ContarRayo<Signo>(s, d);
    } else if (Tipo == DAMA || (Tipo == ALFIL) == EsDiagonal(l)) {
      total += ContarRayo<Signo>(s, l) + ContarRayo<Signo>(s, -l);
    }
  }
  return total;
}

// The king on `rey` lifted from the board: would it be attacked on `c`? The
// lists are whole here, so the test walks the enemy's few men rather than every
// line out of the square; a man on the square taken attacks nothing there.
template <int Signo>
inline bool AtacadaSinRey(const EstadoPly& e, int rey, int c) {
  Tablero[rey] = VACIO;
  const bool atacada = Atacada(Signo > 0 ? NEGRO : BLANCO, c, &e);
  Tablero[rey] = Signo * REY;
  return atacada;
}

// King steps to squares the enemy does not attack with the king gone from its
// square (so a slider's line through it counts), then castling through make.
template <int Signo>
uint32_t ContarRey(const EstadoPly& e) {
  const int rey = e.Rey[Signo > 0 ? BLANCO : NEGRO];
  uint32_t total = 0;
  for (int d : DESPLAZAMIENTOS_REY) {
    const int c = rey + d;
    if (EnTablero(c) && Tablero[c] * Signo <= 0 && !AtacadaSinRey<Signo>(e, rey, c)) ++total;
  }
  constexpr int casa = Signo > 0 ? E1 : E8;
  const int enroques = EnroquesPosibles<Signo>(e);
  if (enroques & ENROQUE_CORTO) total += AceptaHacer(CrearJugada(casa, casa + 2));
  if (enroques & ENROQUE_LARGO) total += AceptaHacer(CrearJugada(casa, casa - 2));
  return total;
}

template <int Signo>
uint32_t ContarLado(const EstadoPly& e) {
  const int rey = e.Rey[Signo > 0 ? BLANCO : NEGRO];
  int8_t linea[128] = {};
  MarcarTodasLineas<Signo, false>(e, rey, linea, nullptr);
  return ContarPeones<Signo>(e, linea) + ContarCaballos<Signo>(e, linea) +
         ContarDeslizantes<Signo, ALFIL>(e, linea, DIRECCIONES_ALFIL) +
         ContarDeslizantes<Signo, TORRE>(e, linea, DIRECCIONES_TORRE) +
         ContarDeslizantes<Signo, DAMA>(e, linea, DIRECCIONES_DAMA) + ContarRey<Signo>(e);
}

// In check, over the generated list: the king's steps as out of check; any other
// man must take the checker or stand between it and the king (nothing helps
// against two), keeping to its line when pinned. En passant goes through make.
template <int Signo>
uint32_t ContarEnJaque(const EstadoPly& e) {
  const int rey = e.Rey[Signo > 0 ? BLANCO : NEGRO];
  uint8_t destino[128] = {};
  int8_t linea[128] = {};
  int jaques = MarcarTodasLineas<Signo, true>(e, rey, linea, destino);
  // Pawns (a white king is taken from the squares above it) and knights.
  constexpr int rival = Signo > 0 ? 1 : 0;
  for (int d : {Signo > 0 ? -17 : 17, Signo > 0 ? -15 : 15}) {
    const int c = rey + d;
    if (EnTablero(c) && Tablero[c] == -Signo * PEON) destino[c] = 1, ++jaques;
  }
  for (int k = 0, n = e.NumPiezas[2 + rival]; k < n; ++k) {
    const int s = ListaPiezas[2 + rival][k];
    const int d = Abs(s - rey);
    if (d == 14 || d == 18 || d == 31 || d == 33) destino[s] = 1, ++jaques;
  }

  GenerarJugadas();
  EntradaJugada* const inicio = InicioLista[PlyActual];
  uint32_t total = 0;
  for (const EntradaJugada* m = inicio; m <= TopeJugadas; ++m) {
    const Jugada j = m->Jugada;
    const int desde = CasillaDesde(j), hasta = CasillaHasta(j);
    if (desde == rey) {
      total += !AtacadaSinRey<Signo>(e, rey, hasta);
    } else if (jaques > 1) {
      continue;
    } else if (hasta == e.AlPaso && Tablero[desde] == Signo * PEON) {
      total += AceptaHacer(j);
    } else {
      const int l = linea[desde];
      total += destino[hasta] && SobreLinea(l, Lineas.paso[119 + hasta - desde]);
    }
  }
  TopeJugadas = inicio - 1;
  return total;
}

}  // namespace

uint32_t ContarJugadasLegales() {
  const EstadoPly& e = *EstadoActual;
  if (e.Turno == BLANCO) return e.EnJaque ? ContarEnJaque<1>(e) : ContarLado<1>(e);
  return e.EnJaque ? ContarEnJaque<-1>(e) : ContarLado<-1>(e);
}
