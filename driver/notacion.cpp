// Move notation: coordinate text (e2e4, e7e8Q) in and out, and the printing of
// the principal variation.
#include <cstring>

#include "driver/driver.h"
#include "movegen/movegen.h"
#include "search/search.h"

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

int Signo0(int x) { return (x > 0) - (x < 0); }

// The squares strictly between two squares on a line are all empty.
bool CaminoLibre(int desde, int hasta, int paso) {
  for (int c = desde + paso; c != hasta; c += paso)
    if (PiezaEn(c) != VACIO) return false;
  return true;
}

int ValidarPeon(int desde, int hasta, int promocion, int lado) {
  const int avance = lado == BLANCO ? -16 : 16;
  const int ultimaFila = lado == BLANCO ? 7 : 0;
  // A move onto the last rank carries a real promotion piece.
  if (Fila(hasta) == ultimaFila && (promocion < CABALLO || promocion > DAMA)) return 0;
  const int diferencia = hasta - desde;
  if (diferencia == avance - 1 || diferencia == avance + 1) {
    int pieza = PiezaEn(hasta);
    bool enemiga = lado == BLANCO ? pieza < 0 : pieza > 0;
    return enemiga || hasta == EstadoActual->AlPaso;
  }
  if (diferencia == avance) return PiezaEn(hasta) == VACIO;
  // The double step is not tied to the starting rank, but it never lands on a man.
  if (diferencia == 2 * avance) return PiezaEn(desde + avance) == VACIO && PiezaEn(hasta) == VACIO;
  return 0;
}

int ValidarRey(int desde, int hasta, int lado) {
  int df = Columna(hasta) - Columna(desde);
  int dr = (hasta >> 4) - (desde >> 4);
  if (Abs(df) <= 1 && Abs(dr) <= 1) return 1;
  // Only the king-side castling is accepted; it also needs the right and its
  // rook, without which making it would move a rook that is not there.
  const int casa = lado == BLANCO ? E1 : E8;
  const int destino = lado == BLANCO ? G1 : G8;
  const int torre = lado == BLANCO ? H1 : H8;
  const int derecho = lado == BLANCO ? ENROQUE_BC : ENROQUE_NC;
  if (desde != casa || hasta != destino || EstadoActual->EnJaque) return 0;
  if ((EstadoActual->Enroques & derecho) == 0) return 0;
  if (PiezaEn(torre) != (lado == BLANCO ? TORRE : -TORRE)) return 0;
  return PiezaEn(casa + 1) == VACIO && PiezaEn(casa + 2) == VACIO;
}

void ImprimirEnAmbas(Jugada j, const char* separador) {
  char texto[8];
  TextoJugada(j, texto);
  std::printf("%s%s", texto, separador);
  Log("%s%s", texto, separador);
}

}  // namespace

void TextoJugada(Jugada j, char* destino) {
  int promocion = TipoPromocion(j);
  if (promocion != 0)
    std::snprintf(destino, 6, "%s%s%c", Nombre(CasillaDesde(j)), Nombre(CasillaHasta(j)),
                  LetraPromocion[promocion & 7]);
  else std::snprintf(destino, 6, "%s%s", Nombre(CasillaDesde(j)), Nombre(CasillaHasta(j)));
}

Jugada JugadaGenerada(Jugada j) {
  const int desde = CasillaDesde(j), hasta = CasillaHasta(j);
  if (!EnTablero(desde) || !EnTablero(hasta)) return 0;
  // Generate at ply 0 from the bottom of the stack: outside a search nothing
  // else lives there. The caller's stack state comes back afterwards.
  const uint32_t ply = PlyActual;
  EntradaJugada* const tope = TopeJugadas;
  EntradaJugada* const inicio0 = InicioLista[0];
  EntradaJugada* const inicio1 = InicioLista[1];
  PlyActual = 0;
  TopeJugadas = PilaJugadas;
  GenerarJugadas();
  // A pawn reaching the last rank without a letter becomes a queen.
  Jugada encontrada = 0;
  for (EntradaJugada* e = InicioLista[0]; e < InicioLista[1]; ++e) {
    Jugada g = e->Jugada;
    if (CasillaDesde(g) != desde || CasillaHasta(g) != hasta) continue;
    int promocion = TipoPromocion(j);
    if (TipoPromocion(g) == promocion || (promocion == 0 && TipoPromocion(g) == DAMA)) {
      encontrada = g;
      break;
    }
  }
  PlyActual = ply;
  TopeJugadas = tope;
  InicioLista[0] = inicio0;
  InicioLista[1] = inicio1;
  return encontrada;
}

int InterpretarJugada(const char* texto) {
  // 1. The first five characters; a short text reads as NULs past its end.
  char c[5] = {};
  for (int i = 0; i < 5 && texto[i] != '\0'; ++i) c[i] = texto[i];
  if (c[0] < 'a' || c[0] > 'h') Log("\nError 1 interpretando jugada");
  if (c[1] < '1' || c[1] > '8') Log("\nError 2 interpretando jugada");
  if (c[2] < 'a' || c[2] > 'h') Log("\nError 3 interpretando jugada");
  if (c[3] < '1' || c[3] > '8') Log("\nError 4 interpretando jugada");

  // 2. Squares, each kept to its low 8 bits.
  const int desde = ((c[0] - 'a') + 16 * (7 - (c[1] - '1'))) & 0xFF;
  const int hasta = ((c[2] - 'a') + 16 * (7 - (c[3] - '1'))) & 0xFF;

  // 3. Promotion letter, either case.
  int promocion = 0;
  switch (c[4]) {
    case 'N':
    case 'n': promocion = CABALLO; break;
    case 'B':
    case 'b': promocion = ALFIL; break;
    case 'R':
    case 'r': promocion = TORRE; break;
    case 'Q':
    case 'q': promocion = DAMA; break;
    default: break;
  }

  // 4. Board diagnostics.
  const int origen = PiezaEn(desde), destino = PiezaEn(hasta);
  if (EstadoActual->Turno == BLANCO) {
    if (origen <= 0) Log("\nError 5 interpretando jugada");
    if (destino > 0) Log("\nError 6 interpretando jugada");
  } else {
    if (origen >= 0) Log("\nError 7 interpretando jugada");
    if (destino < 0) Log("\nError 8 interpretando jugada");
  }

  // 5. Only a move the generator produces reaches HacerJugada, which decides
  // legality; a full game history refuses any further move.
  if (HistoriaLlena()) return 0;
  Jugada j = JugadaGenerada(CrearJugada(desde, hasta, promocion));
  if (j == 0) return 0;
  return HacerJugadaPartida(j);
}

void ImprimirJugada(Jugada j) {
  char texto[8];
  TextoJugada(j, texto);
  std::printf("%s", texto);
  Log("%s;", texto);
}

int ValidarJugada(Jugada j) {
  const int desde = CasillaDesde(j), hasta = CasillaHasta(j);
  if (!EnTablero(desde) || !EnTablero(hasta) || desde == hasta) return 0;
  const int lado = EstadoActual->Turno;
  const int pieza = PiezaEn(desde), objetivo = PiezaEn(hasta);
  if (pieza == VACIO || Color(pieza) != lado) return 0;
  if (objetivo != VACIO && Color(objetivo) == lado) return 0;
  const int df = Columna(hasta) - Columna(desde);
  const int dr = (hasta >> 4) - (desde >> 4);
  switch (Abs(pieza)) {
    case PEON: return ValidarPeon(desde, hasta, TipoPromocion(j), lado);
    case CABALLO: {
      int d = Abs(hasta - desde);
      return d == 14 || d == 18 || d == 31 || d == 33;
    }
    case ALFIL:
    case TORRE:
    case DAMA: {
      bool recta = df == 0 || dr == 0;
      bool diagonal = Abs(df) == Abs(dr);
      if (Abs(pieza) == ALFIL && !diagonal) return 0;
      if (Abs(pieza) == TORRE && !recta) return 0;
      if (!recta && !diagonal) return 0;
      return CaminoLibre(desde, hasta, 16 * Signo0(dr) + Signo0(df));
    }
    case REY: return ValidarRey(desde, hasta, lado);
    default: return 0;
  }
}

void ImprimirVariante(int) {
  // 1. While pondering, the predicted move the line answers, in parentheses.
  if (ModoMotor == MODO_PONDER) {
    std::printf("(%s%s) ", Nombre(CasillaDesde(JugadaPonder)), Nombre(CasillaHasta(JugadaPonder)));
    Log("(%s%s) ", Nombre(CasillaDesde(JugadaPonder)), Nombre(CasillaHasta(JugadaPonder)));
  }
  // 2. The first move: the caller has made it already.
  ImprimirEnAmbas(VariantePrincipal[0][0].Jugada, " ");
  // 3. The rest, each checked and made so the next one can be checked.
  int hechas = 0;
  for (int i = 1; i < FILAS_PV; ++i) {
    Jugada j = VariantePrincipal[0][i].Jugada;
    if (j == 0 || EstadoActual - Historia >= MAX_HISTORIA - 1) break;
    if (!ValidarJugada(j) || !HacerJugada(j)) break;
    ++hechas;
    ImprimirEnAmbas(j, " ");
  }
  // 4. The board as the caller left it.
  while (hechas-- > 0) DeshacerJugada();
}
