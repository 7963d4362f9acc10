// Colour symmetry: a position and its colour-mirrored twin (ranks flipped,
// colours swapped, the other side to move) evaluate to opposite values, except
// for the asymmetries the evaluation has on purpose, which are accounted for
// exactly: the storm tables' e4/e5 entries, the pawn centre truncated toward
// rank 8, the engine's own colour (mirrored with the position) and the races of
// the king-and-pawn evaluator (450 - D for White against -(443 + D) for Black).
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "eval_test_util.h"
#include "movegen/movegen.h"
#include "posicion_test_util.h"

namespace {

constexpr char LETRAS[] = "kqrbnp.PNBRQK";  // by piece code + 6

int Espejo(int s) { return s ^ 0x70; }

// FEN of the current position, or of its colour mirror.
std::string Fen(bool espejo) {
  const EstadoPly* e = EstadoActual;
  std::string s;
  for (int fila = 0; fila < 8; ++fila) {
    int vacias = 0;
    for (int c = 0; c < 8; ++c) {
      const int sq = fila * 16 + c;
      const int p = espejo ? -Tablero[Espejo(sq)] : Tablero[sq];
      if (p == VACIO) {
        ++vacias;
        continue;
      }
      if (vacias) s += static_cast<char>('0' + vacias);
      vacias = 0;
      s += LETRAS[p + 6];
    }
    if (vacias) s += static_cast<char>('0' + vacias);
    if (fila < 7) s += '/';
  }
  const int turno = espejo ? 1 - e->Turno : e->Turno;
  s += turno == BLANCO ? " w " : " b ";
  int enroques = e->Enroques;
  if (espejo) enroques = (enroques & 3) << 2 | (enroques >> 2 & 3);
  std::string derechos;
  if (enroques & ENROQUE_BC) derechos += 'K';
  if (enroques & ENROQUE_BL) derechos += 'Q';
  if (enroques & ENROQUE_NC) derechos += 'k';
  if (enroques & ENROQUE_NL) derechos += 'q';
  s += derechos.empty() ? "-" : derechos;
  s += ' ';
  if (e->AlPaso == SIN_CASILLA) {
    s += '-';
  } else {
    const int a = espejo ? Espejo(e->AlPaso) : e->AlPaso;
    s += static_cast<char>('a' + Columna(a));
    s += static_cast<char>('1' + Fila(a));
  }
  return s + " 0 1";
}

// Makes the next full evaluation compute its pawn structure afresh (an entry of
// the same pawns may hold another list order or other king squares).
void OlvidarPeones() {
  const uint32_t clave = EstadoActual->ClavePeones;
  EntradaHashPeones& h = Eval.TablaPeones[clave & MascaraPeones];
  uint32_t v = (clave ^ MarcaPeonesA) + 1;
  if (v == (clave ^ MarcaPeonesB)) ++v;
  h.Verificacion = v;
}

struct Medida {
  bool finalPeones;
  int fase;
  int valor;  // EvaluarFinalPeones, or the full evaluation, White's view
  int evaluar;
  DesgloseEval d;
  int peonesE5Blancos, peonesE4Negros;
  int reyBlanco, reyNegro;
};

Medida Medir() {
  Medida m{};
  const EstadoPly* e = EstadoActual;
  m.reyBlanco = e->Rey[BLANCO];
  m.reyNegro = e->Rey[NEGRO];
  m.peonesE5Blancos = Tablero[CasillaTexto("e5")] == PEON;
  m.peonesE4Negros = Tablero[CasillaTexto("e4")] == -PEON;
  m.finalPeones = e->PiezasBlancas == 0 && e->PiezasNegras == 0;
  if (m.finalPeones) {
    m.valor = EvaluarFinalPeones();
  } else {
    m.fase = FaseEvaluacion();
    OlvidarPeones();
    m.valor = EvaluarPosicionDesglose(m.fase, &m.d);
  }
  OlvidarPeones();
  m.evaluar = Evaluar();
  return m;
}

int Distancia(int a, int b) {
  const int df = Abs(Columna(a) - Columna(b)), dr = Abs(Fila(a) - Fila(b));
  return df > dr ? df : dr;
}

int contadorCarreras = 0, contadorTormentas = 0, contadorCentros = 0, contadorFases[3] = {};

// Sets the mirror of the current position with the piece lists in the mirrored
// order of the original's (the connected-passer record depends on list order),
// evaluates both and compares.
void ComprobarEspejo(int medias, int colorMotor) {
  const std::string fen = Fen(false), fenEspejo = Fen(true);
  int32_t listas[10][CAPACIDAD_LISTA];
  std::memcpy(listas, ListaPiezas, sizeof listas);
  MediasJugadas = medias;
  Eval.ColorMotor = colorMotor;
  const Medida x = Medir();

  PosicionEval(fenEspejo.c_str(), medias, colorMotor < 0 ? -1 : 1 - colorMotor);
  for (int l = 0; l < 10; ++l)
    for (int k = 0; k < EstadoActual->NumPiezas[l]; ++k)
      ListaPiezas[l][k] = Espejo(listas[l ^ 1][k]);
  const Medida y = Medir();
  SCOPED_TRACE(fen + "  |  " + fenEspejo + "  medias " + std::to_string(medias) + " motor " +
               std::to_string(colorMotor));

  ASSERT_EQ(x.finalPeones, y.finalPeones);
  if (x.finalPeones) {
    // A won race: White's 450 - D mirrors Black's -443 - D.
    if (x.valor + y.valor != 0) {
      ++contadorCarreras;
      const int dBlanco = x.valor > 0 ? 450 - x.valor : 450 - y.valor;
      const int dNegro = x.valor > 0 ? -443 - y.valor : -443 - x.valor;
      EXPECT_EQ(dBlanco, dNegro) << x.valor << " " << y.valor;
      EXPECT_TRUE(dBlanco >= 0 && dBlanco <= 8) << x.valor << " " << y.valor;
    }
    if (x.valor + y.valor == 0) {
      EXPECT_EQ(x.evaluar, y.evaluar);
    }
    return;
  }

  const DesgloseEval& a = x.d;
  const DesgloseEval& b = y.d;
  ASSERT_EQ(x.fase, y.fase);
  ++contadorFases[x.fase];
  ASSERT_EQ(a.TablaPeonesUsada == TABLA_PEONES_NORMAL, b.TablaPeonesUsada == TABLA_PEONES_NORMAL);

  // Terms with no asymmetry.
  EXPECT_EQ(a.Material, -b.Material);
  EXPECT_EQ(a.ParejaAlfiles, -b.ParejaAlfiles);
  EXPECT_EQ(a.CasillasAlfiles, -b.CasillasAlfiles);
  EXPECT_EQ(a.Caballos, -b.Caballos);
  EXPECT_EQ(a.Torres, -b.Torres);
  EXPECT_EQ(a.Septima, -b.Septima);
  EXPECT_EQ(a.Movilidad, -b.Movilidad);
  EXPECT_EQ(a.Desarrollo, -b.Desarrollo);
  EXPECT_EQ(a.Centro, -b.Centro);
  EXPECT_EQ(a.Peones, -b.Peones);
  EXPECT_EQ(a.MalAlfil, -b.MalAlfil);
  EXPECT_EQ(a.UltimaFila, -b.UltimaFila);

  // Pawn squares: each white pawn on e5 under the first storm table (+3) is a
  // black pawn on e4 under the second (-6) in the twin, and the other way round.
  int tormenta = 0;
  if (a.TablaPeonesUsada == TABLA_PEONES_TORMENTA1) tormenta = -3 * x.peonesE5Blancos;
  if (a.TablaPeonesUsada == TABLA_PEONES_TORMENTA2) tormenta = -3 * x.peonesE4Negros;
  if (tormenta) ++contadorTormentas;
  EXPECT_EQ(a.CasillasPeones + b.CasillasPeones, tormenta);

  // King safety: shelter, attackers, danger and the king-table products mirror
  // (with the engine's colour mirrored too).
  EXPECT_EQ(a.RefugioBlanco, b.RefugioNegro);
  EXPECT_EQ(a.RefugioNegro, b.RefugioBlanco);
  EXPECT_EQ(a.AtaqueBlanco, b.AtaqueNegro);
  EXPECT_EQ(a.AtaqueNegro, b.AtaqueBlanco);
  EXPECT_EQ(a.PeligroBlanco, b.PeligroNegro);
  EXPECT_EQ(a.PeligroNegro, b.PeligroBlanco);
  EXPECT_EQ(a.ReyA, b.ReyB);
  EXPECT_EQ(a.ReyB, b.ReyA);
  // The pawn centre truncates toward rank 8: the twin's centre is the mirror,
  // or one rank nearer rank 8 when the mean row was not whole; without pawns
  // both are e4. Its pull terms mirror whenever the king's distance to it is
  // the mirrored one.
  EXPECT_EQ(Columna(b.CentroPeones), Columna(a.CentroPeones));
  const int filaEspejo = 7 - (a.CentroPeones >> 4), filaGemela = b.CentroPeones >> 4;
  const bool sinPeones = EstadoActual->NumPiezas[0] + EstadoActual->NumPiezas[1] == 0;
  if (sinPeones) {
    EXPECT_EQ(a.CentroPeones, CasillaTexto("e4"));
    EXPECT_EQ(b.CentroPeones, CasillaTexto("e4"));
  } else {
    EXPECT_TRUE(filaGemela == filaEspejo || filaGemela == filaEspejo - 1);
  }
  const bool exacto = filaGemela == filaEspejo;
  if (!exacto) ++contadorCentros;
  if (Distancia(x.reyBlanco, a.CentroPeones) == Distancia(y.reyNegro, b.CentroPeones)) {
    EXPECT_EQ(a.ReyE, b.ReyG);
  }
  if (Distancia(x.reyNegro, a.CentroPeones) == Distancia(y.reyBlanco, b.CentroPeones)) {
    EXPECT_EQ(a.ReyG, b.ReyE);
  }
  EXPECT_EQ(a.SeguridadRey, (a.ReyA - a.ReyB + a.ReyE - a.ReyG) / 100);
  const int rey = a.SeguridadRey + b.SeguridadRey;
  if (a.ReyE == b.ReyG && a.ReyG == b.ReyE) {
    EXPECT_EQ(rey, 0);
  }

  // Totals: every difference is one of the two above.
  EXPECT_EQ(a.Suma + b.Suma, tormenta + rey);
  if (tormenta + rey == 0) {
    EXPECT_EQ(a.Total, -b.Total);
    EXPECT_EQ(x.evaluar, y.evaluar);  // each from its own side to move
  }
}

// Set-up with standard output silenced: random placements that leave the side
// not to move in check are refused, with a message, and simply skipped.
bool ColocarSinMensaje(const char* fen) {
  std::fflush(stdout);
  const int guardado = dup(1);
  const int nulo = open("/dev/null", O_WRONLY);
  dup2(nulo, 1);
  const int r = ColocarFEN(fen);
  std::fflush(stdout);
  dup2(guardado, 1);
  close(nulo);
  close(guardado);
  return r == 0;
}

// A random endgame: kings, pawns and a few pieces (or none) placed at random.
bool FinalAleatorio(std::mt19937& azar, bool conPiezas) {
  char tablero[64];
  std::memset(tablero, '.', sizeof tablero);
  auto libre = [&](int desde, int hasta) {
    for (;;) {
      const int i = desde + static_cast<int>(azar() % (hasta - desde));
      if (tablero[i] == '.') return i;
    }
  };
  const int rb = libre(0, 64);
  tablero[rb] = 'K';
  int rn;
  do rn = libre(0, 64);
  while (Abs((rn >> 3) - (rb >> 3)) <= 1 && Abs((rn & 7) - (rb & 7)) <= 1);
  tablero[rn] = 'k';
  for (const char peon : {'P', 'p'}) {
    const int n = static_cast<int>(azar() % 7);
    for (int k = 0; k < n; ++k) tablero[libre(8, 56)] = peon;
  }
  if (conPiezas) {
    const char piezas[] = "NBRQnbrq";
    const int n = 1 + static_cast<int>(azar() % 4);
    for (int k = 0; k < n; ++k) tablero[libre(0, 64)] = piezas[azar() % 8];
  }
  std::string fen;
  for (int fila = 0; fila < 8; ++fila) {
    int vacias = 0;
    for (int c = 0; c < 8; ++c) {
      const char p = tablero[fila * 8 + c];
      if (p == '.') {
        ++vacias;
        continue;
      }
      if (vacias) fen += static_cast<char>('0' + vacias);
      vacias = 0;
      fen += p;
    }
    if (vacias) fen += static_cast<char>('0' + vacias);
    if (fila < 7) fen += '/';
  }
  fen += azar() % 2 ? " w - - 0 1" : " b - - 0 1";
  return ColocarSinMensaje(fen.c_str());
}

TEST(Espejo, KnownCases) {
  // Kings on opposite wings with a pawn on the storm tables' odd square, and a
  // few ordinary positions, under each engine colour.
  for (const char* fen : {"1k1r3r/pppq1ppp/2n1b3/4P3/8/2N1B3/PPPQ1PPP/R4RK1 w - - 0 1",
                          "r4rk1/pppq1ppp/2n1b3/8/4p3/2N1B3/PPPQ1PPP/1K1R3R w - - 0 1",
                          "r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/2KR1B1R b - - 3 9",
                          "rnbqkbnr/pppppppp/8/8/8/8/PPPPPPPP/RNBQKBNR w KQkq - 0 1",
                          "4k3/5p2/3b4/8/2P1P3/3B4/8/4K3 w - - 0 1",
                          "8/8/8/P3k3/8/8/8/K7 w - - 0 1", "3K4/8/P7/8/8/7p/8/4k3 b - - 0 1"}) {
    for (int motor = -1; motor <= 1; ++motor) {
      PosicionEval(fen);
      ComprobarEspejo(30, motor);
    }
  }
  EXPECT_GE(contadorTormentas, 6);
}

TEST(Espejo, PositionsFromRandomGames) {
  // Random games from the initial position, checked every few moves; after each
  // check the game goes on from the position set up again from its FEN.
  PrepararEval();
  std::mt19937 azar(20261207);
  int probadas = 0, plies = 0;
  NuevaPartida();
  while (probadas < 1500 && !HasFailure()) {
    if (plies >= 120 || !JugadaAleatoria(azar)) {
      NuevaPartida();
      plies = 0;
      continue;
    }
    ++plies;
    if (azar() % 3 != 0) continue;
    const std::string fen = Fen(false);
    ComprobarEspejo(static_cast<int>(azar() % 40), static_cast<int>(azar() % 3) - 1);
    ++probadas;
    PosicionEval(fen.c_str());
  }
  EXPECT_EQ(probadas, 1500);
  EXPECT_GT(contadorFases[0], 50);
  EXPECT_GT(contadorFases[1], 50);
  EXPECT_GT(contadorCentros, 100);
}

TEST(Espejo, RandomEndings) {
  PrepararEval();
  std::mt19937 azar(7);
  int probadas = 0, finalesPeones = 0;
  for (int n = 0; n < 4000; ++n) {
    const bool conPiezas = n % 2 == 0;
    if (!FinalAleatorio(azar, conPiezas)) continue;
    ComprobarEspejo(50, static_cast<int>(azar() % 3) - 1);
    ++probadas;
    finalesPeones += !conPiezas;
    if (HasFailure()) break;
  }
  EXPECT_GT(probadas, 2500);
  EXPECT_GT(finalesPeones, 1200);
  EXPECT_GT(contadorFases[2], 1000);
  EXPECT_GT(contadorCarreras, 20);
}

}  // namespace
