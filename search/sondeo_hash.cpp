#include "search/sondeo_hash.h"

#include "search/forma.h"

namespace {

// The probe of one entry: 1 when its value ends the node. A matching entry that
// does not end it still passes on its move and may forbid the null move.
int ProbarEntrada(SondaHash& s, EntradaHash* e, int prof, int32_t alfa, int32_t beta,
                  bool& coincide) {
  if (!EntradaCoincide(e)) return 0;
  coincide = true;
  if (e->Calado >= prof) {
    if (e->Banderas & HASH_EXACTO) {
      ++Busqueda.Contadores.HashExactos;
      s.Valor = e->Valor;
      s.JugadaExacta = e->Jugada;
      return 1;
    }
    if ((e->Banderas & HASH_COTA_SUPERIOR) && e->Valor <= alfa) {
      ++Busqueda.Contadores.HashUBounds;
      s.Valor = e->Valor;
      return 1;
    }
    if ((e->Banderas & HASH_COTA_INFERIOR) && e->Valor >= beta) {
      ++Busqueda.Contadores.HashLBounds;
      s.Valor = e->Valor;
      return 1;
    }
  }
  if (e->Banderas & (HASH_EXACTO | HASH_COTA_INFERIOR)) s.JugadaHash = e->Jugada;
  if (EstadoActual->PermiteNulo) EstadoActual->PermiteNulo = (e->Banderas & HASH_NULO) ? 1 : 0;
  return 0;
}

}  // namespace

int ProbarHash(SondaHash& s, int prof, int32_t alfa, int32_t beta) {
  const uint32_t slot = EstadoActual->ClaveBaja & MascaraHash;
  s.Prof = &Busqueda.TablaHashProf[slot];
  s.Siempre = &Busqueda.TablaHashSiempre[slot];
  s.JugadaHash = 0;
  s.JugadaExacta = 0;
  bool coincide = false;
  const uint8_t* filtro = Busqueda.FiltroHash[slot].Marca;
  const uint8_t marca = MarcaFiltro(EstadoActual->ClaveAlta);
  if (filtro[0] == marca && ProbarEntrada(s, s.Prof, prof, alfa, beta, coincide)) return 1;
  if (s.JugadaHash == 0 && filtro[1] == marca &&
      ProbarEntrada(s, s.Siempre, prof, alfa, beta, coincide))
    return 1;
  if (!coincide) ++Busqueda.Contadores.HashFallos;
  return 0;
}

bool JugadaHashAceptable(Jugada j) {
  const int desde = CasillaDesde(j), hasta = CasillaHasta(j);
  if (!EnTablero(desde) || !EnTablero(hasta)) return false;
  const int pieza = Tablero[desde];
  const int turno = EstadoActual->Turno;
  if (pieza == VACIO || Color(pieza) != turno) return false;
  const int destino = Tablero[hasta];
  if (destino != VACIO && Color(destino) == turno) return false;
  if (Abs(pieza) != REY) return true;
  const int enroques = EstadoActual->EnJaque ? 0 : EstadoActual->Enroques;
  switch (j & 0xFFFF) {
    case ENROQUE_E1G1:
      return pieza == REY && (enroques & ENROQUE_BC) && Tablero[H1] == TORRE &&
             Tablero[F1] == VACIO && Tablero[G1] == VACIO;
    case ENROQUE_E1C1:
      return pieza == REY && (enroques & ENROQUE_BL) && Tablero[A1] == TORRE &&
             Tablero[B1] == VACIO && Tablero[C1] == VACIO && Tablero[D1] == VACIO;
    case ENROQUE_E8G8:
      return pieza == -REY && (enroques & ENROQUE_NC) && Tablero[H8] == -TORRE &&
             Tablero[F8] == VACIO && Tablero[G8] == VACIO;
    case ENROQUE_E8C8:
      return pieza == -REY && (enroques & ENROQUE_NL) && Tablero[A8] == -TORRE &&
             Tablero[B8] == VACIO && Tablero[C8] == VACIO && Tablero[D8] == VACIO;
    default:
      // Any other king move must be a single step.
      return Abs(Columna(desde) - Columna(hasta)) <= 1 && Abs(Fila(desde) - Fila(hasta)) <= 1;
  }
}

bool FinAnticipado(const EstadoPly* n, uint32_t p, int32_t& valor) {
  valor = 0;
  if (n->Regla50 > 100 || Repetida(n)) return true;
  if (p >= LIMITE_PLY) {
    valor = EvaluarNodo();
    return true;
  }
  return Nodos > Busqueda.ProximoSondeo && Sondear();
}

bool ProbarTablasNodo(SondaHash& s, int prof, uint32_t p, int extraCalado, Jugada jugadaHash,
                      int32_t& valor) {
  const EstadoPly* n = EstadoActual;
  if (EGTB.MaxPiezasTB == 0 ||
      n->NumPiezas[0] + n->NumPiezas[1] + n->PiezasBlancas + n->PiezasNegras > EGTB.MaxPiezasTB - 2 ||
      !(n->Captura == 1 || (p < 2 && n->AlPaso == SIN_CASILLA) ||
        (p == 2 && (n - 1)->AlPaso != SIN_CASILLA)))
    return false;
  ++Busqueda.Contadores.IntentosEGTB;
  int32_t v = ProbarTablas();
  if (v == SIN_TB) return false;
  ++Busqueda.Contadores.AciertosEGTB;
  if (v > 0) v -= static_cast<int32_t>(p);
  else if (v < 0) v += static_cast<int32_t>(p);
  GuardarNodo(s, prof + extraCalado, v - 1, v + 1, v, jugadaHash);
  valor = v;
  return true;
}

bool MaterialParaNulo(const EstadoPly* n) {
  const uint8_t* c = n->NumPiezas;
  return (n->PiezasBlancas > 1 || c[6] != 0 || c[8] != 0) &&
         (n->PiezasNegras > 1 || c[7] != 0 || c[9] != 0);
}

// A single earlier occurrence (same side to move) back to the last irreversible
// move is a draw inside the search.
bool Repetida(const EstadoPly* n) { return Repeticiones(n, 1) >= 1; }

// Null-move depth: R = 4, 3 or 2 plies beyond the move itself.
int ProfNulo(int prof) {
  if constexpr (FORMA_BUSQUEDA.Propios) return FORMA_BUSQUEDA.ProfNulo(prof);
  if (prof >= 10) return prof - 5;
  if (prof >= 6) return prof - 4;
  return prof - 3;
}

int32_t MargenFutility() {
  if constexpr (FORMA_BUSQUEDA.Propios) return FORMA_BUSQUEDA.MargenFutility();
  return MARGEN_FUTILITY;
}
