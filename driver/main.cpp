// Program entry: start-up, then the command loops, which end the process.
#include "driver/driver.h"

int main(int argc, char** argv) {
  Arrancar(argc, argv);
  BucleInicial();
}
