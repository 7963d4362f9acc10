// Standard algebraic notation read against the engine's own move list: the text
// only narrows the legal moves down, so whatever it accepts is a legal move.
#include <cstring>

#include "movegen/movegen.h"
#include "tools/libro/libro_tool.h"

namespace {

int TipoDeLetra(char c) {
  switch (c) {
    case 'N':
    case 'n': return CABALLO;
    case 'B':
    case 'b': return ALFIL;
    case 'R':
    case 'r': return TORRE;
    case 'Q':
    case 'q': return DAMA;
    case 'K': return REY;
    default: return 0;
  }
}

// What a SAN text asks for; -1 in a field leaves it open.
struct Patron {
  int Pieza = PEON;
  int ColumnaDesde = -1, FilaDesde = -1;
  int Hasta = -1;
  int Promocion = 0;
  int Enroque = 0;  // +1 king side, -1 queen side
};

bool Columna_(char c) { return c >= 'a' && c <= 'h'; }
bool Fila_(char c) { return c >= '1' && c <= '8'; }

// Parses the text; false when it is not SAN at all.
bool Analizar(std::string t, Patron& p) {
  // Check marks and annotation glyphs at the end; an "e.p." suffix.
  while (!t.empty() && std::strchr("+#!?", t.back()) != nullptr) t.pop_back();
  if (t.size() > 4 && t.compare(t.size() - 4, 4, "e.p.") == 0) t.resize(t.size() - 4);
  if (t == "O-O" || t == "0-0") {
    p.Enroque = 1;
    return true;
  }
  if (t == "O-O-O" || t == "0-0-0") {
    p.Enroque = -1;
    return true;
  }
  size_t i = 0;
  if (!t.empty() && std::strchr("NBRQK", t[0]) != nullptr) p.Pieza = TipoDeLetra(t[i++]);
  // Promotion at the end: "=Q" or a bare letter after the rank.
  if (p.Pieza == PEON && t.size() >= 3) {
    const int tipo = TipoDeLetra(t.back());
    if (tipo >= CABALLO && tipo <= DAMA && (t[t.size() - 2] == '=' || Fila_(t[t.size() - 2]))) {
      p.Promocion = tipo;
      t.pop_back();
      if (t.back() == '=') t.pop_back();
    }
  }
  // The destination is the last two characters.
  if (t.size() < i + 2 || !Columna_(t[t.size() - 2]) || !Fila_(t.back())) return false;
  const int col = t[t.size() - 2] - 'a', fila = t.back() - '1';
  p.Hasta = (7 - fila) * 16 + col;
  // Between the piece and the destination: file, rank, a capture or a dash.
  std::string medio = t.substr(i, t.size() - 2 - i);
  if (!medio.empty() && (medio.back() == 'x' || medio.back() == ':' || medio.back() == '-'))
    medio.pop_back();
  size_t k = 0;
  if (k < medio.size() && Columna_(medio[k])) p.ColumnaDesde = medio[k++] - 'a';
  if (k < medio.size() && Fila_(medio[k])) p.FilaDesde = medio[k++] - '1';
  return k == medio.size();
}

bool Encaja(const Patron& p, Jugada j) {
  const int desde = CasillaDesde(j), hasta = CasillaHasta(j);
  const int pieza = Abs(Tablero[desde]);
  if (p.Enroque != 0) return pieza == REY && hasta - desde == 2 * p.Enroque && Columna(desde) == 4;
  if (pieza != p.Pieza || hasta != p.Hasta) return false;
  // A king's two-square step is castling, which SAN writes as O-O.
  if (pieza == REY && Abs(hasta - desde) == 2) return false;
  if (p.ColumnaDesde >= 0 && Columna(desde) != p.ColumnaDesde) return false;
  if (p.FilaDesde >= 0 && Fila(desde) != p.FilaDesde) return false;
  return TipoPromocion(j) == p.Promocion;
}

}  // namespace

Jugada LeerSAN(const std::string& texto, std::string& error) {
  Patron p;
  if (texto.size() > 16 || !Analizar(texto, p)) {
    error = "ilegible";
    return 0;
  }
  EntradaJugada* const tope = TopeJugadas;
  EntradaJugada* const inicio = InicioLista[PlyActual];
  EntradaJugada* const siguiente = InicioLista[PlyActual + 1];
  GenerarJugadas();
  Jugada hallada = 0;
  int cuantas = 0;
  for (EntradaJugada* e = InicioLista[PlyActual]; e <= TopeJugadas; ++e) {
    if (!Encaja(p, e->Jugada) || !HacerJugada(e->Jugada)) continue;
    DeshacerJugada();
    hallada = e->Jugada;
    ++cuantas;
  }
  TopeJugadas = tope;
  InicioLista[PlyActual] = inicio;
  InicioLista[PlyActual + 1] = siguiente;
  if (cuantas == 1) return hallada;
  error = cuantas == 0 ? "ilegal" : "ambigua";
  return 0;
}

std::string CoordenadasJugada(Jugada j) {
  const int d = CasillaDesde(j), h = CasillaHasta(j);
  std::string s = {static_cast<char>('a' + Columna(d)), static_cast<char>('1' + Fila(d)),
                   static_cast<char>('a' + Columna(h)), static_cast<char>('1' + Fila(h))};
  if (TipoPromocion(j) != 0) s += " pnbrq"[TipoPromocion(j)];
  return s;
}
