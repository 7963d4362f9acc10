// Move text: square names and the coordinate form of a move ("e2e4", "e7e8Q").
#include "core/core.h"

const char* const NombreCasilla[128] = {
    "a8", "b8", "c8", "d8", "e8", "f8", "g8", "h8", "x", "x", "x", "x", "x", "x", "x", "x",
    "a7", "b7", "c7", "d7", "e7", "f7", "g7", "h7", "x", "x", "x", "x", "x", "x", "x", "x",
    "a6", "b6", "c6", "d6", "e6", "f6", "g6", "h6", "x", "x", "x", "x", "x", "x", "x", "x",
    "a5", "b5", "c5", "d5", "e5", "f5", "g5", "h5", "x", "x", "x", "x", "x", "x", "x", "x",
    "a4", "b4", "c4", "d4", "e4", "f4", "g4", "h4", "x", "x", "x", "x", "x", "x", "x", "x",
    "a3", "b3", "c3", "d3", "e3", "f3", "g3", "h3", "x", "x", "x", "x", "x", "x", "x", "x",
    "a2", "b2", "c2", "d2", "e2", "f2", "g2", "h2", "x", "x", "x", "x", "x", "x", "x", "x",
    "a1", "b1", "c1", "d1", "e1", "f1", "g1", "h1", "x", "x", "x", "x", "x", "x", "x", "x",
};

const char LetraPromocion[8] = "  NBRQ";

namespace {

const char* Nombre(int casilla) {
  return casilla >= 0 && casilla < 128 ? NombreCasilla[casilla] : "x";
}

}  // namespace

void TextoJugada(Jugada j, char* destino) {
  const int promocion = TipoPromocion(j);
  if (promocion != 0)
    std::snprintf(destino, 6, "%s%s%c", Nombre(CasillaDesde(j)), Nombre(CasillaHasta(j)),
                  LetraPromocion[promocion & 7]);
  else std::snprintf(destino, 6, "%s%s", Nombre(CasillaDesde(j)), Nombre(CasillaHasta(j)));
}
