// What the search tells, in the xboard protocol's text: thinking lines, the
// status and kibitz lines, the book's candidates, the move and the results. The
// thinking lines also go to the log in a readable form, whatever the front end.
#include <cstdarg>
#include <cstdio>

#include "driver/driver.h"
#include "driver/forma.h"
#include "search/search.h"

void Pantalla(const char* formato, ...) {
  if (Driver.ModoUci) return;
  va_list args;
  va_start(args, formato);
  std::vprintf(formato, args);
  va_end(args);
}

void PantallaTexto(const char* texto) { Pantalla("%s", texto); }

namespace {

// Thinking output reaches standard output only while "post" is on, and never
// while the UCI loop owns it.
__attribute__((format(printf, 1, 2))) void Pensamiento(const char* formato, ...) {
  if (Driver.ModoUci || !Driver.MostrarPensamiento) return;
  va_list args;
  va_start(args, formato);
  std::vprintf(formato, args);
  va_end(args);
}

// The same text on both outputs.
__attribute__((format(printf, 1, 2))) void EnAmbas(const char* formato, ...) {
  char texto[128];
  va_list args;
  va_start(args, formato);
  std::vsnprintf(texto, sizeof texto, formato, args);
  va_end(args);
  Pensamiento("%s", texto);
  Log("%s", texto);
}

const char* Nombre(int casilla) {
  return casilla >= 0 && casilla < 128 ? NombreCasilla[casilla] : "x";
}

long Centesimas(double segundos) { return static_cast<long>(segundos * 100.0); }

// Depth, score, time and nodes in front of a line: protocol form on standard
// output, readable form in the log.
void Cabecera(const LineaPensamiento& l, const char* finLog) {
  Pensamiento("%ld %ld %ld %u  ", static_cast<long>(l.Profundidad), static_cast<long>(l.Valor),
              Centesimas(l.Segundos), l.Nodos);
  Log("%ld\t%2.2f\t%2.2f\t%8u%s", static_cast<long>(l.Profundidad), l.Valor / 100.0, l.Segundos,
      l.Nodos, finLog);
}

void Cola(const LineaPensamiento& l) {
  if (FORMA_DRIVER.Velocidad) {
    const double s = l.Segundos > 0 ? l.Segundos : 0.001;
    Pensamiento(" (%ld knps)", static_cast<long>(l.Nodos / (s * 1000.0)));
  }
  EnAmbas("\n");
}

void JugadaEnAmbas(Jugada j, const char* despues) {
  char texto[8];
  TextoJugada(j, texto);
  EnAmbas("%s%s", texto, despues);
}

// The variation: the predicted move in parentheses while pondering, each move
// followed by a space, and "*" where the earlier build's line met an empty entry.
void Variante(const LineaPensamiento& l) {
  if (l.Longitud == 0) return;
  if (l.Ponder != 0)
    EnAmbas("(%s%s) ", Nombre(CasillaDesde(l.Ponder)), Nombre(CasillaHasta(l.Ponder)));
  for (int i = 0; i < l.Longitud; ++i) JugadaEnAmbas(l.Variante[i], " ");
  if (l.Cortada) EnAmbas("*");
}

void Kibitz(const LineaPensamiento& l) {
  Pensamiento(FORMA_DRIVER.Kibitz, static_cast<long>(l.Profundidad), l.Valor / 100.0, l.Segundos,
              static_cast<long>(l.Nodos));
  Variante(l);
  Pensamiento(FORMA_DRIVER.KibitzTablas, static_cast<long>(l.AciertosEGTB),
              static_cast<long>(l.IntentosEGTB));
  Pensamiento("\n");
}

void Linea(const LineaPensamiento& l) {
  switch (l.Clase) {
    case ClaseLinea::Iteracion:
    case ClaseLinea::Fijo:
      Cabecera(l, l.Clase == ClaseLinea::Fijo ? "--" : "  ");
      Variante(l);
      Cola(l);
      return;
    case ClaseLinea::FallaAlta:
    case ClaseLinea::FallaBaja:
      Cabecera(l, "  ");
      if (FORMA_DRIVER.MarcasFalla) {
        // Squares only, then the mark.
        const Jugada j = l.Variante[0];
        EnAmbas("%s%s%s\n", NombreCasilla[CasillaDesde(j)], NombreCasilla[CasillaHasta(j)],
                l.Clase == ClaseLinea::FallaAlta ? "!" : "?");
        return;
      }
      for (int i = 0; i < l.Longitud; ++i) JugadaEnAmbas(l.Variante[i], i + 1 < l.Longitud ? " " : "");
      EnAmbas("\n");
      return;
    case ClaseLinea::Kibitz:
      Kibitz(l);
      return;
  }
}

void Estado(const LineaEstado& e) {
  if (!FORMA_DRIVER.LineaEstado) return;
  Pensamiento("\nstat01: %u %u %d %u %u %s%s\n", static_cast<unsigned>(Centesimas(e.Segundos)),
              e.Nodos, e.Profundidad, static_cast<unsigned>(e.Restantes),
              static_cast<unsigned>(e.Total), NombreCasilla[CasillaDesde(e.Jugada)],
              NombreCasilla[CasillaHasta(e.Jugada)]);
}

// The blank lines between iterations belong to the thinking output: a front end
// that asked for none (Knights) gets none.
void ComienzoIteracion(int) { Pensamiento("\n\n"); }

// The candidates read as a thinking line (ended by the move line that follows).
void Libro(const ConsultaLibro& c) {
  Pensamiento("%d %d %d %d  ", 0, 0, 0, 0);
  for (int i = 0; i < c.NumCandidatos; ++i) {
    const Jugada j = c.Candidatos[i].Movimiento;
    Pensamiento("<%c> %s%s(%d) ", c.Candidatos[i].Aprendido ? 'A' : 'L',
                NombreCasilla[CasillaDesde(j)], NombreCasilla[CasillaHasta(j)],
                static_cast<int>(c.Candidatos[i].Mostrado));
  }
}

void JugadaDecidida(Jugada j) {
  char texto[8];
  TextoJugada(j, texto);
  std::printf("\nmove %s\n", texto);
}

void Final(Resultado r, bool trasJugada) {
  switch (r) {
    case Resultado::GananBlancas:
      std::printf("\n1-0 {Jaque Mate}\n");
      return;  // a mate ends the game: nothing follows
    case Resultado::GananNegras:
      std::printf("\n0-1 {Jaque Mate}\n");
      return;
    case Resultado::Ahogado:
      std::printf("\n1/2-1/2 {Ahogado}\n");
      break;
    case Resultado::Insuficiente:
      std::printf("\n1/2-1/2 {Insuficiente material}\n");
      break;
    case Resultado::Regla50:
      std::printf("\n1/2-1/2 {Regla de las 50 jugadas}\n");
      break;
    case Resultado::Repeticion:
      std::printf("\n1/2-1/2 {Tercera repeticion}\n");
      break;
    case Resultado::Ninguno:
      break;
  }
  if (trasJugada) std::printf("\n");
}

}  // namespace

const Informador INFORMADOR_XBOARD = {ComienzoIteracion, Linea, Estado, nullptr, Libro,
                                      JugadaDecidida,    Final};

Informador InformadorUci(void (*iteracionCompleta)(int profundidad)) {
  // The UCI front end hears of the search from its own loop: the thinking lines
  // go to the log only (standard output is the UCI loop's while it runs).
  return {nullptr, Linea, nullptr, iteracionCompleta, nullptr, nullptr, nullptr};
}
