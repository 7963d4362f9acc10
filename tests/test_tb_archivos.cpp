// Generated tables as files: plain and compressed files read back through the
// engine's registry agree on every index, damaged compressed files are refused
// with their message, and the file checker finds a planted fault.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "driver/driver.h"
#include "egtb/egtb.h"
#include "egtb/marcas.h"
#include "tests/test_driver_proceso.h"
#include "tools/tb/archivos.h"
#include "tools/tb/comprimir.h"
#include "tools/tb/tb.h"

namespace {

const char* const TRES[] = {"kqk", "krk", "kpk", "kbk", "knk"};

std::string DirectorioTemporal(const char* nombre) {
  char plantilla[256];
  std::snprintf(plantilla, sizeof plantilla, "/tmp/zelmor_tb_%s_XXXXXX", nombre);
  const char* d = mkdtemp(plantilla);
  return d ? d : "";
}

std::vector<uint8_t> LeerArchivo(const std::string& nombre) {
  std::vector<uint8_t> r;
  std::FILE* f = std::fopen(nombre.c_str(), "rb");
  if (!f) return r;
  int c;
  while ((c = std::fgetc(f)) != EOF) r.push_back(static_cast<uint8_t>(c));
  std::fclose(f);
  return r;
}

void GuardarArchivo(const std::string& nombre, const std::vector<uint8_t>& d) {
  std::FILE* f = std::fopen(nombre.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(d.data(), 1, d.size(), f);
  std::fclose(f);
}

// Lists a file in its directory's marks as it is now, as the generator would.
void MarcarComoPropio(const std::string& dir, const std::string& nombre) {
  MarcaTabla m;
  ASSERT_TRUE(MarcaDeFichero(dir + "/" + nombre, nombre, m));
  std::string error;
  ASSERT_TRUE(ActualizarMarcas(dir, {m}, {}, error)) << error;
}

// One generation and two directories (plain, compressed) for the whole suite.
struct Directorios {
  std::string plano, comprimido;
  Directorios() {
    plano = DirectorioTemporal("plano");
    comprimido = DirectorioTemporal("emd");
    for (const char* n : TRES) {
      const tb::Tabla* t = tb::Generar(n);
      std::string error;
      if (!t || !tb::EscribirTabla(*t, plano, false, error) ||
          !tb::EscribirTabla(*t, comprimido, true, error))
        ADD_FAILURE() << n << ": " << error;
    }
  }
  ~Directorios() {
    std::filesystem::remove_all(plano);
    std::filesystem::remove_all(comprimido);
  }
};

const Directorios& Tablas() {
  static Directorios d;
  return d;
}

void Registrar(const std::string& dir) {
  static void* cache = std::malloc(1 << 20);
  FijarCache(cache, 1 << 20);
  testing::internal::CaptureStdout();
  EGTB.MaxPiezasTB = InicializarTablasFinales(dir.c_str());
  testing::internal::GetCapturedStdout();
}

// Every entry of both sides of every 3-man file, through ValorTabla.
std::vector<int32_t> TodosLosValores() {
  std::vector<int32_t> r;
  for (const char* n : TRES) {
    const int j = BuscarNombre(n);
    for (int lado = 0; lado < 2; ++lado)
      for (uint32_t i = 0; i < IndiceMaximoTabla(j, lado); ++i) r.push_back(ValorTabla(j, lado, i));
  }
  return r;
}

TEST(ArchivosTablas, PlainAndCompressedFilesGiveTheSameValueOnEveryIndex) {
  const auto& d = Tablas();
  Registrar(d.plano);
  EXPECT_EQ(EGTB.MaxPiezasTB, 3);
  const auto plano = TodosLosValores();
  Registrar(d.comprimido);
  EXPECT_EQ(EGTB.MaxPiezasTB, 3);
  const auto comprimido = TodosLosValores();
  ASSERT_EQ(plano.size(), comprimido.size());
  size_t distintos = 0, sinValor = 0;
  for (size_t i = 0; i < plano.size(); ++i) {
    distintos += plano[i] != comprimido[i];
    sinValor += plano[i] == SIN_VALOR_TB;
  }
  EXPECT_EQ(distintos, 0u);
  EXPECT_TRUE(BannerValido(tb::BannerGenerador().data()));
  EXPECT_LT(sinValor, plano.size() / 2);  // the files hold values, not just gaps
  // The compressed files are smaller.
  for (const char* n : TRES)
    EXPECT_LT(LeerArchivo(tb::NombreArchivo(d.comprimido, n, 0, true)).size(),
              LeerArchivo(tb::NombreArchivo(d.plano, n, 0, false)).size())
        << n;
}

// Synthetic data of every kind: constant, periodic, random (stored raw), a
// short last block and a file of one short block.
TEST(ArchivosTablas, CompressorRoundTripsThroughTheEngineDecoder) {
  std::mt19937 azar(3);
  std::vector<std::vector<uint8_t>> casos;
  casos.push_back(std::vector<uint8_t>(8192 * 3, 0));
  std::vector<uint8_t> periodo(8192 * 5 + 1234);
  for (size_t i = 0; i < periodo.size(); ++i)
    periodo[i] = static_cast<uint8_t>((i % 62) < 5 ? 127 : i % 7);
  casos.push_back(periodo);
  std::vector<uint8_t> azaroso(8192 * 2 + 77);
  for (auto& x : azaroso) x = static_cast<uint8_t>(azar());
  casos.push_back(azaroso);
  std::vector<uint8_t> mezcla(8192 * 4);
  for (size_t i = 0; i < mezcla.size(); ++i)
    mezcla[i] = static_cast<uint8_t>(i < 8192 ? azar() : (azar() % 13 == 0 ? azar() % 4 : 1));
  casos.push_back(mezcla);
  casos.push_back(std::vector<uint8_t>(100, 5));
  for (size_t c = 0; c < casos.size(); ++c) {
    const auto archivo = tb::Comprimir(casos[c].data(), casos[c].size());
    std::FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    std::fwrite(archivo.data(), 1, archivo.size(), f);
    DecodificadorTabla* dec = nullptr;
    ASSERT_EQ(LeerCabecera(f, &dec), 0) << "case " << c;
    const int bloques = BloquesDecodificador(dec);
    ASSERT_EQ(static_cast<size_t>(bloques), (casos[c].size() + 8191) / 8192);
    std::vector<uint8_t> vuelta;
    uint8_t bloque[8192];
    for (int b = 0; b < bloques; ++b) {
      const int n = DecodificarBloque(f, dec, b, bloque);
      ASSERT_GT(n, 0) << "case " << c << " block " << b;
      vuelta.insert(vuelta.end(), bloque, bloque + n);
    }
    EXPECT_EQ(vuelta, casos[c]) << "case " << c;
    LiberarDecodificador(dec);
    std::fclose(f);
  }
}

// Each kind of damage to a compressed file: the header check's class, and
// through registration the message while the engine carries on.
TEST(ArchivosTablas, DamagedCompressedFilesAreRefusedWithTheirMessage) {
  const auto& d = Tablas();
  const std::string original = tb::NombreArchivo(d.comprimido, "krk", 0, true);
  const auto bueno = LeerArchivo(original);
  ASSERT_GT(bueno.size(), 200u);
  const uint32_t h =
      static_cast<uint32_t>(bueno[64]) << 24 | bueno[65] << 16 | bueno[66] << 8 | bueno[67];
  auto conCrc = [&](std::vector<uint8_t> x) {
    const uint32_t c = Crc32(x.data(), h - 4);
    for (int i = 0; i < 4; ++i) x[h - 4 + i] = static_cast<uint8_t>(c >> (24 - 8 * i));
    return x;
  };
  struct Dano {
    const char* que;
    std::vector<uint8_t> archivo;
    int clase;
  };
  std::vector<Dano> danos;
  auto x = bueno;
  x[h - 2] ^= 0x10;
  danos.push_back({"CRC", x, RESULTADO_ROTO});
  x = bueno;
  x[59] = ' ';  // the banner line no longer ends in CR LF
  danos.push_back({"banner", x, RESULTADO_LECTURA});
  x = bueno;
  x[77] = 63;
  danos.push_back({"header field", x, RESULTADO_ROTO});
  // The code lengths start after the 8-byte records and the bit fields; a
  // burst of ones there (with a fresh CRC) no longer forms a complete code.
  x = bueno;
  const uint32_t bloques =
      static_cast<uint32_t>(bueno[72]) << 24 | bueno[73] << 16 | bueno[74] << 8 | bueno[75];
  const size_t campos = 80 + 8 * bloques + ((bloques + 25) * 13 + 7) / 8;
  for (size_t i = campos + 1; i < campos + 4 && i < h - 4; ++i) x[i] = 0xFF;
  danos.push_back({"code lengths", conCrc(x), RESULTADO_ROTO});
  for (const auto& dano : danos) {
    std::FILE* f = std::tmpfile();
    std::fwrite(dano.archivo.data(), 1, dano.archivo.size(), f);
    DecodificadorTabla* dec = nullptr;
    EXPECT_EQ(LeerCabecera(f, &dec), dano.clase) << dano.que;
    LiberarDecodificador(dec);
    std::fclose(f);
    // Registration reports it and goes on without that file.
    const std::string dir = DirectorioTemporal("roto");
    GuardarArchivo(tb::NombreArchivo(dir, "krk", 0, true), dano.archivo);
    static void* cache = std::malloc(1 << 20);
    FijarCache(cache, 1 << 20);
    testing::internal::CaptureStdout();
    const int piezas = InicializarTablasFinales(dir.c_str());
    const std::string salida = testing::internal::GetCapturedStdout();
    EXPECT_EQ(piezas, 0) << dano.que;
    EXPECT_NE(salida.find(dano.clase == RESULTADO_LECTURA ? "read error" : "file broken"),
              std::string::npos)
        << dano.que << ": " << salida;
    std::remove(tb::NombreArchivo(dir, "krk", 0, true).c_str());
    rmdir(dir.c_str());
  }
  // A damaged block: registration succeeds, the read fails, the side is
  // dropped and reports no value.
  x = bueno;
  for (size_t i = h + 10; i < h + 40 && i < x.size(); ++i) x[i] ^= 0x5A;
  const std::string dir = DirectorioTemporal("bloque");
  GuardarArchivo(tb::NombreArchivo(dir, "krk", 0, true), x);
  MarcarComoPropio(dir, "krk.nbw.emd");
  Registrar(dir);
  const int j = BuscarNombre("krk");
  ASSERT_TRUE(TablaRegistrada(j, 0));
  testing::internal::CaptureStdout();
  int32_t v = 0;
  for (uint32_t i = 0; i < 8192 && v != SIN_VALOR_TB; i += 97) v = ValorTabla(j, 0, i);
  testing::internal::GetCapturedStdout();
  EXPECT_EQ(v, SIN_VALOR_TB);
  EXPECT_FALSE(TablaRegistrada(j, 0));
  std::remove(tb::NombreArchivo(dir, "krk", 0, true).c_str());
  rmdir(dir.c_str());
}

// The tables changed again and again, as "setoption name NalimovPath" and
// "NalimovCache" do: each change reads through its own cache area, and the
// area a change replaces is released (the sanitizer build's leak check fails
// this test when it is not), while a change that sets no new area (no path,
// or no table found) keeps the current one in use.
TEST(ArchivosTablas, ChangingTheTablesReleasesTheCacheAreaItReplaces) {
  const auto& d = Tablas();
  const ConfiguracionMotor antes = Personalidad;
  const int j = BuscarNombre("krk");
  testing::internal::CaptureStdout();
  int32_t primero = SIN_VALOR_TB;
  for (int32_t megas : {4, 2, 2, 1}) {
    std::snprintf(Personalidad.NALIMOV_PATH, TAM_RUTA, "%s", d.plano.c_str());
    Personalidad.EGTB_CACHE_SIZE = megas * 1048576;
    CambiarTablasFinales();
    EXPECT_EQ(EGTB.MaxPiezasTB, 3) << megas;
    const int32_t v = ValorTabla(j, 0, 5000);
    if (primero == SIN_VALOR_TB) primero = v;
    EXPECT_EQ(v, primero) << megas;
  }
  const std::string vacio = DirectorioTemporal("vacio");
  for (const char* ruta : {vacio.c_str(), ""}) {
    std::snprintf(Personalidad.NALIMOV_PATH, TAM_RUTA, "%s", ruta);
    CambiarTablasFinales();
    EXPECT_EQ(EGTB.MaxPiezasTB, 0) << ruta;
  }
  std::snprintf(Personalidad.NALIMOV_PATH, TAM_RUTA, "%s", d.plano.c_str());
  CambiarTablasFinales();
  EXPECT_EQ(ValorTabla(j, 0, 5000), primero);
  testing::internal::GetCapturedStdout();
  rmdir(vacio.c_str());
  Personalidad = antes;
}

TEST(ArchivosTablas, CheckerAcceptsGeneratedFilesAndFindsAPlantedFault) {
  const auto& d = Tablas();
  testing::internal::CaptureStdout();
  EXPECT_EQ(tb::Verificar(d.comprimido.c_str(), {"kqk", "kpk"}), 0);
  const std::string salida = testing::internal::GetCapturedStdout();
  EXPECT_NE(salida.find("kpk side 1: "), std::string::npos) << salida;
  EXPECT_EQ(salida.find("BAD"), std::string::npos) << salida;
  // A probe of a known position: Ka6 Qc7 against Ka8 mates in one.
  testing::internal::CaptureStdout();
  EXPECT_EQ(tb::Sondear(d.plano.c_str(), "k7/2Q5/K7/8/8/8/8/8 w - - 0 1"), 0);
  const std::string sondeo = testing::internal::GetCapturedStdout();
  EXPECT_NE(sondeo.find("mate in 1"), std::string::npos) << sondeo;
  EXPECT_NE(sondeo.find("score 100000"), std::string::npos) << sondeo;
  // After Qb7, Black to move is checkmated.
  testing::internal::CaptureStdout();
  EXPECT_EQ(tb::Sondear(d.plano.c_str(), "k7/1Q6/K7/8/8/8/8/8 b - - 0 1"), 0);
  const std::string mate = testing::internal::GetCapturedStdout();
  EXPECT_NE(mate.find("mated in 0"), std::string::npos) << mate;

  // One wrong entry in a copy of krk: the checker names it.
  const std::string dir = DirectorioTemporal("malo");
  for (const char* n : {"krk"})
    for (int lado = 0; lado < 2; ++lado) {
      auto bytes = LeerArchivo(tb::NombreArchivo(d.plano, n, lado, false));
      if (lado == 0) {
        for (auto& b : bytes)
          if (b == 120) {  // a win in 7: made a win in 6
            b = 121;
            break;
          }
      }
      GuardarArchivo(tb::NombreArchivo(dir, n, lado, false), bytes);
    }
  // The copies are not marked yet: the engine refuses them until marcar has
  // checked and marked them (the planted fault is no implausible value).
  testing::internal::CaptureStdout();
  EXPECT_EQ(tb::Verificar(dir.c_str(), {"krk"}), 1);
  const std::string sinMarca = testing::internal::GetCapturedStdout();
  EXPECT_NE(sinMarca.find("krk side 0: no file"), std::string::npos) << sinMarca;
  testing::internal::CaptureStdout();
  EXPECT_EQ(tb::Marcar(dir.c_str()), 0);
  testing::internal::GetCapturedStdout();
  testing::internal::CaptureStdout();
  EXPECT_EQ(tb::Verificar(dir.c_str(), {"krk"}), 1);
  const std::string informe = testing::internal::GetCapturedStdout();
  EXPECT_NE(informe.find("BAD at index"), std::string::npos) << informe;
  std::filesystem::remove_all(dir);
}

}  // namespace

namespace {

// Runs a command and returns its exit status and what it printed (both streams).
int Ejecutar(const std::string& orden, std::string& salida) {
  salida.clear();
  FILE* p = popen((orden + " 2>&1").c_str(), "r");
  if (!p) return -1;
  char linea[512];
  while (std::fgets(linea, sizeof linea, p)) salida += linea;
  return pclose(p);
}

// The output directory is made with its parents; one that cannot be made or
// written is reported before any work, and nothing is generated.
TEST(ArchivosTablas, OutputDirectoryIsCreatedOrRefusedUpFront) {
  const std::string raiz = DirectorioTemporal("salida");
  const std::string hondo = raiz + "/a/b/c";
  std::string salida;
  ASSERT_EQ(Ejecutar(std::string(ZELMOR_TB_BIN) + " generar --salida " + hondo + " kqk", salida), 0)
      << salida;
  EXPECT_TRUE(std::filesystem::is_regular_file(tb::NombreArchivo(hondo, "kqk", 0, false)));
  EXPECT_TRUE(std::filesystem::is_regular_file(tb::NombreArchivo(hondo, "kqk", 1, false)));
  // An existing directory is fine and keeps no probe file behind: the two
  // tables and their marks.
  std::string error;
  EXPECT_TRUE(tb::PrepararDirectorio(hondo, error)) << error;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(hondo),
                          std::filesystem::directory_iterator()),
            3);
  EXPECT_TRUE(std::filesystem::is_regular_file(hondo + "/" + NOMBRE_MARCAS));

  // A plain file stands where a directory should be (as the target and as a parent).
  const std::string archivo = raiz + "/archivo";
  GuardarArchivo(archivo, {1, 2, 3});
  for (const std::string& malo : {archivo, archivo + "/sub"}) {
    error.clear();
    EXPECT_FALSE(tb::PrepararDirectorio(malo, error)) << malo;
    EXPECT_NE(error.find(malo), std::string::npos) << error;
    const int r =
        Ejecutar(std::string(ZELMOR_TB_BIN) + " generar --salida " + malo + " kqk", salida);
    EXPECT_TRUE(WIFEXITED(r) && WEXITSTATUS(r) == 1) << salida;
    EXPECT_NE(salida.find("zelmor-tb: "), std::string::npos) << salida;
    EXPECT_EQ(salida.find("kqk: "), std::string::npos) << "generated anyway: " << salida;
  }
  EXPECT_EQ(LeerArchivo(archivo), (std::vector<uint8_t>{1, 2, 3}));
  std::filesystem::remove_all(raiz);
}

// The score bench prints for position n ("Position  n: ... score S").
long PuntuacionBench(const std::string& salida, int n) {
  char clave[32];
  std::snprintf(clave, sizeof clave, "Position %2d:", n);
  const size_t i = salida.find(clave);
  const size_t j = i == std::string::npos ? i : salida.find("score ", i);
  return j == std::string::npos ? -1 : std::atol(salida.c_str() + j + 6);
}

// bench --tablas reads the tables like NALIMOV_PATH: the king-and-pawn ending
// of the built-in set gets the table's won score at depth 3, the probes and
// hits are counted, and the last lines stay the node total and the speed.
TEST(ArchivosTablas, BenchWithTablebases) {
  const std::string diag = ZELMOR_DIAG_BIN;
  std::string con, sin;
  ASSERT_EQ(Ejecutar(diag + " bench --tablas '" + Tablas().plano + "' 3", con), 0) << con;
  ASSERT_EQ(Ejecutar(diag + " bench 3", sin), 0) << sin;
  EXPECT_NE(con.find("Tablebases: up to 3 men"), std::string::npos) << con;
  const size_t e = con.find("EGTB probes: ");
  ASSERT_NE(e, std::string::npos) << con;
  unsigned long long intentos = 0, aciertos = 0;
  ASSERT_EQ(std::sscanf(con.c_str() + e, "EGTB probes: %llu hits: %llu", &intentos, &aciertos), 2);
  EXPECT_GT(aciertos, 0u);
  EXPECT_LE(aciertos, intentos);
  EXPECT_GE(PuntuacionBench(con, 24), 99700) << con;  // kpk: a win the search alone cannot see
  EXPECT_LT(PuntuacionBench(sin, 24), 99700) << sin;
  EXPECT_EQ(sin.find("EGTB"), std::string::npos);
  for (const std::string* x : {&con, &sin}) {
    const size_t nodos = x->rfind("\nNodes: ");
    ASSERT_NE(nodos, std::string::npos);
    EXPECT_EQ(x->find('\n', x->find("NPS: ", nodos)), x->size() - 1) << *x;
  }
  // The ending set runs with and without tables.
  ASSERT_EQ(Ejecutar(diag + " bench --finales --tablas '" + Tablas().plano + "' 2", con), 0) << con;
  EXPECT_NE(con.find("Position 11:"), std::string::npos) << con;

  // Nothing to read, or a bad command line: a message and status 1.
  const std::string vacio = DirectorioTemporal("vacio");
  EXPECT_NE(Ejecutar(diag + " bench --tablas " + vacio + " 3", con), 0);
  EXPECT_NE(con.find("no tablebase could be read from " + vacio), std::string::npos) << con;
  EXPECT_EQ(con.find("Nodes:"), std::string::npos) << con;
  for (const char* malo :
       {" bench --tablas", " bench 3 4", " bench 0", " bench 7x", " bench --x"}) {
    EXPECT_NE(Ejecutar(diag + malo, con), 0) << malo;
    EXPECT_NE(con.find("usage: bench"), std::string::npos) << malo << ": " << con;
  }
  rmdir(vacio.c_str());
}

// The engine itself with NALIMOV_PATH naming generated tables: at the first
// depth it shows, a krk position already has the table's score (mate in 14:
// 99973 a ply below the root), its statistics count the hits, and it plays the
// table's move. Without the tables the same search sees no mate.
TEST(ArchivosTablas, EngineThinksWithTheTableScore) {
  const std::string entrada =
      "xboard\nprotover 2\npost\nsetboard 8/8/8/4k3/8/8/8/R3K3 w - - 0 1\nsd 5\ngo\n";
  std::string lineas[2], log[2];
  for (int con = 0; con < 2; ++con) {
    prueba::DirectorioTemporal dir;
    dir.Escribir("tb.per", "NALIMOV_PATH " + (con ? Tablas().plano : dir.Ruta() + "/none") + "\n");
    prueba::Motor m(ZELMOR070_BIN, {"tb"}, dir.Ruta());
    m.Escribir(entrada);
    EXPECT_TRUE(m.Esperar("move ", 20000)) << m.Salida();
    m.Escribir("quit\n");
    EXPECT_TRUE(prueba::SalioBien(m.Terminar()));
    lineas[con] = m.Salida();
    log[con] = dir.Leer("Ze_0.70_0.log");
  }
  const size_t linea = lineas[1].find("\n5 ");
  ASSERT_NE(linea, std::string::npos) << lineas[1];
  // Depth and score; the time column that follows depends on the machine's load.
  EXPECT_EQ(lineas[1].substr(linea + 1, 8), "5 99973 ") << lineas[1];
  EXPECT_NE(lineas[1].find("move e1e2"), std::string::npos) << lineas[1];
  unsigned intentos = 0, aciertos = 0;
  const size_t e = log[1].rfind("Intentos EGTB: ");
  ASSERT_NE(e, std::string::npos) << log[1];
  ASSERT_EQ(
      std::sscanf(log[1].c_str() + e, "Intentos EGTB: %u Aciertos EGTB: %u", &intentos, &aciertos),
      2);
  EXPECT_GT(aciertos, 0u);
  const size_t sin = lineas[0].find("\n5 ");
  ASSERT_NE(sin, std::string::npos) << lineas[0];
  EXPECT_LT(std::atol(lineas[0].c_str() + sin + 3), 99700) << lineas[0];
  EXPECT_NE(log[0].find("Aciertos EGTB: 0"), std::string::npos);
}

// The generator marks what it writes and merges into marks already there;
// copies of its files in a directory without marks are refused until
// `zelmor-tb marcar` has checked and marked them; marcar refuses a file of
// the right length that is not plausibly ours, and drops the mark of a file
// that was replaced by one.
TEST(ArchivosTablas, GeneratorMarksAndMarcarRemarksADirectory) {
  const auto& d = Tablas();
  for (const std::string* dir : {&d.plano, &d.comprimido}) {
    const std::vector<MarcaTabla> marcas = LeerMarcas(*dir);
    EXPECT_EQ(marcas.size(), 10u) << *dir;
    for (const MarcaTabla& m : marcas) {
      MarcaTabla real;
      ASSERT_TRUE(MarcaDeFichero(*dir + "/" + m.Nombre, m.Nombre, real)) << m.Nombre;
      EXPECT_EQ(real.Longitud, m.Longitud) << m.Nombre;
      EXPECT_EQ(real.Suma, m.Suma) << m.Nombre;
      EXPECT_EQ(real.Extremos, m.Extremos) << m.Nombre;
    }
  }
  // A second run into the same directory adds to the marks.
  const std::string junta = DirectorioTemporal("junta");
  std::string salida;
  for (const char* n : {"kqk", "krk"})
    ASSERT_EQ(Ejecutar(std::string(ZELMOR_TB_BIN) + " generar --salida " + junta + " " + n, salida), 0)
        << salida;
  EXPECT_EQ(LeerMarcas(junta).size(), 4u);
  Registrar(junta);
  EXPECT_EQ(EGTB.MaxPiezasTB, 3);
  EXPECT_TRUE(TablaRegistrada(BuscarNombre("kqk"), 1));
  EXPECT_TRUE(TablaRegistrada(BuscarNombre("krk"), 1));
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(junta),
                          std::filesystem::directory_iterator()),
            5);  // four tables and the marks, no temporary file

  // Copies without marks: only knk is read.
  const std::string copia = DirectorioTemporal("copia");
  for (const char* n : TRES)
    for (int lado = 0; lado < 2; ++lado) {
      GuardarArchivo(tb::NombreArchivo(copia, n, lado, false),
                     LeerArchivo(tb::NombreArchivo(d.plano, n, lado, false)));
      GuardarArchivo(tb::NombreArchivo(copia, n, lado, true),
                     LeerArchivo(tb::NombreArchivo(d.comprimido, n, lado, true)));
    }
  Registrar(copia);
  const int krk = BuscarNombre("krk"), knk = BuscarNombre("knk");
  EXPECT_FALSE(TablaRegistrada(krk, 0));
  EXPECT_TRUE(TablaRegistrada(knk, 0));
  Registrar(d.plano);
  const auto esperados = TodosLosValores();
  ASSERT_EQ(Ejecutar(std::string(ZELMOR_TB_BIN) + " marcar " + copia, salida), 0) << salida;
  EXPECT_NE(salida.find("20 files marked, 0 refused"), std::string::npos) << salida;
  Registrar(copia);
  EXPECT_EQ(EGTB.MaxPiezasTB, 3);
  EXPECT_EQ(TodosLosValores(), esperados);
  // The compressed forms were checked and marked too: alone they are read.
  for (const char* n : TRES)
    for (int lado = 0; lado < 2; ++lado) std::remove(tb::NombreArchivo(copia, n, lado, false).c_str());
  Registrar(copia);
  EXPECT_EQ(TodosLosValores(), esperados);

  // Files of the right length that are not ours: kpk with Black to move in
  // another order of its entries, and krk with every entry a draw.
  auto kpk = LeerArchivo(tb::NombreArchivo(d.plano, "kpk", 1, false));
  ASSERT_EQ(kpk.size(), 84012u);
  for (size_t i = 0; i + 1 < kpk.size(); i += 2) std::swap(kpk[i], kpk[i + 1]);
  const std::string ajeno = DirectorioTemporal("ajeno");
  GuardarArchivo(tb::NombreArchivo(ajeno, "kpk", 1, false), kpk);
  GuardarArchivo(tb::NombreArchivo(ajeno, "krk", 0, false),
                 std::vector<uint8_t>(IndiceMaximoTabla(krk, 0), 0));
  GuardarArchivo(tb::NombreArchivo(ajeno, "kqk", 0, false),
                 LeerArchivo(tb::NombreArchivo(d.plano, "kqk", 0, false)));
  const int r = Ejecutar(std::string(ZELMOR_TB_BIN) + " marcar " + ajeno, salida);
  EXPECT_TRUE(WIFEXITED(r) && WEXITSTATUS(r) == 1) << salida;
  EXPECT_NE(salida.find(tb::NombreArchivo(ajeno, "kpk", 1, false) + ": not marked: "),
            std::string::npos)
      << salida;
  EXPECT_NE(salida.find(tb::NombreArchivo(ajeno, "krk", 0, false) + ": not marked: "),
            std::string::npos)
      << salida;
  EXPECT_NE(salida.find("marked " + tb::NombreArchivo(ajeno, "kqk", 0, false)), std::string::npos)
      << salida;
  Registrar(ajeno);
  EXPECT_FALSE(TablaRegistrada(BuscarNombre("kpk"), 1));
  EXPECT_FALSE(TablaRegistrada(krk, 0));
  EXPECT_TRUE(TablaRegistrada(BuscarNombre("kqk"), 0));

  // A marked table replaced by a foreign file of its length: marcar drops the
  // mark; so it does for a file that is gone.
  GuardarArchivo(tb::NombreArchivo(junta, "kqk", 0, false), std::vector<uint8_t>(
                     LeerArchivo(tb::NombreArchivo(junta, "kqk", 0, false)).size(), 0));
  std::remove(tb::NombreArchivo(junta, "krk", 1, false).c_str());
  Ejecutar(std::string(ZELMOR_TB_BIN) + " marcar " + junta, salida);
  EXPECT_EQ(LeerMarcas(junta).size(), 2u) << salida;
  EXPECT_EQ(BuscarMarca(LeerMarcas(junta), "kqk.nbw"), nullptr);
  EXPECT_EQ(BuscarMarca(LeerMarcas(junta), "krk.nbb"), nullptr);
  EXPECT_NE(BuscarMarca(LeerMarcas(junta), "krk.nbw"), nullptr);
  // Nothing usable to mark, or a directory that cannot be read: no crash.
  EXPECT_NE(Ejecutar(std::string(ZELMOR_TB_BIN) + " marcar", salida), 0);
  EXPECT_NE(salida.find("usage:"), std::string::npos) << salida;
  for (const std::string* x : {&junta, &copia, &ajeno}) std::filesystem::remove_all(*x);
  // The tests that follow (searches among them) must not probe these.
  EGTB.MaxPiezasTB = 0;
  LiberarTablas();
}

// The engine compares only the ends of a file with its mark at start-up;
// verificar compares the whole file, and finds a change in its middle.
TEST(ArchivosTablas, VerificarComparesTheWholeFileWithItsMark) {
  const auto& d = Tablas();
  const std::string dir = DirectorioTemporal("medio");
  for (int lado = 0; lado < 2; ++lado)
    GuardarArchivo(tb::NombreArchivo(dir, "kqk", lado, false),
                   LeerArchivo(tb::NombreArchivo(d.plano, "kqk", lado, false)));
  testing::internal::CaptureStdout();
  ASSERT_EQ(tb::Marcar(dir.c_str()), 0);
  testing::internal::GetCapturedStdout();
  auto bytes = LeerArchivo(tb::NombreArchivo(dir, "kqk", 0, false));
  ASSERT_GT(bytes.size(), 2 * EXTREMO_MARCA + 100);
  const size_t medio = bytes.size() / 2;
  bytes[medio] = bytes[medio] == 127 ? 0 : 127;
  GuardarArchivo(tb::NombreArchivo(dir, "kqk", 0, false), bytes);
  Registrar(dir);
  EXPECT_TRUE(TablaRegistrada(BuscarNombre("kqk"), 0));  // the ends still match
  testing::internal::CaptureStdout();
  EXPECT_EQ(tb::Verificar(dir.c_str(), {"kqk"}), 1);
  const std::string informe = testing::internal::GetCapturedStdout();
  EXPECT_NE(informe.find("kqk side 0: BAD: " + tb::NombreArchivo(dir, "kqk", 0, false) +
                         " differs from its mark"),
            std::string::npos)
      << informe;
  std::filesystem::remove_all(dir);
  // A table with a wrong entry must not reach the tests that follow.
  EGTB.MaxPiezasTB = 0;
  LiberarTablas();
}

// The generator names every combination of up to five men as the registry does.
TEST(ArchivosTablas, GeneratorNamesAreTheRegistryNames) {
  for (const auto& n : tb::Combinaciones(5)) EXPECT_GT(BuscarNombre(n.c_str()), 0) << n;
}

}  // namespace
