// The two books in memory: key search, sort, and their files.
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include <fcntl.h>
#include <signal.h>
#include <unistd.h>

#include "book/book.h"

EstadoLibros Libros;

namespace {

constexpr uint32_t PUNTO_GUARDAR = 500;        // records per progress dot when saving
constexpr uint32_t RANGO_PUNTO_ORDEN = 10001;  // sorted ranges this long print a dot
constexpr uint32_t LOTE_LECTURA = 4096;        // records read per call

void AvisoLibro(const char* formato, ...) __attribute__((format(printf, 1, 2)));
void AvisoLibro(const char* formato, ...) {
  if (Libros.SalidaLogLibro == nullptr) return;
  char texto[512];
  va_list args;
  va_start(args, formato);
  std::vsnprintf(texto, sizeof texto, formato, args);
  va_end(args);
  Libros.SalidaLogLibro(texto);
}

void Pantalla(const char* texto) {
  if (Libros.SalidaPantallaLibro != nullptr) Libros.SalidaPantallaLibro(texto);
}

bool Menor(const EntradaLibro& a, const EntradaLibro& b) {
  return CompararClave(a, b.ClaveBaja, b.ClaveAlta) < 0;
}

void Intercambiar(EntradaLibro& a, EntradaLibro& b) {
  const EntradaLibro t = a;
  a = b;
  b = t;
}

// Quicksort on [lo, hi] with the middle record as pivot. Three-way partition, so
// a file full of equal keys costs no more than a sorted one; the smaller side is
// sorted by recursion and the larger by the loop, so the depth stays logarithmic
// whatever the order of the input.
void Quicksort(EntradaLibro* v, uint32_t lo, uint32_t hi, bool puntos) {
  while (lo < hi) {
    // One dot per long range (their order on the screen does not matter).
    if (puntos && hi - lo + 1 >= RANGO_PUNTO_ORDEN) Pantalla(".");
    Intercambiar(v[lo], v[lo + (hi - lo) / 2]);
    const EntradaLibro pivote = v[lo];
    // [lo, menores) < pivot, [menores, i) == pivot, (mayores, hi] > pivot.
    uint32_t menores = lo, i = lo + 1, mayores = hi;
    while (i <= mayores) {
      if (Menor(v[i], pivote)) {
        Intercambiar(v[i++], v[menores++]);
      } else if (Menor(pivote, v[i])) {
        Intercambiar(v[i], v[mayores--]);  // mayores >= i > lo: never wraps
      } else {
        ++i;
      }
    }
    // Left part [lo, menores - 1], right part [i, hi].
    const uint32_t tamIzq = menores - lo, tamDer = hi + 1 - i;
    if (tamIzq < tamDer) {
      if (tamIzq > 1) Quicksort(v, lo, menores - 1, puntos);
      lo = i;
    } else {
      if (tamDer > 1) Quicksort(v, i, hi, puntos);
      if (menores == lo) break;
      hi = menores - 1;
    }
  }
}

}  // namespace

void VaciarLibros() {
  std::memset(Libros.LibroBlancas, 0, sizeof Libros.LibroBlancas);
  std::memset(Libros.LibroNegras, 0, sizeof Libros.LibroNegras);
  Libros.NumLibroBlancas = Libros.NumLibroNegras = 0;
}

void NuevaPartidaLibro() { Libros.NumListaPartida = 0; }

EntradaLibro* BuscarLibro(EntradaLibro* libro, uint32_t num, uint32_t baja, uint32_t alta) {
  uint32_t lo = 0, hi = num;
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    const int c = CompararClave(libro[mid], baja, alta);
    if (c == 0) return &libro[mid];
    if (mid == lo || mid == hi) return nullptr;
    if (c < 0) lo = mid;
    else hi = mid;
  }
  return nullptr;
}

void OrdenarLibro(EntradaLibro* libro, uint32_t num, bool puntos) {
  if (num > 1) Quicksort(libro, 0, num - 1, puntos);
  if (puntos && num > RANGO_PUNTO_ORDEN) Pantalla(".");
}

int LibroOrdenado(const EntradaLibro* libro, uint32_t num) {
  for (uint32_t i = 1; i < num; ++i)
    if (Menor(libro[i], libro[i - 1])) return 0;
  return 1;
}

uint32_t CargarFicheroLibro(const char* ruta, EntradaLibro* libro, uint32_t* num,
                            const char* nombre, LecturaLibro* lectura) {
  LecturaLibro propia;
  LecturaLibro& l = lectura != nullptr ? *lectura : propia;
  l = LecturaLibro{};
  // A book is a file of records. A device or a pipe named instead (/dev/zero)
  // may never end, and the loop below reads to the end even once the book is full.
  bool noRegular = false;
  FILE* f = AbrirLecturaRegular(ruta, "rb", &noRegular);
  if (f == nullptr) {
    l.Error = errno;
    l.NoRegular = noRegular;
    l.Existe = noRegular || errno != ENOENT;
    if (noRegular)
      AvisoLibro("\nLibro %s: %s no es un fichero; no se lee\n", nombre, ruta);
    else if (l.Existe)  // a missing book is no error; one that cannot be opened is
      AvisoLibro("\nLibro %s: no se pudo abrir %s (%s)\n", nombre, ruta, std::strerror(l.Error));
    return 0;
  }
  l.Existe = true;
  const uint32_t previos = *num;
  uint32_t anadidos = 0, repetidos = 0, descartados = 0;
  static EntradaLibro lote[LOTE_LECTURA];
  size_t leidos;
  uint64_t bytes = 0;
  errno = 0;
  while ((leidos = std::fread(lote, 1, sizeof lote, f)) > 0) {
    bytes += leidos;
    const size_t registros = leidos / sizeof(EntradaLibro);
    for (size_t k = 0; k < registros; ++k) {
      const EntradaLibro& e = lote[k];
      // Records the book already had are not taken twice (a reload never doubles it).
      if (previos > 0 && BuscarLibro(libro, previos, e.ClaveBaja, e.ClaveAlta) != nullptr) {
        ++repetidos;
        continue;
      }
      if (*num >= CAPACIDAD_LIBRO) {
        ++descartados;
        continue;
      }
      libro[(*num)++] = e;
      ++anadidos;
    }
    if (leidos % sizeof(EntradaLibro) != 0) break;  // a partial record only comes last
  }
  if (std::ferror(f)) {
    l.Error = errno != 0 ? errno : EIO;
    AvisoLibro(
        "\nLibro %s: error de lectura en %s (%s); se usa lo le\xED"
        "do\n",
        nombre, ruta, std::strerror(l.Error));
  }
  std::fclose(f);
  l.Descartados = descartados;
  l.Completo = l.Error == 0 && descartados == 0;
  if (bytes % sizeof(EntradaLibro) != 0)
    AvisoLibro("\nLibro %s: %u bytes sobrantes al final de %s ignorados\n", nombre,
               static_cast<unsigned>(bytes % sizeof(EntradaLibro)), ruta);
  if (descartados > 0)
    AvisoLibro("\nLibro %s lleno (%u posiciones): %u posiciones de %s descartadas\n", nombre,
               CAPACIDAD_LIBRO, descartados, ruta);
  if (repetidos > 0)
    AvisoLibro("\nLibro %s: %u posiciones de %s ya estaban en el libro\n", nombre, repetidos, ruta);
  if (!LibroOrdenado(libro, *num)) {
    if (previos == 0)
      AvisoLibro("\nLibro %s: %s no est\xE1 ordenado; ordenando %u posiciones\n", nombre, ruta,
                 *num);
    OrdenarLibro(libro, *num, false);
  }
  return anadidos;
}

void CargarLibros(const char* rutaBlancas, const char* rutaNegras) {
  CargarFicheroLibro(rutaBlancas, Libros.LibroBlancas, &Libros.NumLibroBlancas, "blancas");
  CargarFicheroLibro(rutaNegras, Libros.LibroNegras, &Libros.NumLibroNegras, "negras");
}

int GuardarFicheroLibro(const char* ruta, const EntradaLibro* libro, uint32_t num,
                        const char* total, int* error) {
  // The old book stays in place until the new one is complete on disk. A stop
  // asked for meanwhile (SIGTERM from a front end that is closing, Ctrl-C) waits
  // until the temporary file has become the book or is gone: a signal handler
  // could do neither safely, and a stopped save would leave the temporary file.
  sigset_t parada, anterior;
  sigemptyset(&parada);
  for (int senal : {SIGTERM, SIGINT, SIGHUP, SIGQUIT}) sigaddset(&parada, senal);
  const bool bloqueadas = sigprocmask(SIG_BLOCK, &parada, &anterior) == 0;
  char temporal[4096];
  const int n = NombreTemporalLibro(ruta, temporal, sizeof temporal);
  int fallo = 0;
  FILE* f = nullptr;
  if (n == 0) {
    fallo = ENAMETOOLONG;
  } else {
    // Never through a link or into something else that has the temporary name.
    const int fd = open(temporal, O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0666);
    f = fd >= 0 ? fdopen(fd, "wb") : nullptr;
    if (f == nullptr) {
      fallo = errno;
      if (fd >= 0) {
        close(fd);
        std::remove(temporal);
      }
    }
  }
  for (uint32_t i = 0; i < num; ++i) {
    if (f != nullptr && fallo == 0 && std::fwrite(&libro[i], sizeof libro[i], 1, f) != 1)
      fallo = errno != 0 ? errno : EIO;
    if ((i + 1) % PUNTO_GUARDAR == 0) Pantalla(".");
  }
  char linea[128];
  std::snprintf(linea, sizeof linea, total, static_cast<int>(num));
  Pantalla(linea);
  if (f != nullptr) {
    if (fallo == 0 && (std::fflush(f) != 0 || fsync(fileno(f)) != 0)) fallo = errno;
    if (std::fclose(f) != 0 && fallo == 0) fallo = errno;
    if (fallo == 0 && std::rename(temporal, ruta) != 0) fallo = errno;
    if (fallo != 0) std::remove(temporal);
  }
  if (bloqueadas) sigprocmask(SIG_SETMASK, &anterior, nullptr);
  if (error != nullptr) *error = fallo;
  if (fallo != 0) {
    AvisoLibro("\nNo se pudo guardar el libro %s (%s); el fichero anterior queda intacto\n", ruta,
               std::strerror(fallo));
    return 0;
  }
  return 1;
}

int NombreTemporalLibro(const char* ruta, char* destino, size_t tam) {
  const int n = std::snprintf(destino, tam, "%s.tmp", ruta);
  return n > 0 && static_cast<size_t>(n) < tam ? 1 : 0;
}

int GuardarLibros(const char* rutaBlancas, const char* rutaNegras) {
  const int b = GuardarFicheroLibro(rutaBlancas, Libros.LibroBlancas, Libros.NumLibroBlancas,
                                    "\nTotal posiciones blancas: %d\n");
  const int n = GuardarFicheroLibro(rutaNegras, Libros.LibroNegras, Libros.NumLibroNegras,
                                    "\nTotal posiciones negras: %d\n");
  return b && n;
}
