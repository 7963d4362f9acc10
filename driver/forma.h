// The two builds talk to the front end alike but for the choices of this
// record: names, start-up, a few commands, and the forms of their thinking
// output. Each build's record is here, side by side, and the driver reads the
// one of the build being compiled.
#pragma once

struct FormaDriver {
  const char* NombreBase;     // greeting and feature line; the personality may add to it
  const char* PrefijoLog;     // log files are PREFIJO + number + ".log"
  const char* FenArranque;    // position set up after the first new game (null: none)
  bool InformeConfiguracion;  // the log opens with the configuration report
  bool ComandoPunto;          // "." is a command (else it is unknown)
  bool ComandoPensarProf;     // the first loop has "PensarProf"
  bool SoloClavesPropias;     // personality keys of the earlier build are ignored
  // Thinking output.
  bool Velocidad;             // a line ends with the search's speed
  bool MarcasFalla;           // fail lines mark the move with "!" or "?"
  bool LineaEstado;           // stat01 lines
  const char* Kibitz;         // the kibitz line's head and its tablebase counters
  const char* KibitzTablas;
};

inline constexpr FormaDriver FORMA_DRIVER_ACTUAL = {
    .NombreBase = "Zelmor v0.70 QRT6",
    .PrefijoLog = "Ze_0.70_",
    .FenArranque = nullptr,
    .InformeConfiguracion = true,
    .ComandoPunto = true,
    .ComandoPensarProf = true,
    .SoloClavesPropias = true,
    .Velocidad = false,
    .MarcasFalla = false,
    .LineaEstado = true,
    .Kibitz = "\ntellall Depth:%ld Ev:%2.2f Time:%2.2f Nodes:%ld PV:",
    .KibitzTablas = "\tEGTB: %ld/%ld",
};
inline constexpr FormaDriver FORMA_DRIVER_ANTERIOR = {
    .NombreBase = "Zelmor v0.52",
    .PrefijoLog = "Ze_0.52_",
    .FenArranque = "8/8/2p4p/2p2kpP/Pp6/4K2P/8/8 w - - 0 1",
    .InformeConfiguracion = false,
    .ComandoPunto = false,
    .ComandoPensarProf = false,
    .SoloClavesPropias = false,
    .Velocidad = true,
    .MarcasFalla = true,
    .LineaEstado = false,
    .Kibitz = "\ntellall Depth:%ld  Ev:%2.2f  Time:%2.2f  Nodes:%ld  PV:",
    .KibitzTablas = "  * EGTB: %ld/%ld",
};
inline constexpr const FormaDriver& FORMA_DRIVER =
    VERSION_052 ? FORMA_DRIVER_ANTERIOR : FORMA_DRIVER_ACTUAL;
