// One libFuzzer entry point per harness: the input goes to a check of parser_checks.h, and a
// broken property aborts with its description (libFuzzer then keeps the input).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/native/fuzz/parser_checks.h"

#define TALVORE_FUZZ_TARGET(check)                                              \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {     \
    const std::string problem =                                                 \
        check(std::string(reinterpret_cast<const char*>(data), size));          \
    if (!problem.empty()) {                                                     \
      std::fprintf(stderr, "%s: %s\n", #check, problem.c_str());                \
      std::abort();                                                             \
    }                                                                           \
    return 0;                                                                   \
  }
