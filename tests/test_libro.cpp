// The books in memory and on disk: key order, binary search, loading (odd,
// truncated, unsorted, over-long files, reloading) and atomic saving.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <random>
#include <vector>

#include "tests/libro_test_util.h"
#include "tests/test_driver_proceso.h"

using namespace libro_prueba;

namespace {

uint64_t Clave(const EntradaLibro& e) { return uint64_t{e.ClaveAlta} << 32 | e.ClaveBaja; }

// n records with distinct random keys (fixed seed), in random order.
std::vector<EntradaLibro> Aleatorios(size_t n, uint32_t semilla) {
  std::mt19937_64 g(semilla);
  std::vector<uint64_t> claves(n);
  for (auto& c : claves) c = g();
  std::sort(claves.begin(), claves.end());
  claves.erase(std::unique(claves.begin(), claves.end()), claves.end());
  std::shuffle(claves.begin(), claves.end(), g);
  std::vector<EntradaLibro> v;
  for (uint64_t c : claves) v.push_back(Registro(c, MARCA_LIBRO, static_cast<int16_t>(c & 0xFF)));
  return v;
}

}  // namespace

TEST(Libro, RecordLayoutIsTheFileLayout) {
  const EntradaLibro e = Registro(0x0102030405060708ull, 5, -2, 300, 7, 12);
  const std::string b = Bytes(&e, 1);
  const unsigned char esperado[16] = {0x08, 0x07, 0x06, 0x05, 0x04, 0x03, 0x02, 0x01,
                                      5,    7,    0x2C, 0x01, 12,   0,    0xFE, 0xFF};
  EXPECT_EQ(b, std::string(reinterpret_cast<const char*>(esperado), 16));
}

TEST(Libro, SortAndBinarySearchAgreeOnRandomKeys) {
  LibrosVacios();
  std::vector<EntradaLibro> v = Aleatorios(100000, 7);
  std::copy(v.begin(), v.end(), Libros.LibroBlancas);
  Libros.NumLibroBlancas = static_cast<uint32_t>(v.size());
  OrdenarLibro(Libros.LibroBlancas, Libros.NumLibroBlancas, false);
  ASSERT_TRUE(LibroOrdenado(Libros.LibroBlancas, Libros.NumLibroBlancas));
  for (const EntradaLibro& e : v) {
    const EntradaLibro* r = BuscarLibro(Libros.LibroBlancas, Libros.NumLibroBlancas, e.ClaveBaja, e.ClaveAlta);
    ASSERT_NE(r, nullptr);
    ASSERT_EQ(Clave(*r), Clave(e));
    ASSERT_EQ(r->Peso, e.Peso);
  }
  // Keys that are not there, including both ends of the key range.
  std::vector<uint64_t> claves;
  for (const EntradaLibro& e : v) claves.push_back(Clave(e));
  std::sort(claves.begin(), claves.end());
  std::mt19937_64 g(99);
  for (int i = 0; i < 100000; ++i) {
    const uint64_t c = i == 0 ? 0 : i == 1 ? ~0ull : g();
    EXPECT_EQ(BuscarLibro(Libros.LibroBlancas, Libros.NumLibroBlancas, static_cast<uint32_t>(c),
                          static_cast<uint32_t>(c >> 32)) != nullptr,
              std::binary_search(claves.begin(), claves.end(), c));
  }
  // The high word decides first, as unsigned numbers.
  EntradaLibro dos[2] = {Registro(0x00000001FFFFFFFFull, 1, 0),
                         Registro(0x8000000000000000ull, 1, 0)};
  std::swap(dos[0], dos[1]);
  OrdenarLibro(dos, 2, false);
  EXPECT_EQ(dos[0].ClaveAlta, 1u);
}

TEST(Libro, SortCopesWithAdverseOrders) {
  // All keys equal, already sorted, reversed, and few distinct keys: each must
  // finish quickly (a naive quicksort takes quadratic time on the first).
  std::vector<EntradaLibro> v(CAPACIDAD_LIBRO, Registro(42, 1, 0));
  OrdenarLibro(v.data(), CAPACIDAD_LIBRO, false);
  for (uint32_t i = 0; i < CAPACIDAD_LIBRO; ++i) v[i] = Registro(CAPACIDAD_LIBRO - i, 1, 0);
  OrdenarLibro(v.data(), CAPACIDAD_LIBRO, false);
  EXPECT_TRUE(LibroOrdenado(v.data(), CAPACIDAD_LIBRO));
  OrdenarLibro(v.data(), CAPACIDAD_LIBRO, false);
  EXPECT_TRUE(LibroOrdenado(v.data(), CAPACIDAD_LIBRO));
  for (uint32_t i = 0; i < CAPACIDAD_LIBRO; ++i) v[i] = Registro((i * 7919u) % 3, 1, 0);
  OrdenarLibro(v.data(), CAPACIDAD_LIBRO, false);
  EXPECT_TRUE(LibroOrdenado(v.data(), CAPACIDAD_LIBRO));
  // Progress dots: one per range of 10,001 or more, one more from the caller.
  testing::internal::CaptureStdout();
  OrdenarLibro(v.data(), 10001, true);
  const std::string puntos = testing::internal::GetCapturedStdout();
  EXPECT_EQ(puntos, ".");
  testing::internal::CaptureStdout();
  OrdenarLibro(v.data(), 500, true);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST(Libro, SaveAndLoadRoundTripByteForByte) {
  prueba::DirectorioTemporal dir;
  LibrosVacios();
  std::vector<EntradaLibro> v = Aleatorios(1234, 3);
  std::copy(v.begin(), v.end(), Libros.LibroBlancas);
  Libros.NumLibroBlancas = 1234;
  OrdenarLibro(Libros.LibroBlancas, Libros.NumLibroBlancas, false);
  Libros.LibroNegras[0] = Registro(5, MARCA_LIBRO | MARCA_AJUSTE, -30);
  Libros.NumLibroNegras = 1;
  const std::string b = dir.Fichero("b.libro"), n = dir.Fichero("n.libro");
  testing::internal::CaptureStdout();
  EXPECT_EQ(GuardarLibros(b.c_str(), n.c_str()), 1);
  EXPECT_EQ(
      testing::internal::GetCapturedStdout(),
      std::string(2, '.') + "\nTotal posiciones blancas: 1234\n\nTotal posiciones negras: 1\n");
  const std::string blancas = Bytes(Libros.LibroBlancas, Libros.NumLibroBlancas);
  EXPECT_EQ(LeerFichero(b), blancas);
  EXPECT_FALSE(dir.Existe("b.libro.tmp"));

  LibrosVacios();
  CargarLibros(b.c_str(), n.c_str());
  EXPECT_EQ(Libros.NumLibroBlancas, 1234u);
  EXPECT_EQ(Libros.NumLibroNegras, 1u);
  EXPECT_EQ(Bytes(Libros.LibroBlancas, Libros.NumLibroBlancas), blancas);
  EXPECT_EQ(Libros.LibroNegras[0].Peso, -30);
  EXPECT_EQ(LogCapturado(), "");  // a good file says nothing

  // Reloading ("CargarL") never doubles a book.
  CargarLibros(b.c_str(), n.c_str());
  EXPECT_EQ(Libros.NumLibroBlancas, 1234u);
  EXPECT_EQ(Bytes(Libros.LibroBlancas, Libros.NumLibroBlancas), blancas);
  // A missing file leaves the books alone, silently.
  LogCapturado().clear();
  CargarLibros(dir.Fichero("no.libro").c_str(), dir.Fichero("tampoco.libro").c_str());
  EXPECT_EQ(Libros.NumLibroBlancas, 1234u);
  EXPECT_EQ(LogCapturado(), "");
}

TEST(Libro, TruncatedOddUnsortedAndReloadedFiles) {
  prueba::DirectorioTemporal dir;
  const std::string ruta = dir.Fichero("b.libro");
  std::vector<EntradaLibro> v = Aleatorios(300, 11);  // random order
  // Truncated in the middle of the last record: the whole records are kept.
  EscribirFichero(ruta, Bytes(v.data(), v.size()).substr(0, 299 * 16 + 5));
  LibrosVacios();
  EXPECT_EQ(CargarFicheroLibro(ruta.c_str(), Libros.LibroBlancas, &Libros.NumLibroBlancas, "blancas"), 299u);
  EXPECT_NE(LogCapturado().find("5 bytes sobrantes"), std::string::npos) << LogCapturado();
  // Out of order on disk: sorted once after loading, and every record found.
  EXPECT_NE(LogCapturado().find("no est\xE1 ordenado; ordenando 299 posiciones"),
            std::string::npos);
  EXPECT_TRUE(LibroOrdenado(Libros.LibroBlancas, Libros.NumLibroBlancas));
  for (size_t i = 0; i < 299; ++i)
    EXPECT_NE(BuscarLibro(Libros.LibroBlancas, Libros.NumLibroBlancas, v[i].ClaveBaja, v[i].ClaveAlta), nullptr);

  // Reloading a file that holds the old records and new ones adds only the new.
  EscribirFichero(ruta, Bytes(v.data(), v.size()));
  LogCapturado().clear();
  EXPECT_EQ(CargarFicheroLibro(ruta.c_str(), Libros.LibroBlancas, &Libros.NumLibroBlancas, "blancas"), 1u);
  EXPECT_EQ(Libros.NumLibroBlancas, 300u);
  EXPECT_TRUE(LibroOrdenado(Libros.LibroBlancas, Libros.NumLibroBlancas));
  EXPECT_NE(LogCapturado().find("299 posiciones"), std::string::npos) << LogCapturado();

  // Shorter than one record, and a directory in place of a file: nothing read.
  EscribirFichero(ruta, "abc");
  LibrosVacios();
  EXPECT_EQ(CargarFicheroLibro(ruta.c_str(), Libros.LibroBlancas, &Libros.NumLibroBlancas, "blancas"), 0u);
  EXPECT_EQ(Libros.NumLibroBlancas, 0u);
  EXPECT_EQ(CargarFicheroLibro(dir.Ruta().c_str(), Libros.LibroBlancas, &Libros.NumLibroBlancas, "blancas"), 0u);
  EXPECT_EQ(Libros.NumLibroBlancas, 0u);
  // A device that never ends ("setoption name Book File White value /dev/zero"
  // found it hanging the engine): refused without a read. The alarm ends the
  // test instead of the suite's timeout if it ever reads again.
  LogCapturado().clear();
  alarm(60);
  EXPECT_EQ(CargarFicheroLibro("/dev/zero", Libros.LibroBlancas, &Libros.NumLibroBlancas, "blancas"), 0u);
  alarm(0);
  EXPECT_EQ(Libros.NumLibroBlancas, 0u);
  EXPECT_NE(LogCapturado().find("/dev/zero no es un fichero"), std::string::npos) << LogCapturado();
}

// What a read found decides whether the book may later be saved over its file:
// only a missing file or one read whole.
TEST(Libro, TheReadSaysWhetherTheFileWasReadWhole) {
  prueba::DirectorioTemporal dir;
  const std::string ruta = dir.Fichero("b.libro");
  std::vector<EntradaLibro> v = Aleatorios(20, 5);
  EscribirFichero(ruta, Bytes(v.data(), v.size()));
  LecturaLibro l;
  LibrosVacios();
  EXPECT_EQ(CargarFicheroLibro(ruta.c_str(), Libros.LibroBlancas, &Libros.NumLibroBlancas, "blancas", &l), 20u);
  EXPECT_TRUE(l.Existe && l.Completo);
  EXPECT_FALSE(l.NoRegular);
  // Missing: nothing to keep, no error.
  LibrosVacios();
  CargarFicheroLibro(dir.Fichero("no.libro").c_str(), Libros.LibroBlancas, &Libros.NumLibroBlancas, "blancas",
                     &l);
  EXPECT_FALSE(l.Existe);
  EXPECT_EQ(LogCapturado(), "");
  // A directory, a FIFO (whose open would wait for a writer) and a link that
  // loops: there, but not read.
  ASSERT_EQ(mkfifo(dir.Fichero("tubo").c_str(), 0644), 0);
  ASSERT_EQ(symlink("bucle", dir.Fichero("bucle").c_str()), 0);
  for (const std::string& r : {dir.Ruta(), dir.Fichero("tubo"), dir.Fichero("bucle")}) {
    SCOPED_TRACE(r);
    alarm(60);
    CargarFicheroLibro(r.c_str(), Libros.LibroBlancas, &Libros.NumLibroBlancas, "blancas", &l);
    alarm(0);
    EXPECT_TRUE(l.Existe);
    EXPECT_FALSE(l.Completo);
    EXPECT_EQ(Libros.NumLibroBlancas, 0u);
  }
  EXPECT_EQ(l.Error, ELOOP);
  EXPECT_NE(LogCapturado().find("no se pudo abrir"), std::string::npos) << LogCapturado();
}

TEST(Libro, NeverHoldsMoreThanItsCapacity) {
  prueba::DirectorioTemporal dir;
  const std::string ruta = dir.Fichero("grande.libro");
  std::vector<EntradaLibro> v(CAPACIDAD_LIBRO + 7);
  for (uint32_t i = 0; i < v.size(); ++i) v[i] = Registro(i + 1, MARCA_LIBRO, 1);
  EscribirFichero(ruta, Bytes(v.data(), v.size()));
  LibrosVacios();
  // (The sanitizer build catches any write past the array.)
  EXPECT_EQ(CargarFicheroLibro(ruta.c_str(), Libros.LibroBlancas, &Libros.NumLibroBlancas, "blancas"),
            CAPACIDAD_LIBRO);
  EXPECT_EQ(Libros.NumLibroBlancas, CAPACIDAD_LIBRO);
  EXPECT_NE(LogCapturado().find("7 posiciones"), std::string::npos) << LogCapturado();
  EXPECT_EQ(Libros.NumLibroNegras, 0u);
  // Not whole: the engine must never save this book over the file.
  LecturaLibro l;
  LibrosVacios();
  CargarFicheroLibro(ruta.c_str(), Libros.LibroBlancas, &Libros.NumLibroBlancas, "blancas", &l);
  EXPECT_TRUE(l.Existe);
  EXPECT_FALSE(l.Completo);
  EXPECT_EQ(l.Descartados, 7u);
  EXPECT_EQ(Libros.LibroBlancas[CAPACIDAD_LIBRO - 1].ClaveBaja, CAPACIDAD_LIBRO);
  LibrosVacios();
}

TEST(Libro, AFailedSaveKeepsTheOldFile) {
  prueba::DirectorioTemporal dir;
  LibrosVacios();
  Libros.LibroBlancas[0] = Registro(1, MARCA_LIBRO, 3);
  Libros.NumLibroBlancas = 1;
  const std::string b = dir.Fichero("b.libro");
  EscribirFichero(b, "old book contents");
  // The temporary file cannot be created (a directory stands in its place).
  ASSERT_EQ(mkdir((b + ".tmp").c_str(), 0755), 0);
  testing::internal::CaptureStdout();
  int error = 0;
  EXPECT_EQ(
      GuardarFicheroLibro(b.c_str(), Libros.LibroBlancas, 1, "\nTotal posiciones blancas: %d\n", &error),
      0);
  EXPECT_EQ(error, EISDIR);
  // Standard output says what it always says; the log says why nothing was saved.
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "\nTotal posiciones blancas: 1\n");
  EXPECT_EQ(LeerFichero(b), "old book contents");
  EXPECT_NE(LogCapturado().find("No se pudo guardar el libro"), std::string::npos);
  // A directory that does not exist.
  const std::string falta = dir.Fichero("no/existe/b.libro");
  testing::internal::CaptureStdout();
  EXPECT_EQ(GuardarLibros(falta.c_str(), falta.c_str()), 0);
  testing::internal::GetCapturedStdout();
  LibrosVacios();
}
