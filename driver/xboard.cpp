// The xboard command loop: one command per call of BucleXboard, and the analysis
// loop of "analyze".
//
//   new          new game, the engine plays Black, normal mode
//   quit         save learning (when on), close the log, exit 0
//   force        the engine plays neither side
//   go           the engine plays the side to move: think, then ponder
//   playother    the engine plays the side not to move
//   random       logged only
//   level M B I  moves per control, base time (minutes or m:ss), increment
//   time N       own clock in centiseconds
//   otim N       logged only
//   .            nothing (not a command of the earlier build)
//   usermove MV  the opponent's move; think when the engine is then to move
//   ?            stop the running search
//   ping N       answers pong N
//   result R     learn from the game (when learning is on)
//   setboard FEN position from the rest of the line; a refused one is told with
//                tellusererror, and until a position is set or a new game the
//                engine neither thinks nor answers from the position it kept
//   undo         take one move back (analysis restarts)
//   remove       take two moves back
//   hard, easy   pondering on, off
//   analyze      analyse until input arrives; exit leaves analysis
//   rating O P   stored
//   computer     the opponent is a program
//   ics HOST     server mode unless HOST is "-"
//   name TEXT    the opponent's name; greeting on a server against programs
//   ze_kib       kibitz after each move; ze_nokib stops it
//   st N         fixed time per move, N seconds (a decimal number too)
//   sd N         last iteration of every search (0 or none: no limit)
//   post, nopost thinking lines on standard output on, off
//   hint         the reply the engine expects, when it has one
//   bk           the book moves of the position with their weights
//   accepted X, rejected X   logged
//   white, black the side to move (the position is kept); the engine plays the other
//   {...         comment: the rest of the line is dropped
//   e2e4         a legal move in coordinates alone: as "usermove e2e4"
// Anything else is answered with the unknown-command line.
//
// Front ends of the older protocol (they never send "protover 2") are served from
// the first loop: the commands that protocol has are handled here as for any
// front end, and a move is sent bare.
#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "book/book.h"
#include "driver/driver.h"
#include "driver/forma.h"
#include "eval/eval.h"
#include "search/search.h"

namespace {

constexpr int MAX_VALOR_NIVEL = 1000000;
constexpr double MAX_TIEMPO_FIJO = 1000000.0;  // seconds; beyond it "st" is refused
constexpr int MAX_PROFUNDIDAD = 100;           // the deepest iteration there is
constexpr int MAX_LIBRO = 64;                  // book moves "bk" lists

constexpr size_t TAM_RESPUESTA = 2048;

// What the xboard loop keeps between commands.
struct SesionXboard {
  // The reply the engine expected after its last move, and the position (key)
  // in which it expected it; "hint" offers it while that position stands.
  Jugada Prediccion = 0;
  uint64_t ClavePrediccion = 0;
  // While pondering the predicted reply is on the board, so "hint" and "bk" are
  // answered with what they said in the real position when pondering began.
  char HintAlPonderar[TAM_RESPUESTA];
  char BkAlPonderar[TAM_RESPUESTA];
  // Set while the analysis loop runs: a command handled inside it that asks to
  // think again only changes the position the loop analyses next.
  bool EnAnalisis = false;
  // Set by the commands that ask for a new analysis of the same position.
  bool AnalisisPedida = false;
};
SesionXboard Partida;

void TextoHint(char* destino, size_t tam);
void TextoBk(char* destino, size_t tam);

int Acotar(int valor, int minimo, int maximo) {
  return valor < minimo ? minimo : valor > maximo ? maximo : valor;
}

void LeerArgumento(char* destino, size_t tam) {
  LeerToken(destino, tam);
  Log(" %s", destino);
}

const char* SinBlancosIniciales(const char* texto) {
  while (*texto == ' ' || *texto == '\t') ++texto;
  return texto;
}

// After the engine's own move: with pondering on, play the predicted reply and
// think on the opponent's time. After "usermove" the reply is first checked
// against the board, as the log's ponder diagnostics tell.
void PasoPonder(bool comprobar) {
  if (!Driver.PonderActivo) return;
  const Jugada respuesta = Busqueda.VariantePrincipal[0][1].Jugada;
  if (respuesta == 0) return;
  // Only when the engine really moved (no result instead of a move).
  if (Eval.ColorMotor < 0 || EstadoActual->Turno == Eval.ColorMotor) return;
  if (comprobar) {
    const int origen = PiezaEn(CasillaDesde(respuesta));
    const int destino = PiezaEn(CasillaHasta(respuesta));
    if (EstadoActual->Turno == BLANCO) {
      if (origen <= 0) return Log("\nError 1 interpretando jugada ponder");
      if (destino > 0) return Log("\nError 2 interpretando jugada ponder");
    } else {
      if (origen >= 0) return Log("\nError 3 interpretando jugada ponder");
      if (destino < 0) return Log("\nError 4 interpretando jugada ponder");
    }
  }
  // The reply comes from the search's line (and the hash); only a move of the
  // position's own list is made.
  if (HistoriaLlena()) return;
  const Jugada j = JugadaGenerada(respuesta);
  if (j == 0) return;
  TextoHint(Partida.HintAlPonderar, sizeof Partida.HintAlPonderar);
  TextoBk(Partida.BkAlPonderar, sizeof Partida.BkAlPonderar);
  if (!HacerJugadaPartida(j)) return;
  Busqueda.Limites.Modo = ModoBusqueda::Ponder;
  Busqueda.Limites.JugadaPonder = j;
  Busqueda.PararBusqueda = 0;
  Pensar();
}

// Leaves pondering or analysis for a normal search, whose clock phase starts over.
void ModoNormal() {
  Busqueda.Limites.Modo = ModoBusqueda::Normal;
  Busqueda.Fase = FaseReloj::Normal;
}

// The analysis loop. Input other than "." (which the search lets pass, see
// EntradaXboard) stops the search; the command is handled and the analysis
// starts over on the current position for as long as the mode lasts. A search
// that ended by itself (a depth limit, a mate) has said all it will say about
// its position: it starts again only when the position changes or a new
// analysis is asked for.
void Analizar() {
  if (Partida.EnAnalisis) return;
  // Cleared on every way out, a harness's exception from the quit hook included.
  struct Marca {
    Marca() { Partida.EnAnalisis = true; }
    ~Marca() { Partida.EnAnalisis = false; }
  } marca;
  while (Busqueda.Limites.Modo == ModoBusqueda::Analisis) {
    // No position to analyse: the commands are handled until one is set.
    if (Driver.SinPosicion) {
      BucleXboard();
      continue;
    }
    Partida.AnalisisPedida = false;
    Pensar();
    const bool acabada = !Busqueda.PararBusqueda;
    const EstadoPly* const estado = EstadoActual;
    const uint64_t clave = ClaveActual();
    do {
      if (Busqueda.Limites.Modo != ModoBusqueda::Analisis) break;
      BucleXboard();
    } while (acabada && !Partida.AnalisisPedida && EstadoActual == estado && ClaveActual() == clave);
  }
}

// After a search that played a move: the reply it expects becomes the hint.
void RecordarPrediccion() {
  Partida.Prediccion = 0;
  if (Eval.ColorMotor < 0 || EstadoActual->Turno == Eval.ColorMotor) return;
  Partida.Prediccion = Busqueda.VariantePrincipal[0][1].Jugada;
  Partida.ClavePrediccion = ClaveActual();
}

void TomarAtras() {
  // Nothing to take back at the root of the game.
  if (EstadoActual > Historia) DeshacerJugadaPartida();
}

void CmdNew(const char*) {
  ReiniciarPartida();
  Eval.ColorMotor = NEGRO;
  ModoNormal();
}

void CmdQuit(const char*) { SalirMotor(true); }

void CmdForce(const char*) { Eval.ColorMotor = -1; }

void CmdGo(const char* comando) {
  if (SinPosicionPara(comando)) {
    Eval.ColorMotor = -1;
    return;
  }
  Eval.ColorMotor = EstadoActual->Turno;
  Pensar();
  RecordarPrediccion();
  PasoPonder(false);
}

void CmdPlayother(const char*) { Eval.ColorMotor = EstadoActual->Turno == BLANCO ? NEGRO : BLANCO; }

void CmdRandom(const char*) { Log(" random"); }

void CmdLevel(const char*) {
  char mps[TAM_TOKEN], base[TAM_TOKEN], inc[TAM_TOKEN];
  LeerArgumento(mps, sizeof mps);
  LeerArgumento(base, sizeof base);
  LeerArgumento(inc, sizeof inc);
  // A negative count or increment means none; absurd sizes are held to a bound
  // the clock arithmetic can carry.
  Busqueda.Limites.JugadasControl = Acotar(ConvertirEntero(mps), 0, MAX_VALOR_NIVEL);
  // Minutes, or minutes:seconds.
  double segundos = 60.0 * ConvertirEntero(base);
  if (const char* dosPuntos = std::strchr(base, ':')) segundos += ConvertirEntero(dosPuntos + 1);
  Busqueda.Limites.TiempoRestante = segundos;
  Busqueda.Limites.Incremento = Acotar(ConvertirEntero(inc), 0, MAX_VALOR_NIVEL);
  // A clock ends the fixed time per move.
  Busqueda.Limites.TiempoFijo = 0.0;
}

// The argument line of "st" and "sd": the rest of the line, so that a missing
// number does not swallow the next command; logged, blanks trimmed.
void LeerLineaArgumento(char* destino, size_t tam) {
  char linea[TAM_LINEA];
  LeerResto(linea, sizeof linea);
  Log(" %s", linea);
  const char* p = SinBlancosIniciales(linea);
  size_t n = std::strlen(p);
  while (n > 0 && (p[n - 1] == ' ' || p[n - 1] == '\t')) --n;
  std::snprintf(destino, tam, "%.*s", static_cast<int>(n), p);
}

void ArgumentoErroneo(const char* comando, const char* argumento) {
  const char* blanco = argumento[0] != '\0' ? " " : "";
  std::printf("Error (bad argument): %s%s%s\n", comando, blanco, argumento);
  Log("\nError (bad argument): %s%s%s\n", comando, blanco, argumento);
}

// Plain decimal: digits, optionally a point and more digits; nothing else.
bool LeerDecimal(const char* texto, double* valor) {
  const char* p = texto;
  bool cifras = false;
  while (*p >= '0' && *p <= '9') ++p, cifras = true;
  if (*p == '.')
    for (++p; *p >= '0' && *p <= '9'; ++p) cifras = true;
  if (!cifras || *p != '\0') return false;
  *valor = std::strtod(texto, nullptr);
  return true;
}

void CmdSt(const char* comando) {
  char argumento[TAM_LINEA];
  LeerLineaArgumento(argumento, sizeof argumento);
  double segundos = 0;
  if (!LeerDecimal(argumento, &segundos) || segundos <= 0 || segundos > MAX_TIEMPO_FIJO)
    return ArgumentoErroneo(comando, argumento);
  Busqueda.Limites.TiempoFijo = segundos;
}

void CmdSd(const char* comando) {
  char argumento[TAM_LINEA];
  LeerLineaArgumento(argumento, sizeof argumento);
  Partida.AnalisisPedida = true;
  if (argumento[0] == '\0') {
    Busqueda.Limites.ProfundidadMaxima = 0;
    return;
  }
  const char* p = argumento;
  while (*p >= '0' && *p <= '9') ++p;
  const int32_t prof = ConvertirEntero(argumento);
  if (*p != '\0' || prof > MAX_PROFUNDIDAD) return ArgumentoErroneo(comando, argumento);
  Busqueda.Limites.ProfundidadMaxima = prof;
}

void CmdPost(const char*) { Driver.MostrarPensamiento = 1; }
void CmdNoPost(const char*) { Driver.MostrarPensamiento = 0; }

void TextoHint(char* destino, size_t tam) {
  destino[0] = '\0';
  if (Driver.SinPosicion || Partida.Prediccion == 0 || ClaveActual() != Partida.ClavePrediccion || HistoriaLlena()) return;
  const Jugada j = JugadaGenerada(Partida.Prediccion);
  if (j == 0 || !HacerJugadaPartida(j)) return;
  DeshacerJugadaPartida();
  char texto[8];
  TextoJugada(j, texto);
  std::snprintf(destino, tam, "Hint: %s\n", texto);
}

// Appends to a text buffer, cutting what does not fit.
void Anadir(char* destino, size_t tam, size_t& n, const char* formato, const char* a, long b = 0) {
  if (n >= tam) return;
  const int w = std::snprintf(destino + n, tam - n, formato, a, b);
  if (w > 0) n = std::min(tam - 1, n + static_cast<size_t>(w));
}

void TextoBk(char* destino, size_t tam) {
  Jugada jugadas[MAX_LIBRO];
  int32_t pesos[MAX_LIBRO];
  const int num = JugadasLibro(jugadas, pesos, MAX_LIBRO);
  size_t n = 0;
  destino[0] = '\0';
  if (num < 0) return Anadir(destino, tam, n, "%s", " No book loaded.\n\n");
  for (int i = 0; i < num && i < MAX_LIBRO; ++i) {
    char texto[8];
    TextoJugada(jugadas[i], texto);
    Anadir(destino, tam, n, " %s %ld\n", texto, static_cast<long>(pesos[i]));
  }
  if (num == 0) Anadir(destino, tam, n, "%s", " No book move in this position.\n");
  Anadir(destino, tam, n, "%s", "\n");
}

void ImprimirHint(const char* texto) {
  if (texto[0] == '\0') return;
  std::fputs(texto, stdout);
  Log("\n%s", texto);
}

void CmdHint(const char*) {
  char texto[TAM_RESPUESTA];
  TextoHint(texto, sizeof texto);
  ImprimirHint(texto);
}

void CmdBk(const char* comando) {
  if (SinPosicionPara(comando)) return;
  char texto[TAM_RESPUESTA];
  TextoBk(texto, sizeof texto);
  std::fputs(texto, stdout);
}

// "hint" and "bk" while the predicted reply is on the board: pondering goes on.
bool ResponderAlPonderar(const char* comando) {
  if (Busqueda.Limites.Modo != ModoBusqueda::Ponder) return false;
  if (std::strcmp(comando, "hint") == 0) ImprimirHint(Partida.HintAlPonderar);
  else if (std::strcmp(comando, "bk") == 0) std::fputs(Partida.BkAlPonderar, stdout);
  else return false;
  return true;
}

void CmdTime(const char*) {
  char n[TAM_TOKEN];
  LeerArgumento(n, sizeof n);
  Busqueda.Limites.TiempoRestante = ConvertirEntero(n) * 0.01;
}

void CmdSoloArgumento(const char*) {
  char x[TAM_TOKEN];
  LeerArgumento(x, sizeof x);
}

void CmdNada(const char*) {}

// The opponent's move, from "usermove" or sent bare.
void JugadaRival(const char* texto) {
  if (Driver.SinPosicion) {
    std::printf("Illegal move (no position set): %s\n", texto);
    Log("\nIllegal move (no position set): %s\n", texto);
    return;
  }
  // Parse, check and make.
  if (!InterpretarJugada(texto)) {
    std::printf("Illegal move: %s\n", texto);
    Log("\nATENCI\xD3N, JUGADA ILEGAL: %s\n\n", texto);
    return;
  }
  // The engine's turn: think, then ponder on the expected reply.
  if (Eval.ColorMotor == EstadoActual->Turno) {
    Log("\nJugada recibida: %s\n\n", texto);
    Pensar();
    RecordarPrediccion();
    PasoPonder(true);
  } else if (Busqueda.Limites.Modo == ModoBusqueda::Analisis) {
    // Analysis goes on with the new position.
    Analizar();
  }
}

void CmdUsermove(const char*) {
  char texto[TAM_TOKEN];
  LeerArgumento(texto, sizeof texto);
  JugadaRival(texto);
}

void CmdStop(const char*) { Busqueda.PararBusqueda = 1; }

void CmdPing(const char*) {
  char n[TAM_TOKEN];
  LeerArgumento(n, sizeof n);
  int valor = ConvertirEntero(n);
  std::printf("\npong %d\n", valor);
  Log("\npong %d", valor);
}

void CmdResult(const char*) {
  char resultado[TAM_TOKEN];
  LeerArgumento(resultado, sizeof resultado);
  if (Personalidad.APRENDER != 0) AprenderResultado(resultado);
}

void CmdSetboard(const char*) {
  char linea[TAM_LINEA];
  LeerResto(linea, sizeof linea);
  Log(" %s", linea);
  // xboard shows tellusererror to the user; "Illegal position" is the start
  // front ends know for a refused setboard.
  MotivoFEN motivo;
  if (PonerPosicion(SinBlancosIniciales(linea), &motivo) != 0) {
    char razon[128];
    RazonFEN(motivo, razon, sizeof razon);
    std::printf("tellusererror Illegal position: %s\n", razon);
    Log("\ntellusererror Illegal position: %s\n", razon);
  }
}

void CmdUndo(const char*) {
  if (Driver.SinPosicion || EstadoActual == Historia) return;
  DeshacerJugadaPartida();
  if (Busqueda.Limites.Modo == ModoBusqueda::Analisis) Analizar();
}

void CmdRemove(const char*) {
  if (Driver.SinPosicion) return;
  TomarAtras();
  TomarAtras();
}

void CmdHard(const char*) { Driver.PonderActivo = 1; }
void CmdEasy(const char*) { Driver.PonderActivo = 0; }

void CmdAnalyze(const char* comando) {
  // Without a position the mode still starts: it waits for one.
  SinPosicionPara(comando);
  Partida.AnalisisPedida = true;
  Busqueda.Limites.Modo = ModoBusqueda::Analisis;
  Eval.ColorMotor = -1;
  Analizar();
}

void CmdExit(const char*) {
  if (Busqueda.Limites.Modo == ModoBusqueda::Analisis) ModoNormal();
}

void CmdRating(const char*) {
  char propio[TAM_TOKEN], rival[TAM_TOKEN];
  LeerArgumento(propio, sizeof propio);
  LeerArgumento(rival, sizeof rival);
  Driver.EloPropio = ConvertirEntero(propio);
  Driver.EloRival = ConvertirEntero(rival);
}

void CmdComputer(const char*) { Driver.RivalComputadora = 1; }

void CmdIcs(const char*) {
  char servidor[TAM_TOKEN];
  LeerArgumento(servidor, sizeof servidor);
  Driver.ModoICS = std::strcmp(servidor, "-") != 0;
}

void CmdName(const char*) {
  char linea[TAM_LINEA];
  LeerResto(linea, sizeof linea);
  std::snprintf(Driver.NombreRival, sizeof Driver.NombreRival, "%s", SinBlancosIniciales(linea));
  Log(" %s", Driver.NombreRival);
  if (Personalidad.ICS & Driver.RivalComputadora) {
    std::printf("\ntellopponent Hello from %s\n", NOMBRE_BASE);
    Busqueda.KibitzActivo = 1;
  }
}

// "white" and "black" of the older protocol: that side is to move on the same
// board, and the engine plays the other one. A side in check keeps the move:
// handing it to the other side would leave a king en prise.
void PonerTurno(int lado) {
  if (EstadoActual->Turno != lado && !EstadoActual->EnJaque) {
    char fen[128];
    EscribirFEN(lado, fen, sizeof fen);
    if (ColocarFEN(fen) != 0) return;
    NuevaPosicionBusqueda();
  }
  if (EstadoActual->Turno == lado) Eval.ColorMotor = lado == BLANCO ? NEGRO : BLANCO;
}

void CmdWhite(const char*) { PonerTurno(BLANCO); }
void CmdBlack(const char*) { PonerTurno(NEGRO); }

void CmdKib(const char*) { Busqueda.KibitzActivo = 1; }
void CmdNoKib(const char*) { Busqueda.KibitzActivo = 0; }

void CmdDesconocido(const char* comando) {
  std::printf("Error (unknow command): %s\n", comando);
  Log("Error (unknow command): %s\n", comando);
}

struct Comando {
  const char* nombre;
  void (*accion)(const char* comando);
  bool enBusqueda;  // may be answered by a search in passing
};

// In the order of the protocol table; the first match acts.
constexpr Comando COMANDOS[] = {
    {"new", CmdNew, false},
    {"quit", CmdQuit, true},
    {"force", CmdForce, false},
    {"go", CmdGo, false},
    {"playother", CmdPlayother, false},
    {"random", CmdRandom, true},
    {"level", CmdLevel, true},
    {"time", CmdTime, true},
    {"otim", CmdSoloArgumento, true},
    {".", FORMA_DRIVER.ComandoPunto ? CmdNada : CmdDesconocido, true},
    {"usermove", CmdUsermove, false},
    {"?", CmdStop, true},
    {"ping", CmdPing, true},
    {"result", CmdResult, false},
    {"setboard", CmdSetboard, false},
    {"undo", CmdUndo, false},
    {"remove", CmdRemove, false},
    {"hard", CmdHard, true},
    {"easy", CmdEasy, true},
    {"analyze", CmdAnalyze, false},
    {"exit", CmdExit, false},
    {"rating", CmdRating, true},
    {"computer", CmdComputer, true},
    {"ics", CmdIcs, true},
    {"name", CmdName, true},
    {"ze_kib", CmdKib, true},
    {"ze_nokib", CmdNoKib, true},
    {"post", CmdPost, true},
    {"nopost", CmdNoPost, true},
    {"st", CmdSt, true},
    {"sd", CmdSd, true},
    {"hint", CmdHint, false},
    {"bk", CmdBk, false},
    {"accepted", CmdSoloArgumento, true},
    {"rejected", CmdSoloArgumento, true},
    {"white", CmdWhite, false},
    {"black", CmdBlack, false},
};

// The commands of the older protocol, answered in the first loop as above.
constexpr const char* PROTOCOLO_1[] = {
    "new",  "force", "go",   "random", "level", "time",  "otim",   ".",     "?",
    "result", "undo", "remove", "hard", "easy",  "analyze", "exit", "rating", "computer",
    "name", "post",  "nopost", "st",   "sd",     "hint",  "bk",    "white", "black",
};

void CmdComentario(const char*) {
  char resto[TAM_LINEA];
  LeerResto(resto, sizeof resto);
}

const Comando* Buscar(const char* comando) {
  for (const Comando& c : COMANDOS)
    if (std::strcmp(comando, c.nombre) == 0) return &c;
  return nullptr;
}

// A command whose token has been read and logged. The older protocol's
// front ends send moves bare, and an illegal one is answered as such; a later
// front end's word that is not a legal move stays an unknown command.
void AtenderComando(const char* comando, bool protocolo1) {
  // Whatever it is, pondering ends and the predicted move goes back; only
  // "hint" and "bk" are answered from what was known when it began.
  if (ResponderAlPonderar(comando)) return;
  if (Busqueda.Limites.Modo == ModoBusqueda::Ponder) {
    ModoNormal();
    Busqueda.Limites.JugadaPonder = 0;
    TomarAtras();
    Log("\nJugada prevista retrocedida\n");
  }
  // Dispatch.
  if (const Comando* c = Buscar(comando)) return c->accion(comando);
  if (comando[0] == '{') return CmdComentario(comando);
  // A move stands on a line of its own: after a word the engine does not know,
  // a square pair is that word's argument, never a move to play.
  if (PrimeraDeLinea() && (protocolo1 ? TieneFormaDeJugada(comando) : JugadaDeTexto(comando) != 0))
    return JugadaRival(comando);
  CmdDesconocido(comando);
}

}  // namespace

// After a refused set-up the engine holds the position from before it, which
// is not the one the front end shows: a command that would think or answer
// from it is refused instead, with the protocol's error form.
bool SinPosicionPara(const char* comando) {
  if (!Driver.SinPosicion) return false;
  std::printf("Error (no position set): %s\n", comando);
  Log("\nError (no position set): %s\n", comando);
  return true;
}

bool ComandoSeguroEnBusqueda(const char* comando) {
  const Comando* c = Buscar(comando);
  return c == nullptr || c->enBusqueda;  // comments and unknown words touch nothing
}

void ImprimirLineaCaracteristicas() {
  const char* formato =
      "feature ping=1 setboard=1 playother=1 san=0 usermove=1 time=1 draw=0 sigint=0 sigterm=0 "
      "reuse=1 analyze=1 myname=\"%s\" variants=\"normal\" colors=0 ics=1 name=1 pause=0 "
      "done=1\n";
  std::printf(formato, Driver.NombreMotor);
  Log(formato, Driver.NombreMotor);
}

void BucleXboard() {
  // The command's token, noted in the log.
  char comando[TAM_TOKEN];
  LeerToken(comando, sizeof comando);
  Log("\n%s", comando);
  AtenderComando(comando, false);
}

bool AtenderProtocolo1(const char* comando) {
  // Knights sends GNU Chess's "depth" beside "sd", and "memory" whatever the
  // features: the one is sd, the other is taken and logged.
  if (std::strcmp(comando, "depth") == 0) return CmdSd(comando), true;
  if (std::strcmp(comando, "memory") == 0) return CmdSoloArgumento(comando), true;
  bool conocido = false;
  for (const char* c : PROTOCOLO_1) conocido = conocido || std::strcmp(comando, c) == 0;
  if (!conocido && !(PrimeraDeLinea() && TieneFormaDeJugada(comando))) return false;
  AtenderComando(comando, true);
  return true;
}

unsigned EntradaXboard() {
  for (;;) {
    const unsigned pendiente = HayEntrada();
    if (pendiente == 0 || !Pensando()) return pendiente;
    char primera[TAM_TOKEN];
    if (!PrimeraPalabraPendiente(primera, sizeof primera)) {
      // Part of a line: wait for its end, unless none can come.
      return EntradaTerminada() || EntradaLlena() ? pendiente : 0;
    }
    // xboard sends "." every few seconds while it analyses: stopping for it
    // would start the analysis over from the first iteration each time. It is
    // answered as the loop answers it (the earlier build does not know it).
    const bool punto = Busqueda.Limites.Modo == ModoBusqueda::Analisis && std::strcmp(primera, ".") == 0;
    const bool ponder = Busqueda.Limites.Modo == ModoBusqueda::Ponder &&
                        (std::strcmp(primera, "hint") == 0 || std::strcmp(primera, "bk") == 0);
    if (!punto && !ponder) return pendiente;
    LeerToken(primera, sizeof primera);
    Log("\n%s", primera);
    if (punto) Buscar(primera)->accion(primera);
    else ResponderAlPonderar(primera);
  }
}
