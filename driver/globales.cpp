// The driver's process-wide state and the compiled-in settings.
#include "driver/driver.h"

int ColorMotor = -1;
int ModoMotor = 0;
int PararBusqueda = 0;
int PonderActivo = 0;
Jugada JugadaPonder = 0;
int VersionProtocolo = 1;
double TiempoRestante = 2147483647.0;
int JugadasControl = 0;
int Incremento = 0;
int KibitzActivo = 0;
int EloPropio = 0;
int EloRival = 0;
int RivalComputadora = 0;
int ModoICS = 0;
char NombreRival[TAM_LINEA];
char NombreMotor[TAM_NOMBRE_MOTOR] = {};
FILE* FicheroLog = nullptr;

// The current build fixes its search and evaluation constants; the fields that
// the earlier build reads from its personality file hold those fixed values here.
const ConfiguracionMotor PERSONALIDAD_INICIAL =
    VERSION_052 ? ConfiguracionMotor{7,
                                     5,
                                     5,
                                     "e:\\ajedrez\\winboard\\tb",
                                     1048576,
                                     "ZelmorB.libro",
                                     "ZelmorN.libro",
                                     0,
                                     5,
                                     5,
                                     -25,
                                     0,
                                     100,
                                     320,
                                     335,
                                     520,
                                     1050,
                                     200,
                                     400,
                                     1,
                                     1,
                                     1,
                                     1,
                                     1,
                                     3,
                                     25,
                                     4100,
                                     0,
                                     100,
                                     100,
                                     100,
                                     100}
                : ConfiguracionMotor{30,
                                     5,
                                     5,
                                     "c:\\ajedrez\\tb",
                                     4194304,
                                     ".\\Zelmor070B.libro",
                                     ".\\Zelmor070N.libro",
                                     3,
                                     10,
                                     25,
                                     -25,
                                     0,
                                     100,
                                     300,
                                     300,
                                     500,
                                     950,
                                     300,
                                     300,
                                     0,
                                     1,
                                     1,
                                     1,
                                     1,
                                     3,
                                     25,
                                     4100,
                                     0,
                                     100,
                                     100,
                                     100,
                                     100};

ConfiguracionMotor Personalidad = PERSONALIDAD_INICIAL;

// Everything a new game resets on this side: clocks, opponent facts, kibitzing.
void NuevaPartidaDriver() {
  TiempoRestante = 2147483647.0;
  JugadasControl = 0;
  Incremento = 0;
  RivalComputadora = 0;
  ModoICS = 0;
  KibitzActivo = 0;
  JugadaPonder = 0;
}
