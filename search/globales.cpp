#include "search/search.h"

EntradaHash* TablaHashProf = nullptr;
EntradaHash* TablaHashSiempre = nullptr;
uint32_t MascaraHash = 0;

Jugada Asesinas[100][2];
uint32_t Nulos;

void NuevaPartidaBusqueda() { Asesinas[0][0] = Asesinas[0][1] = 0; }
