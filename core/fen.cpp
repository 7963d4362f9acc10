// Setting up a position: from FEN text or the initial position, and the
// from-scratch computations of material, piece lists and keys.
#include "core/core.h"

#include <cstdio>
#include <cstring>

namespace {

constexpr const char* ERROR_INCOMPLETA = "Error en FEN: cadena incompleta";
constexpr const char* ERROR_LINEA = "Error en FEN: l\xEDnea incorrecta";
constexpr const char* ERROR_COLOR = "Error en FEN: color en turno debe ser 'w' o 'b'";

int FallarFEN(const char* mensaje) {
  std::printf("%s\n", mensaje);
  return 1;
}

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

// Parses `fen` into `f`. Returns the error message, or nullptr on success.
const char* LeerFEN(const char* fen, FENLeida& f) {
  std::memset(&f, 0, sizeof f);
  f.reyes[0] = f.reyes[1] = SIN_CASILLA;
  int numReyes[2] = {0, 0};
  int hombres[2] = {0, 0};
  // Positions the engine cannot hold are reported only once the text has parsed,
  // so a short or mistyped FEN still gets its own message.
  bool imposible = false;
  const unsigned char* c = reinterpret_cast<const unsigned char*>(fen);

  // 1. Board: '/', ' ' and ';' all jump to the next rank; digits skip squares.
  int a = 0;
  while (a < 120) {
    const unsigned char ch = *c;
    if (ch == 0) return ERROR_INCOMPLETA;
    ++c;
    if (ch >= '0' && ch <= '9') {
      a += ch - '0';
    } else if (ch == '/' || ch == ' ' || ch == ';') {
      a += 8;
    } else if (const int p = CodigoPieza(static_cast<char>(ch)); p != VACIO) {
      const int lado = Color(p);
      // A rank with too many squares would put the man off the board.
      if (!EnTablero(a)) {
        imposible = true;
        ++a;
        continue;
      }
      if (Abs(p) == REY) {
        f.reyes[lado] = a;
        ++numReyes[lado];
      }
      if (Abs(p) == PEON && (Fila(a) == 0 || Fila(a) == 7)) imposible = true;
      if (++hombres[lado] > 16) imposible = true;
      f.tablero[a] = p;
      ++a;
    } else {
      return ERROR_LINEA;
    }
  }
  if (numReyes[BLANCO] != 1 || numReyes[NEGRO] != 1) imposible = true;

  // 2. Side to move.
  while (*c == ' ') ++c;
  const unsigned char lado = *c;
  if (lado == 'w' || lado == 'W') f.turno = BLANCO;
  else if (lado == 'b' || lado == 'B') f.turno = NEGRO;
  else return ERROR_COLOR;
  ++c;
  while (*c == ' ') ++c;
  if (imposible) return ERROR_LINEA;

  // 3. Castling rights: inferred from the board when the text ends here.
  if (*c == 0) {
    f.enroques = EnroquesDelTablero(f.tablero);
    f.alPaso = SIN_CASILLA;
    return nullptr;
  }
  for (;; ++c) {
    if (*c == 'K') f.enroques |= ENROQUE_BC;
    else if (*c == 'Q') f.enroques |= ENROQUE_BL;
    else if (*c == 'k') f.enroques |= ENROQUE_NC;
    else if (*c == 'q') f.enroques |= ENROQUE_NL;
    else break;
  }
  if (*c != 0) ++c;

  // 4. En passant; the clocks and anything after them are ignored.
  f.alPaso = SIN_CASILLA;
  while (*c == ' ') ++c;
  if (c[0] >= 'a' && c[0] <= 'h' && c[1] >= '1' && c[1] <= '8')
    f.alPaso = AlPasoCoherente(f, CasillaDeTexto(reinterpret_cast<const char*>(c)));
  return nullptr;
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

int ColocarFEN(const char* fen) {
  FENLeida f;
  if (const char* error = LeerFEN(fen, f)) return FallarFEN(error);

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
    return FallarFEN(ERROR_LINEA);
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
