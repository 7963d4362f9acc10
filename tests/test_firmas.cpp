// Recorded signatures: for positions of deterministic random games, the values
// the evaluation, the attack maps and the exchange routines gave when the file
// tests/data/firmas.txt was written. Any rewrite of those routines for speed has
// to reproduce every one of them; a line that differs names the position (its
// key) and the figure that moved.
//
// To write the file anew (only after a deliberate change of the evaluation):
//   ZELMOR_ESCRIBIR_FIRMAS=tests/data/firmas.txt build/zelmor_tests --gtest_filter='Firmas.*'
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "eval_test_util.h"
#include "movegen/movegen.h"
#include "posicion_test_util.h"

namespace {

constexpr int POSICIONES = 2000;

uint32_t Fnv(const uint8_t* p, int n, uint32_t h = 2166136261u) {
  for (int i = 0; i < n; ++i) h = (h ^ p[i]) * 16777619u;
  return h;
}

// Every figure of the current position, as one line of the file.
std::string Firma() {
  const EstadoPly* e = EstadoActual;
  char linea[200];
  int fases[3] = {0, 0, 0};
  if (e->PiezasBlancas == 0 && e->PiezasNegras == 0) {
    fases[0] = fases[1] = fases[2] = EvaluarFinalPeones();
  } else {
    for (int f = 0; f < 3; ++f) fases[f] = EvaluarPosicion(f);
  }
  const int ev = Evaluar();
  CalcularAtaques();
  const EntradaHashAtaques* h = EntradaAtaques();
  uint8_t bytes[2][64];
  for (int i = 0; i < 64; ++i) bytes[0][i] = ByteAtaques(h, BLANCO, i), bytes[1][i] = ByteAtaques(h, NEGRO, i);
  const uint32_t mapa = Fnv(bytes[1], 64, Fnv(bytes[0], 64));
  // Exchange values of every capture, and of every square the side to move holds.
  int64_t cambios = 0;
  EntradaJugada* const tope = TopeJugadas;
  GenerarCapturas();
  int k = 1;
  for (EntradaJugada* j = InicioLista[PlyActual]; j <= TopeJugadas; ++j, ++k)
    cambios += int64_t{k} * CambioCaptura(j->Jugada);
  TopeJugadas = tope;
  const int signo = Signo(e->Turno);
  for (int s = 0; s < 120; ++s)
    if (EnTablero(s) && Tablero[s] * signo > 0) cambios += int64_t{s} * CambioCasilla(s);
  std::snprintf(linea, sizeof linea, "%016" PRIx64 " %d %d %d %d %08x %" PRId64, ClaveActual(),
                fases[0], fases[1], fases[2], ev, mapa, cambios);
  return linea;
}

// The positions: random games from the initial position, every other ply,
// under the three engine colours and varied game lengths.
std::vector<std::string> Firmas() {
  PrepararEval();
  std::mt19937 azar(11);
  std::vector<std::string> firmas;
  int plies = 0;
  NuevaPartida();
  while (static_cast<int>(firmas.size()) < POSICIONES) {
    if (plies >= 160 || !JugadaAleatoria(azar)) {
      NuevaPartida();
      plies = 0;
      continue;
    }
    ++plies;
    if (plies % 2) continue;
    MediasJugadas = static_cast<int>(azar() % 60);
    Eval.ColorMotor = static_cast<int>(azar() % 3) - 1;
    firmas.push_back(Firma());
  }
  NuevaPartida();
  return firmas;
}

TEST(Firmas, EvaluationMapsAndExchangesAsRecorded) {
  const std::vector<std::string> firmas = Firmas();
  if (const char* destino = std::getenv("ZELMOR_ESCRIBIR_FIRMAS")) {
    std::ofstream f(destino);
    for (const std::string& s : firmas) f << s << '\n';
    GTEST_SKIP() << "signatures written to " << destino;
  }
  std::ifstream f(ZELMOR_DATA_DIR "/firmas.txt");
  ASSERT_TRUE(f.good()) << "tests/data/firmas.txt missing";
  std::string linea;
  int n = 0, distintas = 0;
  while (std::getline(f, linea) && n < POSICIONES) {
    if (linea != firmas[n] && ++distintas <= 10)
      ADD_FAILURE() << "position " << n << "\n  recorded: " << linea
                    << "\n  now:      " << firmas[n]
                    << "\n  (key, eval in phases 0 1 2, Evaluar, attack-map hash, exchanges)";
    ++n;
  }
  EXPECT_EQ(n, POSICIONES);
  EXPECT_EQ(distintas, 0);
}

}  // namespace
