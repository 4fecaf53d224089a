#include "player/playlists/ListViewLogic.h"

#include <algorithm>
#include <exception>

#include "platform/FileSystem.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "shared/Check.h"
#include "shared/Processor.h"
#include "shared/RecordNotation.h"

namespace qvt::ListView {

const QString kNowPlayingSuffix = QStringLiteral(" - Now Playing");
const QString kCaptionPrefix = QStringLiteral("Play List - Now Playing - ");

namespace {

const QString kConfigFileName = QStringLiteral("listViewConfig.qvs");

// The song name at a play list index; throws std::out_of_range when there is none.
const QString& SongName(double dblIndex) {
  return MusicVariables().sSongNames.atIndex(dblIndex);
}

// The play list as the view showed it after its last rebuild.
PlayListVersion g_shownVersion;

double UpperBound() {
  return static_cast<double>(MusicVariables().sSongNames.size()) - 1;
}

// The last entry a rebuild fills: the play list's last index, within the names there are.
double LastFilledIndex() {
  return std::min(MusicVariables().dblLastIndex, UpperBound());
}

void MoveMarker(IView& view, double& dblMarkedIndex) {
  TryStep([&] { view.SetEntry(dblMarkedIndex, SongName(dblMarkedIndex)); });
  const double p = view.PlayerPosition();
  TryStep([&] { view.SetEntry(p, SongName(p) + kNowPlayingSuffix); });
  view.SelectEntry(p);
  TryStep([&] { view.SetCaption(kCaptionPrefix + SongName(p)); });
  dblMarkedIndex = p;
}

// The event loop runs for every entry, and a pass may change the list: each entry is read by
// value with its bound re-read, so that a shorter list ends the fill instead of reading past
// it. The list as it was when the fill began is what the view records as shown.
void Rebuild(IView& view, double& dblMarkedIndex, bool bMinimised) {
  MusicVariablesState& mv = MusicVariables();
  if (!bMinimised && mv.dblLastIndex > 500) {
    ShowDeterminedProcessing(0, mv.dblLastIndex - 1, false,
                             QStringLiteral("Starting to fill visual list"));
  }
  if (bMinimised) {
    mv.bListRefreshPending = true;
    GlobalMethods::YieldIfLowPriority();
  }
  view.ClearEntries();
  // The current song is read once: a song change while the list fills (the event loop runs
  // for every entry) must not leave the marker on one entry and dblMarkedIndex on another.
  const double p = view.PlayerPosition();
  const PlayListVersion version = CurrentPlayListVersion();
  std::vector<QString> entries;
  entries.reserve(static_cast<std::size_t>(std::max(0.0, LastFilledIndex() + 1)));
  for (double i = 0; i <= LastFilledIndex(); ++i) {
    QString name = mv.sSongNames[static_cast<std::size_t>(i)];
    if (!bMinimised)
      UpdateProcessing(QStringLiteral("Finalizing List...\r\n") + name);
    if (i == p) {
      view.SetCaption(kCaptionPrefix + name);
      name += kNowPlayingSuffix;
    }
    entries.push_back(std::move(name));
  }
  view.SetEntries(std::move(entries));
  view.SelectEntry(p);
  dblMarkedIndex = p;
  mv.dblListShownLastIndex = UpperBound();
  g_shownVersion = version;
}

}  // namespace

std::optional<SavedSize> ReadSavedSize() {
  try {
    RecordReader reader(DataFile(kConfigFileName));
    const int16_t height = reader.readInt16();
    const int16_t width = reader.readInt16();
    if (height <= 0 || width <= 0)
      return std::nullopt;
    return SavedSize{height, width};
  } catch (const RecordError&) {
    return std::nullopt;
  }
}

void WriteSavedSize(double dblHeight, double dblWidth) {
  try {
    RecordWriter writer(DataFile(kConfigFileName));
    writer.write({dblHeight, dblWidth});
    writer.commit();
  } catch (const RecordError&) {
    LogDropped();  // the size is only a convenience: the window closes anyway
  }
}

Layout LayoutFor(double W, double H, double B, double S) {
  Layout layout;
  const double top = H - B - 500 - S;
  const double width = W / 4;
  layout.lstList = {50, 10, W - 200, top};
  layout.cmdPlay = {(W - width) / 8, top, width, B};
  layout.cmdSearch = {layout.cmdPlay.left + width + 50, top, width, B};
  layout.cmdCancel = {layout.cmdSearch.left + width + 50, top, width, B};
  return layout;
}

Dock DockOnOpen(double listLeft, double listTop, double listWidth, double searchWidth,
                double screenWidth) {
  Dock dock{listLeft, listWidth, 0, listTop + 500};
  const auto squeeze = [&] {
    dock.listWidth = screenWidth - searchWidth;
    dock.listLeft = (screenWidth - (searchWidth + dock.listWidth)) / 2;
  };
  if (searchWidth + dock.listWidth > screenWidth)
    squeeze();
  if (dock.listLeft + dock.listWidth + searchWidth >= screenWidth)
    squeeze();
  dock.searchLeft = dock.listLeft + dock.listWidth;
  return dock;
}

Dock DockOnResize(double listLeft, double listTop, double listWidth, double searchWidth,
                  double screenWidth) {
  Dock dock{listLeft, listWidth, listLeft + listWidth, listTop + 500};
  if (listWidth + searchWidth > screenWidth)
    dock.listWidth = screenWidth - searchWidth;
  return dock;
}

void Reset(IView& view, double& dblMarkedIndex) {
  MusicVariablesState& mv = MusicVariables();
  if (mv.dblLastIndex == -1) {
    view.ClearEntries();
    view.SetStatusText(QStringLiteral("No List Loaded"));
    return;
  }
  const bool bMinimised = view.PlayerMinimised();
  // Only a list that did not change since the last rebuild keeps its entries: the same size
  // says nothing (a Clear and a load of another list, one song removed and one added). The
  // entry count is checked too: a view that was emptied (no play list) or never filled must be
  // filled. A list that changes while the view fills is filled again.
  if (CurrentPlayListVersion() == g_shownVersion && view.EntryCount() == LastFilledIndex() + 1) {
    MoveMarker(view, dblMarkedIndex);
  } else {
    // A few more fills catch changes made while one ran; the next reset catches the rest.
    constexpr int kMoreFills = 2;
    Rebuild(view, dblMarkedIndex, bMinimised);
    for (int fill = 0; fill < kMoreFills && CurrentPlayListVersion() != g_shownVersion; ++fill) {
      if (!bMinimised)
        HideProcessing();
      Rebuild(view, dblMarkedIndex, bMinimised);
    }
  }
  TryStep([&] {
    view.SetStatusText(QStringLiteral("Now Playing - ") + SongName(view.PlayerPosition()));
  });
  if (!bMinimised)
    HideProcessing();
}

}  // namespace qvt::ListView
