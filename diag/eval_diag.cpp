// Evaluation diagnostics: the term-by-term trace of one position, and the
// evaluation speed over a fixed set of positions.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/core.h"
#include "diag/diag.h"
#include "driver/driver.h"
#include "eval/eval.h"
#include "movegen/movegen.h"

namespace {

constexpr uint32_t MEGAS_DIAGNOSTICO = 5;
constexpr int PLIES_BENCH = 3;

// Varied positions: openings, middlegames with castles on both wings, endgames
// with pieces, and king-and-pawn endings.
constexpr const char* POSICIONES_BENCH[] = {
    FEN_INICIAL,
    "r1bqkbnr/pppp1ppp/2n5/4p3/4P3/5N2/PPPP1PPP/RNBQKB1R w KQkq - 2 3",
    "rnbqkb1r/pp2pppp/3p1n2/8/3NP3/8/PPP2PPP/RNBQKB1R w KQkq - 1 5",
    "r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq - 0 1",
    "r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/2KR1B1R b - - 3 9",
    "2kr3r/ppp2ppp/2n1bn2/2b1p3/4P3/2NP1N2/PPP1BPPP/R1B2RK1 w - - 4 10",
    "r2q1rk1/1b2bppp/p2ppn2/1p6/3NP3/1BN1B3/PPP1QPPP/R4RK1 w - - 0 12",
    "r4rk1/pp1n1ppp/2p1pn2/q7/2PP4/P1Q1PN2/5PPP/R3KB1R w KQ - 1 14",
    "1r3rk1/2q2ppp/p1n1b3/1pp1P3/5P2/2PB4/PP1Q2PP/R4RK1 b - - 0 18",
    "r1b2rk1/2q1bppp/p2ppn2/1p6/3BPP2/2NB4/PPPQ2PP/2KR3R w - - 0 13",
    "3r2k1/pp3ppp/2n1b3/8/2B5/2N5/PPP2PPP/3R2K1 w - - 0 20",
    "8/5pk1/6p1/3R4/7P/6P1/r4PK1/8 w - - 0 40",
    "8/2b2k2/5p2/4p3/1P2P3/5B2/5PK1/8 b - - 0 45",
    "4k3/8/3b4/2p5/2P2B2/8/4K3/8 w - - 0 50",
    "2r3k1/5ppp/8/3B4/8/6P1/r4P1P/3R2K1 w - - 0 30",
    "6k1/5p2/6p1/8/7P/6P1/5PK1/3q4 b - - 0 50",
    "8/8/4kpp1/3p4/p2P1P2/P3K1P1/8/8 w - - 0 45",
    "8/5k2/8/P7/4K3/8/8/8 w - - 0 60",
    "8/p4k2/1p6/8/2P5/1P2K3/8/8 b - - 0 40",
    "8/8/1p1k4/p1p5/P1P2K2/1P6/8/8 w - - 0 50",
    "r1bqk2r/pppp1ppp/2n2n2/2b1p3/2B1P3/3P1N2/PPP2PPP/RNBQK2R w KQkq - 1 5",
    "rnbq1rk1/ppp1bppp/4pn2/3p2B1/2PP4/2N2N2/PP2PPPP/R2QKB1R w KQ - 4 6",
};

void PrepararTablasEval() {
  static bool hecho = false;
  PrepararDiagnostico();
  if (!hecho) ReservarTablasEval(MEGAS_DIAGNOSTICO, MEGAS_DIAGNOSTICO);
  hecho = true;
}

const char* NombreTablaPeones(int t) {
  switch (t) {
    case TABLA_PEONES_TORMENTA1: return "storm 1 (white king f-h, black king a-c)";
    case TABLA_PEONES_TORMENTA2: return "storm 2 (white king a-c, black king f-h)";
    default: return "standard";
  }
}

void ImprimirDesglose(const DesgloseEval& d) {
  char centro[3] = {static_cast<char>('a' + Columna(d.CentroPeones)),
                    static_cast<char>('1' + Fila(d.CentroPeones)), 0};
  std::printf("phase               %d\n", d.Fase);
  std::printf("pawn table          %s\n", NombreTablaPeones(d.TablaPeonesUsada));
  std::printf("material            %d\n", d.Material);
  std::printf("bishop pair         %d\n", d.ParejaAlfiles);
  std::printf("pawn squares        %d\n", d.CasillasPeones);
  std::printf("bishop squares      %d\n", d.CasillasAlfiles);
  std::printf("knights             %d\n", d.Caballos);
  std::printf("rooks               %d\n", d.Torres);
  std::printf("seventh rank        %d\n", d.Septima);
  std::printf("mobility            %d\n", d.Movilidad);
  std::printf("development         %d\n", d.Desarrollo);
  std::printf("centre              %d\n", d.Centro);
  std::printf("pawn structure      %d\n", d.Peones);
  std::printf("bad bishop          %d\n", d.MalAlfil);
  std::printf("back rank           %d\n", d.UltimaFila);
  std::printf("king safety         %d\n", d.SeguridadRey);
  std::printf("  shelter           white %d, black %d\n", d.RefugioBlanco, d.RefugioNegro);
  std::printf("  attackers         on white %d, on black %d\n", d.AtaqueBlanco, d.AtaqueNegro);
  std::printf("  danger            white %d, black %d\n", d.PeligroBlanco, d.PeligroNegro);
  std::printf("  A B E G           %d %d %d %d\n", d.ReyA, d.ReyB, d.ReyE, d.ReyG);
  std::printf("  pawn centre       %s\n", centro);
  std::printf("sum                 %d\n", d.Suma);
  std::printf("after draw scaling  %d\n", d.TrasEscala);
  std::printf("total (white)       %d\n", d.Total);
}

// Every legal move of the current position, for the bench's walk.
int JugadasLegales(Jugada* salida, int maximo) {
  GenerarJugadas();
  int n = 0;
  for (EntradaJugada* e = InicioLista[PlyActual]; e <= TopeJugadas && n < maximo; ++e) {
    if (!HacerJugada(e->Jugada)) continue;
    DeshacerJugada();
    salida[n++] = e->Jugada;
  }
  TopeJugadas = InicioLista[PlyActual] - 1;
  return n;
}

// Walks every position up to `plies` moves from the current one, as a search
// visits them, evaluating each one when `evaluar`. Returns the positions seen.
uint64_t Recorrer(int plies, bool evaluar, int64_t& suma) {
  if (evaluar) suma += Evaluar();
  if (plies == 0) return 1;
  Jugada jugadas[MAX_JUGADAS_POSICION];
  const int n = JugadasLegales(jugadas, MAX_JUGADAS_POSICION);
  uint64_t vistas = 1;
  for (int k = 0; k < n; ++k) {
    HacerJugada(jugadas[k]);
    vistas += Recorrer(plies - 1, evaluar, suma);
    DeshacerJugada();
  }
  return vistas;
}

double Segundos(std::chrono::steady_clock::time_point desde) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - desde).count();
}

}  // namespace

int ComandoEval(int argc, char** argv) {
  int medias = 50, colorMotor = -1, i = 2;
  for (; i < argc; ++i) {
    if (std::strcmp(argv[i], "--half-moves") == 0 && i + 1 < argc) {
      char* fin = nullptr;
      const long v = std::strtol(argv[++i], &fin, 10);
      if (*fin != 0 || v < 0 || v > 100000) {
        std::fprintf(stderr, "--half-moves needs a number 0..100000\n");
        return 1;
      }
      medias = static_cast<int>(v);
    } else if (std::strcmp(argv[i], "--engine-colour") == 0 && i + 1 < argc) {
      const char* c = argv[++i];
      if (std::strcmp(c, "white") == 0) colorMotor = BLANCO;
      else if (std::strcmp(c, "black") == 0) colorMotor = NEGRO;
      else if (std::strcmp(c, "none") == 0) colorMotor = -1;
      else {
        std::fprintf(stderr, "--engine-colour takes white, black or none\n");
        return 1;
      }
    } else if (std::strncmp(argv[i], "--", 2) == 0) {
      std::fprintf(
          stderr,
          "usage: zelmor-diag eval [--half-moves N] [--engine-colour white|black|none] FEN\n");
      return 1;
    } else {
      break;
    }
  }
  PrepararTablasEval();
  MotivoFEN motivo;
  if (ColocarFEN(UnirArgumentos(argc, argv, i).c_str(), &motivo) != 0) {
    ImprimirErrorFEN(motivo);
    return 1;
  }
  MediasJugadas = medias;
  Eval.ColorMotor = colorMotor;

  const EstadoPly* e = EstadoActual;
  if (e->PiezasBlancas == 0 && e->PiezasNegras == 0) {
    std::printf("king and pawn ending %d\n", EvaluarFinalPeones());
  } else {
    DesgloseEval d;
    EvaluarPosicionDesglose(FaseEvaluacion(), &d);
    ImprimirDesglose(d);
  }
  std::printf("%d\n", Evaluar());
  return 0;
}

int ComandoEvalBench(int argc, char** argv) {
  const int pasadas = argc >= 3 ? std::max(1, std::atoi(argv[2])) : 3;
  PrepararTablasEval();
  Eval.ColorMotor = -1;

  // Time the same walk with and without evaluations; the difference is the
  // evaluation's own time. The pawn hash starts empty in every pass, so each
  // pass sees the hit rate a fresh search would.
  std::vector<double> porSegundo;
  uint64_t evaluaciones = 0;
  uint32_t calculadas = 0, aciertos = 0;
  int64_t suma = 0;
  for (int p = 0; p < pasadas; ++p) {
    std::memset(Eval.TablaPeones, 0, (uint64_t{MascaraPeones} + 1) * sizeof(EntradaHashPeones));
    Eval.ContadorEvalPeones = Eval.ContadorEvalHash = 0;
    double conEval = 0, sinEval = 0;
    uint64_t n = 0;
    for (const char* fen : POSICIONES_BENCH) {
      ColocarFEN(fen);
      int64_t nada = 0;
      auto t0 = std::chrono::steady_clock::now();
      Recorrer(PLIES_BENCH, false, nada);
      sinEval += Segundos(t0);
      t0 = std::chrono::steady_clock::now();
      n += Recorrer(PLIES_BENCH, true, suma);
      conEval += Segundos(t0);
    }
    const double tiempo = std::max(conEval - sinEval, 1e-9);
    porSegundo.push_back(n / tiempo);
    evaluaciones = n;
    calculadas = Eval.ContadorEvalPeones;
    aciertos = Eval.ContadorEvalHash;
    std::printf("pass %d: %llu evaluations, %.3f s of evaluation (%.3f s walk), %.0f evals/s\n",
                p + 1, static_cast<unsigned long long>(n), tiempo, sinEval, n / tiempo);
  }
  std::sort(porSegundo.begin(), porSegundo.end());
  const double mediana = porSegundo[porSegundo.size() / 2];
  const double sondas = static_cast<double>(calculadas) + aciertos;
  std::printf("positions %zu, evaluations per pass %llu, checksum %lld\n",
              sizeof POSICIONES_BENCH / sizeof POSICIONES_BENCH[0],
              static_cast<unsigned long long>(evaluaciones),
              static_cast<long long>(suma / pasadas));
  std::printf("pawn hash: %u computed, %u hits (%.2f%% hit rate)\n", calculadas, aciertos,
              sondas > 0 ? 100.0 * aciertos / sondas : 0.0);
  std::printf("%.0f evals/s (median of %d passes)\n", mediana, pasadas);
  return 0;
}
