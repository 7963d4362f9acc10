// Front ends as they really talk to the engine: the older protocol (no
// "protover", moves sent bare) of GNOME Chess and Knights, bare moves under
// protocol 2, "white" and "black", and what pondering and analysis answer
// without being interrupted.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "tests/test_driver_proceso.h"

using prueba::Caracteristicas;
using prueba::DirectorioTemporal;
using prueba::Ejecutar;
using prueba::INICIO;
using prueba::Motor;
using prueba::SalioBien;

namespace {

const std::string GUARDADO = "\nTotal posiciones blancas: 0\n\nTotal posiciones negras: 0\n";

// The moves of the "move X" lines, in order.
std::vector<std::string> Jugadas(const std::string& salida) {
  std::vector<std::string> r;
  for (size_t p = salida.find("move "); p != std::string::npos; p = salida.find("move ", p + 1)) {
    if (p > 0 && salida[p - 1] != '\n') continue;
    const size_t fin = salida.find('\n', p);
    r.push_back(salida.substr(p + 5, fin == std::string::npos ? std::string::npos : fin - p - 5));
  }
  return r;
}

// Waits for the `n`-th "move" line.
bool EsperarJugadas(Motor& m, size_t n, int ms) {
  for (int t = 0; t < ms; t += 50) {
    if (Jugadas(m.Salida()).size() >= n) return true;
    m.Esperar("\x01", 50);
  }
  return false;
}

// Thinking lines ("DEPTH SCORE TIME NODES ...") after position `desde`: their depths.
std::vector<int> Profundidades(const std::string& s, size_t desde = 0) {
  std::vector<int> r;
  for (size_t p = s.find('\n', desde); p != std::string::npos; p = s.find('\n', p + 1)) {
    int prof = 0, valor = 0, tiempo = 0;
    if (std::sscanf(s.c_str() + p + 1, "%d %d %d", &prof, &valor, &tiempo) == 3 && prof > 0)
      r.push_back(prof);
  }
  return r;
}

}  // namespace

// GNOME Chess: "xboard", its difficulty's commands, then for every engine move
// "force", the opponent's move bare, and "go"; "undo" takes moves back.
TEST(ProtocolOne, GnomeChessGame) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir("xboard\nrandom\neasy\nsd 3\nforce\ne2e4\ngo\n");
  ASSERT_TRUE(EsperarJugadas(m, 1, 20000)) << m.Salida();
  const std::string negra = Jugadas(m.Salida())[0];
  EXPECT_TRUE(negra[1] == '7' || negra[1] == '8') << negra;  // a Black move
  // The Undo button, then the same move again: the engine answers the same way.
  m.Escribir("force\nundo\nforce\nundo\nforce\ne2e4\ngo\n");
  ASSERT_TRUE(EsperarJugadas(m, 2, 20000)) << m.Salida();
  EXPECT_EQ(Jugadas(m.Salida())[1], negra);
  // A move the position does not allow is refused as such, and changes nothing.
  m.Escribir("force\ne2e5\nd2d4\ngo\n");
  ASSERT_TRUE(EsperarJugadas(m, 3, 20000)) << m.Salida();
  m.Escribir("quit\n");
  EXPECT_TRUE(SalioBien(m.Terminar()));
  EXPECT_EQ(m.Salida().find("Error"), std::string::npos) << m.Salida();
  EXPECT_NE(m.Salida().find("\nIllegal move: e2e5\n"), std::string::npos) << m.Salida();
  EXPECT_EQ(m.Salida().find("Illegal move: d2d4"), std::string::npos) << m.Salida();
}

// Knights: no "new", a "level", and the opponent's move bare: the engine plays
// Black from the start. "white" and "black" set the side to move.
TEST(ProtocolOne, KnightsGameAndTheSideToMove) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir("xboard\nsd 3\nlevel 40 5 0\ne2e4\n");
  ASSERT_TRUE(EsperarJugadas(m, 1, 20000)) << m.Salida();
  // Back to the start; "black" gives Black the move on the same board, and "go"
  // makes the engine play it.
  m.Escribir("force\nundo\nundo\nblack\ngo\n");
  ASSERT_TRUE(EsperarJugadas(m, 2, 20000)) << m.Salida();
  const std::string negra = Jugadas(m.Salida())[1];
  EXPECT_TRUE(negra[1] == '7' || negra[1] == '8') << negra;
  // "white" after it: White to move again, the engine Black, so a White move
  // from the opponent is answered.
  m.Escribir("white\nd2d4\n");
  ASSERT_TRUE(EsperarJugadas(m, 3, 20000)) << m.Salida();
  const std::string otra = Jugadas(m.Salida())[2];
  EXPECT_TRUE(otra[1] == '7' || otra[1] == '8') << otra;
  m.Escribir("quit\n");
  EXPECT_TRUE(SalioBien(m.Terminar()));
  EXPECT_EQ(m.Salida().find("Error"), std::string::npos) << m.Salida();
  EXPECT_EQ(m.Salida().find("Illegal"), std::string::npos) << m.Salida();
}

// Commands of the later protocol stay unknown before "protover 2"; a side in
// check keeps the move when told to give it away.
TEST(ProtocolOne, OnlyTheOlderProtocolsCommands) {
  DirectorioTemporal dir;
  auto r = Ejecutar(ZELMOR070_BIN, "xboard\nping 3\nsetboard 8/8/8/8/8/8/8/8 w - - 0 1\nquit\n",
                    dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + "Error (unknow command): ping\nError (unknow command): 3\n" +
                          "Error (unknow command): setboard\n" +
                          "Error (unknow command): 8/8/8/8/8/8/8/8\n" +
                          "Error (unknow command): w\nError (unknow command): -\n" +
                          "Error (unknow command): -\nError (unknow command): 0\n" +
                          "Error (unknow command): 1\n" + GUARDADO);
  // After 2.Bb5+ Black is in check and keeps the move when "white" would give it
  // away: c7c6, a Black move, is still the legal answer.
  r = Ejecutar(ZELMOR070_BIN,
               "xboard\nforce\ne2e4\nd7d5\nf1b5\nwhite\nprotover 2\nusermove c7c6\nping 2\nquit\n",
               dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + Caracteristicas("Zelmor v0.70 QRT6") + "\npong 2\n" + GUARDADO);
}

// Under protocol 2 a legal move sent bare is played as "usermove" plays it; any
// other word, an illegal move included, is still an unknown command.
TEST(ProtocolOne, BareMovesUnderProtocolTwo) {
  DirectorioTemporal dir;
  auto r = Ejecutar(ZELMOR070_BIN,
                    "xboard\nprotover 2\nforce\ne2e4\ne2e5\nusermove e7e5\ng1f3\nping 1\nquit\n",
                    dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + Caracteristicas("Zelmor v0.70 QRT6") +
                          "Error (unknow command): e2e5\n\npong 1\n" + GUARDADO);
  // The engine's side to move: a bare move makes it think and answer.
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir("xboard\nprotover 2\nnew\nsd 2\ne2e4\n");
  EXPECT_TRUE(EsperarJugadas(m, 1, 20000)) << m.Salida();
  m.Escribir("quit\n");
  EXPECT_TRUE(SalioBien(m.Terminar()));
}

// "hint" and "bk" while pondering are answered from the real position, and the
// pondering search goes on: the next line still carries the pondered move.
TEST(ProtocolOne, HintAndBookWhilePonderingKeepIt) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir("xboard\nprotover 2\nnew\nhard\npost\nlevel 0 1 0\nusermove e2e4\n");
  ASSERT_TRUE(EsperarJugadas(m, 1, 20000)) << m.Salida();
  // As soon as the first pondering line ("DEPTH ... (reply) ...") is out.
  ASSERT_TRUE(m.Esperar(") ", 5000)) << m.Salida();
  const size_t marca = m.Salida().size();
  m.Escribir("hint\nbk\n");
  ASSERT_TRUE(m.Esperar(" No book loaded.\n\n", 5000)) << m.Salida();
  const size_t hint = m.Salida().find("Hint: ", marca);
  ASSERT_NE(hint, std::string::npos) << m.Salida().substr(marca);
  const std::string prevista = m.Salida().substr(hint + 6, 4);
  // Still pondering on the same reply: a deeper line of the same search.
  const std::vector<int> antes = Profundidades(m.Salida().substr(0, marca));
  ASSERT_FALSE(antes.empty());
  bool mas = false;
  for (int t = 0; t < 20000 && !mas; t += 50) {
    m.Esperar("\x01", 50);
    const size_t p = m.Salida().rfind("(" + prevista + ")");
    mas = p != std::string::npos && p > marca && Profundidades(m.Salida(), marca).size() > 0 &&
          Profundidades(m.Salida(), marca).back() > antes.back();
  }
  EXPECT_TRUE(mas) << m.Salida().substr(marca);
  m.Escribir("quit\n");
  EXPECT_TRUE(SalioBien(m.Terminar()));
  // The log took the prediction back only at quit, the one command that ended it.
  const std::string log = dir.Leer("Ze_0.70_0.log");
  const size_t atras = log.find("Jugada prevista retrocedida");
  ASSERT_NE(atras, std::string::npos);
  EXPECT_GT(atras, log.rfind("\nbk"));
  EXPECT_EQ(log.find("Jugada prevista retrocedida", atras + 1), std::string::npos);
}

// An analysis that ended by itself (its depth limit) is not started over by
// "."; a new position is analysed at once.
TEST(ProtocolOne, FinishedAnalysisWaitsForANewPosition) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir("xboard\nprotover 2\nforce\npost\nsd 3\nanalyze\n");
  ASSERT_TRUE(m.Esperar("\n3 ", 10000)) << m.Salida();
  m.Esperar("\x01", 300);
  size_t marca = m.Salida().size();
  m.Escribir(".\n.\nping 4\n");
  ASSERT_TRUE(m.Esperar("pong 4", 5000));
  EXPECT_TRUE(Profundidades(m.Salida(), marca).empty()) << m.Salida().substr(marca);
  marca = m.Salida().size();
  m.Escribir("usermove e2e4\n");
  EXPECT_TRUE(m.Esperar("\n3 ", 10000));
  m.Esperar("\x01", 300);
  const std::vector<int> nuevas = Profundidades(m.Salida(), marca);
  ASSERT_FALSE(nuevas.empty());
  EXPECT_EQ(nuevas.front(), 1);
  // sd asks for the same position again, deeper.
  marca = m.Salida().size();
  m.Escribir("sd 4\n");
  EXPECT_TRUE(m.Esperar("\n4 ", 10000)) << m.Salida().substr(marca);
  m.Escribir("exit\nquit\n");
  EXPECT_TRUE(SalioBien(m.Terminar()));
}

// A word the engine does not know keeps its arguments: a square pair after it
// is never played, under either protocol, and the answers stay as they were.
TEST(ProtocolOne, AnUnknownWordsArgumentIsNoMove) {
  DirectorioTemporal dir;
  auto r = Ejecutar(ZELMOR070_BIN,
                    "xboard\nprotover 2\nforce\nexclude e2e4\nusermove e2e4\nping 1\nquit\n",
                    dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + Caracteristicas("Zelmor v0.70 QRT6") +
                          "Error (unknow command): exclude\nError (unknow command): e2e4\n"
                          "\npong 1\n" +
                          GUARDADO);
  r = Ejecutar(ZELMOR070_BIN, "xboard\nforce\nfoo e2e4\ne2e4\nprotover 2\nusermove e7e5\nquit\n",
               dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + "Error (unknow command): foo\nError (unknow command): e2e4\n" +
                          Caracteristicas("Zelmor v0.70 QRT6") + GUARDADO);
}

// The older protocol's front ends get no thinking lines (nor the book's line)
// until they send "post": Knights takes any such line for a move of its own.
// Its "depth" and "memory" are taken without a word.
TEST(ProtocolOne, ThinkingOnlyWhenAskedFor) {
  DirectorioTemporal dir;
  auto r = Ejecutar(ZELMOR070_BIN, "xboard\ndepth 5\nmemory 32\ngo\nquit\n", dir.Ruta());
  ASSERT_EQ(Jugadas(r.salida).size(), 1u) << r.salida;
  // Only blank lines between the iterations, then the move.
  std::string sinBlancas;
  for (size_t i = 0; i < r.salida.size(); ++i)
    if (r.salida[i] != '\n' || (i > 0 && r.salida[i - 1] != '\n')) sinBlancas += r.salida[i];
  EXPECT_EQ(sinBlancas, "feature done=0\nmove " + Jugadas(r.salida)[0] +
                            "\nTotal posiciones blancas: 0\nTotal posiciones negras: 0\n");
  r = Ejecutar(ZELMOR070_BIN, "xboard\npost\nsd 5\ngo\nquit\n", dir.Ruta());
  EXPECT_EQ(Profundidades(r.salida).back(), 5) << r.salida;
  // Protocol 2 keeps thinking lines on unless told otherwise.
  r = Ejecutar(ZELMOR070_BIN, "xboard\nprotover 2\nsd 5\ngo\nquit\n", dir.Ruta());
  EXPECT_EQ(Profundidades(r.salida).back(), 5) << r.salida;
}

// GNOME Chess sends no clock at all and gives up on an engine that does not
// move: with neither clock nor limit the older protocol's engine still moves.
TEST(ProtocolOne, AMoveWithoutAnyClock) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir("xboard\nrandom\neasy\nforce\nh2h4\ngo\n");
  EXPECT_TRUE(EsperarJugadas(m, 1, 30000)) << m.Salida();
  m.Escribir("quit\n");
  EXPECT_TRUE(SalioBien(m.Terminar()));
}
