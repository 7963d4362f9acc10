// The personality file NAME.per: whitespace-separated tokens, a key followed by
// its value. Unknown tokens are skipped one at a time, so the value of an unknown
// key is itself looked at as a possible key.
#include <cstdlib>
#include <cstring>

#include "driver/driver.h"
#include "driver/forma.h"
#include "eval/eval.h"

namespace {

constexpr size_t TAM_TOKEN_PERS = 256;  // tokens are at most 255 characters

struct ClaveEntera {
  const char* nombre;
  int32_t ConfiguracionMotor::*campo;
  bool soloAntigua;  // a key of the earlier build only
};

constexpr ClaveEntera CLAVES_ENTERAS[] = {
    {"APRENDER", &ConfiguracionMotor::APRENDER, false},
    {"ICS", &ConfiguracionMotor::ICS, false},
    {"AP_SEGUNDOS_MIN", &ConfiguracionMotor::AP_SEGUNDOS_MIN, false},
    {"SELECTIVIDAD_LIBRO", &ConfiguracionMotor::SELECTIVIDAD_LIBRO, false},
    {"LIMITE_ACEPTACION", &ConfiguracionMotor::LIMITE_ACEPTACION, false},
    {"VAL_PEON", &ConfiguracionMotor::VAL_PEON, true},
    {"VAL_CABALLO", &ConfiguracionMotor::VAL_CABALLO, true},
    {"VAL_ALFIL", &ConfiguracionMotor::VAL_ALFIL, true},
    {"VAL_TORRE", &ConfiguracionMotor::VAL_TORRE, true},
    {"VAL_DAMA", &ConfiguracionMotor::VAL_DAMA, true},
    {"LAZY", &ConfiguracionMotor::LAZY, true},
    {"FUTILITY", &ConfiguracionMotor::FUTILITY, true},
    {"IID", &ConfiguracionMotor::IID, true},
    {"EXT_RECAP", &ConfiguracionMotor::EXT_RECAP, true},
    {"EXT_PEON_7", &ConfiguracionMotor::EXT_PEON_7, true},
    {"EXTENSION_NULL", &ConfiguracionMotor::EXTENSION_NULL, true},
    {"EXTENSION_FINAL", &ConfiguracionMotor::EXTENSION_FINAL, true},
    {"REDUCCION_NULL", &ConfiguracionMotor::REDUCCION_NULL, true},
    {"VENT_ASP", &ConfiguracionMotor::VENT_ASP, true},
    {"UMBRAL_FINAL", &ConfiguracionMotor::UMBRAL_FINAL, true},
    {"JAQUES_QSEARCH", &ConfiguracionMotor::JAQUES_QSEARCH, true},
    {"ESTRUCTURA_PEONES", &ConfiguracionMotor::ESTRUCTURA_PEONES, true},
    {"MOVILIDAD", &ConfiguracionMotor::MOVILIDAD, true},
    {"DEFENSA_ESTATICA", &ConfiguracionMotor::DEFENSA_ESTATICA, true},
    {"ATAQUE_DINAMICO", &ConfiguracionMotor::ATAQUE_DINAMICO, true},
};

struct ClaveCadena {
  const char* nombre;
  char (ConfiguracionMotor::*campo)[TAM_RUTA];
};

constexpr ClaveCadena CLAVES_CADENA[] = {
    {"NALIMOV_PATH", &ConfiguracionMotor::NALIMOV_PATH},
    {"LIBROB_FICH", &ConfiguracionMotor::LIBROB_FICH},
    {"LIBRON_FICH", &ConfiguracionMotor::LIBRON_FICH},
};

bool EsBlanco(char c) {
  return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Next token of the text into `token` (cut to 255 characters); false at the end.
bool SiguienteToken(const char*& texto, char* token) {
  while (EsBlanco(*texto)) ++texto;
  if (*texto == '\0') return false;
  size_t n = 0;
  for (; *texto != '\0' && !EsBlanco(*texto); ++texto)
    if (n + 1 < TAM_TOKEN_PERS) token[n++] = *texto;
  token[n] = '\0';
  return true;
}

// The value of a numeric key; a key with no token after it converts its own
// text, which gives 0.
int32_t ValorNumerico(const char*& texto, const char* clave) {
  char valor[TAM_TOKEN_PERS];
  return SiguienteToken(texto, valor) ? ConvertirEntero(valor) : ConvertirEntero(clave);
}

// The earlier build's evaluation reads its parameters from globals of its own.
void PasarParametrosEvaluacion() {
  if (FORMA_DRIVER.SoloClavesPropias) return;
  const ConfiguracionMotor& p = Personalidad;
  Eval.VAL_PEON = p.VAL_PEON;
  Eval.VAL_CABALLO = p.VAL_CABALLO;
  Eval.VAL_ALFIL = p.VAL_ALFIL;
  Eval.VAL_TORRE = p.VAL_TORRE;
  Eval.VAL_DAMA = p.VAL_DAMA;
  Eval.UMBRAL_FINAL = p.UMBRAL_FINAL;
  Eval.ESTRUCTURA_PEONES = p.ESTRUCTURA_PEONES;
  Eval.MOVILIDAD = p.MOVILIDAD;
  Eval.DEFENSA_ESTATICA = p.DEFENSA_ESTATICA;
  Eval.ATAQUE_DINAMICO = p.ATAQUE_DINAMICO;
}

}  // namespace

void AplicarPersonalidad(const char* texto) {
  char token[TAM_TOKEN_PERS];
  ConfiguracionMotor& p = Personalidad;
  while (SiguienteToken(texto, token)) {
    if (std::strcmp(token, "TABLA_HASH") == 0) {
      p.TABLA_HASH = static_cast<uint32_t>(ValorNumerico(texto, token));
      continue;
    }
    if (std::strcmp(token, "TABLA_HASH_PEONES") == 0) {
      p.TABLA_HASH_PEONES = static_cast<uint32_t>(ValorNumerico(texto, token));
      continue;
    }
    if (std::strcmp(token, "EGTB_CACHE_SIZE") == 0) {
      // Megabytes in the file, bytes in the setting (held to what 32 bits carry).
      int64_t bytes = int64_t{ValorNumerico(texto, token)} * 1048576;
      if (bytes > INT32_MAX) bytes = INT32_MAX;
      if (bytes < INT32_MIN) bytes = INT32_MIN;
      p.EGTB_CACHE_SIZE = static_cast<int32_t>(bytes);
      continue;
    }
    bool hecho = false;
    for (const ClaveCadena& c : CLAVES_CADENA) {
      if (std::strcmp(token, c.nombre) != 0) continue;
      char valor[TAM_TOKEN_PERS];
      if (SiguienteToken(texto, valor)) std::snprintf(p.*c.campo, TAM_RUTA, "%s", valor);
      hecho = true;
      break;
    }
    if (hecho) continue;
    for (const ClaveEntera& c : CLAVES_ENTERAS) {
      if (c.soloAntigua && FORMA_DRIVER.SoloClavesPropias) continue;
      if (std::strcmp(token, c.nombre) != 0) continue;
      p.*c.campo = ValorNumerico(texto, token);
      break;
    }
  }
  PasarParametrosEvaluacion();
}

int CargarPers(const char* nombre) {
  char ruta[TAM_TOKEN + 8];
  char conExtension[TAM_TOKEN + 8];
  std::snprintf(conExtension, sizeof conExtension, "%s.per", nombre);
  RutaLocal(conExtension, ruta, sizeof ruta);
  // Anything but a regular file (a directory, a FIFO that would hold start-up
  // until a writer came, a device that never ends) counts as no file.
  FILE* f = AbrirLecturaRegular(ruta, "rb");
  if (f == nullptr) return 0;
  // The whole file as one text; personalities are a handful of lines.
  size_t capacidad = 4096, usado = 0;
  char* texto = static_cast<char*>(std::malloc(capacidad));
  while (texto != nullptr) {
    usado += std::fread(texto + usado, 1, capacidad - 1 - usado, f);
    if (usado < capacidad - 1) break;
    capacidad *= 2;
    char* mayor = static_cast<char*>(std::realloc(texto, capacidad));
    if (mayor == nullptr) std::free(texto);
    texto = mayor;
  }
  std::fclose(f);
  if (texto != nullptr) {
    texto[usado] = '\0';
    // A NUL byte inside the file ends the text there; the rest is not settings.
    AplicarPersonalidad(texto);
    std::free(texto);
  }
  if (!AsignarTablasHash()) AvisarTablasReducidas();
  return 1;
}
