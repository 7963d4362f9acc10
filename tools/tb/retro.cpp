// Exact distance to mate by retrograde analysis.
//
// Every slot of both sides to move gets, at the start, the number of distinct
// slots its moves inside the combination lead to, and a summary of its moves
// out of it (captures and promotions, read from the tables already generated).
// Then ply by ply: the positions resolved at ply d are un-moved; a loss at d
// makes every predecessor a win at d + 1, a win at d removes one unresolved
// move from each predecessor, and a predecessor whose moves are all wins for
// the opponent is lost at d + 1 (or later, when a move out of the table holds
// out longer). What is never resolved is a draw.
//
// En-passant positions are nodes of their own: they share every move of their
// slot and add the en-passant captures; only the double step leads to them.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <set>

#include "tools/tb/geometria.h"
#include "tools/tb/tb.h"

namespace tb {

std::map<std::string, std::unique_ptr<Tabla>> TablasGeneradas;
Progreso InformeProgreso = nullptr;

namespace {

int Fil(int s) { return s >> 3; }
int Col(int s) { return s & 7; }

void Informar(const char* formato, const std::string& a, long long x = 0, long long y = 0) {
  if (!InformeProgreso) return;
  char texto[256];
  std::snprintf(texto, sizeof texto, formato, a.c_str(), x, y);
  InformeProgreso(texto);
}

int TipoSlot(const Material& m, int k) { return k < 2 ? T_REY : m.tipo[k - 2]; }
int ColorSlot(const Material& m, int k) { return k < 2 ? k : m.color[k - 2]; }

uint64_t Ocupadas(const Material& m, const Posicion& p) {
  uint64_t o = 0;
  for (int i = 0; i < m.n + 2; ++i) o |= 1ULL << p.sq[i];
  return o;
}

int SlotEn(const Material& m, const Posicion& p, int sq) {
  for (int i = 0; i < m.n + 2; ++i)
    if (p.sq[i] == sq) return i;
  return -1;
}

// A move of the side to move: the man's slot, its target, the slot it takes
// (-1 none) and the promotion type (0 none).
struct Movida {
  int8_t pieza, hasta, captura, promocion;
};

// Destinations of a non-pawn man from `s` (empty squares and enemy men), or the
// origins of its un-moves when `soloVacias`.
template <class F>
void Destinos(int tipo, int s, uint64_t ocupadas, F&& f) {
  auto pasos = [&](uint64_t b) {
    while (b) {
      const int t = __builtin_ctzll(b);
      b &= b - 1;
      f(t);
    }
  };
  if (tipo == T_REY) return pasos(Geo.rey[s]);
  if (tipo == T_CABALLO) return pasos(Geo.caballo[s]);
  const int d0 = tipo == T_ALFIL ? 4 : 0, d1 = tipo == T_TORRE ? 4 : 8;
  for (int d = d0; d < d1; ++d)
    for (int k = 0; k < Geo.largo[d][s]; ++k) {
      const int t = Geo.rayo[d][s][k];
      f(t);
      if (ocupadas >> t & 1) break;
    }
}

// The pseudo-legal moves of the side to move (no en passant).
int GenerarMovidas(const Material& m, const Posicion& p, Movida* mv) {
  const uint64_t ocupadas = Ocupadas(m, p);
  const int lado = p.turno;
  int n = 0;
  for (int k = 0; k < m.n + 2; ++k) {
    if (ColorSlot(m, k) != lado) continue;
    const int s = p.sq[k], tipo = TipoSlot(m, k);
    auto anotar = [&](int t, int promo) {
      const int c = (ocupadas >> t & 1) ? SlotEn(m, p, t) : -1;
      if (c >= 0 && ColorSlot(m, c) == lado) return;
      mv[n++] = {static_cast<int8_t>(k), static_cast<int8_t>(t), static_cast<int8_t>(c),
                 static_cast<int8_t>(promo)};
    };
    if (tipo != T_PEON) {
      Destinos(tipo, s, ocupadas, [&](int t) { anotar(t, 0); });
      continue;
    }
    const int paso = lado == BLANCAS ? 8 : -8;
    const int t = s + paso;
    const bool promueve = Fil(t) == 0 || Fil(t) == 7;
    auto peon = [&](int destino) {
      if (!promueve) return anotar(destino, 0);
      for (int pr = T_CABALLO; pr <= T_DAMA; ++pr) anotar(destino, pr);
    };
    if (!(ocupadas >> t & 1)) {
      peon(t);
      const int inicial = lado == BLANCAS ? 1 : 6;
      if (Fil(s) == inicial && !(ocupadas >> (t + paso) & 1)) anotar(t + paso, 0);
    }
    uint64_t cap = Geo.peon[lado][s] & ocupadas;
    while (cap) {
      const int c = __builtin_ctzll(cap);
      cap &= cap - 1;
      if (ColorSlot(m, SlotEn(m, p, c)) != lado) peon(c);
    }
  }
  return n;
}

bool ReyEnJaque(const Material& m, const Posicion& p, int color, int ignorar = -1) {
  return Atacada(m, p, p.sq[color], 1 - color, ignorar);
}

// The pawn of the side NOT to move that may just have made a double step to
// file `col`, with a pawn of the side to move beside it: the en-passant node's
// condition. Returns the pawn's slot or -1.
int PeonAlPaso(const Material& m, const Posicion& p, int col) {
  const int movio = 1 - p.turno;
  const int fila = movio == BLANCAS ? 3 : 4;
  const int sq = fila * 8 + col;
  const int k = SlotEn(m, p, sq);
  if (k < 2 || m.tipo[k - 2] != T_PEON || m.color[k - 2] != movio) return -1;
  const uint64_t ocupadas = Ocupadas(m, p);
  const int atras = movio == BLANCAS ? -8 : 8;
  if ((ocupadas >> (sq + atras) & 1) || (ocupadas >> (sq + 2 * atras) & 1)) return -1;
  for (int dc : {-1, 1}) {
    if (col + dc < 0 || col + dc > 7) continue;
    const int j = SlotEn(m, p, sq + dc);
    if (j >= 2 && m.tipo[j - 2] == T_PEON && m.color[j - 2] == p.turno) return k;
  }
  return -1;
}

// Where each kind of move out of the combination leads, by (taken slot + 1,
// promoting slot + 1, promotion type): found once per generation.
struct CacheSalidas {
  Destino d[MAX_PIEZAS + 1][MAX_PIEZAS + 1][T_DAMA + 1];
  bool hecho[MAX_PIEZAS + 1][MAX_PIEZAS + 1][T_DAMA + 1] = {};
};

// The value of a move out of the combination, for the side that moves next.
uint16_t ValorSalida(const Material& m, const Posicion& p, const Movida& mv, CacheSalidas& cache,
                     int alPasoSq = -1) {
  Pieza pz[MAX_PIEZAS];
  int n = 0;
  for (int k = 0; k < m.n + 2; ++k) {
    if (k == mv.captura) continue;
    if (alPasoSq >= 0 && p.sq[k] == alPasoSq) continue;
    int sq = p.sq[k], tipo = TipoSlot(m, k);
    if (k == mv.pieza) {
      sq = mv.hasta;
      if (mv.promocion) tipo = mv.promocion;
    }
    pz[n++] = {ColorSlot(m, k), tipo, sq};
  }
  int tomado = mv.captura;
  if (alPasoSq >= 0) tomado = SlotEn(m, p, alPasoSq);
  const int a = tomado + 1, b = mv.promocion ? mv.pieza + 1 : 0;
  if (!cache.hecho[a][b][mv.promocion]) {
    cache.d[a][b][mv.promocion] = BuscarDestino(pz, n);
    cache.hecho[a][b][mv.promocion] = true;
  }
  const uint16_t v = ValorDestino(cache.d[a][b][mv.promocion], pz, 1 - p.turno, -1);
  if (v == ILEGAL) {
    std::fprintf(stderr, "zelmor-tb: missing value after a move out of %s\n", m.nombre.c_str());
    std::abort();
  }
  return v;
}

// Summary of the moves out of the combination from one position.
struct Salidas {
  uint16_t mejorGana = 0;   // shortest win (plies + 1), 0 none
  uint16_t peorPierde = 0;  // longest loss (plies + 1), 0 none
  bool tablas = false;
  bool alguna = false;
  void Anotar(uint16_t sucesor) {
    alguna = true;
    if (sucesor == 0) {
      tablas = true;
    } else if (Gana(sucesor)) {
      const uint16_t pierde = static_cast<uint16_t>(sucesor + 1);
      if (pierde > peorPierde) peorPierde = pierde;
    } else {
      const uint16_t gana = static_cast<uint16_t>(sucesor + 1);
      if (mejorGana == 0 || gana < mejorGana) mejorGana = gana;
    }
  }
};

struct Generacion {
  const Material& m;
  Tabla& t;
  std::vector<uint8_t> cuenta[2];
  std::vector<uint8_t> cuentaAp[2];
  Generacion(const Material& mat, Tabla& tab) : m(mat), t(tab) {}

  // Starting value and counter of a node from its in-table successors and exits.
  static void Sembrar(uint16_t& v, uint8_t& c, int dentro, const Salidas& s, bool jaque) {
    c = static_cast<uint8_t>(dentro);
    v = 0;
    if (dentro == 0 && !s.alguna) {
      v = jaque ? 1 : 0;  // checkmate, or stalemate (a draw nothing changes)
    } else if (s.mejorGana) {
      v = static_cast<uint16_t>(PENDIENTE | s.mejorGana);
    } else if (s.tablas) {
      c = static_cast<uint8_t>(dentro | 128);  // can never be lost
    } else if (s.alguna) {
      v = static_cast<uint16_t>(PENDIENTE | s.peorPierde);
    }
  }

  NodoAlPaso* BuscarAp(int lado, uint64_t indice, int col) {
    auto& ap = t.ap[lado];
    auto it =
        std::lower_bound(ap.begin(), ap.end(), std::make_pair(indice, col),
                         [](const NodoAlPaso& a, const std::pair<uint64_t, int>& b) {
                           return a.indice != b.first ? a.indice < b.first : a.columna < b.second;
                         });
    if (it == ap.end() || it->indice != indice || it->columna != col) return nullptr;
    return &*it;
  }

  // Every slot: legality, in-table successors, exits, en-passant nodes.
  void Sembrar() {
    Movida mv[256];
    uint64_t suc[256];
    auto cacheSalidas = std::make_unique<CacheSalidas>();
    CacheSalidas& salidas = *cacheSalidas;
    for (int lado = 0; lado < 2; ++lado) {
      t.v[lado].assign(t.tam, ILEGAL);
      cuenta[lado].assign(t.tam, 0);
    }
    for (uint64_t i = 0; i < t.tam; ++i) {
      if ((i & ((1ULL << 24) - 1)) == 0 && t.tam > (1ULL << 24))
        Informar("%s: seeding %lld of %lld slots", m.nombre, static_cast<long long>(i),
                 static_cast<long long>(t.tam));
      Posicion p;
      if (!Decodificar(m, i, p)) continue;
      if (IndiceCanonico(m, p) != i) continue;
      for (int lado = 0; lado < 2; ++lado) {
        p.turno = lado;
        if (ReyEnJaque(m, p, 1 - lado)) continue;
        const bool jaque = ReyEnJaque(m, p, lado);
        const int n = GenerarMovidas(m, p, mv);
        Salidas s;
        int dentro = 0;
        for (int j = 0; j < n; ++j) {
          Posicion q = p;
          q.sq[mv[j].pieza] = mv[j].hasta;
          if (ReyEnJaque(m, q, lado, mv[j].captura)) continue;
          if (mv[j].captura >= 0 || mv[j].promocion) {
            s.Anotar(ValorSalida(m, p, mv[j], salidas));
            continue;
          }
          q.turno = 1 - lado;
          int espejo = 0;
          uint64_t k = IndiceCanonico(m, q, &espejo);
          // A double step beside an enemy pawn leads to the en-passant node.
          if (TipoSlot(m, mv[j].pieza) == T_PEON &&
              std::abs(mv[j].hasta - p.sq[mv[j].pieza]) == 16 &&
              PeonAlPaso(m, q, Col(mv[j].hasta)) >= 0)
            k |= static_cast<uint64_t>(1 + (Col(mv[j].hasta) ^ (espejo ? 7 : 0))) << 56;
          suc[dentro++] = k;
        }
        std::sort(suc, suc + dentro);
        dentro = static_cast<int>(std::unique(suc, suc + dentro) - suc);
        Sembrar(t.v[lado][i], cuenta[lado][i], dentro, s, jaque);
        if (t.v[lado][i] & PENDIENTE)
          maxPendiente = std::max<uint64_t>(maxPendiente, t.v[lado][i] & 0x7FFF);

        // En-passant nodes of this slot: its moves plus the captures.
        if (!m.peones) continue;
        for (int col = 0; col < 8; ++col) {
          const int k = PeonAlPaso(m, p, col);
          if (k < 0) continue;
          Salidas sa = s;
          const int sq = p.sq[k];
          const int destino = sq + (lado == BLANCAS ? 8 : -8);
          for (int dc : {-1, 1}) {
            if (col + dc < 0 || col + dc > 7) continue;
            const int j = SlotEn(m, p, sq + dc);
            if (j < 2 || m.tipo[j - 2] != T_PEON || m.color[j - 2] != lado) continue;
            Posicion q = p;
            q.sq[j] = destino;
            if (ReyEnJaque(m, q, lado, k)) continue;  // the taken pawn leaves the board
            Movida x{static_cast<int8_t>(j), static_cast<int8_t>(destino), -1, 0};
            sa.Anotar(ValorSalida(m, p, x, salidas, sq));
          }
          NodoAlPaso nodo{i, static_cast<uint8_t>(col), 0};
          uint8_t c;
          Sembrar(nodo.valor, c, dentro, sa, jaque);
          if (nodo.valor & PENDIENTE)
            maxPendiente = std::max<uint64_t>(maxPendiente, nodo.valor & 0x7FFF);
          t.ap[lado].push_back(nodo);
          cuentaAp[lado].push_back(c);
        }
      }
    }
  }
  uint64_t maxPendiente = 0;

  // Applies a resolved successor (ply d) to an unresolved predecessor node.
  bool Aplicar(uint16_t& v, uint8_t& c, uint16_t nivel, bool sucesorPierde) {
    if (v == ILEGAL || (v != 0 && !(v & PENDIENTE))) return false;
    if (sucesorPierde) {
      v = static_cast<uint16_t>(nivel + 1);
      return true;
    }
    if (--c != 0 || (v & PENDIENTE && Gana(static_cast<uint16_t>(v & 0x7FFF)))) return false;
    if (v & PENDIENTE && (v & 0x7FFF) > nivel + 1) return false;  // an exit holds out longer
    v = static_cast<uint16_t>(nivel + 1);
    return true;
  }

  // The predecessors of a resolved node (slot i, side `lado`, en-passant file or -1).
  void Deshacer(int lado, uint64_t i, int colAp, uint16_t nivel, bool pierde, uint64_t* vistos) {
    Posicion s;
    Decodificar(m, i, s);
    s.turno = lado;
    const int otro = 1 - lado;
    const uint64_t ocupadas = Ocupadas(m, s);
    int nv = 0;
    auto predecesor = [&](int k, int origen) {
      Posicion p = s;
      p.sq[k] = origen;
      p.turno = otro;
      if (ReyEnJaque(m, p, lado)) return;
      const uint64_t j = IndiceCanonico(m, p);
      if (j == SIN_INDICE) return;
      for (int x = 0; x < nv; ++x)
        if (vistos[x] == j) return;
      vistos[nv++] = j;
      if (t.v[otro][j] == ILEGAL) return;
      nuevos += Aplicar(t.v[otro][j], cuenta[otro][j], nivel, pierde);
      if (!m.peones) return;
      // The en-passant nodes of the predecessor share its moves.
      auto& ap = t.ap[otro];
      auto it = std::lower_bound(ap.begin(), ap.end(), j,
                                 [](const NodoAlPaso& a, uint64_t b) { return a.indice < b; });
      for (; it != ap.end() && it->indice == j; ++it)
        nuevos +=
            Aplicar(it->valor, cuentaAp[otro][static_cast<size_t>(it - ap.begin())], nivel, pierde);
    };
    for (int k = 0; k < m.n + 2; ++k) {
      if (ColorSlot(m, k) != otro) continue;
      const int sq = s.sq[k], tipo = TipoSlot(m, k);
      if (tipo != T_PEON) {
        if (colAp >= 0) continue;
        Destinos(tipo, sq, ocupadas, [&](int o) {
          if (!(ocupadas >> o & 1)) predecesor(k, o);
        });
        continue;
      }
      const int atras = otro == BLANCAS ? -8 : 8;
      const int o1 = sq + atras;
      if (o1 < 8 || o1 >= 56 || (ocupadas >> o1 & 1)) continue;
      const bool doble = Fil(sq) == (otro == BLANCAS ? 3 : 4) && !(ocupadas >> (o1 + atras) & 1);
      if (colAp >= 0) {
        // Only the double step to the en-passant file leads here.
        if (Col(sq) == colAp && doble) predecesor(k, o1 + atras);
        continue;
      }
      predecesor(k, o1);
      if (doble && PeonAlPaso(m, s, Col(sq)) < 0) predecesor(k, o1 + atras);
    }
  }

  uint64_t nuevos = 0;  // nodes resolved at the current ply

  void Resolver() {
    uint64_t vistos[256];
    for (uint16_t nivel = 1; nivel < 0x7FFE; ++nivel) {
      nuevos = 0;
      // One pass: un-move the nodes resolved at the previous ply, and
      // settle the nodes whose move out of the table decides at this ply.
      // (A predecessor already passed whose count falls to zero is settled
      // by Aplicar itself.)
      const uint16_t buscado = nivel;  // value of ply nivel - 1
      const bool pierde = ((nivel - 1) & 1) == 0;
      const uint16_t pend = static_cast<uint16_t>(PENDIENTE | (nivel + 1));
      const bool pendGana = Gana(static_cast<uint16_t>(nivel + 1));
      uint64_t frente = 0;
      for (int lado = 0; lado < 2; ++lado) {
        uint16_t* v = t.v[lado].data();
        const uint8_t* c = cuenta[lado].data();
        for (uint64_t i = 0; i < t.tam; ++i) {
          if (v[i] == buscado) {
            ++frente;
            Deshacer(lado, i, -1, nivel, pierde, vistos);
          } else if (v[i] == pend && (pendGana || c[i] == 0)) {
            v[i] = static_cast<uint16_t>(nivel + 1), ++nuevos;
          }
        }
        for (size_t a = 0; a < t.ap[lado].size(); ++a) {
          NodoAlPaso& n = t.ap[lado][a];
          if (n.valor == buscado) {
            ++frente;
            Deshacer(lado, n.indice, n.columna, nivel, pierde, vistos);
          } else if (n.valor == pend && (pendGana || cuentaAp[lado][a] == 0)) {
            n.valor = static_cast<uint16_t>(nivel + 1), ++nuevos;
          }
        }
      }
      if (frente || nuevos)
        Informar("%s: ply %lld resolved, %lld positions", m.nombre, nivel,
                 static_cast<long long>(nuevos));
      // Nothing new at this ply and no exit still waiting: the rest is drawn.
      if (nuevos == 0 && nivel + 1u > maxPendiente) break;
    }
    // Unresolved nodes are draws.
    for (int lado = 0; lado < 2; ++lado) {
      for (auto& x : t.v[lado])
        if (x != ILEGAL && (x & PENDIENTE)) x = 0;
      for (auto& n : t.ap[lado])
        if (n.valor & PENDIENTE) n.valor = 0;
    }
  }
};

}  // namespace

uint16_t ValorSlot(const Tabla& t, int turno, uint64_t indice, int alPasoColumna) {
  if (indice >= t.tam) return ILEGAL;
  if (alPasoColumna >= 0) {
    const auto& ap = t.ap[turno];
    auto it = std::lower_bound(ap.begin(), ap.end(), indice,
                               [](const NodoAlPaso& a, uint64_t b) { return a.indice < b; });
    for (; it != ap.end() && it->indice == indice; ++it)
      if (it->columna == alPasoColumna) return it->valor;
  }
  return t.v[turno][indice];
}

Destino BuscarDestino(const Pieza* pz, int n) {
  Destino d;
  if (n > MAX_PIEZAS) return d;
  std::string w = "k", b = "k";
  std::vector<int> tw, tn;
  for (int i = 0; i < n; ++i)
    if (pz[i].tipo != T_REY) (pz[i].color == BLANCAS ? tw : tn).push_back(pz[i].tipo);
  if (tw.empty() && tn.empty()) {
    d.reyesSolos = true;
    return d;
  }
  static constexpr char L[] = " pnbrqk";
  std::sort(tw.begin(), tw.end(), std::greater<int>());
  std::sort(tn.begin(), tn.end(), std::greater<int>());
  for (int x : tw) w += L[x];
  for (int x : tn) b += L[x];
  const std::string canon = NombreCanonico(w + b);
  d.cambio = canon != w + b;
  auto it = TablasGeneradas.find(canon);
  if (it == TablasGeneradas.end()) return d;
  const Material& m = it->second->m;
  bool usado[MAX_PIEZAS] = {};
  for (int k = 0; k < m.n + 2; ++k) {
    // With the colours exchanged, the table's white men are the given black ones.
    const int color = (k < 2 ? k : m.color[k - 2]) ^ (d.cambio ? 1 : 0);
    const int tipo = k < 2 ? T_REY : m.tipo[k - 2];
    int j = 0;
    while (j < n && (usado[j] || pz[j].color != color || pz[j].tipo != tipo)) ++j;
    if (j == n) return d;
    usado[j] = true;
    d.orden[k] = static_cast<int8_t>(j);
  }
  d.t = it->second.get();
  return d;
}

uint16_t ValorDestino(const Destino& d, const Pieza* pz, int turno, int alPasoColumna) {
  if (d.reyesSolos) return 0;
  if (!d.t) return ILEGAL;
  const Material& m = d.t->m;
  Posicion p;
  const int x = d.cambio ? 56 : 0;
  for (int k = 0; k < m.n + 2; ++k) p.sq[k] = pz[d.orden[k]].sq ^ x;
  p.turno = turno ^ (d.cambio ? 1 : 0);
  int espejo = 0;
  const uint64_t i = IndiceCanonico(m, p, &espejo);
  if (i == SIN_INDICE) return ILEGAL;
  return ValorSlot(*d.t, p.turno, i, alPasoColumna < 0 ? -1 : alPasoColumna ^ (espejo ? 7 : 0));
}

uint16_t ValorPosicion(const Pieza* piezas, int n, int turno, int alPasoColumna) {
  return ValorDestino(BuscarDestino(piezas, n), piezas, turno, alPasoColumna);
}

Tabla* Generar(const std::string& nombreDado) {
  InicializarGeometria();
  const std::string nombre = NombreCanonico(nombreDado);
  if (nombre.empty()) return nullptr;
  auto ya = TablasGeneradas.find(nombre);
  if (ya != TablasGeneradas.end()) return ya->second.get();
  auto tabla = std::make_unique<Tabla>();
  if (!LeerMaterial(nombre, tabla->m) || tabla->m.n == 0) return nullptr;
  for (const auto& s : Sucesoras(tabla->m))
    if (!Generar(s)) return nullptr;
  const auto inicio = std::chrono::steady_clock::now();
  const std::clock_t inicioCpu = std::clock();
  Tabla& t = *tabla;
  t.tam = TamanoTabla(t.m);
  Informar("%s: %lld slots per side to move", t.m.nombre, static_cast<long long>(t.tam));
  Generacion g(t.m, t);
  g.Sembrar();
  t.bytesTrabajo = t.tam * 2 * (sizeof(uint16_t) + 1) +
                   (t.ap[0].size() + t.ap[1].size()) * (sizeof(NodoAlPaso) + 1);
  g.Resolver();
  t.segundos = std::chrono::duration<double>(std::chrono::steady_clock::now() - inicio).count();
  t.segundosCpu = static_cast<double>(std::clock() - inicioCpu) / CLOCKS_PER_SEC;
  Informar("%s: done", t.m.nombre);
  Tabla* r = tabla.get();
  TablasGeneradas[nombre] = std::move(tabla);
  return r;
}

void OlvidarTablas(const std::vector<std::string>& pendientes) {
  std::set<std::string> leidas(pendientes.begin(), pendientes.end());
  for (const auto& n : pendientes) {
    Material m;
    if (!LeerMaterial(n, m)) continue;
    for (const auto& s : Sucesoras(m)) leidas.insert(s);
  }
  for (auto it = TablasGeneradas.begin(); it != TablasGeneradas.end();)
    it = leidas.count(it->first) ? std::next(it) : TablasGeneradas.erase(it);
}

int16_t ValorMotor(uint16_t v) {
  if (v == ILEGAL) return 32767;
  if (v == 0) return 0;
  const int d = v - 1;
  if (d & 1) return static_cast<int16_t>(32767 - (d + 1) / 2);
  return static_cast<int16_t>(-32766 + d / 2);
}

bool ByteMotor(uint16_t v, int8_t& e) {
  if (v == ILEGAL) return e = 127, true;
  if (v == 0) return e = 0, true;
  const int d = v - 1;
  if (d & 1) {
    const int n = (d + 1) / 2;  // wins in n
    if (n > 127) return false;
    e = static_cast<int8_t>(n == 127 ? -128 : 127 - n);
    return true;
  }
  const int n = d / 2;  // mated in n
  if (n > 126) return false;
  e = static_cast<int8_t>(n == 126 ? -127 : n - 126);
  return true;
}

}  // namespace tb
