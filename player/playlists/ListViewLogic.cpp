#include "player/playlists/ListViewLogic.h"

#include <algorithm>
#include <exception>

#include "platform/FileSystem.h"
#include "platform/base/Check.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "shared/Processor.h"
#include "shared/RecordNotation.h"
#include "shared/Services.h"

namespace qvt::ListView {

const QString kNowPlayingSuffix = QStringLiteral(" - Now Playing");
const QString kCaptionPrefix = QStringLiteral("Play List - Now Playing - ");

namespace {

const QString kConfigFileName = QStringLiteral("listViewConfig.qvs");

// The song name at a play list index; throws std::out_of_range when there is none.
QString SongName(const MusicVariables& mv, double dblIndex) {
  return mv.sSongNames().atIndex(dblIndex);
}

double UpperBound(const MusicVariables& mv) {
  return static_cast<double>(mv.sSongNames().size()) - 1;
}

void MoveMarker(const MusicVariables& mv, IView& view, double& dblMarkedIndex) {
  const double p = view.PlayerPosition();
  view.MarkEntry(p);
  view.SelectEntry(p);
  TryStep(lcPlaylist(), [&] { view.SetCaption(kCaptionPrefix + SongName(mv, p)); });
  dblMarkedIndex = p;
}

// Goes through the list once, reporting every song; the list box shows the list itself, so
// nothing is copied. The event loop runs for every song, and a pass may change the list: the
// bound is read again each time, and the view follows a change by itself; a close asked for
// there ends the pass at once. The current song is read once, so that the marker and
// dblMarkedIndex never part.
void Rebuild(const Services& services, MusicVariables& mv, IView& view, double& dblMarkedIndex,
             bool bMinimised) {
  Processor processor = ProcessorOf(services);
  if (!bMinimised && mv.dblLastIndex() > 500) {
    processor.ShowDetermined(0, mv.dblLastIndex() - 1, false,
                             QStringLiteral("Starting to fill visual list"));
  }
  if (bMinimised) {
    mv.bListRefreshPending = true;
    GlobalMethods::YieldIfLowPriority(services, mv);
  }
  const double p = view.PlayerPosition();
  view.MarkEntry(p);
  TryStep(lcPlaylist(), [&] { view.SetCaption(kCaptionPrefix + SongName(mv, p)); });
  if (!bMinimised) {
    const QString prefix = QStringLiteral("Finalizing List...\r\n");
    for (std::size_t i = 0; static_cast<double>(i) <= std::min(mv.dblLastIndex(), UpperBound(mv));
         ++i) {
      if (view.CloseWaiting())
        break;
      processor.Update(prefix + mv.sSongNames()[i]);
    }
  }
  view.SelectEntry(p);
  dblMarkedIndex = p;
  mv.dblListShownLastIndex = UpperBound(mv);
}

}  // namespace

std::optional<SavedSize> ReadSavedSize(const Services& services) {
  try {
    RecordReader reader(files(services), DataFile(services, kConfigFileName));
    const int16_t height = reader.readInt16();
    const int16_t width = reader.readInt16();
    if (height <= 0 || width <= 0)
      return std::nullopt;
    return SavedSize{height, width};
  } catch (const RecordError& failure) {
    // A damaged or unreadable file is logged; the next close writes it anew either way.
    if (failure.kind() != RecordError::FileNotFound)
      LogDropped(lcFiles());
    return std::nullopt;
  }
}

void WriteSavedSize(const Services& services, double dblHeight, double dblWidth) {
  try {
    RecordWriter writer(files(services), DataFile(services, kConfigFileName));
    writer.write({dblHeight, dblWidth});
    writer.commit();
  } catch (const RecordError&) {
    LogDropped(lcFiles());  // the size is only a convenience: the window closes anyway
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

void Reset(const Services& services, MusicVariables& mv, IView& view, double& dblMarkedIndex,
           PlayListVersion& shown) {
  Processor processor = ProcessorOf(services);
  if (mv.dblLastIndex() == -1) {
    view.MarkEntry(-1);
    view.SetStatusText(QStringLiteral("No List Loaded"));
    shown = PlayListVersion{};
    return;
  }
  const bool bMinimised = view.PlayerMinimised();
  // The same size says nothing (a Clear and a load of another list, one song removed and one
  // added): the list's change count tells whether it changed.
  if (mv.version() == shown) {
    MoveMarker(mv, view, dblMarkedIndex);
  } else {
    Rebuild(services, mv, view, dblMarkedIndex, bMinimised);
    shown = mv.version();
  }
  TryStep(lcPlaylist(), [&] {
    view.SetStatusText(QStringLiteral("Now Playing - ") + SongName(mv, view.PlayerPosition()));
  });
  if (!bMinimised)
    processor.Hide();
}

}  // namespace qvt::ListView
