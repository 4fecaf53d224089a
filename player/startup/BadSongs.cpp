// Skip mode, song file test, removal of songs and the yield of long loops.

#include "platform/Platform.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/PlayListIndex.h"
#include "shared/Variant.h"

namespace qvt::GlobalMethods {

namespace {

const char* const kSkipModeError =
    "Error while selecting skip mode, please enter the options screen and choose a skip mode "
    "manully";
const char* const kNoPlayableSongs =
    "Warning, there are no more playable songs in the current play list";

// Removes song k (a valid subscript); true when the list became empty.
bool removeOne(std::size_t k) {
  MusicVariablesState& mv = MusicVariables();
  mv.dblLastIndex -= 1;
  if (mv.dblLastIndex <= -1) {
    ResizeSongArrays(0);
    return true;
  }
  if (k < mv.sSongNames.size())
    mv.sSongNames.eraseAt(k);
  if (k < mv.sSongPaths.size())
    mv.sSongPaths.eraseAt(k);
  ResizeSongArrays(mv.dblLastIndex);
  return false;
}

void eraseExisting(SongArray& songs, std::vector<std::size_t> ascending) {
  while (!ascending.empty() && ascending.back() >= songs.size())
    ascending.pop_back();
  songs.eraseSorted(ascending);
}

}  // namespace

std::optional<std::size_t> SongSubscript(double dblIndex) {
  const double i = RoundHalfEven(dblIndex);
  if (!(i >= 0) || i > MusicVariables().dblLastIndex)
    return std::nullopt;
  return static_cast<std::size_t>(i);
}

QString SongPathAt(double dblIndex) {
  const std::optional<std::size_t> i = SongSubscript(dblIndex);
  const SongArray& paths = MusicVariables().sSongPaths;
  if (!i || *i >= paths.size())
    return QString();
  return paths[*i];
}

void SetSkipMode(int16_t iMode) {
  MusicVariablesState& mv = MusicVariables();
  mv.iSkipMode = iMode;
  switch (iMode) {
    case 0:
    case 1:
      mv.bSkipBadSongs = false;
      mv.bRemoveBadSongs = false;
      break;
    case 2:
      mv.bSkipBadSongs = true;
      mv.bRemoveBadSongs = true;
      break;
    case 3:
      mv.bSkipBadSongs = true;
      mv.bRemoveBadSongs = false;
      break;
    default:
      MsgBox(QString::fromLatin1(kSkipModeError));
      break;
  }
}

int16_t GetSkipMode() {
  return MusicVariables().iSkipMode;
}
void SetSkipModeValue(int16_t iMode) {
  MusicVariables().iSkipMode = iMode;
}
bool GetSkipBadSongs() {
  return MusicVariables().bSkipBadSongs;
}
void SetSkipBadSongs(bool bValue) {
  MusicVariables().bSkipBadSongs = bValue;
}
bool GetRemoveBadSongs() {
  return MusicVariables().bRemoveBadSongs;
}
void SetRemoveBadSongs(bool bValue) {
  MusicVariables().bRemoveBadSongs = bValue;
}

bool SongFileExists(double dblIndex) {
  return PlainFileExists(SongPathAt(dblIndex));
}

void ResizeSongArrays(double dblLast) {
  if (!(dblLast >= 0))
    return;
  const auto count = static_cast<std::size_t>(RoundHalfEven(dblLast)) + 1;
  MusicVariablesState& mv = MusicVariables();
  mv.sSongPaths.resize(count);
  mv.sSongNames.resize(count);
}

bool RemoveBadSong(double dblIndex) {
  if (!MusicVariables().bRemoveBadSongs)
    return true;
  const std::optional<std::size_t> k = SongSubscript(dblIndex);
  if (!k)
    return true;  // nothing to remove: the caller cannot go on past it
  if (removeOne(*k))
    MsgBox(QString::fromLatin1(kNoPlayableSongs));
  return false;
}

void AppendSong(const QString& sPath, const QString& sName) {
  MusicVariablesState& mv = MusicVariables();
  mv.dblLastIndex += 1;
  ResizeSongArrays(mv.dblLastIndex);
  const auto at = static_cast<std::size_t>(mv.dblLastIndex);
  mv.sSongPaths.set(at, sPath);
  mv.sSongNames.set(at, sName);
}

void RemoveSongAt(double dblIndex) {
  const std::optional<std::size_t> k = SongSubscript(dblIndex);
  if (k)
    removeOne(*k);
}

void RemoveSongsAt(std::vector<std::size_t> ascending) {
  MusicVariablesState& mv = MusicVariables();
  // Songs above the last index are no longer in the list; removing from the top, the first
  // one still in the list keeps every lower one in it.
  while (!ascending.empty() && static_cast<double>(ascending.back()) > mv.dblLastIndex) {
    ascending.pop_back();
  }
  if (ascending.empty())
    return;
  mv.dblLastIndex -= static_cast<double>(ascending.size());
  if (mv.dblLastIndex <= -1) {
    ResizeSongArrays(0);
    return;
  }
  eraseExisting(mv.sSongNames, ascending);
  eraseExisting(mv.sSongPaths, ascending);
  ResizeSongArrays(mv.dblLastIndex);
}

void YieldIfLowPriority() {
  if (MusicVariables().bLowPriorityLoading)
    DoEvents();
}

}  // namespace qvt::GlobalMethods
