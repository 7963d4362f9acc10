// Building the two books: each game is replayed on the engine's board for its
// first plies; every position reached by a move counts once per game in the book
// of the side that made the move, with that side's result.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <unordered_map>

#include "book/book.h"
#include "tools/libro/libro_tool.h"

namespace {

struct Cuenta {
  uint32_t Partidas = 0, Ganadas = 0, Perdidas = 0;
};
using Tabla = std::unordered_map<uint64_t, Cuenta>;

void VolverAlInicio() {
  while (EstadoActual > Historia) DeshacerJugadaPartida();
}

// Replays one game and adds its positions to the tables.
void Anotar(const PartidaTexto& p, const std::string& fichero, int plies, Tabla tablas[2],
            ResumenCrear& resumen, FILE* errores) {
  VolverAlInicio();
  std::vector<std::pair<uint64_t, int>> posiciones;  // key, side that moved
  for (const MovimientoTexto& m : p.Movimientos) {
    if (static_cast<int>(posiciones.size()) >= plies) break;
    std::string error;
    const Jugada j = m.Largo ? 0 : LeerSAN(m.Texto, error);
    if (j == 0) {
      ++resumen.Errores;
      if (errores != nullptr) {
        std::string texto = m.Texto.size() > 40 ? m.Texto.substr(0, 40) + "..." : m.Texto;
        std::fprintf(errores,
                     "%s:%d: jugada %s \"%s\"; la partida (l\xEDnea %d) se toma hasta aqu\xED\n",
                     fichero.c_str(), m.Linea, m.Largo ? "demasiado larga" : error.c_str(),
                     texto.c_str(), p.Linea);
      }
      break;
    }
    const int lado = EstadoActual->Turno;
    HacerJugadaPartida(j);
    posiciones.emplace_back(ClaveActual(), lado);
  }
  VolverAlInicio();
  // A position the game passed twice still counts once.
  std::sort(posiciones.begin(), posiciones.end());
  posiciones.erase(std::unique(posiciones.begin(), posiciones.end()), posiciones.end());
  for (const auto& [clave, lado] : posiciones) {
    Cuenta& c = tablas[lado][clave];
    ++c.Partidas;
    const int propio = lado == BLANCO ? p.Resultado : -p.Resultado;
    if (p.Resultado == RESULTADO_DESCONOCIDO) continue;
    if (propio == 1) ++c.Ganadas;
    if (propio == -1) ++c.Perdidas;
  }
}

// Turns one table into a sorted book: moves seen fewer than `minimo` times are
// left out; over capacity, the most played positions are kept.
uint32_t Volcar(const Tabla& t, int minimo, EntradaLibro* libro, uint32_t& descartadas) {
  std::vector<std::pair<uint64_t, Cuenta>> v;
  for (const auto& par : t)
    if (par.second.Partidas >= static_cast<uint32_t>(minimo)) v.push_back(par);
  if (v.size() > CAPACIDAD_LIBRO) {
    std::sort(v.begin(), v.end(), [](const auto& a, const auto& b) {
      return a.second.Partidas != b.second.Partidas ? a.second.Partidas > b.second.Partidas
                                                    : a.first < b.first;
    });
    descartadas += static_cast<uint32_t>(v.size() - CAPACIDAD_LIBRO);
    v.resize(CAPACIDAD_LIBRO);
  }
  uint32_t n = 0;
  for (const auto& [clave, c] : v) {
    EntradaLibro& e = libro[n++];
    e = {};
    e.ClaveBaja = static_cast<uint32_t>(clave);
    e.ClaveAlta = static_cast<uint32_t>(clave >> 32);
    e.Marcas = MARCA_LIBRO;
    e.Peso = PesoLibro(c.Partidas, c.Ganadas, c.Perdidas);
  }
  OrdenarLibro(libro, n, false);
  return n;
}

}  // namespace

void PrepararTablero() { PrepararNucleo(); }

// Ten points per doubling of the games through the move, so that the random term
// of the probe (25 wide by default) mixes moves played within a few times as
// often; plus up to ten points for the mover's score in the decided games.
int16_t PesoLibro(uint32_t partidas, uint32_t ganadas, uint32_t perdidas) {
  if (partidas == 0) return 0;
  const int32_t frecuencia = static_cast<int32_t>(std::floor(10.0 * std::log2(1.0 + partidas)));
  const int32_t resultado =
      static_cast<int32_t>((10 * (static_cast<int64_t>(ganadas) - perdidas)) / partidas);
  return static_cast<int16_t>(std::clamp(frecuencia + resultado, -32768, 32767));
}

int CrearLibros(const std::vector<std::string>& ficheros, const OpcionesCrear& o,
                ResumenCrear& resumen, FILE* errores) {
  PrepararTablero();
  NuevaPartida();   // every game is replayed from the initial position
  Tabla tablas[2];  // by the side that moved
  int estado = 0;
  for (const std::string& nombre : ficheros) {
    FILE* f = std::fopen(nombre.c_str(), "rb");
    if (f == nullptr) {
      if (errores != nullptr)
        std::fprintf(errores, "%s: no se puede abrir: %s\n", nombre.c_str(), std::strerror(errno));
      estado = 1;
      continue;
    }
    LectorPGN lector(f, nombre, static_cast<size_t>(o.Plies), errores);
    PartidaTexto p;
    while (lector.Siguiente(p)) {
      if (p.DesdeFEN) {
        ++resumen.ConFEN;
        continue;
      }
      ++resumen.Partidas;
      Anotar(p, nombre, o.Plies, tablas, resumen, errores);
    }
    resumen.Errores += static_cast<uint64_t>(lector.Avisos());
    std::fclose(f);
  }
  Libros.NumLibroBlancas = Volcar(tablas[BLANCO], o.MinPartidas, Libros.LibroBlancas, resumen.Descartadas);
  Libros.NumLibroNegras = Volcar(tablas[NEGRO], o.MinPartidas, Libros.LibroNegras, resumen.Descartadas);
  resumen.Blancas = Libros.NumLibroBlancas;
  resumen.Negras = Libros.NumLibroNegras;
  const std::string b = o.Salida + (o.Anterior ? "/ZelmorB.libro" : "/Zelmor070B.libro");
  const std::string n = o.Salida + (o.Anterior ? "/ZelmorN.libro" : "/Zelmor070N.libro");
  if (!GuardarLibros(b.c_str(), n.c_str())) estado = 1;
  return estado;
}
