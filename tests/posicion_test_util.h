// Helpers shared by the position and move-generation tests.
#pragma once

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/core.h"
#include "diag/diag.h"
#include "movegen/movegen.h"

// Tables and keys built once; the position is set from `fen` (must succeed).
inline void Posicionar(const char* fen) {
  PrepararDiagnostico();
  if (ColocarFEN(fen) != 0) ADD_FAILURE() << "test FEN refused: " << fen;
}

inline std::string TextoJugada(Jugada j) {
  const int d = CasillaDesde(j), h = CasillaHasta(j);
  std::string s = {char('a' + Columna(d)), char('1' + Fila(d)), char('a' + Columna(h)),
                   char('1' + Fila(h))};
  if (TipoPromocion(j)) s += " pnbrqk"[TipoPromocion(j)];
  return s;
}

// The list just generated for the current ply, bottom to top, as "e2e4:400" texts.
inline std::vector<std::string> ListaGenerada() {
  std::vector<std::string> v;
  for (EntradaJugada* e = InicioLista[PlyActual]; e <= TopeJugadas; ++e)
    v.push_back(TextoJugada(e->Jugada) + ":" + std::to_string(e->Valor));
  return v;
}

// Generates for the current position and returns the moves HacerJugada accepts.
inline std::vector<Jugada> JugadasLegales() {
  EntradaJugada* const tope = TopeJugadas;
  GenerarJugadas();
  std::vector<Jugada> legales;
  for (EntradaJugada* e = InicioLista[PlyActual]; e <= TopeJugadas; ++e) {
    if (HacerJugada(e->Jugada)) {
      legales.push_back(e->Jugada);
      DeshacerJugada();
    }
  }
  TopeJugadas = tope;
  return legales;
}

// Plays one random legal move as a game move; false when there is none.
inline bool JugadaAleatoria(std::mt19937& azar) {
  const std::vector<Jugada> legales = JugadasLegales();
  if (legales.empty()) return false;
  HacerJugadaPartida(legales[azar() % legales.size()]);
  return true;
}

// Finds a move by its text among the generated ones (0 when not generated).
inline Jugada BuscarJugada(const std::string& texto) {
  EntradaJugada* const tope = TopeJugadas;
  GenerarJugadas();
  Jugada encontrada = 0;
  for (EntradaJugada* e = InicioLista[PlyActual]; e <= TopeJugadas; ++e)
    if (TextoJugada(e->Jugada) == texto) encontrada = e->Jugada;
  TopeJugadas = tope;
  return encontrada;
}
