// Protocol-2 commands a front end may send without a feature: st, sd, post and
// nopost, hint and bk, over pipes with the real engines.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>

#include "tests/test_driver_proceso.h"

using prueba::Caracteristicas;
using prueba::DirectorioTemporal;
using prueba::Ejecutar;
using prueba::INICIO;
using prueba::Motor;
using prueba::SalioBien;

namespace {

// A run of digits (after an optional minus) at `p`, then `fin`; moves `p` past both.
bool Numero(const std::string& t, size_t& p, const char* fin, bool signo = false) {
  if (signo && p < t.size() && t[p] == '-') ++p;
  const size_t inicio = p;
  while (p < t.size() && t[p] >= '0' && t[p] <= '9') ++p;
  if (p == inicio || t.compare(p, std::strlen(fin), fin) != 0) return false;
  p += std::strlen(fin);
  return true;
}

// Depth of the last thinking line ("D score time nodes  pv") of a transcript, or 0.
int UltimaProfundidad(const std::string& salida) {
  int prof = 0;
  size_t inicio = 0;
  while (inicio < salida.size()) {
    size_t p = inicio;
    if (Numero(salida, p, " ") && Numero(salida, p, " ", true) && Numero(salida, p, " ") &&
        Numero(salida, p, "  "))
      prof = std::atoi(salida.c_str() + inicio);
    const size_t fin = salida.find('\n', inicio);
    if (fin == std::string::npos) break;
    inicio = fin + 1;
  }
  return prof;
}

// A "Hint: MOVE" line with a coordinate move.
bool HayPista(const std::string& salida) {
  const size_t p = salida.find("\nHint: ");
  if (p == std::string::npos || p + 12 >= salida.size()) return false;
  const char* m = salida.c_str() + p + 7;
  return m[0] >= 'a' && m[0] <= 'h' && m[1] >= '1' && m[1] <= '8' && m[2] >= 'a' && m[2] <= 'h' &&
         m[3] >= '1' && m[3] <= '8' && m[4] == '\n';
}

}  // namespace

TEST(DriverComandos, BadArgumentsAndNeitherPredictionNorBook) {
  DirectorioTemporal dir;
  for (const char* binario : {ZELMOR070_BIN, ZELMOR052_BIN}) {
    const std::string nombre =
        binario == std::string(ZELMOR070_BIN) ? "Zelmor v0.70 QRT6" : "Zelmor v0.52";
    auto r = Ejecutar(binario,
                      "xboard\nprotover 2\nforce\nst\nst -3\nst abc\n  st 1,5  \nsd 999\nsd -2\n"
                      "st 1.5\nsd 0\nsd\nsd 12\npost\nnopost\nhint\nbk\nfoo\nping 9\n",
                      dir.Ruta());
    // (What follows "pong" is the books' save at the end of input.)
    const std::string esperado = INICIO + Caracteristicas(nombre) +
                                 "Error (bad argument): st\n"
                                 "Error (bad argument): st -3\n"
                                 "Error (bad argument): st abc\n"
                                 "Error (bad argument): st 1,5\n"
                                 "Error (bad argument): sd 999\n"
                                 "Error (bad argument): sd -2\n"
                                 " No book loaded.\n\n"
                                 "Error (unknow command): foo\n"
                                 "\npong 9\n";
    EXPECT_EQ(r.salida.substr(0, esperado.size()), esperado) << binario;
    EXPECT_TRUE(SalioBien(r.estado));
  }
}

TEST(DriverComandos, MaximumDepthInGamesAndInAnalysis) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  // Thinking lines of a game start at depth 5: "sd 6" shows 5 and 6, then the move.
  m.Escribir("protover 2\nnew\nsd 6\ngo\n");
  ASSERT_TRUE(m.Esperar("\nmove ", 30000)) << m.Salida();
  EXPECT_EQ(UltimaProfundidad(m.Salida()), 6) << m.Salida();
  // Analysis shows every depth; it stops after depth 4 and waits for the next command.
  m.Escribir("force\nsd 4\nanalyze\n");
  m.Esperar("no such text", 1500);
  m.Escribir("exit\nping 2\n");
  ASSERT_TRUE(m.Esperar("\npong 2\n", 15000)) << m.Salida();
  const std::string analisis = m.Salida().substr(m.Salida().find("\nmove "));
  EXPECT_EQ(UltimaProfundidad(analisis), 4) << analisis;
  EXPECT_TRUE(SalioBien(m.Terminar()));
}

TEST(DriverComandos, FixedTimePerMove) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  // A clock of ten minutes would allow much more: the move still comes within
  // the half second (plus room for a loaded machine).
  m.Escribir("protover 2\nnew\nlevel 0 10 0\nst 0.5\ntime 60000\nping 1\n");
  ASSERT_TRUE(m.Esperar("\npong 1\n"));
  const auto inicio = std::chrono::steady_clock::now();
  m.Escribir("go\n");
  ASSERT_TRUE(m.Esperar("\nmove ", 15000)) << m.Salida();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                      std::chrono::steady_clock::now() - inicio)
                      .count();
  EXPECT_LT(ms, 1500);
  EXPECT_TRUE(SalioBien(m.Terminar()));
}

TEST(DriverComandos, NopostSilencesTheThinkingButNotTheLog) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir("protover 2\nnew\nnopost\nsd 6\ngo\n");
  ASSERT_TRUE(m.Esperar("\nmove ", 30000)) << m.Salida();
  EXPECT_EQ(UltimaProfundidad(m.Salida()), 0) << m.Salida();
  EXPECT_EQ(m.Salida().find("stat01"), std::string::npos);
  // The engine expects a reply, and says which while its position stands.
  m.Escribir("hint\nping 1\n");
  ASSERT_TRUE(m.Esperar("\npong 1\n")) << m.Salida();
  EXPECT_TRUE(HayPista(m.Salida())) << m.Salida();
  // After another move it has no prediction for the new position; post is back.
  m.Escribir("force\nusermove a7a6\nhint\npost\nsd 5\ngo\n");
  ASSERT_TRUE(m.Esperar("\nmove ", 30000));
  m.Escribir("ping 2\n");
  ASSERT_TRUE(m.Esperar("\npong 2\n")) << m.Salida();
  const std::string resto = m.Salida().substr(m.Salida().find("\npong 1\n"));
  EXPECT_EQ(resto.find("Hint"), std::string::npos);
  EXPECT_EQ(UltimaProfundidad(resto), 5) << resto;
  EXPECT_TRUE(SalioBien(m.Terminar()));
  // The log kept the first search's thinking lines.
  EXPECT_NE(dir.Leer("Ze_0.70_0.log").find("\n6\t"), std::string::npos);
}
