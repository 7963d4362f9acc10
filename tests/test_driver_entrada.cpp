// The input layer and the xboard loop in-process, with descriptor 0 replaced by
// a pipe the test writes into.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "driver/driver.h"
#include "eval/eval.h"
#include "search/search.h"

namespace {

class EntradaPorTuberia : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(pipe(tuberia_), 0);
    copia_ = dup(0);
    dup2(tuberia_[0], 0);
    close(tuberia_[0]);
    ReiniciarEntrada();
    ReiniciarPartida();
    Busqueda.Limites.Modo = ModoBusqueda::Normal;
    Driver.VersionProtocolo = 2;
    FicheroLog = std::tmpfile();
  }
  void TearDown() override {
    if (tuberia_[1] >= 0) close(tuberia_[1]);
    dup2(copia_, 0);
    close(copia_);
    ReiniciarEntrada();
    CerrarLog();
  }
  void Enviar(const std::string& texto) {
    ASSERT_EQ(write(tuberia_[1], texto.data(), texto.size()), static_cast<ssize_t>(texto.size()));
  }
  void CerrarTuberia() {
    close(tuberia_[1]);
    tuberia_[1] = -1;
  }
  // Runs one xboard command from the pipe, its standard output discarded.
  void Comando(const std::string& linea) {
    Enviar(linea + "\n");
    std::fflush(stdout);
    int salida = dup(1);
    FILE* nulo = std::fopen("/dev/null", "w");
    dup2(fileno(nulo), 1);
    BucleXboard();
    std::fflush(stdout);
    dup2(salida, 1);
    close(salida);
    std::fclose(nulo);
  }
  std::string TextoLog() {
    std::fflush(FicheroLog);
    std::rewind(FicheroLog);
    std::string texto;
    int c;
    while ((c = std::fgetc(FicheroLog)) != EOF) texto += static_cast<char>(c);
    return texto;
  }

  int tuberia_[2] = {-1, -1};
  int copia_ = -1;
};

}  // namespace

TEST_F(EntradaPorTuberia, WhatWasAlreadyReadCountsAsPending) {
  char token[TAM_TOKEN];
  EXPECT_EQ(HayEntrada(), 0u);
  Enviar("abc def\n");
  ASSERT_EQ(LeerPalabra(token, sizeof token), 1);
  EXPECT_STREQ(token, "abc");
  // "def" sits in the engine's buffer, the pipe itself is empty.
  EXPECT_GT(HayEntrada(), 0u);
  ASSERT_EQ(LeerPalabra(token, sizeof token), 1);
  EXPECT_STREQ(token, "def");
  // A line end left behind is no command.
  EXPECT_EQ(HayEntrada(), 0u);
  Enviar("setboard  8/8 w \r\nping");
  EXPECT_GT(HayEntrada(), 0u);
  ASSERT_EQ(LeerPalabra(token, sizeof token), 1);
  char linea[TAM_LINEA];
  LeerResto(linea, sizeof linea);
  EXPECT_STREQ(linea, "  8/8 w ");
  // A token is cut to the buffer but consumed whole.
  Enviar(" 12345678901234567890 siguiente\n");
  char corto[8];
  ASSERT_EQ(LeerPalabra(corto, sizeof corto), 1);
  EXPECT_STREQ(corto, "ping");
  ASSERT_EQ(LeerPalabra(corto, sizeof corto), 1);
  EXPECT_STREQ(corto, "1234567");
  ASSERT_EQ(LeerPalabra(corto, sizeof corto), 1);
  EXPECT_STREQ(corto, "siguien");
  // A closed pipe counts as input (so a search stops), then reads as the end.
  EXPECT_EQ(HayEntrada(), 0u);
  CerrarTuberia();
  EXPECT_GT(HayEntrada(), 0u);
  EXPECT_EQ(LeerPalabra(token, sizeof token), 0);
  EXPECT_GT(HayEntrada(), 0u);
}

TEST_F(EntradaPorTuberia, ClockAndOpponentDetails) {
  Comando("level 40 5 0");
  EXPECT_EQ(Busqueda.Limites.JugadasControl, 40);
  EXPECT_DOUBLE_EQ(Busqueda.Limites.TiempoRestante, 300.0);
  EXPECT_EQ(Busqueda.Limites.Incremento, 0);
  Comando("level 0 0:30 5");
  EXPECT_EQ(Busqueda.Limites.JugadasControl, 0);
  EXPECT_DOUBLE_EQ(Busqueda.Limites.TiempoRestante, 30.0);
  EXPECT_EQ(Busqueda.Limites.Incremento, 5);
  Comando("level 40 5:30 0");
  EXPECT_DOUBLE_EQ(Busqueda.Limites.TiempoRestante, 330.0);
  Comando("level -2147483648 1 -5");
  EXPECT_EQ(Busqueda.Limites.JugadasControl, 0);
  EXPECT_EQ(Busqueda.Limites.Incremento, 0);
  Comando("time 6000");
  EXPECT_DOUBLE_EQ(Busqueda.Limites.TiempoRestante, 60.0);
  Comando("otim 100");
  EXPECT_DOUBLE_EQ(Busqueda.Limites.TiempoRestante, 60.0);
  Comando("rating 2300 2100");
  EXPECT_EQ(Driver.EloPropio, 2300);
  EXPECT_EQ(Driver.EloRival, 2100);
  Comando("ics freechess.org");
  EXPECT_EQ(Driver.ModoICS, 1);
  Comando("ics -");
  EXPECT_EQ(Driver.ModoICS, 0);
  Comando("computer");
  EXPECT_EQ(Driver.RivalComputadora, 1);
  Comando("name  Deep Rival 2");
  EXPECT_STREQ(Driver.NombreRival, "Deep Rival 2");
  EXPECT_EQ(Busqueda.KibitzActivo, 0);  // no greeting without the ICS setting
  Comando("ze_kib");
  EXPECT_EQ(Busqueda.KibitzActivo, 1);
  Comando("hard");
  EXPECT_EQ(Driver.PonderActivo, 1);
  Comando("?");
  EXPECT_EQ(Busqueda.PararBusqueda, 1);
  Busqueda.PararBusqueda = 0;
  // A new game resets the clock, the opponent's facts and kibitzing, and gives
  // the engine Black; pondering stays as the front end set it.
  Comando("playother");
  EXPECT_EQ(Eval.ColorMotor, NEGRO);
  Comando("new");
  EXPECT_EQ(Eval.ColorMotor, NEGRO);
  EXPECT_EQ(Busqueda.Limites.Modo, ModoBusqueda::Normal);
  EXPECT_DOUBLE_EQ(Busqueda.Limites.TiempoRestante, SIN_RELOJ);
  EXPECT_EQ(Busqueda.Limites.JugadasControl, 0);
  EXPECT_EQ(Busqueda.Limites.Incremento, 0);
  EXPECT_EQ(Driver.RivalComputadora, 0);
  EXPECT_EQ(Busqueda.KibitzActivo, 0);
  EXPECT_EQ(Driver.PonderActivo, 1);
  Comando("easy");
  EXPECT_EQ(Driver.PonderActivo, 0);
  Comando("force");
  EXPECT_EQ(Eval.ColorMotor, -1);
  // A position from setboard has no clock either.
  Comando("time 100");
  Comando("setboard 4k3/8/8/8/8/8/8/4K3 b - - 0 1");
  EXPECT_DOUBLE_EQ(Busqueda.Limites.TiempoRestante, SIN_RELOJ);
  EXPECT_EQ(EstadoActual->Turno, NEGRO);
}

TEST_F(EntradaPorTuberia, EndOfPonderingAndTheLog) {
  // A pondered move on the board: any command first takes it back.
  Eval.ColorMotor = BLANCO;
  ASSERT_EQ(InterpretarJugada("e2e4"), 1);
  EstadoPly* const antes = EstadoActual;
  ASSERT_EQ(InterpretarJugada("e7e5"), 1);
  Busqueda.Limites.Modo = ModoBusqueda::Ponder;
  Busqueda.Limites.JugadaPonder = CrearJugada(0x14, 0x34);
  Comando("ping 3");
  EXPECT_EQ(EstadoActual, antes);
  EXPECT_EQ(Busqueda.Limites.Modo, ModoBusqueda::Normal);
  EXPECT_EQ(Busqueda.Limites.JugadaPonder, 0u);
  EXPECT_EQ(TextoLog(), "\nping\nJugada prevista retrocedida\n 3\npong 3");
  // "?" while pondering ends it and nothing else happens.
  ASSERT_EQ(InterpretarJugada("e7e5"), 1);
  Busqueda.Limites.Modo = ModoBusqueda::Ponder;
  Comando("?");
  EXPECT_EQ(EstadoActual, antes);
  Busqueda.PararBusqueda = 0;
}

TEST_F(EntradaPorTuberia, OnlyHarmlessCommandsDuringTheSearch) {
  for (const char* c : {"ping", "?", "time", "otim", "level", "hard", "easy", "post", "quit",
                        "name", "computer", "{", "{comentario", "desconocido", "ze_kib"})
    EXPECT_TRUE(ComandoSeguroEnBusqueda(c)) << c;
  for (const char* c : {"new", "go", "usermove", "setboard", "undo", "remove", "analyze", "force",
                        "playother", "result", "exit"})
    EXPECT_FALSE(ComandoSeguroEnBusqueda(c)) << c;
}

TEST_F(EntradaPorTuberia, FixedTimeAndMaximumDepth) {
  // Good arguments set the limits; bad ones leave them as they were.
  Comando("st 2.5");
  EXPECT_DOUBLE_EQ(Busqueda.Limites.TiempoFijo, 2.5);
  Comando("sd 7");
  EXPECT_EQ(Busqueda.Limites.ProfundidadMaxima, 7);
  for (const char* malo : {"st", "st -3", "st abc", "st 0", "st 1e3", "st 1.5.2", "st 2000000",
                           "sd 999", "sd -1", "sd abc", "sd 4x", "sd 2147483648"}) {
    Comando(malo);
    EXPECT_DOUBLE_EQ(Busqueda.Limites.TiempoFijo, 2.5) << malo;
    EXPECT_EQ(Busqueda.Limites.ProfundidadMaxima, 7) << malo;
  }
  // A missing number does not take the next command as its argument.
  Comando("sd");
  EXPECT_EQ(Busqueda.Limites.ProfundidadMaxima, 0);
  Comando("st");
  Comando("ping 4");
  EXPECT_NE(TextoLog().find("\npong 4"), std::string::npos);
  // "new" keeps both, as front ends send them once before the first game.
  Comando("sd 3");
  Comando("new");
  EXPECT_DOUBLE_EQ(Busqueda.Limites.TiempoFijo, 2.5);
  EXPECT_EQ(Busqueda.Limites.ProfundidadMaxima, 3);
  Comando("sd 0");
  EXPECT_EQ(Busqueda.Limites.ProfundidadMaxima, 0);
  // A clock ends the fixed time per move; time and otim leave it alone.
  Comando("time 500");
  Comando("otim 500");
  EXPECT_DOUBLE_EQ(Busqueda.Limites.TiempoFijo, 2.5);
  Comando("level 40 5 0");
  EXPECT_DOUBLE_EQ(Busqueda.Limites.TiempoFijo, 0.0);
  // The fixed time replaces both budgets, whatever the clock says.
  Comando("st 1");
  Busqueda.Limites.TiempoRestante = 3000.0;
  CalcularTiempo();
  EXPECT_DOUBLE_EQ(Busqueda.TiempoEsperado, 0.85);
  EXPECT_DOUBLE_EQ(Busqueda.TiempoMaximo, 0.85);
  Busqueda.Limites.TiempoRestante = 0.5;
  CalcularTiempo();
  EXPECT_DOUBLE_EQ(Busqueda.TiempoMaximo, 0.85);
  Comando("nopost");
  EXPECT_EQ(Driver.MostrarPensamiento, 0);
  Comando("post");
  EXPECT_EQ(Driver.MostrarPensamiento, 1);
  Busqueda.Limites.TiempoFijo = 0.0;
  Busqueda.Limites.TiempoRestante = SIN_RELOJ;
}
