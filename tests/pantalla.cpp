// The tests read what the book and the tablebases tell the user on standard
// output, as the engine's console shows it. Installed before the first test,
// once every record has been initialised.
#include <gtest/gtest.h>

#include <cstdio>

#include "book/book.h"
#include "egtb/egtb.h"

namespace {

void AStdout(const char* texto) { std::fputs(texto, stdout); }

class Pantalla : public testing::Environment {
 public:
  void SetUp() override {
    Libros.SalidaPantallaLibro = AStdout;
    EGTB.PantallaTablas = AStdout;
  }
};

testing::Environment* const entorno = testing::AddGlobalTestEnvironment(new Pantalla);

}  // namespace
