// The UCI mode over pipes: the handshake and its options, positions with moves
// (an illegal one included), go with each kind of limit, stop, ponder and
// ponderhit, isready during a search, bad input, the end of input, both builds.
#include <gtest/gtest.h>

#include <chrono>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "tests/test_driver_proceso.h"

using prueba::DirectorioTemporal;
using prueba::Ejecutar;
using prueba::Motor;
using prueba::SalioBien;

namespace {

double Segundos(std::chrono::steady_clock::time_point desde) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - desde).count();
}

// The lines of the output that begin with `prefijo`.
std::vector<std::string> Lineas(const std::string& salida, const std::string& prefijo) {
  std::vector<std::string> r;
  size_t p = 0;
  while (p < salida.size()) {
    size_t fin = salida.find('\n', p);
    if (fin == std::string::npos) fin = salida.size();
    std::string l = salida.substr(p, fin - p);
    if (l.compare(0, prefijo.size(), prefijo) == 0) r.push_back(l);
    p = fin + 1;
  }
  return r;
}

size_t Contar(const std::string& s, const std::string& t) {
  size_t n = 0;
  for (size_t p = s.find(t); p != std::string::npos; p = s.find(t, p + 1)) ++n;
  return n;
}

// Waits until `t` appears in the output after position `desde`.
bool EsperarDesde(Motor& m, const std::string& t, size_t desde, int ms) {
  const auto limite = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (m.Salida().find(t, desde) == std::string::npos) {
    if (std::chrono::steady_clock::now() >= limite) return false;
    m.Esperar("\x01", 20);
  }
  return true;
}

// The move of the last "bestmove" line, or "".
std::string Mejor(const std::string& salida) {
  auto l = Lineas(salida, "bestmove ");
  if (l.empty()) return "";
  std::string m = l.back().substr(9);
  return m.substr(0, m.find(' '));
}

const std::regex INFO(
    "info depth [0-9]+ score (cp -?[0-9]+|mate -?[0-9]+) nodes [0-9]+ nps [0-9]+ time [0-9]+ "
    "pv( [a-h][1-8][a-h][1-8][nbrq]?)+");
const std::regex MEJOR(
    "bestmove [a-h][1-8][a-h][1-8][nbrq]?( ponder [a-h][1-8][a-h][1-8][nbrq]?)?");

}  // namespace

TEST(Uci, GreetingOptionsAndName) {
  DirectorioTemporal dir;
  auto r = Ejecutar(ZELMOR070_BIN, "uci\nisready\nquit\n", dir.Ruta());
  EXPECT_TRUE(SalioBien(r.estado));
  // The xboard hold line comes before anything is read; then only UCI.
  EXPECT_EQ(r.salida.substr(0, 71),
            "feature done=0\nid name Zelmor v0.70 QRT6\nid author el equipo de Zelmor\n");
  for (const char* o : {"option name Hash type spin default 30 min 1 max 4096\n",
                        "option name Pawn Hash type spin default 5 min 1 max 1024\n",
                        "option name Ponder type check default false\n",
                        "option name OwnBook type check default true\n",
                        "option name Book File White type string default .\\Zelmor070B.libro\n",
                        "option name Book File Black type string default .\\Zelmor070N.libro\n",
                        "option name NalimovPath type string default c:\\ajedrez\\tb\n",
                        "option name NalimovCache type spin default 4 min 1 max 1024\n",
                        "option name Learning type spin default 3 min 0 max 100\n",
                        "option name Personality type string default <empty>\n"})
    EXPECT_NE(r.salida.find(o), std::string::npos) << o;
  EXPECT_NE(r.salida.find("\nuciok\nreadyok\n"), std::string::npos);
  EXPECT_EQ(Lineas(r.salida, "feature").size(), 1u);
  EXPECT_TRUE(dir.Existe("Ze_0.70_0.log"));

  // The personality marks the name; the earlier build has its own name and defaults.
  r = Ejecutar(ZELMOR070_BIN, "uci\n", dir.Ruta(), {"fuerte"});
  EXPECT_NE(r.salida.find("\nid name Zelmor v0.70 QRT6 (fuerte)\n"), std::string::npos);
  r = Ejecutar(ZELMOR052_BIN, "uci\nposition startpos moves d2d4\ngo depth 2\nisready\n",
               dir.Ruta());
  EXPECT_NE(r.salida.find("\nid name Zelmor v0.52\n"), std::string::npos);
  EXPECT_NE(r.salida.find("option name Hash type spin default 7 min"), std::string::npos);
  EXPECT_NE(r.salida.find("option name Learning type spin default 0 min"), std::string::npos);
  EXPECT_TRUE(std::regex_match(Lineas(r.salida, "bestmove").at(0), MEJOR));
  EXPECT_TRUE(SalioBien(r.estado));

  // Only as the first command: later it is the xboard loop's unknown command.
  r = Ejecutar(ZELMOR070_BIN, "xboard\nuci\n", dir.Ruta());
  // (The end of input quits, which tells the books' totals with learning on.)
  EXPECT_EQ(r.salida,
            "feature done=0\nError (unknow command): uci\n"
            "\nTotal posiciones blancas: 0\n\nTotal posiciones negras: 0\n");
}

TEST(Uci, PositionWithMovesAndDepth) {
  DirectorioTemporal dir;
  auto r =
      Ejecutar(ZELMOR070_BIN,
               "uci\nucinewgame\nposition startpos moves e2e4 e7e5 g1f3\ngo depth 4\n", dir.Ruta());
  EXPECT_TRUE(SalioBien(r.estado));
  auto info = Lineas(r.salida, "info depth");
  ASSERT_GE(info.size(), 4u);
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_TRUE(std::regex_match(info[i], INFO)) << info[i];
    EXPECT_EQ(info[i].substr(0, 12), "info depth " + std::to_string(i + 1));
  }
  auto mejor = Lineas(r.salida, "bestmove");
  ASSERT_EQ(mejor.size(), 1u);
  EXPECT_TRUE(std::regex_match(mejor[0], MEJOR)) << mejor[0];
  // Black to move: the move starts on Black's side of the board.
  const char fila = Mejor(r.salida)[1];
  EXPECT_TRUE(fila >= '5') << r.salida;
  // The log keeps the commands and the search's own lines.
  const std::string log = dir.Leer("Ze_0.70_0.log");
  EXPECT_NE(log.find("position startpos moves e2e4 e7e5 g1f3"), std::string::npos);
  EXPECT_NE(log.find("Tiempo esperado"), std::string::npos);
}

TEST(Uci, IllegalMoveAndBadFenLeaveThePosition) {
  DirectorioTemporal dir;
  // e2e4 twice: the second is illegal, so it and d7d5 are not played; White has
  // played e2e4 and Black is to move.
  auto r = Ejecutar(ZELMOR070_BIN,
                    "uci\nposition startpos moves e2e4 e2e4 d7d5\ngo depth 2\n"
                    "position startpos moves e2e4 e7e5x\n"
                    "position fen 8/8/8/8 w - - 0 1\ngo depth 1\n"
                    "position fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1 moves d1d9\n",
                    dir.Ruta());
  EXPECT_TRUE(SalioBien(r.estado));
  EXPECT_NE(r.salida.find("info string illegal move e2e4"), std::string::npos);
  EXPECT_NE(r.salida.find("info string illegal move e7e5x"), std::string::npos);
  EXPECT_NE(r.salida.find("info string bad FEN (the board has 4 ranks, not eight), no position "
                          "set: 8/8/8/8 w - - 0 1\n"),
            std::string::npos)
      << r.salida;
  EXPECT_NE(r.salida.find("info string illegal move d1d9"), std::string::npos);
  auto mejores = Lineas(r.salida, "bestmove");
  ASSERT_EQ(mejores.size(), 2u);
  // The first search ran after 1. e4: Black moves. After the bad FEN there is
  // no position the GUI set, and go has no move to give.
  EXPECT_GE(mejores[0][10], '5') << mejores[0];
  EXPECT_EQ(mejores[1], "bestmove 0000");
  EXPECT_NE(r.salida.find("info string no position set: no move\nbestmove 0000\n"),
            std::string::npos);
}

TEST(Uci, MateScores) {
  DirectorioTemporal dir;
  // White mates at once with Rd8; Black is mated next move whatever it does.
  auto r = Ejecutar(ZELMOR070_BIN,
                    "uci\nposition fen 6k1/5ppp/8/8/8/8/5PPP/3R2K1 w - - 0 1\ngo depth 3\n"
                    "position fen 7k/p7/6K1/8/8/8/8/1R6 b - - 0 1\ngo depth 4\n",
                    dir.Ruta());
  auto mejores = Lineas(r.salida, "bestmove");
  ASSERT_EQ(mejores.size(), 2u) << r.salida;
  EXPECT_EQ(mejores[0].substr(0, 13), "bestmove d1d8");
  const size_t corte = r.salida.find(mejores[0]);
  EXPECT_NE(r.salida.substr(0, corte).find("score mate 1 "), std::string::npos) << r.salida;
  EXPECT_NE(r.salida.substr(corte).find("score mate -1 "), std::string::npos) << r.salida;
  // No legal move at all: the null move.
  r = Ejecutar(ZELMOR070_BIN, "uci\nposition fen 7k/5Q2/6K1/8/8/8/8/8 b - - 0 1\ngo depth 2\n",
               dir.Ruta());
  EXPECT_NE(r.salida.find("\nbestmove 0000\n"), std::string::npos) << r.salida;
}

TEST(Uci, TimeNodesAndClock) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir("uci\nposition startpos\n");
  ASSERT_TRUE(m.Esperar("uciok\n"));

  // movetime: about that long.
  auto t0 = std::chrono::steady_clock::now();
  m.Escribir("go movetime 300\n");
  ASSERT_TRUE(m.Esperar("bestmove", 10000));
  double s = Segundos(t0);
  EXPECT_LT(s, 2.5);

  // nodes: the last report stays near the limit.
  size_t antes = m.Salida().size();
  m.Escribir("go nodes 20000\n");
  ASSERT_TRUE(EsperarDesde(m, "bestmove", antes, 10000));
  auto info = Lineas(m.Salida().substr(antes), "info depth");
  ASSERT_FALSE(info.empty());
  const std::string& ultima = info.back();
  const size_t p = ultima.find(" nodes ");
  EXPECT_LE(std::stoul(ultima.substr(p + 7)), 20000u + 2000u) << ultima;

  // A clock of one second: well within it.
  antes = m.Salida().size();
  t0 = std::chrono::steady_clock::now();
  m.Escribir("position startpos moves e2e4\ngo wtime 1000 btime 1000 winc 0 binc 0\n");
  ASSERT_TRUE(EsperarDesde(m, "bestmove", antes, 10000));
  EXPECT_LT(Segundos(t0), 1.0 + 1.5);
  EXPECT_EQ(Contar(m.Salida().substr(antes), "bestmove"), 1u);
  EXPECT_TRUE(SalioBien(m.Terminar()));
}

TEST(Uci, InfiniteStopAndIsready) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir("uci\nposition startpos moves d2d4\ngo infinite\n");
  ASSERT_TRUE(m.Esperar("info depth 3", 10000));
  // Readiness is answered during the search, which goes on.
  m.Escribir("isready\n");
  ASSERT_TRUE(m.Esperar("readyok\n", 3000));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  m.Esperar("\x01", 10);
  EXPECT_EQ(m.Salida().find("bestmove"), std::string::npos);
  auto t0 = std::chrono::steady_clock::now();
  m.Escribir("stop\n");
  ASSERT_TRUE(m.Esperar("bestmove", 3000));
  EXPECT_LT(Segundos(t0), 2.0);
  EXPECT_EQ(Contar(m.Salida(), "bestmove"), 1u);

  // An infinite search that reaches its depth waits for stop before answering,
  // and answers isready meanwhile.
  const size_t antes = m.Salida().size();
  m.Escribir("go infinite depth 2\n");
  ASSERT_TRUE(EsperarDesde(m, "info depth 2", antes, 5000));
  std::this_thread::sleep_for(std::chrono::milliseconds(200));
  m.Escribir("isready\n");
  ASSERT_TRUE(EsperarDesde(m, "readyok", antes, 3000));
  EXPECT_EQ(m.Salida().find("bestmove", antes), std::string::npos);
  m.Escribir("stop\n");
  EXPECT_TRUE(EsperarDesde(m, "bestmove", antes, 3000));
  EXPECT_TRUE(SalioBien(m.Terminar()));
}

TEST(Uci, PonderAndPonderhit) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  // The front end has played the predicted reply and lets the engine ponder.
  m.Escribir(
      "uci\nsetoption name Ponder value true\n"
      "position startpos moves e2e4 e7e5\ngo ponder wtime 3000 btime 3000\n");
  ASSERT_TRUE(m.Esperar("info depth 4", 10000));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  m.Esperar("\x01", 10);
  EXPECT_EQ(m.Salida().find("bestmove"), std::string::npos);
  // The prediction came true: now the move is searched under the clock.
  auto t0 = std::chrono::steady_clock::now();
  m.Escribir("ponderhit\n");
  ASSERT_TRUE(m.Esperar("bestmove", 5000));
  EXPECT_LT(Segundos(t0), 3.0);
  EXPECT_TRUE(std::regex_search(m.Salida(), MEJOR));

  // The prediction failed: stop ends the pondering with an answer, not played.
  size_t antes = m.Salida().size();
  m.Escribir("position startpos moves e2e4 e7e5 g1f3 b8c6\ngo ponder wtime 3000 btime 3000\n");
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  m.Escribir("stop\n");
  EXPECT_TRUE(EsperarDesde(m, "bestmove", antes, 3000));
  EXPECT_TRUE(SalioBien(m.Terminar()));
}

TEST(Uci, OptionsAndBadInput) {
  DirectorioTemporal dir;
  dir.Escribir("ligera.per", "TABLA_HASH 2\nAPRENDER 0\n");
  const std::string largo(5000, 'x');
  auto r = Ejecutar(ZELMOR070_BIN,
                    "uci\nsetoption name Hash value 8\nsetoption name hash value 0\n"
                    "setoption name Bogus value 1\nsetoption name OwnBook value maybe\n"
                    "setoption name ownbook value false\nsetoption name Personality value ligera\n"
                    "setoption name Personality value nadie\nsetoption\nsetoption name\n" +
                        largo +
                        "\n\n   \nfoo bar\nposition\nposition moves e2e4\n"
                        "position startpos moves\ngo depth x\ngo wtime\ngo frobnicate 3\n"
                        "stop\nponderhit\nisready\ngo searchmoves e2e4 d2d4 depth 1\n",
                    dir.Ruta());
  EXPECT_TRUE(SalioBien(r.estado));
  const std::string& s = r.salida;
  EXPECT_NE(s.find("info string Hash takes a number from 1 to 4096"), std::string::npos);
  EXPECT_NE(s.find("info string unknown option: Bogus"), std::string::npos);
  EXPECT_NE(s.find("info string OwnBook takes true or false"), std::string::npos);
  EXPECT_NE(s.find("info string personality file nadie.per not found"), std::string::npos);
  EXPECT_NE(s.find("info string unknown command: xxxxxxxx"), std::string::npos);
  EXPECT_NE(s.find("info string unknown command: foo"), std::string::npos);
  EXPECT_NE(s.find("info string usage: position"), std::string::npos);
  EXPECT_NE(s.find("info string go depth needs a number"), std::string::npos);
  EXPECT_NE(s.find("info string unknown word in go: frobnicate"), std::string::npos);
  EXPECT_NE(s.find("info string go searchmoves is not supported; ignored"), std::string::npos);
  EXPECT_EQ(Lineas(s, "info string personality").size(), 1u);
  // After all that, the engine still answers and plays from the start.
  EXPECT_NE(s.find("\nreadyok\n"), std::string::npos);
  ASSERT_EQ(Lineas(s, "bestmove").size(), 1u);
  EXPECT_TRUE(std::regex_match(Lineas(s, "bestmove")[0], MEJOR));
  EXPECT_LE(Mejor(s)[1], '2');
  // Every line the front end sees is a UCI line.
  size_t p = s.find('\n') + 1;
  while (p < s.size()) {
    const size_t fin = s.find('\n', p);
    const std::string l = s.substr(p, fin - p);
    EXPECT_TRUE(std::regex_match(l, std::regex("(id|option|uciok|readyok|info|bestmove)( .*)?")))
        << l;
    p = fin + 1;
  }
}

TEST(Uci, EndOfInputDuringTheSearch) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir("uci\nposition startpos\ngo infinite\n");
  ASSERT_TRUE(m.Esperar("info depth 2", 10000));
  // The front end goes away: the search ends and so does the engine.
  EXPECT_TRUE(SalioBien(m.Terminar(5000)));
}
