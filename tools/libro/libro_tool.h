// zelmor-libro: builds the engine's two book files from PGN files and ECO lists,
// lists a book file, and shows the book moves of a position. The moves are read
// with the engine's own board and move generator, so the keys are the engine's.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/core.h"

// ---------------------------------------------------------------- constants

inline constexpr size_t MAX_TOKEN_PGN = 255;  // longer tokens are cut and count as unreadable
inline constexpr int PLIES_POR_DEFECTO = 24;
inline constexpr int MAX_PLIES = 400;  // well inside the engine's game history

// Result of a game from White's view; RESULTADO_DESCONOCIDO for "*" or none.
inline constexpr int RESULTADO_DESCONOCIDO = 2;

// ---------------------------------------------------------------- types

struct MovimientoTexto {
  std::string Texto;  // as written, move number and annotations removed
  int Linea;
  bool Largo;  // the token was longer than MAX_TOKEN_PGN
};

struct PartidaTexto {
  std::vector<MovimientoTexto> Movimientos;  // the first ones only (see LectorPGN)
  int Resultado = RESULTADO_DESCONOCIDO;     // +1 White won, -1 Black won, 0 draw
  bool DesdeFEN = false;                     // starts from a set-up position
  int Linea = 0;                             // where the game starts
};

// Reads games one by one from a PGN file or an ECO list ("A00b \"Name\" 1.f3 *"):
// tags, comments, variations, NAGs, move numbers and results are understood.
// Problems of form (a broken tag) are written to `errores` as "file:line: ...".
class LectorPGN {
 public:
  LectorPGN(FILE* f, std::string nombre, size_t maxMovimientos, FILE* errores);
  // The next game; false at the end of the file.
  bool Siguiente(PartidaTexto& p);
  int Avisos() const { return avisos_; }

 private:
  int Leer();
  void Devolver(int c);
  void SaltarLinea();
  void LeerEtiqueta(PartidaTexto& p);
  void SaltarCadena();
  void Aviso(int linea, const char* formato, const std::string& texto);

  FILE* f_;
  std::string nombre_;
  size_t maxMovimientos_;
  FILE* errores_;
  int linea_ = 1;
  bool alInicio_ = true;            // the next character starts a line
  bool primera_ = true;             // the last character read started its line
  int pendiente_ = -2;              // a character given back, or -2
  bool etiquetaPendiente_ = false;  // a tag that began the next game was seen
  int avisos_ = 0;
};

struct OpcionesCrear {
  int Plies = PLIES_POR_DEFECTO;
  int MinPartidas = 1;
  std::string Salida = ".";
  bool Anterior = false;  // the earlier build's file names
};

struct ResumenCrear {
  uint64_t Partidas = 0, ConFEN = 0, Errores = 0;
  uint32_t Blancas = 0, Negras = 0;  // records written
  uint32_t Descartadas = 0;          // over capacity
};

// ---------------------------------------------------------------- functions

// Tables, keys and the initial position, once per process.
void PrepararTablero();
// The legal move of the current position that the SAN text names, or 0 with the
// reason in `error` ("ilegal", "ambigua", "ilegible").
Jugada LeerSAN(const std::string& texto, std::string& error);
// Coordinate text of a move ("e2e4", "e7e8q").
std::string CoordenadasJugada(Jugada j);

// The weight of a book record from the games through it: N games, W won and L
// lost by the side that made the move.
int16_t PesoLibro(uint32_t partidas, uint32_t ganadas, uint32_t perdidas);

// Builds both books from the files into the engine's book arrays and writes them
// (atomically) into opciones.Salida. Errors of the input go to `errores`. Returns
// the process exit status (0 written, 1 not).
int CrearLibros(const std::vector<std::string>& ficheros, const OpcionesCrear& opciones,
                ResumenCrear& resumen, FILE* errores);

// The subcommands; each returns the process exit status. UsoLibro prints the usage.
int UsoLibro();
int ComandoCrear(int argc, char** argv);
int ComandoVer(int argc, char** argv);
int ComandoJugadas(int argc, char** argv);
