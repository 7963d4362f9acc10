#include <cstdio>
#include <cstring>
#include "tools/tb/tb.h"
static void Prog(const char* t) { std::fprintf(stderr, "%s\n", t); }
int main(int argc, char** argv) {
  tb::InformeProgreso = Prog;
  for (int i = 1; i < argc; ++i) {
    tb::Tabla* t = tb::Generar(argv[i]);
    if (!t) {
      std::fprintf(stderr, "bad %s\n", argv[i]);
      return 1;
    }
    int maxw[2] = {0, 0};
    uint64_t cnt[2][3] = {};
    for (int s = 0; s < 2; ++s)
      for (uint64_t k = 0; k < t->tam; ++k) {
        uint16_t v = t->v[s][k];
        if (v == tb::ILEGAL) continue;
        if (v == 0) cnt[s][1]++;
        else if (tb::Gana(v)) {
          cnt[s][0]++;
          if (v - 1 > maxw[s]) maxw[s] = v - 1;
        } else cnt[s][2]++;
      }
    std::printf(
        "%s %.2fs  wtm: W%llu D%llu L%llu maxwin %d plies  btm: W%llu D%llu L%llu maxwin %d; ep "
        "%zu %zu\n",
        t->m.nombre.c_str(), t->segundos, (unsigned long long)cnt[0][0],
        (unsigned long long)cnt[0][1], (unsigned long long)cnt[0][2], maxw[0],
        (unsigned long long)cnt[1][0], (unsigned long long)cnt[1][1], (unsigned long long)cnt[1][2],
        maxw[1], t->ap[0].size(), t->ap[1].size());
  }
}
