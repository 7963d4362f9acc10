// The settings in force, starting from the compiled-in defaults.
#include "builds/build.h"

ConfiguracionMotor Personalidad = PERSONALIDAD_INICIAL;
