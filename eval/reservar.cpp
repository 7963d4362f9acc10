// Allocation of the pawn hash and the attack hash.
#include <cstdio>
#include <cstdlib>

#include "eval/eval.h"

extern EntradaHashPeones EntradaPeonesReserva[1];
extern EntradaHashAtaques EntradaAtaquesReserva[1];

namespace {
// What these functions took from the heap: only that is ever freed here (the
// driver may have installed tables of its own).
void* PropiaPeones = nullptr;
void* PropiaAtaques = nullptr;
}  // namespace

uint32_t EntradasHash(uint32_t megas, uint32_t tamEntrada) {
  const uint64_t cociente = uint64_t{megas / 2} * 1048576 / tamEntrada;
  uint64_t n = 1;
  while (n * 2 <= cociente + 1 && n < (uint64_t{1} << 31)) n *= 2;
  return static_cast<uint32_t>(n);
}

int ReservarHashPeones(uint32_t megas) {
  if (PropiaPeones != nullptr && TablaPeones == PropiaPeones) std::free(PropiaPeones);
  PropiaPeones = nullptr;
  const uint32_t n = EntradasHash(megas, sizeof(EntradaHashPeones));
  auto* t = static_cast<EntradaHashPeones*>(std::calloc(n, sizeof(EntradaHashPeones)));
  if (t == nullptr) {
    std::printf("Error reservando memoria (hash peones)\n");
    EntradaPeonesReserva[0] = EntradaHashPeones{};
    TablaPeones = EntradaPeonesReserva;
    MascaraPeones = 0;
    return 0;
  }
  TablaPeones = t;
  PropiaPeones = t;
  MascaraPeones = n - 1;
  return 1;
}

int ReservarHashAtaques(uint32_t megas) {
  if (PropiaAtaques != nullptr && TablaAtaques == PropiaAtaques) std::free(PropiaAtaques);
  PropiaAtaques = nullptr;
  const uint32_t n = EntradasHash(megas, sizeof(EntradaHashAtaques));
  auto* t = static_cast<EntradaHashAtaques*>(std::calloc(n, sizeof(EntradaHashAtaques)));
  if (t == nullptr) {
    std::printf("Error reservando memoria (hash ataques)\n");
    EntradaAtaquesReserva[0] = EntradaHashAtaques{};
    TablaAtaques = EntradaAtaquesReserva;
    MascaraAtaques = 0;
    return 0;
  }
  TablaAtaques = t;
  PropiaAtaques = t;
  MascaraAtaques = n - 1;
  return 1;
}

int ReservarTablasEval(uint32_t megasPeones, uint32_t megasAtaques) {
  const int a = ReservarHashPeones(megasPeones);
  const int b = ReservarHashAtaques(megasAtaques);
  return a && b;
}
