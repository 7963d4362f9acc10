// Zobrist keys and the fixed random generator they are drawn from.
//
// Book files store positions under these keys, so the generator, its seed and the
// drawing order must never change: a different key means every stored book entry
// is lost.
#include "core/core.h"

#include <cstring>

uint32_t ClavesPieza[13][120][2];
uint32_t ClavesAlPaso[128][2];
uint32_t ClavesEnroque[16][2];
uint32_t MarcaPeonesA;
uint32_t MarcaPeonesB;

namespace {

// Additive lagged-Fibonacci generator (lags 24 and 55).
constexpr uint32_t SemillaAleatoria[55] = {
    0x5414D5F4, 0xB3935330, 0xD0773E27, 0xAC62A182, 0x5DB20C92, 0xC1E618AC, 0xD003926A, 0x171FA3B3,
    0x9AD12101, 0x762172C1, 0xBC5D9DC3, 0x07B72A70, 0x6E5AC890, 0xF7BE54D1, 0x0D6332FA, 0x56BA8FBE,
    0xEBA585EC, 0x571421C5, 0x96B3C079, 0x12EB9B92, 0xC07C0978, 0x0700C5BD, 0x31A43513, 0x74EBA4AA,
    0x4EC55DB5, 0x2C91C2E9, 0x208771F6, 0x304EE204, 0x1E004673, 0xF3AC22F9, 0xA8561FEB, 0xDED13435,
    0xD03E7513, 0xDAE66BC2, 0x01C20BE1, 0x46638997, 0xFB26CE62, 0x01F87FC3, 0xC0016099, 0x44429270,
    0xB04F4481, 0xF31B8AD7, 0x86DD7A46, 0x03E72091, 0x96A22589, 0x74DCB7D4, 0x12D0FC03, 0x474A16E8,
    0x2FF5717C, 0x54BDED92, 0x783A9487, 0xE767978C, 0x3052D5CD, 0x16ECA191, 0x8EAF6D15};

struct {
  uint32_t estado[55];
  int j, k;
  bool cargado;
} EstadoAleatorio;

void DibujarClave(uint32_t clave[2]) {
  clave[0] = Aleatorio32();
  clave[1] = Aleatorio32();
}

}  // namespace

void ReiniciarAleatorio() { EstadoAleatorio.cargado = false; }

uint32_t Aleatorio32() {
  auto& e = EstadoAleatorio;
  if (!e.cargado) {
    std::memcpy(e.estado, SemillaAleatoria, sizeof e.estado);
    e.j = 23;
    e.k = 54;
    e.cargado = true;
  }
  const uint32_t x = e.estado[e.k] + e.estado[e.j];
  e.estado[e.k] = x;
  if (--e.j < 0) e.j = 54;
  if (--e.k < 0) e.k = 54;
  return x;
}

// Draw order: per square a8..h1 the twelve piece keys (white pawn, black pawn,
// white knight, ... black king) and that square's en-passant key; then the
// "no en-passant square" key, the sixteen castling keys and the two pawn-hash marks.
void InicializarClaves() {
  ReiniciarAleatorio();
  std::memset(ClavesPieza, 0, sizeof ClavesPieza);
  std::memset(ClavesAlPaso, 0, sizeof ClavesAlPaso);
  for (int i = 0; i < 64; ++i) {
    const int s = Casilla0x88(i);
    for (int tipo = PEON; tipo <= REY; ++tipo) {
      DibujarClave(ClavesPieza[tipo + 6][s]);
      DibujarClave(ClavesPieza[-tipo + 6][s]);
    }
    DibujarClave(ClavesAlPaso[s]);
  }
  DibujarClave(ClavesAlPaso[SIN_CASILLA]);
  for (auto& clave : ClavesEnroque) DibujarClave(clave);
  MarcaPeonesA = Aleatorio32();
  MarcaPeonesB = Aleatorio32();
}

void ReindexarHistoria() {
  if (EstadoActual == nullptr) return;
  for (EstadoPly* e = Historia; e <= EstadoActual; ++e) {
    e->IndiceHash[0] = e->ClaveBaja & MascaraHash;
    e->IndiceHash[1] = e->ClaveAlta & MascaraHashAlta();
    e->IndicePeones = e->ClavePeones & MascaraPeones;
  }
}
