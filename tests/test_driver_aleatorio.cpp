// Random command streams, moves and FENs fed to the real engines: whatever the
// input, the process ends with status 0 once its input ends (a sanitizer report
// or a crash shows as another status). Seeds are fixed, so a failure repeats.
#include <gtest/gtest.h>

#include <chrono>
#include <random>
#include <string>
#include <vector>

#include "tests/test_driver_proceso.h"

namespace {

const std::vector<std::string> FENS = {
    "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1",
    "rn2k3/1P6/8/3pP3/8/8/8/R3K2R w KQq d6 0 1",
    "4k3/8/8/8/8/8/8/4K3 w - - 0 1",
    "7k/5Q2/6K1/8/8/8/8/8 b - - 0 1",
    "8/8/2p4p/2p2kpP/Pp6/4K2P/8/8 w - - 0 1",
    "k7/8/8/8/8/8/8/K7",
};

class Generador {
 public:
  explicit Generador(uint32_t semilla) : azar_(semilla) {}

  int Entre(int a, int b) { return std::uniform_int_distribution<int>(a, b)(azar_); }
  bool Prob(int porcentaje) { return Entre(1, 100) <= porcentaje; }
  template <typename T>
  const T& Uno(const std::vector<T>& v) {
    return v[static_cast<size_t>(Entre(0, static_cast<int>(v.size()) - 1))];
  }

  std::string Numero() {
    switch (Entre(0, 5)) {
      case 0: return std::to_string(Entre(-5, 5));
      case 1: return std::to_string(Entre(0, 100000));
      case 2: return "99999999999999999999";
      case 3: return "-2147483648";
      case 4: return std::to_string(Entre(0, 10)) + ":" + std::to_string(Entre(0, 99));
      default: return Basura(Entre(1, 6));
    }
  }

  std::string Basura(int n) {
    static const std::string letras = "abcdefgh12345678pnbrqkPNBRQK/-:{}?.;xzXZ \t\x01\x7f\xe9\xff";
    std::string s;
    for (int i = 0; i < n; ++i)
      s += letras[static_cast<size_t>(Entre(0, static_cast<int>(letras.size()) - 1))];
    return s;
  }

  std::string Jugada() {
    if (Prob(15)) return Basura(Entre(0, 7));
    std::string s;
    s += static_cast<char>('a' + Entre(0, Prob(95) ? 7 : 9));
    s += static_cast<char>('1' + Entre(0, Prob(95) ? 7 : 9));
    s += static_cast<char>('a' + Entre(0, Prob(95) ? 7 : 9));
    s += static_cast<char>('1' + Entre(0, Prob(95) ? 7 : 9));
    if (Prob(10)) s += "nbrqkNBRQK"[Entre(0, 9)];
    return s;
  }

  // A reference position, now and then damaged in a few places.
  std::string Fen() {
    std::string f = Uno(FENS);
    int cambios = Prob(50) ? 0 : Entre(1, 4);
    for (int i = 0; i < cambios && !f.empty(); ++i) {
      size_t p = static_cast<size_t>(Entre(0, static_cast<int>(f.size()) - 1));
      switch (Entre(0, 2)) {
        case 0: f[p] = Basura(1)[0]; break;
        case 1: f.erase(p, 1); break;
        default: f.insert(p, Basura(1)); break;
      }
    }
    if (Prob(5)) f = f.substr(0, static_cast<size_t>(Entre(0, static_cast<int>(f.size()))));
    return f;
  }

  std::string Xboard() {
    switch (Entre(0, 40)) {
      case 0: return "new";
      case 1:
      case 2: return "force";
      case 3: return "time " + std::to_string(Entre(50, 300)) + "\ngo";
      case 4: return "playother";
      case 5: return "random";
      case 6: return "level " + Numero() + " " + Numero() + " " + Numero();
      case 7: return "time " + Numero();
      case 8: return "otim " + Numero();
      case 9: return ".";
      case 10:
      case 11:
      case 12:
      case 13:
      case 14:
      case 15: return "usermove " + Jugada();
      case 16: return "?";
      case 17: return "ping " + Numero();
      case 18:
        return "result " + Uno(std::vector<std::string>{"1-0", "0-1", "1/2-1/2", "*"}) + " {" +
               Basura(Entre(0, 10)) + "}";
      case 19:
      case 20: return "setboard " + Fen();
      case 21: return "undo";
      case 22: return "remove";
      case 23: return "hard";
      case 24: return "easy";
      case 25:
        return "analyze\n" + std::string(Prob(50) ? "usermove " + Jugada() + "\nundo\n" : "") +
               "exit";
      case 26: return "rating " + Numero() + " " + Numero();
      case 27: return "computer";
      case 28: return "ics " + Uno(std::vector<std::string>{"-", "freechess.org", ""});
      case 29: return "name " + Basura(Entre(0, 30));
      case 30: return Prob(50) ? "ze_kib" : "ze_nokib";
      case 31: return "post";
      case 32: return Prob(50) ? "accepted " + Basura(4) : "rejected " + Basura(4);
      case 33: return "{" + Basura(Entre(0, 40));
      case 34: return std::string(static_cast<size_t>(Entre(200, 3000)), Basura(1)[0]);
      case 35: return "";
      case 36: return Basura(Entre(1, 12));
      case 37: return "protover " + Numero();
      case 38: return "quit";
      default:
        return "usermove " + Uno(std::vector<std::string>{"e2e4", "e7e5", "g1f3", "b8c6", "d2d4",
                                                          "d7d5", "e1g1", "e8g8", "b7a8", "e5d6"});
    }
  }

  std::string Inicial() {
    switch (Entre(0, 9)) {
      case 0: return "xboard";
      case 1: return "ze_Eval";
      case 2:
      case 3: return "FEN " + Fen();
      case 4: return "CargarPers " + Uno(std::vector<std::string>{"p", "no_hay", "", "p p"});
      case 5: return "PensarProf " + std::to_string(Entre(0, 2));
      case 6: return "protover " + std::to_string(Entre(-1, 1));
      case 7: return Prob(50) ? "CargarL" : "ze_GuardarL";
      default: return Basura(Entre(1, 8));
    }
  }

  std::string Flujo() {
    std::string s;
    int iniciales = Entre(0, 6);
    for (int i = 0; i < iniciales; ++i) s += Inicial() + "\n";
    if (Prob(90)) s += "protover 2\n";
    int n = Entre(20, 200);
    for (int i = 0; i < n; ++i) s += Xboard() + (Prob(97) ? "\n" : " ");
    return s;
  }

 private:
  std::mt19937 azar_;
};

}  // namespace

TEST(DriverAleatorio, CommandStreams) {
  prueba::DirectorioTemporal dir;
  dir.Escribir("p.per", "TABLA_HASH 2 TABLA_HASH_PEONES 1 APRENDER 0 LIBROB_FICH b.libro");
  // A few seconds in all, whatever the build's speed; ZELMOR_ALEATORIO_SEGUNDOS
  // lengthens a soak run by hand.
  const char* segundos = std::getenv("ZELMOR_ALEATORIO_SEGUNDOS");
  const auto plazo = std::chrono::seconds(segundos ? std::atoi(segundos) : 4);
  const uint32_t maxSemillas = segundos ? 1000000 : 60;
  const auto inicio = std::chrono::steady_clock::now();
  int corridas = 0;
  for (uint32_t semilla = 1; semilla <= maxSemillas; ++semilla) {
    if (corridas >= 8 && std::chrono::steady_clock::now() - inicio > plazo) break;
    Generador g(semilla);
    const std::string entrada = g.Flujo();
    const bool anterior = semilla % 4 == 0;
    std::vector<std::string> args;
    if (semilla % 3 == 0) args.push_back("p");
    auto r = prueba::Ejecutar(anterior ? ZELMOR052_BIN : ZELMOR070_BIN, entrada, dir.Ruta(), args);
    ++corridas;
    ASSERT_TRUE(prueba::SalioBien(r.estado)) << "seed " << semilla << (anterior ? " (0.52)" : "")
                                             << ", status " << r.estado << ", input:\n"
                                             << entrada.substr(0, 6000);
    // Standard output carries protocol text only: every line is one of ours.
    EXPECT_EQ(r.salida.rfind("feature done=0\n", 0), 0u) << "seed " << semilla;
  }
  EXPECT_GE(corridas, 8);
  std::printf("%d random streams\n", corridas);
}
