// Placeholder thinking driver until the search lands: plays nothing.
#include "search/search.h"

void Pensar() {}
void PensarProf(int) {}
