// Reading games from PGN files and ECO lists, one character at a time, so that
// no line or token length can overrun anything.
#include <cctype>
#include <cstring>

#include "tools/libro/libro_tool.h"

namespace {

bool Blanco(int c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Characters that end a token besides white space.
bool Separador(int c) {
  return c == '{' || c == '}' || c == '(' || c == ')' || c == '[' || c == ']' || c == ';' ||
         c == '"' || c == '$';
}

// "A00", "C42b", "B33c4": the code in front of an ECO list entry.
bool CodigoECO(const std::string& t) {
  if (t.size() < 3 || t.size() > 5) return false;
  if (t[0] < 'A' || t[0] > 'E' || !std::isdigit(static_cast<unsigned char>(t[1])) ||
      !std::isdigit(static_cast<unsigned char>(t[2])))
    return false;
  if (t.size() >= 4 && (t[3] < 'a' || t[3] > 'z')) return false;
  if (t.size() == 5 && (t[4] < '1' || t[4] > '4')) return false;
  return true;
}

int ResultadoDeTexto(const std::string& t) {
  if (t == "1-0") return 1;
  if (t == "0-1") return -1;
  if (t == "1/2-1/2" || t == "1/2") return 0;
  if (t == "*") return RESULTADO_DESCONOCIDO;
  return -2;  // not a result
}

// Removes a leading move number ("12.", "12...", "1.e4" -> "e4").
std::string SinNumero(const std::string& t) {
  size_t i = 0;
  while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
  if (i == 0 || i == t.size() || t[i] != '.') return t;
  while (i < t.size() && t[i] == '.') ++i;
  return t.substr(i);
}

}  // namespace

LectorPGN::LectorPGN(FILE* f, std::string nombre, size_t maxMovimientos, FILE* errores)
    : f_(f), nombre_(std::move(nombre)), maxMovimientos_(maxMovimientos), errores_(errores) {}

int LectorPGN::Leer() {
  int c;
  if (pendiente_ != -2) {
    c = pendiente_;
    pendiente_ = -2;
  } else {
    c = std::fgetc(f_);
  }
  primera_ = alInicio_;
  alInicio_ = c == '\n';
  if (c == '\n') ++linea_;
  return c;
}

void LectorPGN::Devolver(int c) {
  // Read again next, with the column it had.
  if (c == '\n') --linea_;
  alInicio_ = primera_;
  pendiente_ = c;
}

void LectorPGN::SaltarLinea() {
  int c;
  while ((c = Leer()) != EOF && c != '\n') {
  }
}

void LectorPGN::Aviso(int linea, const char* formato, const std::string& texto) {
  ++avisos_;
  if (errores_ == nullptr) return;
  std::fprintf(errores_, "%s:%d: ", nombre_.c_str(), linea);
  std::fprintf(errores_, formato, texto.c_str());
  std::fputc('\n', errores_);
}

// A string outside a tag (the name of an ECO entry): skipped up to its closing
// quote or the end of its line.
void LectorPGN::SaltarCadena() {
  int c;
  while ((c = Leer()) != EOF && c != '"' && c != '\n') {
    if (c == '\\') {
      const int d = Leer();
      if (d == '\n' || d == EOF) break;
    }
  }
}

// After '[': NAME "VALUE" ]. Only Result, FEN and SetUp matter here. A tag that
// does not close on its line is reported and the rest of the line skipped.
void LectorPGN::LeerEtiqueta(PartidaTexto& p) {
  const int linea = linea_;
  std::string nombre, valor;
  int c;
  while ((c = Leer()) != EOF && c != '\n' && Blanco(c)) {
  }
  while (c != EOF && c != '\n' && !Blanco(c) && c != '"' && c != ']') {
    if (nombre.size() < MAX_TOKEN_PGN) nombre += static_cast<char>(c);
    c = Leer();
  }
  while (c != EOF && c != '\n' && Blanco(c)) c = Leer();
  bool bien = c == '"';
  if (bien) {
    bien = false;
    while ((c = Leer()) != EOF && c != '\n') {
      if (c == '\\') {
        c = Leer();
        if (c == EOF || c == '\n') break;
      } else if (c == '"') {
        bien = true;
        break;
      }
      if (valor.size() < MAX_TOKEN_PGN) valor += static_cast<char>(c);
    }
    if (bien) {
      while ((c = Leer()) != EOF && c != '\n' && Blanco(c)) {
      }
      bien = c == ']';
    }
  }
  if (!bien) {
    Aviso(linea, "etiqueta mal formada, ignorada: [%s", nombre);
    if (c != '\n' && c != EOF) SaltarLinea();
    return;
  }
  if (nombre == "Result") {
    const int r = ResultadoDeTexto(valor);
    if (r != -2 && p.Resultado == RESULTADO_DESCONOCIDO) p.Resultado = r;
  } else if (nombre == "FEN" || (nombre == "SetUp" && valor == "1")) {
    p.DesdeFEN = true;
  }
}

bool LectorPGN::Siguiente(PartidaTexto& p) {
  p = PartidaTexto{};
  p.Linea = linea_;
  bool hayJuego = false;       // something of this game was read
  bool enMovimientos = false;  // its movetext has begun
  int variacion = 0;
  int resultadoTexto = -2;
  if (etiquetaPendiente_) {
    etiquetaPendiente_ = false;
    hayJuego = true;
    LeerEtiqueta(p);
  }
  for (;;) {
    int c = Leer();
    if (c == EOF) return hayJuego;
    if (Blanco(c)) continue;
    // Escape lines ('%' in PGN, '#' comments in ECO lists) start in the first column.
    if ((c == '%' || c == '#') && primera_) {
      SaltarLinea();
      continue;
    }
    if (c == '{') {
      while ((c = Leer()) != EOF && c != '}') {
      }
      continue;
    }
    if (c == ';') {
      SaltarLinea();
      continue;
    }
    if (c == '(') {
      ++variacion;
      continue;
    }
    if (c == ')') {
      if (variacion > 0) --variacion;
      continue;
    }
    if (c == '}' || c == ']') continue;
    if (c == '$') {
      while ((c = Leer()) != EOF && std::isdigit(c)) {
      }
      if (c != EOF) Devolver(c);
      continue;
    }
    if (c == '"') {
      SaltarCadena();
      continue;
    }
    if (c == '[') {
      if (enMovimientos) {
        // The next game's tags: this game ended without a result.
        etiquetaPendiente_ = true;
        return true;
      }
      if (!hayJuego) p.Linea = linea_;
      hayJuego = true;
      LeerEtiqueta(p);
      continue;
    }
    // A token.
    const int linea = linea_;
    std::string t;
    bool largo = false;
    while (c != EOF && !Blanco(c) && !Separador(c)) {
      if (t.size() < MAX_TOKEN_PGN) t += static_cast<char>(c);
      else largo = true;
      c = Leer();
    }
    if (c != EOF) Devolver(c);
    if (variacion > 0) continue;
    if (!hayJuego) {
      hayJuego = true;
      p.Linea = linea;
    }
    const int r = ResultadoDeTexto(t);
    if (r != -2) {
      resultadoTexto = r;
      break;
    }
    if (!enMovimientos && p.Movimientos.empty() && CodigoECO(t)) continue;
    std::string m = largo ? t : SinNumero(t);
    // Annotation glyphs standing alone.
    if (m.empty() || m.find_first_not_of("!?") == std::string::npos) continue;
    enMovimientos = true;
    if (p.Movimientos.size() < maxMovimientos_) p.Movimientos.push_back({m, linea, largo});
  }
  // The movetext's result, unless it is "*" and a tag named one.
  if (resultadoTexto >= -1 && resultadoTexto <= 1) p.Resultado = resultadoTexto;
  return true;
}
