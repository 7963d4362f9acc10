// Principal-variation search: nodes searched with an open window. The first
// move gets the full window; later moves a zero window first, re-searched with
// the full window when they land inside it.
#include "eval/eval.h"
#include "movegen/movegen.h"
#include "search/forma.h"
#include "search/search.h"
#include "search/sondeo_hash.h"

namespace {

// The line of this ply becomes one move (or none) and ends there.
void PVUnaJugada(uint32_t p, Jugada j) {
  Busqueda.VariantePrincipal[p][0].Jugada = j;
  Busqueda.VariantePrincipal[p][1].Jugada = 0;
}

}  // namespace

int32_t BuscarPV(int32_t alfa, int32_t beta, int prof) {
  // Working values.
  int32_t mejor = SIN_VALOR;
  int buscadas = 0;
  Jugada jugadaHash = 0;
  const int32_t alfaEntrada = alfa;
  EstadoPly* const n = EstadoActual;
  const uint32_t p = PlyActual;
  EntradaJugada* const topeEntrada = TopeJugadas;
  SondaHash sonda;

  // Fifty-move rule, repetition, ply limit, input and clock.
  if (int32_t v; FinAnticipado(n, p, v)) return v;

  // Transposition tables; an exact value inside the window also gives the line.
  if (ProbarHash(sonda, prof, alfa, beta)) {
    if (sonda.JugadaExacta != 0 && sonda.Valor > alfa && sonda.Valor < beta)
      PVUnaJugada(p, sonda.JugadaExacta);
    return sonda.Valor;
  }
  jugadaHash = sonda.JugadaHash;

  // Tablebases.
  if (int32_t v; ProbarTablasNodo(sonda, prof, p, 100, jugadaHash, v)) {
    if (v > alfa && v < beta) PVUnaJugada(p, jugadaHash);
    mejor = v;
    buscadas = 1;
    goto fin;
  }

  // Depth exhausted.
  if (prof <= 0) return Quiescencia(alfa, beta);

  if constexpr (FORMA_BUSQUEDA.NuloEnPV) {
    // Null move, still searched with a zero window.
    if (n->PermiteNulo && MaterialParaNulo(n)) {
      HacerNulo();
      const int d = ProfNulo(prof);
      const int32_t v = d <= 0 ? -Quiescencia(-beta, 1 - beta) : -BuscarVentanaCero(-beta, d, 0);
      DeshacerNulo();
      if (Busqueda.PararBusqueda) return 0;
      if (v >= beta) {
        ++Busqueda.Contadores.CortesNulos;
        GuardarNodo(sonda, prof, beta - 1, beta, beta, jugadaHash);
        mejor = beta;
        buscadas = 1;
        goto fin;
      }
      if (v < -UMBRAL_MATE) n->PermiteNulo = 0;
    }
  } else {
    // The earlier engine has no null move here; without a hash move it deepens
    // internally to find one.
    if (jugadaHash == 0 && Personalidad.IID != 0 && prof >= 3 && !n->EnJaque) {
      int32_t v = BuscarPV(alfa, beta, prof - 2);
      if (Busqueda.PararBusqueda) return 0;
      if (v <= alfa) {
        v = BuscarPV(SIN_VALOR, beta, prof - 2);
        if (Busqueda.PararBusqueda) return 0;
      }
      jugadaHash = JugadaHashActual();
    }
  }

  {
    // Threat: a null move here showed (or the table recorded) a mate threat.
    const int amenaza = (n->PermiteNulo == 0 && !n->EnJaque &&
                         n->Regla50 != static_cast<uint8_t>((n - 1)->Regla50 + 2))
                            ? 1
                            : 0;
    Jugada mejorJugada = 0;

    // Hash move with the full window.
    if (jugadaHash != 0 && JugadaHashAceptable(jugadaHash) && HacerJugada(jugadaHash)) {
      const int e = ExtensionPV(CasillaHasta(jugadaHash), amenaza);
      EstadoActual->Extension = static_cast<int8_t>(e);
      buscadas = 1;
      const int32_t v = -BuscarPV(-beta, -alfa, prof + e - 1);
      DeshacerJugada();
      if (Busqueda.PararBusqueda) return 0;
      if (v > SIN_VALOR) mejor = v;
      if (v > alfa) {
        mejorJugada = jugadaHash;
        if (v >= beta) {
          ActualizarAsesinas(jugadaHash);
          goto guardar;
        }
        alfa = v;
      }
    }

    // The other moves, killers valued.
    GenerarJugadas();
    if (jugadaHash != 0) QuitarJugada(jugadaHash);
    if (Busqueda.Asesinas[p][0] != 0) PuntuarAsesinas();

    // Move loop.
    Jugada j;
    int32_t valorOrden;
    while (HacerMejorJugada(p, j, valorOrden)) {
      ++buscadas;
      const EstadoPly* c = EstadoActual;
      int e = ExtensionPV(CasillaHasta(j), amenaza);
      int32_t v;
      if (buscadas == 1) {
        EstadoActual->Extension = static_cast<int8_t>(e);
        v = -BuscarPV(-beta, -alfa, prof + e - 1);
      } else {
        const int32_t m = c->Turno == BLANCO ? -c->Material : c->Material;
        if (e == 0 && !c->EnJaque && MaterialFutil(c, m, prof, alfa)) {
          ++Busqueda.Contadores.PodasFut;
          DeshacerJugada();
          --TopeJugadas;
          continue;
        }
        if (prof > 1 && PlyActual > 1 && buscadas > 15 && e == 0 && c->Captura == 0 &&
            m <= alfa - 300 && c->PiezasBlancas > 1 && c->PiezasNegras > 1)
          e = -1;
        EstadoActual->Extension = static_cast<int8_t>(e);
        ++Busqueda.Contadores.IntentosFL;
        v = -BuscarVentanaCero(-alfa - 1, prof + e - 1, 1);
        if (v > alfa && v < beta && !Busqueda.PararBusqueda) {
          ++Busqueda.Contadores.FallosFL;
          v = -BuscarPV(-beta, -alfa, prof + e - 1);
        }
      }
      DeshacerJugada();
      if (Busqueda.PararBusqueda) {
        TopeJugadas = topeEntrada;
        return 0;
      }
      if (v > mejor) mejor = v;
      if (v > alfa) {
        mejorJugada = j;
        if (v >= beta) {
          if (j != Busqueda.Asesinas[p][0] && valorOrden <= TECHO_ASESINA) ActualizarAsesinas(j);
          break;
        }
        alfa = v;
      }
      --TopeJugadas;
    }

    // No legal move: mate or stalemate.
    if (buscadas == 0) mejor = ValorSinJugadas(n, p);
    if (mejorJugada != 0) jugadaHash = mejorJugada;
  }

guardar:
  // The line of this ply, then the store with the window the node was given.
  if (mejor > alfaEntrada && mejor < beta) ActualizarPV(p, jugadaHash);
  GuardarNodo(sonda, prof, alfaEntrada, beta, mejor, jugadaHash);
fin:
  return CerrarNodo(topeEntrada, mejor, beta, buscadas);
}
