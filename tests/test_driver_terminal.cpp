// The engine on a terminal: during a timed search, a command that leaves the
// position alone is answered at once and the search goes on; "?" stops it.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>

#include "tests/test_driver_proceso.h"

namespace {

// The engine with a pseudo-terminal as standard input and a pipe as output.
class MotorEnTerminal {
 public:
  MotorEnTerminal(const std::string& binario, const std::string& dir) {
    maestro_ = posix_openpt(O_RDWR | O_NOCTTY);
    if (maestro_ < 0 || grantpt(maestro_) != 0 || unlockpt(maestro_) != 0) return;
    const char* nombre = ptsname(maestro_);
    int out[2];
    if (nombre == nullptr || pipe(out) != 0) return;
    std::string esclavo = nombre;
    pid_ = fork();
    if (pid_ == 0) {
      setsid();
      int t = open(esclavo.c_str(), O_RDWR);
      termios modo{};
      tcgetattr(t, &modo);
      modo.c_lflag &= ~static_cast<tcflag_t>(ECHO);
      tcsetattr(t, TCSANOW, &modo);
      dup2(t, 0);
      dup2(out[1], 1);
      close(out[0]);
      close(out[1]);
      if (chdir(dir.c_str()) != 0) _exit(127);
      execl(binario.c_str(), binario.c_str(), static_cast<char*>(nullptr));
      _exit(127);
    }
    close(out[1]);
    salida_ = out[0];
  }
  ~MotorEnTerminal() {
    if (pid_ > 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    if (maestro_ >= 0) close(maestro_);
    if (salida_ >= 0) close(salida_);
  }
  bool Listo() const { return pid_ > 0 && salida_ >= 0; }
  void Escribir(const std::string& s) {
    if (write(maestro_, s.data(), s.size()) < 0) return;
  }
  bool Esperar(const std::string& texto, int ms) {
    auto limite = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (texto_.find(texto) == std::string::npos) {
      if (std::chrono::steady_clock::now() >= limite) return false;
      pollfd p{salida_, POLLIN, 0};
      if (poll(&p, 1, 20) <= 0) continue;
      char buf[65536];
      ssize_t n = read(salida_, buf, sizeof buf);
      if (n <= 0) return false;
      texto_.append(buf, static_cast<size_t>(n));
    }
    return true;
  }
  const std::string& Texto() const { return texto_; }

 private:
  pid_t pid_ = -1;
  int maestro_ = -1;
  int salida_ = -1;
  std::string texto_;
};

}  // namespace

TEST(DriverTerminal, CommandsDuringTheSearch) {
  prueba::DirectorioTemporal dir;
  MotorEnTerminal m(ZELMOR070_BIN, dir.Ruta());
  if (!m.Listo()) GTEST_SKIP() << "no pseudo-terminal available";
  // A long clock: the search would take many seconds on its own.
  m.Escribir("protover 2\n");
  ASSERT_TRUE(m.Esperar("done=1\n", 10000));
  m.Escribir("new\nlevel 1 60 0\ntime 360000\nusermove e2e4\n");
  ASSERT_TRUE(m.Esperar("stat01", 15000)) << m.Texto();
  // ping is answered inside the search, which goes on.
  m.Escribir("ping 4\n");
  ASSERT_TRUE(m.Esperar("\npong 4\n", 10000)) << m.Texto();
  EXPECT_EQ(m.Texto().find("\nmove "), std::string::npos);
  // "?" stops it and the move comes.
  m.Escribir("?\n");
  EXPECT_TRUE(m.Esperar("\nmove ", 15000)) << m.Texto();
  // A command that changes the position is never run inside a search: it stops
  // the search and is read afterwards.
  m.Escribir("force\nusermove d2d4\nping 5\n");
  EXPECT_TRUE(m.Esperar("\npong 5\n", 15000));
  EXPECT_EQ(m.Texto().find("Illegal"), std::string::npos) << m.Texto();
}
