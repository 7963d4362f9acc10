// The first command loop: what the engine understands before the front end has
// announced protocol version 2, and the engine's own maintenance commands.
//
//   quit           save learning (when on), close the log, exit 0
//   fritz          the same, leaving the log open
//   protover N     above 1: feature line, then the xboard loop for good
//   xboard         nothing
//   CargarPers F   personality file F.per
//   FEN TEXT       position from the rest of the line
//   ze_GuardarL    save the books
//   CargarL        append both book files to the books again
//   ze_Eval        print the static evaluation
//   PensarProf N   think to depth N and play (not in the earlier build)
// and, for front ends of the older protocol, its commands and bare moves as the
// xboard loop handles them.
#include <cstring>

#include "driver/driver.h"
#include "driver/forma.h"
#include "eval/eval.h"
#include "search/search.h"

namespace {

// Deepest fixed-depth search the command asks for: the principal variation and
// the ply stack hold no more.
constexpr int MAX_PROFUNDIDAD_FIJA = FILAS_PV;

// Seconds per move for a front end of the older protocol that gives no clock.
constexpr double TIEMPO_SIN_RELOJ = 3.0;

void LeerArgumento(char* destino, size_t tam) {
  LeerToken(destino, tam);
  Log(" %s", destino);
}

}  // namespace

void BucleInicial() {
  char token[TAM_TOKEN];
  char argumento[TAM_TOKEN];
  // A front end that speaks UCI says so with its first word.
  LeerToken(token, sizeof token);
  if (std::strcmp(token, "uci") == 0) {
    Log("\n%s", token);
    BucleUci();
  }
  for (bool primero = true;; primero = false) {
    if (!primero) LeerToken(token, sizeof token);
    Log("\n%s", token);
    // Any command but these two shows which front end is there: the notices
    // that waited for it are due now.
    if (std::strcmp(token, "protover") != 0 && std::strcmp(token, "xboard") != 0)
      AbrirAvisosSinProtocolo();
    if (std::strcmp(token, "quit") == 0) {
      SalirMotor(true);
    } else if (std::strcmp(token, "fritz") == 0) {
      SalirMotor(false);
    } else if (std::strcmp(token, "protover") == 0) {
      LeerArgumento(argumento, sizeof argumento);
      Driver.VersionProtocolo = ConvertirEntero(argumento);
      if (static_cast<unsigned>(Driver.VersionProtocolo) > 1) {
        Driver.MostrarPensamiento = 1;  // later front ends send "nopost" when they want none
        if (Busqueda.Limites.TiempoFijo == TIEMPO_SIN_RELOJ) Busqueda.Limites.TiempoFijo = 0.0;  // and a clock
        ImprimirLineaCaracteristicas();
        // After the feature line: xboard shows no message before it has the
        // engine's features.
        AbrirAvisos(AvisoXboard);
        for (;;) BucleXboard();
      }
    } else if (std::strcmp(token, "xboard") == 0) {
      // The protocol announcement follows, or never comes: front ends of the
      // older protocol ask for thinking lines with "post", and Knights cannot
      // take lines it did not ask for. Nor do GNOME Chess and Knights always
      // send a clock: without one the engine would think until interrupted,
      // so it takes a few seconds a move until told otherwise.
      Driver.MostrarPensamiento = 0;
      Driver.XboardAnunciado = true;
      if (Busqueda.Limites.TiempoFijo <= 0 && Busqueda.Limites.TiempoRestante == SIN_RELOJ)
        Busqueda.Limites.TiempoFijo = TIEMPO_SIN_RELOJ;
    } else if (std::strcmp(token, "CargarPers") == 0) {
      LeerArgumento(argumento, sizeof argumento);
      CargarPers(argumento);
    } else if (std::strcmp(token, "FEN") == 0) {
      // The whole rest of the line, so that side, castling and en passant come too.
      char linea[TAM_LINEA];
      LeerResto(linea, sizeof linea);
      Log(" %s", linea);
      const char* fen = linea;
      while (*fen == ' ' || *fen == '\t') ++fen;
      MotivoFEN motivo;
      if (PonerPosicion(fen, &motivo) != 0) ImprimirErrorFEN(motivo);
    } else if (std::strcmp(token, "ze_GuardarL") == 0) {
      GuardarFicherosLibro();
    } else if (std::strcmp(token, "CargarL") == 0) {
      CargarFicherosLibro();
    } else if (std::strcmp(token, "ze_Eval") == 0) {
      if (!SinPosicionPara(token)) std::printf("Static eval: %d\n", Evaluar());
    } else if (FORMA_DRIVER.ComandoPensarProf && std::strcmp(token, "PensarProf") == 0) {
      LeerArgumento(argumento, sizeof argumento);
      int profundidad = ConvertirEntero(argumento);
      if (profundidad < 0) profundidad = 0;
      if (profundidad > MAX_PROFUNDIDAD_FIJA) profundidad = MAX_PROFUNDIDAD_FIJA;
      if (!SinPosicionPara(token)) PensarProf(profundidad);
    } else if (!AtenderProtocolo1(token)) {
      Log("\n");
      std::printf("Error (unknow command): %s\n", token);
    }
  }
}
