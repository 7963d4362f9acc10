// Storage of the hash tables: one sizing rule and one fallback for all of them.
#include <cstdlib>
#include <cstring>

#include <sys/mman.h>
#include <unistd.h>

#include "core/core.h"

namespace {

// No table grows beyond 2^31 entries, so every mask stays a positive 32-bit value.
constexpr uint64_t MAX_ENTRADAS = uint64_t{1} << 31;

uint64_t MemoriaFisica() {
  const long paginas = sysconf(_SC_PHYS_PAGES);
  const long tam = sysconf(_SC_PAGESIZE);
  if (paginas <= 0 || tam <= 0) return UINT64_MAX;
  return static_cast<uint64_t>(paginas) * static_cast<uint64_t>(tam);
}

// Tables of this size or more sit on 2 MB boundaries and ask for huge pages:
// their probes are random over many megabytes, and with 4 KB pages nearly every
// one would also miss the address-translation cache.
constexpr size_t PAGINA_GRANDE = size_t{2} << 20;

// Zero-filled storage, or null.
void* Almacen(size_t bytes) {
  if (bytes < PAGINA_GRANDE) return std::calloc(1, bytes);
  const size_t redondeado = (bytes + PAGINA_GRANDE - 1) & ~(PAGINA_GRANDE - 1);
  void* t = std::aligned_alloc(PAGINA_GRANDE, redondeado);
  if (t == nullptr) return nullptr;
#ifdef MADV_HUGEPAGE
  madvise(t, redondeado, MADV_HUGEPAGE);  // advice only: a refusal changes nothing
#endif
  std::memset(t, 0, redondeado);
  return t;
}

}  // namespace

TablaAnticipada TablasAnticipadas[NUM_ANTICIPOS];

uint64_t EntradasTabla(uint32_t megas, uint32_t bytesEntrada) {
  const uint64_t cociente = uint64_t{megas / 2} * 1048576u / bytesEntrada;
  uint64_t n = 1;
  while (n * 2 <= cociente + 1 && n < MAX_ENTRADAS) n *= 2;
  return n;
}

void LiberarTabla(void** tabla, void** propia) {
  // Only what this file took is freed: a table may point at a static entry.
  if (*propia != nullptr && *tabla == *propia) std::free(*propia);
  *propia = nullptr;
  *tabla = nullptr;
}

uint64_t ReservarTabla(void** tabla, void** propia, uint64_t entradas, size_t bytes,
                       void* reserva) {
  LiberarTabla(tabla, propia);
  // A request beyond the machine's memory counts as failed at once: the system
  // could promise it and kill us when the table is first cleared.
  void* t = nullptr;
  if (entradas <= MAX_ENTRADAS && entradas * bytes <= MemoriaFisica())
    t = Almacen(static_cast<size_t>(entradas) * bytes);
  if (t == nullptr) {
    std::memset(reserva, 0, bytes);
    *tabla = reserva;
    return 1;
  }
  *tabla = *propia = t;
  return entradas;
}
