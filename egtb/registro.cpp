// The registry of material combinations and its index functions, the geometric
// tables they read, the material lookup and the reverse mapping (index back
// to a position) a generator walks.
#include <array>
#include <utility>

#include "egtb/egtb.h"
#include "egtb/indices.h"

using indices::Material;

namespace {

// ---------------------------------------------------------------- names and flags

constexpr const char* NOMBRES[NUM_TABLAS] = {
    "kk",     "kpk",    "knk",    "kbk",    "krk",    "kqk",    "kpkp",   "knkp",   "knkn",
    "kbkp",   "kbkn",   "kbkb",   "krkp",   "krkn",   "krkb",   "krkr",   "kqkp",   "kqkn",
    "kqkb",   "kqkr",   "kqkq",   "kppk",   "knpk",   "knnk",   "kbpk",   "kbnk",   "kbbk",
    "krpk",   "krnk",   "krbk",   "krrk",   "kqpk",   "kqnk",   "kqbk",   "kqrk",   "kqqk",
    "kppkp",  "kppkn",  "kppkb",  "kppkr",  "kppkq",  "knpkp",  "knpkn",  "knpkb",  "knpkr",
    "knpkq",  "knnkp",  "knnkn",  "knnkb",  "knnkr",  "knnkq",  "kbpkp",  "kbpkn",  "kbpkb",
    "kbpkr",  "kbpkq",  "kbnkp",  "kbnkn",  "kbnkb",  "kbnkr",  "kbnkq",  "kbbkp",  "kbbkn",
    "kbbkb",  "kbbkr",  "kbbkq",  "krpkp",  "krpkn",  "krpkb",  "krpkr",  "krpkq",  "krnkp",
    "krnkn",  "krnkb",  "krnkr",  "krnkq",  "krbkp",  "krbkn",  "krbkb",  "krbkr",  "krbkq",
    "krrkp",  "krrkn",  "krrkb",  "krrkr",  "krrkq",  "kqpkp",  "kqpkn",  "kqpkb",  "kqpkr",
    "kqpkq",  "kqnkp",  "kqnkn",  "kqnkb",  "kqnkr",  "kqnkq",  "kqbkp",  "kqbkn",  "kqbkb",
    "kqbkr",  "kqbkq",  "kqrkp",  "kqrkn",  "kqrkb",  "kqrkr",  "kqrkq",  "kqqkp",  "kqqkn",
    "kqqkb",  "kqqkr",  "kqqkq",  "kpppk",  "knppk",  "knnpk",  "knnnk",  "kbppk",  "kbnpk",
    "kbnnk",  "kbbpk",  "kbbnk",  "kbbbk",  "krppk",  "krnpk",  "krnnk",  "krbpk",  "krbnk",
    "krbbk",  "krrpk",  "krrnk",  "krrbk",  "krrrk",  "kqppk",  "kqnpk",  "kqnnk",  "kqbpk",
    "kqbnk",  "kqbbk",  "kqrpk",  "kqrnk",  "kqrbk",  "kqrrk",  "kqqpk",  "kqqnk",  "kqqbk",
    "kqqrk",  "kqqqk",  "knnknn", "kbnknn", "kbbknn", "kbbkbn", "kbbkbb", "krnknn", "krnkbb",
    "krbknn", "krbkbb", "krrknn", "krrkbn", "krrkbb", "krrkrn", "krrkrr", "kqnknn", "kqnkbb",
    "kqnkrr", "kqbknn", "kqbkbb", "kqbkrr", "kqrknn", "kqrkbb", "kqrkrr", "kqqknn", "kqqkbn",
    "kqqkbb", "kqqkrn", "kqqkrb", "kqqkrr", "kqqkqn", "kqqkqb", "kqqkqr", "kqqkqq"};

constexpr bool Igual(const char* a, const char* b) {
  int i = 0;
  while (a[i] != '\0' && a[i] == b[i]) ++i;
  return a[i] == b[i];
}

constexpr uint32_t BanderasDe(const char* n) {
  constexpr const char* simetricas[] = {"kk",     "knkn",   "kbkb",   "krkr",  "kqkq",
                                        "knnknn", "kbbkbb", "krrkrr", "kqqkqq"};
  constexpr const char* dobles[] = {"krnknn", "krnkbb", "krbknn", "kqnkrr"};
  uint32_t b = 0;
  for (const char* s : simetricas) b |= Igual(n, s) ? TABLA_SIMETRICA : 0;
  for (const char* s : dobles) b |= Igual(n, s) ? TABLA_DOS_BYTES : 0;
  return b;
}

// A symmetric combination keeps one file, the one with White to move: with
// Black to move the colours are exchanged and the board flipped.
template <Material M>
uint32_t IndiceSimetrico(const uint32_t* blancas, const uint32_t* negras, int alPaso, int espejo) {
  return indices::Indice<M, 0>(negras, blancas, alPaso == 127 ? 127 : alPaso ^ 56, !espejo);
}

template <int J>
constexpr DescriptorTabla Descriptor() {
  DescriptorTabla d{};
  d.Indice = J;
  d.Banderas = BanderasDe(NOMBRES[J]);
  for (int i = 0; NOMBRES[J][i] != '\0'; ++i) d.Nombre[i] = NOMBRES[J][i];
  if constexpr (J > 0) {
    constexpr Material m = indices::MaterialDeNombre(NOMBRES[J]);
    static_assert(indices::Entradas(m, 0) < (uint64_t{1} << 32));
    static_assert(indices::Entradas(m, 1) < (uint64_t{1} << 32));
    d.Funcion[0] = indices::Indice<m, 0>;
    if (d.Banderas & TABLA_SIMETRICA) {
      d.Funcion[1] = IndiceSimetrico<m>;
      d.IndiceMaximo[0] = d.IndiceMaximo[1] = static_cast<uint32_t>(indices::Entradas(m, 0));
    } else {
      d.Funcion[1] = indices::Indice<m, 1>;
      d.IndiceMaximo[0] = static_cast<uint32_t>(indices::Entradas(m, 0));
      d.IndiceMaximo[1] = static_cast<uint32_t>(indices::Entradas(m, 1));
    }
  }
  return d;
}

template <int... J>
constexpr std::array<DescriptorTabla, NUM_TABLAS> ConstruirRegistro(
    std::integer_sequence<int, J...>) {
  return {Descriptor<J>()...};
}

constexpr auto MATERIALES = [] {
  std::array<Material, NUM_TABLAS> t{};
  for (int j = 0; j < NUM_TABLAS; ++j) t[j] = indices::MaterialDeNombre(NOMBRES[j]);
  return t;
}();

// ---------------------------------------------------------------- material lookup

// One side's men (pawns..queens, at most 4 in all) as a base-5 number, mapped
// to a compact id; the pair of ids gives the registry position.
constexpr int ClaveLado(int p, int n, int b, int r, int q) {
  return p + 5 * n + 25 * b + 125 * r + 625 * q;
}
constexpr int CLAVES_LADO = 3125;
constexpr int MAX_IDS = 126;  // multisets of at most four men out of five kinds

constexpr auto ID_LADO = [] {
  std::array<int16_t, CLAVES_LADO> t{};
  int n = 0;
  for (int k = 0; k < CLAVES_LADO; ++k) {
    int c = k, total = 0;
    for (int i = 0; i < 5; ++i, c /= 5) total += c % 5;
    t[k] = static_cast<int16_t>(total <= 4 ? n++ : -1);
  }
  return t;
}();

constexpr int IdMaterial(const Material& m, int color) {
  const auto& c = m.Cuenta[color];
  return ID_LADO[ClaveLado(c[1], c[2], c[3], c[4], c[5])];
}

constexpr auto TABLA_MATERIAL = [] {
  std::array<std::array<int16_t, MAX_IDS>, MAX_IDS> t{};
  for (int j = 1; j < NUM_TABLAS; ++j) {
    const Material& m = MATERIALES[j];
    t[IdMaterial(m, 0)][IdMaterial(m, 1)] = static_cast<int16_t>(j);
    if (t[IdMaterial(m, 1)][IdMaterial(m, 0)] == 0)
      t[IdMaterial(m, 1)][IdMaterial(m, 0)] = static_cast<int16_t>(-j);
  }
  return t;
}();

// ---------------------------------------------------------------- reverse mapping

// The square of rank `rango` among the free squares of the domain (pawns:
// ranks 2..7), given the squares already taken.
int CasillaDeRango(int rango, bool peon, const int* ocupadas, int n) {
  const int desde = peon ? 8 : 0, hasta = peon ? 56 : 64;
  for (int s = desde; s < hasta; ++s) {
    bool libre = true;
    for (int i = 0; i < n; ++i) libre &= ocupadas[i] != s;
    if (libre && rango-- == 0) return s;
  }
  return -1;
}

// Ranks (ascending) of an unordered group from its combinatorial number.
void RangosDeGrupo(uint32_t v, int k, int* rangos) {
  for (int j = k; j >= 1; --j) {
    int r = j - 1;
    while (indices::Combinaciones(r + 1, j) <= v) ++r;
    rangos[j - 1] = r;
    v -= indices::Combinaciones(r, j);
  }
}

uint64_t BaseParPeon(const uint64_t* tot, int par) {
  const auto& p = indices::PREVIOS_CLASE[par];
  return p[0] * tot[0] + p[1] * tot[1] + p[2] * tot[2];
}

// Fills occ (reference king, other king, men in group order) from an index of
// the ordinary region.
bool DecodificarNormal(const Material& m, uint64_t idx, int* occ) {
  const indices::Grupos g = indices::GruposDe(m);
  if (idx >= indices::EntradasNormales(m)) return false;
  uint64_t resto;
  int clase = 0;
  if (g.Peones == 0) {
    const uint64_t total = indices::Radices(g, 0);
    const auto& par = indices::LISTA_PARES[idx / total];
    occ[0] = par.R;
    occ[1] = par.O;
    resto = idx % total;
  } else {
    const uint64_t tot[3] = {indices::Radices(g, 0), indices::Radices(g, 1),
                             indices::Radices(g, 2)};
    int lo = 0, hi = indices::PARES_CON_PEONES - 1;  // last pair whose base is <= idx
    while (lo < hi) {
      const int mid = (lo + hi + 1) / 2;
      if (BaseParPeon(tot, mid) <= idx) lo = mid;
      else hi = mid - 1;
    }
    const auto& par = indices::LISTA_PARES_PEONES[lo];
    occ[0] = par.R;
    occ[1] = par.O;
    clase = par.Clase;
    resto = idx - BaseParPeon(tot, lo);
  }
  uint32_t digito[6];
  for (int i = g.Num - 1; i >= 0; --i) {
    const indices::Grupo& x = g.G[i];
    const uint32_t rad =
        indices::Combinaciones(x.Peones ? 48 - clase - x.Inicio : 62 - x.Inicio, x.Cuenta);
    digito[i] = static_cast<uint32_t>(resto % rad);
    resto /= rad;
  }
  for (int i = 0; i < g.Num; ++i) {
    const indices::Grupo& x = g.G[i];
    int rangos[3];
    RangosDeGrupo(digito[i], x.Cuenta, rangos);
    for (int k = 0; k < x.Cuenta; ++k) {
      const int s = CasillaDeRango(rangos[k], x.Peones, occ, 2 + x.Inicio);
      if (s < 0) return false;
      occ[2 + x.Inicio + k] = s;
    }
  }
  return true;
}

void Llenar(const Material& m, int lado, const int* occ, int alPaso, PosicionTB* p) {
  const indices::Grupos g = indices::GruposDe(m);
  p->Num = 2 + g.Hombres;
  p->Hombres[0] = HombreTB{0, 6, static_cast<uint8_t>(occ[lado == 0 ? 0 : 1])};
  p->Hombres[1] = HombreTB{1, 6, static_cast<uint8_t>(occ[lado == 0 ? 1 : 0])};
  for (int i = 0; i < g.Num; ++i)
    for (int k = 0; k < g.G[i].Cuenta; ++k)
      p->Hombres[2 + g.G[i].Inicio + k] =
          HombreTB{static_cast<uint8_t>(g.G[i].Color), static_cast<uint8_t>(g.G[i].Tipo),
                   static_cast<uint8_t>(occ[2 + g.G[i].Inicio + k])};
  p->AlPaso = alPaso;
}

bool Decodificar(const Material& m, int lado, uint32_t idx, PosicionTB* p) {
  int occ[8];
  const uint64_t normal = indices::EntradasNormales(m);
  if (idx < normal) {
    if (!DecodificarNormal(m, idx, occ)) return false;
    Llenar(m, lado, occ, 127, p);
    return true;
  }
  if (!indices::ConAlPaso(m)) return false;
  const Material s = indices::SinPeonAvanzado(m, lado);
  const uint64_t bloque = indices::EntradasNormales(s);
  const uint64_t e = idx - normal;
  const int col = static_cast<int>(e / bloque);
  if (col >= 8) return false;
  int sub[8];
  if (!DecodificarNormal(s, e % bloque, sub)) return false;
  // Put the advanced pawn back as the last of its group.
  const indices::Grupos g = indices::GruposDe(m);
  const indices::Grupo pv = g.G[lado == 0 ? 1 : 0], pc = g.G[lado == 0 ? 0 : 1];
  const int avanzado = lado == 0 ? 32 + col : 24 + col;
  const int alPaso = lado == 0 ? 40 + col : 16 + col;
  const int origen = lado == 0 ? 48 + col : 8 + col;
  const int hueco = 2 + pv.Inicio + pv.Cuenta - 1;
  const int n = 2 + g.Hombres;
  for (int i = 0, j = 0; i < n; ++i) occ[i] = i == hueco ? avanzado : sub[j++];
  bool captor = false;
  for (int i = 0; i < n; ++i) {
    if (i != hueco && (occ[i] == avanzado || occ[i] == alPaso || occ[i] == origen)) return false;
  }
  for (int k = 0; k < pc.Cuenta; ++k) {
    const int c = occ[2 + pc.Inicio + k];
    captor |= (col > 0 && c == avanzado - 1) || (col < 7 && c == avanzado + 1);
  }
  if (!captor) return false;
  Llenar(m, lado, occ, alPaso, p);
  return true;
}

constexpr auto REGISTRO = ConstruirRegistro(std::make_integer_sequence<int, NUM_TABLAS>{});
static_assert(REGISTRO[2].IndiceMaximo[1] == 28644);

}  // namespace

constinit const std::array<DescriptorTabla, NUM_TABLAS> RegistroTablas = REGISTRO;

void InicializarIndices() {}

int BuscarTabla(int pb, int cb, int ab, int tb, int db, int pn, int cn, int an, int tn, int dn) {
  const int w[5] = {pb, cb, ab, tb, db}, b[5] = {pn, cn, an, tn, dn};
  for (int i = 0; i < 5; ++i)
    if (w[i] < 0 || w[i] > 4 || b[i] < 0 || b[i] > 4) return 0;
  const int iw = ID_LADO[ClaveLado(pb, cb, ab, tb, db)],
            ib = ID_LADO[ClaveLado(pn, cn, an, tn, dn)];
  if (iw < 0 || ib < 0) return 0;
  return TABLA_MATERIAL[iw][ib];
}

int BuscarNombre(const char* nombre) {
  for (int j = 0; j < NUM_TABLAS; ++j)
    if (Igual(nombre, NOMBRES[j])) return j;
  return -1;
}

bool PosicionDeIndice(int tabla, int lado, uint32_t indice, PosicionTB* p) {
  if (tabla <= 0 || tabla >= NUM_TABLAS || lado < 0 || lado > 1) return false;
  if (indice >= RegistroTablas[tabla].IndiceMaximo[lado]) return false;
  if (lado == 1 && TablaSimetrica(tabla)) {
    // The one file is White's: read its position with the colours exchanged.
    if (!Decodificar(MATERIALES[tabla], 0, indice, p)) return false;
    for (int i = 0; i < p->Num; ++i) {
      p->Hombres[i].Color ^= 1;
      p->Hombres[i].Casilla ^= 56;
    }
    std::swap(p->Hombres[0], p->Hombres[1]);
    return true;
  }
  return Decodificar(MATERIALES[tabla], lado, indice, p);
}

void EmpaquetarPosicion(const PosicionTB& p, uint32_t blancas[7], uint32_t negras[7]) {
  for (int t = 0; t < 7; ++t) blancas[t] = negras[t] = 0;
  for (int i = 0; i < p.Num; ++i) {
    uint32_t* w = p.Hombres[i].Color == 0 ? blancas : negras;
    w[p.Hombres[i].Tipo] = w[p.Hombres[i].Tipo] << 6 | p.Hombres[i].Casilla;
  }
}

uint32_t IndiceDePosicion(int tabla, int lado, const PosicionTB& p) {
  uint32_t blancas[7], negras[7];
  EmpaquetarPosicion(p, blancas, negras);
  return RegistroTablas[tabla].Funcion[lado](blancas, negras, p.AlPaso, 0);
}
