#pragma once
// Invariant checks of the fuzz targets. A failed check aborts, which libFuzzer
// reports as a crash and saves the input that caused it.

#include <cstdio>
#include <cstdlib>
#include <string_view>

namespace brindlow::fuzz {

[[noreturn]] inline void fail(const char* condition, const char* file, int line,
                              std::string_view detail = {}) {
  std::fprintf(stderr, "%s:%d: invariant failed: %s\n", file, line, condition);
  if (!detail.empty()) {
    std::fprintf(stderr, "  detail (%zu bytes):", detail.size());
    for (unsigned char c : detail) std::fprintf(stderr, " %02X", c);
    std::fprintf(stderr, "\n");
  }
  std::abort();
}

}  // namespace brindlow::fuzz

#define FUZZ_CHECK(condition)                                                 \
  do {                                                                        \
    if (!(condition)) ::brindlow::fuzz::fail(#condition, __FILE__, __LINE__); \
  } while (false)

// As FUZZ_CHECK, with bytes worth seeing printed in hex on failure.
#define FUZZ_CHECK_SHOW(condition, detail)                                              \
  do {                                                                                  \
    if (!(condition)) ::brindlow::fuzz::fail(#condition, __FILE__, __LINE__, (detail)); \
  } while (false)
