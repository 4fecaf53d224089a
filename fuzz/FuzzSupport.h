#pragma once
// What every fuzz target needs: a failed property ends the run with a crash that libFuzzer
// records, and one fake platform serves all the inputs of a run.
#include <cstdlib>

#include "platform/fakes/FakePlatform.h"

namespace qvt::fuzz {

inline void check(bool condition) {
  if (!condition)
    std::abort();
}

inline FakePlatform& platform() {
  static FakePlatform fake;
  return fake;
}

}  // namespace qvt::fuzz
