// The personality file and the hash-table sizing rule.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>

#include "driver/driver.h"
#include "eval/eval.h"
#include "search/search.h"
#include "tests/test_driver_proceso.h"

using prueba::DirectorioTemporal;

namespace {

class Personalidades : public ::testing::Test {
 protected:
  void SetUp() override { Personalidad = PERSONALIDAD_INICIAL; }
  void TearDown() override { Personalidad = PERSONALIDAD_INICIAL; }
  // Loads NAME.per with the given text from a fresh directory.
  int Cargar(const std::string& texto) {
    dir_.Escribir("p.per", texto);
    return CargarPers(dir_.Fichero("p").c_str());
  }
  DirectorioTemporal dir_;
};

}  // namespace

TEST(TablasHash, SizeRule) {
  EXPECT_EQ(EntradasTabla(30, sizeof(EntradaHash)), uint64_t{1} << 19);
  EXPECT_EQ(EntradasTabla(8, sizeof(EntradaHash)), uint64_t{1} << 17);  // quotient 174762
  EXPECT_EQ(EntradasTabla(7, sizeof(EntradaHash)),
            uint64_t{1} << 17);                          // the earlier build's default
  EXPECT_EQ(EntradasTabla(1, sizeof(EntradaHash)), 1u);  // quotient 0
  EXPECT_EQ(EntradasTabla(0, sizeof(EntradaHash)), 1u);
  EXPECT_EQ(EntradasTabla(5, sizeof(EntradaHashPeones)), uint64_t{1} << 18);
  EXPECT_EQ(EntradasTabla(5, sizeof(EntradaHashAtaques)), uint64_t{1} << 13);
  // q + 1 exactly a power of two: 2 MB over 8-byte entries gives q = 131072.
  EXPECT_EQ(EntradasTabla(2, 8), uint64_t{1} << 17);
  EXPECT_EQ(EntradasTabla(2, 1048577), 1u);  // q = 0
  EXPECT_EQ(EntradasTabla(2, 524289), 2u);   // q = 1
  EXPECT_EQ(EntradasTabla(2, 349525), 4u);   // q = 3: q + 1 is a power of two
  // No size overflows the 32-bit masks.
  EXPECT_EQ(EntradasTabla(UINT32_MAX, sizeof(EntradaHashPeones)), uint64_t{1} << 31);
}

TEST(TablasHash, DefaultAllocation) {
  Personalidad = PERSONALIDAD_INICIAL;
  AsignarTablasHash();
  // 30 MB (7 MB in the earlier build, which has no attack hash either).
  EXPECT_EQ(MascaraHash, VERSION_052 ? (1u << 17) - 1 : (1u << 19) - 1);
  EXPECT_EQ(MascaraPeones, (1u << 18) - 1);
  EXPECT_EQ(Eval.MascaraAtaques, VERSION_052 ? 0u : (1u << 13) - 1);
  ASSERT_NE(Busqueda.TablaHashProf, nullptr);
  ASSERT_NE(Busqueda.TablaHashSiempre, nullptr);
  EXPECT_EQ(Busqueda.TablaHashProf[MascaraHash].ClaveBaja, 0u);
  EXPECT_EQ(Busqueda.TablaHashSiempre[MascaraHash].Valor, 0);
  // Re-allocation replaces the tables; a size of 1 MB gives one entry each.
  Personalidad.TABLA_HASH = 1;
  Personalidad.TABLA_HASH_PEONES = 1;
  AsignarTablasHash();
  EXPECT_EQ(MascaraHash, 0u);
  EXPECT_EQ(MascaraPeones, 0u);
  LiberarTablasHash();
  EXPECT_EQ(Busqueda.TablaHashProf, nullptr);
  Personalidad = PERSONALIDAD_INICIAL;
}

TEST_F(Personalidades, FormatExamples) {
  // One key and value per line is customary; any whitespace separates.
  ASSERT_EQ(Cargar("TABLA_HASH 8\r\n"), 1);
  EXPECT_EQ(Personalidad.TABLA_HASH, 8u);
  EXPECT_EQ(MascaraHash, (1u << 17) - 1);
  EXPECT_EQ(MascaraPeones, (1u << 18) - 1);

  // Unknown words are skipped one at a time.
  ASSERT_EQ(Cargar("COMENTARIO APRENDER 0"), 1);
  EXPECT_EQ(Personalidad.APRENDER, 0);
  ASSERT_EQ(Cargar("ICS\t\t1 NALIMOV_PATH d:\\tb\n\n  EGTB_CACHE_SIZE 16"), 1);
  EXPECT_EQ(Personalidad.EGTB_CACHE_SIZE, 16777216);
  EXPECT_EQ(Personalidad.ICS, 1);
  EXPECT_STREQ(Personalidad.NALIMOV_PATH, "d:\\tb");

  // Lower-case keys are no keys; the value of an unknown key is a token like any.
  Personalidad = PERSONALIDAD_INICIAL;
  ASSERT_EQ(Cargar("aprender 0 tabla_hash 2 APRENDERX 5 LIMITE_ACEPTACION -40"), 1);
  EXPECT_EQ(Personalidad.APRENDER, PERSONALIDAD_INICIAL.APRENDER);
  EXPECT_EQ(Personalidad.TABLA_HASH, PERSONALIDAD_INICIAL.TABLA_HASH);
  EXPECT_EQ(Personalidad.LIMITE_ACEPTACION, -40);
  ASSERT_EQ(Cargar("NOTA SELECTIVIDAD_LIBRO 7"), 1);
  EXPECT_EQ(Personalidad.SELECTIVIDAD_LIBRO, 7);
}

TEST_F(Personalidades, ValuesAndEndOfFile) {
  // atoi conversion: leading digits count, anything else gives 0.
  ASSERT_EQ(Cargar("AP_SEGUNDOS_MIN 12abc SELECTIVIDAD_LIBRO x LIMITE_ACEPTACION +7"), 1);
  EXPECT_EQ(Personalidad.AP_SEGUNDOS_MIN, 12);
  EXPECT_EQ(Personalidad.SELECTIVIDAD_LIBRO, 0);
  EXPECT_EQ(Personalidad.LIMITE_ACEPTACION, 7);
  // A numeric key as the last token sets 0; a string key there changes nothing.
  ASSERT_EQ(Cargar("APRENDER"), 1);
  EXPECT_EQ(Personalidad.APRENDER, 0);
  ASSERT_EQ(Cargar("LIBROB_FICH"), 1);
  EXPECT_STREQ(Personalidad.LIBROB_FICH, PERSONALIDAD_INICIAL.LIBROB_FICH);
  // A bad hash size is 0 megabytes: one entry per table.
  ASSERT_EQ(Cargar("TABLA_HASH mucho"), 1);
  EXPECT_EQ(MascaraHash, 0u);
  // Tokens longer than 255 characters are cut, never overflow a setting.
  ASSERT_EQ(Cargar("LIBRON_FICH " + std::string(5000, 'b') + " APRENDER 2"), 1);
  EXPECT_EQ(std::string(Personalidad.LIBRON_FICH), std::string(255, 'b'));
  EXPECT_EQ(Personalidad.APRENDER, 2);
  // Megabytes beyond 32 bits of bytes are held at the largest value.
  ASSERT_EQ(Cargar("EGTB_CACHE_SIZE 999999"), 1);
  EXPECT_EQ(Personalidad.EGTB_CACHE_SIZE, INT32_MAX);
}

TEST_F(Personalidades, EarlierBuildsKeys) {
  // The current build has no such keys: the lines are skipped token by token.
  ASSERT_EQ(Cargar("VAL_DAMA 900 LAZY 50 UMBRAL_FINAL 10"), 1);
  EXPECT_EQ(Personalidad.VAL_DAMA, VERSION_052 ? 900 : 950);
  EXPECT_EQ(Personalidad.LAZY, VERSION_052 ? 50 : 300);
  EXPECT_EQ(Personalidad.UMBRAL_FINAL, VERSION_052 ? 10 : 4100);
}

TEST_F(Personalidades, MissingFileAndPaths) {
  Personalidad.TABLA_HASH = 8;
  AsignarTablasHash();
  EXPECT_EQ(CargarPers(dir_.Fichero("no_existe").c_str()), 0);
  EXPECT_EQ(MascaraHash, (1u << 17) - 1);  // nothing re-allocated
  EXPECT_EQ(Personalidad.TABLA_HASH, 8u);
  // A backslash is a directory separator.
  std::filesystem::create_directory(dir_.Fichero("sub"));
  dir_.Escribir("sub/q.per", "APRENDER 9");
  EXPECT_EQ(CargarPers((dir_.Ruta() + "\\sub\\q").c_str()), 1);
  EXPECT_EQ(Personalidad.APRENDER, 9);
  char ruta[16];
  RutaLocal(".\\Zelmor070B.libro", ruta, sizeof ruta);
  EXPECT_STREQ(ruta, "./Zelmor070B.li");  // cut to the buffer
}

TEST(PersonalidadMotor, FromTheCommandLine) {
  DirectorioTemporal dir;
  dir.Escribir("fuerte.per", "TABLA_HASH 8\nICS 1\n");
  // The log's report shows the defaults: it is written before the file is read.
  auto r = prueba::Ejecutar(ZELMOR070_BIN, "protover 2\ncomputer\nname x\nquit\n", dir.Ruta(),
                            {"fuerte"});
  EXPECT_NE(r.salida.find("myname=\"Zelmor v0.70 QRT6 (fuerte)\""), std::string::npos);
  EXPECT_NE(r.salida.find("\ntellopponent Hello from Zelmor v0.70 QRT6\n"), std::string::npos);
  EXPECT_NE(dir.Leer("Ze_0.70_0.log").find("Tama\xF1o hash requerido: 30\n"), std::string::npos);
}

TEST(PersonalidadMotor, InsufficientMemory) {
  // Far more than the process may have (here under a 2 GB address-space limit,
  // so that what fits is quick to clear): the tables are cut to what fits, the
  // user is told each time the file is read, and the engine plays on.
#ifdef ZELMOR_SANITIZE
  GTEST_SKIP() << "the sanitizers reserve more address space than the limit allows";
#endif
  DirectorioTemporal dir;
  dir.Escribir("enorme.per", "TABLA_HASH 4000000000");
  auto r = prueba::Ejecutar(
      "/bin/sh", "CargarPers enorme\nprotover 2\nping 1\n", dir.Ruta(),
      {"-c", std::string("ulimit -v 2097152 && exec ") + ZELMOR070_BIN + " enorme"});
  const std::string aviso = "Memoria insuficiente: tablas hash reducidas a ";
  const size_t primero = r.salida.find(aviso);
  ASSERT_NE(primero, std::string::npos) << r.salida;
  EXPECT_NE(r.salida.find(aviso, primero + 1), std::string::npos) << r.salida;
  EXPECT_EQ(r.salida.find("Error reservando memoria"), std::string::npos) << r.salida;
  EXPECT_NE(r.salida.find("\npong 1\n"), std::string::npos);
  EXPECT_TRUE(prueba::SalioBien(r.estado));
}
