// The command loop around thinking, with the real engine: input that arrives
// (or already waits in the engine's own buffer) stops a search, pondering is
// taken back by the next command, analysis ends with its command.
#include <gtest/gtest.h>

#include "tests/test_driver_proceso.h"

using prueba::DirectorioTemporal;
using prueba::Motor;

TEST(DriverBusqueda, InputAlreadyReadStopsTheSearch) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  // One write: the engine reads "ping 5" into its buffer together with "go", and
  // the pipe is empty while it thinks without a clock limit. Only the buffered
  // bytes can stop the search.
  m.Escribir("protover 2\nnew\nforce\nusermove e2e4\ngo\nping 5\n");
  EXPECT_TRUE(m.Esperar("\npong 5\n", 15000)) << m.Salida();
  EXPECT_NE(m.Salida().find("\nmove "), std::string::npos);
  EXPECT_TRUE(prueba::SalioBien(m.Terminar()));
}

TEST(DriverBusqueda, QuestionMarkAndPondering) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  // "?" makes a search stop and move (or, when the move came already, ends the
  // pondering that followed it).
  m.Escribir("protover 2\nnew\nhard\nusermove e2e4\n");
  m.Esperar("\nmove ", 300);
  m.Escribir("?\n");
  ASSERT_TRUE(m.Esperar("\nmove ", 15000)) << m.Salida();
  // The engine now ponders on its predicted reply; the next command of any kind
  // takes it back first, so the opponent's real move is legal.
  m.Escribir("ping 1\n");
  ASSERT_TRUE(m.Esperar("\npong 1\n", 15000));
  m.Escribir("force\nusermove d2d4\nping 2\n");
  ASSERT_TRUE(m.Esperar("\npong 2\n", 15000));
  EXPECT_EQ(m.Salida().find("Illegal move"), std::string::npos) << m.Salida();
  EXPECT_TRUE(prueba::SalioBien(m.Terminar()));
  EXPECT_NE(dir.Leer("Ze_0.70_0.log").find("\nJugada prevista retrocedida\n"), std::string::npos);
}

TEST(DriverBusqueda, AnalysisUntilExit) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir("protover 2\nnew\nanalyze\n");
  // Analysis prints thinking lines from depth 1 and never a move.
  ASSERT_TRUE(m.Esperar("\n1 ", 15000)) << m.Salida();
  m.Escribir("usermove e2e4\n");
  m.Escribir("undo\n");
  m.Escribir("exit\nping 3\n");
  ASSERT_TRUE(m.Esperar("\npong 3\n", 15000)) << m.Salida();
  EXPECT_EQ(m.Salida().find("move "), std::string::npos);
  EXPECT_EQ(m.Salida().find("Illegal"), std::string::npos);
  EXPECT_TRUE(prueba::SalioBien(m.Terminar()));
}

TEST(DriverBusqueda, EndOfInputDuringTheSearch) {
  DirectorioTemporal dir;
  Motor m(ZELMOR070_BIN, {}, dir.Ruta());
  m.Escribir("protover 2\nnew\nanalyze\n");
  ASSERT_TRUE(m.Esperar("\n1 ", 15000));
  // Closing the pipe stops the analysis and ends the engine with status 0.
  EXPECT_TRUE(prueba::SalioBien(m.Terminar(15000)));
}
