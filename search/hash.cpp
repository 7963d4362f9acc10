// Transposition tables: the two stores, the hash move of a position and the
// guarantee that a search always has both tables.
#include <cstdio>
#include <cstring>

#include "search/search.h"

namespace {

// The filter byte of entry e when it lies in `tabla` (number t of the filter).
inline void AnotarFiltro(const EntradaHash* e, const EntradaHash* tabla, int t) {
  const uintptr_t desde = reinterpret_cast<uintptr_t>(tabla);
  const uintptr_t en = reinterpret_cast<uintptr_t>(e);
  const uintptr_t slot = (en - desde) / sizeof(EntradaHash);
  if (en >= desde && slot <= MascaraHash) Busqueda.FiltroHash[slot].Marca[t] = MarcaFiltro(e->ClaveAlta);
}

// Writes an entry once its table has chosen to: key, draft, material stamp,
// move, value and flags. Shared by both tables.
void Grabar(EntradaHash* e, int prof, int32_t alfa, int32_t beta, int32_t valor, Jugada jugada) {
  const EstadoPly* n = EstadoActual;
  ++Busqueda.Contadores.HashGrabaciones;
  if (e->ClaveBaja == 0 && e->ClaveAlta == 0) ++Busqueda.Contadores.HashOcupadas;
  e->ClaveBaja = n->ClaveBaja;
  e->ClaveAlta = n->ClaveAlta;
  e->Calado = static_cast<uint8_t>(prof);
  e->Estampa = static_cast<uint16_t>(n->MaterialTotal);
  uint8_t banderas;
  if (valor <= alfa) {
    banderas = HASH_COTA_SUPERIOR;
    jugada = 0;
  } else if (valor >= beta) {
    banderas = HASH_COTA_INFERIOR;
  } else {
    banderas = HASH_EXACTO;
  }
  e->Jugada = jugada;
  e->Valor = valor;
  // A position entered by a null move (Regla50 two above its parent's) or whose
  // null move showed a mate threat keeps the null move forbidden.
  if (n == Historia || n->PermiteNulo || n->Regla50 != static_cast<uint8_t>((n - 1)->Regla50 + 2))
    banderas |= HASH_NULO;
  e->Banderas = static_cast<uint8_t>(banderas | n->Turno);
}

}  // namespace

// Refuses to replace a deeper entry unless it holds a position richer in
// material than the root (which cannot come back in this game).
void GuardarHashProf(EntradaHash* e, int prof, int32_t alfa, int32_t beta, int32_t valor,
                     Jugada jugada) {
  if (e->Calado != 0 && e->Estampa <= Busqueda.EstampaRaiz && prof < e->Calado) {
    ++Busqueda.Contadores.HashNoGrabaciones;
    return;
  }
  Grabar(e, prof, alfa, beta, valor, jugada);
  AnotarFiltro(e, Busqueda.TablaHashProf, 0);
}

void GuardarHashSiempre(EntradaHash* e, int prof, int32_t alfa, int32_t beta, int32_t valor,
                        Jugada jugada) {
  Grabar(e, prof, alfa, beta, valor, jugada);
  AnotarFiltro(e, Busqueda.TablaHashSiempre, 1);
}

Jugada JugadaHashActual() {
  if (Busqueda.TablaHashProf == nullptr || Busqueda.TablaHashSiempre == nullptr) return 0;
  const uint32_t slot = EstadoActual->ClaveBaja & MascaraHash;
  const EntradaHash* e = &Busqueda.TablaHashProf[slot];
  if (EntradaCoincide(e)) return e->Jugada;
  e = &Busqueda.TablaHashSiempre[slot];
  if (EntradaCoincide(e)) return e->Jugada;
  return 0;
}

namespace {

// The single entries the tables fall back to, and what the allocator took.
struct AsignacionTablas {
  EntradaHash ReservaProf[1];
  EntradaHash ReservaSiempre[1];
  MarcasSlot ReservaFiltro[1];
  void* PropiaProf = nullptr;
  void* PropiaSiempre = nullptr;
  void* PropiaFiltro = nullptr;
};
AsignacionTablas Asignacion;

// Make fetches the slots of both tables ahead (see TablasAnticipadas).
void Anunciar() {
  RegistrarAnticipo(ANTICIPO_PROF, Busqueda.TablaHashProf, &MascaraHash, sizeof(EntradaHash));
  RegistrarAnticipo(ANTICIPO_SIEMPRE, Busqueda.TablaHashSiempre, &MascaraHash, sizeof(EntradaHash));
  RegistrarAnticipo(ANTICIPO_FILTRO, Busqueda.FiltroHash, &MascaraHash, sizeof(MarcasSlot));
}

template <typename T>
void Reserva(T*& tabla, void*& propia, T* reserva) {
  void* t = tabla;
  LiberarTabla(&t, &propia);
  reserva[0] = T{};
  tabla = reserva;
}

EntradaHash* Reservar(EntradaHash*& tabla, void*& propia, uint64_t n, EntradaHash* reserva) {
  void* t = tabla;
  const uint64_t hechas = ReservarTabla(&t, &propia, n, sizeof(EntradaHash), reserva);
  tabla = static_cast<EntradaHash*>(t);
  return hechas == n ? tabla : nullptr;
}

}  // namespace

int ReservarTablasBusqueda(uint32_t megas) {
  // Two tables of equal size sharing one mask: if either cannot be had, both
  // become single entries.
  const uint64_t n = EntradasTabla(megas, sizeof(EntradaHash));
  const bool prof = Reservar(Busqueda.TablaHashProf, Asignacion.PropiaProf, n, Asignacion.ReservaProf) != nullptr;
  const bool siempre = Reservar(Busqueda.TablaHashSiempre, Asignacion.PropiaSiempre, n, Asignacion.ReservaSiempre) != nullptr;
  void* f = Busqueda.FiltroHash;
  const bool filtro =
      prof && siempre && ReservarTabla(&f, &Asignacion.PropiaFiltro, n, sizeof(MarcasSlot), Asignacion.ReservaFiltro) == n;
  Busqueda.FiltroHash = static_cast<MarcasSlot*>(f);
  if (prof && siempre && filtro) {
    MascaraHash = static_cast<uint32_t>(n - 1);
  } else {
    Reserva(Busqueda.TablaHashProf, Asignacion.PropiaProf, Asignacion.ReservaProf);
    Reserva(Busqueda.TablaHashSiempre, Asignacion.PropiaSiempre, Asignacion.ReservaSiempre);
    Reserva(Busqueda.FiltroHash, Asignacion.PropiaFiltro, Asignacion.ReservaFiltro);
    MascaraHash = 0;
  }
  Anunciar();
  ReindexarHistoria();
  return !prof + !siempre + (prof && siempre && !filtro);
}

void LiberarTablasBusqueda() {
  void* t = Busqueda.TablaHashProf;
  LiberarTabla(&t, &Asignacion.PropiaProf);
  t = Busqueda.TablaHashSiempre;
  LiberarTabla(&t, &Asignacion.PropiaSiempre);
  t = Busqueda.FiltroHash;
  LiberarTabla(&t, &Asignacion.PropiaFiltro);
  Busqueda.TablaHashProf = Busqueda.TablaHashSiempre = nullptr;
  Busqueda.FiltroHash = nullptr;
  Anunciar();
}

void LimpiarTablasBusqueda() {
  const size_t bytes = (size_t{MascaraHash} + 1) * sizeof(EntradaHash);
  if (Busqueda.TablaHashProf) std::memset(Busqueda.TablaHashProf, 0, bytes);
  if (Busqueda.TablaHashSiempre) std::memset(Busqueda.TablaHashSiempre, 0, bytes);
  if (Busqueda.FiltroHash) std::memset(Busqueda.FiltroHash, 0, (size_t{MascaraHash} + 1) * sizeof(MarcasSlot));
}

// Tables released (or never allocated): search with single-entry tables rather
// than none.
void AsegurarTablasHash() {
  if (Busqueda.TablaHashProf != nullptr && Busqueda.TablaHashSiempre != nullptr && Busqueda.FiltroHash != nullptr) return;
  Reserva(Busqueda.TablaHashProf, Asignacion.PropiaProf, Asignacion.ReservaProf);
  Reserva(Busqueda.TablaHashSiempre, Asignacion.PropiaSiempre, Asignacion.ReservaSiempre);
  Reserva(Busqueda.FiltroHash, Asignacion.PropiaFiltro, Asignacion.ReservaFiltro);
  MascaraHash = 0;
  Anunciar();
  // The game's records carry table indexes computed with the old mask.
  ReindexarHistoria();
  Log("\nSin tablas hash: se busca con una sola entrada por tabla\n");
}
