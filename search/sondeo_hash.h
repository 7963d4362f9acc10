// Shared steps of the interior searches: the two-table probe, the hash-move
// filter and the material tests of the null move.
#pragma once

#include "search/search.h"

struct SondaHash {
  EntradaHash* Prof;     // slot of the position in the depth-preferred table
  EntradaHash* Siempre;  // and in the always-replace table
  Jugada JugadaHash;     // move of an exact or lower-bound entry, or 0
  int32_t Valor;         // the value that ends the node, when ProbarHash answers 1
  Jugada JugadaExacta;   // move of the exact entry that ended the node
};

// Steps that end an interior node before anything is probed: the fifty-move
// rule and a repetition (0), the ply limit (the static value), pending input or
// the clock (0, the search unwinds). True with the node's value in `valor`.
bool FinAnticipado(const EstadoPly* n, uint32_t p, int32_t& valor);

// Makes the best remaining move of ply p, popping the illegal ones on the way.
// False when the list is exhausted; a made move stays on top of the list. A move
// for which `resuelta` answers true was settled without make (found illegal, or
// counted and dropped) and is popped unmade.
template <typename Resuelta>
inline bool HacerMejorJugada(uint32_t p, Jugada& j, int32_t& valorOrden, Resuelta&& resuelta) {
  while (TopeJugadas >= InicioLista[p]) {
    ElegirMejor();
    j = TopeJugadas->Jugada;
    valorOrden = TopeJugadas->Valor;
    if (!resuelta(j)) {
      // The child's table slots are asked for before make rather than at its end.
      AnticiparHijo(j);
      if (HacerJugada(j)) return true;
    }
    --TopeJugadas;
  }
  return false;
}
inline bool HacerMejorJugada(uint32_t p, Jugada& j, int32_t& valorOrden) {
  return HacerMejorJugada(p, j, valorOrden, [](Jugada) { return false; });
}

// Probes both tables for the current position at depth prof and window
// (alfa, beta). 1: the value in s.Valor ends the node. 0: s.JugadaHash may hold
// the hash move, and PermiteNulo may have been taken from the entry.
int ProbarHash(SondaHash& s, int prof, int32_t alfa, int32_t beta);

// Tablebase step of an interior node at ply p: probed right after a capture or
// near the root, when few enough men are left. On a hit the value, corrected for
// the distance from the root, is stored in both tables with the draft
// prof + extraCalado and returned in `valor`.
bool ProbarTablasNodo(SondaHash& s, int prof, uint32_t p, int extraCalado, Jugada jugadaHash,
                      int32_t& valor);

// The filter a hash move passes before it is made: a man of the side to move on
// the from-square, no own man on the to-square, and for the four castling words
// the right, the rook and empty squares between king and rook.
bool JugadaHashAceptable(Jugada j);

// Both sides keep more than one piece, or a rook or a queen.
bool MaterialParaNulo(const EstadoPly* n);

// The position occurred before (same side to move) back to InicioRepeticion.
bool Repetida(const EstadoPly* n);

// Remaining depth of the null-move search at depth prof.
int ProfNulo(int prof);

// Futility margin: fixed in this engine, a setting in the earlier one.
int32_t MargenFutility();

// Stores a node's result in both tables, at the slots its probe found.
inline void GuardarNodo(const SondaHash& s, int prof, int32_t alfa, int32_t beta, int32_t valor,
                        Jugada jugada) {
  GuardarHashProf(s.Prof, prof, alfa, beta, valor, jugada);
  GuardarHashSiempre(s.Siempre, prof, alfa, beta, valor, jugada);
}

// A node without a legal move: mated at ply p, or stalemate.
inline int32_t ValorSinJugadas(const EstadoPly* n, uint32_t p) {
  return n->EnJaque ? static_cast<int32_t>(p) - VALOR_MATE : 0;
}

// The end of an interior node: its move list released, a beta cutoff counted
// (and whether the first move made it), and its value returned.
inline int32_t CerrarNodo(EntradaJugada* topeEntrada, int32_t mejor, int32_t beta, int buscadas) {
  TopeJugadas = topeEntrada;
  if (mejor >= beta) {
    ++Busqueda.Contadores.CortesBeta;
    if (buscadas == 1) ++Busqueda.Contadores.CortesBetaPrimera;
  }
  return mejor;
}

// Futility's test of a position's material, from the mover's view: shallow,
// both sides keeping two pieces or more, alfa below the mate range, and the
// material plus the margin still at or below alfa. Asked of a child after make
// by both interior searches, and of the node itself by the zero-window search's
// skip before make, which must agree with it.
inline bool MaterialFutil(const EstadoPly* s, int32_t material, int prof, int32_t alfa) {
  return prof <= 2 && s->PiezasBlancas >= 2 && s->PiezasNegras >= 2 && alfa < UMBRAL_MATE &&
         material + MargenFutility() <= alfa;
}
