// The book loader followed by a probe. The input is a small header and the
// bytes of two book files:
//   byte 0  bits 0-2: plies of a fixed opening line played before the probe;
//           bit 3: the White file is loaded a second time (the append path,
//           which skips keys the book already has); bit 4: the probe's move
//           and a searched reply are learned and merged with a result (bit 5:
//           won, else drawn; bit 6: the reply's score falls)
//   byte 1  records (16 bytes each) of the rest that form the White file; the
//           remaining bytes form the Black file (a partial record included)
// A key is the position after a move, so only records made from real games
// reach the probe's candidates; the seeds are books built from ECO lines.
#include <string>

#include "book/book.h"
#include "driver/driver.h"
#include "fuzz/arnes.h"
#include "movegen/movegen.h"

namespace {

constexpr const char* LINEA[] = {"e2e4", "e7e5", "g1f3", "b8c6", "f1b5", "a7a6", "b5a4"};

// What the probe plants is only looked at, as the search's table would store it.
uint32_t Plantados = 0;
void Plantar(int32_t valor, int prof) {
  Plantados += static_cast<uint32_t>(valor) + static_cast<uint32_t>(prof);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  arnes::Preparar();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t n) {
  if (n < 2) return 0;
  arnes::ReiniciarMotor();
  const uint8_t control = datos[0];
  const int plies = control & 7;
  const bool dosVeces = control & 8;
  const bool aprender = control & 16;
  size_t blancas = size_t{datos[1]} * sizeof(EntradaLibro);
  datos += 2, n -= 2;
  if (blancas > n) blancas = n;
  static const std::string rutaB = arnes::DirectorioTrabajo() + "/blancas.libro";
  static const std::string rutaN = arnes::DirectorioTrabajo() + "/negras.libro";
  if (!arnes::EscribirFichero(rutaB, datos, blancas) ||
      !arnes::EscribirFichero(rutaN, datos + blancas, n - blancas))
    return 0;
  CargarLibros(rutaB.c_str(), rutaN.c_str());
  if (dosVeces) CargarFicheroLibro(rutaB.c_str(), Libros.LibroBlancas, &Libros.NumLibroBlancas, "blancas");
  if (!LibroOrdenado(Libros.LibroBlancas, Libros.NumLibroBlancas) || !LibroOrdenado(Libros.LibroNegras, Libros.NumLibroNegras))
    __builtin_trap();
  for (int i = 0; i < plies; ++i)
    if (!InterpretarJugada(LINEA[i])) __builtin_trap();
  Jugada jugadas[64];
  int32_t pesos[64];
  JugadasLibro(jugadas, pesos, 64);
  GenerarJugadas();
  const int colorMotor = EstadoActual->Turno;
  const ConsultaLibro consulta = ConsultarLibro(
      Personalidad.SELECTIVIDAD_LIBRO, Personalidad.LIMITE_ACEPTACION, 5.0, Plantar);
  const Jugada j = consulta.Elegida;
  if (aprender && j != 0) {
    AprenderJugadaLibro(j, consulta.Peso);
    if (HacerJugadaPartida(j)) {
      GenerarJugadas();
      for (const EntradaJugada* e = InicioLista[0]; e < InicioLista[1]; ++e)
        if (HacerJugada(e->Jugada)) {
          DeshacerJugada();
          AprenderBusqueda(e->Jugada, 3, control & 64 ? -40 : 40, 12);
          break;
        }
    }
    Aprender(control & 32 ? "1-0" : "1/2-1/2", colorMotor);
    if (!LibroOrdenado(Libros.LibroBlancas, Libros.NumLibroBlancas) ||
        !LibroOrdenado(Libros.LibroNegras, Libros.NumLibroNegras))
      __builtin_trap();
  }
  return 0;
}
