// The evaluation's tables: the pawn hash and the attack hash.
#include <cstdio>
#include <cstring>

#include "eval/eval.h"
#include "eval/forma.h"

namespace {

template <typename T>
uint32_t Reservar(T*& tabla, void*& propia, uint64_t entradas, T* reserva) {
  void* t = tabla;
  const uint64_t n = ReservarTabla(&t, &propia, entradas, sizeof(T), reserva);
  tabla = static_cast<T*>(t);
  return static_cast<uint32_t>(n - 1);
}

}  // namespace

int ReservarTablasEval(uint32_t megasPeones, uint32_t megasAtaques) {
  int fallos = 0;
  // Pawn hash (its budget is halved like the transposition budget).
  const uint64_t peones = EntradasTabla(megasPeones, sizeof(EntradaHashPeones));
  MascaraPeones = Reservar(Eval.TablaPeones, Eval.PropiaPeones, peones, Eval.ReservaPeones);
  if (MascaraPeones + 1 != peones) fallos |= FALLO_PEONES;
  // Attack hash; the earlier build has none, and keeps a single idle entry.
  const uint64_t ataques =
      !FORMA_EVAL.TablaAtaques ? 1 : EntradasTabla(megasAtaques, sizeof(EntradaHashAtaques));
  Eval.MascaraAtaques = Reservar(Eval.TablaAtaques, Eval.PropiaAtaques, ataques, Eval.ReservaAtaques);
  if (Eval.MascaraAtaques + 1 != ataques) fallos |= FALLO_ATAQUES;
  // Make fetches the slots of both tables ahead (see TablasAnticipadas).
  RegistrarAnticipo(ANTICIPO_ATAQUES, Eval.TablaAtaques, &Eval.MascaraAtaques, sizeof(EntradaHashAtaques));
  RegistrarAnticipo(ANTICIPO_PEONES, Eval.TablaPeones, &MascaraPeones, sizeof(EntradaHashPeones));
  RegistrarAnticipo(ANTICIPO_PEONES_EVAL, Eval.PeonesEval, &MASCARA_PEONES_EVAL, sizeof(EntradaPeonesEval));
  ReindexarHistoria();
  return fallos;
}

void LimpiarTablasEval() {
  std::memset(Eval.TablaPeones, 0, (size_t{MascaraPeones} + 1) * sizeof(EntradaHashPeones));
  std::memset(Eval.TablaAtaques, 0, (size_t{Eval.MascaraAtaques} + 1) * sizeof(EntradaHashAtaques));
}
