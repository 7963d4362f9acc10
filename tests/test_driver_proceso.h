// Runs an engine binary over pipes in a private working directory, for the
// transcript, log, random-input and fault tests of the driver.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace prueba {

// A fresh directory under /tmp, removed with its contents at scope end.
class DirectorioTemporal {
 public:
  DirectorioTemporal() {
    char plantilla[] = "/tmp/zelmor_driver_XXXXXX";
    char* d = mkdtemp(plantilla);
    ruta_ = d ? d : "/tmp";
  }
  ~DirectorioTemporal() {
    std::error_code ec;
    if (ruta_ != "/tmp") std::filesystem::remove_all(ruta_, ec);
  }
  const std::string& Ruta() const { return ruta_; }
  std::string Fichero(const std::string& nombre) const { return ruta_ + "/" + nombre; }
  void Escribir(const std::string& nombre, const std::string& contenido) const {
    std::ofstream f(Fichero(nombre), std::ios::binary);
    f << contenido;
  }
  std::string Leer(const std::string& nombre) const {
    std::ifstream f(Fichero(nombre), std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
  }
  bool Existe(const std::string& nombre) const { return std::filesystem::exists(Fichero(nombre)); }

 private:
  std::string ruta_;
};

// What a test may ask of the child before it becomes the engine.
struct OpcionesMotor {
  // Runs in the child before it enters its directory (false: the child exits
  // with 126 and never becomes the engine).
  std::function<bool()> enHijo = {};
  // Keep a copy of the write end of the engine's output, through which the
  // test can fill that pipe so that the engine's next write blocks where the
  // test wants it to (see LlenarSalida).
  bool copiaSalida = false;
};

// One engine process: input written on demand, output collected as it comes;
// either end of the pipes can be closed on its own, to play a front end that
// goes away.
class Motor {
 public:
  Motor(const std::string& binario, const std::vector<std::string>& args, const std::string& dir,
        const std::vector<std::string>& entorno = {}, const OpcionesMotor& opciones = {}) {
    signal(SIGPIPE, SIG_IGN);  // the test's own writes to an engine that has gone
    int in[2], out[2];
    if (pipe(in) != 0) return;
    if (pipe(out) != 0) {
      close(in[0]);
      close(in[1]);
      return;
    }
    pid_ = fork();
    if (pid_ == 0) {
      dup2(in[0], 0);
      dup2(out[1], 1);
      close(in[0]);
      close(in[1]);
      close(out[0]);
      close(out[1]);
      // An ignored signal stays ignored across exec: the engine starts with
      // SIGPIPE as any program does, so only its own handling of it counts.
      signal(SIGPIPE, SIG_DFL);
      if (opciones.enHijo && !opciones.enHijo()) _exit(126);
      if (chdir(dir.c_str()) != 0) _exit(127);
      for (const std::string& e : entorno) putenv(const_cast<char*>(e.c_str()));
      std::vector<char*> argv;
      argv.push_back(const_cast<char*>(binario.c_str()));
      for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
      argv.push_back(nullptr);
      execv(binario.c_str(), argv.data());
      _exit(127);
    }
    close(in[0]);
    entrada_ = in[1];
    salida_ = out[0];
    if (opciones.copiaSalida) escrituraSalida_ = out[1];
    else close(out[1]);
    fcntl(entrada_, F_SETFL, O_NONBLOCK);
  }
  ~Motor() {
    CerrarEntrada();
    if (pid_ > 0 && !terminado_) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    CerrarSalida();
  }
  Motor(const Motor&) = delete;
  Motor& operator=(const Motor&) = delete;

  pid_t Pid() const { return pid_; }

  // Writes everything, reading output meanwhile so neither side can block;
  // false when the engine stopped taking input before the end.
  bool Escribir(const char* datos, size_t tam, int ms = 20000) {
    size_t hecho = 0;
    auto limite = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (hecho < tam && entrada_ >= 0 && std::chrono::steady_clock::now() < limite) {
      ssize_t n = write(entrada_, datos + hecho, tam - hecho);
      if (n > 0) {
        hecho += static_cast<size_t>(n);
      } else if (n < 0 && errno != EAGAIN && errno != EINTR) {
        break;  // the engine has gone
      } else {
        // Until the engine takes more input or says something.
        pollfd p[2] = {{entrada_, POLLOUT, 0}, {salida_, POLLIN, 0}};
        if (poll(p, fin_ || salida_ < 0 ? 1 : 2, 100) > 0 && (p[1].revents & (POLLIN | POLLHUP)))
          LeerDisponible(0);
      }
    }
    return hecho == tam;
  }
  bool Escribir(const std::string& texto, int ms = 20000) {
    return Escribir(texto.data(), texto.size(), ms);
  }
  void CerrarEntrada() {
    if (entrada_ >= 0) close(entrada_);
    entrada_ = -1;
  }
  // The reader goes away: the engine's next write meets a broken pipe.
  void CerrarSalida() {
    if (salida_ >= 0) close(salida_);
    salida_ = -1;
    fin_ = true;
    if (escrituraSalida_ >= 0) close(escrituraSalida_);
    escrituraSalida_ = -1;
  }
  // Fills the output pipe to the last byte (needs OpcionesMotor::copiaSalida).
  // The pipe is opened anew for that: O_NONBLOCK set on the copy itself would
  // hold for the engine's descriptor too (they share one open file), and its
  // writes would fail instead of waiting.
  bool LlenarSalida() {
    if (escrituraSalida_ < 0) return false;
    const std::string ruta = "/proc/self/fd/" + std::to_string(escrituraSalida_);
    const int fd = open(ruta.c_str(), O_WRONLY | O_NONBLOCK);
    if (fd < 0) return false;
    char bloque[4096];
    std::memset(bloque, '#', sizeof bloque);
    while (write(fd, bloque, sizeof bloque) > 0) {
    }
    while (write(fd, bloque, 1) > 0) {
    }
    const bool lleno = errno == EAGAIN;
    close(fd);
    return lleno;
  }
  // Waits until `cumple` holds for the output; false on timeout or end of output.
  bool EsperarQue(const std::function<bool(const std::string&)>& cumple, int ms = 20000) {
    auto limite = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!cumple(salidaTexto_)) {
      if (std::chrono::steady_clock::now() >= limite) return false;
      if (!LeerDisponible(20) && fin_) return cumple(salidaTexto_);
    }
    return true;
  }
  // Waits until the output contains `texto`; false on timeout or end of output.
  bool Esperar(const std::string& texto, int ms = 20000) {
    return EsperarQue([&](const std::string& s) { return s.find(texto) != std::string::npos; }, ms);
  }
  // Closes the input, collects the rest of the output and the exit status.
  // Returns the wait status, or -1 when the engine did not end in time.
  int Terminar(int ms = 20000) {
    CerrarEntrada();
    auto limite = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!fin_ && std::chrono::steady_clock::now() < limite) LeerDisponible(50);
    if (!fin_) return -1;
    int estado = 0;
    while (std::chrono::steady_clock::now() < limite) {
      pid_t r = waitpid(pid_, &estado, WNOHANG);
      if (r == pid_) {
        terminado_ = true;
        return estado;
      }
      usleep(2000);
    }
    return -1;
  }
  // Waits for the process to end, reading its output meanwhile (while the
  // pipe is open) but leaving its input as it is: for an engine that is to end
  // by itself, after "quit", a signal or a closed pipe. The wait status, or -1
  // when it had not ended in time.
  int EsperarFin(int ms = 60000) {
    auto limite = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (std::chrono::steady_clock::now() < limite) {
      int estado = 0;
      if (waitpid(pid_, &estado, WNOHANG) == pid_) {
        terminado_ = true;
        while (LeerDisponible(0)) {
        }
        return estado;
      }
      if (!LeerDisponible(20)) usleep(2000);
    }
    return -1;
  }
  const std::string& Salida() const { return salidaTexto_; }
  // Sends a signal to the engine while it runs (false once it has ended).
  bool Senal(int senal) { return pid_ > 0 && !terminado_ && kill(pid_, senal) == 0; }

  // The peak resident memory of the process (VmHWM), in kB; -1 when unknown.
  long PicoMemoriaKb() const {
    std::ifstream f("/proc/" + std::to_string(pid_) + "/status");
    std::string linea;
    while (std::getline(f, linea))
      if (linea.rfind("VmHWM:", 0) == 0) return std::strtol(linea.c_str() + 6, nullptr, 10);
    return -1;
  }

 private:
  // Reads what is there (waiting up to `ms`); false when nothing came.
  bool LeerDisponible(int ms) {
    if (fin_ || salida_ < 0) return false;
    pollfd p{salida_, POLLIN, 0};
    if (poll(&p, 1, ms) <= 0) return false;
    char buf[65536];
    ssize_t n = read(salida_, buf, sizeof buf);
    if (n <= 0) {
      fin_ = true;
      return false;
    }
    salidaTexto_.append(buf, static_cast<size_t>(n));
    return true;
  }

  pid_t pid_ = -1;
  int entrada_ = -1;
  int salida_ = -1;
  int escrituraSalida_ = -1;  // kept only for LlenarSalida
  bool fin_ = false;
  bool terminado_ = false;
  std::string salidaTexto_;
};

struct Resultado {
  std::string salida;
  int estado;  // wait status, -1 on timeout
};

// Feeds the whole input, closes it and waits for the end.
inline Resultado Ejecutar(const std::string& binario, const std::string& entrada,
                          const std::string& dir, const std::vector<std::string>& args = {},
                          const std::vector<std::string>& entorno = {}) {
  Motor m(binario, args, dir, entorno);
  m.Escribir(entrada);
  int estado = m.Terminar();
  return {m.Salida(), estado};
}

// The first line of every run, and the feature line naming `nombre`.
inline const std::string INICIO = "feature done=0\n";
inline std::string Caracteristicas(const std::string& nombre) {
  return "feature ping=1 setboard=1 playother=1 san=0 usermove=1 time=1 draw=0 sigint=0 "
         "sigterm=0 reuse=1 analyze=1 myname=\"" +
         nombre + "\" variants=\"normal\" colors=0 ics=1 name=1 pause=0 done=1\n";
}

inline bool SalioBien(int estado) {
  return estado != -1 && WIFEXITED(estado) && WEXITSTATUS(estado) == 0;
}

}  // namespace prueba
