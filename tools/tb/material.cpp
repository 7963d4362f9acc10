// Material combinations: names, the canonical colour order and the combinations
// one move leads to.
#include <algorithm>
#include <functional>
#include <set>

#include "tools/tb/tb.h"

namespace tb {

namespace {

constexpr char LETRAS[] = " pnbrqk";

int TipoLetra(char c) {
  for (int t = T_PEON; t <= T_REY; ++t)
    if (LETRAS[t] == c) return t;
  return 0;
}

// The men of one side (kings left out), strongest first.
std::string Lado(std::vector<int> tipos) {
  std::sort(tipos.begin(), tipos.end(), std::greater<int>());
  std::string s = "k";
  for (int t : tipos) s += LETRAS[t];
  return s;
}

// True when side a must stand first: more men, or as many and stronger in order.
bool Primero(std::vector<int> a, std::vector<int> b) {
  if (a.size() != b.size()) return a.size() > b.size();
  std::sort(a.begin(), a.end(), std::greater<int>());
  std::sort(b.begin(), b.end(), std::greater<int>());
  return a >= b;
}

bool Partir(const std::string& nombre, std::vector<int>& w, std::vector<int>& b) {
  if (nombre.size() < 2 || nombre.size() > MAX_PIEZAS || nombre[0] != 'k') return false;
  const size_t k2 = nombre.find('k', 1);
  if (k2 == std::string::npos) return false;
  w.clear();
  b.clear();
  for (size_t i = 1; i < nombre.size(); ++i) {
    if (i == k2) continue;
    const int t = TipoLetra(nombre[i]);
    if (t == 0 || t == T_REY) return false;
    (i < k2 ? w : b).push_back(t);
  }
  return true;
}

std::string Nombre(const std::vector<int>& w, const std::vector<int>& b) {
  return Primero(w, b) ? Lado(w) + Lado(b) : Lado(b) + Lado(w);
}

}  // namespace

bool LeerMaterial(const std::string& nombre, Material& m) {
  std::vector<int> w, b;
  if (!Partir(nombre, w, b)) return false;
  std::sort(w.begin(), w.end(), std::greater<int>());
  std::sort(b.begin(), b.end(), std::greater<int>());
  m = Material{};
  m.nombre = Lado(w) + Lado(b);
  for (int t : w) m.tipo[m.n] = t, m.color[m.n++] = BLANCAS;
  for (int t : b) m.tipo[m.n] = t, m.color[m.n++] = NEGRAS;
  for (int i = 0; i < m.n; ++i) m.peones |= m.tipo[i] == T_PEON;
  return true;
}

std::string NombreCanonico(const std::string& nombre) {
  std::vector<int> w, b;
  if (!Partir(nombre, w, b)) return "";
  return Nombre(w, b);
}

std::vector<std::string> Combinaciones(int n) {
  // Every multiset of men for each side, split over n - 2 men at most.
  std::set<std::pair<int, std::string>> todas;
  std::vector<std::vector<int>> lados[MAX_PIEZAS - 1];
  lados[0].push_back({});
  for (int k = 1; k <= MAX_PIEZAS - 2; ++k)
    for (const auto& s : lados[k - 1])
      for (int t = s.empty() ? T_DAMA : s.back(); t >= T_PEON; --t) {
        auto x = s;
        x.push_back(t);
        lados[k].push_back(x);
      }
  for (int total = 1; total <= n - 2 && total <= MAX_PIEZAS - 2; ++total)
    for (int kw = total; kw >= 0; --kw)
      for (const auto& w : lados[kw])
        for (const auto& b : lados[total - kw]) todas.insert({total, Nombre(w, b)});
  std::vector<std::string> r;
  for (const auto& [total, nombre] : todas) r.push_back(nombre);
  return r;
}

std::vector<std::string> Sucesoras(const Material& m) {
  std::set<std::string> r;
  for (int i = 0; i < m.n; ++i) {
    std::vector<int> w, b;
    // Captures: one man of either side gone (a capturing promotion too).
    for (int j = 0; j < m.n; ++j)
      if (j != i) (m.color[j] == BLANCAS ? w : b).push_back(m.tipo[j]);
    if (w.size() + b.size() > 0) r.insert(Nombre(w, b));
    if (m.tipo[i] != T_PEON) continue;
    for (int t = T_CABALLO; t <= T_DAMA; ++t) {
      for (int quitar = -1; quitar < m.n; ++quitar) {
        if (quitar == i || (quitar >= 0 && m.color[quitar] == m.color[i])) continue;
        std::vector<int> w2, b2;
        for (int j = 0; j < m.n; ++j) {
          if (j == quitar) continue;
          (m.color[j] == BLANCAS ? w2 : b2).push_back(j == i ? t : m.tipo[j]);
        }
        r.insert(Nombre(w2, b2));
      }
    }
  }
  return {r.begin(), r.end()};
}

std::vector<std::string> OrdenGeneracion(const std::vector<std::string>& nombres) {
  std::vector<std::string> orden;
  std::set<std::string> vistas;
  // Depth first, each combination listed once its successors are.
  std::function<void(const std::string&)> visitar = [&](const std::string& n) {
    Material m;
    if (!vistas.insert(n).second || !LeerMaterial(n, m)) return;
    for (const auto& s : Sucesoras(m)) visitar(s);
    orden.push_back(n);
  };
  for (const auto& n : nombres) visitar(NombreCanonico(n));
  return orden;
}

}  // namespace tb
