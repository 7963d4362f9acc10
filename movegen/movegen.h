// Move generation and attack tests.
#pragma once

#include <cstdint>
#include <initializer_list>

#include "core/core.h"

// ---------------------------------------------------------------- constants

// Ordering values by mover type (rows 1..6) and captured type (columns 0..6,
// 0 = no capture; the king column is never used by legal play).
inline constexpr int32_t ValorOrden[7][7] = {
    {0, 0, 0, 0, 0, 0, 0},
    {2300, 2300, 3300, 3400, 3500, 4000, 0},  // pawn (column 0: en passant)
    {600, 1900, 2400, 2800, 3200, 3800, 0},   // knight
    {500, 1800, 2200, 2500, 3100, 3700, 0},   // bishop
    {200, 1700, 2000, 2100, 2600, 3600, 0},   // rook
    {300, 1300, 1400, 1500, 1600, 2700, 0},   // queen
    {100, 800, 900, 1000, 1100, 1200, 0},     // king
};
inline constexpr int32_t VALOR_PASO_PEON = 400;
inline constexpr int32_t VALOR_ENROQUE = 201;
// Promotion values by type (knight, bishop, rook, queen), quiet and capturing.
inline constexpr int32_t VALOR_PROMOCION[6] = {0, 0, 3400, 3300, 3500, 3900};
inline constexpr int32_t VALOR_PROMOCION_CAPTURA[6] = {0, 0, 3450, 3350, 3550, 3950};

// Pawn geometry by side (Signo +1 white, -1 black). White advances by -16 and
// takes on -17 then -15; black mirrors it, taking towards the a-file first too.
template <int Signo>
struct GeometriaPeon {
  static constexpr int lista = Signo > 0 ? 0 : 1;
  static constexpr int avance = Signo > 0 ? -16 : 16;
  static constexpr int capturaA = Signo > 0 ? -17 : 15;
  static constexpr int capturaH = Signo > 0 ? -15 : 17;
  static constexpr int filaPromocion = Signo > 0 ? 1 : 6;  // row (0 = rank 8) it promotes from
  static constexpr int filaAlPaso = Signo > 0 ? 3 : 4;     // row it takes en passant from
  static constexpr int filaInicial = Signo > 0 ? 6 : 1;    // row of the double step
};

// ---------------------------------------------------------------- functions

// Append the pseudo-legal moves (or captures and the chief promotions) of the side
// to move for ply PlyActual; set InicioLista[PlyActual] and InicioLista[PlyActual+1].
void GenerarJugadas();
void GenerarCapturas();

// How many of the moves GenerarJugadas would list HacerJugada accepts, mostly
// judged from the board without making them. Leaves the position as it was.
uint32_t ContarJugadasLegales();

// Appends one entry above TopeJugadas.
inline void AnotarJugada(int desde, int hasta, int32_t valor, int promocion) {
  ++TopeJugadas;
  TopeJugadas->Jugada = CrearJugada(desde, hasta, promocion);
  TopeJugadas->Valor = valor;
}

// A man of the side not to move (signo +1 when white moves).
inline bool Enemiga(int pieza, int signo) { return pieza * signo < 0; }

// The two diagonal captures of a pawn not on its promotion row, en passant included.
template <int Signo>
inline void CapturasPeon(const EstadoPly& e, int s) {
  using G = GeometriaPeon<Signo>;
  const bool alPaso = (s >> 4) == G::filaAlPaso;
  for (int c : {s + G::capturaA, s + G::capturaH}) {
    if (!EnTablero(c)) continue;
    const int victima = Tablero[c];
    if (Enemiga(victima, Signo) || (alPaso && c == e.AlPaso))
      AnotarJugada(s, c, ValorOrden[PEON][Abs(victima)], 0);
  }
}

// The four capturing promotions onto each diagonal that holds an enemy man.
template <int Signo>
inline void PromocionesCaptura(int s) {
  using G = GeometriaPeon<Signo>;
  for (int c : {s + G::capturaA, s + G::capturaH}) {
    if (!EnTablero(c) || !Enemiga(Tablero[c], Signo)) continue;
    for (int tipo = CABALLO; tipo <= DAMA; ++tipo)
      AnotarJugada(s, c, VALOR_PROMOCION_CAPTURA[tipo], tipo);
  }
}

// Castlings whose own conditions hold for the side with sign Signo: its king at
// home and not in check, the right kept, the rook on its corner and the squares
// between empty. Bit 1 is the king side, bit 2 the queen side; whether the king
// crosses or reaches an attacked square is make's question.
inline constexpr int ENROQUE_CORTO = 1, ENROQUE_LARGO = 2;
template <int Signo>
inline int EnroquesPosibles(const EstadoPly& e) {
  constexpr int casa = Signo > 0 ? E1 : E8;
  if (e.Rey[Signo > 0 ? BLANCO : NEGRO] != casa || e.EnJaque) return 0;
  constexpr int derechoCorto = Signo > 0 ? ENROQUE_BC : ENROQUE_NC;
  constexpr int derechoLargo = Signo > 0 ? ENROQUE_BL : ENROQUE_NL;
  constexpr int torre = Signo * TORRE;
  int posibles = 0;
  if ((e.Enroques & derechoCorto) && Tablero[casa + 3] == torre && Tablero[casa + 1] == VACIO &&
      Tablero[casa + 2] == VACIO)
    posibles |= ENROQUE_CORTO;
  if ((e.Enroques & derechoLargo) && Tablero[casa - 4] == torre && Tablero[casa - 1] == VACIO &&
      Tablero[casa - 2] == VACIO && Tablero[casa - 3] == VACIO)
    posibles |= ENROQUE_LARGO;
  return posibles;
}

// The moves of the current position, generated at ply PlyActual above the top
// of the move stack; the stack (top, ply and list bounds) is as it was again when
// the object goes out of scope. `alFondo` generates at ply 0 from the bottom of
// the stack instead, for callers outside a search.
class ListaJugadas {
 public:
  explicit ListaJugadas(bool alFondo = false);
  ~ListaJugadas();
  ListaJugadas(const ListaJugadas&) = delete;
  ListaJugadas& operator=(const ListaJugadas&) = delete;

  const EntradaJugada* begin() const { return inicio_; }
  const EntradaJugada* end() const { return fin_; }
  // The listed move with the squares and promotion of j (a pawn move to the last
  // rank without a piece names the queen promotion), or 0.
  Jugada Buscar(Jugada j) const;
  // The first listed move that is legal, or 0 when the side to move has none.
  Jugada PrimeraLegal() const;

 private:
  uint32_t ply_;
  EntradaJugada* tope_;
  uint32_t slot_;  // the ply generated at
  EntradaJugada* inicioSlot_;
  EntradaJugada* siguienteSlot_;
  const EntradaJugada* inicio_;
  const EntradaJugada* fin_;
};

// 1 when the move could be played here judging from the board alone: a man of
// the side to move, a path and a target its kind allows (king-side castling only).
int ValidarJugada(Jugada j);
