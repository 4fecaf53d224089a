#pragma once
// Play lists for tests of the operations on the shared state.

#include <QStringList>

#include "player/startup/MusicVariables.h"

namespace qvt {

// The arrays and the last index of a play list object, writable, for tests that set up lists
// that no operation makes (arrays of other lengths than the list). No change is announced:
// views of the object are not to be open meanwhile.
struct MusicVariablesTestAccess {
  static SongArray& Paths(MusicVariables& mv) {
    mv.sSongNames_.storeOwnTexts();  // the names no longer follow the paths written here
    return mv.sSongPaths_;
  }
  static SongArray& Names(MusicVariables& mv) { return mv.sSongNames_; }
};

}  // namespace qvt

namespace qvt::test {

// Makes these songs the play list. Missing names are empty; NamesAfterFiles names each song
// "<file> name".
void SetSongList(const QStringList& paths, const QStringList& names);
QStringList NamesAfterFiles(const QStringList& paths);

}  // namespace qvt::test
