// The log file: its name, its configuration report and what the command loops
// write into it.
#include <gtest/gtest.h>

#include "tests/test_driver_proceso.h"

using prueba::DirectorioTemporal;
using prueba::Ejecutar;

namespace {

const std::string CABECERA =
    "Zelmor v0.70 QRT6\n"
    "Motor de ajedrez Zelmor - autor: el equipo de Zelmor\n\n";

const std::string INFORME =
    CABECERA +
    "Informacion de configuracion interna del motor\n"
    "----------------------------------------------\n\n"
    "Reduccion null: prof > 6 R = 3; resto R = 2\n"
    "Val peon: 100\nVal caballo: 300\nVal alfil: 300\nVal torre: 500\nVal dama: 950\n"
    "Ext recap: 1\nLazy: 300\nExt null: 1\nFutility: 300\nIID: 0\nExt peon 7: 1\n"
    "Ext final: 1\n"
    "Tama\xF1o hash requerido: 30\n"
    "Tama\xF1o hash peones requerido:  5\n"
    "Tablas de ataques: Si\n";

const std::string FEATURE =
    "feature ping=1 setboard=1 playother=1 san=0 usermove=1 time=1 draw=0 sigint=0 sigterm=0 "
    "reuse=1 analyze=1 myname=\"Zelmor v0.70 QRT6\" variants=\"normal\" colors=0 ics=1 name=1 "
    "pause=0 done=1\n";

}  // namespace

TEST(DriverLog, NextFreeName) {
  DirectorioTemporal dir;
  dir.Escribir("Ze_0.70_0.log", "cero");
  dir.Escribir("Ze_0.70_1.log", "uno");
  dir.Escribir("Ze_0.70_3.log", "tres");
  Ejecutar(ZELMOR070_BIN, "quit\n", dir.Ruta());
  EXPECT_EQ(dir.Leer("Ze_0.70_0.log"), "cero");
  EXPECT_EQ(dir.Leer("Ze_0.70_1.log"), "uno");
  EXPECT_EQ(dir.Leer("Ze_0.70_3.log"), "tres");
  EXPECT_EQ(dir.Leer("Ze_0.70_2.log"), INFORME + "\nquitGuardando aprendizaje...");
  // The next run takes the first free number again.
  Ejecutar(ZELMOR070_BIN, "", dir.Ruta());
  EXPECT_TRUE(dir.Existe("Ze_0.70_4.log"));
}

TEST(DriverLog, TokensAndAnswers) {
  DirectorioTemporal dir;
  Ejecutar(ZELMOR070_BIN,
           "xboard\nfoo\nprotover 2\nforce\nping 7\nlevel 40 5:30 0\nsetboard 8/8/8/8 w\n"
           "usermove e2e5\nusermove e2e4\nbar\n{ nada }\nresult 1-0\nquit\n",
           dir.Ruta());
  EXPECT_EQ(dir.Leer("Ze_0.70_0.log"), INFORME +
                                           "\nxboard"
                                           "\nfoo\n"
                                           "\nprotover 2" +
                                           FEATURE +
                                           "\nforce"
                                           "\nping 7\npong 7"
                                           "\nlevel 40 5:30 0"
                                           "\nsetboard  8/8/8/8 w"
                                           "\ntellusererror Illegal position: the board "
                                           "has 4 ranks, not eight\n"
                                           "\nusermove e2e5"
                                           "\nIllegal move (no position set): e2e5\n"
                                           "\nusermove e2e4"
                                           "\nIllegal move (no position set): e2e4\n"
                                           "\nbarError (unknow command): bar\n"
                                           "\n{"
                                           "\nresult 1-0"
                                           "\nAprendiendo...\n"
                                           "\nquitGuardando aprendizaje...");
}

TEST(DriverLog, MoveDiagnostics) {
  DirectorioTemporal dir;
  Ejecutar(ZELMOR070_BIN,
           "protover 2\nforce\nusermove i2i4\nusermove e9e0\nusermove e1e2\nusermove e2e4\n"
           "usermove e4e5\nusermove e8e7\n",
           dir.Ruta());
  const std::string log = dir.Leer("Ze_0.70_0.log");
  const std::string esperado =
      "\nusermove i2i4"
      "\nError 1 interpretando jugada\nError 3 interpretando jugada"
      "\nError 5 interpretando jugada\nATENCI\xD3N, JUGADA ILEGAL: i2i4\n\n"
      "\nusermove e9e0"
      "\nError 2 interpretando jugada\nError 4 interpretando jugada"
      "\nError 5 interpretando jugada\nATENCI\xD3N, JUGADA ILEGAL: e9e0\n\n"
      "\nusermove e1e2"
      "\nError 6 interpretando jugada\nATENCI\xD3N, JUGADA ILEGAL: e1e2\n\n"
      "\nusermove e2e4"
      "\nusermove e4e5"
      "\nError 7 interpretando jugada\nATENCI\xD3N, JUGADA ILEGAL: e4e5\n\n"
      "\nusermove e8e7"
      "\nError 8 interpretando jugada\nATENCI\xD3N, JUGADA ILEGAL: e8e7\n\n";
  // The end of input ends the run like quit, with the learning notice.
  ASSERT_GE(log.size(), esperado.size() + 24);
  EXPECT_EQ(log.substr(log.size() - esperado.size() - 24), esperado + "Guardando aprendizaje...");
}

TEST(DriverLog, EarlierBuildWithoutConfigurationReport) {
  DirectorioTemporal dir;
  Ejecutar(ZELMOR052_BIN, "fritz\n", dir.Ruta());
  // Learning is off by default in the earlier build: no save notice.
  EXPECT_EQ(dir.Leer("Ze_0.52_0.log"),
            "Zelmor v0.52\nMotor de ajedrez Zelmor - autor: el equipo de Zelmor\n\n\nfritz");
}
