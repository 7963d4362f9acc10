// Transposition tables: the two stores, the hash move of a position and the
// allocation of both tables.
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
  if (n == Historia || n->PermiteNulo ||
      n->Regla50 != static_cast<uint8_t>((n - 1)->Regla50 + 2))
    banderas |= HASH_NULO;
  e->Banderas = static_cast<uint8_t>(banderas | n->Turno);
}

// Fallback storage when no table of the wanted size could be had.
EntradaHash EntradaMinimaProf;
EntradaHash EntradaMinimaSiempre;

void LiberarTablas() {
  if (TablaHashProf != &EntradaMinimaProf) std::free(TablaHashProf);
  if (TablaHashSiempre != &EntradaMinimaSiempre) std::free(TablaHashSiempre);
  TablaHashProf = TablaHashSiempre = nullptr;
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

// Entry count: the largest power of two not above (megas / 2) * 2^20 / 24 + 1.
int ReservarTablasHash(uint32_t megas) {
  const uint64_t cociente = static_cast<uint64_t>(megas / 2) * 1048576u / 24;
  uint64_t entradas = 1;
  while (entradas * 2 <= cociente + 1 && entradas < (uint64_t{1} << 31)) entradas *= 2;
  LiberarTablas();
  const uint64_t pedidas = entradas;
  while (entradas > 1) {
    auto* prof = static_cast<EntradaHash*>(std::calloc(entradas, sizeof(EntradaHash)));
    auto* siempre = static_cast<EntradaHash*>(std::calloc(entradas, sizeof(EntradaHash)));
    if (prof != nullptr && siempre != nullptr) {
      TablaHashProf = prof;
      TablaHashSiempre = siempre;
      break;
    }
    std::free(prof);
    std::free(siempre);
    entradas /= 2;
  }
  if (TablaHashProf == nullptr) {
    EntradaMinimaProf = EntradaHash{};
    EntradaMinimaSiempre = EntradaHash{};
    TablaHashProf = &EntradaMinimaProf;
    TablaHashSiempre = &EntradaMinimaSiempre;
    entradas = 1;
  }
  MascaraHash = static_cast<uint32_t>(entradas - 1);
  if (entradas != pedidas) {
    Log("\nTablas hash reducidas a %llu entradas por falta de memoria\n",
        static_cast<unsigned long long>(entradas));
    return 0;
  }
  return 1;
}

void AsegurarTablasHash() {
  if (TablaHashProf != nullptr && TablaHashSiempre != nullptr) return;
  // Whatever failed before, never search without both tables. (A lone table
  // that did allocate is simply dropped: it may not come from our allocator.)
  EntradaMinimaProf = EntradaHash{};
  EntradaMinimaSiempre = EntradaHash{};
  TablaHashProf = &EntradaMinimaProf;
  TablaHashSiempre = &EntradaMinimaSiempre;
  MascaraHash = 0;
  Log("\nSin tablas hash: se busca con una sola entrada por tabla\n");
}
