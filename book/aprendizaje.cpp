// Position learning: the positions the engine's own moves led to while in the
// book or just out of it, merged into the books with the game's result.
#include <cstdio>
#include <cstring>

#include "book/book.h"

namespace {

// A score in 16 bits. Mate scores do not fit; cut to the nearest end they keep
// their sign (a plain cut would turn a won mate into a heavy loss).
int16_t Valor16(int32_t v) {
  return static_cast<int16_t>(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
}

// Appends the position after move j (made and taken back here); a full list
// keeps what it has.
void Registrar(Jugada j, int profundidad, int32_t valor, int segundos) {
  if (Libros.NumListaPartida >= CAPACIDAD_PARTIDA) return;
  const uint16_t color = EstadoActual->Turno == BLANCO ? 1 : 0;
  if (!HacerJugada(j)) return;
  RegistroPartida& r = Libros.ListaPartida[Libros.NumListaPartida++];
  r.ClaveBaja = EstadoActual->ClaveBaja;
  r.ClaveAlta = EstadoActual->ClaveAlta;
  r.Profundidad = static_cast<uint16_t>(profundidad < 0 ? 0 : profundidad);
  r.Valor = Valor16(valor);
  r.Segundos = static_cast<uint16_t>(segundos < 0 ? 0 : segundos > 65535 ? 65535 : segundos);
  r.Color = color;
  DeshacerJugada();
}

// A weight moved by a result, held within 16 bits instead of wrapping round (a
// move won with 32767 times must not turn into the worst of the book).
int16_t SumarPeso(int16_t peso, int r) {
  const int32_t v = peso + r;
  return static_cast<int16_t>(v > 32767 ? 32767 : v < -32768 ? -32768 : v);
}

void Aviso(const char* texto) {
  if (Libros.SalidaLogLibro != nullptr) Libros.SalidaLogLibro(texto);
}

}  // namespace

void AprenderJugadaLibro(Jugada j, int32_t peso) { Registrar(j, 0, peso, 0); }

void AprenderBusqueda(Jugada j, int profundidad, int32_t valor, int segundos) {
  if (Libros.NumListaPartida > 0) {
    RegistroPartida& ultimo = Libros.ListaPartida[Libros.NumListaPartida - 1];
    if (valor < ultimo.Valor) ultimo.Valor = Valor16(ultimo.Valor - 1);
  }
  Registrar(j, profundidad, valor, segundos);
}

void Aprender(const char* resultado, int colorMotor) {
  // The result from the engine's side (without a side, a decided game counts
  // as lost).
  Aviso("\nAprendiendo...\n");
  int r = 0;
  if (std::strcmp(resultado, "1-0") == 0) r = colorMotor == BLANCO ? 1 : -1;
  if (std::strcmp(resultado, "0-1") == 0) r = colorMotor == NEGRO ? 1 : -1;

  // Each record into the book of the side that moved.
  const uint32_t antesBlancas = Libros.NumLibroBlancas, antesNegras = Libros.NumLibroNegras;
  uint32_t descartados = 0;
  for (int i = 0; i < Libros.NumListaPartida; ++i) {
    const RegistroPartida& g = Libros.ListaPartida[i];
    EntradaLibro* libro = g.Color == 1 ? Libros.LibroBlancas : Libros.LibroNegras;
    uint32_t& num = g.Color == 1 ? Libros.NumLibroBlancas : Libros.NumLibroNegras;
    const uint32_t antes = g.Color == 1 ? antesBlancas : antesNegras;
    EntradaLibro* b = BuscarLibro(libro, antes, g.ClaveBaja, g.ClaveAlta);
    // A position the game reached twice is found among this call's new records.
    for (uint32_t k = antes; b == nullptr && k < num; ++k)
      if (CompararClave(libro[k], g.ClaveBaja, g.ClaveAlta) == 0) b = &libro[k];
    if (b != nullptr) {
      b->Peso = SumarPeso(b->Peso, r);
      if (!(b->Marcas & MARCA_LIBRO) && b->Segundos <= g.Segundos) {
        b->Profundidad = static_cast<uint8_t>(g.Profundidad);
        b->Segundos = g.Segundos;
        b->Valor = g.Valor;
      }
      continue;
    }
    if (num >= CAPACIDAD_LIBRO) {
      ++descartados;
      continue;
    }
    libro[num++] = {g.ClaveBaja,
                    g.ClaveAlta,
                    0,
                    static_cast<uint8_t>(g.Profundidad),
                    g.Valor,
                    g.Segundos,
                    static_cast<int16_t>(r)};
  }
  if (descartados > 0) {
    char linea[96];
    std::snprintf(linea, sizeof linea, "\nLibro lleno: %u posiciones aprendidas descartadas\n",
                  descartados);
    Aviso(linea);
  }

  // Books that grew are put back in key order.
  if (Libros.NumLibroBlancas != antesBlancas) OrdenarLibro(Libros.LibroBlancas, Libros.NumLibroBlancas);
  if (Libros.NumLibroNegras != antesNegras) OrdenarLibro(Libros.LibroNegras, Libros.NumLibroNegras);
}
