#pragma once
// frmQMusic, "Music Quick Play": plays the one file handed over on the command line, shows its
// name and the elapsed time, offers Play, Pause and Stop, a position slider and a volume
// control, and "&Load QVT", which opens the main player window instead. Its position, the
// close-after-song option and the volume level persist in "QPConfig.qvc". Closing it ends the
// program unless the main player was opened; with the close option on and no control touched,
// it closes by itself when the song stops. The media player tells it when the song has ended or
// failed; its update timer only shows the elapsed time and moves the slider.

#include <QRect>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "player/quickplay/QuickPlayLogic.h"
#include "player/quickplay/frmQMusicMpris.h"
#include "player/window/TitleScroller.h"
#include "shared/ui/Form.h"

class QFrame;
class QLabel;
class QPushButton;
class QSlider;
class QTimer;

namespace qvt {

class IMediaPlayer;
class MMButtonBar;
class MusicVariables;
struct Services;
class VolControl;
class clsFileManager;

class frmQMusic : public Form {
  Q_OBJECT

 public:
  // How "&Load QVT" loads and shows the main player window, the program's normal close
  // (the desktop's Quit), and the desktop's media controls (none in tests). `services`: what the
  // window reaches the machine through; it outlives the window.
  frmQMusic(MusicVariables& mv, const Services& services, std::function<void()> openMainWindow,
            std::function<void()> closeProgram, MprisHub* mpris = nullptr);
  const std::function<void()>& CloseProgram() const { return closeProgram_; }
  MprisHub* MediaControls() const { return mpris_hub_; }
  MusicVariables& PlayList() const { return mv_; }
  ~frmQMusic() override;

  // The file to play, as handed over on the command line; its name is looked up at once.
  void SetFileToPlay(const QString& vNewValue);
  // Starts (bPlaying set) or stops playback; a failing step is skipped.
  void StartPlayQ();

  // Event handlers, public so that the timers and tests can drive them.
  // Shows the elapsed time and moves the position slider; it decides nothing about the song.
  void timUpdater_Timer();
  void timTextSlider_Timer();
  void mmControl_PlayClick();
  void mmControl_PauseClick();
  void mmControl_StopClick();
  void sldPosition_MouseDown();
  void sldPosition_MouseUp();
  void vlcVolume_ValueChanged(int16_t iNewLevel);
  void cmdLoadMain_Click();

  // Window position in twips.
  double Top() const;
  double Left() const;

  const QString& sFileToPlay() const { return sFileToPlay_; }
  const QString& sSongName() const { return sSongName_; }
  bool bCloseAfterSong() const { return bCloseAfterSong_; }
  IMediaPlayer& wmpPlayer() { return *wmpPlayer_; }

 Q_SIGNALS:
  // What the window shows of its playback may have changed (the play state and its buttons, the
  // song and its length): the desktop's media controls read it again. The volume control and the
  // media player's own signals tell the rest; the update timer tells nothing.
  void PlaybackChanged();

 public:
  // The controls (owned by the window).
  QFrame* Shape1;
  QLabel* lblTime;
  VolControl* vlcVolume;
  QLabel* lblCurrentSong;
  QSlider* sldPosition;
  MMButtonBar* mmControl;
  QPushButton* cmdLoadMain;
  QTimer* timTextSlider;
  QTimer* timUpdater;

 protected:
  void Form_Load() override;
  void Form_Unload(bool& bCancel) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void buildControls();
  void connectControls();
  void SetVolume(int16_t iLevel);
  void CentreWindow();
  void MoveToTwips(double dTop, double dLeft);
  QRect ClientArea() const;
  // Plays the loaded song; a song that does not play at once is decided by the player's next
  // signal (PlayerLoaded, PlayerFailed).
  void Play();
  // Tells the user that the song does not play, and clears bPlaying.
  void ReportPlaybackError();
  void PlayerLoaded();
  void PlayerFailed();
  // The player stopped by itself: its song played out, or failed.
  void PlayerStopped();
  void EndSong();
  void ShowPosition();
  void ShowSongLength();
  void ShowTime(const QString& text);

  MusicVariables& mv_;  // the playing state it shares with the player window
  const Services& services_;
  std::function<void()> openMainWindow_;
  std::function<void()> closeProgram_;
  MprisHub* mpris_hub_;
  std::unique_ptr<IMediaPlayer> wmpPlayer_;
  std::unique_ptr<clsFileManager> fmConfig_;
  QString sFileToPlay_;
  QString sSongName_;
  bool bCloseAfterSong_ = false;
  bool bLoadingMain_ = false;
  bool bReportingFailure_ = false;  // the playback error box is up
  bool bAwaitingStart_ = false;     // the song played has not started yet
  TitleScroller scroller_;
  // Last, so that the desktop's media controls let go of the window first.
  std::unique_ptr<frmQMusicMpris> mpris_;
};

}  // namespace qvt
