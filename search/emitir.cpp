// The end of a normal search: announce mate, stalemate or a dead draw instead
// of moving, or play the move and announce the draw or mate it brings about.
#include "movegen/movegen.h"
#include "search/search.h"

namespace {

Resultado Mate(int ganador) {
  return ganador == BLANCO ? Resultado::GananBlancas : Resultado::GananNegras;
}

}  // namespace

void EmitirJugada() {
  EstadoPly* const n = EstadoActual;
  const Jugada j = Busqueda.VariantePrincipal[0][0].Jugada;
  // No legal move (the search left none in row 0): mate or stalemate. The
  // result names the winner by the side to move, which is also right when the
  // engine plays neither side.
  if (j == 0) {
    if (n->EnJaque) {
      InformarFinal(Mate(n->Turno == BLANCO ? NEGRO : BLANCO), false);
    } else {
      Busqueda.ValorRaiz() = 0;
      InformarFinal(Resultado::Ahogado, false);
    }
    return;
  }
  // A drawn score in a dead position: only one minor piece at most is
  // announced (front ends score a draw claim the board does not support as a
  // loss, and two knights can mate), so the game goes on.
  if (Busqueda.ValorRaiz() == 0 && MaterialInsuficiente(n, false)) {
    InformarFinal(Resultado::Insuficiente, false);
    return;
  }
  // The move, then the statistics in the log.
  InformarJugada(j);
  char texto[8];
  TextoJugada(j, texto);
  Log("\n;*** Mi jugada (%d) es: %s;", (MediasJugadas + 2) / 2, texto);
  EstadisticasLog();
  // Make the move. A move that mates ends the game, and the board stays as
  // it was before the mating move. (The board decides, not the score: a
  // mate score carried over from the tables can belong to a longer mate.)
  const int ganador = n->Turno;
  if (!HacerJugadaPartida(j)) return;
  if (EstadoActual->EnJaque && ListaJugadas().PrimeraLegal() == 0) {
    InformarFinal(Mate(ganador), true);
    DeshacerJugadaPartida();
    return;
  }
  // Draws the move itself brings about. The fifty-move claim needs a full
  // hundred plies without a capture or pawn move: a front end that checks
  // claims scores an early one as a loss.
  const EstadoPly* a = EstadoActual;
  InformarFinal(PliesReversibles(a) >= 100      ? Resultado::Regla50
                : Repeticiones(a, 2) >= 2      ? Resultado::Repeticion
                                               : Resultado::Ninguno,
                true);
}
