// Zero-window search: every node off the principal variation, searched with the
// window (alfa, alfa + 1). It alone carries the last-ply static pruning and
// multi-cut.
#include <cstdlib>

#include "eval/eval.h"
#include "movegen/movegen.h"
#include "search/forma.h"
#include "search/search.h"
#include "search/sondeo_hash.h"

namespace {

// A move of a node where futility in the move loop is sure to drop every legal quiet move
// that gives no check and earns no extension, its material already leaving them
// below alfa: true when make is not needed, because the move is illegal or is
// such a move. Make and unmake would leave nothing behind for the latter but the
// node count and the move noted in the record, so those are all it gets, with
// the same counts as the made move.
bool PodaSinHacer(Jugada j, int prof, int amenaza, int& buscadas) {
  const int veredicto = VeredictoTranquila(j);
  if (veredicto == TRANQUILA_ILEGAL) return true;
  if (veredicto != TRANQUILA_LEGAL ||
      ExtiendeTranquila(Tablero[CasillaDesde(j)], CasillaHasta(j), amenaza))
    return false;
  if constexpr (COMPROBAR) {
    // The checked build also makes the move and asks the extension itself;
    // the node count stays as the release build keeps it.
    const uint32_t nodos = Nodos;
    if (!HacerJugada(j)) std::abort();
    const int e = ExtensionVentanaCero(CasillaHasta(j), amenaza, prof);
    DeshacerJugada();
    Nodos = nodos;
    if (e != 0) std::abort();
  }
  AnotarSinHacer(j);
  ++buscadas;
  ++Busqueda.Contadores.PodasFut;
  return true;
}

}  // namespace

int32_t BuscarVentanaCero(int32_t alfa, int prof, int nodoCorte) {
  const int32_t beta = alfa + 1;
  // Working values.
  int32_t mejor = SIN_VALOR;
  int buscadas = 0;
  Jugada jugadaHash = 0;
  bool hashAceptable = false;
  EstadoPly* const n = EstadoActual;
  const uint32_t p = PlyActual;
  EntradaJugada* const topeEntrada = TopeJugadas;
  SondaHash sonda;

  // Fifty-move rule, repetition, ply limit, input and clock.
  if (int32_t v; FinAnticipado(n, p, v)) return v;

  // Transposition tables.
  if (ProbarHash(sonda, prof, alfa, beta)) return sonda.Valor;
  jugadaHash = sonda.JugadaHash;

  // Tablebases, right after a capture or near the root.
  if (int32_t v; ProbarTablasNodo(sonda, prof, p, 50, jugadaHash, v)) {
    mejor = v;
    buscadas = 1;
    goto fin;
  }

  // Depth exhausted.
  if (prof <= 0) return Quiescencia(alfa, beta);
  // The hash move's child will be probed soon (after the null move, if any).
  hashAceptable = jugadaHash != 0 && JugadaHashAceptable(jugadaHash);
  if (hashAceptable) AnticiparHijo(jugadaHash);

  // Null move.
  if (n->PermiteNulo && MaterialParaNulo(n) && (!FORMA_BUSQUEDA.NuloSegunAjuste || Personalidad.REDUCCION_NULL != 0)) {
    // Last ply: a static value above beta that survives the threats on our
    // men needs no search.
    const int piezasPropias = n->Turno == BLANCO ? n->PiezasBlancas : n->PiezasNegras;
    if (prof <= 1 && piezasPropias >= 2) {
      const int32_t e = EvaluarNodo();
      if (e >= beta) {
        CalcularAtaques();
        if (e - Amenaza() >= beta) {
          ++Busqueda.Contadores.PodasUltimoPly;
          mejor = beta;
          buscadas = 1;
          goto guardar;
        }
      }
    }
    // Give the opponent a free move; if we still fail high, this node is not
    // worth a full search.
    if (!FORMA_BUSQUEDA.NuloConDosPiezas || (n->PiezasBlancas > 1 && n->PiezasNegras > 1)) {
      HacerNulo();
      const int d = ProfNulo(prof);
      const int32_t v = d <= 0 ? -Quiescencia(-beta, -beta + 1) : -BuscarVentanaCero(-beta, d, 0);
      DeshacerNulo();
      if (Busqueda.PararBusqueda) return 0;
      // Null-move cutoff.
      if (v >= beta) {
        ++Busqueda.Contadores.CortesNulos;
        if constexpr (FORMA_BUSQUEDA.GuardaCorteNulo) {
          GuardarNodo(sonda, prof, alfa, beta, beta, jugadaHash);
        }
        mejor = beta;
        buscadas = 1;
        goto fin;
      }
      // Even a free move loses to mate: remember the threat.
      if (v < -UMBRAL_MATE) n->PermiteNulo = 0;
    }
  }

  {
    // Threat: a null move here showed (or the table recorded) a mate threat.
    const int amenaza = (n->PermiteNulo == 0 && !n->EnJaque &&
                         n->Regla50 != static_cast<uint8_t>((n - 1)->Regla50 + 2))
                            ? 1
                            : 0;

    // Hash move, before any generation.
    if (hashAceptable && HacerJugada(jugadaHash)) {
      const int e = ExtensionVentanaCero(CasillaHasta(jugadaHash), amenaza, prof);
      EstadoActual->Extension = static_cast<int8_t>(e);
      buscadas = 1;
      const int32_t v = -BuscarVentanaCero(-beta, prof + e - 1, !nodoCorte);
      DeshacerJugada();
      if (Busqueda.PararBusqueda) return 0;
      if (v > SIN_VALOR) mejor = v;
      if (v > alfa) {
        ActualizarAsesinas(jugadaHash);
        goto guardar;
      }
    }

    // The other moves, killers valued.
    GenerarJugadas();
    if (jugadaHash != 0) QuitarJugada(jugadaHash);
    if (Busqueda.Asesinas[p][0] != 0) PuntuarAsesinas();

    // Multi-cut: at an expected cut node, three fail-highs among the first
    // ten moves searched shallower are taken as a cutoff.
    if (FORMA_BUSQUEDA.MultiCorte && jugadaHash == 0 && !n->EnJaque && nodoCorte && prof > 3 &&
        n->PiezasBlancas > 2 && n->PiezasNegras > 2 && p > 2 && (n - 1)->Extension <= 0 &&
        (n - 2)->Extension <= 0 && (n - 3)->Extension <= 0 && amenaza == 0) {
      EntradaJugada* probadas[10];
      int numProbadas = 0, fallosAltos = 0, intentos = 10;
      const int64_t total = TopeJugadas - InicioLista[p] + 1;
      while (numProbadas < total && intentos > fallosAltos) {
        --intentos;
        EntradaJugada* elegida = nullptr;
        for (EntradaJugada* e = TopeJugadas; e >= InicioLista[p]; --e) {
          bool yaProbada = false;
          for (int k = 0; k < numProbadas; ++k) yaProbada |= probadas[k] == e;
          if (!yaProbada && (elegida == nullptr || e->Valor > elegida->Valor)) elegida = e;
        }
        probadas[numProbadas++] = elegida;
        if (!HacerJugada(elegida->Jugada)) continue;
        EstadoActual->Extension = 0;
        const int32_t v = -BuscarVentanaCero(-beta, prof - 4, 0);
        DeshacerJugada();
        if (Busqueda.PararBusqueda) {
          TopeJugadas = topeEntrada;
          return 0;
        }
        if (v >= beta && ++fallosAltos == 3) {
          mejor = v;
          buscadas = 1;
          goto fin;
        }
      }
    }

    // Move loop. A quiet move keeps the node's material, so whether
    // futility could drop it is known before it is made.
    Jugada j;
    int32_t valorOrden;
    const int32_t material = n->Turno == BLANCO ? n->Material : -n->Material;
    const bool podaTranquilas = !n->EnJaque && MaterialFutil(n, material, prof, alfa);
    auto resuelta = [&](Jugada x) {
      return podaTranquilas && buscadas >= 1 && PodaSinHacer(x, prof, amenaza, buscadas);
    };
    while (HacerMejorJugada(p, j, valorOrden, resuelta)) {
      ++buscadas;
      const EstadoPly* c = EstadoActual;
      int e = ExtensionVentanaCero(CasillaHasta(j), amenaza, prof);
      const int32_t m = c->Turno == BLANCO ? -c->Material : c->Material;
      // Futility: a quiet continuation that leaves us this far below alfa.
      if (buscadas > 1 && e == 0 && !c->EnJaque && MaterialFutil(c, m, prof, alfa)) {
        ++Busqueda.Contadores.PodasFut;
        DeshacerJugada();
        --TopeJugadas;
        continue;
      }
      // Late quiet moves with the material against us are searched a ply less.
      if (prof > 1 && PlyActual > 1 && buscadas > 15 && e == 0 && c->Captura == 0 &&
          c->PiezasBlancas > 1 && c->PiezasNegras > 1 &&
          ((prof % 2 == 0) ? m <= alfa - 200 : m <= alfa + 100)) {
        e = -1;
        ++Busqueda.Contadores.RedFL;
      }
      EstadoActual->Extension = static_cast<int8_t>(e);
      int32_t v = -BuscarVentanaCero(-beta, prof - 1 + e, !nodoCorte);
      // A reduced move that fails high is searched again at full depth.
      if (v > alfa && !Busqueda.PararBusqueda && e < 0) {
        ++Busqueda.Contadores.FallosRedFL;
        v = -BuscarVentanaCero(-beta, prof - 1, !nodoCorte);
      }
      DeshacerJugada();
      if (Busqueda.PararBusqueda) {
        TopeJugadas = topeEntrada;
        return 0;
      }
      if (v > mejor) mejor = v;
      if (v > alfa) {
        jugadaHash = j;
        if (j != Busqueda.Asesinas[p][0] && valorOrden <= TECHO_ASESINA) ActualizarAsesinas(j);
        break;
      }
      --TopeJugadas;
    }

    // No legal move: mate or stalemate.
    if (buscadas == 0) mejor = ValorSinJugadas(n, p);
  }

guardar:
  // Store.
  GuardarNodo(sonda, prof, alfa, beta, mejor, jugadaHash);
fin:
  return CerrarNodo(topeEntrada, mejor, beta, buscadas);
}
