#pragma once
// The player window: transport buttons, the two playback check boxes, the scrolling title,
// the volume slider, and the buttons that open the play list editor, the list view and the
// options window. Playing is the PlaybackController's; settings are Configuration's.

#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTimer>
#include <functional>
#include <memory>

#include "platform/Media.h"
#include "player/window/Configuration.h"
#include "player/window/PlaybackController.h"
#include "player/window/TitleScroller.h"
#include "player/window/frmMusicMpris.h"
#include "shared/ui/Form.h"

namespace qvt {

class MusicVariables;
struct Services;
class frmChoose;
class frmList;
class frmOptions;

class frmMusic : public Form, public IPlayerView, public IConfigurationHost {
  Q_OBJECT

 public:
  // The windows the player window opens, its own slot (an upgrade loads it afresh), and the
  // program's normal close.
  struct Links {
    FormSlot<frmMusic>& self;
    FormSlot<frmList>& list;
    FormSlot<frmChoose>& editor;
    FormSlot<frmOptions>& options;
    std::function<void()> closeProgram;
    MprisHub* mpris = nullptr;  // the desktop's media controls; none in tests
    // The start-up check of the media control's component (quick play's).
    std::function<void()> checkMediaControl;
  };
  // `services`: what the window and what it runs reach the machine through; it outlives the
  // window.
  frmMusic(MusicVariables& mv, const Services& services, Links links);
  ~frmMusic() override;

  // Public operations used by the other windows.
  void StartNewPlay() { controller_->StartNewPlay(); }
  void StartPlay(double intPositionX) { controller_->StartPlay(intPositionX); }
  void setDisplay(double intNewPosition) { controller_->setDisplay(intNewPosition); }
  double Position() const override { return controller_->Position(); }
  void SetPosition(double dblValue) override { controller_->SetPosition(dblValue); }

  IMediaPlayer& Player() { return *wmpPlayer; }
  MusicVariables& PlayList() { return mv_; }
  const std::function<void()>& CloseProgram() const { return links_.closeProgram; }
  MprisHub* MediaControls() const { return links_.mpris; }
  PlaybackController& Controller() { return *controller_; }
  double Volume() const { return dblVolume_; }
  // True while the load handler runs (its long loops let the event loop run).
  bool IsLoading() const { return bLoading_; }
  // Stops the media player where it is (no rewind) and shows the play button as "&Play", as
  // an update does before it closes the player.
  void HaltPlayer();

 Q_SIGNALS:
  // The load handler has returned (IsLoading is false again).
  void LoadingEnded();

 public:
  // Controls, named as the window's design names them.
  QSlider* sldVol;
  QPushButton* cmdOptions;
  QTimer* timTextSlider;
  QCheckBox* chkLoop;
  QPushButton* cmdNext;
  QPushButton* cmdRd;
  QPushButton* cmdDir;
  QPushButton* cmdView;
  QPushButton* cmdPrevious;
  QPushButton* cmdStop;
  QPushButton* cmdPlay;
  QCheckBox* chkRandom;
  std::unique_ptr<IMediaPlayer> wmpPlayer;
  QLabel* lblCurrentSong;
  QLabel* Label1;

  // Design size of the client area in twips.
  static constexpr int kClientWidthTwips = 7140;
  static constexpr int kClientHeightTwips = 1305;

 protected:
  void Form_Load() override;
  void Form_Unload(bool& bCancel) override;
  void changeEvent(QEvent* event) override;

 private:
  // IPlayerView
  void ShowPlayButtonAsPause(bool bPause) override;
  void SetCurrentSongCaption(const QString& sCaption) override;
  bool IsLoopChecked() const override { return chkLoop->isChecked(); }
  bool IsRandomChecked() const override { return chkRandom->isChecked(); }
  void UncheckLoop() override;
  void UncheckRandom() override;
  void SetWhenStopTimerEnabled(bool bEnabled) override;
  void SetTextSliderEnabled(bool bEnabled) override;
  void ResetListView() override;
  // IConfigurationHost
  void AssignRandomChecked(bool bChecked) override;
  void AssignLoopChecked(bool bChecked) override;

  void CreateControls();
  void PlaceControls();
  void ConnectHandlers();
  void timTextSlider_Timer();
  void sldVol_Change();
  void cmdDir_Click();
  void cmdView_Click();
  void cmdOptions_Click();
  void Upgrade();

  std::unique_ptr<PlaybackController> controller_;
  // The end-of-song watch: while enabled, the media player's ended event runs the controller's
  // timWhenStop handler. It is an event, not a timer, so an idle window wakes for nothing.
  bool bTimWhenStopEnabled_ = false;
  TitleScroller scroller_;
  double dblVolume_ = 0;
  bool bHasPlayList_ = false;
  MusicVariables& mv_;  // the play list played
  const Services& services_;
  Links links_;
  bool bUpgrading_ = false;
  bool bLoading_ = false;
  // Last, so that the desktop's media controls let go of the window first.
  std::unique_ptr<frmMusicMpris> mpris_;
};

}  // namespace qvt
