// Skip mode, song file test, removal of songs and the yield of long loops.

#include "player/startup/GlobalMethods.h"
#include "player/startup/PlayListIndex.h"
#include "shared/Services.h"
#include "shared/Variant.h"

namespace qvt::GlobalMethods {

namespace {

const char* const kSkipModeError =
    "Error while selecting skip mode, please enter the options screen and choose a skip mode "
    "manully";
const char* const kNoPlayableSongs =
    "Warning, there are no more playable songs in the current play list";

}  // namespace

std::optional<std::size_t> SongSubscript(const MusicVariables& mv, double dblIndex) {
  const double i = RoundHalfEven(dblIndex);
  if (!(i >= 0) || i > mv.dblLastIndex())
    return std::nullopt;
  return static_cast<std::size_t>(i);
}

QString SongPathAt(const MusicVariables& mv, double dblIndex) {
  const std::optional<std::size_t> i = SongSubscript(mv, dblIndex);
  const SongArray& paths = mv.sSongPaths();
  if (!i || *i >= paths.size())
    return QString();
  return paths[*i];
}

void SetSkipMode(const Services& services, MusicVariables& mv, int16_t iMode) {
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
      MsgBox(services, QString::fromLatin1(kSkipModeError));
      break;
  }
}

int16_t GetSkipMode(const MusicVariables& mv) {
  return mv.iSkipMode;
}
void SetSkipModeValue(MusicVariables& mv, int16_t iMode) {
  mv.iSkipMode = iMode;
}
bool GetSkipBadSongs(const MusicVariables& mv) {
  return mv.bSkipBadSongs;
}
void SetSkipBadSongs(MusicVariables& mv, bool bValue) {
  mv.bSkipBadSongs = bValue;
}
bool GetRemoveBadSongs(const MusicVariables& mv) {
  return mv.bRemoveBadSongs;
}
void SetRemoveBadSongs(MusicVariables& mv, bool bValue) {
  mv.bRemoveBadSongs = bValue;
}

bool SongFileExists(const Services& services, const MusicVariables& mv, double dblIndex) {
  return PlainFileExists(files(services), SongPathAt(mv, dblIndex));
}

void ResizeSongArrays(MusicVariables& mv, double dblLast) {
  if (!(dblLast >= 0))
    return;
  mv.resizeArrays(static_cast<std::size_t>(RoundHalfEven(dblLast)) + 1);
}

bool RemoveBadSong(const Services& services, MusicVariables& mv, double dblIndex) {
  if (!mv.bRemoveBadSongs)
    return true;
  const std::optional<std::size_t> k = SongSubscript(mv, dblIndex);
  if (!k)
    return true;  // nothing to remove: the caller cannot go on past it
  if (mv.removeAt(*k))
    MsgBox(services, QString::fromLatin1(kNoPlayableSongs));
  return false;
}

void AppendSong(MusicVariables& mv, const QString& sPath, const QString& sName) {
  mv.append(sPath, sName);
}

void RemoveSongAt(MusicVariables& mv, double dblIndex) {
  const std::optional<std::size_t> k = SongSubscript(mv, dblIndex);
  if (k)
    mv.removeAt(*k);
}

void RemoveSongsAt(MusicVariables& mv, std::vector<std::size_t> ascending) {
  mv.removeSorted(std::move(ascending));
}

void YieldIfLowPriority(const Services& services, const MusicVariables& mv) {
  if (mv.bLowPriorityLoading)
    DoEvents(services);
}

}  // namespace qvt::GlobalMethods
