// Pawn structure: doubled, isolated, weak, passed, defended and connected passed
// pawns and side-by-side pawns, cached in the pawn hash.
#include <initializer_list>

#include "eval/eval.h"
#include "eval/interno.h"
#include "eval/tablas_eval.h"

namespace {

// By the row of a white pawn (0 = rank 8); a black pawn on row r reads 7 - r.
constexpr int32_t PasadoMedio[8] = {0, 90, 50, 25, 20, 10, 5, 0};
constexpr int32_t PasadoProtegido[8] = {0, 35, 20, 10, 5, 0, 0, 30};
constexpr int32_t PasadosUnidos[8] = {0, 150, 75, 10, 5, 0, 0, 0};
constexpr int32_t PasadoFinal[8] = {0, 110, 75, 55, 40, 15, 10, 0};
constexpr int32_t PasadoProtegidoFinal[8] = {0, 45, 35, 25, 15, 5, 5, 0};
constexpr int32_t PasadosUnidosFinal[8] = {0, 200, 100, 20, 10, 5, 5, 0};

struct PesosPeones {
  int32_t doblado, dobladoConVecino;
  const int32_t* pasado;
  const int32_t* protegido;
  const int32_t* unidos;
  int32_t fueraCuadrado;
  int32_t debil;
};
constexpr PesosPeones PESOS_MEDIO = {10, 8, PasadoMedio, PasadoProtegido, PasadosUnidos, 0, 25};
constexpr PesosPeones PESOS_FINAL = {15, 10, PasadoFinal, PasadoProtegidoFinal, PasadosUnidosFinal,
                                     30, 10};

// One side's pawns, in list order, from that side's point of view (positive is
// good for it). `adelante` is -16 for White; rows are counted from the side's
// promotion rank, so both sides read the tables alike.
template <int Lado, bool Final>
int32_t PuntuarLado(const PesosPeones& w) {
  constexpr int signo = Lado == BLANCO ? 1 : -1;
  const uint64_t propios = Lado == BLANCO ? Eval.MapaPeonesBlancos : Eval.MapaPeonesNegros;
  const uint64_t contrarios = Lado == BLANCO ? Eval.MapaPeonesNegros : Eval.MapaPeonesBlancos;
  const int lista = Lado == BLANCO ? 0 : 1;
  const int n = EstadoActual->NumPiezas[lista];
  const int reyContrario = EstadoActual->Rey[1 - Lado];

  // Passed pawns recorded so far: one bit per file and the row of the last one.
  unsigned marcadas = 0;
  int filaMarcada[8] = {};

  int32_t v = 0;
  for (int k = 0; k < n; ++k) {
    const int s = ListaPiezas[lista][k];
    const int f = Columna(s), i = Indice64(s);
    const int r = Lado == BLANCO ? FilaDe(s) : 7 - FilaDe(s);

    // Doubled: more than one own pawn on the file.
    const uint64_t columna = propios & MascaraColumna[f];
    if (columna & (columna - 1))
      v -= (propios & ColumnasVecinas[f]) ? w.dobladoConVecino : w.doblado;

    // Passed.
    const uint64_t camino = Lado == BLANCO ? MascaraPasadoBlanco[i] : MascaraPasadoNegro[i];
    const bool pasado = (camino & contrarios) == 0;
    if (pasado) {
      v += w.pasado[r];
      if (Final && !CuadradoPeon[s][reyContrario][Lado]) v += w.fueraCuadrado;
      if (PiezaEn(s + 15 * signo) == signo * PEON || PiezaEn(s + 17 * signo) == signo * PEON)
        v += w.protegido[r];
      for (int vecina : {f - 1, f + 1}) {
        if (vecina < 0 || vecina > 7 || !(marcadas & (1u << vecina))) continue;
        const int otra = filaMarcada[vecina];
        if (Abs(r - otra) <= 1) v += w.unidos[r > otra ? r : otra];
      }
      marcadas |= 1u << f;
      filaMarcada[f] = r;
    }

    // Isolated.
    if (!pasado && (propios & ColumnasVecinas[f]) == 0) v -= 5;

    // Weak on a half-open file: no own pawn beside or behind it, no enemy
    // pawn in front of it.
    const uint64_t apoyo = Lado == BLANCO ? ApoyoBlanco[i] : ApoyoNegro[i];
    const uint64_t frente = Lado == BLANCO ? ColumnaArriba[i] : ColumnaAbajo[i];
    if ((apoyo & propios) == 0 && (frente & contrarios) == 0) v -= w.debil;

    // Side by side (counted once, from the right-hand pawn).
    if (f > 0 && Tablero[s - 1] == signo * PEON) v += 3;
  }
  return v;
}

}  // namespace

int PuntuarPeones(bool final) {
  // The index is taken from the key itself, not from the record's stored copy,
  // so that a table re-sized after the position was set up is never overrun.
  const EstadoPly* e = EstadoActual;
  EntradaHashPeones* h = &Eval.TablaPeones[e->ClavePeones & MascaraPeones];
  ++Eval.ContadorEvalPeones;
  const int32_t v =
      final ? PuntuarLado<BLANCO, true>(PESOS_FINAL) - PuntuarLado<NEGRO, true>(PESOS_FINAL)
            : PuntuarLado<BLANCO, false>(PESOS_MEDIO) - PuntuarLado<NEGRO, false>(PESOS_MEDIO);
  h->ValorPeones = v;
  h->Verificacion = e->ClavePeones ^ (final ? MarcaPeonesB : MarcaPeonesA);
  return v;
}

int EvaluarPeones() { return PeonesDeHash<false>(); }
int EvaluarPeonesFinal() { return PeonesDeHash<true>(); }
