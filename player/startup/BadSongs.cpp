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

}  // namespace

std::optional<std::size_t> SongSubscript(double dblIndex) {
  const double i = RoundHalfEven(dblIndex);
  if (!(i >= 0) || i > SharedMusicVariables().dblLastIndex())
    return std::nullopt;
  return static_cast<std::size_t>(i);
}

QString SongPathAt(double dblIndex) {
  const std::optional<std::size_t> i = SongSubscript(dblIndex);
  const SongArray& paths = SharedMusicVariables().sSongPaths();
  if (!i || *i >= paths.size())
    return QString();
  return paths[*i];
}

void SetSkipMode(int16_t iMode) {
  MusicVariables& mv = SharedMusicVariables();
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
  return SharedMusicVariables().iSkipMode;
}
void SetSkipModeValue(int16_t iMode) {
  SharedMusicVariables().iSkipMode = iMode;
}
bool GetSkipBadSongs() {
  return SharedMusicVariables().bSkipBadSongs;
}
void SetSkipBadSongs(bool bValue) {
  SharedMusicVariables().bSkipBadSongs = bValue;
}
bool GetRemoveBadSongs() {
  return SharedMusicVariables().bRemoveBadSongs;
}
void SetRemoveBadSongs(bool bValue) {
  SharedMusicVariables().bRemoveBadSongs = bValue;
}

bool SongFileExists(double dblIndex) {
  return PlainFileExists(SongPathAt(dblIndex));
}

void ResizeSongArrays(double dblLast) {
  if (!(dblLast >= 0))
    return;
  SharedMusicVariables().resizeArrays(static_cast<std::size_t>(RoundHalfEven(dblLast)) + 1);
}

bool RemoveBadSong(double dblIndex) {
  if (!SharedMusicVariables().bRemoveBadSongs)
    return true;
  const std::optional<std::size_t> k = SongSubscript(dblIndex);
  if (!k)
    return true;  // nothing to remove: the caller cannot go on past it
  if (SharedMusicVariables().removeAt(*k))
    MsgBox(QString::fromLatin1(kNoPlayableSongs));
  return false;
}

void AppendSong(const QString& sPath, const QString& sName) {
  SharedMusicVariables().append(sPath, sName);
}

void RemoveSongAt(double dblIndex) {
  const std::optional<std::size_t> k = SongSubscript(dblIndex);
  if (k)
    SharedMusicVariables().removeAt(*k);
}

void RemoveSongsAt(std::vector<std::size_t> ascending) {
  SharedMusicVariables().removeSorted(std::move(ascending));
}

void YieldIfLowPriority() {
  if (SharedMusicVariables().bLowPriorityLoading)
    DoEvents();
}

}  // namespace qvt::GlobalMethods
