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

std::vector<CasoPerft> LeerEPD(const char* nombre = "perft.epd") {
  std::ifstream f(std::string(ZELMOR_DATA_DIR) + "/" + nombre);
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

// The legal moves sorted by their words: make and unmake of captures reorder the
// piece lists, so a random game picks from this order to stay the same game
// whatever the counting before it made and took back.
std::vector<Jugada> JugadasOrdenadas() {
  std::vector<Jugada> legales = JugadasLegales();
  std::sort(legales.begin(), legales.end());
  return legales;
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

// Small positions built around pins of every kind (a pawn that may only take its
// pinner, promotions off and along a pin, en passant that would uncover the
// king), checks and castling through attacked squares; counts from an
// independent engine. Both ways of counting the last ply must give them.
TEST(Perft, PinsChecksAndEnPassantBothWays) {
  const auto casos = LeerEPD("perft_trampas.epd");
  ASSERT_EQ(casos.size(), 13u);
#ifdef ZELMOR_SANITIZE
  constexpr uint64_t MAX_HOJAS = 60000;
#else
  constexpr uint64_t MAX_HOJAS = 2000000;
#endif
  for (const CasoPerft& caso : casos) {
    Posicionar(caso.fen.c_str());
    for (size_t d = 1; d <= caso.cuentas.size() && caso.cuentas[d - 1] <= MAX_HOJAS; ++d) {
      EXPECT_EQ(Perft(static_cast<int>(d), false), caso.cuentas[d - 1]) << caso.fen << " depth " << d;
      EXPECT_EQ(Perft(static_cast<int>(d), true), caso.cuentas[d - 1]) << caso.fen << " depth " << d;
    }
  }
}

// ContarJugadasLegales against make, move by move, along random games started
// from every test position: the count is exact in each position met (checks,
// pins, promotions, en passant and castling come up on the way) and the board,
// the record and the move stack are as they were afterwards.
TEST(Perft, CountMatchesMakeAlongRandomGames) {
  std::vector<std::string> inicios;
  for (const char* nombre : {"perft.epd", "perft_trampas.epd"})
    for (const CasoPerft& caso : LeerEPD(nombre)) inicios.push_back(caso.fen);
  std::mt19937 azar(11);
  int posiciones = 0, enJaque = 0, alPaso = 0;
  for (const std::string& fen : inicios) {
    for (int partida = 0; partida < 4; ++partida) {
      Posicionar(fen.c_str());
      for (int ply = 0; ply < 80; ++ply) {
        const std::vector<Jugada> legales = JugadasOrdenadas();
        int32_t tablero[120];
        std::copy(std::begin(Tablero), std::end(Tablero), tablero);
        const uint64_t clave = ClaveActual();
        EntradaJugada* const tope = TopeJugadas;
        ASSERT_EQ(ContarJugadasLegales(), legales.size()) << fen << " after " << ply << " plies";
        ASSERT_TRUE(std::equal(std::begin(Tablero), std::end(Tablero), tablero));
        ASSERT_EQ(ClaveActual(), clave);
        ASSERT_EQ(TopeJugadas, tope);
        ++posiciones;
        enJaque += EstadoActual->EnJaque;
        alPaso += EstadoActual->AlPaso != SIN_CASILLA;
        if (legales.empty() || HistoriaLlena()) break;
        HacerJugadaPartida(legales[azar() % legales.size()]);
      }
    }
  }
  EXPECT_GT(posiciones, 3000);
  EXPECT_GT(enJaque, 100);
  EXPECT_GT(alPaso, 10);
  NuevaPartida();
}

// The last-ply shortcut against make on positions of random games, checks, pins
// and en-passant chances included.
TEST(Perft, ShortcutCountsWhatMakeAccepts) {
  std::mt19937 azar(8);
  Posicionar("rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1");
  int comparadas = 0, enJaque = 0;
  for (int ply = 0; comparadas < 400; ++ply) {
    const std::vector<Jugada> legales = JugadasOrdenadas();
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
