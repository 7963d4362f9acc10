// Reading tables back through the engine: one probe of a FEN, and the check of
// a whole file against the values of every position's successors. Both use the
// engine's own board, move generator, registry and probe, none of the
// generator's code.
#include "tools/tb/archivos.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/core.h"
#include "egtb/egtb.h"
#include "movegen/movegen.h"

namespace tb {

namespace {

constexpr uint32_t CACHE_COMPROBAR = 64u << 20;

bool PrepararMotor(const char* dir) {
  static void* cache = nullptr;
  NuevaPartida();
  if (!cache) cache = std::malloc(CACHE_COMPROBAR);
  if (!cache || !FijarCache(cache, CACHE_COMPROBAR)) return false;
  MaxPiezasTB = InicializarTablasFinales(dir);
  return true;
}

// A probe's score back in moves: wins > 0 (win in n), losses as -(n + 1)
// (mated in n), 0 for a draw, SIN_TB when not covered.
struct Resultado {
  int32_t puntos;
  bool cubierto, tablas, gana;
  int n;
};

Resultado Leer(int32_t puntos) {
  Resultado r{puntos, puntos != SIN_TB, puntos == 0, puntos > 0, 0};
  if (!r.cubierto || r.tablas) return r;
  const int v = puntos > 0 ? (puntos - 34468) / 2 : (puntos + 34468) / 2;
  r.n = v > 0 ? 32767 - v : v + 32766;
  return r;
}

// The value of the current position; bare kings are a draw the registry does
// not hold.
Resultado ValorActual() {
  const uint8_t* c = EstadoActual->NumPiezas;
  int hombres = 0;
  for (int i = 0; i < 10; ++i) hombres += c[i];
  if (hombres == 0) return Leer(0);
  return Leer(ProbarTablas());
}

// Standard output sent to /dev/null while a whole file is checked: the set-up
// refuses many positions of a file (the side to move able to take the king)
// with a message, and those are expected, not errors. The tablebase code's own
// notices go to standard error meanwhile.
class SinSalida {
 public:
  SinSalida() {
    std::fflush(stdout);
    guardado_ = dup(1);
    const int nulo = open("/dev/null", O_WRONLY);
    if (nulo >= 0) dup2(nulo, 1), close(nulo);
    logAnterior_ = LogTablas;
    LogTablas = [](const char* texto) { std::fputs(texto, stderr); };
  }
  ~SinSalida() {
    std::fflush(stdout);
    if (guardado_ >= 0) dup2(guardado_, 1), close(guardado_);
    LogTablas = logAnterior_;
  }
  SinSalida(const SinSalida&) = delete;
  SinSalida& operator=(const SinSalida&) = delete;

 private:
  int guardado_ = -1;
  void (*logAnterior_)(const char*) = nullptr;
};

bool Legal() {
  const EstadoPly* e = EstadoActual;
  const int otro = e->Turno == BLANCO ? NEGRO : BLANCO;
  return !Atacada(e->Turno, e->Rey[otro], e);
}

std::string FenDe(const PosicionTB& p, int lado) {
  char tablero[64];
  for (char& x : tablero) x = 0;
  static constexpr char LETRAS[] = " pnbrqk";
  for (int k = 0; k < p.Num; ++k) {
    const char l = LETRAS[p.Hombres[k].Tipo];
    tablero[p.Hombres[k].Casilla] = p.Hombres[k].Color == 0 ? static_cast<char>(l - 32) : l;
  }
  std::string fen;
  for (int fila = 7; fila >= 0; --fila) {
    int vacias = 0;
    for (int col = 0; col < 8; ++col) {
      const char x = tablero[fila * 8 + col];
      if (!x) {
        ++vacias;
        continue;
      }
      if (vacias) fen += static_cast<char>('0' + vacias), vacias = 0;
      fen += x;
    }
    if (vacias) fen += static_cast<char>('0' + vacias);
    if (fila) fen += '/';
  }
  fen += lado == 0 ? " w - " : " b - ";
  if (p.AlPaso == 127) {
    fen += "-";
  } else {
    fen += static_cast<char>('a' + (p.AlPaso & 7));
    fen += static_cast<char>('1' + (p.AlPaso >> 3));
  }
  return fen + " 0 1";
}

std::string Texto(const Resultado& r) {
  if (!r.cubierto) return "not covered";
  if (r.tablas) return "draw";
  return (r.gana ? "mate in " : "mated in ") + std::to_string(r.n);
}

// Checks the current position's value against its successors; empty when right.
std::string ComprobarPosicion() {
  const Resultado yo = ValorActual();
  if (!yo.cubierto) return "no value for a legal position";
  const bool jaque = Atacada(EstadoActual->Turno == BLANCO ? NEGRO : BLANCO,
                             EstadoActual->Rey[EstadoActual->Turno], EstadoActual);
  GenerarJugadas();
  int legales = 0, mejorPierde = 1 << 30, peorGana = -1, tablas = 0;
  std::string error;
  for (EntradaJugada* e = InicioLista[PlyActual]; e < InicioLista[PlyActual + 1]; ++e) {
    if (!HacerJugada(e->Jugada)) continue;
    ++legales;
    const Resultado s = ValorActual();
    DeshacerJugada();
    if (!s.cubierto) return "a successor is not covered (missing table?)";
    if (s.tablas) ++tablas;
    else if (s.gana) peorGana = std::max(peorGana, s.n);
    else mejorPierde = std::min(mejorPierde, s.n);
  }
  if (legales == 0) {
    if (jaque && !yo.gana && !yo.tablas && yo.n == 0) return "";
    if (!jaque && yo.tablas) return "";
    return "wrong value for a position without moves";
  }
  if (yo.tablas) {
    if (mejorPierde != 1 << 30) return "a draw with a move that mates";
    if (tablas == 0) return "a draw without a drawing move";
    return "";
  }
  if (yo.gana) {
    if (mejorPierde + 1 != yo.n) return "a win whose best move leads elsewhere";
    return "";
  }
  if (mejorPierde != 1 << 30 || tablas) return "a loss with a move that holds out";
  if (peorGana != yo.n || yo.n == 0) return "a loss whose longest defence differs";
  return "";
}

}  // namespace

int Sondear(const char* dir, const char* fen) {
  if (!PrepararMotor(dir)) return 1;
  if (ColocarFEN(fen) != 0) return 1;
  const uint8_t* c = EstadoActual->NumPiezas;
  int p = BuscarTabla(c[0], c[2], c[4], c[6], c[8], c[1], c[3], c[5], c[7], c[9]);
  if (p == 0) {
    std::printf("no table holds this material\n");
    return 1;
  }
  const int32_t puntos = ProbarTablas();
  const Resultado r = Leer(puntos);
  const int lado = p > 0 ? (EstadoActual->Turno == BLANCO ? 0 : 1) : EstadoActual->Turno;
  std::printf("table %s%s, side %d\n", RegistroTablas[p < 0 ? -p : p].Nombre,
              p < 0 ? " (colours reversed)" : "", lado);
  if (!r.cubierto) {
    std::printf("not covered (file missing or unreadable)\n");
    return 1;
  }
  const int v = puntos == 0 ? 0 : puntos > 0 ? (puntos - 34468) / 2 : (puntos + 34468) / 2;
  std::printf("stored value %d\nscore %d\n%s\n", v, puntos, Texto(r).c_str());
  return 0;
}

int Verificar(const char* dir, const std::vector<std::string>& nombres) {
  if (!PrepararMotor(dir)) return 1;
  int fallos = 0;
  for (const std::string& nombre : nombres) {
    const int j = BuscarNombre(nombre.c_str());
    if (j <= 0) {
      std::printf("%s: unknown combination\n", nombre.c_str());
      ++fallos;
      continue;
    }
    for (int lado = 0; lado < (TablaSimetrica(j) ? 1 : 2); ++lado) {
      if (!TablaRegistrada(j, lado)) {
        std::printf("%s side %d: no file in %s\n", nombre.c_str(), lado, dir);
        ++fallos;
        continue;
      }
      const uint32_t n = IndiceMaximoTabla(j, lado);
      uint64_t comprobadas = 0;
      std::string error;
      uint32_t malo = 0;
      {
        SinSalida silencio;
        for (uint32_t i = 0; i < n && error.empty(); ++i) {
          if ((i & 0xFFFFF) == 0 && i)
            std::fprintf(stderr, "%s side %d: %u of %u\n", nombre.c_str(), lado, i, n);
          PosicionTB p;
          if (!PosicionDeIndice(j, lado, i, &p)) continue;
          if (ColocarFEN(FenDe(p, lado).c_str()) != 0 || !Legal()) {
            // No position: the entry must say so.
            if (ValorTabla(j, lado, i) != SIN_VALOR_TB) error = "a value for an illegal position";
          } else {
            ++comprobadas;
            error = ComprobarPosicion();
          }
          if (!error.empty()) malo = i;
        }
      }
      if (!error.empty()) {
        PosicionTB p;
        PosicionDeIndice(j, lado, malo, &p);
        std::printf("%s side %d: BAD at index %u (%s): %s\n", nombre.c_str(), lado, malo,
                    FenDe(p, lado).c_str(), error.c_str());
        ++fallos;
      } else {
        std::printf(
            "%s side %d: %llu positions of %u entries agree with their "
            "successors\n",
            nombre.c_str(), lado, static_cast<unsigned long long>(comprobadas), n);
      }
    }
  }
  return fallos ? 1 : 0;
}

}  // namespace tb
