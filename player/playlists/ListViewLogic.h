#pragma once
// The play list view's work that does not touch widgets: its saved size ("listViewConfig.qvs"),
// the layout of its controls on resize, where the search window docks, and the rebuild or
// marker move that brings the view in line with the play list and the current song. All sizes
// and places are in twips; the window converts.

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "player/startup/MusicVariables.h"

namespace qvt {
struct Services;
}

namespace qvt::ListView {

// The view's outer size as saved between runs.
struct SavedSize {
  int16_t height;
  int16_t width;
};

// Reads the two numbers of "listViewConfig.qvs" (outer height, then outer width) as 16-bit
// integers. Nothing when the file is missing or unreadable, a number does not fit 16 bits, or a
// value cannot be a window size (zero or below): the window keeps its design size then.
std::optional<SavedSize> ReadSavedSize(const Services& services);
// Writes the file anew with the outer height and width; a failure to write is ignored.
void WriteSavedSize(const Services& services, double dblHeight, double dblWidth);

struct Rect {
  double left = 0;
  double top = 0;
  double width = 0;
  double height = 0;
  // A control refuses negative sizes; such a place is not applied.
  bool fits() const { return width >= 0 && height >= 0; }
};

struct Layout {
  Rect lstList;
  Rect cmdPlay;
  Rect cmdSearch;
  Rect cmdCancel;
};

// The places of the controls for the outer size W x H, the button height B and the status bar
// height S. Left to right: Select, Search, Done, each a quarter of the window wide.
Layout LayoutFor(double W, double H, double B, double S);

// Where the view and the search window stand once the search window is open.
struct Dock {
  double listLeft;
  double listWidth;
  double searchLeft;
  double searchTop;
};

// Opening the search window: the view gives up width (and moves to the left edge) when both
// windows would not fit the screen side by side; the search window docks at its right edge,
// 500 twips below its top.
Dock DockOnOpen(double listLeft, double listTop, double listWidth, double searchWidth,
                double screenWidth);
// Resizing the view while the search window is visible: the search window follows the right
// edge; a view too wide for both to fit is narrowed.
Dock DockOnResize(double listLeft, double listTop, double listWidth, double searchWidth,
                  double screenWidth);

// The view as the reset drives it. Its list box is a view of the play list (entry i is song
// i): it follows every change of the list by itself. Indexes that name no entry are ignored.
class IView {
 public:
  virtual ~IView() = default;
  virtual bool PlayerMinimised() = 0;
  virtual double PlayerPosition() = 0;
  // Puts " - Now Playing" after entry dblIndex's name and takes it off the entry that had it.
  virtual void MarkEntry(double dblIndex) = 0;
  virtual void SelectEntry(double dblIndex) = 0;
  virtual void SetCaption(const QString& sCaption) = 0;
  virtual void SetStatusText(const QString& sText) = 0;
  // Whether the window is to close once the operation returns: the list is gone through no
  // further.
  virtual bool CloseWaiting() = 0;
};

extern const QString kNowPlayingSuffix;  // " - Now Playing"
extern const QString kCaptionPrefix;     // "Play List - Now Playing - "

// Brings the view in line with the play list mv and the current song: only the marker moves when
// the play list did not change since the view last went through it (shown); otherwise the
// list is gone through once more, with progress on long lists. dblMarkedIndex is the entry
// carrying the marker; it and shown are updated. A step that fails is skipped.
void Reset(const Services& services, MusicVariables& mv, IView& view, double& dblMarkedIndex,
           PlayListVersion& shown);

}  // namespace qvt::ListView
