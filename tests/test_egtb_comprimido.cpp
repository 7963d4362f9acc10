// Compressed tablebase files: decoding hand-built files (codes with long
// codewords, matches, stored blocks, the two degenerate codes) and each way a
// damaged file is reported without stopping the engine.
#include <random>
#include <string>

#include "egtb/egtb.h"
#include "egtb_test_util.h"

namespace {

using egtbtest::Bytes;
using egtbtest::DirTemporal;

alignas(16) uint8_t Memoria[16 * TAM_RANURA];

std::string Registrar(const std::string& ruta, int* piezas = nullptr) {
  FijarCache(Memoria, sizeof Memoria);
  testing::internal::CaptureStdout();
  const int n = InicializarTablasFinales(ruta.c_str());
  if (piezas) *piezas = n;
  return testing::internal::GetCapturedStdout();
}

// Table-like contents: long runs, repeats at several distances, some noise.
Bytes Datos(size_t n, uint32_t semilla) {
  std::mt19937 rng(semilla);
  Bytes b(n);
  for (size_t i = 0; i < n; ++i) {
    const uint32_t r = rng() % 100;
    b[i] = r < 60 && i > 0     ? b[i - 1]
           : r < 80 && i >= 62 ? b[i - 62]
                               : static_cast<uint8_t>(rng() % 7);
  }
  return b;
}

// Decodes every block of a file through the header reader.
bool DecodificarTodo(const DirTemporal& d, const Bytes& f, Bytes& salida) {
  d.Escribir("x.emd", f);
  std::FILE* fp = std::fopen(d.Fichero("x.emd").c_str(), "rb");
  DecodificadorTabla* dec = nullptr;
  if (LeerCabecera(fp, &dec) != 0) {
    std::fclose(fp);
    return false;
  }
  salida.clear();
  bool ok = true;
  for (int n = 0; n < BloquesDecodificador(dec) && ok; ++n) {
    uint8_t bloque[BLOQUE_TABLA];
    const int largo = DecodificarBloque(fp, dec, n, bloque);
    ok = largo > 0;
    if (ok) salida.insert(salida.end(), bloque, bloque + largo);
  }
  LiberarDecodificador(dec);
  std::fclose(fp);
  return ok;
}

TEST(BloquesComprimidos, DecodeToTheBytesThatWereCompressed) {
  DirTemporal d;
  for (size_t n : {size_t{1}, size_t{100}, size_t{8192}, size_t{8193}, size_t{30000}}) {
    const Bytes datos = Datos(n, static_cast<uint32_t>(n));
    const Bytes f = egtbtest::Comprimir(datos);
    if (n > 8192) {
      EXPECT_LT(f.size(), n / 2);
    }
    Bytes salida;
    ASSERT_TRUE(DecodificarTodo(d, f, salida)) << n;
    EXPECT_EQ(salida, datos) << n;
  }
  // Stored blocks (compressed length equal to the block) are copied as they are.
  egtbtest::OpcionesCompresion guardar;
  guardar.Guardar = true;
  const Bytes datos = Datos(20000, 3);
  Bytes salida;
  ASSERT_TRUE(DecodificarTodo(d, egtbtest::Comprimir(datos, guardar), salida));
  EXPECT_EQ(salida, datos);
  // An empty code is valid as long as no block needs it.
  egtbtest::OpcionesCompresion vacio;
  vacio.SinCodigo = true;
  ASSERT_TRUE(DecodificarTodo(d, egtbtest::Comprimir(datos, vacio), salida));
  EXPECT_EQ(salida, datos);
}

TEST(BloquesComprimidos, CodeLengthsInEveryForm) {
  // The long codes of rare symbols need the overflow trees; runs longer than
  // 33 need the extra bits of the run code.
  std::vector<uint64_t> frec(1024, 1);
  for (int s = 0; s < 20; ++s) frec[s] = uint64_t{1} << (20 - s);
  const std::vector<int> l = egtbtest::Longitudes(frec);
  EXPECT_GT(*std::max_element(l.begin(), l.end()), 13);
  egtbtest::EscritorBits w;
  egtbtest::PonerLargas(w, l);
  // The same lengths read back decode a stream of every symbol.
  const std::vector<uint32_t> c = egtbtest::Canonicos(l);
  EXPECT_EQ(c[0], 0u);
  DirTemporal d;
  Bytes datos(8192);
  for (size_t i = 0; i < datos.size(); ++i) datos[i] = static_cast<uint8_t>(i * 7 % 251);
  Bytes salida;
  ASSERT_TRUE(DecodificarTodo(d, egtbtest::Comprimir(datos), salida));
  EXPECT_EQ(salida, datos);
}

// A file of one block of zeros coded with the single one-bit code.
Bytes UnSoloCodigo(int largo, int bloque) {
  egtbtest::EscritorBits w;
  w.Poner(static_cast<uint64_t>(bloque & 8191), 13);  // compressed length
  w.Poner(8192 & 8191, 13);                           // last block: full
  for (int i = 0; i < 24; ++i) w.Poner(1, 13);
  w.Alinear();
  std::vector<int> l(1024, 0);
  l[0] = largo;
  egtbtest::PonerLargas(w, l);
  Bytes f(88 + w.Datos.size(), 0);
  std::copy(BANNER_ZELMOR.begin(), BANNER_ZELMOR.end(), f.begin());
  f[70] = 13, f[71] = 24, f[75] = 1, f[76] = 0, f[77] = 64, f[78] = 1, f[79] = 0xF5;
  std::copy(w.Datos.begin(), w.Datos.end(), f.begin() + 88);
  const size_t h = f.size() + 4;
  egtbtest::PonerBe32(f, 64, static_cast<uint32_t>(h));
  f.resize(h);
  egtbtest::RehacerCrc(f);
  f.resize(h + static_cast<size_t>(bloque), 0);
  return f;
}

TEST(BloquesComprimidos, SingleOneBitCodeAndExactEnd) {
  DirTemporal d;
  Bytes salida;
  ASSERT_TRUE(DecodificarTodo(d, UnSoloCodigo(1, 1024), salida));
  EXPECT_EQ(salida, Bytes(8192, 0));
  // One bit short of the block, or a single code of two bits.
  EXPECT_FALSE(DecodificarTodo(d, UnSoloCodigo(1, 1023), salida));
  d.Escribir("y.emd", UnSoloCodigo(2, 1024));
  std::FILE* fp = std::fopen(d.Fichero("y.emd").c_str(), "rb");
  DecodificadorTabla* dec = nullptr;
  EXPECT_EQ(LeerCabecera(fp, &dec), RESULTADO_ROTO);
  std::fclose(fp);
}

TEST(BloquesComprimidos, OverlappingMatchesAndOverrun) {
  // A run of one byte is a literal and a match at distance 1 copying itself.
  DirTemporal d;
  Bytes datos(8192, 9);
  datos[0] = 4;
  Bytes f = egtbtest::Comprimir(datos), salida;
  ASSERT_TRUE(DecodificarTodo(d, f, salida));
  EXPECT_EQ(salida, datos);
  // Declared one byte shorter: the last match runs past the end.
  egtbtest::OpcionesCompresion o;
  Bytes corto(100, 9);
  f = egtbtest::Comprimir(corto, o);
  ASSERT_TRUE(DecodificarTodo(d, f, salida));
  // The last block's size sits in bits 13..25 of the stream after the record.
  const size_t base = 88;
  auto campo = [&](int v) {
    Bytes g = f;
    for (int b = 0; b < 13; ++b) {
      const size_t bit = 13 + static_cast<size_t>(b);
      uint8_t& byte = g[base + bit / 8];
      const int m = 0x80 >> (bit % 8);
      byte = static_cast<uint8_t>((v >> (12 - b)) & 1 ? byte | m : byte & ~m);
    }
    egtbtest::RehacerCrc(g);
    return g;
  };
  EXPECT_FALSE(DecodificarTodo(d, campo(99), salida));   // overruns
  EXPECT_FALSE(DecodificarTodo(d, campo(101), salida));  // ends short
  ASSERT_TRUE(DecodificarTodo(d, campo(100), salida));
}

// Registers one damaged krk file and returns what was printed.
std::string Damnificado(const DirTemporal& d, Bytes f) {
  std::remove(d.Fichero("krk.nbw.emd").c_str());
  d.Escribir("krk.nbw.emd", f);
  return Registrar(d.Ruta);
}

TEST(BloquesComprimidos, DamagedFilesAreReportedAndLeftOut) {
  DirTemporal d;
  const int krk = 4;
  const Bytes datos = Datos(IndiceMaximoTabla(krk, 0), 21);
  const Bytes bueno = egtbtest::Comprimir(datos);
  const std::string nombre = d.Fichero("krk.nbw.emd");
  EXPECT_EQ(Damnificado(d, bueno), "");
  ASSERT_TRUE(TablaRegistrada(krk, 0));
  for (uint32_t i = 0; i < datos.size(); ++i) {
    const int e = static_cast<int8_t>(datos[i]);
    ASSERT_EQ(ValorTabla(krk, 0, i), e == 0 ? 0 : e + 32640) << i;
  }

  Bytes f = bueno;
  f[63] = 1;  // banner
  EXPECT_EQ(Damnificado(d, f), "*** Unable to read " + nombre + " - read error\n");
  EXPECT_FALSE(TablaRegistrada(krk, 0));
  EXPECT_EQ(Damnificado(d, Bytes(bueno.begin(), bueno.begin() + 70)),
            "*** Unable to read " + nombre + " - read error\n");
  f = bueno;
  f[100] ^= 0x10;  // inside the checked header
  EXPECT_EQ(Damnificado(d, f), "*** Unable to read " + nombre + " - file broken\n");
  for (size_t campo : {size_t{71}, size_t{76}, size_t{77}, size_t{78}, size_t{79}}) {
    f = bueno;
    f[campo] ^= 2;
    egtbtest::RehacerCrc(f);
    EXPECT_EQ(Damnificado(d, f), "*** Unable to read " + nombre + " - file broken\n") << campo;
  }
  f = bueno;
  f[70] = 17;
  EXPECT_EQ(Damnificado(d, f), "*** Unable to read " + nombre + " - file broken\n");
  // The code lengths no longer fill the code space.
  egtbtest::OpcionesCompresion incompleto;
  incompleto.Guardar = true;
  incompleto.Largos.assign(1024, 11);  // half the code space
  EXPECT_EQ(Damnificado(d, egtbtest::Comprimir(datos, incompleto)),
            "*** Unable to read " + nombre + " - file broken\n");
  incompleto.Largos.assign(1024, 9);  // twice the code space
  EXPECT_EQ(Damnificado(d, egtbtest::Comprimir(datos, incompleto)),
            "*** Unable to read " + nombre + " - file broken\n");
  // Another block size.
  egtbtest::OpcionesCompresion doce;
  doce.B = 12;
  EXPECT_EQ(Damnificado(d, egtbtest::Comprimir(datos, doce)),
            "*** " + nombre + ": Unsupported block size 4096\n");
  // Entries of another count, or blocks cut off.
  EXPECT_EQ(Damnificado(d, egtbtest::Comprimir(Bytes(datos.begin(), datos.end() - 1))),
            "*** " + nombre + " corrupted\n");
  EXPECT_EQ(Damnificado(d, Bytes(bueno.begin(), bueno.end() - 1)),
            "*** " + nombre + " corrupted\n");
  EXPECT_FALSE(TablaRegistrada(krk, 0));

  // A damaged block is found only when read: that side goes, once, and the
  // others stay.
  f = bueno;
  for (size_t i = f.size() - 300; i < f.size(); ++i) f[i] = static_cast<uint8_t>(i * 13);
  EXPECT_EQ(Damnificado(d, f), "");
  ASSERT_TRUE(TablaRegistrada(krk, 0));
  EXPECT_EQ(ValorTabla(krk, 0, 0), datos[0] == 0 ? 0 : static_cast<int8_t>(datos[0]) + 32640);
  EXPECT_EQ(ValorTabla(krk, 0, static_cast<uint32_t>(datos.size() - 1)), SIN_VALOR_TB);
  EXPECT_FALSE(TablaRegistrada(krk, 0));
  EXPECT_EQ(ValorTabla(krk, 0, 0), SIN_VALOR_TB);
}

TEST(BloquesComprimidos, BannersAndCrc) {
  EXPECT_TRUE(BannerValido(BANNER_ZELMOR.data()));
  uint8_t b[64];
  std::copy(BANNER_ZELMOR.begin(), BANNER_ZELMOR.end(), b);
  b[10] = 0x7F;
  EXPECT_FALSE(BannerValido(b));
  std::copy(BANNER_ZELMOR.begin(), BANNER_ZELMOR.end(), b);
  b[59] = ' ';
  EXPECT_FALSE(BannerValido(b));
  const uint8_t texto[] = "123456789";
  EXPECT_EQ(Crc32(texto, 9), 0xCBF43926u);  // the check value of this CRC
}

}  // namespace
