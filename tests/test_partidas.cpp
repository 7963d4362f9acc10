// The engine thinking under the protocol, over pipes: "?" stops a search,
// pondering and analysis answer input at once and resume or end as they should,
// the clock is respected, and a short game against itself ends properly.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "tests/test_driver_proceso.h"

using prueba::DirectorioTemporal;
using prueba::Motor;

namespace {

const char* const PREAMBULO = "xboard\nprotover 2\n";

#ifdef ZELMOR_SANITIZE
constexpr bool SANITIZADO = true;
#else
constexpr bool SANITIZADO = false;
#endif

double Segundos(std::chrono::steady_clock::time_point desde) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - desde).count();
}

// Reads the engine's output for `ms` milliseconds.
void Leer(Motor& m, int ms) { m.Esperar("\x01", ms); }

// Waits until `t` appears in the output after position `desde`.
bool EsperarDesde(Motor& m, const std::string& t, size_t desde, int ms) {
  const auto limite = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (m.Salida().find(t, desde) == std::string::npos) {
    if (std::chrono::steady_clock::now() >= limite) return false;
    Leer(m, 20);
  }
  return true;
}

// Count of occurrences of `t` in `s` from position `desde`.
// The depth of the last thinking line ("\nDEPTH SCORE ..."), 0 when none.
int UltimaProfundidad(const std::string& s) {
  int ultima = 0;
  for (size_t p = s.find('\n'); p != std::string::npos; p = s.find('\n', p + 1)) {
    int prof = 0, valor = 0;
    if (std::sscanf(s.c_str() + p + 1, "%d %d", &prof, &valor) == 2 && prof > 0) ultima = prof;
  }
  return ultima;
}

size_t Contar(const std::string& s, const std::string& t, size_t desde = 0) {
  size_t n = 0;
  for (size_t p = s.find(t, desde); p != std::string::npos; p = s.find(t, p + 1)) ++n;
  return n;
}

// The last "move X" of the output after position `desde`, or "".
std::string UltimaJugada(const std::string& s, size_t desde = 0) {
  const size_t p = s.rfind("\nmove ");
  if (p == std::string::npos || p < desde) return "";
  const size_t fin = s.find('\n', p + 6);
  return s.substr(p + 6, fin == std::string::npos ? std::string::npos : fin - p - 6);
}

// The first result line ("1-0 {...}", "0-1 {...}", "1/2-1/2 {...}") in `s`:
// its score, or "" when there is none.
std::string Resultado(const std::string& s) {
  for (const char* r : {"\n1-0 {", "\n0-1 {", "\n1/2-1/2 {"}) {
    const size_t p = s.find(r);
    if (p != std::string::npos && s.find('}', p) != std::string::npos)
      return std::string(r + 1, std::strlen(r) - 3);
  }
  return "";
}

}  // namespace

TEST(Protocolo, QuestionMarkStopsTheSearchAndMoves) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir(std::string(PREAMBULO) + "new\nlevel 0 100 0\ntime 600000\notim 600000\ngo\n");
  Leer(m, 700);
  EXPECT_EQ(m.Salida().find("\nmove "), std::string::npos) << "moved before the stop";
  const auto t0 = std::chrono::steady_clock::now();
  m.Escribir("?\n");
  // The stop is seen at the next poll; the sanitizer build searches several
  // times slower, so its polls are further apart in time.
  EXPECT_TRUE(m.Esperar("\nmove ", 6000));
  EXPECT_LT(Segundos(t0), SANITIZADO ? 5.0 : 2.0);
  m.Escribir("ping 4\n");
  EXPECT_TRUE(m.Esperar("pong 4", 3000));
  m.Escribir("quit\n");
  EXPECT_TRUE(prueba::SalioBien(m.Terminar()));
}

TEST(Protocolo, AnalysisAnswersAtOnceAndGoesOn) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir(std::string(PREAMBULO) + "new\nanalyze\n");
  // Analysis prints a line from the first iteration on.
  EXPECT_TRUE(m.Esperar("\n1 ", 3000));
  Leer(m, 300);
  // "." (xboard sends one every few seconds) does not stop the analysis: no
  // iteration starts over, and the depth only grows.
  size_t marca = m.Salida().size();
  const int antes = UltimaProfundidad(m.Salida());
  for (int i = 0; i < 4; ++i) {
    m.Escribir(".\n");
    Leer(m, 250);
  }
  EXPECT_EQ(Contar(m.Salida(), "\n1 ", marca), 0u) << "analysis started over after '.'";
  EXPECT_GE(UltimaProfundidad(m.Salida()), antes);
  EXPECT_GT(antes, 0);
  const auto t0 = std::chrono::steady_clock::now();
  m.Escribir("ping 11\n");
  EXPECT_TRUE(m.Esperar("pong 11", 2000));
  EXPECT_LT(Segundos(t0), 1.5);
  // A move entered during analysis: the new position is analysed.
  m.Escribir("usermove e2e4\n");
  Leer(m, 500);
  EXPECT_EQ(m.Salida().find("Illegal move"), std::string::npos);
  // Taken back again: the analysis goes on from the initial position, where
  // e2e4 is legal once more.
  marca = m.Salida().size();
  m.Escribir("undo\n");
  Leer(m, 500);
  EXPECT_GE(Contar(m.Salida(), "\n1 ", marca), 1u) << "analysis did not resume after undo";
  m.Escribir("usermove e2e4\n");
  Leer(m, 300);
  EXPECT_EQ(m.Salida().find("Illegal move"), std::string::npos);
  // "exit" ends the analysis: nothing more is printed until asked.
  m.Escribir("exit\n");
  Leer(m, 300);
  marca = m.Salida().size();
  Leer(m, 700);
  EXPECT_EQ(m.Salida().size(), marca);
  m.Escribir("ping 12\n");
  EXPECT_TRUE(m.Esperar("pong 12", 2000));
  EXPECT_EQ(m.Salida().find("\nmove "), std::string::npos);
  m.Escribir("quit\n");
  EXPECT_TRUE(prueba::SalioBien(m.Terminar()));
}

TEST(Protocolo, PonderingTakesThePredictionBack) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir(std::string(PREAMBULO) +
             "new\nhard\nlevel 0 1 0\ntime 1500\notim 1500\nusermove e2e4\n");
  ASSERT_TRUE(m.Esperar("\nmove ", 10000));
  Leer(m, 1000);  // pondering now, on the predicted reply
  const auto t0 = std::chrono::steady_clock::now();
  m.Escribir("ping 21\n");
  EXPECT_TRUE(m.Esperar("pong 21", 2000));
  EXPECT_LT(Segundos(t0), 1.5);
  // The board is back to the position after the engine's move: a legal reply
  // is accepted and answered.
  const size_t marca = m.Salida().size();
  m.Escribir("time 1400\notim 1400\nusermove d2d4\n");
  EXPECT_TRUE(EsperarDesde(m, "\nmove ", marca, 10000));
  Leer(m, 100);
  EXPECT_EQ(m.Salida().find("Illegal move"), std::string::npos);
  EXPECT_NE(UltimaJugada(m.Salida(), marca), "");
  m.Escribir("quit\n");
  EXPECT_TRUE(prueba::SalioBien(m.Terminar()));
  bool retrocedida = false;
  for (const auto& f : std::filesystem::directory_iterator(dir.Ruta()))
    retrocedida |= dir.Leer(f.path().filename().string()).find("Jugada prevista retrocedida") !=
                   std::string::npos;
  EXPECT_TRUE(retrocedida);
}

TEST(Protocolo, MovesStayWithinTheHardLimit) {
  // 40 moves in 10 seconds: about 0.24 s expected and 1.7 s at most per move.
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir(std::string(PREAMBULO) + "new\nlevel 40 0:10 0\n");
  const char* respuestas[] = {"e2e4", "g1f3", "f1c4", "b1c3", "d2d3", "c1e3"};
  double restante = 10.0;
  for (const char* r : respuestas) {
    const size_t marca = m.Salida().size();
    char reloj[64];
    std::snprintf(reloj, sizeof reloj, "time %d\notim 1000\n", static_cast<int>(restante * 100));
    m.Escribir(reloj);
    const auto t0 = std::chrono::steady_clock::now();
    m.Escribir(std::string("usermove ") + r + "\n");
    ASSERT_TRUE(EsperarDesde(m, "\nmove ", marca, 5000));
    const double usado = Segundos(t0);
    EXPECT_LT(usado, 2.0) << r;
    restante -= usado;
    if (m.Salida().find("Illegal move") != std::string::npos) break;  // our script's reply
  }
  m.Escribir("quit\n");
  m.Terminar();
}

namespace {

// Plays one game between two engine processes with clocks and returns the
// result line; fails the test on an illegal move, a forfeit or a silent end.
std::string JugarPartida(int maxPlies, double segundos) {
  DirectorioTemporal dirA, dirB;
  Motor blancas(ZELMOR070_BIN, {}, dirA.Ruta());
  Motor negras(ZELMOR070_BIN, {}, dirB.Ruta());
  char nivel[64];
  std::snprintf(nivel, sizeof nivel, "level 0 0:%02d 0\n", static_cast<int>(segundos));
  blancas.Escribir(std::string(PREAMBULO) + "new\n" + nivel);
  negras.Escribir(std::string(PREAMBULO) + "new\n" + nivel);
  Motor* motores[2] = {&blancas, &negras};
  double reloj[2] = {segundos, segundos};
  size_t leido[2] = {0, 0};
  std::string jugadaPrevia;
  for (int ply = 0; ply < maxPlies; ++ply) {
    const int lado = ply % 2;
    Motor& m = *motores[lado];
    char tiempos[64];
    std::snprintf(tiempos, sizeof tiempos, "time %d\notim %d\n",
                  static_cast<int>(reloj[lado] * 100), static_cast<int>(reloj[1 - lado] * 100));
    m.Escribir(tiempos);
    const auto t0 = std::chrono::steady_clock::now();
    m.Escribir(ply == 0 ? "go\n" : "usermove " + jugadaPrevia + "\n");
    while (true) {
      const std::string resto = m.Salida().substr(leido[lado]);
      if (!Resultado(resto).empty() && resto.find("\nmove ") == std::string::npos)
        return Resultado(resto);
      const size_t p = resto.find("\nmove ");
      if (p != std::string::npos && resto.find('\n', p + 6) != std::string::npos) break;
      if (Segundos(t0) > reloj[lado] + 2) {
        ADD_FAILURE() << "no move in time at ply " << ply;
        return "";
      }
      Leer(m, 20);
    }
    reloj[lado] -= Segundos(t0);
    EXPECT_GT(reloj[lado], 0.0) << "time forfeit at ply " << ply;
    const std::string resto = m.Salida().substr(leido[lado]);
    const size_t p = resto.find("\nmove ");
    jugadaPrevia = resto.substr(p + 6, resto.find('\n', p + 6) - p - 6);
    leido[lado] += p + 6;
    Leer(m, 50);
    const std::string tras = Resultado(m.Salida().substr(leido[lado]));
    if (!tras.empty()) return tras;
    EXPECT_EQ(motores[1 - lado]->Salida().find("Illegal move"), std::string::npos);
  }
  return "unfinished";
}

}  // namespace

TEST(Partidas, ShortSelfPlayGame) {
  const std::string r = JugarPartida(50, 6);
  EXPECT_FALSE(r.empty());
}

namespace {

// Every line of `s`.
std::vector<std::string> Lineas(const std::string& s) {
  std::vector<std::string> v;
  size_t p = 0;
  while (p < s.size()) {
    size_t f = s.find('\n', p);
    if (f == std::string::npos) f = s.size();
    v.push_back(s.substr(p, f - p));
    p = f + 1;
  }
  return v;
}

// "DEPTH SCORE CENTISECONDS NODES  MOVE ..." with a first move of 4-5 characters.
bool EsLineaPensamiento(const std::string& l) {
  int prof = 0, cs = 0;
  long valor = 0;
  unsigned nodos = 0;
  char jugada[16] = "";
  return std::sscanf(l.c_str(), "%d %ld %d %u  %15s", &prof, &valor, &cs, &nodos, jugada) == 5 &&
         prof >= 1 && std::strlen(jugada) >= 4 && std::strlen(jugada) <= 5;
}

}  // namespace

TEST(Salida, ThinkingStatusAndLogFormats) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir(std::string(PREAMBULO) + "new\nanalyze\n");
  ASSERT_TRUE(m.Esperar("stat01: ", 8000));
  m.Escribir("exit\nnew\nlevel 40 0:10 0\ntime 1000\notim 1000\nusermove e2e4\n");
  ASSERT_TRUE(m.Esperar("\nmove ", 8000));
  m.Escribir("quit\n");
  EXPECT_TRUE(prueba::SalioBien(m.Terminar()));
  int pensamiento = 0, estado = 0;
  for (const std::string& l : Lineas(m.Salida())) {
    pensamiento += EsLineaPensamiento(l);
    if (l.rfind("stat01: ", 0) == 0) {
      unsigned cs, nodos, restantes, total;
      int prof;
      char jugada[16];
      EXPECT_EQ(std::sscanf(l.c_str(), "stat01: %u %u %d %u %u %15s", &cs, &nodos, &prof,
                            &restantes, &total, jugada),
                6)
          << l;
      EXPECT_LT(restantes, total) << l;
      ++estado;
    }
  }
  EXPECT_GE(pensamiento, 5);
  EXPECT_GE(estado, 1);
  std::string log;
  for (const auto& f : std::filesystem::directory_iterator(dir.Ruta()))
    log += dir.Leer(f.path().filename().string());
  for (const char* esperado :
       {"\nTiempo esperado: ", "\nTiempo extendido: ", "\n * * *\n", "Analizando e2e4 (",
        "\n;*** Mi jugada (1) es: ", "\nTiempo restante: ", "\nTotal nodos: ", "\nCortes nulos: ",
        "\nHash exactos: ", "\nExtensiones jaque: ", "\nRed FL: ", "\nAciertos Hash Atq: ",
        "\nPodas static: 0  Podas ultimo ply: "})
    EXPECT_NE(log.find(esperado), std::string::npos) << esperado;
}
