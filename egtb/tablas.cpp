// Tablebase files at run time: registering the files found in the configured
// directories, opening them lazily, and reading entries through the block
// cache.
#include <sys/stat.h>

#include <cstdarg>
#include <cstdlib>
#include <cstring>
#include <new>

#include "core/core.h"
#include "egtb/egtb.h"
#include "egtb/indices.h"
#include "egtb/marcas.h"


namespace {

constexpr int TAM_NOMBRE = 1024;

// What a registered side of a table holds at run time.
struct LadoTabla {
  char Nombre[TAM_NOMBRE];         // the file found; empty: not registered
  std::FILE* Fichero;              // open file or none (opened on the first miss)
  DecodificadorTabla* Dec;         // compressed files only
  int32_t Cubetas[CUBETAS_TABLA];  // first cached slot of each bucket, -1 none
  uint64_t Longitud;               // file length found at registration
};


// A cache slot: its links, its owner and the block's bytes. Links are slot
// numbers (-1: none) so that the slots need no more than 4-byte alignment
// at their 8260-byte stride.
struct Ranura {
  int32_t SigCubeta, AntCubeta;  // chain of the owner's bucket
  int32_t SigUso, AntUso;        // most-recently-used list, or free list (SigUso)
  int32_t Tabla, Lado, Bloque, Longitud;
  uint8_t Datos[BLOQUE_TABLA];
};
static_assert(sizeof(Ranura) <= TAM_RANURA && TAM_RANURA % alignof(Ranura) == 0);

// The registered files, by table and side to move, and the block cache: its
// slots and their lists.
struct EstadoArchivos {
  LadoTabla Lados[NUM_TABLAS][2];
  uint8_t* AreaCache = nullptr;
  int32_t NumRanuras = 0;
  int32_t Libres = -1;  // free list head
  int32_t MasReciente = -1, MenosReciente = -1;
};
EstadoArchivos Archivos;

Ranura& R(int32_t i) {
  return *reinterpret_cast<Ranura*>(Archivos.AreaCache + static_cast<size_t>(i) * TAM_RANURA);
}

// A message to the log, and to the screen when the user must see it.
void Avisar(bool pantalla, const char* formato, ...) __attribute__((format(printf, 2, 3)));
void Avisar(bool pantalla, const char* formato, ...) {
  char texto[TAM_NOMBRE + 128];
  va_list args;
  va_start(args, formato);
  std::vsnprintf(texto, sizeof texto, formato, args);
  va_end(args);
  if (pantalla && EGTB.PantallaTablas != nullptr) EGTB.PantallaTablas(texto);
  if (EGTB.LogTablas != nullptr) EGTB.LogTablas(texto);
}

void VaciarCache() {
  Archivos.Libres = Archivos.NumRanuras > 0 ? 0 : -1;
  Archivos.MasReciente = Archivos.MenosReciente = -1;
  for (int32_t i = 0; i < Archivos.NumRanuras; ++i) {
    Ranura* r = new (Archivos.AreaCache + static_cast<size_t>(i) * TAM_RANURA) Ranura;
    r->SigUso = i + 1 < Archivos.NumRanuras ? i + 1 : -1;
    r->Tabla = -1;
  }
  for (auto& t : Archivos.Lados)
    for (auto& l : t)
      for (int32_t& c : l.Cubetas) c = -1;
}

void SacarDeListas(int32_t i) {
  Ranura& r = R(i);
  int32_t* cubetas = Archivos.Lados[r.Tabla][r.Lado].Cubetas;
  (r.AntCubeta >= 0 ? R(r.AntCubeta).SigCubeta : cubetas[r.Bloque & 31]) = r.SigCubeta;
  if (r.SigCubeta >= 0) R(r.SigCubeta).AntCubeta = r.AntCubeta;
  (r.AntUso >= 0 ? R(r.AntUso).SigUso : Archivos.MasReciente) = r.SigUso;
  (r.SigUso >= 0 ? R(r.SigUso).AntUso : Archivos.MenosReciente) = r.AntUso;
}

void PonerDelante(int32_t i) {
  Ranura& r = R(i);
  int32_t& cubeta = Archivos.Lados[r.Tabla][r.Lado].Cubetas[r.Bloque & 31];
  r.AntCubeta = -1;
  r.SigCubeta = cubeta;
  if (cubeta >= 0) R(cubeta).AntCubeta = i;
  cubeta = i;
  r.AntUso = -1;
  r.SigUso = Archivos.MasReciente;
  if (Archivos.MasReciente >= 0) R(Archivos.MasReciente).AntUso = i;
  Archivos.MasReciente = i;
  if (Archivos.MenosReciente < 0) Archivos.MenosReciente = i;
}

void Liberar(int32_t i) {
  R(i).Tabla = -1;
  R(i).SigUso = Archivos.Libres;
  Archivos.Libres = i;
}

// A side that can no longer be read is dropped, with one line in the log.
void Desregistrar(int tabla, int lado, const char* motivo) {
  LadoTabla& l = Archivos.Lados[tabla][lado];
  Avisar(false, "*** %s: %s, tablebase no longer used\n", l.Nombre, motivo);
  l.Nombre[0] = '\0';
  if (l.Fichero != nullptr) std::fclose(l.Fichero);
  l.Fichero = nullptr;
}

// The slot holding a block of a (table, side), read on a miss; null when the
// block cannot be had.
Ranura* LeerBloque(int tabla, int lado, int32_t bloque) {
  LadoTabla& l = Archivos.Lados[tabla][lado];
  for (int32_t i = l.Cubetas[bloque & 31]; i >= 0; i = R(i).SigCubeta) {
    if (R(i).Bloque != bloque) continue;
    SacarDeListas(i);
    PonerDelante(i);
    return &R(i);
  }
  int32_t i = Archivos.Libres;
  if (i >= 0) {
    Archivos.Libres = R(i).SigUso;
  } else {
    i = Archivos.MenosReciente;
    if (i < 0) return nullptr;  // a cache too small for one block
    SacarDeListas(i);
  }
  if (l.Fichero == nullptr) {
    l.Fichero = AbrirRegular(l.Nombre);
    if (l.Fichero == nullptr) {  // perhaps out of descriptors: give them all back
      CerrarTablas();
      l.Fichero = AbrirRegular(l.Nombre);
    }
    if (l.Fichero == nullptr) {
      Desregistrar(tabla, lado, "cannot be opened");
      Liberar(i);
      return nullptr;
    }
    // A file replaced since it was registered was never checked.
    struct stat st;
    if (fstat(fileno(l.Fichero), &st) != 0 || static_cast<uint64_t>(st.st_size) != l.Longitud) {
      Desregistrar(tabla, lado, "changed since it was registered");
      Liberar(i);
      return nullptr;
    }
  }
  Ranura& r = R(i);
  int n;
  if (l.Dec != nullptr) {
    n = DecodificarBloque(l.Fichero, l.Dec, bloque, r.Datos);
  } else {
    // The last block may be short; a read error is not.
    const uint64_t desde = static_cast<uint64_t>(bloque) * BLOQUE_TABLA;
    n = -1;
    if (std::fseek(l.Fichero, static_cast<long>(desde), SEEK_SET) == 0) {
      const size_t leidos = std::fread(r.Datos, 1, BLOQUE_TABLA, l.Fichero);
      if (!std::ferror(l.Fichero) && leidos > 0) n = static_cast<int>(leidos);
      std::clearerr(l.Fichero);
    }
  }
  if (n <= 0) {
    Desregistrar(tabla, lado, l.Dec != nullptr ? "block cannot be decoded" : "read error");
    Liberar(i);
    return nullptr;
  }
  r.Tabla = tabla;
  r.Lado = lado;
  r.Bloque = bloque;
  r.Longitud = n;
  PonerDelante(i);
  return &r;
}

// Registers one side of a table from a directory, trying the plain name and
// the three compressed forms. A file the engine cannot read, or one the
// directory's marks do not list as it is, is reported and left out; it never
// stops the engine (a directory may hold other layouts). Returns false only
// when memory runs out.
bool RegistrarTabla(const char* dir, const std::vector<MarcaTabla>& marcas, int tabla, int lado) {
  LadoTabla& l = Archivos.Lados[tabla][lado];
  if (l.Nombre[0] != '\0') return true;
  const DescriptorTabla& d = RegistroTablas[tabla];
  char nombre[TAM_NOMBRE];
  const int n = std::snprintf(nombre, sizeof nombre, "%s%s%s.%s", dir, dir[0] != '\0' ? "/" : "",
                              d.Nombre, lado == 0 ? "nbw" : "nbb");
  if (n < 0 || n + 5 >= TAM_NOMBRE) return true;
  char* punto = nombre + n - 4;
  // The plain name, then the three compressed forms. Something that is there
  // under one of them but is no regular file (a FIFO, a device, a directory) is
  // refused, never opened in a way that could block.
  bool noRegular = false;
  std::FILE* f = AbrirRegular(nombre, &noRegular);
  bool comprimido = false;
  if (f == nullptr && !noRegular) {
    comprimido = true;
    std::strcat(nombre, ".emd");
    f = AbrirRegular(nombre, &noRegular);
  }
  if (f == nullptr && !noRegular) {
    *punto = '_';
    f = AbrirRegular(nombre, &noRegular);
  }
  if (f == nullptr && !noRegular) {
    std::memmove(punto, punto + 1, std::strlen(punto + 1) + 1);
    f = AbrirRegular(nombre, &noRegular);
  }
  if (noRegular) {
    Avisar(true, "*** %s corrupted\n", nombre);
    return true;
  }
  if (f == nullptr) return true;
  struct stat st;
  const uint64_t largo = fstat(fileno(f), &st) == 0 ? static_cast<uint64_t>(st.st_size) : 0;

  const uint64_t esperadas = d.IndiceMaximo[lado];
  const bool dosBytes = d.Banderas & TABLA_DOS_BYTES;
  DecodificadorTabla* dec = nullptr;
  bool valido = true, corrupto = false;
  if (comprimido) {
    const int r = LeerCabecera(f, &dec);
    if (r != 0) {
      if (r == RESULTADO_MEMORIA) {
        Avisar(true, "*** Unable to read %s - out of memory\n", nombre);
        std::fclose(f);
        return false;
      }
      if (r == RESULTADO_LECTURA) Avisar(true, "*** Unable to read %s - read error\n", nombre);
      else if (r == RESULTADO_ROTO) Avisar(true, "*** Unable to read %s - file broken\n", nombre);
      else Avisar(true, "*** Unable to read %s - error %d\n", nombre, r);
      valido = false;
    } else if (LogBloqueDecodificador(dec) != 13) {
      Avisar(true, "*** %s: Unsupported block size %d\n", nombre, 1 << LogBloqueDecodificador(dec));
      valido = false;
    } else {
      const uint64_t d1 = static_cast<uint64_t>(BloquesDecodificador(dec)) - 1;
      const uint64_t ultimo = static_cast<uint64_t>(TamUltimoBloque(dec));
      const uint64_t entradas = dosBytes ? 4096 * d1 + ultimo / 2 : 8192 * d1 + ultimo;
      // A file cut short would fail on its last blocks during a game.
      corrupto = entradas != esperadas || largo < FinDatosDecodificador(dec);
    }
  } else {
    corrupto = largo != (dosBytes ? 2 : 1) * esperadas;
  }
  // Only files our generator wrote are read: another program's file of the
  // same name may have the same length and another layout. knk's layout is
  // the one its files share with other programs, so its files need no mark.
  if (valido && !corrupto && std::strcmp(d.Nombre, "knk") != 0) {
    const char* barra = std::strrchr(nombre, '/');
    const MarcaTabla* m = BuscarMarca(marcas, barra != nullptr ? barra + 1 : nombre);
    uint64_t extremos = 0;
    corrupto = m == nullptr || m->Longitud != largo || !SumaExtremosFichero(f, largo, &extremos) ||
               extremos != m->Extremos;
  }
  if (corrupto) {
    Avisar(true, "*** %s corrupted\n", nombre);
    valido = false;
  }
  if (valido) {
    // The name must lead back to this entry, and its reverse to the negation.
    const indices::Material m = indices::MaterialDeNombre(d.Nombre);
    const auto& w = m.Cuenta[0];
    const auto& b = m.Cuenta[1];
    const bool igual = std::memcmp(w, b, sizeof w) == 0;
    if (BuscarTabla(w[1], w[2], w[3], w[4], w[5], b[1], b[2], b[3], b[4], b[5]) != tabla ||
        (!igual &&
         BuscarTabla(b[1], b[2], b[3], b[4], b[5], w[1], w[2], w[3], w[4], w[5]) != -tabla)) {
      Avisar(true, "*** Unable to register %s\n", nombre);
      valido = false;
    }
  }
  std::fclose(f);
  if (!valido) {
    LiberarDecodificador(dec);
    return true;
  }
  std::memcpy(l.Nombre, nombre, sizeof nombre);
  l.Longitud = largo;
  l.Dec = dec;
  l.Fichero = nullptr;
  for (int32_t& c : l.Cubetas) c = -1;
  return true;
}

// Seven entries of the kppkp file with Black to move are wrong in the files of
// the layout with 89,391,280 entries and are read as this loss instead. Our
// layout places other positions at those indexes, so the correction only
// applies to files of that layout.
constexpr int KPPKP = 36;
constexpr uint32_t INDICES_KPPKP[] = {56802428, 56811076, 56849992, 56858640,
                                      59592489, 67775659, 71071628};
constexpr bool CORRECCIONES_KPPKP =
    indices::Entradas(indices::MaterialDeNombre("kppkp"), 1) == 89391280;

}  // namespace

EstadoEGTB EGTB = {.MaxPiezasTB = 0,
                   .LogTablas = [](const char* texto) { Log("%s", texto); },
                   .PantallaTablas = nullptr};

void CerrarTablas() {
  for (auto& t : Archivos.Lados)
    for (auto& l : t)
      if (l.Fichero != nullptr) {
        std::fclose(l.Fichero);
        l.Fichero = nullptr;
      }
}

void LiberarTablas() {
  CerrarTablas();
  for (auto& t : Archivos.Lados)
    for (auto& l : t) {
      LiberarDecodificador(l.Dec);
      l.Dec = nullptr;
      l.Nombre[0] = '\0';
    }
  VaciarCache();
}

int InicializarTablasFinales(const char* rutas) {
  LiberarTablas();
  InicializarIndices();
  int mayor = 0;
  char dir[TAM_NOMBRE];
  for (const char* p = rutas; *p != '\0';) {
    size_t n = std::strcspn(p, ",;");
    if (n > 0 && n < sizeof dir) {
      std::memcpy(dir, p, n);
      dir[n] = '\0';
      for (char* c = dir; *c; ++c)
        if (*c == '\\') *c = '/';
      const std::vector<MarcaTabla> marcas = LeerMarcas(dir);
      for (int j = 1; j < NUM_TABLAS; ++j)
        for (int lado = 0; lado < (TablaSimetrica(j) ? 1 : 2); ++lado) {
          if (!RegistrarTabla(dir, marcas, j, lado)) {
            LiberarTablas();
            return 0;
          }
          if (Archivos.Lados[j][lado].Nombre[0] != '\0' && j > mayor) mayor = j;
        }
    }
    p += n;
    if (*p != '\0') ++p;
  }
  return mayor > 145 ? 6 : mayor > 35 ? 5 : mayor >= 6 ? 4 : mayor > 0 ? 3 : 0;
}

int FijarCache(void* memoria, uint32_t tam) {
  if (memoria == nullptr || tam < 32) return 0;
  Archivos.AreaCache = static_cast<uint8_t*>(memoria);
  Archivos.NumRanuras = static_cast<int32_t>(tam / TAM_RANURA);
  VaciarCache();
  return 1;
}

bool TablaRegistrada(int tabla, int lado) {
  if (tabla <= 0 || tabla >= NUM_TABLAS) return false;
  return Archivos.Lados[tabla][TablaSimetrica(tabla) ? 0 : lado & 1].Nombre[0] != '\0';
}

int32_t ValorTabla(int tabla, int lado, uint32_t indice) {
  if (TablaSimetrica(tabla)) lado = 0;
  if (Archivos.AreaCache == nullptr || !TablaRegistrada(tabla, lado) ||
      indice >= IndiceMaximoTabla(tabla, lado))
    return SIN_VALOR_TB;
  if constexpr (CORRECCIONES_KPPKP) {
    if (tabla == KPPKP && lado == 1)
      for (uint32_t x : INDICES_KPPKP)
        if (x == indice) return -32639;
  }
  if (TablaDosBytes(tabla)) {
    const uint32_t desde = 2 * (indice & 4095);
    const Ranura* r = LeerBloque(tabla, lado, static_cast<int32_t>(indice >> 12));
    if (r == nullptr || static_cast<int32_t>(desde) + 1 >= r->Longitud) return SIN_VALOR_TB;
    return static_cast<int16_t>(r->Datos[desde] << 8 | r->Datos[desde + 1]);
  }
  const uint32_t desde = indice & 8191;
  const Ranura* r = LeerBloque(tabla, lado, static_cast<int32_t>(indice >> 13));
  if (r == nullptr || static_cast<int32_t>(desde) >= r->Longitud) return SIN_VALOR_TB;
  const int e = static_cast<int8_t>(r->Datos[desde]);
  if (e == 0) return 0;
  if (e == 127) return SIN_VALOR_TB;
  if (e == -127) return -32640;
  if (e == -128) return 32640;
  return e > 0 ? e + 32640 : e - 32640;
}

int ContenidoCache(int* tabla, int* lado, int* bloque, int max) {
  int n = 0;
  for (int32_t i = Archivos.MasReciente; i >= 0 && n < max; i = R(i).SigUso, ++n) {
    tabla[n] = R(i).Tabla;
    lado[n] = R(i).Lado;
    bloque[n] = R(i).Bloque;
  }
  return n;
}
