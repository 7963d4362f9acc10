// The log file and the clock: services every layer may use.
#include <cstdarg>
#include <ctime>

#include "core/core.h"

FILE* FicheroLog = nullptr;

void Log(const char* formato, ...) {
  if (FicheroLog == nullptr) return;
  va_list args;
  va_start(args, formato);
  std::vfprintf(FicheroLog, formato, args);
  va_end(args);
}

void CerrarLog() {
  if (FicheroLog == nullptr) return;
  std::fclose(FicheroLog);
  FicheroLog = nullptr;
}

uint32_t RelojMs() {
  timespec t{};
  clock_gettime(CLOCK_MONOTONIC, &t);
  // Wraps after 49 days; callers only take differences.
  return static_cast<uint32_t>(static_cast<uint64_t>(t.tv_sec) * 1000u +
                               static_cast<uint64_t>(t.tv_nsec) / 1000000u);
}
