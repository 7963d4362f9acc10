// Setting up a position: from FEN text or the initial position, and the
// from-scratch computations of material, piece lists and keys.
#include "core/core.h"

#include <cstdio>
#include <cstring>

namespace {

int CodigoPieza(char c) {
  switch (c) {
    case 'P': return PEON;
    case 'N': return CABALLO;
    case 'B': return ALFIL;
    case 'R': return TORRE;
    case 'Q': return DAMA;
    case 'K': return REY;
    case 'p': return -PEON;
    case 'n': return -CABALLO;
    case 'b': return -ALFIL;
    case 'r': return -TORRE;
    case 'q': return -DAMA;
    case 'k': return -REY;
    default: return VACIO;
  }
}

constexpr int32_t POSICION_INICIAL[64] = {
    -4, -2, -3, -5, -6, -3, -2, -4,  //
    -1, -1, -1, -1, -1, -1, -1, -1,  //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    0,  0,  0,  0,  0,  0,  0,  0,   //
    1,  1,  1,  1,  1,  1,  1,  1,   //
    4,  2,  3,  5,  6,  3,  2,  4,
};

// The parsed fields of a FEN, before anything global is touched.
struct FENLeida {
  int32_t tablero[120];
  int reyes[2];
  int turno;
  int enroques;
  int alPaso;
};

// Rights read from the board when the FEN stops after the side to move.
int EnroquesDelTablero(const int32_t* t) {
  int r = 0;
  if (t[E1] == REY) {
    if (t[H1] == TORRE) r |= ENROQUE_BC;
    if (t[A1] == TORRE) r |= ENROQUE_BL;
  }
  if (t[E8] == -REY) {
    if (t[H8] == -TORRE) r |= ENROQUE_NC;
    if (t[A8] == -TORRE) r |= ENROQUE_NL;
  }
  return r;
}

// An en-passant square is kept only when a pawn can actually have just passed it:
// the enemy pawn stands in front of it and the square and the one behind are
// empty. Anything else would make an en-passant capture remove a man that is not
// there, so it is read as "no en-passant square".
int AlPasoCoherente(const FENLeida& f, int casilla) {
  if (casilla == SIN_CASILLA) return SIN_CASILLA;
  const int32_t* t = f.tablero;
  if (f.turno == BLANCO) {  // black has just moved two squares: e.g. e6 with a pawn on e5
    if ((casilla >> 4) == 2 && t[casilla] == VACIO && t[casilla - 16] == VACIO &&
        t[casilla + 16] == -PEON)
      return casilla;
  } else {
    if ((casilla >> 4) == 5 && t[casilla] == VACIO && t[casilla + 16] == VACIO &&
        t[casilla - 16] == PEON)
      return casilla;
  }
  return SIN_CASILLA;
}

bool EsBlanco(unsigned char ch) { return ch == ' ' || ch == '\t'; }
bool FinDeCampo(unsigned char ch) { return ch == 0 || EsBlanco(ch); }

const unsigned char* SaltarBlancos(const unsigned char* c) {
  while (EsBlanco(*c)) ++c;
  return c;
}

bool Fallar(MotivoFEN& m, FallaFEN falla) {
  m.falla = falla;
  return false;
}

// The board field. '/', a blank and ';' all end a rank, which must then hold
// its eight squares; the eighth rank ends the field.
bool LeerTablero(const unsigned char*& c, FENLeida& f, MotivoFEN& m) {
  int fila = 0, columna = 0;  // fila 0 is the text's first rank, the eighth
  bool trasBlanco = false;    // the rank began after a blank, not after '/'
  for (;;) {
    const unsigned char ch = *c;
    m.fila = 8 - fila;
    if (fila == 7 && columna == 8) {
      // The eighth rank is full: the field ends here, unless the text goes on
      // with more squares or more ranks.
      if ((ch >= '0' && ch <= '9') || CodigoPieza(static_cast<char>(ch)) != VACIO)
        return Fallar(m, FallaFEN::FilaLarga);
      if (ch == '/' && c[1] != 0 && !EsBlanco(c[1])) return Fallar(m, FallaFEN::MuchasFilas);
      return true;
    }
    if (ch == 0) return Fallar(m, FallaFEN::Incompleta);
    ++c;
    if (ch >= '1' && ch <= '9') {
      columna += ch - '0';
      if (columna > 8) return Fallar(m, FallaFEN::FilaLarga);
    } else if (const int p = CodigoPieza(static_cast<char>(ch)); p != VACIO) {
      if (columna >= 8) return Fallar(m, FallaFEN::FilaLarga);
      f.tablero[fila * 16 + columna++] = p;
    } else if (ch == '/' || ch == ';' || EsBlanco(ch)) {
      if (columna < 8) return Fallar(m, FallaFEN::FilaCorta);
      ++fila;
      columna = 0;
      trasBlanco = EsBlanco(ch);
      if (trasBlanco) c = SaltarBlancos(c);
    } else {
      // After a blank, a word that is no rank is where the board ended: the
      // side to move (or anything else) came too early.
      if (trasBlanco && columna == 0) {
        m.fila = fila;
        return Fallar(m, FallaFEN::PocasFilas);
      }
      m.caracter = static_cast<char>(ch);
      return Fallar(m, FallaFEN::Caracter);
    }
  }
}

// What one side's men may be: one king, and at most sixteen men, which the
// piece lists hold. More pawns or pieces of a kind than a game could give are
// taken: the engine plays such a position as safely as any other.
bool ComprobarBando(const FENLeida& f, int lado, MotivoFEN& m) {
  const int signo = lado == BLANCO ? 1 : -1;
  int cuenta[7] = {};
  int hombres = 0;
  for (int i = 0; i < 64; ++i) {
    const int p = f.tablero[Casilla0x88(i)] * signo;
    if (p > 0) ++cuenta[p], ++hombres;
  }
  m.lado = lado;
  if (cuenta[REY] == 0) return Fallar(m, FallaFEN::SinRey);
  if (cuenta[REY] > 1) return Fallar(m, FallaFEN::VariosReyes);
  if (hombres > 16) return Fallar(m, FallaFEN::DemasiadasPiezas);
  return true;
}

// Parses `fen` into `f`. False, with `m` saying why, when it is refused. Faults
// of the text are found before faults of the position it describes, so a
// mistyped FEN gets its own reason.
bool LeerFEN(const char* fen, FENLeida& f, MotivoFEN& m) {
  std::memset(&f, 0, sizeof f);
  f.reyes[0] = f.reyes[1] = SIN_CASILLA;
  f.alPaso = SIN_CASILLA;
  const unsigned char* c = reinterpret_cast<const unsigned char*>(fen);

  // Board.
  if (!LeerTablero(c, f, m)) return false;
  m.fila = 0;
  if (*c == '/' || *c == ';') ++c;

  // Side to move: one letter.
  c = SaltarBlancos(c);
  const unsigned char lado = *c;
  if (lado == 'w' || lado == 'W') f.turno = BLANCO;
  else if (lado == 'b' || lado == 'B') f.turno = NEGRO;
  else return Fallar(m, FallaFEN::Turno);
  if (!FinDeCampo(*++c)) return Fallar(m, FallaFEN::Turno);
  c = SaltarBlancos(c);

  // Castling rights: inferred from the board when the text ends here.
  bool inferidos = false;
  if (*c == 0) {
    f.enroques = EnroquesDelTablero(f.tablero);
    inferidos = true;
  } else if (*c == '-' && FinDeCampo(c[1])) {
    ++c;
  } else {
    for (; !FinDeCampo(*c); ++c) {
      if (*c == 'K') f.enroques |= ENROQUE_BC;
      else if (*c == 'Q') f.enroques |= ENROQUE_BL;
      else if (*c == 'k') f.enroques |= ENROQUE_NC;
      else if (*c == 'q') f.enroques |= ENROQUE_NL;
      else return Fallar(m, FallaFEN::Enroques);
    }
  }

  // En passant: '-', a square, or nothing; the clocks and anything after
  // them are ignored.
  int alPaso = SIN_CASILLA;
  c = SaltarBlancos(c);
  if (*c != 0 && !(*c == '-' && FinDeCampo(c[1]))) {
    if (!(c[0] >= 'a' && c[0] <= 'h' && c[1] >= '1' && c[1] <= '8' && FinDeCampo(c[2])))
      return Fallar(m, FallaFEN::AlPaso);
    alPaso = CasillaDeTexto(reinterpret_cast<const char*>(c));
  }

  // The position itself.
  if (!ComprobarBando(f, BLANCO, m) || !ComprobarBando(f, NEGRO, m)) return false;
  m.lado = 0;
  for (int i = 0; i < 64; ++i) {
    const int s = Casilla0x88(i);
    if (Abs(f.tablero[s]) == REY) f.reyes[Color(f.tablero[s])] = s;
    if (Abs(f.tablero[s]) == PEON && (Fila(s) == 0 || Fila(s) == 7)) {
      m.casilla = s;
      return Fallar(m, FallaFEN::PeonEnBorde);
    }
  }

  // What cannot be so is dropped, as if the text had not said it: a right
  // whose king or rook has left its square, an en-passant square no pawn
  // has just passed.
  if (!inferidos) {
    const int posibles = EnroquesDelTablero(f.tablero);
    m.enroquesDescartados = f.enroques & ~posibles;
    f.enroques &= posibles;
  }
  f.alPaso = AlPasoCoherente(f, alPaso);
  m.alPasoDescartado = alPaso != SIN_CASILLA && f.alPaso == SIN_CASILLA;
  return true;
}

// Everything besides the board that a new root shares with both set-ups.
void ReiniciarRaiz(EstadoPly& raiz) {
  std::memset(&raiz, 0, sizeof raiz);
  raiz.Desde = raiz.Hasta = SIN_CASILLA;
  raiz.AlPaso = SIN_CASILLA;
  raiz.Rey[NEGRO] = raiz.Rey[BLANCO] = SIN_CASILLA;
  raiz.Turno = BLANCO;
  raiz.InicioRepeticion = &raiz;
}

void ReiniciarPilas() {
  PlyActual = 0;
  TopeJugadas = PilaJugadas;
  InicioLista[0] = PilaJugadas + 1;
}

}  // namespace

int ColocarFEN(const char* fen, MotivoFEN* motivo) {
  MotivoFEN local;
  MotivoFEN& m = motivo != nullptr ? *motivo : local;
  m = MotivoFEN{};
  FENLeida f;
  if (!LeerFEN(fen, f, m)) return 1;

  // Keep what the new position overwrites, so a refused FEN changes nothing.
  static int32_t tableroPrevio[120];
  static int32_t listasPrevias[10][CAPACIDAD_LISTA];
  static uint64_t conjuntosPrevios[10];
  std::memcpy(tableroPrevio, Tablero, sizeof Tablero);
  std::memcpy(listasPrevias, ListaPiezas, sizeof ListaPiezas);
  std::memcpy(conjuntosPrevios, ConjuntoPiezas, sizeof ConjuntoPiezas);
  const EstadoPly raizPrevia = Historia[0];
  EstadoPly* const actualPrevio = EstadoActual;

  EstadoActual = Historia;
  EstadoPly& raiz = *EstadoActual;
  ReiniciarRaiz(raiz);
  std::memcpy(Tablero, f.tablero, sizeof Tablero);
  raiz.Rey[BLANCO] = static_cast<uint8_t>(f.reyes[BLANCO]);
  raiz.Rey[NEGRO] = static_cast<uint8_t>(f.reyes[NEGRO]);
  raiz.Turno = static_cast<uint8_t>(f.turno);
  raiz.Enroques = static_cast<uint8_t>(f.enroques);
  raiz.AlPaso = static_cast<uint8_t>(f.alPaso);
  ContarMaterial();
  CrearListas();
  raiz.EnJaque = static_cast<uint8_t>(Atacada(1 - raiz.Turno, raiz.Rey[raiz.Turno], &raiz));

  // The side that has just moved cannot have left its king attacked.
  if (Atacada(raiz.Turno, raiz.Rey[1 - raiz.Turno], &raiz)) {
    std::memcpy(Tablero, tableroPrevio, sizeof Tablero);
    std::memcpy(ListaPiezas, listasPrevias, sizeof ListaPiezas);
    std::memcpy(ConjuntoPiezas, conjuntosPrevios, sizeof ConjuntoPiezas);
    Historia[0] = raizPrevia;
    EstadoActual = actualPrevio;
    m = MotivoFEN{};
    m.falla = FallaFEN::JaqueSinTurno;
    m.lado = 1 - f.turno;
    return 1;
  }
  raiz.PermiteNulo = !raiz.EnJaque;
  raiz.Evasion = CasillasEvasion(&raiz);

  ReiniciarPilas();
  MediasJugadas = 50;
  CalcularClaves();
  return 0;
}

void EscribirFEN(int turno, char* destino, size_t tam) {
  constexpr char LETRAS[] = "kqrbnp.PNBRQK";  // by piece + 6
  char texto[100];
  size_t n = 0;
  for (int fila = 0; fila < 8; ++fila) {
    int vacias = 0;
    for (int columna = 0; columna < 8; ++columna) {
      const int32_t pieza = Tablero[fila * 16 + columna];
      if (pieza == VACIO) {
        ++vacias;
        continue;
      }
      if (vacias > 0) texto[n++] = static_cast<char>('0' + vacias);
      vacias = 0;
      texto[n++] = LETRAS[pieza + 6];
    }
    if (vacias > 0) texto[n++] = static_cast<char>('0' + vacias);
    texto[n++] = fila < 7 ? '/' : ' ';
  }
  const EstadoPly* e = EstadoActual;
  texto[n++] = turno == BLANCO ? 'w' : 'b';
  texto[n++] = ' ';
  const size_t antesEnroques = n;
  if (e->Enroques & ENROQUE_BC) texto[n++] = 'K';
  if (e->Enroques & ENROQUE_BL) texto[n++] = 'Q';
  if (e->Enroques & ENROQUE_NC) texto[n++] = 'k';
  if (e->Enroques & ENROQUE_NL) texto[n++] = 'q';
  if (n == antesEnroques) texto[n++] = '-';
  texto[n] = '\0';
  const bool alPaso = e->AlPaso != SIN_CASILLA && turno == e->Turno;
  // The engine keeps no move number of its own (set-up does not read it).
  std::snprintf(destino, tam, "%s %s %d 1", texto, alPaso ? NombreCasilla[e->AlPaso] : "-",
                PliesReversibles(e));
}

void NuevaPartida() {
  EstadoActual = Historia;
  EstadoPly& raiz = *EstadoActual;
  ReiniciarRaiz(raiz);
  std::memset(Tablero, 0, sizeof Tablero);
  for (int i = 0; i < 64; ++i) {
    const int s = Casilla0x88(i);
    Tablero[s] = POSICION_INICIAL[i];
    if (Tablero[s] == REY) raiz.Rey[BLANCO] = static_cast<uint8_t>(s);
    if (Tablero[s] == -REY) raiz.Rey[NEGRO] = static_cast<uint8_t>(s);
  }
  raiz.Enroques = 15;
  raiz.PermiteNulo = 1;
  ContarMaterial();

  ReiniciarPilas();
  MediasJugadas = 0;
  CalcularClaves();
  CrearListas();
}

void PrepararNucleo() {
  static bool hecho = false;
  if (hecho) return;
  NuevaPartida();
  hecho = true;
}

void ContarMaterial() {
  EstadoPly& e = *EstadoActual;
  e.Material = e.MaterialTotal = 0;
  std::memset(e.NumPiezas, 0, sizeof e.NumPiezas);
  e.PiezasBlancas = e.PiezasNegras = 0;
  for (int i = 0; i < 64; ++i) {
    const int p = Tablero[Casilla0x88(i)];
    const int tipo = Abs(p);
    if (p == VACIO || tipo == REY) continue;
    e.Material += p > 0 ? VALOR_PIEZA[tipo] : -VALOR_PIEZA[tipo];
    e.MaterialTotal += VALOR_PIEZA[tipo];
    ++e.NumPiezas[IndiceLista(p)];
    if (tipo != PEON) ++(p > 0 ? e.PiezasBlancas : e.PiezasNegras);
  }
}

void CrearListas() {
  int cuenta[10] = {};
  for (auto& lista : ListaPiezas)
    for (auto& s : lista) s = -1;
  for (int i = 0; i < 64; ++i) {
    const int s = Casilla0x88(i), p = Tablero[s];
    if (p == VACIO || Abs(p) == REY) continue;
    const int idx = IndiceLista(p);
    ListaPiezas[idx][cuenta[idx]++] = s;
  }
  for (int idx = 0; idx < 10; ++idx) {
    ConjuntoPiezas[idx] = 0;
    for (int k = 0; k < cuenta[idx]; ++k) ConjuntoPiezas[idx] |= BitDe[ListaPiezas[idx][k]];
  }
}

void CalcularClaves() {
  EstadoPly& e = *EstadoActual;
  uint32_t baja = 0, alta = 0, peones = 0;
  for (int i = 0; i < 64; ++i) {
    const int s = Casilla0x88(i), p = Tablero[s];
    if (p == VACIO) continue;
    baja ^= ClavesPieza[p + 6][s][0];
    alta ^= ClavesPieza[p + 6][s][1];
    if (Abs(p) == PEON) peones ^= ClavesPieza[p + 6][s][0];
  }
  baja ^= ClavesAlPaso[e.AlPaso][0] ^ ClavesEnroque[e.Enroques][0];
  alta ^= ClavesAlPaso[e.AlPaso][1] ^ ClavesEnroque[e.Enroques][1];
  e.ClaveBaja = baja;
  e.ClaveAlta = alta;
  e.ClavePeones = peones;
  e.IndiceHash[0] = baja & MascaraHash;
  e.IndiceHash[1] = alta & MascaraHashAlta();
  e.IndicePeones = peones & MascaraPeones;
}
