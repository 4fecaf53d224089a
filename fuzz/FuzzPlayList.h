#pragma once
// The play list object the player's targets load into: one for the run, handed to the
// operations as the program's main() hands its one.
#include "player/startup/MusicVariables.h"

namespace qvt::fuzz {

inline MusicVariables& playList() {
  static MusicVariables mv;
  return mv;
}

}  // namespace qvt::fuzz
