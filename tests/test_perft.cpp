// Leaf counts of the reference positions: the move generator's and make's test.
#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>

#include "posicion_test_util.h"

namespace {

struct CasoPerft {
  std::string fen;
  std::vector<uint64_t> cuentas;  // cuentas[d - 1] = leaves at depth d
};

std::vector<CasoPerft> LeerEPD() {
  std::ifstream f(std::string(ZELMOR_DATA_DIR) + "/perft.epd");
  std::vector<CasoPerft> casos;
  std::string linea;
  while (std::getline(f, linea)) {
    if (linea.empty()) continue;
    std::stringstream ss(linea);
    CasoPerft caso;
    std::getline(ss, caso.fen, ';');
    std::string campo;
    while (std::getline(ss, campo, ';')) {
      std::stringstream cs(campo);
      std::string d;
      uint64_t n;
      if (cs >> d >> n) caso.cuentas.push_back(n);
    }
    casos.push_back(caso);
  }
  return casos;
}

#ifdef ZELMOR_SANITIZE
// The checked build recomputes the position after every make; keep it short.
constexpr int PROFUNDIDAD = 3, PROFUNDIDAD_INICIAL = 4;
#else
constexpr int PROFUNDIDAD = 4, PROFUNDIDAD_INICIAL = 5;
#endif

TEST(Perft, ReferencePositionsMatchPublishedCounts) {
  const auto casos = LeerEPD();
  ASSERT_EQ(casos.size(), 7u);
  for (size_t i = 0; i < casos.size(); ++i) {
    Posicionar(casos[i].fen.c_str());
    const int hasta = i == 0 ? PROFUNDIDAD_INICIAL : PROFUNDIDAD;
    for (int d = 1; d <= hasta; ++d) {
      const uint64_t claveAntes = ClaveActual();
      EXPECT_EQ(Perft(d), casos[i].cuentas[d - 1]) << casos[i].fen << " depth " << d;
      EXPECT_EQ(ClaveActual(), claveAntes);
      EXPECT_EQ(TopeJugadas, PilaJugadas);
      // The same counts when the last ply is counted without making its moves.
      EXPECT_EQ(Perft(d, true), casos[i].cuentas[d - 1]) << casos[i].fen << " depth " << d;
      EXPECT_EQ(ClaveActual(), claveAntes);
      EXPECT_EQ(TopeJugadas, PilaJugadas);
    }
  }
}

// Positions with castling rights whose rook has been captured on its corner and
// with en-passant pins: counts checked against the rules by hand.
TEST(Perft, TrickyLegalityPositions) {
  struct {
    const char* fen;
    int profundidad;
    uint64_t nodos;
  } casos[] = {
      // En passant would empty the fifth rank between the king and the rook.
      {"8/8/8/KPp4r/8/8/8/7k w - c6 0 1", 1, 4},
      // Black's castling rights stay in the text but the h8 rook is gone: no O-O.
      {"r3k3/8/8/8/8/8/8/4K3 b kq - 0 1", 1, 16},
      // Promotion with and without capture.
      {"1n2k3/P7/8/8/8/8/8/4K3 w - - 0 1", 1, 13},
  };
  for (const auto& c : casos) {
    Posicionar(c.fen);
    EXPECT_EQ(Perft(c.profundidad), c.nodos) << c.fen;
    EXPECT_EQ(Perft(c.profundidad, true), c.nodos) << c.fen;
  }
}

// The last-ply shortcut against make on positions of random games, checks, pins
// and en-passant chances included.
TEST(Perft, ShortcutCountsWhatMakeAccepts) {
  std::mt19937 azar(8);
  Posicionar("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  int comparadas = 0, enJaque = 0;
  for (int ply = 0; comparadas < 400; ++ply) {
    const std::vector<Jugada> legales = JugadasLegales();
    if (legales.empty() || ply == 150) {
      NuevaPartida();
      ply = 0;
      continue;
    }
    HacerJugadaPartida(legales[azar() % legales.size()]);
    enJaque += EstadoActual->EnJaque;
    ASSERT_EQ(Perft(2, true), Perft(2, false)) << "after " << ply << " plies";
    ++comparadas;
  }
  EXPECT_GT(enJaque, 10);
  NuevaPartida();
}

}  // namespace

namespace {

std::string Ejecutar(const std::string& orden) {
  std::string salida;
  FILE* f = popen(orden.c_str(), "r");
  if (f == nullptr) return salida;
  char buf[256];
  while (fgets(buf, sizeof buf, f)) salida += buf;
  pclose(f);
  return salida;
}

// The command-line forms a shell script relies on: the bare total on the last
// line, the FEN taken from all remaining arguments, divide's "move: count" lines.
TEST(ZelmorDiag, PerftAndDivideOutput) {
  const std::string diag = ZELMOR_DIAG_BIN;
  std::string salida = Ejecutar(diag + " perft 3");
  EXPECT_EQ(salida.substr(salida.rfind('\n', salida.size() - 2) + 1), "8902\n");
  salida = Ejecutar(diag + " perft --full 3");
  EXPECT_EQ(salida.substr(salida.rfind('\n', salida.size() - 2) + 1), "8902\n");
  salida = Ejecutar(diag + " perft 2 8/2p5/3p4/KP5r/1R3p1k/8/4P1P1/8 w - - 0 1");
  EXPECT_EQ(salida.substr(salida.rfind('\n', salida.size() - 2) + 1), "191\n");
  salida = Ejecutar(diag + " divide 2");
  EXPECT_EQ(salida.rfind("a2a3: 20\na2a4: 20\n", 0), 0u) << salida;
  EXPECT_NE(salida.find("\ng1h3: 20\n400\n"), std::string::npos) << salida;
  EXPECT_NE(Ejecutar(diag + " perft 1 8/8/8/8 2>&1").find("cadena incompleta"), std::string::npos);
}

}  // namespace
