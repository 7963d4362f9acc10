// Making and unmaking moves, and the null move.
//
// HacerJugada decides legality itself: the generators produce pseudo-legal moves
// and a move that leaves the mover's king attacked is refused here, with the
// position left exactly as it was. Every field of the new record is updated
// incrementally; list updates follow a fixed order because generation order
// follows list order.
#include "core/core.h"

#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace {

inline void ComprobarPosicion() {
  if constexpr (COMPROBAR) {
    if (!PosicionValida()) std::abort();
  }
}

inline void XorPieza(uint32_t& baja, uint32_t& alta, int pieza, int casilla) {
  baja ^= ClavesPieza[pieza + 6][casilla][0];
  alta ^= ClavesPieza[pieza + 6][casilla][1];
}

// Overwrites the entry `casilla` of list `idx` (n valid entries) with the last one.
inline void QuitarDeLista(int idx, int n, int casilla) {
  int32_t* lista = ListaPiezas[idx];
  for (int k = n - 1; k >= 0; --k) {
    if (lista[k] == casilla) {
      lista[k] = lista[n - 1];
      return;
    }
  }
}

// The entry `desde` of list `idx` (n valid entries) becomes `hasta`, in place.
inline void CambiarEnLista(int idx, int n, int desde, int hasta) {
  int32_t* lista = ListaPiezas[idx];
  for (int k = 0; k < n; ++k) {
    if (lista[k] == desde) {
      lista[k] = hasta;
      return;
    }
  }
}

// Rights lost when a man leaves or is captured on a rook's corner.
inline int DerechoEsquina(int casilla) {
  switch (casilla) {
    case H1: return ENROQUE_BC;
    case A1: return ENROQUE_BL;
    case H8: return ENROQUE_NC;
    case A8: return ENROQUE_NL;
    default: return 0;
  }
}

// Castling rook squares by king destination (g1, c1, g8, c8); -1 otherwise.
struct TorreEnroque {
  int esquina, destino, derecho;
};
inline TorreEnroque RookDeEnroque(int desde, int hasta) {
  if (desde == E1 && hasta == G1) return {H1, F1, ENROQUE_BC};
  if (desde == E1 && hasta == C1) return {A1, D1, ENROQUE_BL};
  if (desde == E8 && hasta == G8) return {H8, F8, ENROQUE_NC};
  if (desde == E8 && hasta == C8) return {A8, D8, ENROQUE_NL};
  return {-1, -1, 0};
}

// Unit step from one square toward another on a shared rank, file or diagonal,
// by square difference + 120; 0 when they share none.
struct TablaPasos {
  int8_t paso[240];
  constexpr TablaPasos() : paso() {
    for (int d : {-17, -16, -15, -1, 1, 15, 16, 17})
      for (int k = 1; k <= 7; ++k) paso[120 + k * d] = static_cast<int8_t>(d);
  }
};
constexpr TablaPasos Pasos{};

// The man on s attacks `rey` on the board as it now stands.
inline bool AtacaDesde(int s, int rey) {
  const int p = Tablero[s];
  const int d = rey - s;
  switch (Abs(p)) {
    case PEON: return p > 0 ? (d == -17 || d == -15) : (d == 17 || d == 15);
    case CABALLO: {
      const int a = Abs(d);
      return a == 14 || a == 18 || a == 31 || a == 33;
    }
    case REY: return Abs(d) == 1 || (Abs(d) >= 15 && Abs(d) <= 17);
    default: break;
  }
  const int paso = Pasos.paso[120 + d];
  if (paso == 0) return false;
  const bool diagonal = Abs(paso) == 15 || Abs(paso) == 17;
  if (diagonal ? Abs(p) == TORRE : Abs(p) == ALFIL) return false;
  int c = s + paso;
  while (c != rey && Tablero[c] == VACIO) c += paso;
  return c == rey;
}

// The set bit of the slider of the side with sign `signo` that reaches `rey`
// along the line from the king through the emptied square `vaciada`; 0 if none.
inline uint64_t DescubiertoDesde(int signo, int rey, int vaciada) {
  const int paso = Pasos.paso[120 + vaciada - rey];
  if (paso == 0) return 0;
  int c = rey + paso;
  while (EnTablero(c) && Tablero[c] == VACIO) c += paso;
  if (!EnTablero(c)) return 0;
  const int p = Tablero[c] * signo;
  const bool diagonal = Abs(paso) == 15 || Abs(paso) == 17;
  return p == DAMA || p == (diagonal ? ALFIL : TORRE) ? BitDe[c] : 0;
}

inline bool Descubierto(int signo, int rey, int vaciada) {
  return DescubiertoDesde(signo, rey, vaciada) != 0;
}

}  // namespace

uint32_t ClaveBajaTrasJugada(Jugada j) {
  const EstadoPly* const O = EstadoActual;
  const int f = CasillaDesde(j), t = CasillaHasta(j);
  const int P = Tablero[f];
  const int tipo = Abs(P);
  const int X = Tablero[t];
  auto clave = [](int pieza, int casilla) { return ClavesPieza[pieza + 6][casilla][0]; };
  uint32_t baja = O->ClaveBaja ^ clave(P, f);
  int enroques = O->Enroques;
  int alPaso = SIN_CASILLA;
  if (X != VACIO) {
    baja ^= clave(X, t);
    enroques &= ~DerechoEsquina(t);
  } else if (tipo == PEON && t == O->AlPaso) {
    baja ^= clave(-P, O->Turno == BLANCO ? t + 16 : t - 16);
  }
  if (tipo == PEON) {
    if (Fila(t) == 0 || Fila(t) == 7) {
      int promocion = TipoPromocion(j);
      if (promocion < CABALLO || promocion > DAMA) promocion = DAMA;
      baja ^= clave(Signo(O->Turno) * promocion, t);
    } else {
      baja ^= clave(P, t);
      if (Abs(t - f) == 32 && ((EnTablero(t - 1) && Tablero[t - 1] == -P) ||
                               (EnTablero(t + 1) && Tablero[t + 1] == -P)))
        alPaso = (f + t) / 2;
    }
  } else {
    baja ^= clave(P, t);
    if (tipo == REY) {
      enroques &= O->Turno == BLANCO ? (ENROQUE_NC | ENROQUE_NL) : (ENROQUE_BC | ENROQUE_BL);
      if (Abs(t - f) == 2 && (j & 0xFFFF) == j) {
        const TorreEnroque r = RookDeEnroque(f, t);
        if (r.esquina >= 0)
          baja ^=
              clave(Signo(O->Turno) * TORRE, r.esquina) ^ clave(Signo(O->Turno) * TORRE, r.destino);
      }
    } else if (tipo == TORRE) {
      enroques &= ~DerechoEsquina(f);
    }
  }
  return baja ^ ClavesAlPaso[O->AlPaso][0] ^ ClavesAlPaso[alPaso][0] ^
         ClavesEnroque[O->Enroques][0] ^ ClavesEnroque[enroques][0];
}

namespace {

// The next ply's record starts as a copy of this one (Extension belongs to the
// search and stays); then the move played from here is noted in this record and,
// as part of the copy, in the new one. The notes come after the copy: its wide
// reads of a record just given narrow writes would have to wait for those writes
// to reach the cache instead of taking them from the store buffer.
inline void AbrirRegistro(EstadoPly* O, EstadoPly* N, int f, int t, int P, int X) {
  const int8_t extension = N->Extension;
  *N = *O;
  N->Extension = extension;
  for (EstadoPly* r : {O, N}) {
    r->Desde = static_cast<uint8_t>(f);
    r->Hasta = static_cast<uint8_t>(t);
    r->PiezaMovida = static_cast<int8_t>(P);
    r->PiezaCapturada = static_cast<int8_t>(X);
  }
}

// Changes one piece count of the new record by `delta` (+1 or -1; a count never
// goes below zero). The first eight counts are rewritten as one word: the
// evaluation reads them as one word soon after, and a read that needs one byte
// written on its own and the rest from the record's copy cannot be served from
// the store buffer, so it would wait for both writes to reach the cache.
inline void CambiarCuenta(EstadoPly* N, int idx, int delta) {
  if (idx < 8) {
    uint64_t cuentas;
    std::memcpy(&cuentas, N->NumPiezas, sizeof cuentas);
    cuentas += static_cast<uint64_t>(static_cast<int64_t>(delta)) << (8 * idx);
    std::memcpy(N->NumPiezas, &cuentas, sizeof cuentas);
  } else {
    N->NumPiezas[idx] = static_cast<uint8_t>(N->NumPiezas[idx] + delta);
  }
}

}  // namespace

int HacerJugada(Jugada j) {
  EstadoPly* const O = EstadoActual;
  EstadoPly* const N = O + 1;
  const int f = CasillaDesde(j), t = CasillaHasta(j);
  const int P = Tablero[f];
  const int tipo = Abs(P);
  const int S = O->Turno, E = 1 - S;
  [[maybe_unused]] const uint32_t prevista = COMPROBAR ? ClaveBajaTrasJugada(j) : 0;

  // Legality, on a tentatively changed board.
  TorreEnroque enroque{-1, -1, 0};
  int casillaAlPaso = -1;  // square of a pawn taken en passant
  if (tipo != REY) {
    // In check a move that neither takes the checking man nor steps between
    // leaves the check standing (en passant may take a checking pawn elsewhere).
    if (O->EnJaque && (O->Evasion & BitDe[t]) == 0 && !(tipo == PEON && t == O->AlPaso)) return 0;
    Tablero[f] = VACIO;
    if (tipo == PEON && t == O->AlPaso) {
      casillaAlPaso = S == BLANCO ? t + 16 : t - 16;
      Tablero[casillaAlPaso] = VACIO;
    }
    // Only a move made in check or off a line through the own king can expose it.
    // Out of check the king was attacked by nothing, and a move that is not the
    // king's can only open a line: the one through the emptied square, or for en
    // passant the one through the taken pawn's square.
    if (O->EnJaque || ClavadaPosible(f, t, O->Rey[S])) {
      const int enDestino = Tablero[t];
      Tablero[t] = P;
      const int rey = O->Rey[S];
      const int atacado =
          O->EnJaque ? AtacadaTrasMover(E, rey, O)
                     : (Descubierto(-Signo(S), rey, f) ||
                        (casillaAlPaso >= 0 && Descubierto(-Signo(S), rey, casillaAlPaso)));
      Tablero[t] = enDestino;
      if (atacado) {
        Tablero[f] = P;
        if (casillaAlPaso >= 0) Tablero[casillaAlPaso] = -P;
        return 0;
      }
    }
  } else {
    const int enDestino = Tablero[t];
    if (Abs(t - f) == 2 && (j & 0xFFFF) == j) enroque = RookDeEnroque(f, t);
    Tablero[t] = P;
    Tablero[f] = VACIO;
    if (enroque.esquina >= 0) {
      Tablero[enroque.destino] = Tablero[enroque.esquina];
      Tablero[enroque.esquina] = VACIO;
    }
    const int atacado = AtacadaTrasMover(E, t, O);
    Tablero[f] = P;
    Tablero[t] = enDestino;
    if (enroque.esquina >= 0) {
      Tablero[enroque.esquina] = Tablero[enroque.destino];
      Tablero[enroque.destino] = VACIO;
    }
    if (atacado) return 0;
    if (enroque.esquina >= 0 && !EnroqueSeguro(enroque.derecho, O)) return 0;
    Tablero[f] = VACIO;
  }
  // The move is legal; f is empty and an en-passant pawn already gone.

  // The new record, a copy of the old one, with the move noted in both.
  const int X = Tablero[t];
  AbrirRegistro(O, N, f, t, P, X);
  uint32_t baja = O->ClaveBaja, alta = O->ClaveAlta, peones = O->ClavePeones;
  int enroques = O->Enroques;
  int alPaso = SIN_CASILLA;
  const int signo = Signo(S);

  // Captures (en passant included), or the fifty-move count.
  if (X != VACIO || casillaAlPaso >= 0) {
    const int capturada = X != VACIO ? X : -P;
    const int casilla = X != VACIO ? t : casillaAlPaso;
    const int tipoCapturada = Abs(capturada);
    const int idx = IndiceLista(capturada);
    QuitarDeLista(idx, N->NumPiezas[idx], casilla);
    CambiarCuenta(N, idx, -1);
    ConjuntoPiezas[idx] ^= BitDe[casilla];
    if (tipoCapturada != PEON) {
      --(E == BLANCO ? N->PiezasBlancas : N->PiezasNegras);
    } else {
      peones ^= ClavesPieza[capturada + 6][casilla][0];
    }
    N->Material += signo * VALOR_PIEZA[tipoCapturada];
    N->MaterialTotal -= VALOR_PIEZA[tipoCapturada];
    XorPieza(baja, alta, capturada, casilla);
    // A rook taken on its corner takes its castling right with it; otherwise a
    // different rook reaching that corner later could castle.
    enroques &= ~DerechoEsquina(t);
    N->InicioRepeticion = N;
    N->Regla50 = 1;
    N->Captura = 1;
  } else if (tipo == PEON) {
    N->InicioRepeticion = N;
    N->Regla50 = 1;
    N->Captura = 0;
  } else {
    N->Regla50 = static_cast<uint8_t>(O->Regla50 + 1);
    N->Captura = 0;
  }

  // The moving man.
  if (tipo == PEON) {
    const int idx = IndiceLista(P);
    peones ^= ClavesPieza[P + 6][f][0];
    XorPieza(baja, alta, P, f);
    if (Fila(t) == 0 || Fila(t) == 7) {
      int promocion = TipoPromocion(j);
      if (promocion < CABALLO || promocion > DAMA) promocion = DAMA;
      const int nueva = signo * promocion;
      const int idxNueva = IndiceLista(nueva);
      QuitarDeLista(idx, N->NumPiezas[idx], f);
      CambiarCuenta(N, idx, -1);
      ListaPiezas[idxNueva][N->NumPiezas[idxNueva]] = t;
      CambiarCuenta(N, idxNueva, 1);
      ConjuntoPiezas[idx] ^= BitDe[f];
      ConjuntoPiezas[idxNueva] ^= BitDe[t];
      ++(S == BLANCO ? N->PiezasBlancas : N->PiezasNegras);
      N->Material += signo * (VALOR_PIEZA[promocion] - VALOR_PIEZA[PEON]);
      N->MaterialTotal += VALOR_PIEZA[promocion] - VALOR_PIEZA[PEON];
      XorPieza(baja, alta, nueva, t);
      Tablero[t] = nueva;
    } else {
      peones ^= ClavesPieza[P + 6][t][0];
      XorPieza(baja, alta, P, t);
      CambiarEnLista(idx, N->NumPiezas[idx], f, t);
      ConjuntoPiezas[idx] ^= BitDe[f] | BitDe[t];
      Tablero[t] = P;
      // The passed square counts only when an enemy pawn could take there.
      if (Abs(t - f) == 32 && ((EnTablero(t - 1) && Tablero[t - 1] == -P) ||
                               (EnTablero(t + 1) && Tablero[t + 1] == -P)))
        alPaso = (f + t) / 2;
    }
  } else if (tipo == REY) {
    XorPieza(baja, alta, P, f);
    XorPieza(baja, alta, P, t);
    Tablero[t] = P;
    N->Rey[S] = static_cast<uint8_t>(t);
    enroques &= S == BLANCO ? (ENROQUE_NC | ENROQUE_NL) : (ENROQUE_BC | ENROQUE_BL);
    if (enroque.esquina >= 0) {
      const int torre = signo * TORRE;
      Tablero[enroque.destino] = torre;
      Tablero[enroque.esquina] = VACIO;
      XorPieza(baja, alta, torre, enroque.esquina);
      XorPieza(baja, alta, torre, enroque.destino);
      const int idx = IndiceLista(torre);
      CambiarEnLista(idx, N->NumPiezas[idx], enroque.esquina, enroque.destino);
      ConjuntoPiezas[idx] ^= BitDe[enroque.esquina] | BitDe[enroque.destino];
    }
  } else {
    XorPieza(baja, alta, P, f);
    XorPieza(baja, alta, P, t);
    const int idx = IndiceLista(P);
    CambiarEnLista(idx, N->NumPiezas[idx], f, t);
    ConjuntoPiezas[idx] ^= BitDe[f] | BitDe[t];
    Tablero[t] = P;
    if (tipo == TORRE) enroques &= ~DerechoEsquina(f);
  }

  // En passant and castling parts of the key.
  baja ^= ClavesAlPaso[O->AlPaso][0] ^ ClavesAlPaso[alPaso][0];
  alta ^= ClavesAlPaso[O->AlPaso][1] ^ ClavesAlPaso[alPaso][1];
  baja ^= ClavesEnroque[O->Enroques][0] ^ ClavesEnroque[enroques][0];
  alta ^= ClavesEnroque[O->Enroques][1] ^ ClavesEnroque[enroques][1];

  // The next node's table slots, asked for now so that the rest of make and
  // the return to the search hide part of the wait.
  Anticipar(TablasAnticipadas[ANTICIPO_FILTRO], baja);
  Anticipar(TablasAnticipadas[ANTICIPO_PROF], baja);
  Anticipar(TablasAnticipadas[ANTICIPO_SIEMPRE], baja);
  Anticipar(TablasAnticipadas[ANTICIPO_ATAQUES], baja);
  if (peones != O->ClavePeones) {
    Anticipar(TablasAnticipadas[ANTICIPO_PEONES], peones);
    Anticipar(TablasAnticipadas[ANTICIPO_PEONES_EVAL], peones);
  }

  // Finish the record.
  N->AlPaso = static_cast<uint8_t>(alPaso);
  N->Enroques = static_cast<uint8_t>(enroques);
  N->Turno = static_cast<uint8_t>(E);
  N->ClaveBaja = baja;
  N->ClaveAlta = alta;
  N->IndiceHash[0] = baja & MascaraHash;
  N->IndiceHash[1] = alta & MascaraHashAlta();
  N->ClavePeones = peones;
  N->IndicePeones = peones & MascaraPeones;
  // The king just moved against was not attacked before (the side that moved
  // before it could not have left it so, nor could a position be set up so), so
  // only the man that arrived, a castling rook, or a line through an emptied
  // square can attack it now: the same answer as Atacada, without scanning
  // every man.
  const int reyRival = N->Rey[E];
  uint64_t jaqueadores =
      (AtacaDesde(t, reyRival) ? BitDe[t] : 0) | DescubiertoDesde(signo, reyRival, f);
  if (casillaAlPaso >= 0) jaqueadores |= DescubiertoDesde(signo, reyRival, casillaAlPaso);
  if (enroque.esquina >= 0 && AtacaDesde(enroque.destino, reyRival))
    jaqueadores |= BitDe[enroque.destino];
  N->EnJaque = jaqueadores != 0;
  N->Evasion = EvasionDe(jaqueadores, reyRival);
  N->PermiteNulo = !N->EnJaque;

  EstadoActual = N;
  ++PlyActual;
  ++MediasJugadas;
  ++Nodos;
  ComprobarPosicion();
  if constexpr (COMPROBAR) {
    if (baja != prevista) std::abort();
  }
  return 1;
}

void DeshacerJugada() {
  EstadoPly* const O = --EstadoActual;
  const int f = O->Desde, t = O->Hasta;
  const int P = O->PiezaMovida, X = O->PiezaCapturada;
  const int tipo = Abs(P);

  // The mover back on its square, in its list.
  Tablero[f] = P;
  if (tipo == PEON && (Fila(t) == 0 || Fila(t) == 7)) {
    const int idx = IndiceLista(P);
    ListaPiezas[idx][O->NumPiezas[idx] - 1] = f;
    const int nueva = Tablero[t];
    const int idxNueva = IndiceLista(nueva);
    const int ultimo = O->NumPiezas[idxNueva];  // the promoted man's entry index
    CambiarEnLista(idxNueva, ultimo + 1, t, ListaPiezas[idxNueva][ultimo]);
    ConjuntoPiezas[idx] ^= BitDe[f];
    ConjuntoPiezas[idxNueva] ^= BitDe[t];
  } else if (tipo != REY) {
    const int idx = IndiceLista(P);
    CambiarEnLista(idx, O->NumPiezas[idx], t, f);
    ConjuntoPiezas[idx] ^= BitDe[f] | BitDe[t];
  }

  // A captured man returns at the end of its list.
  Tablero[t] = X;
  if (X != VACIO) {
    const int idx = IndiceLista(X);
    ListaPiezas[idx][O->NumPiezas[idx] - 1] = t;
    ConjuntoPiezas[idx] ^= BitDe[t];
  }

  // Castling rook and en-passant pawn.
  if (tipo == REY) {
    if (Abs(t - f) == 2) {
      const TorreEnroque enroque = RookDeEnroque(f, t);
      if (enroque.esquina >= 0) {
        const int torre = Signo(O->Turno) * TORRE;
        Tablero[enroque.esquina] = torre;
        Tablero[enroque.destino] = VACIO;
        const int idx = IndiceLista(torre);
        CambiarEnLista(idx, O->NumPiezas[idx], enroque.destino, enroque.esquina);
        ConjuntoPiezas[idx] ^= BitDe[enroque.esquina] | BitDe[enroque.destino];
      }
    }
  } else if (tipo == PEON && t == O->AlPaso) {
    const int casilla = P > 0 ? t + 16 : t - 16;
    Tablero[casilla] = -P;
    const int idx = IndiceLista(-P);
    ListaPiezas[idx][O->NumPiezas[idx] - 1] = casilla;
    ConjuntoPiezas[idx] ^= BitDe[casilla];
  }

  --PlyActual;
  --MediasJugadas;
  ComprobarPosicion();
}

int VeredictoTranquila(Jugada j) {
  const EstadoPly* const O = EstadoActual;
  const int f = CasillaDesde(j), t = CasillaHasta(j);
  const int P = Tablero[f];
  const int tipo = Abs(P);
  if (O->EnJaque || tipo == REY || Tablero[t] != VACIO) return NO_TRANQUILA;
  if (tipo == PEON && (t == O->AlPaso || Fila(t) == 0 || Fila(t) == 7)) return NO_TRANQUILA;
  const int S = O->Turno;
  // The same tests as make's, on the same tentatively changed board.
  Tablero[f] = VACIO;
  Tablero[t] = P;
  int veredicto = TRANQUILA_LEGAL;
  if (ClavadaPosible(f, t, O->Rey[S]) && Descubierto(-Signo(S), O->Rey[S], f)) {
    veredicto = TRANQUILA_ILEGAL;
  } else {
    const int reyRival = O->Rey[1 - S];
    if (AtacaDesde(t, reyRival) || Descubierto(Signo(S), reyRival, f)) veredicto = TRANQUILA_JAQUE;
  }
  Tablero[t] = VACIO;
  Tablero[f] = P;
  return veredicto;
}

void AnotarSinHacer(Jugada j) {
  EstadoPly* const O = EstadoActual;
  const int f = CasillaDesde(j), t = CasillaHasta(j);
  if constexpr (COMPROBAR) {
    // The checked build makes and unmakes the move instead, and makes sure it was
    // a legal quiet move without check that left nothing else behind.
    const uint32_t nodos = Nodos;
    const int32_t pieza = Tablero[f];
    if (VeredictoTranquila(j) != TRANQUILA_LEGAL || !HacerJugada(j) || EstadoActual->EnJaque)
      std::abort();
    DeshacerJugada();
    if (Nodos != nodos + 1 || O->Desde != f || O->Hasta != t || O->PiezaMovida != pieza ||
        O->PiezaCapturada != VACIO)
      std::abort();
    return;
  }
  O->Desde = static_cast<uint8_t>(f);
  O->Hasta = static_cast<uint8_t>(t);
  O->PiezaMovida = static_cast<int8_t>(Tablero[f]);
  O->PiezaCapturada = VACIO;
  ++Nodos;
}

void HacerNulo() {
  EstadoPly* const O = EstadoActual;
  EstadoPly* const N = O + 1;
  AbrirRegistro(O, N, SIN_CASILLA, SIN_CASILLA, 0, 0);
  N->Regla50 = static_cast<uint8_t>(O->Regla50 + 2);
  N->Captura = 0;
  N->Turno = static_cast<uint8_t>(1 - O->Turno);
  N->EnJaque = 0;
  N->Evasion = 0;
  N->PermiteNulo = 0;
  EstadoActual = N;
  ++PlyActual;
  ++Nulos;
}

void DeshacerNulo() {
  --EstadoActual;
  --PlyActual;
}

int HacerJugadaPartida(Jugada j) {
  const int legal = HacerJugada(j);
  PlyActual = 0;
  return legal;
}

void DeshacerJugadaPartida() {
  DeshacerJugada();
  PlyActual = 0;
}
