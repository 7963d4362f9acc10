// The tablebase generator: material combinations, exact distance to mate by
// retrograde analysis, and the conversions into the engine's stored values.
//
// The generator keeps its own dense layout (one slot per king pair and further
// piece squares), independent of the file layout; writing files maps every slot
// through the engine's index functions.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tb {

// ---------------------------------------------------------------- constants

inline constexpr int BLANCAS = 0;  // colours and sides to move, as in the files
inline constexpr int NEGRAS = 1;
inline constexpr int MAX_PIEZAS = 6;  // kings included

// Piece types as in the engine (PEON = 1 .. REY = 6).
inline constexpr int T_PEON = 1, T_CABALLO = 2, T_ALFIL = 3, T_TORRE = 4, T_DAMA = 5, T_REY = 6;

// A slot value: ILEGAL for a slot that is no position (or not the canonical one),
// 0 for a draw, otherwise the distance to mate in plies plus one: an odd distance
// is a win for the side to move, an even one a loss (0 = checkmated now).
inline constexpr uint16_t ILEGAL = 0xFFFF;
inline constexpr uint16_t PENDIENTE = 0x8000;  // working mark during generation only
inline constexpr uint64_t SIN_INDICE = ~0ULL;

// ---------------------------------------------------------------- types

// A material combination in the generator's slot order: white's king, black's
// king, then white's other men strongest first, then black's.
struct Material {
  std::string nombre;  // "kqkr"
  int n = 0;           // men besides the kings
  int tipo[MAX_PIEZAS - 2] = {};
  int color[MAX_PIEZAS - 2] = {};
  bool peones = false;
};

// A position in tablebase numbering (a1 = 0 .. h8 = 63): squares in slot order
// (sq[0] white king, sq[1] black king, sq[2..] the men of Material).
struct Posicion {
  int sq[MAX_PIEZAS];
  int turno;  // BLANCAS or NEGRAS
};

// One piece of an arbitrary position, for look-ups across combinations.
struct Pieza {
  int color, tipo, sq;
};

// An en-passant position: a slot whose side to move may take en passant on `columna`.
struct NodoAlPaso {
  uint64_t indice;
  uint8_t columna;
  uint16_t valor;
};

struct Tabla {
  Material m;
  uint64_t tam = 0;               // slots per side to move
  std::vector<uint16_t> v[2];     // by side to move
  std::vector<NodoAlPaso> ap[2];  // sorted by (indice, columna)
  double segundos = 0;            // elapsed
  double segundosCpu = 0;         // processor time of this process meanwhile
  uint64_t bytesTrabajo = 0;      // peak working memory of the generation
};

// ---------------------------------------------------------------- material

// Parses a name such as "kqkr" (either colour order); false on a bad name.
bool LeerMaterial(const std::string& nombre, Material& m);
// The name with the stronger side first, as the registry stores it.
std::string NombreCanonico(const std::string& nombre);
// Every canonical combination of 3..n men (kings included), fewest men first.
std::vector<std::string> Combinaciones(int n);
// The canonical names of the combinations a move out of `m` can lead to.
std::vector<std::string> Sucesoras(const Material& m);
// The given combinations and every one they need (the combinations their
// captures and promotions lead to, and so on), each after all of its own.
std::vector<std::string> OrdenGeneracion(const std::vector<std::string>& nombres);

// ---------------------------------------------------------------- layout

void InicializarGeometria();
// Canonical slot of a position of material m (squares in slot order); SIN_INDICE
// when the squares cannot be a slot (kings together, men on one square, pawns on
// the last ranks).
// `espejo`, when given, says whether the files were mirrored (pawn combinations).
uint64_t IndiceCanonico(const Material& m, Posicion p, int* espejo = nullptr);
// The squares of a slot (false when the slot has no king pair).
bool Decodificar(const Material& m, uint64_t indice, Posicion& p);
uint64_t TamanoTabla(const Material& m);
// True when a man or king of `porColor` attacks `sq`; the slot `ignorar` (a man
// just taken) is left out.
bool Atacada(const Material& m, const Posicion& p, int sq, int porColor, int ignorar = -1);

// ---------------------------------------------------------------- generation

using Progreso = void (*)(const char* texto);

// Generated tables by canonical name (kept for the look-ups of larger ones).
extern std::map<std::string, std::unique_ptr<Tabla>> TablasGeneradas;
extern Progreso InformeProgreso;  // null = silent

// Generates the combination (and first every missing one it leads to).
Tabla* Generar(const std::string& nombre);
// Frees every generated table that none of `pendientes` leads to in one move:
// only a combination's direct successors are read while it is generated.
void OlvidarTablas(const std::vector<std::string>& pendientes);
// Where an arbitrary set of men is stored: the table, whether its colours are
// exchanged, and which given man stands in each slot.
struct Destino {
  const Tabla* t = nullptr;
  bool cambio = false;
  bool reyesSolos = false;
  int8_t orden[MAX_PIEZAS] = {};
};
Destino BuscarDestino(const Pieza* piezas, int n);
uint16_t ValorDestino(const Destino& d, const Pieza* piezas, int turno, int alPasoColumna = -1);

// The value of an arbitrary position (kings included in `piezas`) with `turno`
// to move, from the generated tables; ILEGAL when that table is missing.
uint16_t ValorPosicion(const Pieza* piezas, int n, int turno, int alPasoColumna = -1);
// The value of a slot position with an en-passant file (-1 for none).
uint16_t ValorSlot(const Tabla& t, int turno, uint64_t indice, int alPasoColumna);

// ---------------------------------------------------------------- values

// Distance to mate in moves for the side to move: > 0 wins in n, <= 0 is mated
// in -n, 0 for draws is told apart by EsTablas.
inline bool EsTablas(uint16_t v) { return v == 0; }
inline bool Gana(uint16_t v) { return v != 0 && v != ILEGAL && ((v - 1) & 1); }
inline int Plies(uint16_t v) { return v - 1; }
// The engine's 16-bit stored value: 32767 - n for a win in n moves, -32766 + n
// for mated in n, 0 for a draw, 32767 for no value.
int16_t ValorMotor(uint16_t v);
// The one-byte form of the same value (127 = no value); false when out of range.
bool ByteMotor(uint16_t v, int8_t& e);

}  // namespace tb
