// A failed property is a finding: say which, then abort so libFuzzer keeps the input.
#pragma once

#include <cstdio>
#include <cstdlib>

#define FUZZ_CHECK(condition, what)                                           \
  do {                                                                        \
    if (!(condition)) {                                                       \
      std::fprintf(stderr, "fuzz check failed: %s (%s)\n", what, #condition); \
      std::abort();                                                           \
    }                                                                         \
  } while (0)
