#pragma once
// frmList, "Play List - Now Playing": the current play list while it plays, the song now
// playing marked " - Now Playing" and named in the caption and the status bar. Select (or a
// double click) starts the chosen song, Search opens the song search docked at the right edge,
// Done (or the close box) hides the window: it stays loaded so that the next opening is fast.
// Its outer size persists in "listViewConfig.qvs".

#include <QPoint>
#include <QPointer>
#include <QString>
#include <QWindow>
#include <optional>

#include "player/playlists/ListViewLogic.h"
#include "shared/ui/Form.h"

class QLabel;
class QPushButton;
class QStatusBar;
class QTimer;

namespace qvt {

class IPlayerWindow;
class NowPlayingModel;
class SongListBox;
class frmSearch;

class frmList : public Form, private ListView::IView {
  Q_OBJECT

 public:
  // Design size of the client area in twips.
  static constexpr int kClientWidthTwips = 5340;
  static constexpr int kClientHeightTwips = 5385;

  // services: what it reaches the machine through; search: the search window it docks; player:
  // the player window it plays in.
  frmList(MusicVariables& mv, const Services& services, FormSlot<frmSearch>& search,
          IPlayerWindow& player);
  ~frmList() override;

  // Rebuilds the list or moves the " - Now Playing" marker to the player's current song.
  void reset();

  // The entry that carries " - Now Playing".
  double MarkedIndex() const { return dblMarkedIndex; }
  // The single text of the status bar.
  QString StatusText() const;

  // Outer geometry in twips (the frame included when the window system gives one).
  double Top() const;
  double Left() const;
  double Width() const;
  double Height() const;
  void SetWidth(double dblWidth);
  void SetHeight(double dblHeight);
  void SetLeft(double dblLeft);

  // Controls, named as the window's design names them.
  SongListBox* lstList;
  QPushButton* cmdPlay;
  QPushButton* cmdSearch;
  QPushButton* cmdCancel;
  QStatusBar* stbList;

 protected:
  void Form_Load() override;
  void Form_Unload(bool& bCancel) override;
  bool event(QEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  // Double clicks on the status bar and the empty list; the docked search window's own window,
  // whose exposure and moves bring the next look at the dock.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  // ListView::IView
  bool PlayerMinimised() override;
  double PlayerPosition() override;
  void MarkEntry(double dblIndex) override;
  void SelectEntry(double dblIndex) override;
  void SetCaption(const QString& sCaption) override;
  void SetStatusText(const QString& sText) override;
  bool CloseWaiting() override;

  void CreateControls();
  void ConnectHandlers();
  void CentreOnScreen();
  void PlaceSearchWindow(frmSearch& search, double dblLeft, double dblTop);
  // Moves the search window's frame to dockFrameAt_ once the window manager has framed it.
  void LookAtDock();
  void Form_Activate();
  void Form_Resize();
  void cmdPlay_Click();
  void lstList_DblClick();
  void cmdSearch_Click();
  void cmdCancel_Click();
  void stbList_DblClick();
  // Starts the selected song (the first when none is selected); sEmptyMessage when no play
  // list is loaded.
  void PlaySelected(const QString& sEmptyMessage);
  void ShowSearchWindow();

  const Services& services_;
  FormSlot<frmSearch>& search_;
  IPlayerWindow& player_;
  MusicVariables& mv_;  // the play list shown
  double dblMarkedIndex = 0;
  // What lstList shows: the play list, the song now playing marked.
  NowPlayingModel* rows_;
  PlayListVersion shown_;  // the play list as the last reset went through it
  QLabel* lblStatus_;
  // A restored outer size waits here until the window system has put its frame around the
  // window, so that the frame is not counted twice.
  bool bResetting_ = false;
  bool bResetAgain_ = false;
  // A search window placed before the window manager framed it: where its frame belongs, the
  // window watched until its frame exists, and how long that is waited for.
  QPoint dockFrameAt_;
  QPointer<QWindow> dockWatched_;
  QTimer* tmrDockDeadline_;
};

}  // namespace qvt
