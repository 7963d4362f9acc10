// Reading tables back through the engine: one probe of a FEN, the check of a
// whole file against the values of every position's successors, and marking
// the files of a directory after a plausibility check. All use the engine's
// own board, move generator, registry and probe, none of the generator's code.
#include "tools/tb/archivos.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "core/core.h"
#include "driver/driver.h"
#include "egtb/egtb.h"
#include "egtb/marcas.h"
#include "movegen/movegen.h"

namespace tb {

namespace {

constexpr uint32_t CACHE_COMPROBAR = 64u << 20;

bool PrepararMotor(const char* dir) {
  static void* cache = nullptr;
  NuevaPartida();
  if (!cache) cache = std::malloc(CACHE_COMPROBAR);
  if (!cache || !FijarCache(cache, CACHE_COMPROBAR)) return false;
  EGTB.MaxPiezasTB = InicializarTablasFinales(dir);
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
    logAnterior_ = EGTB.LogTablas;
    EGTB.LogTablas = [](const char* texto) { std::fputs(texto, stderr); };
  }
  ~SinSalida() {
    std::fflush(stdout);
    if (guardado_ >= 0) dup2(guardado_, 1), close(guardado_);
    EGTB.LogTablas = logAnterior_;
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

// The file forms of one side of a table, in the order the engine looks for them.
std::vector<std::string> FormasArchivo(const std::string& dir, const char* nombre, int lado) {
  const std::string base = (dir.empty() ? "" : dir + "/") + nombre;
  const char* l = lado == 0 ? "nbw" : "nbb";
  return {base + "." + l, base + "." + l + ".emd", base + "_" + l + ".emd", base + l + ".emd"};
}

std::string SinDirectorio(const std::string& ruta) {
  const size_t barra = ruta.rfind('/');
  return barra == std::string::npos ? ruta : ruta.substr(barra + 1);
}

// The directories of a ',' or ';' separated list, as registration splits it.
std::vector<std::string> Directorios(const char* rutas) {
  std::vector<std::string> r;
  std::string actual;
  for (const char* p = rutas;; ++p) {
    if (*p == ',' || *p == ';' || *p == '\0') {
      if (!actual.empty()) r.push_back(actual);
      actual.clear();
      if (*p == '\0') break;
    } else {
      actual += *p == '\\' ? '/' : *p;
    }
  }
  return r;
}

// The whole-file checksum of the file the engine reads for one side, against
// the directory's mark; empty when they agree (or when the engine reads the
// side without a mark).
std::string ComprobarSuma(const char* rutas, const char* nombre, int lado) {
  if (std::string(nombre) == "knk") return "";
  for (const std::string& dir : Directorios(rutas))
    for (const std::string& forma : FormasArchivo(dir, nombre, lado)) {
      if (access(forma.c_str(), F_OK) != 0) continue;
      const std::vector<MarcaTabla> marcas = LeerMarcas(dir);
      const MarcaTabla* m = BuscarMarca(marcas, SinDirectorio(forma).c_str());
      MarcaTabla real;
      if (m == nullptr) return forma + " has no mark";
      if (!MarcaDeFichero(forma, m->Nombre, real)) return forma + " cannot be read";
      if (real.Longitud != m->Longitud || real.Suma != m->Suma)
        return forma + " differs from its mark (whole-file checksum)";
      return "";
    }
  return "";
}

// Entries of a file read by index, plain or compressed, one block kept.
class LectorArchivo {
 public:
  LectorArchivo(std::FILE* f, bool comprimido, bool dosBytes)
      : f_(f), comprimido_(comprimido), dos_(dosBytes) {}
  ~LectorArchivo() { LiberarDecodificador(dec_); }
  LectorArchivo(const LectorArchivo&) = delete;
  LectorArchivo& operator=(const LectorArchivo&) = delete;

  // Reads a compressed file's header and checks its entry count.
  std::string Preparar(uint64_t entradas, uint64_t largo) {
    if (!comprimido_) {
      if (largo != entradas * (dos_ ? 2 : 1)) return "its length is not the table's";
      return "";
    }
    if (LeerCabecera(f_, &dec_) != 0) return "its header cannot be read";
    if (LogBloqueDecodificador(dec_) != 13) return "its block size is not ours";
    const uint64_t d1 = static_cast<uint64_t>(BloquesDecodificador(dec_)) - 1;
    const uint64_t ultimo = static_cast<uint64_t>(TamUltimoBloque(dec_));
    if ((dos_ ? 4096 * d1 + ultimo / 2 : 8192 * d1 + ultimo) != entradas)
      return "it does not hold the table's number of entries";
    if (largo < FinDatosDecodificador(dec_)) return "it is cut short";
    return "";
  }

  // The entry as ValorTabla would give it (SIN_VALOR_TB: no value); false
  // when it cannot be read.
  bool Valor(uint32_t indice, int32_t& v) {
    const uint64_t byte = static_cast<uint64_t>(indice) * (dos_ ? 2 : 1);
    const int64_t bloque = static_cast<int64_t>(byte / BLOQUE_TABLA);
    if (bloque != bloque_) {
      bloque_ = -1;
      if (comprimido_) {
        largo_ = DecodificarBloque(f_, dec_, static_cast<int>(bloque), datos_);
      } else {
        largo_ = -1;
        if (std::fseek(f_, static_cast<long>(bloque * BLOQUE_TABLA), SEEK_SET) == 0)
          largo_ = static_cast<int>(std::fread(datos_, 1, BLOQUE_TABLA, f_));
      }
      if (largo_ <= 0) return false;
      bloque_ = bloque;
    }
    const int en = static_cast<int>(byte % BLOQUE_TABLA);
    if (en + (dos_ ? 1 : 0) >= largo_) return false;
    if (dos_) {
      v = static_cast<int16_t>(datos_[en] << 8 | datos_[en + 1]);
    } else {
      const int e = static_cast<int8_t>(datos_[en]);
      v = e == 127 ? SIN_VALOR_TB : e == 0 ? 0 : e == -127 ? -32640 : e == -128 ? 32640
          : e > 0  ? e + 32640
                   : e - 32640;
    }
    return true;
  }

 private:
  std::FILE* f_;
  bool comprimido_, dos_;
  DecodificadorTabla* dec_ = nullptr;
  int64_t bloque_ = -1;
  int largo_ = 0;
  uint8_t datos_[BLOQUE_TABLA];
};

// What is plausible of a file of ours, on every index of a small file and on
// an even sample of a large one: an index holds "no value" exactly when no
// legal position stands behind it, a checkmated side to move is mated in 0
// and a stalemate is a draw. Another layout of the same length puts other
// positions behind its indexes and fails these at once. Empty when it passes.
std::string ComprobarPlausible(int tabla, int lado, LectorArchivo& lector) {
  constexpr uint32_t MUESTRA = 1u << 16;
  const uint32_t n = IndiceMaximoTabla(tabla, lado);
  const uint32_t pasos = n <= 4 * MUESTRA ? n : MUESTRA;
  SinSalida silencio;
  for (uint32_t k = 0; k < pasos; ++k) {
    const uint32_t i = static_cast<uint32_t>(static_cast<uint64_t>(k) * n / pasos);
    int32_t v;
    if (!lector.Valor(i, v)) return "entry " + std::to_string(i) + " cannot be read";
    PosicionTB p;
    const bool hay = PosicionDeIndice(tabla, lado, i, &p) &&
                     ColocarFEN(FenDe(p, lado).c_str()) == 0 && Legal();
    if (!hay) {
      if (v != SIN_VALOR_TB) return "a value at index " + std::to_string(i) + ", where no position is";
      continue;
    }
    if (v == SIN_VALOR_TB) return "no value at index " + std::to_string(i) + " of a legal position";
    const bool jaque = Atacada(EstadoActual->Turno == BLANCO ? NEGRO : BLANCO,
                               EstadoActual->Rey[EstadoActual->Turno], EstadoActual);
    GenerarJugadas();
    bool mueve = false;
    for (EntradaJugada* e = InicioLista[PlyActual]; e < InicioLista[PlyActual + 1] && !mueve; ++e)
      if (HacerJugada(e->Jugada)) {
        DeshacerJugada();
        mueve = true;
      }
    if (!mueve && v != (jaque ? -32766 : 0))
      return std::string(jaque ? "a checkmate" : "a stalemate") + " at index " + std::to_string(i) +
             " with a wrong value";
  }
  return "";
}

}  // namespace

int Marcar(const char* dir) {
  if (!PrepararMotor("")) return 1;
  std::vector<MarcaTabla> marcas;
  std::vector<std::string> quitar;
  int rechazados = 0;
  const std::string d = dir;
  for (int j = 1; j < NUM_TABLAS; ++j)
    for (int lado = 0; lado < (TablaSimetrica(j) ? 1 : 2); ++lado)
      for (const std::string& forma : FormasArchivo(d, RegistroTablas[j].Nombre, lado)) {
        bool noRegular = false;
        std::FILE* f = AbrirRegular(forma.c_str(), &noRegular);
        if (f == nullptr && !noRegular) continue;
        std::string error;
        if (f == nullptr) {
          error = "not a regular file";
        } else {
          struct stat st;
          const uint64_t largo = fstat(fileno(f), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;
          LectorArchivo lector(f, forma.size() > 4 && forma.compare(forma.size() - 4, 4, ".emd") == 0,
                               TablaDosBytes(j));
          error = lector.Preparar(IndiceMaximoTabla(j, lado), largo);
          if (error.empty()) error = ComprobarPlausible(j, lado, lector);
          std::fclose(f);
        }
        MarcaTabla m;
        if (error.empty() && !MarcaDeFichero(forma, SinDirectorio(forma), m))
          error = "cannot be read";
        if (error.empty()) {
          marcas.push_back(m);
          std::printf("marked %s\n", forma.c_str());
        } else {
          quitar.push_back(SinDirectorio(forma));
          std::printf("%s: not marked: %s\n", forma.c_str(), error.c_str());
          ++rechazados;
        }
      }
  // Lines of files that are gone would only mark a file copied there later.
  for (const MarcaTabla& m : LeerMarcas(d))
    if (access(((d.empty() ? "" : d + "/") + m.Nombre).c_str(), F_OK) != 0) quitar.push_back(m.Nombre);
  std::string error;
  if (!ActualizarMarcas(d, marcas, quitar, error)) {
    std::fprintf(stderr, "zelmor-tb: %s\n", error.c_str());
    return 1;
  }
  std::printf("%zu files marked, %d refused\n", marcas.size(), rechazados);
  return rechazados ? 1 : 0;
}

int Sondear(const char* dir, const char* fen) {
  if (!PrepararMotor(dir)) return 1;
  MotivoFEN motivo;
  if (ColocarFEN(fen, &motivo) != 0) {
    ImprimirErrorFEN(motivo);
    return 1;
  }
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
      // Registration compared only the ends of the file with its mark.
      const std::string suma = ComprobarSuma(dir, nombre.c_str(), lado);
      if (!suma.empty()) {
        std::printf("%s side %d: BAD: %s\n", nombre.c_str(), lado, suma.c_str());
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
