// The block compressor of ".emd" tablebase files: each block of 8192 bytes is
// cut into literals and matches at one of 24 distances chosen for the whole
// file, and the symbols are written with one canonical Huffman code; the
// header holds the block lengths, the distances and the code lengths.
#include "tools/tb/comprimir.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <queue>

#include "egtb/egtb.h"

namespace tb {

namespace {

constexpr int B = 13;
constexpr int BLOQUE = 1 << B;
constexpr int SIMBOLOS = 1024;
constexpr int DISTANCIAS = 24;
constexpr int LARGO_MAXIMO_CODIGO = 24;  // well inside the readers' 31

// Most significant bit first.
struct EscritorBits {
  std::vector<uint8_t> bytes;
  uint64_t bits = 0;
  void Poner(uint32_t valor, int n) {
    for (int i = n - 1; i >= 0; --i) {
      if ((bits & 7) == 0) bytes.push_back(0);
      if (valor >> i & 1) bytes.back() |= static_cast<uint8_t>(0x80 >> (bits & 7));
      ++bits;
    }
  }
  void Alinear() { bits = (bits + 7) & ~7ULL; }
};

// Huffman code lengths of n symbols by frequency, at most `limite` bits. Two
// symbols at least are given a code (a lone symbol gets a partner), so the
// code is always complete.
std::vector<uint8_t> Longitudes(std::vector<uint64_t> f, int limite) {
  const int n = static_cast<int>(f.size());
  std::vector<uint8_t> l(n, 0);
  int usados = 0;
  for (uint64_t x : f) usados += x != 0;
  if (usados == 0) return l;
  for (int s = 0; usados < 2 && s < n; ++s)
    if (f[s] == 0) f[s] = 1, ++usados;
  for (;;) {
    // Nodes: leaves 0..n-1, inner nodes after them; parent links give depths.
    using Nodo = std::pair<uint64_t, int>;
    std::priority_queue<Nodo, std::vector<Nodo>, std::greater<Nodo>> cola;
    std::vector<int> padre(2 * n, -1);
    for (int s = 0; s < n; ++s)
      if (f[s]) cola.push({f[s], s});
    int siguiente = n;
    while (cola.size() > 1) {
      const Nodo a = cola.top();
      cola.pop();
      const Nodo b = cola.top();
      cola.pop();
      padre[a.second] = padre[b.second] = siguiente;
      cola.push({a.first + b.first, siguiente++});
    }
    int maximo = 0;
    for (int s = 0; s < n; ++s) {
      if (!f[s]) continue;
      int d = 0;
      for (int x = s; padre[x] >= 0; x = padre[x]) ++d;
      l[s] = static_cast<uint8_t>(d);
      maximo = std::max(maximo, d);
    }
    if (maximo <= limite) return l;
    for (auto& x : f)
      if (x) x = std::max<uint64_t>(1, x >> 1);  // flatten and try again
  }
}

// Canonical codes: by increasing length, then by symbol.
std::vector<uint32_t> Codigos(const std::vector<uint8_t>& l) {
  uint32_t cuenta[33] = {}, siguiente[33] = {};
  for (uint8_t x : l) ++cuenta[x];
  cuenta[0] = 0;
  uint32_t c = 0;
  for (int b = 1; b <= 32; ++b) {
    c = (c + cuenta[b - 1]) << 1;
    siguiente[b] = c;
  }
  std::vector<uint32_t> r(l.size(), 0);
  for (size_t s = 0; s < l.size(); ++s)
    if (l[s]) r[s] = siguiente[l[s]]++;
  return r;
}

// A symbol and its extra bits: symbol << 16 | extra; the extra width follows
// from the symbol.
using Ficha = uint32_t;

int BitsExtra(int simbolo) {
  if (simbolo < 256) return 0;
  const int l = simbolo & 31;
  return l <= 14 ? 0 : l - 14;
}

Ficha FichaCoincidencia(int distancia, int largo) {
  int l, extra = 0;
  if (largo <= 15) {
    l = largo - 1;
  } else {
    const int k = 31 - __builtin_clz(static_cast<unsigned>(largo - 14));
    l = k + 14;
    extra = largo - 14 - (1 << k);
  }
  return static_cast<Ficha>(((8 + distancia) * 32 + l) << 16 | extra);
}

// The 24 distances that repeat the most bytes over a sample of the blocks.
std::array<int, DISTANCIAS> ElegirDistancias(const uint8_t* d, size_t n) {
  std::vector<int> candidatas;
  for (int x = 1; x <= 256; ++x) candidatas.push_back(x);
  for (int x = 264; x < BLOQUE; x += 8) candidatas.push_back(x);
  for (int k = 62; k <= 64; ++k)
    for (int x = k * 5; x < BLOQUE; x *= 2) candidatas.push_back(x);
  std::sort(candidatas.begin(), candidatas.end());
  candidatas.erase(std::unique(candidatas.begin(), candidatas.end()), candidatas.end());
  std::vector<uint64_t> aciertos(candidatas.size(), 0);
  const size_t bloques = (n + BLOQUE - 1) / BLOQUE;
  const size_t paso = std::max<size_t>(1, bloques / 24);
  for (size_t b = 0; b < bloques; b += paso) {
    const uint8_t* p = d + b * BLOQUE;
    const size_t tam = std::min<size_t>(BLOQUE, n - b * BLOQUE);
    for (size_t c = 0; c < candidatas.size(); ++c) {
      const size_t dist = static_cast<size_t>(candidatas[c]);
      uint64_t a = 0;
      for (size_t i = dist; i < tam; ++i) a += p[i] == p[i - dist];
      aciertos[c] += a;
    }
  }
  std::vector<size_t> orden(candidatas.size());
  for (size_t i = 0; i < orden.size(); ++i) orden[i] = i;
  std::stable_sort(orden.begin(), orden.end(),
                   [&](size_t a, size_t b) { return aciertos[a] > aciertos[b]; });
  std::array<int, DISTANCIAS> r{};
  for (int i = 0; i < DISTANCIAS; ++i) r[i] = candidatas[orden[i]];
  std::sort(r.begin(), r.end());
  return r;
}

// Greedy parse of one block: the longest match at any of the distances, a
// literal when none repeats two bytes or more.
void Partir(const uint8_t* p, int tam, const std::array<int, DISTANCIAS>& dist,
            std::vector<Ficha>& fichas) {
  int i = 0;
  while (i < tam) {
    int mejor = 0, cual = -1;
    for (int k = 0; k < DISTANCIAS; ++k) {
      const int d = dist[k];
      if (d > i) break;
      int l = 0;
      while (i + l < tam && p[i + l] == p[i + l - d]) ++l;
      if (l > mejor) mejor = l, cual = k;
      if (i + l == tam) break;
    }
    if (mejor >= 2) {
      fichas.push_back(FichaCoincidencia(cual, mejor));
      i += mejor;
    } else {
      fichas.push_back(static_cast<Ficha>(p[i]) << 16);
      ++i;
    }
  }
}

// The lengths of the block symbols in the nested form the readers expect: a
// value code and a run code (given as 128 short-form lengths), then runs.
void EscribirLongitudes(EscritorBits& w, const std::vector<uint8_t>& l) {
  // Runs of equal lengths: g (0..31) alone, or g + 32 with a run count.
  struct Paso {
    int g, h, extra, bitsExtra;
  };
  std::vector<Paso> pasos;
  for (size_t i = 0; i < l.size();) {
    size_t j = i;
    while (j < l.size() && l[j] == l[i]) ++j;
    int resto = static_cast<int>(j - i);
    while (resto > 0) {
      if (resto == 1) {
        pasos.push_back({l[i], -1, 0, 0});
        resto = 0;
      } else if (resto <= 33) {
        pasos.push_back({l[i] + 32, resto - 2, 0, 0});
        resto = 0;
      } else {
        const int k = 31 - __builtin_clz(static_cast<unsigned>(resto - 33));
        pasos.push_back({l[i] + 32, 32 + k, resto - 33 - (1 << k), k});
        resto = 0;
      }
    }
    i = j;
  }
  std::vector<uint64_t> fv(64, 0), fr(64, 0);
  for (const Paso& p : pasos) {
    ++fv[p.g];
    if (p.h >= 0) ++fr[p.h];
  }
  const auto lv = Longitudes(fv, 15), lr = Longitudes(fr, 15);
  const auto cv = Codigos(lv), cr = Codigos(lr);
  std::vector<uint8_t> cabeza(lv);
  cabeza.insert(cabeza.end(), lr.begin(), lr.end());
  // The 128 short-form lengths: width, then values with zero runs.
  w.Poner(0, 1);
  w.Poner(0, 1);
  const int ancho = 4;  // lengths of these two codes stay under 16
  w.Poner(ancho, 5);
  for (size_t i = 0; i < cabeza.size();) {
    w.Poner(cabeza[i], ancho);
    if (cabeza[i] != 0) {
      ++i;
      continue;
    }
    size_t z = 0;
    while (z < 15 && i + 1 + z < cabeza.size() && cabeza[i + 1 + z] == 0) ++z;
    w.Poner(static_cast<uint32_t>(z), 4);
    i += 1 + z;
  }
  for (const Paso& p : pasos) {
    w.Poner(cv[p.g], lv[p.g]);
    if (p.h < 0) continue;
    w.Poner(cr[p.h], lr[p.h]);
    if (p.bitsExtra) w.Poner(static_cast<uint32_t>(p.extra), p.bitsExtra);
  }
}

void Be32(uint8_t* p, uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

}  // namespace

std::array<uint8_t, 64> BannerGenerador() {
  static constexpr char texto[] = "zelmor-tb block compressor for endgame tables, release 1";
  std::array<uint8_t, 64> b{};
  for (int i = 0; i < 58; ++i) b[i] = i < static_cast<int>(sizeof texto) - 1 ? texto[i] : ' ';
  b[58] = '\r';
  b[59] = '\n';
  return b;
}

std::vector<uint8_t> Comprimir(const uint8_t* datos, size_t n) {
  const size_t bloques = std::max<size_t>(1, (n + BLOQUE - 1) / BLOQUE);
  const int ultimo = static_cast<int>(n - (bloques - 1) * BLOQUE);
  const auto dist = ElegirDistancias(datos, n);

  // Parse every block and count the symbols.
  std::vector<Ficha> fichas;
  std::vector<size_t> inicio(bloques + 1, 0);
  std::vector<uint64_t> frecuencia(SIMBOLOS, 0);
  for (size_t b = 0; b < bloques; ++b) {
    inicio[b] = fichas.size();
    const int tam = b + 1 == bloques ? ultimo : BLOQUE;
    Partir(datos + b * BLOQUE, tam, dist, fichas);
  }
  inicio[bloques] = fichas.size();
  for (Ficha f : fichas) ++frecuencia[f >> 16];
  const auto longitud = Longitudes(frecuencia, LARGO_MAXIMO_CODIGO);
  const auto codigo = Codigos(longitud);

  // Code the blocks; one that does not shrink is stored as it is.
  std::vector<uint8_t> cuerpo;
  std::vector<uint32_t> largo(bloques);
  for (size_t b = 0; b < bloques; ++b) {
    const int tam = b + 1 == bloques ? ultimo : BLOQUE;
    EscritorBits w;
    for (size_t k = inicio[b]; k < inicio[b + 1]; ++k) {
      const int s = static_cast<int>(fichas[k] >> 16);
      w.Poner(codigo[s], longitud[s]);
      if (BitsExtra(s)) w.Poner(fichas[k] & 0xFFFF, BitsExtra(s));
    }
    if (w.bytes.size() < static_cast<size_t>(tam)) {
      cuerpo.insert(cuerpo.end(), w.bytes.begin(), w.bytes.end());
      largo[b] = static_cast<uint32_t>(w.bytes.size());
    } else {
      cuerpo.insert(cuerpo.end(), datos + b * BLOQUE, datos + b * BLOQUE + tam);
      largo[b] = static_cast<uint32_t>(tam);
    }
  }

  // The header: fixed part, block records, lengths, distances, code lengths, CRC.
  EscritorBits w;
  for (size_t b = 0; b < bloques; ++b) w.Poner(largo[b] & (BLOQUE - 1), B);
  w.Poner(static_cast<uint32_t>(ultimo) & (BLOQUE - 1), B);
  for (int d : dist) w.Poner(static_cast<uint32_t>(d), B);
  w.Alinear();
  EscribirLongitudes(w, longitud);
  const size_t h = 80 + 8 * bloques + w.bytes.size() + 4;
  std::vector<uint8_t> archivo(h, 0);
  const auto banner = BannerGenerador();
  std::memcpy(archivo.data(), banner.data(), banner.size());
  Be32(&archivo[64], static_cast<uint32_t>(h));
  archivo[70] = B;
  archivo[71] = DISTANCIAS;
  Be32(&archivo[72], static_cast<uint32_t>(bloques));
  archivo[76] = 0;
  archivo[77] = 64;
  archivo[78] = 1;
  archivo[79] = 0xF5;
  // Each block record holds the block's offset in the file (readers skip it).
  uint64_t offset = h;
  for (size_t b = 0; b < bloques; ++b) {
    for (int i = 0; i < 8; ++i)
      archivo[80 + 8 * b + i] = static_cast<uint8_t>(offset >> (56 - 8 * i));
    offset += largo[b];
  }
  std::memcpy(&archivo[80 + 8 * bloques], w.bytes.data(), w.bytes.size());
  Be32(&archivo[h - 4], Crc32(archivo.data(), h - 4));
  archivo.insert(archivo.end(), cuerpo.begin(), cuerpo.end());
  return archivo;
}

}  // namespace tb
