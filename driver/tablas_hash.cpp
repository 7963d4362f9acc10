// Sizing and allocation of the hash tables: the two transposition tables, the
// pawn hash and the attack hash, all by one rule from the settings.
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "driver/driver.h"
#include "eval/eval.h"
#include "search/search.h"

namespace {

// No table grows beyond 2^31 entries, so every mask stays a positive 32-bit value.
constexpr uint64_t MAX_ENTRADAS = uint64_t{1} << 31;

// A table whose allocation failed is replaced by one of these single entries, so
// that probes and stores always have somewhere to go.
EntradaHash UnicaProf[1];
EntradaHash UnicaSiempre[1];
EntradaHashPeones UnicaPeones[1];
EntradaHashAtaques UnicaAtaques[1];

uint64_t MemoriaFisica() {
  long paginas = sysconf(_SC_PHYS_PAGES);
  long tam = sysconf(_SC_PAGESIZE);
  if (paginas <= 0 || tam <= 0) return UINT64_MAX;
  return static_cast<uint64_t>(paginas) * static_cast<uint64_t>(tam);
}

// Zero-filled table of n entries, or null. A request beyond the machine's memory
// counts as failed at once: the system could promise it and kill us when the
// table is first cleared.
template <typename T>
T* Reservar(uint64_t n) {
  uint64_t bytes = n * sizeof(T);
  if (bytes > MemoriaFisica()) return nullptr;
  return static_cast<T*>(std::calloc(static_cast<size_t>(n), sizeof(T)));
}

// What this file took from the heap, per table: only that is ever freed (the
// tables may start out pointing at other subsystems' static entries).
void* PropiaProf = nullptr;
void* PropiaSiempre = nullptr;
void* PropiaPeones = nullptr;
void* PropiaAtaques = nullptr;

template <typename T>
void Liberar(T*& tabla, void*& propia) {
  if (propia != nullptr && tabla == propia) std::free(propia);
  propia = nullptr;
  tabla = nullptr;
}

template <typename T>
T* ReservarPropia(uint64_t n, void*& propia) {
  T* tabla = Reservar<T>(n);
  propia = tabla;
  return tabla;
}

// The records of the game keep table indexes computed with the old masks.
void ReindexarHistoria() {
  if (EstadoActual == nullptr) return;
  uint32_t mascaraAlta = static_cast<uint32_t>(static_cast<int32_t>(MascaraHash) >> 31);
  for (EstadoPly* e = Historia; e <= EstadoActual; ++e) {
    e->IndiceHash[0] = e->ClaveBaja & MascaraHash;
    e->IndiceHash[1] = e->ClaveAlta & mascaraAlta;
    e->IndicePeones = e->ClavePeones & MascaraPeones;
  }
}

}  // namespace

uint64_t EntradasTabla(uint32_t megas, uint32_t divisor) {
  uint64_t cociente = uint64_t{megas / 2} * 1048576u / divisor;
  uint64_t n = 1;
  while (n * 2 <= cociente + 1 && n < MAX_ENTRADAS) n *= 2;
  return n;
}

void LiberarTablasHash() {
  Liberar(TablaHashProf, PropiaProf);
  Liberar(TablaHashSiempre, PropiaSiempre);
}

void AsignarTablasHash() {
  // 1. Transposition tables: two of equal size sharing one mask.
  LiberarTablasHash();
  uint64_t n = EntradasTabla(Personalidad.TABLA_HASH, DIVISOR_HASH);
  TablaHashProf = ReservarPropia<EntradaHash>(n, PropiaProf);
  if (TablaHashProf == nullptr) std::printf("Error reservando memoria\n");
  TablaHashSiempre = ReservarPropia<EntradaHash>(n, PropiaSiempre);
  if (TablaHashSiempre == nullptr) std::printf("Error reservando memoria\n");
  if (TablaHashProf == nullptr || TablaHashSiempre == nullptr) {
    LiberarTablasHash();
    std::memset(UnicaProf, 0, sizeof UnicaProf);
    std::memset(UnicaSiempre, 0, sizeof UnicaSiempre);
    TablaHashProf = UnicaProf;
    TablaHashSiempre = UnicaSiempre;
    n = 1;
  }
  MascaraHash = static_cast<uint32_t>(n - 1);

  // 2. Pawn hash (its budget is halved like the transposition budget).
  Liberar(TablaPeones, PropiaPeones);
  n = EntradasTabla(Personalidad.TABLA_HASH_PEONES, DIVISOR_PEONES);
  TablaPeones = ReservarPropia<EntradaHashPeones>(n, PropiaPeones);
  if (TablaPeones == nullptr) {
    std::printf("Error reservando memoria (hash peones)\n");
    std::memset(UnicaPeones, 0, sizeof UnicaPeones);
    TablaPeones = UnicaPeones;
    n = 1;
  }
  MascaraPeones = static_cast<uint32_t>(n - 1);

  // 3. Attack hash; the earlier build has none, and keeps a single idle entry.
  Liberar(TablaAtaques, PropiaAtaques);
  n = VERSION_052 ? 1 : EntradasTabla(Personalidad.TamHashAtaques, DIVISOR_ATAQUES);
  TablaAtaques = VERSION_052 ? nullptr : ReservarPropia<EntradaHashAtaques>(n, PropiaAtaques);
  if (TablaAtaques == nullptr) {
    if (!VERSION_052) std::printf("Error reservando memoria (hash ataques)\n");
    std::memset(UnicaAtaques, 0, sizeof UnicaAtaques);
    TablaAtaques = UnicaAtaques;
    n = 1;
  }
  MascaraAtaques = static_cast<uint32_t>(n - 1);

  ReindexarHistoria();
}
