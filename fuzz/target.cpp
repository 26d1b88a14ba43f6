// The entry point of one fuzz target; VANTOR_FUZZ_TARGET names it, and so its check.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "fuzz/checks.h"

#ifndef VANTOR_FUZZ_TARGET
#error "VANTOR_FUZZ_TARGET must name the target"
#endif
#define VANTOR_STRINGIFY_(x) #x
#define VANTOR_STRINGIFY(x) VANTOR_STRINGIFY_(x)

// Every ListReader's record array starts at 16 MiB, whose shadow the sanitizer would
// otherwise clear by mapping fresh pages, only to fault them all in again at once.
extern "C" const char* __asan_default_options() { return "clear_shadow_mmap_threshold=1073741824"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static const vantor::fuzz::Check check =
      vantor::fuzz::FindCheck(VANTOR_STRINGIFY(VANTOR_FUZZ_TARGET));
  if (check == nullptr) {
    std::fprintf(stderr, "no check named %s\n", VANTOR_STRINGIFY(VANTOR_FUZZ_TARGET));
    std::abort();
  }
  const std::string problem = check(data, size);
  if (!problem.empty()) {
    // libFuzzer keeps the input that makes the process abort.
    std::fprintf(stderr, "MISMATCH in %s: %s\n", VANTOR_STRINGIFY(VANTOR_FUZZ_TARGET),
                 problem.c_str());
    std::abort();
  }
  return 0;
}
