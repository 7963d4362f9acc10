// The book probe at the root: every legal root move whose resulting position is
// in the book of the side that moves becomes a candidate, the best weight plus a
// random term wins; learned values and avoided moves are handed to the search
// (its transposition table) for the search that may follow.
#include <cstdio>
#include <ctime>

#include "book/book.h"

namespace {

int32_t AleatorioLibro() {
  Libros.SemillaLibro = Libros.SemillaLibro * 1103515245u + 12345u;
  return static_cast<int32_t>((Libros.SemillaLibro >> 16) & 0x7FFF);
}

struct Candidato {
  Jugada Movimiento;
  int32_t Peso;  // with the random term
  int32_t Mostrado;
};

// Whole seconds of a time in seconds, kept within what a record can compare.
int32_t SegundosEnteros(double t) {
  if (!(t > 0)) return 0;
  if (t >= 2147483647.0) return 2147483647;
  return static_cast<int32_t>(t);
}

// Logs the candidates of one kind, adds them to the probe's record and keeps
// the best. Ties keep the earlier one.
void Anotar(const Candidato* c, int n, const char* log, bool aprendidos, ConsultaLibro& r,
            bool& elegido) {
  for (int i = 0; i < n; ++i) {
    if (Libros.SalidaLogLibro != nullptr) {
      char linea[64];
      std::snprintf(linea, sizeof linea, log, NombreCasilla[CasillaDesde(c[i].Movimiento)],
                    NombreCasilla[CasillaHasta(c[i].Movimiento)], c[i].Mostrado);
      Libros.SalidaLogLibro(linea);
    }
    r.Candidatos[r.NumCandidatos++] = {c[i].Movimiento, c[i].Mostrado, aprendidos};
    // The first candidate is always taken, even with a weight a huge random
    // width pushed below the empty root score.
    if (!elegido || c[i].Peso > r.Peso) {
      r.Elegida = c[i].Movimiento;
      r.Peso = c[i].Peso;
      elegido = true;
    }
  }
}

}  // namespace

LecturaEntrada ClasificarEntrada(const EntradaLibro& e, int32_t segundosPlan,
                                 int32_t limiteAceptacion) {
  LecturaEntrada l{TipoCandidato::Ninguno, 0, e.Peso, 0, 0, 0};
  if (!(e.Marcas & MARCA_LIBRO)) {
    // Learned: playable when the search behind it was long enough and its value
    // stayed acceptable; its value always warns the search.
    const int32_t v = e.Valor + e.Peso;
    if (e.Segundos >= segundosPlan && v > limiteAceptacion) {
      l.Tipo = TipoCandidato::Aprendido;
      l.Peso = v;
    }
    l.Plantar = 1;
    l.ValorTabla = -v;
    l.ProfTabla = e.Profundidad;
    return l;
  }
  const int32_t p = e.Peso;
  if ((e.Marcas & MARCA_EVITAR) || ((e.Marcas & MARCA_AJUSTE) && p < UMBRAL_EVITAR)) {
    l.Tipo = TipoCandidato::Evitar;
    l.Plantar = 1;
    l.ValorTabla = VALOR_EVITAR;
    l.ProfTabla = PROFUNDIDAD_EVITAR;
    return l;
  }
  l.Tipo = TipoCandidato::Libro;
  if (!(e.Marcas & MARCA_AJUSTE) || p < UMBRAL_AJUSTE) l.Peso = p;
  else l.Peso = (p > 0 ? FACTOR_AJUSTE * p : p) - UMBRAL_AJUSTE;
  return l;
}

ConsultaLibro ConsultarLibro(int32_t selectividad, int32_t limiteAceptacion,
                             double tiempoEsperado, PlantarValor plantar) {
  // Width of the random term; none below 1 (a remainder by zero is no choice).
  const int32_t s = selectividad > 0 ? selectividad : 1;
  const int32_t h = s / 2;
  Libros.SemillaLibro = static_cast<uint32_t>(std::time(nullptr));
  const int32_t segundosPlan = SegundosEnteros(tiempoEsperado);

  // Each legal root move, last generated first.
  static Candidato libro[MAX_CANDIDATOS], aprendidos[MAX_CANDIDATOS];
  int numLibro = 0, numAprendidos = 0, ignorados = 0;
  for (EntradaJugada* m = TopeJugadas; m >= InicioLista[0]; --m) {
    const Jugada j = m->Jugada;
    if (!HacerJugada(j)) continue;
    const EstadoPly* n = EstadoActual;
    // White just moved when Black is to move.
    EntradaLibro* r = n->Turno == NEGRO
                          ? BuscarLibro(Libros.LibroBlancas, Libros.NumLibroBlancas, n->ClaveBaja, n->ClaveAlta)
                          : BuscarLibro(Libros.LibroNegras, Libros.NumLibroNegras, n->ClaveBaja, n->ClaveAlta);
    if (r != nullptr) {
      const LecturaEntrada l = ClasificarEntrada(*r, segundosPlan, limiteAceptacion);
      if (l.Plantar && plantar != nullptr) plantar(l.ValorTabla, l.ProfTabla);
      if (l.Tipo == TipoCandidato::Libro || l.Tipo == TipoCandidato::Aprendido) {
        const bool deLibro = l.Tipo == TipoCandidato::Libro;
        Candidato* lista = deLibro ? libro : aprendidos;
        int& cuenta = deLibro ? numLibro : numAprendidos;
        const int32_t peso = AleatorioLibro() % s - h + l.Peso;
        if (cuenta < MAX_CANDIDATOS) lista[cuenta++] = {j, peso, l.Mostrado};
        else ++ignorados;
      }
    }
    DeshacerJugada();
  }

  // Nothing found: the search takes over.
  ConsultaLibro r;
  r.Elegida = 0;
  r.Peso = PESO_SIN_JUGADA;
  r.NumCandidatos = 0;
  if (numLibro == 0 && numAprendidos == 0) return r;
  if (ignorados > 0 && Libros.SalidaLogLibro != nullptr) {
    char linea[80];
    std::snprintf(linea, sizeof linea, "\nLibro: %d candidatas de m\xE1s ignoradas\n", ignorados);
    Libros.SalidaLogLibro(linea);
  }

  // The candidates and the choice.
  bool elegido = false;
  Anotar(libro, numLibro, "\nJugada Libro: %s%s (%d);", false, r, elegido);
  Anotar(aprendidos, numAprendidos, "\nJugada Aprendida: %s%s (%d);", true, r, elegido);
  return r;
}
