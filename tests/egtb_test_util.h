// Test helpers for tablebase files: a temporary directory, plain files with
// chosen contents, registration over a cache of the test's own, and a small
// compressor writing the compressed layout with
// codes and blocks the tests can bend.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <queue>
#include <random>
#include <string>
#include <vector>

#include "egtb/egtb.h"
#include "egtb/marcas.h"

namespace egtbtest {

using Bytes = std::vector<uint8_t>;

// A fresh directory under /tmp, removed with its files at the end. Files
// written through it are marked as the generator marks its own, since the
// engine reads no other tables; EscribirSinMarca leaves a file unlisted.
struct DirTemporal {
  std::string Ruta;
  DirTemporal() {
    char plantilla[] = "/tmp/zelmor-egtb-XXXXXX";
    Ruta = mkdtemp(plantilla);
  }
  ~DirTemporal() { std::system(("rm -rf '" + Ruta + "'").c_str()); }
  std::string Fichero(const std::string& nombre) const { return Ruta + "/" + nombre; }
  void EscribirSinMarca(const std::string& nombre, const Bytes& b) const {
    std::FILE* f = std::fopen(Fichero(nombre).c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(b.data(), 1, b.size(), f);
    std::fclose(f);
  }
  void Escribir(const std::string& nombre, const Bytes& b) const {
    EscribirSinMarca(nombre, b);
    std::string error;
    ASSERT_TRUE(ActualizarMarcas(Ruta, {MarcaDeBytes(nombre, b.data(), b.size())}, {}, error))
        << error;
  }
  // Marks a file already in the directory by its length and ends, what
  // registration compares; the whole-file sum is left 0 so that large sparse
  // files need not be read through.
  void Marcar(const std::string& nombre) const {
    std::FILE* f = std::fopen(Fichero(nombre).c_str(), "rb");
    ASSERT_NE(f, nullptr);
    std::fseek(f, 0, SEEK_END);
    MarcaTabla m;
    m.Nombre = nombre;
    m.Longitud = static_cast<uint64_t>(std::ftell(f));
    const bool leido = SumaExtremosFichero(f, m.Longitud, &m.Extremos);
    std::fclose(f);
    ASSERT_TRUE(leido);
    std::string error;
    ASSERT_TRUE(ActualizarMarcas(Ruta, {m}, {}, error)) << error;
  }
};

// Registers the tables `rutas` names, with `memoria` as their cache; what
// registration printed goes to *salida when it is asked for.
template <size_t N>
int Registrar(uint8_t (&memoria)[N], const std::string& rutas, std::string* salida = nullptr) {
  FijarCache(memoria, static_cast<uint32_t>(N));
  testing::internal::CaptureStdout();
  const int n = InicializarTablasFinales(rutas.c_str());
  const std::string s = testing::internal::GetCapturedStdout();
  if (salida) *salida = s;
  return n;
}

// `n` entry bytes, each `valor(rng)` of one generator seeded with `semilla`:
// the same bytes for the same seed, so that a test can write them and compare.
template <class Valor>
Bytes Contenido(uint32_t n, uint32_t semilla, Valor valor) {
  std::mt19937 rng(semilla);
  Bytes b(n);
  for (auto& x : b) x = static_cast<uint8_t>(valor(rng));
  return b;
}

// Bits written most significant first.
struct EscritorBits {
  Bytes Datos;
  int Libres = 0;
  void Poner(uint64_t v, int n) {
    for (int i = n - 1; i >= 0; --i) {
      if (Libres == 0) Datos.push_back(0), Libres = 8;
      --Libres;
      if ((v >> i) & 1) Datos.back() |= static_cast<uint8_t>(1 << Libres);
    }
  }
  void Alinear() { Libres = 0; }
};

// Canonical codes of a set of lengths (0 = absent).
inline std::vector<uint32_t> Canonicos(const std::vector<int>& l) {
  std::vector<uint32_t> c(l.size());
  uint32_t codigo = 0;
  for (int largo = 1; largo < 32; ++largo) {
    for (size_t s = 0; s < l.size(); ++s)
      if (l[s] == largo) c[s] = codigo++;
    codigo <<= 1;
  }
  return c;
}

// Huffman lengths from frequencies (every symbol with a count gets a code).
inline std::vector<int> Longitudes(const std::vector<uint64_t>& frec) {
  using Nodo = std::pair<uint64_t, int>;
  std::priority_queue<Nodo, std::vector<Nodo>, std::greater<>> cola;
  std::vector<int> padre(2 * frec.size(), -1);
  int n = static_cast<int>(frec.size());
  for (int s = 0; s < n; ++s)
    if (frec[s]) cola.push({frec[s], s});
  int siguiente = n;
  while (cola.size() > 1) {
    auto a = cola.top();
    cola.pop();
    auto b = cola.top();
    cola.pop();
    padre[a.second] = padre[b.second] = siguiente;
    cola.push({a.first + b.first, siguiente++});
  }
  std::vector<int> l(frec.size(), 0);
  for (int s = 0; s < n; ++s)
    if (frec[s])
      for (int x = s; padre[x] >= 0; x = padre[x]) ++l[s];
  return l;
}

// The short form of up to 128 lengths: width, values, zero runs.
inline void PonerCortas(EscritorBits& w, const std::vector<int>& l, int ancho = 5) {
  w.Poner(0, 1);
  w.Poner(static_cast<uint64_t>(ancho), 5);
  for (size_t i = 0; i < l.size();) {
    w.Poner(static_cast<uint64_t>(l[i]), ancho);
    if (l[i++] != 0) continue;
    size_t z = 0;
    while (z < 15 && i + z < l.size() && l[i + z] == 0) ++z;
    w.Poner(z, 4);
    i += z;
  }
}

// The 1024 lengths through a value code and a run code of fixed 6-bit codes.
inline void PonerLargas(EscritorBits& w, const std::vector<int>& l) {
  w.Poner(0, 1);
  std::vector<int> cabeza(128, 6);  // both small codes: 64 symbols of 6 bits
  PonerCortas(w, cabeza);
  for (size_t i = 0; i < l.size();) {
    size_t c = 1;
    while (i + c < l.size() && l[i + c] == l[i]) ++c;
    if (c == 1) {
      w.Poner(static_cast<uint64_t>(l[i]), 6);
    } else {
      w.Poner(static_cast<uint64_t>(32 + l[i]), 6);
      if (c <= 33) {
        w.Poner(c - 2, 6);
      } else {
        int k = 0;
        while ((size_t{2} << k) + 33 <= c) ++k;
        w.Poner(static_cast<uint64_t>(32 + k), 6);
        w.Poner(c - 33 - (size_t{1} << k), k);
      }
    }
    i += c;
  }
}

// One block: greedy matches over the given distances, then Huffman symbols.
struct Simbolo {
  int S;
  int Extra, BitsExtra;
};

inline std::vector<Simbolo> Simbolos(const Bytes& datos, const std::vector<int>& distancias) {
  std::vector<Simbolo> r;
  for (size_t i = 0; i < datos.size();) {
    int mejor = 0, cual = 0;
    for (int d = 0; d < 24; ++d) {
      const size_t dist = static_cast<size_t>(distancias[d]);
      if (dist == 0 || dist > i) continue;
      int n = 0;
      while (i + n < datos.size() && n < 1000 && datos[i + n] == datos[i + n - dist]) ++n;
      if (n > mejor) mejor = n, cual = d;
    }
    if (mejor < 3) {
      r.push_back({datos[i++], 0, 0});
      continue;
    }
    int codigo, extra = 0, bits = 0;
    if (mejor <= 15) {
      codigo = mejor - 1;
    } else {
      int k = 1;
      while ((1 << (k + 1)) + 14 <= mejor) ++k;
      codigo = 14 + k, bits = k, extra = mejor - 14 - (1 << k);
    }
    r.push_back({256 + (cual << 5) + codigo, extra, bits});
    i += static_cast<size_t>(mejor);
  }
  return r;
}

struct OpcionesCompresion {
  int B = 13;
  bool SinCodigo = false;   // empty block code: every block stored as it is
  bool Guardar = false;     // store every block as it is
  std::vector<int> Largos;  // code lengths to write instead of the real ones
  Bytes Banner = Bytes(BANNER_ZELMOR.begin(), BANNER_ZELMOR.end());
};

inline void PonerBe32(Bytes& b, size_t en, uint32_t v) {
  for (int i = 0; i < 4; ++i) b[en + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// A whole compressed file of the given entry bytes.
inline Bytes Comprimir(const Bytes& datos, const OpcionesCompresion& o = {}) {
  const size_t tam = size_t{1} << o.B;
  const size_t d = std::max<size_t>(1, (datos.size() + tam - 1) / tam);
  std::vector<int> distancias = {1,  2,  3,  4,  5,  6,  7,   8,   9,   10,  12,  16,
                                 20, 24, 32, 48, 62, 64, 100, 124, 128, 256, 512, 1000};
  std::vector<std::vector<Simbolo>> simbolos(d);
  std::vector<uint64_t> frec(1024, 1);
  for (size_t n = 0; n < d; ++n) {
    Bytes bloque(datos.begin() + static_cast<long>(n * tam),
                 datos.begin() + static_cast<long>(std::min(datos.size(), (n + 1) * tam)));
    simbolos[n] = Simbolos(bloque, distancias);
    for (auto& s : simbolos[n]) frec[s.S] += 50;
  }
  std::vector<int> largos = o.SinCodigo ? std::vector<int>(1024, 0) : Longitudes(frec);
  const std::vector<uint32_t> codigos = Canonicos(largos);
  std::vector<Bytes> bloques(d);
  for (size_t n = 0; n < d; ++n) {
    Bytes crudo(datos.begin() + static_cast<long>(n * tam),
                datos.begin() + static_cast<long>(std::min(datos.size(), (n + 1) * tam)));
    EscritorBits w;
    for (auto& s : simbolos[n]) {
      w.Poner(codigos[s.S], largos[s.S]);
      w.Poner(static_cast<uint64_t>(s.Extra), s.BitsExtra);
    }
    bloques[n] = (o.Guardar || o.SinCodigo || w.Datos.size() >= crudo.size()) ? crudo : w.Datos;
  }
  EscritorBits w;
  for (size_t n = 0; n < d; ++n) w.Poner(bloques[n].size() & (tam - 1), o.B);
  const size_t ultimo = datos.size() - (d - 1) * tam;
  w.Poner(ultimo & (tam - 1), o.B);
  for (int x : distancias) w.Poner(static_cast<uint64_t>(x), o.B);
  w.Alinear();
  if (o.SinCodigo) w.Poner(1, 1);
  else PonerLargas(w, o.Largos.empty() ? largos : o.Largos);
  Bytes f(80 + 8 * d);
  std::copy(o.Banner.begin(), o.Banner.end(), f.begin());
  f[70] = static_cast<uint8_t>(o.B);
  f[71] = 24;
  PonerBe32(f, 72, static_cast<uint32_t>(d));
  f[76] = 0, f[77] = 64, f[78] = 1, f[79] = 0xF5;
  f.insert(f.end(), w.Datos.begin(), w.Datos.end());
  const size_t h = f.size() + 4;
  PonerBe32(f, 64, static_cast<uint32_t>(h));
  f.resize(h);
  PonerBe32(f, h - 4, Crc32(f.data(), h - 4));
  for (auto& b : bloques) f.insert(f.end(), b.begin(), b.end());
  return f;
}

// Recomputes the CRC after a test has changed the header.
inline void RehacerCrc(Bytes& f) {
  const uint32_t h = static_cast<uint32_t>(f[64]) << 24 | f[65] << 16 | f[66] << 8 | f[67];
  PonerBe32(f, h - 4, Crc32(f.data(), h - 4));
}

}  // namespace egtbtest
