#pragma once
// The play list object the player's targets load into: one for the run, installed as the
// program's main() installs it.
#include "player/startup/MusicVariables.h"

namespace qvt::fuzz {

inline MusicVariables& playList() {
  static MusicVariables mv;
  static const ScopedMusicVariables installed(mv);
  return mv;
}

}  // namespace qvt::fuzz
