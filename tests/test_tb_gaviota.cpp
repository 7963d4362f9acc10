// The generator's distances to mate against an independent oracle: the Gaviota
// tablebases of Debian's gaviotatb package, read through libgaviotatb.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "tools/tb/tb.h"

#ifdef ZELMOR_GAVIOTA
#include <gtb-probe.h>
#endif

namespace {

constexpr const char* GAVIOTA_DIR = "/usr/share/gaviotatb/gtb4";

#ifdef ZELMOR_GAVIOTA
// The oracle for the length of one test: opened, then closed with its paths.
struct Gaviota {
  const char** rutas = nullptr;
  bool lista = false;
  Gaviota() {
    struct stat st;
    if (stat(GAVIOTA_DIR, &st) != 0) return;
    rutas = tbpaths_add(tbpaths_init(), GAVIOTA_DIR);
    tb_init(0, tb_CP4, rutas);
    tbcache_init(16 << 20, 0);
    lista = (tb_availability() & 1) != 0;
  }
  ~Gaviota() {
    if (!rutas) return;
    tbcache_done();
    tb_done();
    tbpaths_done(rutas);
  }
};
#endif

// Every placement of the three men, both sides to move: the same result and
// the same number of plies to mate as the oracle.
#ifdef ZELMOR_GAVIOTA
void CompararConGaviota(const Gaviota& oraculo, const char* nombre, int tipo) {
  if (!oraculo.lista)
    GTEST_SKIP() << "Gaviota 3-piece files missing in " << GAVIOTA_DIR
                 << " (package gaviotatb; make deps installs it)";
  ASSERT_NE(tb::Generar(nombre), nullptr);
  long comparadas = 0, distintas = 0;
  for (int wk = 0; wk < 64; ++wk)
    for (int bk = 0; bk < 64; ++bk)
      for (int sq = 0; sq < 64; ++sq)
        for (int turno = 0; turno < 2; ++turno) {
          const tb::Pieza pz[3] = {{0, tb::T_REY, wk}, {1, tb::T_REY, bk}, {0, tipo, sq}};
          const uint16_t v = tb::ValorPosicion(pz, 3, turno);
          if (v == tb::ILEGAL) continue;
          const unsigned ws[] = {static_cast<unsigned>(wk), static_cast<unsigned>(sq), tb_NOSQUARE};
          const unsigned bs[] = {static_cast<unsigned>(bk), tb_NOSQUARE};
          const unsigned char wp[] = {tb_KING, static_cast<unsigned char>(tipo), tb_NOPIECE};
          const unsigned char bp[] = {tb_KING, tb_NOPIECE};
          unsigned info = 0, plies = 0;
          const bool ok =
              tb_probe_hard(turno, tb_NOSQUARE, tb_NOCASTLE, ws, bs, wp, bp, &info, &plies);
          ++comparadas;
          int esperado = -1;  // plies + 1 as the generator keeps it, 0 for a draw
          if (ok && info == tb_DRAW) esperado = 0;
          if (ok && (info == tb_WMATE || info == tb_BMATE)) esperado = static_cast<int>(plies) + 1;
          const bool ganaTurno = (info == tb_WMATE) == (turno == 0);
          const bool coincide = esperado == v && (v == 0 || tb::Gana(v) == ganaTurno);
          if (!coincide && ++distintas <= 5)
            ADD_FAILURE() << nombre << " wk " << wk << " bk " << bk << " man " << sq << " side "
                          << turno << ": ours " << v << ", Gaviota info " << info << " plies "
                          << plies;
        }
  EXPECT_EQ(distintas, 0);
  EXPECT_GT(comparadas, 50000);
}
#endif

TEST(TablasGeneradasGaviota, ThreeManTablesMatchTheOracle) {
#ifndef ZELMOR_GAVIOTA
  GTEST_SKIP() << "libgaviotatb-dev is not installed (make deps installs it)";
#else
  const Gaviota oraculo;
  CompararConGaviota(oraculo, "kqk", tb::T_DAMA);
  CompararConGaviota(oraculo, "krk", tb::T_TORRE);
  CompararConGaviota(oraculo, "kbk", tb::T_ALFIL);
  CompararConGaviota(oraculo, "knk", tb::T_CABALLO);
  CompararConGaviota(oraculo, "kpk", tb::T_PEON);
#endif
}

}  // namespace
