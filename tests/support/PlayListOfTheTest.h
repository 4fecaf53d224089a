#pragma once
// The running test's play list object: made when the test starts (by the PlayListPerTest
// listener; in the benchmarks, for each benchmark) and ended with it, after the test's windows.
// Test code takes it from here and hands it to the operations it calls, as the player's
// start-up hands its one to the windows.

#include <memory>

#include "player/startup/MusicVariables.h"

namespace qvt::test {

inline std::unique_ptr<MusicVariables>& PlayListOfTheTest() {
  static std::unique_ptr<MusicVariables> mv;
  return mv;
}

// Made on first use when no test made it (a program without the listener).
inline MusicVariables& PlayList() {
  std::unique_ptr<MusicVariables>& mv = PlayListOfTheTest();
  if (!mv)
    mv = std::make_unique<MusicVariables>();
  return *mv;
}

}  // namespace qvt::test
