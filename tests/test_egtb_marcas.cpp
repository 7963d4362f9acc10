// The marks of a tablebase directory: files another program could have left
// there (the right length, another layout) are refused unless the directory's
// marks list them as they are; knk, whose layout is shared, needs none; the
// mark file itself is read defensively; and nothing named like a table or a
// mark file can make registration wait on it.
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <random>
#include <string>

#include "egtb/egtb.h"
#include "egtb/marcas.h"
#include "egtb_test_util.h"

namespace {

using egtbtest::Bytes;
using egtbtest::DirTemporal;

alignas(16) uint8_t Memoria[16 * TAM_RANURA];

int Registrar(const std::string& rutas, std::string* salida = nullptr) {
  return egtbtest::Registrar(Memoria, rutas, salida);
}

Bytes Contenido(uint32_t n, uint32_t semilla) {
  return egtbtest::Contenido(n, semilla, [](std::mt19937& rng) { return rng() % 5; });
}

const int KPK = 1, KNK = 2, KRK = 4, KQK = 5;

void EscribirTexto(const std::string& ruta, const std::string& texto) {
  std::FILE* f = std::fopen(ruta.c_str(), "wb");
  ASSERT_NE(f, nullptr);
  std::fwrite(texto.data(), 1, texto.size(), f);
  std::fclose(f);
}

// A file of the right length that nothing marked, plain or compressed, is
// refused with the message of a corrupted file; marked, the same bytes are read.
TEST(MarcasTablas, AFileOfTheRightLengthWithoutAMarkIsRefused) {
  DirTemporal d;
  const Bytes kpk = Contenido(IndiceMaximoTabla(KPK, 1), 1);
  ASSERT_EQ(kpk.size(), 84012u);  // the length a kpk.nbb of another layout has too
  d.EscribirSinMarca("kpk.nbb", kpk);
  d.EscribirSinMarca("kqk.nbw.emd", egtbtest::Comprimir(Contenido(IndiceMaximoTabla(KQK, 0), 2)));
  std::string s;
  EXPECT_EQ(Registrar(d.Ruta, &s), 0);
  EXPECT_EQ(s, "*** " + d.Fichero("kpk.nbb") + " corrupted\n*** " + d.Fichero("kqk.nbw.emd") +
                   " corrupted\n");
  EXPECT_FALSE(TablaRegistrada(KPK, 1));
  EXPECT_FALSE(TablaRegistrada(KQK, 0));
  EXPECT_EQ(ValorTabla(KPK, 1, 100), SIN_VALOR_TB);

  // A mark file of another directory's files does not cover these.
  DirTemporal otro;
  otro.Escribir("krk.nbw", Contenido(IndiceMaximoTabla(KRK, 0), 3));
  EXPECT_EQ(Registrar(d.Ruta + ";" + otro.Ruta, &s), 3);
  EXPECT_FALSE(TablaRegistrada(KPK, 1));
  EXPECT_TRUE(TablaRegistrada(KRK, 0));

  d.Escribir("kpk.nbb", kpk);
  EXPECT_EQ(Registrar(d.Ruta, &s), 3);
  EXPECT_EQ(s, "*** " + d.Fichero("kqk.nbw.emd") + " corrupted\n");
  ASSERT_TRUE(TablaRegistrada(KPK, 1));
  EXPECT_EQ(ValorTabla(KPK, 1, 100), kpk[100] == 0 ? 0 : kpk[100] + 32640);
}

// A marked file whose length or ends no longer match its mark is refused; a
// mark of the same length and ends under another name does not count either.
TEST(MarcasTablas, AMarkedFileThatChangedIsRefused) {
  DirTemporal d;
  const uint32_t n = IndiceMaximoTabla(KRK, 0);
  ASSERT_GT(n, 3 * EXTREMO_MARCA);
  const Bytes bueno = Contenido(n, 4);
  const std::string ruta = d.Fichero("krk.nbw");
  const std::string refusado = "*** " + ruta + " corrupted\n";
  std::string s;
  struct Cambio {
    const char* que;
    size_t en;
  } cambios[] = {{"first byte", 0}, {"end of the first part", EXTREMO_MARCA - 1},
                 {"last byte", n - 1}, {"start of the last part", n - EXTREMO_MARCA}};
  for (const Cambio& c : cambios) {
    d.Escribir("krk.nbw", bueno);
    ASSERT_EQ(Registrar(d.Ruta, &s), 3) << s;
    Bytes x = bueno;
    x[c.en] ^= 0x40;
    d.EscribirSinMarca("krk.nbw", x);
    EXPECT_EQ(Registrar(d.Ruta, &s), 0) << c.que;
    EXPECT_EQ(s, refusado) << c.que;
  }
  // The mark lists another length (the file was regenerated longer, then cut).
  d.Escribir("krk.nbw", bueno);
  MarcaTabla m = MarcaDeBytes("krk.nbw", bueno.data(), bueno.size());
  m.Longitud += 1;
  std::string error;
  ASSERT_TRUE(ActualizarMarcas(d.Ruta, {m}, {}, error)) << error;
  EXPECT_EQ(Registrar(d.Ruta, &s), 0);
  EXPECT_EQ(s, refusado);
  // The right mark under the compressed name only.
  m = MarcaDeBytes("krk.nbw.emd", bueno.data(), bueno.size());
  ASSERT_TRUE(ActualizarMarcas(d.Ruta, {m}, {"krk.nbw"}, error)) << error;
  EXPECT_EQ(Registrar(d.Ruta, &s), 0);
  EXPECT_EQ(s, refusado);
  // A change between the two ends is not looked for at registration: it is
  // the whole-file sum's, which zelmor-tb verificar compares.
  d.Escribir("krk.nbw", bueno);
  Bytes medio = bueno;
  medio[n / 2] ^= 1;
  d.EscribirSinMarca("krk.nbw", medio);
  EXPECT_EQ(Registrar(d.Ruta, &s), 3) << s;
  MarcaTabla real;
  ASSERT_TRUE(MarcaDeFichero(ruta, "krk.nbw", real));
  const std::vector<MarcaTabla> marcas = LeerMarcas(d.Ruta);
  const MarcaTabla* marca = BuscarMarca(marcas, "krk.nbw");
  ASSERT_NE(marca, nullptr);
  EXPECT_EQ(real.Extremos, marca->Extremos);
  EXPECT_NE(real.Suma, marca->Suma);
}

// knk's files keep the layout other programs' knk files have: they are read
// without a mark, in every name form; other tables beside them still need one.
TEST(MarcasTablas, KnkIsReadWithoutAMark) {
  DirTemporal d;
  const Bytes w = Contenido(IndiceMaximoTabla(KNK, 0), 5);
  d.EscribirSinMarca("knk.nbw", w);
  d.EscribirSinMarca("knk_nbb.emd", egtbtest::Comprimir(Contenido(IndiceMaximoTabla(KNK, 1), 6)));
  d.EscribirSinMarca("krk.nbw", Contenido(IndiceMaximoTabla(KRK, 0), 7));
  std::string s;
  EXPECT_EQ(Registrar(d.Ruta, &s), 3);
  EXPECT_EQ(s, "*** " + d.Fichero("krk.nbw") + " corrupted\n");
  EXPECT_TRUE(TablaRegistrada(KNK, 0));
  EXPECT_TRUE(TablaRegistrada(KNK, 1));
  EXPECT_FALSE(TablaRegistrada(KRK, 0));
  for (uint32_t i = 0; i < w.size(); i += 101)
    ASSERT_EQ(ValorTabla(KNK, 0, i), w[i] == 0 ? 0 : w[i] + 32640) << i;
  // Still checked for what any file must be.
  d.EscribirSinMarca("knk.nbw", Bytes(w.begin(), w.end() - 1));
  EXPECT_EQ(Registrar(d.Ruta, &s), 3);
  EXPECT_FALSE(TablaRegistrada(KNK, 0));
}

// Mark files that are not ours or not well formed give no marks (or only
// their good lines), never a crash; the merge keeps every other entry, sorts
// them and leaves no temporary file behind.
TEST(MarcasTablas, MarkFilesAreReadDefensivelyAndMerged) {
  DirTemporal d;
  const Bytes krk = Contenido(IndiceMaximoTabla(KRK, 0), 8);
  const Bytes kqk = Contenido(IndiceMaximoTabla(KQK, 0), 9);
  d.EscribirSinMarca("krk.nbw", krk);
  d.EscribirSinMarca("kqk.nbw", kqk);
  const MarcaTabla a = MarcaDeBytes("krk.nbw", krk.data(), krk.size());
  const MarcaTabla b = MarcaDeBytes("kqk.nbw", kqk.data(), kqk.size());
  char linea[200];
  std::snprintf(linea, sizeof linea, "krk.nbw %llu %016llx %016llx\n",
                static_cast<unsigned long long>(a.Longitud), static_cast<unsigned long long>(a.Suma),
                static_cast<unsigned long long>(a.Extremos));
  const std::string buena = linea;
  const std::string marcas = d.Fichero(NOMBRE_MARCAS);
  struct Caso {
    const char* que;
    std::string texto;
    bool krkLeido;
  } casos[] = {
      {"empty", "", false},
      {"another header", "zelmor-tb marks 2\n" + buena, false},
      {"no header", buena, false},
      {"header without its line end", std::string(CABECERA_MARCAS), false},
      {"good line", std::string(CABECERA_MARCAS) + "\n" + buena, true},
      {"line without its end", std::string(CABECERA_MARCAS) + "\n" + buena.substr(0, buena.size() - 1),
       false},
      {"garbage around", std::string(CABECERA_MARCAS) + "\n" + std::string(5000, 'x') + "\n\n \n" +
                             "krk.nbw 1 2 3\nkrk.nbw -5 0 0\n../krk.nbw 1 0000000000000000 0000000000000000\n" +
                             buena + "krk.nbw 99999999999999999999999 0 0\n\x01\xff\n",
       true},
      {"upper-case digits", std::string(CABECERA_MARCAS) + "\n" + [&] {
         std::string x = buena;
         for (char& c : x)
           if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 32);
         return x;
       }(),
       false},
      {"NUL inside", std::string(CABECERA_MARCAS) + "\n" + std::string("krk.nbw\0 1", 10) + "\n", false},
  };
  for (const Caso& c : casos) {
    EscribirTexto(marcas, c.texto);
    std::string s;
    Registrar(d.Ruta, &s);
    EXPECT_EQ(TablaRegistrada(KRK, 0), c.krkLeido) << c.que << ": " << s;
    EXPECT_FALSE(TablaRegistrada(KQK, 0)) << c.que;
  }
  // Larger than any directory's marks could be: not read at all.
  std::string grande = std::string(CABECERA_MARCAS) + "\n" + buena;
  while (grande.size() <= MAX_FICHERO_MARCAS) grande += "# " + std::string(100, '-') + "\n";
  EscribirTexto(marcas, grande);
  Registrar(d.Ruta);
  EXPECT_FALSE(TablaRegistrada(KRK, 0));

  // Merging: a new entry joins, one of the same name replaces, one named goes.
  EscribirTexto(marcas, std::string(CABECERA_MARCAS) + "\n" + buena);
  std::string error;
  MarcaTabla c = b;
  c.Nombre = "kbk.nbw";
  ASSERT_TRUE(ActualizarMarcas(d.Ruta, {b, c}, {}, error)) << error;
  std::vector<MarcaTabla> leidas = LeerMarcas(d.Ruta);
  ASSERT_EQ(leidas.size(), 3u);
  EXPECT_EQ(leidas[0].Nombre, "kbk.nbw");
  EXPECT_EQ(leidas[1].Nombre, "kqk.nbw");
  EXPECT_EQ(leidas[2].Nombre, "krk.nbw");
  EXPECT_EQ(leidas[2].Suma, a.Suma);
  EXPECT_EQ(Registrar(d.Ruta), 3);
  EXPECT_TRUE(TablaRegistrada(KRK, 0));
  EXPECT_TRUE(TablaRegistrada(KQK, 0));
  MarcaTabla otra = a;
  otra.Longitud = 7;
  ASSERT_TRUE(ActualizarMarcas(d.Ruta, {otra}, {"kbk.nbw"}, error)) << error;
  leidas = LeerMarcas(d.Ruta);
  ASSERT_EQ(leidas.size(), 2u);
  EXPECT_EQ(leidas[1].Longitud, 7u);
  EXPECT_FALSE(ActualizarMarcas(d.Ruta, {MarcaTabla{"a/b", 1, 2, 3}}, {}, error));
  EXPECT_EQ(LeerMarcas(d.Ruta).size(), 2u);  // a refused merge writes nothing
  // A directory that cannot be written: the marks stay as they were.
  EXPECT_FALSE(ActualizarMarcas(d.Ruta + "/none", {a}, {}, error));
  EXPECT_NE(error.find("cannot write"), std::string::npos) << error;
  int ficheros = 0;
  for (const char* x : {"krk.nbw", "kqk.nbw", NOMBRE_MARCAS}) ficheros += access(d.Fichero(x).c_str(), F_OK) == 0;
  EXPECT_EQ(ficheros, 3);
  EXPECT_EQ(std::system(("test $(ls -A '" + d.Ruta + "' | wc -l) -eq 3").c_str()), 0)
      << "a temporary file was left behind";
}

// Runs `cuerpo` in a child process that a watchdog alarm ends if it blocks;
// the child's exit status tells what it found (0: all as expected).
template <typename F>
void SinBloqueo(const char* que, F cuerpo) {
  std::fflush(stdout);
  const pid_t hijo = fork();
  ASSERT_GE(hijo, 0);
  if (hijo == 0) {
    alarm(60);  // only a hang gets anywhere near this
    _exit(cuerpo());
  }
  int estado = 0;
  ASSERT_EQ(waitpid(hijo, &estado, 0), hijo);
  EXPECT_FALSE(WIFSIGNALED(estado) && WTERMSIG(estado) == SIGALRM) << que << ": blocked";
  EXPECT_TRUE(WIFEXITED(estado) && WEXITSTATUS(estado) == 0)
      << que << ": status " << estado << " (exit code " << WEXITSTATUS(estado) << ")";
}

// A FIFO named like a table or like the mark file is not opened in a way that
// waits for a writer: registration reports the table's FIFO as a corrupted
// file and goes on; a table swapped for a FIFO after registration is dropped
// when first read.
TEST(MarcasTablas, AFifoNamedLikeATableDoesNotHangRegistration) {
  DirTemporal d;
  ASSERT_EQ(mkfifo(d.Fichero("krk.nbw").c_str(), 0644), 0);
  ASSERT_EQ(mkfifo(d.Fichero("knk.nbb").c_str(), 0644), 0);
  d.Escribir("kqk.nbw", Contenido(IndiceMaximoTabla(KQK, 0), 10));
  SinBloqueo("FIFO tables", [&] {
    std::string s;
    if (Registrar(d.Ruta, &s) != 3) return 1;
    if (s != "*** " + d.Fichero("knk.nbb") + " corrupted\n*** " + d.Fichero("krk.nbw") +
                 " corrupted\n")
      return 2;
    if (TablaRegistrada(KRK, 0) || TablaRegistrada(KNK, 1) || !TablaRegistrada(KQK, 0)) return 3;
    return 0;
  });

  DirTemporal m;
  ASSERT_EQ(mkfifo(m.Fichero(NOMBRE_MARCAS).c_str(), 0644), 0);
  m.EscribirSinMarca("krk.nbw", Contenido(IndiceMaximoTabla(KRK, 0), 11));
  SinBloqueo("FIFO mark file", [&] {
    if (Registrar(m.Ruta) != 0 || TablaRegistrada(KRK, 0)) return 1;
    if (!LeerMarcas(m.Ruta).empty()) return 2;
    return 0;
  });

  DirTemporal t;
  t.Escribir("krk.nbw", Contenido(IndiceMaximoTabla(KRK, 0), 12));
  SinBloqueo("table swapped for a FIFO", [&] {
    if (Registrar(t.Ruta) != 3) return 1;
    std::remove(t.Fichero("krk.nbw").c_str());
    if (mkfifo(t.Fichero("krk.nbw").c_str(), 0644) != 0) return 2;
    auto* const previo = EGTB.LogTablas;
    EGTB.LogTablas = nullptr;
    const int32_t v = ValorTabla(KRK, 0, 10);
    EGTB.LogTablas = previo;
    if (v != SIN_VALOR_TB || TablaRegistrada(KRK, 0)) return 3;
    return 0;
  });
}

// A table replaced by a file of another length between registration and its
// first read was never checked against its mark: it is dropped, not read.
TEST(MarcasTablas, ATableReplacedAfterRegistrationIsDropped) {
  DirTemporal d;
  const Bytes krk = Contenido(IndiceMaximoTabla(KRK, 0), 13);
  d.Escribir("krk.nbw", krk);
  ASSERT_EQ(Registrar(d.Ruta), 3);
  d.EscribirSinMarca("krk.nbw", Bytes(krk.begin(), krk.begin() + 9000));
  auto* const previo = EGTB.LogTablas;
  EGTB.LogTablas = nullptr;
  EXPECT_EQ(ValorTabla(KRK, 0, 10), SIN_VALOR_TB);
  EGTB.LogTablas = previo;
  EXPECT_FALSE(TablaRegistrada(KRK, 0));
}

}  // namespace
