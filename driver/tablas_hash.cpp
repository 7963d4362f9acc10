// The hash tables of every subsystem, sized from the settings in force and from
// the memory the process can really have.
#include <algorithm>
#include <cstdio>

#include "driver/driver.h"
#include "eval/eval.h"
#include "eval/forma.h"
#include "search/search.h"

namespace {

// Room kept for everything else (books, stacks, the tablebase cache, the
// system's own needs): a table that takes the last byte gets the process killed
// when it is first cleared, not refused.
constexpr uint64_t RESERVA_OTROS = uint64_t{96} << 20;

uint64_t BytesTablas(const TamanosHash& t) {
  const uint64_t prof = EntradasTabla(t.Hash, sizeof(EntradaHash));
  uint64_t bytes = prof * (2 * sizeof(EntradaHash) + sizeof(MarcasSlot));
  bytes += EntradasTabla(t.Peones, sizeof(EntradaHashPeones)) * sizeof(EntradaHashPeones);
  if (FORMA_EVAL.TablaAtaques)
    bytes += EntradasTabla(t.Ataques, sizeof(EntradaHashAtaques)) * sizeof(EntradaHashAtaques);
  return bytes;
}

// What the tables in place hold now: they are released before the new ones are had.
uint64_t BytesActuales() {
  return (uint64_t{MascaraHash} + 1) * (2 * sizeof(EntradaHash) + sizeof(MarcasSlot)) +
         (uint64_t{MascaraPeones} + 1) * sizeof(EntradaHashPeones) +
         (uint64_t{Eval.MascaraAtaques} + 1) * sizeof(EntradaHashAtaques);
}

}  // namespace

void LiberarTablasHash() { LiberarTablasBusqueda(); }

TamanosHash AjustarTamanosHash(TamanosHash pedido, uint64_t disponible) {
  // At most half of what is available: the rest of the machine goes on living,
  // and clearing tables of many gigabytes would hold up every new game.
  const uint64_t libre = disponible > 2 * RESERVA_OTROS ? disponible / 2 - RESERVA_OTROS : 0;
  // The largest budget is halved until the whole fits (each is a power of two
  // of entries, so halving the budget halves the table).
  while (BytesTablas(pedido) > libre && (pedido.Hash > 1 || pedido.Peones > 1 || pedido.Ataques > 1)) {
    uint32_t* mayor = &pedido.Hash;
    if (pedido.Peones > *mayor) mayor = &pedido.Peones;
    if (FORMA_EVAL.TablaAtaques && pedido.Ataques > *mayor) mayor = &pedido.Ataques;
    *mayor = std::max<uint32_t>(*mayor / 2, 1);
  }
  return pedido;
}

bool AsignarTablasHash() {
  const TamanosHash pedido{Personalidad.TABLA_HASH, Personalidad.TABLA_HASH_PEONES,
                           Personalidad.TamHashAtaques};
  const uint64_t disponible = MemoriaDisponible();
  const uint64_t conActuales =
      disponible > UINT64_MAX - BytesActuales() ? UINT64_MAX : disponible + BytesActuales();
  const TamanosHash t = AjustarTamanosHash(pedido, conActuales);
  const bool reducido = t.Hash != pedido.Hash || t.Peones != pedido.Peones || t.Ataques != pedido.Ataques;
  // The settings say what the tables are, so reports and options show it.
  Personalidad.TABLA_HASH = t.Hash;
  Personalidad.TABLA_HASH_PEONES = t.Peones;
  Personalidad.TamHashAtaques = t.Ataques;
  if (reducido)
    Log("\nMemoria insuficiente (%llu MB disponibles): tablas hash reducidas a %u MB, peones %u MB, "
        "ataques %u MB\n",
        static_cast<unsigned long long>(disponible >> 20), t.Hash, t.Peones, t.Ataques);
  for (int fallos = ReservarTablasBusqueda(t.Hash); fallos > 0; --fallos)
    Pantalla("Error reservando memoria\n");
  const int eval = ReservarTablasEval(t.Peones, t.Ataques);
  if (eval & FALLO_PEONES) Pantalla("Error reservando memoria (hash peones)\n");
  if (eval & FALLO_ATAQUES) Pantalla("Error reservando memoria (hash ataques)\n");
  return !reducido;
}

void AvisarTablasReducidas() {
  Pantalla("Memoria insuficiente: tablas hash reducidas a %u MB (peones %u MB, ataques %u MB)\n",
              Personalidad.TABLA_HASH, Personalidad.TABLA_HASH_PEONES, Personalidad.TamHashAtaques);
}
