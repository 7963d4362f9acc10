// Hash tables sized to the memory the process can have: the sum of all tables
// is what must fit, a container's or an address-space limit included.
#include <gtest/gtest.h>

#include <string>

#include "driver/driver.h"
#include "eval/eval.h"
#include "search/search.h"
#include "tests/test_driver_proceso.h"

namespace {

constexpr uint64_t MB = uint64_t{1} << 20;

uint64_t Bytes(const TamanosHash& t) {
  return EntradasTabla(t.Hash, sizeof(EntradaHash)) * (2 * sizeof(EntradaHash) + sizeof(MarcasSlot)) +
         EntradasTabla(t.Peones, sizeof(EntradaHashPeones)) * sizeof(EntradaHashPeones) +
         EntradasTabla(t.Ataques, sizeof(EntradaHashAtaques)) * sizeof(EntradaHashAtaques);
}

}  // namespace

TEST(MemoriaHash, TheSumOfTheTablesIsWhatMustFit) {
  // Plenty of memory: the defaults stand.
  TamanosHash t = AjustarTamanosHash({30, 5, 5}, 24000 * MB);
  EXPECT_EQ(t.Hash, 30u);
  EXPECT_EQ(t.Peones, 5u);
  EXPECT_EQ(t.Ataques, 5u);
  // Each table alone would fit in 24 GB, together they take far more than half.
  t = AjustarTamanosHash({4000000, 4000000, 5}, 24000 * MB);
  EXPECT_LE(Bytes(t), 12000 * MB);
  EXPECT_LT(t.Hash, 4000000u);
  EXPECT_LT(t.Peones, 4000000u);
  // A container of 1 GB: 1500 MB of transposition tables are cut down, and the
  // small ones are left alone while the big one can give.
  t = AjustarTamanosHash({1500, 5, 5}, 1024 * MB);
  EXPECT_LE(Bytes(t), 512 * MB);
  EXPECT_GE(t.Hash, 128u);
  EXPECT_EQ(t.Peones, 5u);
  // Nothing available: the smallest tables there are, never zero.
  t = AjustarTamanosHash({1500, 100, 100}, 0);
  EXPECT_EQ(t.Hash, 1u);
  EXPECT_EQ(t.Peones, 1u);
  EXPECT_EQ(t.Ataques, 1u);
}

#ifndef ZELMOR_SANITIZE  // the sanitizers reserve more address space than the limit allows
// (The personality file's case: PersonalidadMotor.InsufficientMemory.)
TEST(MemoriaHash, TheUciOptionIsCutToTheAddressSpaceLimit) {
  prueba::DirectorioTemporal dir;
  const std::string motor = std::string("ulimit -v 1048576 && exec ") + ZELMOR070_BIN;
  // The UCI option: told in an info string, and the option shows what was taken.
  prueba::Motor b("/bin/sh", {"-c", motor}, dir.Ruta());
  b.Escribir("uci\nsetoption name Hash value 1500\ngo depth 2\nquit\n");
  EXPECT_TRUE(prueba::SalioBien(b.Terminar()));
  EXPECT_NE(b.Salida().find("info string not enough memory: Hash reduced to "), std::string::npos)
      << b.Salida();
  EXPECT_NE(b.Salida().find("bestmove "), std::string::npos) << b.Salida();
}
#endif
