// zelmor-tb: generates endgame tables by retrograde analysis, writes them in
// the engine's layout, and reads them back through the engine.
//
//   zelmor-tb generar [--comprimir] [--salida DIR] NAME... | --hasta N
//   zelmor-tb sondear DIR FEN
//   zelmor-tb verificar DIR NAME...
//   zelmor-tb marcar DIR
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "book/book.h"
#include "egtb/egtb.h"
#include "tools/tb/archivos.h"
#include "tools/tb/tb.h"

namespace {

void Progreso(const char* texto) { std::fprintf(stderr, "%s\n", texto); }

int Uso() {
  std::fprintf(stderr,
               "usage: zelmor-tb generar [--comprimir] [--salida DIR] "
               "NAME... | --hasta N\n"
               "       zelmor-tb sondear DIR FEN\n"
               "       zelmor-tb verificar DIR NAME...\n"
               "       zelmor-tb marcar DIR\n");
  return 2;
}

long MemoriaMaximaMB() {
  struct rusage r;
  getrusage(RUSAGE_SELF, &r);
  return r.ru_maxrss / 1024;
}

// One summary line: time, memory, longest wins and the outcome counts.
void Resumen(const tb::Tabla& t, const std::vector<std::string>& archivos) {
  long long gana[2] = {}, tablas[2] = {}, pierde[2] = {};
  int largo[2] = {};
  for (int lado = 0; lado < 2; ++lado)
    for (uint16_t v : t.v[lado]) {
      if (v == tb::ILEGAL) continue;
      if (v == 0) ++tablas[lado];
      else if (tb::Gana(v)) ++gana[lado], largo[lado] = std::max(largo[lado], (v - 1 + 1) / 2);
      else ++pierde[lado];
    }
  std::printf(
      "%s: %.1f s (%.1f s CPU), %llu MB working memory; White to move %lld wins "
      "%lld draws %lld losses, longest "
      "mate %d; Black to move %lld wins %lld draws %lld losses, "
      "longest mate %d\n",
      t.m.nombre.c_str(), t.segundos, t.segundosCpu,
      static_cast<unsigned long long>(t.bytesTrabajo >> 20), gana[0], tablas[0], pierde[0],
      largo[0], gana[1], tablas[1], pierde[1], largo[1]);
  for (const auto& a : archivos) std::printf("  wrote %s\n", a.c_str());
}

int Generar(int argc, char** argv) {
  bool comprimir = false;
  std::string salida = ".";
  std::vector<std::string> nombres;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    if (a == "--comprimir") {
      comprimir = true;
    } else if (a == "--salida" && i + 1 < argc) {
      salida = argv[++i];
    } else if (a == "--hasta" && i + 1 < argc) {
      const int n = std::atoi(argv[++i]);
      if (n < 3 || n > 5) {
        std::fprintf(stderr, "zelmor-tb: --hasta takes 3, 4 or 5\n");
        return 2;
      }
      for (const auto& c : tb::Combinaciones(n))
        if (BuscarNombre(c.c_str()) > 0) nombres.push_back(c);
    } else if (!a.empty() && a[0] == '-') {
      return Uso();
    } else {
      tb::Material m;
      if (!tb::LeerMaterial(a, m) || m.n == 0 || BuscarNombre(tb::NombreCanonico(a).c_str()) <= 0) {
        std::fprintf(stderr, "zelmor-tb: unknown combination %s\n", a.c_str());
        return 2;
      }
      nombres.push_back(tb::NombreCanonico(a));
    }
  }
  if (nombres.empty()) return Uso();
  std::string error;
  if (!tb::PrepararDirectorio(salida, error)) {
    std::fprintf(stderr, "zelmor-tb: %s\n", error.c_str());
    return 1;
  }
  tb::InformeProgreso = Progreso;
  // Every combination the named ones need is generated first and written too
  // (the engine reads them after a capture or a promotion); a table is kept in
  // memory only while a combination still to come leads to it in one move.
  const auto orden = tb::OrdenGeneracion(nombres);
  for (size_t k = 0; k < orden.size(); ++k) {
    const tb::Tabla* t = tb::Generar(orden[k]);
    if (!t) {
      std::fprintf(stderr, "zelmor-tb: cannot generate %s\n", orden[k].c_str());
      return 1;
    }
    std::vector<std::string> archivos;
    if (!tb::EscribirTabla(*t, salida, comprimir, error, &archivos)) {
      std::fprintf(stderr, "zelmor-tb: %s\n", error.c_str());
      return 1;
    }
    Resumen(*t, archivos);
    tb::OlvidarTablas({orden.begin() + static_cast<long>(k) + 1, orden.end()});
  }
  std::printf("peak memory %ld MB\n", MemoriaMaximaMB());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  setvbuf(stdout, nullptr, _IOLBF, 0);
  // The tool is its own front end: what the tables and books tell the user goes
  // to its output.
  EGTB.PantallaTablas = [](const char* texto) { std::fputs(texto, stdout); };
  Libros.SalidaPantallaLibro = [](const char* texto) { std::fputs(texto, stdout); };
  if (argc < 2) return Uso();
  const std::string orden = argv[1];
  if (orden == "generar") return Generar(argc, argv);
  if (orden == "sondear" && argc >= 4) {
    std::string fen;
    for (int i = 3; i < argc; ++i) fen += std::string(i > 3 ? " " : "") + argv[i];
    return tb::Sondear(argv[2], fen.c_str());
  }
  if (orden == "verificar" && argc >= 4) return tb::Verificar(argv[2], {argv + 3, argv + argc});
  if (orden == "marcar" && argc == 3) return tb::Marcar(argv[2]);
  return Uso();
}
