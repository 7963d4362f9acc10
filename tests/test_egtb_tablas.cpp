// Tablebase files at run time: registration from directory lists and name
// forms, files the engine cannot read, the entry mapping, the block cache
// under a tiny memory, and the probe from the board.
#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <string>

#include "egtb/egtb.h"
#include "egtb_test_util.h"
#include "posicion_test_util.h"

namespace {

using egtbtest::Bytes;
using egtbtest::DirTemporal;

// The cache every test starts from: plenty of slots.
alignas(16) uint8_t Memoria[64 * TAM_RANURA];

int Registrar(const std::string& rutas, std::string* salida = nullptr) {
  return egtbtest::Registrar(Memoria, rutas, salida);
}

// Mostly 0 to 4, now and then any byte: runs compress.
Bytes Contenido(uint32_t n, uint32_t semilla) {
  return egtbtest::Contenido(n, semilla,
                             [](std::mt19937& rng) { return rng() % 40 == 0 ? rng() : rng() % 5; });
}

// The value ValorTabla must give for a stored one-byte entry.
int32_t Mapeo(uint8_t byte) {
  const int e = static_cast<int8_t>(byte);
  if (e == 0) return 0;
  if (e == 127) return 32767;
  if (e == -127) return -32640;
  if (e == -128) return 32640;
  return e > 0 ? e + 32640 : e - 32640;
}

const int KRK = 4, KQK = 5, KNK = 2, KBK = 3, KPK = 1;

// Creates a file of the right length for the table without writing it (sparse).
void Vacio(const DirTemporal& d, const std::string& nombre, uint64_t largo) {
  const int fd = open(d.Fichero(nombre).c_str(), O_CREAT | O_WRONLY | O_TRUNC, 0644);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, static_cast<off_t>(largo)), 0);
  close(fd);
  d.Marcar(nombre);
}

TEST(TablasFinales, NoFilesMeansNoTablesAndNoValues) {
  DirTemporal d;
  EXPECT_EQ(Registrar(d.Ruta), 0);
  EXPECT_EQ(Registrar(""), 0);
  EXPECT_EQ(Registrar(";;,"), 0);
  Posicionar("8/8/8/4k3/8/8/8/R3K3 w - - 0 1");
  EXPECT_EQ(ProbarTablas(), SIN_TB);
  for (int j = 1; j < NUM_TABLAS; ++j) EXPECT_FALSE(TablaRegistrada(j, 0));
  EXPECT_EQ(ValorTabla(KRK, 0, 0), SIN_VALOR_TB);
}

TEST(TablasFinales, FourNameFormsAndThePieceLimit) {
  DirTemporal d;
  const Bytes krk = Contenido(IndiceMaximoTabla(KRK, 0), 1);
  d.Escribir("krk.nbw", krk);
  d.Escribir("kqk.nbb.emd", egtbtest::Comprimir(Contenido(IndiceMaximoTabla(KQK, 1), 2)));
  d.Escribir("knk_nbw.emd", egtbtest::Comprimir(Contenido(IndiceMaximoTabla(KNK, 0), 3)));
  d.Escribir("kbknbb.emd", egtbtest::Comprimir(Contenido(IndiceMaximoTabla(KBK, 1), 4)));
  d.Escribir("kpk.nbw.emd.extra", Bytes(10));  // not a form we look for
  std::string s;
  EXPECT_EQ(Registrar(d.Ruta, &s), 3);
  EXPECT_EQ(s, "");
  EXPECT_TRUE(TablaRegistrada(KRK, 0));
  EXPECT_FALSE(TablaRegistrada(KRK, 1));
  EXPECT_TRUE(TablaRegistrada(KQK, 1));
  EXPECT_TRUE(TablaRegistrada(KNK, 0));
  EXPECT_TRUE(TablaRegistrada(KBK, 1));
  EXPECT_FALSE(TablaRegistrada(KPK, 0));
  for (uint32_t i = 0; i < krk.size(); i += 97) ASSERT_EQ(ValorTabla(KRK, 0, i), Mapeo(krk[i]));

  // Four, five and six men: files of the right length are enough to register.
  Vacio(d, "kqkr.nbw", IndiceMaximoTabla(19, 0));
  EXPECT_EQ(Registrar(d.Ruta), 4);
  Vacio(d, "kqqqk.nbb", IndiceMaximoTabla(145, 1));
  EXPECT_EQ(Registrar(d.Ruta), 5);
  Vacio(d, "knnknn.nbw", IndiceMaximoTabla(146, 0));
  EXPECT_EQ(Registrar(d.Ruta), 6);
  EXPECT_TRUE(TablaRegistrada(146, 1));  // symmetric: the one file answers both
}

TEST(TablasFinales, DirectoryListsSeparatorsAndFirstFoundWins) {
  DirTemporal a, b;
  const Bytes uno = Contenido(IndiceMaximoTabla(KRK, 0), 5),
              dos = Contenido(IndiceMaximoTabla(KRK, 0), 6);
  a.Escribir("krk.nbw", uno);
  b.Escribir("krk.nbw", dos);
  b.Escribir("krk.nbb", dos);
  // A list from the settings may use backslashes as separators.
  std::string conBarras = a.Ruta;
  for (char& c : conBarras)
    if (c == '/') c = '\\';
  EXPECT_EQ(Registrar(conBarras + ";" + b.Ruta), 3);
  EXPECT_TRUE(TablaRegistrada(KRK, 1));
  for (uint32_t i = 0; i < 300; ++i) ASSERT_EQ(ValorTabla(KRK, 0, i), Mapeo(uno[i]));
  for (uint32_t i = 0; i < 300; ++i) ASSERT_EQ(ValorTabla(KRK, 1, i), Mapeo(dos[i]));
  EXPECT_EQ(Registrar(b.Ruta + "," + a.Ruta), 3);
  for (uint32_t i = 0; i < 300; ++i) ASSERT_EQ(ValorTabla(KRK, 0, i), Mapeo(dos[i]));
}

TEST(TablasFinales, UnreadableFilesAreReportedAndSkipped) {
  DirTemporal d;
  const Bytes krk = Contenido(IndiceMaximoTabla(KRK, 0), 7);
  d.Escribir("krk.nbw", Bytes(krk.begin(), krk.end() - 1));  // one entry short
  d.Escribir("kqk.nbw", Contenido(IndiceMaximoTabla(KQK, 0), 8));
  Bytes malo = egtbtest::Comprimir(Contenido(IndiceMaximoTabla(KNK, 0), 9));
  malo[5] = 1;  // the banner is no longer a line of text
  d.Escribir("knk.nbw.emd", malo);
  std::string s;
  EXPECT_EQ(Registrar(d.Ruta, &s), 3);  // kqk still counts
  EXPECT_EQ(s, "*** Unable to read " + d.Fichero("knk.nbw.emd") + " - read error\n*** " +
                   d.Fichero("krk.nbw") + " corrupted\n");
  EXPECT_FALSE(TablaRegistrada(KRK, 0));
  EXPECT_FALSE(TablaRegistrada(KNK, 0));
  EXPECT_TRUE(TablaRegistrada(KQK, 0));
}

TEST(ValorTabla, OneByteMappingAndTwoByteEntries) {
  DirTemporal d;
  Bytes krk(IndiceMaximoTabla(KRK, 0), 0);
  for (int i = 0; i < 256; ++i) krk[i] = static_cast<uint8_t>(i);
  d.Escribir("krk.nbw", krk);
  // A two-byte table: a sparse file of the full length with a few entries set.
  const int krnknn = BuscarNombre("krnknn");
  const uint64_t largo = 2 * uint64_t{IndiceMaximoTabla(krnknn, 0)};
  Vacio(d, "krnknn.nbw", largo);
  const int fd = open(d.Fichero("krnknn.nbw").c_str(), O_WRONLY);
  const uint8_t entradas[] = {0x7F, 0xFE, 0x80, 0x02, 0x00, 0x05, 0x7F, 0xFF};
  ASSERT_EQ(pwrite(fd, entradas, 8, 0), 8);
  ASSERT_EQ(pwrite(fd, entradas, 2, static_cast<off_t>(largo - 2)), 2);
  close(fd);
  d.Marcar("krnknn.nbw");
  EXPECT_EQ(Registrar(d.Ruta), 6);
  EXPECT_EQ(ValorTabla(KRK, 0, 0), 0);
  EXPECT_EQ(ValorTabla(KRK, 0, 1), 32641);
  EXPECT_EQ(ValorTabla(KRK, 0, 126), 32766);
  EXPECT_EQ(ValorTabla(KRK, 0, 127), 32767);
  EXPECT_EQ(ValorTabla(KRK, 0, 128), 32640);   // -128
  EXPECT_EQ(ValorTabla(KRK, 0, 129), -32640);  // -127
  EXPECT_EQ(ValorTabla(KRK, 0, 130), -32766);  // -126
  EXPECT_EQ(ValorTabla(KRK, 0, 255), -32641);  // -1
  for (int i = 0; i < 256; ++i) EXPECT_EQ(ValorTabla(KRK, 0, i), Mapeo(static_cast<uint8_t>(i)));
  EXPECT_EQ(ValorTabla(KRK, 0, IndiceMaximoTabla(KRK, 0)), SIN_VALOR_TB);  // past the end
  EXPECT_EQ(ValorTabla(krnknn, 0, 0), 32766);
  EXPECT_EQ(ValorTabla(krnknn, 0, 1), -32766);
  EXPECT_EQ(ValorTabla(krnknn, 0, 2), 5);
  EXPECT_EQ(ValorTabla(krnknn, 0, 3), SIN_VALOR_TB);
  EXPECT_EQ(ValorTabla(krnknn, 0, IndiceMaximoTabla(krnknn, 0) - 1), 32766);
  EXPECT_EQ(ValorTabla(krnknn, 1, 0), SIN_VALOR_TB);  // no file with Black to move
}

TEST(CacheTablas, TinyCachesAgreeWithDirectReads) {
  DirTemporal d;
  const int kqkr = 19;
  const Bytes w = Contenido(IndiceMaximoTabla(kqkr, 0), 11),
              b = Contenido(IndiceMaximoTabla(KRK, 1), 12);
  d.Escribir("kqkr.nbw", w);
  d.Escribir("krk.nbb.emd", egtbtest::Comprimir(b));
  ASSERT_EQ(Registrar(d.Ruta), 4);
  alignas(16) static uint8_t pequena[2 * TAM_RANURA + 100];
  EXPECT_EQ(FijarCache(pequena, 31), 0);
  for (uint32_t tam :
       {uint32_t{TAM_RANURA}, uint32_t{2 * TAM_RANURA + 100}, uint32_t{40 * TAM_RANURA}}) {
    ASSERT_EQ(FijarCache(tam > sizeof pequena ? Memoria : pequena, tam), 1);
    std::mt19937 rng(tam);
    for (int k = 0; k < 3000; ++k) {
      // Near blocks (same buckets 32 apart) and far ones, both tables.
      const uint32_t bloque = rng() % 3 == 0 ? (rng() % 4) * 32 : rng() % 214;
      const uint32_t i =
          std::min<uint32_t>(bloque * 8192 + rng() % 8192, IndiceMaximoTabla(kqkr, 0) - 1);
      ASSERT_EQ(ValorTabla(kqkr, 0, i), Mapeo(w[i])) << tam << " " << i;
      const uint32_t j = rng() % IndiceMaximoTabla(KRK, 1);
      ASSERT_EQ(ValorTabla(KRK, 1, j), Mapeo(b[j]));
    }
    EXPECT_TRUE(TablaRegistrada(kqkr, 0));
  }
  // Two slots: the least recently used block is the one that goes.
  ASSERT_EQ(FijarCache(pequena, 2 * TAM_RANURA), 1);
  int t[4], l[4], n[4];
  ValorTabla(kqkr, 0, 0);
  ValorTabla(kqkr, 0, 32 * 8192);  // same bucket as block 0
  ValorTabla(kqkr, 0, 5);          // block 0 again: now the most recent
  ASSERT_EQ(ContenidoCache(t, l, n, 4), 2);
  EXPECT_EQ(n[0], 0);
  EXPECT_EQ(n[1], 32);
  ValorTabla(KRK, 1, 8192 * 3);  // evicts block 32
  ASSERT_EQ(ContenidoCache(t, l, n, 4), 2);
  EXPECT_EQ(t[0], KRK);
  EXPECT_EQ(n[0], 3);
  EXPECT_EQ(n[1], 0);
  EXPECT_EQ(ValorTabla(kqkr, 0, 32 * 8192 + 1), Mapeo(w[32 * 8192 + 1]));
  ASSERT_EQ(ContenidoCache(t, l, n, 4), 2);
  EXPECT_EQ(n[0], 32);
  EXPECT_EQ(t[1], KRK);
  // An area too small for one block gives no values but keeps the tables.
  ASSERT_EQ(FijarCache(pequena, 100), 1);
  EXPECT_EQ(ValorTabla(kqkr, 0, 0), SIN_VALOR_TB);
  EXPECT_TRUE(TablaRegistrada(kqkr, 0));
  FijarCache(Memoria, sizeof Memoria);
}

int Avisos = 0;

TEST(CacheTablas, AFileThatVanishesIsDroppedAndLoggedOnce) {
  DirTemporal d;
  d.Escribir("krk.nbw", Contenido(IndiceMaximoTabla(KRK, 0), 13));
  ASSERT_EQ(Registrar(d.Ruta), 3);
  std::remove(d.Fichero("krk.nbw").c_str());
  Avisos = 0;
  auto* const previo = EGTB.LogTablas;
  EGTB.LogTablas = [](const char*) { ++Avisos; };
  EXPECT_EQ(ValorTabla(KRK, 0, 10), SIN_VALOR_TB);
  EXPECT_EQ(ValorTabla(KRK, 0, 10), SIN_VALOR_TB);
  EGTB.LogTablas = previo;
  EXPECT_EQ(Avisos, 1);
  EXPECT_FALSE(TablaRegistrada(KRK, 0));
}

// The stored entry a probe of the current position must read, computed the
// slow way from the board.
uint32_t IndiceEsperado(int tabla, int lado, bool invertir) {
  const int ep = EstadoActual->AlPaso;
  PosicionTB p{0, {}, ep == SIN_CASILLA ? 127 : Fila(ep) * 8 + Columna(ep)};
  for (int i = 0; i < 64; ++i) {
    const int c = Casilla0x88(i), pieza = Tablero[c];
    if (pieza == VACIO) continue;
    const int tb = Fila(c) * 8 + Columna(c);
    p.Hombres[p.Num++] = HombreTB{uint8_t((pieza > 0) == invertir), uint8_t(Abs(pieza)),
                                  uint8_t(invertir ? tb ^ 56 : tb)};
  }
  return IndiceDePosicion(tabla, lado, p);
}

TEST(ProbarTablas, ScoresFromTheBoardWithColoursReversed) {
  DirTemporal d;
  Bytes w(IndiceMaximoTabla(KRK, 0), 0), b(IndiceMaximoTabla(KRK, 1), 0);
  d.Escribir("krk.nbw", w);
  d.Escribir("krk.nbb", b);
  struct Caso {
    const char* fen;
    int lado;
    bool invertir;
    uint8_t guardado;
    int32_t puntos;
  } casos[] = {
      {"8/8/8/4k3/8/8/8/R3K3 w - - 0 1", 0, false, 126, 100000},
      {"8/8/8/4k3/8/8/8/R3K3 w - - 0 1", 0, false, 125, 99998},
      {"8/8/8/4k3/8/8/8/R3K3 b - - 0 1", 1, false, 0, 0},
      {"8/8/8/4k3/8/8/8/R3K3 b - - 0 1", 1, false, uint8_t(-126), -100000},
      {"8/8/8/4k3/8/8/8/R3K3 b - - 0 1", 1, false, 127, SIN_TB},
      // Black has the rook: the krk files, colours exchanged, board flipped.
      {"r3k3/8/8/8/3K4/8/8/8 w - - 0 1", 1, true, uint8_t(-125), -99998},
      {"r3k3/8/8/8/3K4/8/8/8 b - - 0 1", 0, true, 100, 99948},
      {"7k/8/8/8/8/8/1r6/K7 w - - 0 1", 1, true, uint8_t(-128 + 256), 2 * 32640 + 34468},
  };
  for (const Caso& c : casos) {
    Posicionar(c.fen);
    const uint32_t i = IndiceEsperado(KRK, c.lado, c.invertir);
    Bytes& f = c.lado == 0 ? w : b;
    std::fill(f.begin(), f.end(), 3);
    f[i] = c.guardado;
    d.Escribir(c.lado == 0 ? "krk.nbw" : "krk.nbb", f);
    ASSERT_EQ(Registrar(d.Ruta), 3);
    EXPECT_EQ(ProbarTablas(), c.puntos) << c.fen;
  }
  // Material without a registered side, and material outside the registry.
  Posicionar("8/8/4k3/8/8/8/8/Q3K3 w - - 0 1");
  EXPECT_EQ(ProbarTablas(), SIN_TB);
  Posicionar("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  EXPECT_EQ(ProbarTablas(), SIN_TB);
}

TEST(ProbarTablas, EnPassantAndSymmetricTables) {
  DirTemporal d;
  const int kpkp = 6, krkr = 15;
  Bytes w(IndiceMaximoTabla(kpkp, 0), 1), r(IndiceMaximoTabla(krkr, 0), 2);
  Posicionar("8/8/8/3pP3/8/8/8/K6k w - d6 0 2");
  const uint32_t ep = IndiceEsperado(kpkp, 0, false);
  Posicionar("8/8/8/3pP3/8/8/8/K6k w - - 0 2");
  const uint32_t sin = IndiceEsperado(kpkp, 0, false);
  ASSERT_NE(ep, sin);
  w[ep] = 120;
  w[sin] = 0;
  Posicionar("2r5/8/8/8/5k2/8/1R6/K7 b - - 0 1");
  const uint32_t s = IndiceEsperado(krkr, 1, false);
  r[s] = 110;
  d.Escribir("kpkp.nbw", w);
  d.Escribir("krkr.nbw", r);
  ASSERT_EQ(Registrar(d.Ruta), 4);
  EXPECT_TRUE(TablaRegistrada(krkr, 1));
  EXPECT_EQ(ProbarTablas(), 2 * (110 + 32640) + 34468);
  Posicionar("8/8/8/3pP3/8/8/8/K6k w - d6 0 2");
  EXPECT_EQ(ProbarTablas(), 2 * (120 + 32640) + 34468);
  Posicionar("8/8/8/3pP3/8/8/8/K6k w - - 0 2");
  EXPECT_EQ(ProbarTablas(), 0);
}

}  // namespace
