// Transcripts: the real engine over pipes, its standard output compared byte
// for byte.
#include <gtest/gtest.h>

#include "tests/test_driver_proceso.h"

using prueba::Caracteristicas;
using prueba::DirectorioTemporal;
using prueba::Ejecutar;
using prueba::INICIO;
using prueba::SalioBien;

namespace {

const std::string FEATURE = Caracteristicas("Zelmor v0.70 QRT6");
// Learning is on by default: every way out tells the books' totals, though with
// no book read and nothing learned it writes no file.
const std::string GUARDADO = "\nTotal posiciones blancas: 0\n\nTotal posiciones negras: 0\n";

// Start-up, protocol 2 and the engine on neither side, so no command thinks.
std::string Xboard(const std::string& comandos) { return "xboard\nprotover 2\nforce\n" + comandos; }

}  // namespace

TEST(DriverTranscripcion, StartUpAndEndOfInput) {
  DirectorioTemporal dir;
  auto r = Ejecutar(ZELMOR070_BIN, "", dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + GUARDADO);
  EXPECT_TRUE(SalioBien(r.estado));
  EXPECT_TRUE(dir.Existe("Ze_0.70_0.log"));
  EXPECT_FALSE(dir.Existe("Zelmor070B.libro"));
  EXPECT_FALSE(dir.Existe("Zelmor070N.libro"));
}

TEST(DriverTranscripcion, FeatureLine) {
  DirectorioTemporal dir;
  auto r = Ejecutar(ZELMOR070_BIN, "xboard\nprotover 2\nquit\n", dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + FEATURE + GUARDADO);
  EXPECT_TRUE(SalioBien(r.estado));

  // A personality name marks the engine's name whether or not its file exists.
  r = Ejecutar(ZELMOR070_BIN, "protover 2\n", dir.Ruta(), {"fuerte"});
  EXPECT_EQ(r.salida, INICIO + Caracteristicas("Zelmor v0.70 QRT6 (fuerte)") + GUARDADO);
  EXPECT_TRUE(SalioBien(r.estado));
}

TEST(DriverTranscripcion, FirstLoop) {
  DirectorioTemporal dir;
  // protover 1 keeps the first loop, where ping is unknown (and so is its number);
  // any value above 1 as an unsigned number switches, -1 included.
  auto r = Ejecutar(ZELMOR070_BIN, "xboard\nprotover 1\nping 3\nprotover -1\nping 4\n", dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + "Error (unknow command): ping\nError (unknow command): 3\n" +
                          FEATURE + "\npong 4\n" + GUARDADO);
  EXPECT_TRUE(SalioBien(r.estado));

  // "FEN" takes the whole line: after it Black is to move.
  r = Ejecutar(ZELMOR070_BIN,
               "FEN rnbqkbnr/pppppppp/8/8/4P3/8/PPPP1PPP/RNBQKBNR b KQkq e3 0 1\n"
               "protover 2\nusermove e2e4\nusermove e7e5\nquit\n",
               dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + FEATURE + "Illegal move: e2e4\n" + GUARDADO);
  EXPECT_TRUE(SalioBien(r.estado));

  // "fritz" ends the first loop as quit does (it is unknown in the xboard loop).
  r = Ejecutar(ZELMOR070_BIN, "fritz\nping 1\n", dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + GUARDADO);
  EXPECT_TRUE(SalioBien(r.estado));
}

TEST(DriverTranscripcion, PingAndUnknownCommands) {
  DirectorioTemporal dir;
  auto r = Ejecutar(ZELMOR070_BIN,
                    Xboard("ping 7\nfoo\n{ un comentario con protover 2 ping 9 }\n"
                           "{sin espacio\nsn 4\n. random post ze_kib ze_nokib\nping 8\n"),
                    dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + FEATURE +
                          "\npong 7\n"
                          "Error (unknow command): foo\n"
                          "Error (unknow command): sn\n"
                          "Error (unknow command): 4\n"
                          "\npong 8\n" +
                          GUARDADO);
  EXPECT_TRUE(SalioBien(r.estado));
}

TEST(DriverTranscripcion, IllegalMoves) {
  DirectorioTemporal dir;
  // e2e5 is refused and changes nothing: e2e4 is still possible afterwards and
  // then only Black may move.
  auto r = Ejecutar(ZELMOR070_BIN,
                    Xboard("usermove e2e5\nusermove e2e4\nusermove d2d4\nusermove e7e5\n"
                           "usermove i2i4\nusermove a9a1\nusermove e2\nusermove g1f3q\n"
                           "usermove zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz\nusermove e1e2\nping 1\n"),
                    dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + FEATURE +
                          "Illegal move: e2e5\n"
                          "Illegal move: d2d4\n"
                          "Illegal move: i2i4\n"
                          "Illegal move: a9a1\n"
                          "Illegal move: e2\n"
                          "Illegal move: g1f3q\n"
                          "Illegal move: zzzzzzzzzzzzzzzzzzzzzzzzzzzzzzzz\n"
                          "\npong 1\n" +
                          GUARDADO);
  EXPECT_TRUE(SalioBien(r.estado));
}

TEST(DriverTranscripcion, SpecialMoves) {
  DirectorioTemporal dir;
  const std::string fen = "setboard rn2k3/1P6/8/3pP3/8/8/8/R3K2R w KQq d6 0 1\n";
  // En passant and castling: after e1g1 the rook has left h1 for f1.
  auto r = Ejecutar(ZELMOR070_BIN,
                    Xboard(fen + "usermove e5d6\nusermove e8d7\nusermove e1g1\n"
                                 "usermove d7c6\nusermove h1h2\nusermove f1f7\nping 2\n"),
                    dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + FEATURE + "Illegal move: h1h2\n\npong 2\n" + GUARDADO);
  // A promotion without a letter gives a queen: it moves diagonally (a8b7) and
  // along a file (b7b1). With the letter n it is a knight that cannot.
  r = Ejecutar(ZELMOR070_BIN,
               Xboard(fen + "usermove b7a8\nusermove e8d7\nusermove a8b7\nusermove d7e6\n"
                            "usermove b7b1\nping 3\n"),
               dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + FEATURE + "\npong 3\n" + GUARDADO);
  r = Ejecutar(ZELMOR070_BIN,
               Xboard(fen + "usermove b7a8n\nusermove e8d7\nusermove a8b7\nusermove a8b6\n"
                            "ping 4\n"),
               dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + FEATURE + "Illegal move: a8b7\n\npong 4\n" + GUARDADO);
}

TEST(DriverTranscripcion, SetboardUndoRemove) {
  DirectorioTemporal dir;
  // A bad FEN is refused with its reason in a tellusererror line, which xboard
  // shows. The engine then holds no position the front end set: a move is
  // refused until a position is set or a new game starts.
  auto r = Ejecutar(ZELMOR070_BIN,
                    Xboard("usermove e2e4\nsetboard 8/8/8/8 w\nsetboard\nusermove e7e5\n"
                           "ping 1\nnew\nforce\nusermove e2e4\nping 2\n"),
                    dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + FEATURE +
                          "tellusererror Illegal position: the board has 4 ranks, not eight\n"
                          "tellusererror Illegal position: the text ends inside the board\n"
                          "Illegal move (no position set): e7e5\n"
                          "\npong 1\n\npong 2\n" +
                          GUARDADO);

  // undo and remove past the start of the game change nothing.
  r = Ejecutar(ZELMOR070_BIN,
               Xboard("undo\nremove\nusermove e2e4\nremove\nremove\nusermove e7e5\n"
                      "usermove e2e4\nusermove e7e5\nundo\nusermove c7c5\nping 2\n"),
               dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + FEATURE + "Illegal move: e7e5\n\npong 2\n" + GUARDADO);

  // A position set up from the rest of the line, separated by any blanks.
  r = Ejecutar(ZELMOR070_BIN,
               Xboard("setboard \t 4k3/8/8/8/8/8/8/4K2R b K - 0 1\nusermove e1g1\n"
                      "usermove e8d8\nusermove e1g1\nping 3\n"),
               dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + FEATURE + "Illegal move: e1g1\n\npong 3\n" + GUARDADO);
}

TEST(DriverTranscripcion, ClockCommandsAndTheirArguments) {
  DirectorioTemporal dir;
  // Clock commands print nothing and take their arguments with them.
  auto r = Ejecutar(ZELMOR070_BIN,
                    Xboard("level 40 5 0\nlevel 0 0:30 5\nlevel 40 5:30 0\ntime 6000\n"
                           "otim 5000\nrating 2300 2100\nics -\ncomputer\nname Fulano de Tal\n"
                           "accepted usermove\nrejected ics\nresult 1-0 {White mates}\nhard\n"
                           "easy\nexit\nplayother\nforce\nping 5\n"),
                    dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + FEATURE + "\npong 5\n" + GUARDADO);
  EXPECT_TRUE(SalioBien(r.estado));
}

TEST(DriverTranscripcion, GreetingOnAServer) {
  DirectorioTemporal dir;
  dir.Escribir("ics.per", "ICS 1\n");
  auto r = Ejecutar(ZELMOR070_BIN, "protover 2\nname Rival\ncomputer\nname Rival\n", dir.Ruta(),
                    {"ics"});
  EXPECT_EQ(r.salida, INICIO + Caracteristicas("Zelmor v0.70 QRT6 (ics)") +
                          "\ntellopponent Hello from Zelmor v0.70 QRT6\n" + GUARDADO);
}

TEST(DriverTranscripcion, EndOfInputAtAnyPoint) {
  DirectorioTemporal dir;
  // The front end going away ends the engine cleanly, even in the middle of a
  // command that waits for its argument or its line.
  for (const char* entrada :
       {"protover", "protover 2\nping", "protover 2\nsetboard", "protover 2\n{ abierto",
        "protover 2\nlevel 40", "CargarPers", "protover 2\nusermove e2e4\nusermove"}) {
    auto r = Ejecutar(ZELMOR070_BIN, entrada, dir.Ruta());
    EXPECT_TRUE(SalioBien(r.estado)) << entrada;
  }
  auto r = Ejecutar(ZELMOR070_BIN, "protover 2\nquit\nping 1\n", dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + FEATURE + GUARDADO);
  EXPECT_TRUE(SalioBien(r.estado));
}

TEST(DriverTranscripcion, VeryLongToken) {
  DirectorioTemporal dir;
  // Longer than any buffer: consumed whole, answered as an unknown command cut to
  // the token size, and the next command is read normally.
  std::string largo(100000, 'x');
  auto r =
      Ejecutar(ZELMOR070_BIN, Xboard(largo + "\nsetboard " + largo + "\nping 6\n"), dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + FEATURE + "Error (unknow command): " + largo.substr(0, 255) +
                          "\ntellusererror Illegal position: 'x' is not a piece letter (rank 8)\n"
                          "\npong 6\n" +
                          GUARDADO);
  EXPECT_TRUE(SalioBien(r.estado));
}

TEST(DriverTranscripcion, EarlierBuild) {
  DirectorioTemporal dir;
  auto r = Ejecutar(ZELMOR052_BIN, "PensarProf 3\nprotover 2\n.\nping 2\nquit\n", dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + "Error (unknow command): PensarProf\nError (unknow command): 3\n" +
                          Caracteristicas("Zelmor v0.52") +
                          "Error (unknow command): .\n\npong 2\n");
  EXPECT_TRUE(SalioBien(r.estado));
  EXPECT_TRUE(dir.Existe("Ze_0.52_0.log"));
  EXPECT_FALSE(dir.Existe("Ze_0.70_0.log"));

  // The earlier build starts from its built-in ending (White: Ke3, pawns a4 h3 h5).
  r = Ejecutar(ZELMOR052_BIN, "protover 2\nforce\nusermove e2e4\nusermove e3d3\nping 1\n",
               dir.Ruta());
  EXPECT_EQ(r.salida, INICIO + Caracteristicas("Zelmor v0.52") + "Illegal move: e2e4\n\npong 1\n");
}

TEST(DriverTranscripcion, GameLongerThanTheHistory) {
  DirectorioTemporal dir;
  // Knights back and forth: 2000 moves where the history keeps 1936 game moves
  // (the rest is the search's room). Moves beyond it are refused, nothing breaks,
  // and taking moves back makes room again.
  std::string entrada = "protover 2\nforce\n";
  const char* ciclo[] = {"g1f3", "g8f6", "f3g1", "f6g8"};
  for (int i = 0; i < 2000; ++i) entrada += std::string("usermove ") + ciclo[i % 4] + "\n";
  // 1936 moves bring the knights home; remove goes back to them on f3 and f6.
  entrada += "remove\nusermove f3g1\nping 1\n";
  auto r = Ejecutar(ZELMOR070_BIN, entrada, dir.Ruta());
  size_t ilegales = 0;
  for (size_t p = r.salida.find("Illegal move"); p != std::string::npos;
       p = r.salida.find("Illegal move", p + 1))
    ++ilegales;
  EXPECT_EQ(ilegales, 2000u - 1936u);
  const std::string fin = "Illegal move: f6g8\n\npong 1\n" + GUARDADO;
  ASSERT_GE(r.salida.size(), fin.size());
  EXPECT_EQ(r.salida.substr(r.salida.size() - fin.size()), fin);
  EXPECT_TRUE(SalioBien(r.estado));
}
