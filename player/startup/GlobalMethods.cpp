// Options, list-box and path helpers. The searches are in SongSearch.cpp, the accepted file
// types and the integrity check in PlayListCheck.cpp, the bad-song handling in BadSongs.cpp.
#include "player/startup/GlobalMethods.h"

#include <algorithm>
#include <climits>

#include "platform/base/Check.h"
#include "shared/FileNumbers.h"
#include "shared/Processor.h"
#include "shared/Services.h"
#include "shared/Variant.h"

namespace qvt::GlobalMethods {

namespace {

// Options modes 0 and 1 set bOption to bModeOne, mode 2 to its opposite; any other mode
// leaves it and shows sError.
void SetFromMode(const Services& services, int16_t iMode, bool& bOption, bool bModeOne,
                 const QString& sError) {
  switch (iMode) {
    case 0:
    case 1:
      bOption = bModeOne;
      break;
    case 2:
      bOption = !bModeOne;
      break;
    default:
      MsgBox(services, sError);
      break;
  }
}

}  // namespace

void SetSongLoadingPriority(const Services& services, MusicVariables& mv, int16_t iMode) {
  SetFromMode(services, iMode, mv.bLowPriorityLoading, true,
              QStringLiteral("Unable to set song loading priority, please set manually"));
}

bool GetLowPriorityLoading(const MusicVariables& mv) {
  return mv.bLowPriorityLoading;
}

void SetProcessingVisibility(const Services& services, MusicVariables& mv, int16_t iMode) {
  SetFromMode(services, iMode, mv.bHideProcessing, false,
              QStringLiteral("Unable to set processor visibility, please set manually"));
  ProcessorOf(services).SetSuppressed(mv.bHideProcessing);
}

bool GetHideProcessing(const MusicVariables& mv) {
  return mv.bHideProcessing;
}
void SetQuickPlayClose(MusicVariables& mv, bool bValue) {
  mv.bQuickPlayClose = bValue;
}
bool GetQuickPlayClose(const MusicVariables& mv) {
  return mv.bQuickPlayClose;
}

double GetSelectedIndex(const MusicVariables& mv, const IListBox& lst) {
  const double last = std::min(mv.dblLastIndex(), static_cast<double>(lst.ListCount()) - 1);
  for (int i = 0; i <= last; ++i) {
    if (lst.Selected(i))
      return i;
  }
  return 0;
}

void SelectListItem(IListBox& lst, double dblIndex) {
  // Whole play list indexes, beyond 16 bits too: large lists must stay selectable.
  const double index = RoundHalfEven(dblIndex);
  if (!(index >= INT_MIN && index <= INT_MAX))
    return;
  try {
    lst.SetListIndex(static_cast<int>(index));
  } catch (...) {
    LogExpected(lcPlaylist());  // an entry that does not exist is simply not selected
  }
}

QString FixDoubleBackslash(const QString& sPath) {
  QString path = sPath;
  return path.replace(QStringLiteral("//"), QStringLiteral("/"));
}

int16_t GetFreeFileNumber(const Services& services) {
  return FileNumbersOf(services).GetFree();
}

}  // namespace qvt::GlobalMethods
