// The UCI loop, beside the xboard protocol: entered when the first command of the
// first loop is "uci", it fills the same search limits the xboard loop fills and
// runs the same search; only the words on the wire differ.
//
//   uci                  id, options, uciok
//   isready              readyok (answered at once during a search too)
//   ucinewgame           a new game: tables cleared, game records emptied
//   setoption name N [value V]   see OPCIONES below
//   position startpos|fen FEN [moves M ...]
//                        a refused FEN is told in an info string; until a
//                        position is set, go answers bestmove 0000
//   go [ponder] [infinite] [wtime W] [btime B] [winc I] [binc I] [movestogo N]
//      [depth D] [nodes N] [movetime T]
//   stop                 ends the search; bestmove follows
//   ponderhit            the predicted move was played: search it under the clock
//   debug, register      accepted, nothing
//   quit                 as "quit" of the xboard loop (learning saved when on)
// Anything else gets an "info string" line and changes nothing.
//
// Standard output. The search tells this loop's Informador what it has to say:
// the log keeps the thinking lines as always, and the front end gets UCI lines
// only. The plain text other commands print for a person (Pantalla) is kept off
// standard output for the whole UCI session.
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "book/book.h"
#include "driver/driver.h"
#include "eval/eval.h"
#include "movegen/movegen.h"
#include "search/search.h"

namespace {

// A "position" line holds the whole game: every move of the longest game the
// history can take, six bytes each, with room to spare.
constexpr size_t TAM_LINEA_UCI = 6 * MAX_HISTORIA + 1024;
constexpr int MAX_JUGADAS_UCI = MAX_HISTORIA;
constexpr int TAM_TEXTO_JUGADA = 8;
constexpr uint32_t MAX_MEGAS = 4096;

// What the UCI loop keeps between commands.
struct SesionUci {
  Jugada UltimaInformada = 0;  // first move of the last info line of this search
  bool PonderUci = false;  // the front end's Ponder option: it tells, nothing more
  bool LibroPropio = true;
  char PersonalidadUci[TAM_RUTA] = "";
  // The game as the last "position" left it: its starting point and the moves
  // played from there, so that the next one, which usually only adds the moves
  // since, continues the same game (its history, learning records, the last
  // move's score) instead of starting over.
  char BaseActual[TAM_LINEA] = "";
  char JugadasActuales[MAX_JUGADAS_UCI][TAM_TEXTO_JUGADA];
  int NumJugadasActuales = 0;
  // A command read while a search waited for its end, for the loop to handle next.
  bool HayPendiente = false;
  char ComandoPendiente[TAM_TOKEN];
  char LineaPendiente[TAM_LINEA_UCI];
};
SesionUci Sesion;

// Writes one line (the text without its line end) to the front end and the log.
void Uci(const char* formato, ...) __attribute__((format(printf, 1, 2)));
void Uci(const char* formato, ...) {
  char linea[4096];
  va_list args;
  va_start(args, formato);
  int n = std::vsnprintf(linea, sizeof linea - 1, formato, args);
  va_end(args);
  if (n < 0) return;
  size_t largo = std::strlen(linea);
  Log("\n%s", linea);
  linea[largo++] = '\n';
  size_t hecho = 0;
  while (hecho < largo) {
    ssize_t w = write(1, linea + hecho, largo - hecho);
    if (w <= 0) break;  // the front end has gone; the end of input follows
    hecho += static_cast<size_t>(w);
  }
}

// ---------------------------------------------------------------- words of a line

// Splits `linea` in place into whitespace-separated words.
int Palabras(char* linea, char** palabras, int max) {
  int n = 0;
  char* p = linea;
  while (n < max) {
    while (*p != '\0' && std::isspace(static_cast<unsigned char>(*p))) ++p;
    if (*p == '\0') break;
    palabras[n++] = p;
    while (*p != '\0' && !std::isspace(static_cast<unsigned char>(*p))) ++p;
    if (*p == '\0') break;
    *p++ = '\0';
  }
  return n;
}

bool Igual(const char* a, const char* b) { return std::strcmp(a, b) == 0; }

bool IgualSinMayusculas(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b)
    if (std::tolower(static_cast<unsigned char>(*a)) !=
        std::tolower(static_cast<unsigned char>(*b)))
      return false;
  return *a == *b;
}

// A whole non-negative number (at most 18 digits), or -1.
long long Numero(const char* texto) {
  if (texto == nullptr || *texto == '\0') return -1;
  long long v = 0;
  int digitos = 0;
  for (const char* p = texto; *p != '\0'; ++p) {
    if (!std::isdigit(static_cast<unsigned char>(*p)) || ++digitos > 18) return -1;
    v = v * 10 + (*p - '0');
  }
  return v;
}

// Joins words[desde, hasta) with single blanks into `destino`.
void Unir(char** palabras, int desde, int hasta, char* destino, size_t tam) {
  size_t n = 0;
  destino[0] = '\0';
  for (int i = desde; i < hasta; ++i) {
    int w = std::snprintf(destino + n, tam - n, "%s%s", i > desde ? " " : "", palabras[i]);
    if (w < 0 || static_cast<size_t>(w) >= tam - n) break;
    n += static_cast<size_t>(w);
  }
}

// ---------------------------------------------------------------- moves and lines

// The move in UCI's form: the promotion letter in lower case.
void TextoUci(Jugada j, char* destino) {
  if (j == 0) {
    std::strcpy(destino, "0000");
    return;
  }
  TextoJugada(j, destino);
  for (char* p = destino; *p != '\0'; ++p) *p = static_cast<char>(std::tolower(*p));
}

// The principal variation (row 0) as far as its moves are legal where they stand.
void TextoVariante(char* destino, size_t tam) {
  EstadoPly* const raiz = EstadoActual;
  const uint32_t nodos = Nodos;  // walking the line is no part of the search's count
  const int ply = PlyActual;
  size_t n = 0;
  destino[0] = '\0';
  for (int i = 0; i < FILAS_PV - 1; ++i) {
    const Jugada j = Busqueda.VariantePrincipal[0][i].Jugada;
    if (j == 0 || HistoriaLlena() || !ValidarJugada(j) || !HacerJugada(j)) break;
    char texto[TAM_TEXTO_JUGADA];
    TextoUci(j, texto);
    int w = std::snprintf(destino + n, tam - n, "%s%s", n > 0 ? " " : "", texto);
    if (w < 0 || static_cast<size_t>(w) >= tam - n) break;
    n += static_cast<size_t>(w);
  }
  while (EstadoActual != raiz) DeshacerJugada();
  PlyActual = ply;
  Nodos = nodos;
}

// "cp N" or "mate N" (moves, negative when the engine is mated) from a score.
void TextoValor(int32_t valor, char* destino, size_t tam) {
  if (valor > UMBRAL_MATE) {
    std::snprintf(destino, tam, "mate %d", (VALOR_MATE - valor + 1) / 2);
  } else if (valor < -UMBRAL_MATE) {
    std::snprintf(destino, tam, "mate -%d", (VALOR_MATE + valor) / 2);
  } else {
    std::snprintf(destino, tam, "cp %d", valor);
  }
}

// One info line for the search as it stands (root position on the board).
void Informar(int profundidad) {
  LeerReloj();
  const uint32_t ms = static_cast<uint32_t>(Busqueda.TiempoTranscurrido * 1000.0);
  const unsigned long long nps = 1000ull * Nodos / std::max<uint32_t>(ms, 1);
  char valor[32], variante[6 * FILAS_PV + 8];
  TextoValor(Busqueda.ValorRaiz(), valor, sizeof valor);
  TextoVariante(variante, sizeof variante);
  Sesion.UltimaInformada = Busqueda.VariantePrincipal[0][0].Jugada;
  Uci("info depth %d score %s nodes %u nps %llu time %u pv %s", profundidad, valor, Nodos, nps, ms,
      variante);
}

// ---------------------------------------------------------------- input during a search

// The search's input callback: an "isready" line waiting is answered at once and
// the search goes on; any other input stops the search (the loop reads it next).
unsigned EntradaUci() {
  for (;;) {
    const unsigned pendiente = HayEntrada();
    if (pendiente == 0) return 0;
    char primera[TAM_TOKEN];
    if (!PrimeraPalabraPendiente(primera, sizeof primera)) {
      // Part of a line: wait for its end, unless none can come (the end of
      // input) or the buffer cannot take more.
      return EntradaTerminada() || EntradaLlena() ? pendiente : 0;
    }
    if (!Igual(primera, "isready")) return pendiente;
    char resto[TAM_LINEA];
    LeerToken(primera, sizeof primera);
    LeerResto(resto, sizeof resto);
    Log("\n%s", primera);
    Uci("readyok");
  }
}

// ---------------------------------------------------------------- options

enum class TipoOpcion { Spin, Check, String };

struct OpcionUci {
  const char* nombre;
  TipoOpcion tipo;
  int minimo, maximo;
};

constexpr OpcionUci OPCIONES[] = {
    {"Hash", TipoOpcion::Spin, 1, static_cast<int>(MAX_MEGAS)},
    {"Pawn Hash", TipoOpcion::Spin, 1, 1024},
    {"Ponder", TipoOpcion::Check, 0, 0},
    {"OwnBook", TipoOpcion::Check, 0, 0},
    {"Book File White", TipoOpcion::String, 0, 0},
    {"Book File Black", TipoOpcion::String, 0, 0},
    {"NalimovPath", TipoOpcion::String, 0, 0},
    {"NalimovCache", TipoOpcion::Spin, 1, 1024},
    {"Learning", TipoOpcion::Spin, 0, 100},
    {"Personality", TipoOpcion::String, 0, 0},
};

// The current value of an option, as its "default" in the option line.
void ValorOpcion(const OpcionUci& o, char* destino, size_t tam) {
  const char* nombre = o.nombre;
  const char* cadena = nullptr;
  long long numero = 0;
  if (Igual(nombre, "Hash")) numero = Personalidad.TABLA_HASH;
  else if (Igual(nombre, "Pawn Hash")) numero = Personalidad.TABLA_HASH_PEONES;
  else if (Igual(nombre, "Ponder")) cadena = Sesion.PonderUci ? "true" : "false";
  else if (Igual(nombre, "OwnBook")) cadena = Sesion.LibroPropio ? "true" : "false";
  else if (Igual(nombre, "Book File White")) cadena = Personalidad.LIBROB_FICH;
  else if (Igual(nombre, "Book File Black")) cadena = Personalidad.LIBRON_FICH;
  else if (Igual(nombre, "NalimovPath")) cadena = Personalidad.NALIMOV_PATH;
  else if (Igual(nombre, "NalimovCache")) numero = Personalidad.EGTB_CACHE_SIZE / 1048576;
  else if (Igual(nombre, "Learning")) numero = Personalidad.APRENDER;
  else if (Igual(nombre, "Personality")) cadena = Sesion.PersonalidadUci;
  if (cadena != nullptr) std::snprintf(destino, tam, "%s", cadena[0] != '\0' ? cadena : "<empty>");
  else std::snprintf(destino, tam, "%lld", numero);
}

void ImprimirOpciones() {
  for (const OpcionUci& o : OPCIONES) {
    char valor[TAM_RUTA + 8];
    ValorOpcion(o, valor, sizeof valor);
    switch (o.tipo) {
      case TipoOpcion::Spin:
        Uci("option name %s type spin default %s min %d max %d", o.nombre, valor, o.minimo,
            o.maximo);
        break;
      case TipoOpcion::Check: Uci("option name %s type check default %s", o.nombre, valor); break;
      case TipoOpcion::String: Uci("option name %s type string default %s", o.nombre, valor); break;
    }
  }
}

// Copies a string option's value into a setting; "<empty>" empties it.
bool PonerCadena(char* ajuste, const char* valor) {
  if (Igual(valor, "<empty>")) valor = "";
  if (std::strlen(valor) >= TAM_RUTA) {
    Uci("info string value too long (at most %d characters)", static_cast<int>(TAM_RUTA) - 1);
    return false;
  }
  std::snprintf(ajuste, TAM_RUTA, "%s", valor);
  return true;
}

void CmdSetoption(char** p, int n) {
  // setoption name <words> [value <words>]
  int iValor = n;
  for (int i = 1; i < n; ++i)
    if (Igual(p[i], "value")) {
      iValor = i;
      break;
    }
  char nombre[TAM_LINEA], valor[TAM_LINEA];
  if (n < 2 || !Igual(p[0], "name") || iValor < 2) {
    Uci("info string usage: setoption name NAME [value VALUE]");
    return;
  }
  Unir(p, 1, iValor, nombre, sizeof nombre);
  Unir(p, iValor + 1, n, valor, sizeof valor);
  const OpcionUci* o = nullptr;
  for (const OpcionUci& c : OPCIONES)
    if (IgualSinMayusculas(nombre, c.nombre)) o = &c;
  if (o == nullptr) {
    Uci("info string unknown option: %s", nombre);
    return;
  }
  long long numero = 0;
  bool verdad = false;
  if (o->tipo == TipoOpcion::Spin) {
    numero = Numero(valor);
    if (numero < o->minimo || numero > o->maximo) {
      Uci("info string %s takes a number from %d to %d", o->nombre, o->minimo, o->maximo);
      return;
    }
  } else if (o->tipo == TipoOpcion::Check) {
    if (!IgualSinMayusculas(valor, "true") && !IgualSinMayusculas(valor, "false")) {
      Uci("info string %s takes true or false", o->nombre);
      return;
    }
    verdad = IgualSinMayusculas(valor, "true");
  }
  const char* n0 = o->nombre;
  if (Igual(n0, "Hash") || Igual(n0, "Pawn Hash")) {
    (Igual(n0, "Hash") ? Personalidad.TABLA_HASH : Personalidad.TABLA_HASH_PEONES) =
        static_cast<uint32_t>(numero);
    if (!AsignarTablasHash())
      Uci("info string not enough memory: Hash reduced to %u MB, Pawn Hash to %u MB",
          Personalidad.TABLA_HASH, Personalidad.TABLA_HASH_PEONES);
  } else if (Igual(n0, "Ponder")) {
    Sesion.PonderUci = verdad;
  } else if (Igual(n0, "OwnBook")) {
    Sesion.LibroPropio = verdad;
  } else if (Igual(n0, "Book File White") || Igual(n0, "Book File Black")) {
    char* ajuste =
        Igual(n0, "Book File White") ? Personalidad.LIBROB_FICH : Personalidad.LIBRON_FICH;
    if (PonerCadena(ajuste, valor)) RecargarLibros();
  } else if (Igual(n0, "NalimovPath")) {
    if (PonerCadena(Personalidad.NALIMOV_PATH, valor)) CambiarTablasFinales();
  } else if (Igual(n0, "NalimovCache")) {
    Personalidad.EGTB_CACHE_SIZE = static_cast<int32_t>(numero * 1048576);
    CambiarTablasFinales();
  } else if (Igual(n0, "Learning")) {
    Personalidad.APRENDER = static_cast<int32_t>(numero);
  } else if (Igual(n0, "Personality")) {
    if (!PonerCadena(Sesion.PersonalidadUci, valor)) return;
    if (Sesion.PersonalidadUci[0] != '\0' && !CargarPers(Sesion.PersonalidadUci))
      Uci("info string personality file %s.per not found", Sesion.PersonalidadUci);
  }
}

// ---------------------------------------------------------------- position

Jugada UltimaJugada = 0;  // the last move played by "position" (the pondered one)

void CmdPosition(char** p, int n) {
  // The starting point: "startpos" or "fen" and the words up to "moves".
  int i = 0;
  char base[TAM_LINEA];
  if (n >= 1 && Igual(p[0], "startpos")) {
    std::snprintf(base, sizeof base, "startpos");
    i = 1;
  } else if (n >= 2 && Igual(p[0], "fen")) {
    int fin = 1;
    while (fin < n && !Igual(p[fin], "moves")) ++fin;
    Unir(p, 1, fin, base, sizeof base);
    i = fin;
  } else {
    Uci("info string usage: position startpos|fen FEN [moves MOVE ...]");
    return;
  }
  if (i < n && !Igual(p[i], "moves")) {
    Uci("info string unexpected word in position: %s", p[i]);
    return;
  }
  const int primera = i < n ? i + 1 : n;
  const int total = n - primera;

  // The same game with more moves: only those are played.
  int desde = 0;
  bool continua = Igual(base, Sesion.BaseActual) && total >= Sesion.NumJugadasActuales;
  for (int k = 0; continua && k < Sesion.NumJugadasActuales; ++k)
    continua = Igual(p[primera + k], Sesion.JugadasActuales[k]);
  if (continua) {
    // The game the engine still holds, a refused FEN since or not.
    desde = Sesion.NumJugadasActuales;
    Driver.SinPosicion = false;
  } else {
    // Otherwise from the starting point. A refused FEN keeps the game, but
    // the engine will not play from it (see SinPosicion).
    MotivoFEN motivo;
    if (Igual(base, "startpos")) {
      PonerPosicion(FEN_INICIAL);
      MediasJugadas = 0;  // a game from its start, as after "new"
    } else if (PonerPosicion(base, &motivo) != 0) {
      char razon[128];
      RazonFEN(motivo, razon, sizeof razon);
      Uci("info string bad FEN (%s), no position set: %s", razon, base);
      return;
    }
    std::snprintf(Sesion.BaseActual, sizeof Sesion.BaseActual, "%s", base);
    Sesion.NumJugadasActuales = 0;
    UltimaJugada = 0;
  }

  // The moves, until one is not legal.
  for (int k = desde; k < total; ++k) {
    const char* texto = p[primera + k];
    if (Sesion.NumJugadasActuales >= MAX_JUGADAS_UCI || HistoriaLlena()) {
      Uci("info string game too long: moves from %s on not played", texto);
      return;
    }
    const Jugada j = TieneFormaDeJugada(texto) ? JugadaGenerada(PalabraJugada(texto)) : 0;
    if (j == 0 || !HacerJugadaPartida(j)) {
      Uci("info string illegal move %s: it and the moves after it not played", texto);
      return;
    }
    UltimaJugada = j;
    std::snprintf(Sesion.JugadasActuales[Sesion.NumJugadasActuales++], TAM_TEXTO_JUGADA, "%s", texto);
  }
}

// ---------------------------------------------------------------- go

struct ParametrosGo {
  long long reloj[2];  // wtime/btime in ms (-1 not given), indexed by colour
  long long incremento[2];
  long long jugadasRestantes, profundidad, nodos, tiempoFijo;
  bool ponder, infinito;
};

bool LeerGo(char** p, int n, ParametrosGo& g) {
  g = ParametrosGo{{-1, -1}, {0, 0}, -1, -1, -1, -1, false, false};
  for (int i = 0; i < n; ++i) {
    const char* w = p[i];
    if (Igual(w, "ponder")) {
      g.ponder = true;
      continue;
    }
    if (Igual(w, "infinite")) {
      g.infinito = true;
      continue;
    }
    long long* destino = Igual(w, "wtime")       ? &g.reloj[BLANCO]
                         : Igual(w, "btime")     ? &g.reloj[NEGRO]
                         : Igual(w, "winc")      ? &g.incremento[BLANCO]
                         : Igual(w, "binc")      ? &g.incremento[NEGRO]
                         : Igual(w, "movestogo") ? &g.jugadasRestantes
                         : Igual(w, "depth")     ? &g.profundidad
                         : Igual(w, "nodes")     ? &g.nodos
                         : Igual(w, "movetime")  ? &g.tiempoFijo
                                                 : nullptr;
    if (destino == nullptr) {
      // Not supported, with their arguments: the search looks at every move.
      if (Igual(w, "searchmoves") || Igual(w, "mate")) {
        Uci("info string go %s is not supported; ignored", w);
        while (i + 1 < n && (TieneFormaDeJugada(p[i + 1]) || Numero(p[i + 1]) >= 0)) ++i;
        continue;
      }
      Uci("info string unknown word in go: %s", w);
      return false;
    }
    // A clock may be negative (a front end late on its own clock): it counts as 0.
    const char* valor = i + 1 < n ? p[i + 1] : "";
    const long long v = valor[0] == '-' ? (Numero(valor + 1) >= 0 ? 0 : -1) : Numero(valor);
    if (v < 0) {
      Uci("info string go %s needs a number", w);
      return false;
    }
    *destino = v;
    ++i;
  }
  return true;
}

// The search's limits from a go command, as the xboard loop fills them from
// "level", "time", "st" and "sd": the clock in seconds, the moves to the next
// control counted from the game's start, the increment in whole seconds.
void FijarLimites(const ParametrosGo& g, ModoBusqueda modo) {
  const int turno = EstadoActual->Turno;
  Busqueda.Limites.Modo = modo;
  Busqueda.Limites.JugadaPonder = modo == ModoBusqueda::Ponder ? UltimaJugada : 0;
  const long long reloj = g.reloj[turno];
  Busqueda.Limites.TiempoRestante = reloj >= 0 ? static_cast<double>(reloj) * 0.001 : SIN_RELOJ;
  Busqueda.Limites.Incremento = static_cast<int>(std::min<long long>(g.incremento[turno] / 1000, 1000000));
  Busqueda.Limites.JugadasControl =
      g.jugadasRestantes > 0 ? static_cast<int>(std::min<long long>(g.jugadasRestantes, 1000000)) +
                                   (MediasJugadas + 2) / 2
                             : 0;
  Busqueda.Limites.TiempoFijo = g.tiempoFijo > 0 ? static_cast<double>(g.tiempoFijo) * 0.001 : 0.0;
  Busqueda.Limites.ProfundidadMaxima =
      g.profundidad > 0 ? static_cast<int>(std::min<long long>(g.profundidad, 100)) : 0;
  Busqueda.Limites.NodosMaximos =
      g.nodos > 0 ? static_cast<uint32_t>(std::min<long long>(g.nodos, 4000000000ll)) : 0;
  Busqueda.Limites.SinLibro = Sesion.LibroPropio ? 0 : 1;
  Eval.ColorMotor = turno;
}

// `libro`: the move came from the book, and the root score holds its weight,
// which is no evaluation: it is told as such, without a score.
void ImprimirMejor(bool libro) {
  char mejor[TAM_TEXTO_JUGADA], ponder[TAM_TEXTO_JUGADA];
  const Jugada j = Busqueda.VariantePrincipal[0][0].Jugada;
  TextoUci(j, mejor);
  if (libro && j != 0) Uci("info string book move %s weight %d", mejor, static_cast<int>(Busqueda.ValorRaiz()));
  else if (j != Sesion.UltimaInformada && j != 0) Informar(Busqueda.ProfundidadIteracion);
  const Jugada r = j != 0 ? Busqueda.VariantePrincipal[0][1].Jugada : 0;
  if (r != 0) {
    TextoUci(r, ponder);
    Uci("bestmove %s ponder %s", mejor, ponder);
  } else {
    Uci("bestmove %s", mejor);
  }
}

// After a search that must not answer by itself (pondering, "infinite"): waits
// for the command that ends it, answering isready meanwhile. True for
// ponderhit; stop ends the wait, and any other command too (it is kept for the
// loop, after the answer).
bool EsperarFin(bool ponder) {
  for (;;) {
    char comando[TAM_TOKEN];
    LeerToken(comando, sizeof comando);
    if (Igual(comando, "isready") || Igual(comando, "stop") ||
        (ponder && Igual(comando, "ponderhit"))) {
      char resto[TAM_LINEA];
      LeerResto(resto, sizeof resto);
      Log("\n%s", comando);
      if (Igual(comando, "isready")) {
        Uci("readyok");
        continue;
      }
      return Igual(comando, "ponderhit");
    }
    std::snprintf(Sesion.ComandoPendiente, sizeof Sesion.ComandoPendiente, "%s", comando);
    LeerResto(Sesion.LineaPendiente, sizeof Sesion.LineaPendiente);
    Sesion.HayPendiente = true;
    return false;
  }
}

// A go with no position set: GUIs wait for a bestmove to every go, and the null
// move says there is none rather than playing from a position nobody set.
// Pondering and "infinite" still answer only when told.
void SinPosicionGo(const ParametrosGo& g) {
  Uci("info string no position set: no move");
  if (g.ponder || g.infinito) EsperarFin(g.ponder);
  Uci("bestmove 0000");
}

void Buscar(const ParametrosGo& g) {
  ModoBusqueda modo = g.ponder     ? ModoBusqueda::Ponder
                      : g.infinito ? ModoBusqueda::Analisis
                                   : ModoBusqueda::Normal;
  for (;;) {
    FijarLimites(g, modo);
    Sesion.UltimaInformada = 0;
    PensarSinJugar();
    if (modo == ModoBusqueda::Normal) break;
    // Pondering and "infinite" answer only when told: input stopped the search,
    // or it ended by itself (its depth, a forced line) and waits.
    const bool hit = EsperarFin(modo == ModoBusqueda::Ponder);
    Busqueda.Fase = FaseReloj::Normal;  // as when the xboard loop leaves pondering
    if (!hit) break;
    // The predicted move was played: the same position under the clock, with
    // what the pondering search left in the tables.
    modo = ModoBusqueda::Normal;
  }
  Busqueda.Limites.Modo = ModoBusqueda::Normal;
  Busqueda.Limites.JugadaPonder = 0;
  // A search under the clock that took a book move counts no search since.
  ImprimirMejor(modo == ModoBusqueda::Normal && Busqueda.ContadorFueraLibro == 0);
}

// ---------------------------------------------------------------- the loop

// Notices for the user: UCI has only "info string" for them.
void AvisoUci(bool, const char* texto) { Uci("info string %s", texto); }

void CmdUci() {
  Uci("id name %s", Driver.NombreMotor);
  Uci("id author el equipo de Zelmor");
  ImprimirOpciones();
  Uci("uciok");
  // What start-up had to tell waited for the protocol; a front end takes
  // "info string" once it has its "uciok".
  AbrirAvisos(AvisoUci);
}

}  // namespace

[[noreturn]] void BucleUci() {
  // From now on standard output carries UCI lines only.
  Driver.ModoUci = true;
  Busqueda.EntradaPendiente = EntradaUci;
  static const Informador informador = InformadorUci(Informar);
  Busqueda.InformadorBusqueda = &informador;
  CmdUci();
  // A run without a log says why, where the front end shows an engine's notes.
  static char linea[TAM_LINEA_UCI];
  char* palabras[MAX_JUGADAS_UCI + 64];
  for (;;) {
    char comando[TAM_TOKEN];
    if (Sesion.HayPendiente) {
      Sesion.HayPendiente = false;
      std::memcpy(comando, Sesion.ComandoPendiente, sizeof comando);
      std::memcpy(linea, Sesion.LineaPendiente, sizeof linea);
    } else {
      LeerToken(comando, sizeof comando);
      LeerResto(linea, sizeof linea);
    }
    const char* argumentos = linea;
    while (*argumentos == ' ' || *argumentos == '\t') ++argumentos;
    Log(*argumentos != '\0' ? "\n%s %s" : "\n%s", comando, argumentos);
    if (std::strlen(linea) + 1 >= sizeof linea) Uci("info string line too long: cut");
    const int n = Palabras(linea, palabras, static_cast<int>(sizeof palabras / sizeof *palabras));
    if (Igual(comando, "uci")) {
      CmdUci();
    } else if (Igual(comando, "isready")) {
      Uci("readyok");
    } else if (Igual(comando, "ucinewgame")) {
      ReiniciarPartida();
      Sesion.BaseActual[0] = '\0';
      Sesion.NumJugadasActuales = 0;
      UltimaJugada = 0;
    } else if (Igual(comando, "setoption")) {
      CmdSetoption(palabras, n);
    } else if (Igual(comando, "position")) {
      CmdPosition(palabras, n);
    } else if (Igual(comando, "go")) {
      ParametrosGo g;
      if (!LeerGo(palabras, n, g)) continue;
      if (Driver.SinPosicion) SinPosicionGo(g);
      else Buscar(g);
    } else if (Igual(comando, "stop") || Igual(comando, "ponderhit") || Igual(comando, "debug") ||
               Igual(comando, "register")) {
      // Nothing is running (a search answers before its stop is read).
    } else if (Igual(comando, "quit")) {
      SalirMotor(true);
    } else {
      Uci("info string unknown command: %s", comando);
    }
  }
}
