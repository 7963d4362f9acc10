// The end of a normal search: announce mate, stalemate or a dead draw instead
// of moving, or play the move and announce the draw or mate it brings about.
#include <cstdio>

#include "movegen/movegen.h"
#include "search/search.h"

namespace {

const char* Mate(int ganador) {
  return ganador == BLANCO ? "\n1-0 {Jaque Mate}\n" : "\n0-1 {Jaque Mate}\n";
}

}  // namespace

void EmitirJugada() {
  EstadoPly* const n = EstadoActual;
  const Jugada j = VariantePrincipal[0][0].Jugada;
  // 1. No legal move (the search left none in row 0): mate or stalemate. The
  //    result names the winner by the side to move, which is also right when the
  //    engine plays neither side.
  if (j == 0) {
    if (n->EnJaque) {
      std::printf("%s", Mate(n->Turno == BLANCO ? NEGRO : BLANCO));
    } else {
      ValorRaiz = 0;
      std::printf("\n1/2-1/2 {Ahogado}\n");
    }
    return;
  }
  // 2. A drawn score in a dead position: only one minor piece at most is
  //    announced (front ends score a draw claim the board does not support as a
  //    loss, and two knights can mate), so the game goes on.
  if (ValorRaiz == 0 && MaterialInsuficiente(n, false)) {
    std::printf("\n1/2-1/2 {Insuficiente material}\n");
    return;
  }
  // 3. The move line, then the statistics.
  std::printf("\nmove ");
  if constexpr (VERSION_052) Log("\n;*** Mi jugada (%d) es: ", (MediasJugadas + 2) / 2);
  else Log("\n;*** Mi jugada (%u) es: ", static_cast<unsigned>((MediasJugadas + 2) / 2));
  ImprimirJugada(j);
  std::printf("\n");
  EstadisticasLog();
  // 4-5. Make the move. A move that mates ends the game, and the board stays as
  //      it was before the mating move. (The board decides, not the score: a
  //      mate score carried over from the tables can belong to a longer mate.)
  const int ganador = n->Turno;
  if (!HacerJugadaPartida(j)) return;
  if (EstadoActual->EnJaque && ListaJugadas().PrimeraLegal() == 0) {
    std::printf("%s", Mate(ganador));
    DeshacerJugadaPartida();
    return;
  }
  // 6-8. Draws the move itself brings about. The fifty-move claim needs a full
  //      hundred plies without a capture or pawn move: a front end that checks
  //      claims scores an early one as a loss.
  const EstadoPly* a = EstadoActual;
  if (PliesReversibles(a) >= 100) std::printf("\n1/2-1/2 {Regla de las 50 jugadas}\n");
  else if (Repeticiones(a, 2) >= 2) std::printf("\n1/2-1/2 {Tercera repeticion}\n");
  std::printf("\n");
}
