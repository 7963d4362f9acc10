// EPD test suites: each position is searched for a fixed time or depth, and it
// is solved when the move found is one of its "bm" moves (and none of its "am"
// moves). Suites write moves in standard algebraic notation.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "core/core.h"
#include "diag/diag.h"
#include "driver/driver.h"
#include "movegen/movegen.h"
#include "search/search.h"

namespace {

constexpr const char PIEZAS_SAN[7] = {' ', 'P', 'N', 'B', 'R', 'Q', 'K'};

// The legal moves of the current position (the move stack is left as found).
std::vector<Jugada> JugadasLegales() {
  std::vector<Jugada> legales;
  const ListaJugadas lista;
  for (const EntradaJugada& e : lista) {
    if (HacerJugada(e.Jugada)) {
      DeshacerJugada();
      legales.push_back(e.Jugada);
    }
  }
  return legales;
}

// Standard algebraic notation without check marks.
std::string San(Jugada j, const std::vector<Jugada>& legales) {
  const int desde = CasillaDesde(j), hasta = CasillaHasta(j);
  const int pieza = Abs(Tablero[desde]);
  if (pieza == REY && Abs(Columna(hasta) - Columna(desde)) == 2)
    return Columna(hasta) > Columna(desde) ? "O-O" : "O-O-O";
  std::string san;
  const bool captura =
      Tablero[hasta] != VACIO || (pieza == PEON && Columna(hasta) != Columna(desde));
  if (pieza == PEON) {
    if (captura) san += static_cast<char>('a' + Columna(desde));
  } else {
    san += PIEZAS_SAN[pieza];
    bool otra = false, mismaColumna = false, mismaFila = false;
    for (Jugada o : legales) {
      const int od = CasillaDesde(o);
      if (o == j || CasillaHasta(o) != hasta || od == desde || Abs(Tablero[od]) != pieza) continue;
      otra = true;
      mismaColumna |= Columna(od) == Columna(desde);
      mismaFila |= Fila(od) == Fila(desde);
    }
    if (otra) {
      if (!mismaColumna) san += static_cast<char>('a' + Columna(desde));
      else if (!mismaFila) san += static_cast<char>('1' + Fila(desde));
      else {
        san += static_cast<char>('a' + Columna(desde));
        san += static_cast<char>('1' + Fila(desde));
      }
    }
  }
  if (captura) san += 'x';
  san += static_cast<char>('a' + Columna(hasta));
  san += static_cast<char>('1' + Fila(hasta));
  if (TipoPromocion(j) != 0) {
    san += '=';
    san += PIEZAS_SAN[TipoPromocion(j)];
  }
  return san;
}

// A suite's move text without annotations: "Qxh7+" -> "Qxh7", "e8Q" -> "e8=Q",
// "0-0" -> "O-O".
std::string Normalizar(const std::string& t) {
  char r[32];
  size_t n = 0;
  for (char c : t) {
    if (c == '+' || c == '#' || c == '!' || c == '?') continue;
    if (n + 2 >= sizeof r) break;
    if (n >= 1 && std::strchr("NBRQ", c) && r[n - 1] >= '1' && r[n - 1] <= '8') r[n++] = '=';
    r[n++] = c == '0' ? 'O' : c;
  }
  r[n] = 0;
  return r;
}

// The moves named by operation `op` ("bm" or "am") of an EPD line.
std::vector<std::string> MovimientosOperacion(const std::string& linea, const char* op) {
  std::vector<std::string> lista;
  const std::string clave = std::string(" ") + op + " ";
  size_t p = linea.find(clave);
  if (p == std::string::npos) return lista;
  p += clave.size();
  const size_t fin = linea.find(';', p);
  const std::string cuerpo =
      linea.substr(p, fin == std::string::npos ? std::string::npos : fin - p);
  size_t i = 0;
  while (i < cuerpo.size()) {
    while (i < cuerpo.size() && cuerpo[i] == ' ') ++i;
    size_t k = i;
    while (k < cuerpo.size() && cuerpo[k] != ' ') ++k;
    if (k > i) lista.push_back(Normalizar(cuerpo.substr(i, k - i)));
    i = k;
  }
  return lista;
}

std::string Identificador(const std::string& linea) {
  size_t p = linea.find("id \"");
  if (p == std::string::npos) return "";
  p += 4;
  const size_t fin = linea.find('"', p);
  return linea.substr(p, fin == std::string::npos ? std::string::npos : fin - p);
}

}  // namespace

int ComandoSuite(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: suite FILE.epd [--time S | --depth D]\n");
    return 1;
  }
  double segundos = 1.0;
  int profundidad = 0;
  for (int i = 3; i + 1 < argc; i += 2) {
    if (std::strcmp(argv[i], "--time") == 0) segundos = std::atof(argv[i + 1]);
    else if (std::strcmp(argv[i], "--depth") == 0) profundidad = std::atoi(argv[i + 1]);
  }
  if (profundidad < 0 || profundidad > 99 || (profundidad == 0 && !(segundos > 0))) {
    std::fprintf(stderr, "suite: bad time or depth\n");
    return 1;
  }
  FILE* f = std::fopen(argv[2], "r");
  if (f == nullptr) {
    std::fprintf(stderr, "suite: cannot open %s\n", argv[2]);
    return 1;
  }
  PrepararBusquedaDiagnostico();
  int total = 0, resueltas = 0;
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, f) != nullptr) {
    const std::string linea(buffer);
    // The four FEN fields of an EPD record.
    size_t p = 0;
    for (int campo = 0; campo < 4 && p != std::string::npos; ++campo) {
      p = linea.find(' ', p);
      if (p != std::string::npos) ++p;
    }
    if (p == std::string::npos) continue;
    const std::string fen = linea.substr(0, p);
    const auto mejores = MovimientosOperacion(linea, "bm");
    const auto evitar = MovimientosOperacion(linea, "am");
    if (mejores.empty() && evitar.empty()) continue;
    if (ColocarFEN(fen.c_str()) != 0) continue;
    ++total;
    const auto legales = JugadasLegales();
    PosicionDiagnostico();
    Busqueda.Limites.TiempoRestante = 20.0;  // polls every few thousand nodes
    Busqueda.LimiteDiagnostico = profundidad > 0 ? 0.0 : segundos;
    IterarHastaProfundidad(profundidad > 0 ? profundidad : 99);
    Busqueda.LimiteDiagnostico = 0.0;
    const Jugada j = Busqueda.VariantePrincipal[0][0].Jugada;
    const std::string san = j != 0 ? San(j, legales) : "-";
    bool ok = mejores.empty();
    for (const auto& m : mejores) ok |= m == san;
    for (const auto& m : evitar) ok &= m != san;
    resueltas += ok;
    std::printf("%-10s %-7s %s (depth %d, score %d)\n", Identificador(linea).c_str(), san.c_str(),
                ok ? "ok" : "--", Busqueda.ProfundidadIteracion, Busqueda.ValorRaiz());
    std::fflush(stdout);
  }
  std::fclose(f);
  std::printf("\nSolved: %d of %d\n", resueltas, total);
  return 0;
}
