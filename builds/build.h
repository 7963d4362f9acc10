// Selects which engine this translation unit is compiled for.
// The earlier engine (0.52) is the same source compiled with ZELMOR_052 defined;
// every difference between the two is a test of this constant, so the compiler
// drops the code of the other build.
#pragma once

#ifdef ZELMOR_052
inline constexpr bool VERSION_052 = true;
#else
inline constexpr bool VERSION_052 = false;
#endif

// Debug self-checks (recomputing the position from scratch around make/unmake)
// run only in the checked builds; release builds pay nothing for them.
#ifdef ZELMOR_COMPROBAR
inline constexpr bool COMPROBAR = true;
#else
inline constexpr bool COMPROBAR = false;
#endif
