// The build's parameters. The earlier engine (0.52) is the same source compiled
// with ZELMOR_052 defined. What tells the two apart is, for each subsystem that
// differs, one record of its choices (search/forma.h, eval/forma.h,
// driver/forma.h) picked by VERSION_052 in one place; the personality defaults
// of both builds are here.
#pragma once

#include <cstddef>
#include <cstdint>

#ifdef ZELMOR_052
inline constexpr bool VERSION_052 = true;
#else
inline constexpr bool VERSION_052 = false;
#endif

// Debug self-checks (recomputing the position from scratch around make/unmake)
// run only in the checked builds; release builds pay nothing for them.
#ifdef ZELMOR_COMPROBAR
inline constexpr bool COMPROBAR = true;
#else
inline constexpr bool COMPROBAR = false;
#endif

inline constexpr size_t TAM_RUTA = 256;  // string settings, as in the personality file

// The settings of the personality file, with their compiled-in defaults. The
// fields from VAL_PEON on are keys of the earlier build only; the current build
// holds its own fixed values there and never reads a key for them.
struct ConfiguracionMotor {
  uint32_t TABLA_HASH;         // megabytes, both transposition tables together
  uint32_t TABLA_HASH_PEONES;  // megabytes
  uint32_t TamHashAtaques;     // megabytes; no key sets it
  char NALIMOV_PATH[TAM_RUTA];
  int32_t EGTB_CACHE_SIZE;  // bytes (the key gives megabytes)
  char LIBROB_FICH[TAM_RUTA];
  char LIBRON_FICH[TAM_RUTA];
  int32_t APRENDER;
  int32_t AP_SEGUNDOS_MIN;
  int32_t SELECTIVIDAD_LIBRO;
  int32_t LIMITE_ACEPTACION;
  int32_t ICS;
  int32_t VAL_PEON, VAL_CABALLO, VAL_ALFIL, VAL_TORRE, VAL_DAMA;
  int32_t LAZY, FUTILITY, IID;
  int32_t EXT_RECAP, EXT_PEON_7, EXTENSION_NULL, EXTENSION_FINAL;
  int32_t REDUCCION_NULL, VENT_ASP, UMBRAL_FINAL, JAQUES_QSEARCH;
  int32_t ESTRUCTURA_PEONES, MOVILIDAD, DEFENSA_ESTATICA, ATAQUE_DINAMICO;
};

// The compiled-in defaults. The current build fixes its search and evaluation
// constants; the fields that the earlier build reads from its personality file
// hold those fixed values here.
inline constexpr ConfiguracionMotor PERSONALIDAD_070 = {.TABLA_HASH = 30,
                                                        .TABLA_HASH_PEONES = 5,
                                                        .TamHashAtaques = 5,
                                                        .NALIMOV_PATH = "c:\\ajedrez\\tb",
                                                        .EGTB_CACHE_SIZE = 4194304,
                                                        .LIBROB_FICH = ".\\Zelmor070B.libro",
                                                        .LIBRON_FICH = ".\\Zelmor070N.libro",
                                                        .APRENDER = 3,
                                                        .AP_SEGUNDOS_MIN = 10,
                                                        .SELECTIVIDAD_LIBRO = 25,
                                                        .LIMITE_ACEPTACION = -25,
                                                        .ICS = 0,
                                                        .VAL_PEON = 100,
                                                        .VAL_CABALLO = 300,
                                                        .VAL_ALFIL = 300,
                                                        .VAL_TORRE = 500,
                                                        .VAL_DAMA = 950,
                                                        .LAZY = 300,
                                                        .FUTILITY = 300,
                                                        .IID = 0,
                                                        .EXT_RECAP = 1,
                                                        .EXT_PEON_7 = 1,
                                                        .EXTENSION_NULL = 1,
                                                        .EXTENSION_FINAL = 1,
                                                        .REDUCCION_NULL = 3,
                                                        .VENT_ASP = 25,
                                                        .UMBRAL_FINAL = 4100,
                                                        .JAQUES_QSEARCH = 0,
                                                        .ESTRUCTURA_PEONES = 100,
                                                        .MOVILIDAD = 100,
                                                        .DEFENSA_ESTATICA = 100,
                                                        .ATAQUE_DINAMICO = 100};

// The earlier build's defaults: those of the current one but for these.
inline constexpr ConfiguracionMotor PERSONALIDAD_052 = [] {
  ConfiguracionMotor p = PERSONALIDAD_070;
  p.TABLA_HASH = 7;
  const char tb[] = "e:\\ajedrez\\winboard\\tb", libroB[] = "ZelmorB.libro",
             libroN[] = "ZelmorN.libro";
  for (size_t i = 0; i < sizeof tb; ++i) p.NALIMOV_PATH[i] = tb[i];
  for (size_t i = 0; i < sizeof libroB; ++i) p.LIBROB_FICH[i] = libroB[i];
  for (size_t i = 0; i < sizeof libroN; ++i) p.LIBRON_FICH[i] = libroN[i];
  p.EGTB_CACHE_SIZE = 1048576;
  p.APRENDER = 0;
  p.AP_SEGUNDOS_MIN = 5;
  p.SELECTIVIDAD_LIBRO = 5;
  p.VAL_CABALLO = 320;
  p.VAL_ALFIL = 335;
  p.VAL_TORRE = 520;
  p.VAL_DAMA = 1050;
  p.LAZY = 200;
  p.FUTILITY = 400;
  p.IID = 1;
  return p;
}();

inline constexpr const ConfiguracionMotor& PERSONALIDAD_INICIAL =
    VERSION_052 ? PERSONALIDAD_052 : PERSONALIDAD_070;

// The settings in force: the defaults, then the personality file's keys. The
// driver reads the file; every layer may read the settings.
extern ConfiguracionMotor Personalidad;
