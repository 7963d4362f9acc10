// Compressed tablebase files: the header with its block index and Huffman
// code lengths, checked when a file is registered, and the decoding of one
// block (LZ77 with Huffman-coded symbols) into a cache slot.
#include <cstdlib>
#include <cstring>
#include <new>

#include "egtb/egtb.h"

namespace {

constexpr int SIMBOLOS = 1024;
constexpr int BITS_PRINCIPAL = 13;  // lookup width of the block symbols
constexpr int BITS_PEQUENO = 8;     // lookup width of the two codes of the code lengths
constexpr int NUM_DISTANCIAS = 24;
constexpr int32_t SIN_HIJO = INT32_MIN;
constexpr int RESERVA_LECTURA = 64;  // zero bytes after a block, so a look-ahead stays inside

// ---------------------------------------------------------------- bit reading

// Most significant bit first over a byte range; reading past the end gives
// zeros and marks the reader as overrun.
struct LectorBits {
  const uint8_t* Datos;
  uint64_t Bytes;
  uint64_t Pos = 0;  // in bits

  uint32_t Mirar(int n) const {  // the next n bits (n <= 32) without consuming them
    uint64_t v = 0;
    const uint64_t b = Pos >> 3;
    for (int i = 0; i < 5; ++i) v = v << 8 | (b + i < Bytes ? Datos[b + i] : 0);
    v = (v << (Pos & 7)) & 0xFFFFFFFFFFull;  // 40 bits, the wanted ones on top
    return n == 0 ? 0 : static_cast<uint32_t>(v >> (40 - n));
  }
  uint32_t Leer(int n) {
    const uint32_t v = Mirar(n);
    Pos += static_cast<uint64_t>(n);
    return v;
  }
  bool Pasado() const { return Pos > Bytes * 8; }
};

// ---------------------------------------------------------------- canonical Huffman codes

// Decoding table of a canonical code: a K-bit lookup whose entries hold
// (symbol << 5 | length), or the negated root (-1 - node) of a two-way tree
// for longer codes walked one bit at a time.
template <int K, int N>
struct Codigo {
  int32_t Tabla[1 << K];
  int32_t Nodos[N][2];
  int NumNodos;
  bool Vacio;

  // Builds from n lengths (0..31); false when they do not form a complete
  // code, an empty one, or a single code of length 1.
  bool Construir(const uint8_t* longitud, int n) {
    NumNodos = 0;
    int cuenta[32] = {}, nonulos = 0, unico = -1;
    for (int s = 0; s < n; ++s) {
      if (longitud[s] > 31) return false;
      if (longitud[s] != 0) ++nonulos, unico = s;
      ++cuenta[longitud[s]];
    }
    Vacio = nonulos == 0;
    if (Vacio) return true;
    if (nonulos == 1) {
      if (longitud[unico] != 1) return false;
      for (int32_t& e : Tabla) e = unico << 5 | 1;
      return true;
    }
    uint64_t kraft = 0;
    for (int l = 1; l < 32; ++l) kraft += static_cast<uint64_t>(cuenta[l]) << (32 - l);
    if (kraft != (uint64_t{1} << 32)) return false;
    uint32_t siguiente[33] = {};
    uint32_t codigo = 0;
    for (int l = 1; l < 32; ++l) {
      codigo = (codigo + static_cast<uint32_t>(cuenta[l - 1] * (l > 1))) << 1;
      siguiente[l] = codigo;
    }
    for (int32_t& e : Tabla) e = SIN_HIJO;
    for (int s = 0; s < n; ++s) {
      const int l = longitud[s];
      if (l == 0) continue;
      const uint32_t c = siguiente[l]++;
      if (l <= K) {
        const uint32_t desde = c << (K - l), hasta = (c + 1) << (K - l);
        for (uint32_t i = desde; i < hasta; ++i) Tabla[i] = s << 5 | l;
        continue;
      }
      int32_t* enlace = &Tabla[c >> (l - K)];
      for (int b = l - K - 1; b >= 0; --b) {
        if (*enlace == SIN_HIJO) {
          if (NumNodos == N) return false;
          Nodos[NumNodos][0] = Nodos[NumNodos][1] = SIN_HIJO;
          *enlace = -1 - NumNodos++;
        }
        if (*enlace >= 0) return false;  // cannot happen with a prefix code
        enlace = &Nodos[-1 - *enlace][(c >> b) & 1];
      }
      *enlace = s << 5 | l;
    }
    return true;
  }

  // Next symbol, or -1 when the code is empty or the bits lead nowhere.
  int Decodificar(LectorBits& r) const {
    if (Vacio) return -1;
    int32_t e = Tabla[r.Mirar(K)];
    if (e >= 0) {
      r.Pos += static_cast<uint64_t>(e & 31);
      return e >> 5;
    }
    if (e == SIN_HIJO) return -1;
    r.Pos += K;
    while (e < 0) {
      if (e == SIN_HIJO || r.Pasado()) return -1;
      e = Nodos[-1 - e][r.Leer(1)];
    }
    return e >> 5;
  }
};

using CodigoBloque = Codigo<BITS_PRINCIPAL, SIMBOLOS>;
using CodigoPequeno = Codigo<BITS_PEQUENO, 64>;

// Reads n code lengths written in the nested form: a leading 1 bit means all
// zero; up to 128 as fixed-width values with zero runs; more through a value
// code and a run code that are themselves given in the short form.
bool LeerLongitudes(LectorBits& r, int n, uint8_t* longitud) {
  if (r.Leer(1) == 1) {
    std::memset(longitud, 0, static_cast<size_t>(n));
    return !r.Pasado();
  }
  int i = 0;
  if (n <= 128) {
    const int ancho = static_cast<int>(r.Leer(5));
    while (i < n) {
      const uint32_t v = r.Leer(ancho);
      if (v > 31 || r.Pasado()) return false;
      longitud[i++] = static_cast<uint8_t>(v);
      if (v == 0) {
        const int ceros = static_cast<int>(r.Leer(4));
        if (i + ceros > n) return false;
        std::memset(longitud + i, 0, static_cast<size_t>(ceros));
        i += ceros;
      }
    }
    return !r.Pasado();
  }
  uint8_t cabeza[128];
  if (!LeerLongitudes(r, 128, cabeza)) return false;
  CodigoPequeno* codigos = new (std::nothrow) CodigoPequeno[2];
  if (codigos == nullptr) return false;
  CodigoPequeno &valor = codigos[0], &carrera = codigos[1];
  bool ok = valor.Construir(cabeza, 64) && carrera.Construir(cabeza + 64, 64);
  while (ok && i < n) {
    const int g = valor.Decodificar(r);
    if (g < 0 || r.Pasado()) {
      ok = false;
    } else if (g <= 31) {
      longitud[i++] = static_cast<uint8_t>(g);
    } else {
      const int h = carrera.Decodificar(r);
      if (h < 0) {
        ok = false;
        break;
      }
      uint64_t largo;
      if (h <= 31) {
        largo = static_cast<uint64_t>(h) + 2;
      } else {
        const int extra = h - 32;  // above 16 bits: the first 16, then the rest
        uint64_t e = extra > 16
                         ? static_cast<uint64_t>(r.Leer(16)) << (extra - 16) | r.Leer(extra - 16)
                         : r.Leer(extra);
        largo = (uint64_t{1} << extra) + e + 33;
      }
      if (largo > static_cast<uint64_t>(n - i)) {
        ok = false;
      } else {
        std::memset(longitud + i, g - 32, static_cast<size_t>(largo));
        i += static_cast<int>(largo);
      }
    }
  }
  delete[] codigos;
  return ok && !r.Pasado();
}

uint32_t Be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

constexpr auto TABLA_CRC = [] {
  std::array<uint32_t, 256> t{};
  for (uint32_t i = 0; i < 256; ++i) {
    uint32_t c = i;
    for (int k = 0; k < 8; ++k) c = c & 1 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
    t[i] = c;
  }
  return t;
}();

constexpr std::array<uint8_t, TAM_BANNER> HacerBanner() {
  constexpr const char texto[] = "Zelmor tablebase compressor, version 1.0";
  std::array<uint8_t, TAM_BANNER> b{};
  for (int i = 0; i < 58; ++i) b[i] = i < static_cast<int>(sizeof texto) - 1 ? texto[i] : ' ';
  b[58] = '\r';
  b[59] = '\n';
  return b;
}

// The block being decoded: its compressed bytes and a zero tail.
uint8_t Lectura[BLOQUE_TABLA + RESERVA_LECTURA];

}  // namespace

// ---------------------------------------------------------------- the decoder record

struct DecodificadorTabla {
  int B;
  int Bloques;        // D
  int UltimoBloque;   // uncompressed bytes of the last block
  uint64_t* Offsets;  // D + 1 offsets in the file
  int Distancias[NUM_DISTANCIAS];
  int MayorBloque;  // largest compressed block
  CodigoBloque Codigo;
};

constinit const std::array<uint8_t, TAM_BANNER> BANNER_ZELMOR = HacerBanner();

bool BannerValido(const uint8_t* b) {
  for (int i = 0; i < 58; ++i)
    if (b[i] < 0x20 || b[i] > 0x7E) return false;
  return b[58] == '\r' && b[59] == '\n' && b[60] == 0 && b[61] == 0 && b[62] == 0 && b[63] == 0;
}

uint32_t Crc32(const uint8_t* datos, uint64_t n) {
  uint32_t c = 0xFFFFFFFFu;
  for (uint64_t i = 0; i < n; ++i) c = TABLA_CRC[(c ^ datos[i]) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

void LiberarDecodificador(DecodificadorTabla* dec) {
  if (dec == nullptr) return;
  std::free(dec->Offsets);
  delete dec;
}

int BloquesDecodificador(const DecodificadorTabla* dec) { return dec->Bloques; }
int TamUltimoBloque(const DecodificadorTabla* dec) { return dec->UltimoBloque; }
int LogBloqueDecodificador(const DecodificadorTabla* dec) { return dec->B; }
uint64_t FinDatosDecodificador(const DecodificadorTabla* dec) { return dec->Offsets[dec->Bloques]; }

int LeerCabecera(std::FILE* f, DecodificadorTabla** salida) {
  *salida = nullptr;
  uint8_t fijo[80];
  if (std::fseek(f, 0, SEEK_SET) != 0 || std::fread(fijo, 1, 80, f) != 80) return RESULTADO_LECTURA;
  if (!BannerValido(fijo)) return RESULTADO_LECTURA;
  const uint32_t h = Be32(fijo + 64), d = Be32(fijo + 72);
  const int b = fijo[70];
  if (b > 16 || h < 84 || fijo[71] != 24 || fijo[76] != 0 || fijo[77] != 64 || fijo[78] != 1 ||
      fijo[79] != 0xF5)
    return RESULTADO_ROTO;
  // The block records and at least the CRC must fit in the header, which
  // must fit in the file.
  if (d == 0 || 80 + 8 * static_cast<uint64_t>(d) + 4 > h) return RESULTADO_ROTO;
  if (std::fseek(f, 0, SEEK_END) != 0) return RESULTADO_LECTURA;
  const long largo = std::ftell(f);
  if (largo < 0 || static_cast<uint64_t>(largo) < h) return RESULTADO_ROTO;
  uint8_t* cab = static_cast<uint8_t*>(std::malloc(h));
  if (cab == nullptr) return RESULTADO_MEMORIA;
  std::memcpy(cab, fijo, 80);
  int resultado = 0;
  DecodificadorTabla* dec = nullptr;
  if (std::fseek(f, 80, SEEK_SET) != 0 || std::fread(cab + 80, 1, h - 80, f) != h - 80) {
    resultado = RESULTADO_LECTURA;
  } else if (Crc32(cab, h - 4) != Be32(cab + h - 4)) {
    resultado = RESULTADO_ROTO;
  } else {
    dec = new (std::nothrow) DecodificadorTabla;
    uint64_t* offsets =
        static_cast<uint64_t*>(std::malloc((static_cast<size_t>(d) + 1) * sizeof(uint64_t)));
    if (dec == nullptr || offsets == nullptr) {
      std::free(offsets);
      resultado = RESULTADO_MEMORIA;
    } else {
      dec->Offsets = offsets;
      dec->B = b;
      dec->Bloques = static_cast<int>(d);
      LectorBits r{cab + 80 + 8 * static_cast<uint64_t>(d),
                   h - 4 - 80 - 8 * static_cast<uint64_t>(d)};
      const uint32_t lleno = 1u << b;
      offsets[0] = h;
      dec->MayorBloque = 0;
      for (uint32_t i = 0; i < d; ++i) {
        uint32_t n = r.Leer(b);
        if (n == 0) n = lleno;
        offsets[i + 1] = offsets[i] + n;
        if (static_cast<int>(n) > dec->MayorBloque) dec->MayorBloque = static_cast<int>(n);
      }
      const uint32_t ultimo = r.Leer(b);
      dec->UltimoBloque = static_cast<int>(ultimo == 0 ? lleno : ultimo);
      for (int& x : dec->Distancias) x = static_cast<int>(r.Leer(b));
      r.Pos = (r.Pos + 7) & ~uint64_t{7};
      uint8_t longitud[SIMBOLOS];
      if (r.Pasado() || !LeerLongitudes(r, SIMBOLOS, longitud) ||
          !dec->Codigo.Construir(longitud, SIMBOLOS))
        resultado = RESULTADO_ROTO;
    }
  }
  std::free(cab);
  if (resultado != 0) {
    LiberarDecodificador(dec);
    return resultado;
  }
  *salida = dec;
  return 0;
}

int DecodificarBloque(std::FILE* f, const DecodificadorTabla* dec, int n, uint8_t* destino) {
  if (n < 0 || n >= dec->Bloques) return -1;
  const uint64_t comprimido = dec->Offsets[n + 1] - dec->Offsets[n];
  const int tam = n == dec->Bloques - 1 ? dec->UltimoBloque : BLOQUE_TABLA;
  if (comprimido > BLOQUE_TABLA || tam > BLOQUE_TABLA) return -1;
  if (std::fseek(f, static_cast<long>(dec->Offsets[n]), SEEK_SET) != 0 ||
      std::fread(Lectura, 1, comprimido, f) != comprimido)
    return -1;
  if (comprimido == static_cast<uint64_t>(tam)) {
    std::memcpy(destino, Lectura, comprimido);
    return tam;
  }
  std::memset(Lectura + comprimido, 0, RESERVA_LECTURA);
  LectorBits r{Lectura, comprimido};
  int hecho = 0;
  while (hecho < tam) {
    const int s = dec->Codigo.Decodificar(r);
    if (s < 0 || r.Pasado()) return -1;
    if (s < 256) {
      destino[hecho++] = static_cast<uint8_t>(s);
      continue;
    }
    const int codigo = s & 31;
    const int largo = codigo <= 14
                          ? codigo + 1
                          : (1 << (codigo - 14)) + static_cast<int>(r.Leer(codigo - 14)) + 14;
    const int distancia = dec->Distancias[(s >> 5) - 8];
    if (distancia == 0 || distancia > hecho || largo > tam - hecho) return -1;
    // Byte by byte: an overlapping copy repeats the pattern.
    for (int i = 0; i < largo; ++i, ++hecho) destino[hecho] = destino[hecho - distancia];
  }
  return r.Pasado() ? -1 : tam;
}
