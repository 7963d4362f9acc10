// Helpers shared by the book, probe, learning and book-builder tests.
#pragma once

#include <cstdio>
#include <string>

#include <gtest/gtest.h>

#include "book/book.h"
#include "tests/posicion_test_util.h"

namespace libro_prueba {

// Everything the book writes to the log, collected.
inline std::string& LogCapturado() {
  static std::string s;
  return s;
}
inline void Capturar(const char* texto) { LogCapturado() += texto; }

// Empty books and game records; the book's log lines collected from now on.
inline void LibrosVacios() {
  VaciarLibros();
  NuevaPartidaLibro();
  LogCapturado().clear();
  Libros.SalidaLogLibro = Capturar;
}

inline EntradaLibro Registro(uint64_t clave, uint8_t marcas, int16_t peso, int16_t valor = 0,
                             uint8_t prof = 0, uint16_t segundos = 0) {
  EntradaLibro e{};
  e.ClaveBaja = static_cast<uint32_t>(clave);
  e.ClaveAlta = static_cast<uint32_t>(clave >> 32);
  e.Marcas = marcas;
  e.Peso = peso;
  e.Valor = valor;
  e.Profundidad = prof;
  e.Segundos = segundos;
  return e;
}

// Key of the position after the move `texto` (e.g. "e2e4") of the current one.
inline uint64_t ClaveTras(const std::string& texto) {
  const Jugada j = BuscarJugada(texto);
  EXPECT_NE(j, 0u) << texto;
  if (j == 0 || !HacerJugada(j)) return 0;
  const uint64_t k = ClaveActual();
  DeshacerJugada();
  return k;
}

// Adds a record for the position after `texto` to the book of the side to move,
// keeping the book sorted.
inline void Anadir(const std::string& texto, uint8_t marcas, int16_t peso, int16_t valor = 0,
                   uint8_t prof = 0, uint16_t segundos = 0) {
  const bool blancas = EstadoActual->Turno == BLANCO;
  EntradaLibro* libro = blancas ? Libros.LibroBlancas : Libros.LibroNegras;
  uint32_t& num = blancas ? Libros.NumLibroBlancas : Libros.NumLibroNegras;
  libro[num++] = Registro(ClaveTras(texto), marcas, peso, valor, prof, segundos);
  OrdenarLibro(libro, num, false);
}

inline std::string LeerFichero(const std::string& ruta) {
  std::string s;
  FILE* f = std::fopen(ruta.c_str(), "rb");
  if (f == nullptr) return s;
  char b[4096];
  size_t n;
  while ((n = std::fread(b, 1, sizeof b, f)) > 0) s.append(b, n);
  std::fclose(f);
  return s;
}

inline void EscribirFichero(const std::string& ruta, const std::string& contenido) {
  FILE* f = std::fopen(ruta.c_str(), "wb");
  ASSERT_NE(f, nullptr) << ruta;
  std::fwrite(contenido.data(), 1, contenido.size(), f);
  std::fclose(f);
}

inline std::string Bytes(const EntradaLibro* v, size_t n) {
  return std::string(reinterpret_cast<const char*>(v), n * sizeof(EntradaLibro));
}

}  // namespace libro_prueba
