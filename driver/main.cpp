// Program entry (placeholder until the driver lands).
#include "driver/driver.h"

int main() { return 0; }
