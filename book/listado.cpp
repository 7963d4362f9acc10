// The book moves of a position, as "bk" lists them.
#include "book/book.h"
#include "movegen/movegen.h"

int JugadasLibro(Jugada* jugadas, int32_t* pesos, int maximo) {
  if (Libros.NumLibroBlancas == 0 && Libros.NumLibroNegras == 0) return -1;
  const bool blancas = EstadoActual->Turno == BLANCO;
  const EntradaLibro* libro = blancas ? Libros.LibroBlancas : Libros.LibroNegras;
  const uint32_t num = blancas ? Libros.NumLibroBlancas : Libros.NumLibroNegras;
  int n = 0;
  const ListaJugadas lista;
  for (const EntradaJugada& e : lista) {
    if (n >= maximo || !HacerJugada(e.Jugada)) continue;
    // Records are keyed by the position after the move, in the mover's book.
    const EntradaLibro* r = BuscarLibro(const_cast<EntradaLibro*>(libro), num,
                                        EstadoActual->ClaveBaja, EstadoActual->ClaveAlta);
    DeshacerJugada();
    if (r == nullptr || !(r->Marcas & MARCA_LIBRO) || (r->Marcas & MARCA_EVITAR)) continue;
    jugadas[n] = e.Jugada;
    pesos[n] = r->Peso;
    ++n;
  }
  return n;
}
