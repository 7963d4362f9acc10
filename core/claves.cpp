// Table indexes kept in the per-ply records, from the key words and the masks.
#include "core/core.h"

void ReindexarHistoria() {
  if (EstadoActual == nullptr) return;
  for (EstadoPly* e = Historia; e <= EstadoActual; ++e) {
    e->IndiceHash[0] = e->ClaveBaja & MascaraHash;
    e->IndiceHash[1] = e->ClaveAlta & MascaraHashAlta();
    e->IndicePeones = e->ClavePeones & MascaraPeones;
  }
}
