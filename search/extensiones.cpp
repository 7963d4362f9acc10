// Extensions of a move just made (EstadoActual is the child) and the threat
// estimate of the last-ply pruning.
#include "eval/eval.h"
#include "search/forma.h"
#include "search/search.h"

namespace {

// Recapture margins of the zero-window search by min(prof, 10).
constexpr int32_t MARGEN_RECAPTURA[11] = {500, 500, 400, 350, 325, 300, 275, 250, 225, 200, 0};

// Distance of the material balance (engine's view) from the root score.
int32_t DistanciaRaiz(const EstadoPly* c) {
  const int32_t m = Eval.ColorMotor == BLANCO ? c->Material : -c->Material;
  return Abs(m - Busqueda.ValorRaiz());
}

bool Recaptura(const EstadoPly* c) {
  return c->Captura == 1 && c - 2 >= Historia && c->Material == (c - 2)->Material;
}

bool PeonASeptima(int pieza, int hasta) {
  return (pieza == PEON && hasta >= 16 && hasta <= 31) ||
         (pieza == -PEON && hasta >= 96 && hasta <= 111);
}

// The last pieces were traded: a pawn ending.
bool FinalPeones(const EstadoPly* c) {
  const EstadoPly* padre = c - 1;
  return c->PiezasBlancas == 0 && c->PiezasNegras == 0 &&
         (padre->PiezasBlancas > 0 || padre->PiezasNegras > 0);
}

bool UnaPiezaCada(const EstadoPly* c) {
  const EstadoPly* padre = c - 1;
  return c->PiezasBlancas == 1 && c->PiezasNegras == 1 &&
         (padre->PiezasBlancas > 1 || padre->PiezasNegras > 1) && c->NumPiezas[8] == 0 &&
         c->NumPiezas[9] == 0;
}

bool Activa(int32_t ajuste) { return !FORMA_BUSQUEDA.ExtensionesSegunAjuste || ajuste != 0; }

// What both searches extend first, and alike: a check, and a threat the null
// move showed.
bool ExtensionForzada(const EstadoPly* c, int amenaza) {
  if (c->EnJaque) {
    ++Busqueda.Contadores.ExtJaque;
    return true;
  }
  if (amenaza && Activa(Personalidad.EXTENSION_NULL)) {
    ++Busqueda.Contadores.ExtNull;
    return true;
  }
  return false;
}

}  // namespace

int ExtensionVentanaCero(int hasta, int amenaza, int prof) {
  const EstadoPly* c = EstadoActual;
  if (ExtensionForzada(c, amenaza)) return 1;
  const int32_t d = DistanciaRaiz(c);
  if (FinalPeones(c) && d <= 300 && Activa(Personalidad.EXTENSION_FINAL)) {
    Busqueda.Contadores.ExtFinal += 3;
    return 3;
  }
  if (UnaPiezaCada(c) && Activa(Personalidad.EXTENSION_FINAL)) {
    ++Busqueda.Contadores.ExtFinal;
    return 1;
  }
  if (Recaptura(c) && Activa(Personalidad.EXT_RECAP) &&
      d <= MARGEN_RECAPTURA[prof < 10 ? (prof < 0 ? 0 : prof) : 10]) {
    ++Busqueda.Contadores.ExtRecaptura;
    return 1;
  }
  if (PeonASeptima(Tablero[hasta], hasta) && Activa(Personalidad.EXT_PEON_7)) {
    ++Busqueda.Contadores.ExtPeon7;
    return 1;
  }
  return 0;
}

bool ExtiendeTranquila(int pieza, int hasta, int amenaza) {
  return (amenaza && Activa(Personalidad.EXTENSION_NULL)) ||
         (PeonASeptima(pieza, hasta) && Activa(Personalidad.EXT_PEON_7));
}

int ExtensionPV(int hasta, int amenaza) {
  const EstadoPly* c = EstadoActual;
  if (ExtensionForzada(c, amenaza)) return 1;
  if (Recaptura(c) && Activa(Personalidad.EXT_RECAP)) {
    ++Busqueda.Contadores.ExtRecaptura;
    return 1;
  }
  if (PeonASeptima(Tablero[hasta], hasta) && Activa(Personalidad.EXT_PEON_7)) {
    ++Busqueda.Contadores.ExtPeon7;
    return 1;
  }
  if (FinalPeones(c) && Activa(Personalidad.EXTENSION_FINAL)) {
    Busqueda.Contadores.ExtFinal += 3;
    return 3;
  }
  if (UnaPiezaCada(c) && Activa(Personalidad.EXTENSION_FINAL)) {
    ++Busqueda.Contadores.ExtFinal;
    return 1;
  }
  return 0;
}

// What the opponent wins by exchanges on the squares of our attacked men
// (king excluded). Needs the attack map of the current position.
int32_t Amenaza() {
  const EstadoPly* n = EstadoActual;
  const bool blanco = n->Turno == BLANCO;
  const uint64_t rival = CasillasAtacadas(&Eval.TablaAtaques[n->ClaveBaja & Eval.MascaraAtaques], blanco ? NEGRO : BLANCO);
  int32_t total = 0;
  // Lists by type, queens first: wQ bQ are lists 8/9, rooks 6/7, bishops 4/5,
  // knights 2/3, pawns 0/1.
  for (int tipo = DAMA; tipo >= PEON; --tipo) {
    const int lista = 2 * (tipo - 1) + (blanco ? 0 : 1);
    const int cuenta = n->NumPiezas[lista];
    for (int i = 0; i < cuenta; ++i) {
      const int casilla = ListaPiezas[lista][i];
      if (rival >> (63 - Indice64(casilla)) & 1) total += CambioCasilla(casilla);
    }
  }
  return total;
}
