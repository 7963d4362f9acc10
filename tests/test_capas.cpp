// The include structure of the source tree: every include points down the
// layers core <- movegen, eval, egtb <- search, book <- driver, and no two
// folders of one layer need each other. builds/ headers that include no engine
// folder are the build's parameters and may be included anywhere; diag/, tools/,
// tests/ and builds/ sources may include anything.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const std::map<std::string, int> CAPAS = {
    {"core", 0},   {"movegen", 1}, {"eval", 1},   {"egtb", 1},
    {"search", 2}, {"book", 2},    {"driver", 3},
};
const std::set<std::string> LIBRES = {"builds", "diag", "tools", "tests"};

struct Inclusion {
  std::string archivo;  // "search/raiz.cpp"
  std::string carpeta;  // "search"
  std::string destino;  // "driver/driver.h"
};

// Every `#include "folder/file"` of a file.
std::vector<std::string> IncludesDe(const fs::path& ruta) {
  std::vector<std::string> salida;
  std::ifstream f(ruta);
  std::string linea;
  while (std::getline(f, linea)) {
    size_t p = linea.find_first_not_of(" \t");
    if (p == std::string::npos || linea.compare(p, 8, "#include") != 0) continue;
    const size_t a = linea.find('"', p);
    const size_t b = a == std::string::npos ? a : linea.find('"', a + 1);
    if (b != std::string::npos) salida.push_back(linea.substr(a + 1, b - a - 1));
  }
  return salida;
}

std::vector<Inclusion> Inclusiones(const fs::path& raiz) {
  std::vector<Inclusion> salida;
  for (const auto& [carpeta, capa] : CAPAS) {
    (void)capa;
    if (!fs::is_directory(raiz / carpeta)) continue;
    for (const auto& e : fs::directory_iterator(raiz / carpeta)) {
      const std::string ext = e.path().extension().string();
      if (ext != ".h" && ext != ".cpp") continue;
      for (const std::string& d : IncludesDe(e.path()))
        salida.push_back({carpeta + "/" + e.path().filename().string(), carpeta, d});
    }
  }
  return salida;
}

std::string CarpetaDe(const std::string& include) {
  const size_t barra = include.find('/');
  return barra == std::string::npos ? "" : include.substr(0, barra);
}

// A builds/ header is a parameter leaf when it includes no engine folder.
bool HojaDeParametros(const fs::path& raiz, const std::string& include) {
  if (!fs::exists(raiz / include)) return false;
  for (const std::string& d : IncludesDe(raiz / include))
    if (CAPAS.count(CarpetaDe(d))) return false;
  return true;
}

// The offending includes of a tree, one line each.
std::vector<std::string> Infracciones(const fs::path& raiz) {
  const std::vector<Inclusion> todas = Inclusiones(raiz);
  std::set<std::pair<std::string, std::string>> aristas;
  for (const Inclusion& i : todas) aristas.insert({i.carpeta, CarpetaDe(i.destino)});
  std::vector<std::string> salida;
  for (const Inclusion& i : todas) {
    const std::string g = CarpetaDe(i.destino);
    if (g.empty() || g == i.carpeta) continue;
    std::string motivo;
    if (g == "builds") {
      if (!HojaDeParametros(raiz, i.destino)) motivo = "builds/ header that includes the engine";
    } else if (LIBRES.count(g) || !CAPAS.count(g)) {
      motivo = "a folder no engine file may include";
    } else if (CAPAS.at(g) > CAPAS.at(i.carpeta)) {
      motivo = "a folder above its own";
    } else if (CAPAS.at(g) == CAPAS.at(i.carpeta) && aristas.count({g, i.carpeta})) {
      motivo = "two folders of one layer that need each other";
    }
    if (!motivo.empty()) salida.push_back(i.archivo + " includes " + i.destino + ": " + motivo);
  }
  return salida;
}

TEST(Capas, EveryIncludePointsDown) {
  const fs::path raiz = ZELMOR_SOURCE_DIR;
  ASSERT_TRUE(fs::is_directory(raiz / "core"));
  std::string lista;
  for (const std::string& s : Infracciones(raiz)) lista += s + "\n";
  EXPECT_TRUE(lista.empty()) << lista;
}

// The check itself must catch what it is for: a tree with an upward include, a
// same-layer cycle and a builds/ header that pulls the engine in.
TEST(Capas, TheCheckCatchesUpwardIncludesAndCycles) {
  const fs::path raiz = fs::temp_directory_path() / ("zelmor_capas_" + std::to_string(getpid()));
  fs::remove_all(raiz);
  auto escribir = [&](const std::string& archivo, const std::string& texto) {
    fs::create_directories((raiz / archivo).parent_path());
    std::ofstream(raiz / archivo) << texto;
  };
  escribir("core/core.h", "#include \"builds/build.h\"\n");
  escribir("builds/build.h", "#include <cstdint>\n");
  escribir("builds/malo.h", "#include \"search/search.h\"\n");
  escribir("core/hacer.cpp", "#include \"core/core.h\"\n  #include \"search/search.h\"\n");
  escribir("movegen/movegen.h", "#include \"eval/eval.h\"\n");
  escribir("eval/eval.h", "#include \"movegen/movegen.h\"\n");
  escribir("search/search.h", "#include \"egtb/egtb.h\"\n#include \"builds/malo.h\"\n");
  escribir("egtb/egtb.h", "#include \"core/core.h\"\n");
  escribir("driver/x.cpp", "#include \"search/search.h\"\n#include \"diag/diag.h\"\n");
  const std::vector<std::string> v = Infracciones(raiz);
  fs::remove_all(raiz);
  const std::set<std::string> halladas(v.begin(), v.end());
  EXPECT_EQ(halladas, (std::set<std::string>{
                          "core/hacer.cpp includes search/search.h: a folder above its own",
                          "movegen/movegen.h includes eval/eval.h: two folders of one layer "
                          "that need each other",
                          "eval/eval.h includes movegen/movegen.h: two folders of one layer "
                          "that need each other",
                          "search/search.h includes builds/malo.h: builds/ header that "
                          "includes the engine",
                          "driver/x.cpp includes diag/diag.h: a folder no engine file may "
                          "include",
                      }));
}

}  // namespace
