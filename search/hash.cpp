// Transposition tables: the two stores, the hash move of a position and the
// guarantee that a search always has both tables.
#include <cstdlib>

#include "driver/driver.h"
#include "search/search.h"

namespace {

// Steps 2 to 6 of a store, shared by both tables.
void Grabar(EntradaHash* e, int prof, int32_t alfa, int32_t beta, int32_t valor, Jugada jugada) {
  const EstadoPly* n = EstadoActual;
  ++Contadores.HashGrabaciones;
  if (e->ClaveBaja == 0 && e->ClaveAlta == 0) ++Contadores.HashOcupadas;
  e->ClaveBaja = n->ClaveBaja;
  e->ClaveAlta = n->ClaveAlta;
  e->Calado = static_cast<uint8_t>(prof);
  e->Estampa = static_cast<uint16_t>(n->MaterialTotal);
  uint8_t banderas;
  if (valor <= alfa) {
    banderas = HASH_COTA_SUPERIOR;
    jugada = 0;
  } else if (valor >= beta) {
    banderas = HASH_COTA_INFERIOR;
  } else {
    banderas = HASH_EXACTO;
  }
  e->Jugada = jugada;
  e->Valor = valor;
  // A position entered by a null move (Regla50 two above its parent's) or whose
  // null move showed a mate threat keeps the null move forbidden.
  if (n == Historia || n->PermiteNulo || n->Regla50 != static_cast<uint8_t>((n - 1)->Regla50 + 2))
    banderas |= HASH_NULO;
  e->Banderas = static_cast<uint8_t>(banderas | n->Turno);
}

}  // namespace

// Refuses to replace a deeper entry unless it holds a position richer in
// material than the root (which cannot come back in this game).
void GuardarHashProf(EntradaHash* e, int prof, int32_t alfa, int32_t beta, int32_t valor,
                     Jugada jugada) {
  if (e->Calado != 0 && e->Estampa <= EstampaRaiz && prof < e->Calado) {
    ++Contadores.HashNoGrabaciones;
    return;
  }
  Grabar(e, prof, alfa, beta, valor, jugada);
}

void GuardarHashSiempre(EntradaHash* e, int prof, int32_t alfa, int32_t beta, int32_t valor,
                        Jugada jugada) {
  Grabar(e, prof, alfa, beta, valor, jugada);
}

Jugada JugadaHashActual() {
  if (TablaHashProf == nullptr || TablaHashSiempre == nullptr) return 0;
  const uint32_t slot = EstadoActual->ClaveBaja & MascaraHash;
  const EntradaHash* e = &TablaHashProf[slot];
  if (EntradaCoincide(e)) return e->Jugada;
  e = &TablaHashSiempre[slot];
  if (EntradaCoincide(e)) return e->Jugada;
  return 0;
}

// The driver allocates the tables at start-up (with its own fallback); should
// either still be missing, search with single-entry tables rather than none.
void AsegurarTablasHash() {
  if (TablaHashProf != nullptr && TablaHashSiempre != nullptr) return;
  if (TablaHashProf == nullptr)
    TablaHashProf = static_cast<EntradaHash*>(std::calloc(1, sizeof(EntradaHash)));
  if (TablaHashSiempre == nullptr)
    TablaHashSiempre = static_cast<EntradaHash*>(std::calloc(1, sizeof(EntradaHash)));
  MascaraHash = 0;
  // The game's records carry table indexes computed with the old mask.
  for (EstadoPly* e = Historia; e <= EstadoActual; ++e) e->IndiceHash[0] = e->IndiceHash[1] = 0;
  Log("\nSin tablas hash: se busca con una sola entrada por tabla\n");
}
