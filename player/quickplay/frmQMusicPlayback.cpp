// frmQMusic: playback and its end, the timers, the transport buttons, the slider and the volume.
#include <QLabel>
#include <QSlider>
#include <QTimer>
#include <utility>

#include "platform/Media.h"
#include "player/quickplay/frmQMusic.h"
#include "player/quickplay/frmQMusicButtonBar.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "player/window/VolControl.h"
#include "shared/Services.h"

namespace qvt {

namespace {

const QString kPlaybackErrorText = QStringLiteral(
    "Error playing file, file type may not be supported or your audio hardware may be locked.");
const QString kPlaybackErrorTitle = QStringLiteral("Playback Error");

}  // namespace

void frmQMusic::SetFileToPlay(const QString& vNewValue) {
  sFileToPlay_ = PathToPlay(services_, vNewValue);
  sSongName_ = SongNameOf(services_, sFileToPlay_);
  Q_EMIT PlaybackChanged();
}

// The box runs the event loop: while it is up, the time stands still and nothing the player
// tells ends the song, so that the window does not close under the box. Once it is gone, the
// stopped player is taken as the end of the song, after the handler that started the song has
// set its buttons.
void frmQMusic::ReportPlaybackError() {
  const bool ticking = timUpdater->isActive();
  timUpdater->stop();
  const bool wasReporting = std::exchange(bReportingFailure_, true);
  MsgBox(services_, kPlaybackErrorText, MsgButtons::OkOnly, MsgIcon::Critical, kPlaybackErrorTitle,
         1, true);
  mv_.bPlaying = false;
  DoEvents(services_);
  bReportingFailure_ = wasReporting;
  if (ticking)
    timUpdater->start();
  Q_EMIT PlaybackChanged();
  QTimer::singleShot(0, this, &frmQMusic::PlayerStopped);
}

// The song the window played has started once its load ended well.
void frmQMusic::PlayerLoaded() {
  if (std::exchange(bAwaitingStart_, false))
    ShowSongLength();
}

// A failure of the song the window played is the playback error; any other (a song that stops
// midway) is taken as the player having stopped.
void frmQMusic::PlayerFailed() {
  if (std::exchange(bAwaitingStart_, false)) {
    ReportPlaybackError();
  } else {
    PlayerStopped();
  }
}

// Play: what the player tells next decides a song that does not play at once. Each file name
// written ends in one signal, so a start that writes it twice is told of once.
void frmQMusic::Play() {
  bAwaitingStart_ = !wmpPlayer_->play();
}

void frmQMusic::StartPlayQ() {
  auto& state = mv_;
  if (!state.bPlaying) {
    wmpPlayer_->stop();
  } else {
    if (wmpPlayer_->readyState() == kReadyComplete) {
      wmpPlayer_->setFileName(sFileToPlay_);
      if (state.bResumeFromPosition) {
        state.bResumeFromPosition = false;
        wmpPlayer_->setCurrentPosition(state.dResumePosition);
      }
      Play();
      lblCurrentSong->setText(sSongName_);
      mmControl->SetStates(false, true, true);
    }
    if (wmpPlayer_->readyState() == kReadyUninitialized) {
      wmpPlayer_->setFileName(sFileToPlay_);
      Play();
      lblCurrentSong->setText(sSongName_);
    }
  }
  if (!TitleScroller::NeedsScrolling(sSongName_)) {
    timTextSlider->stop();
  } else if (!timTextSlider->isActive()) {
    timTextSlider->start();
  }
  ShowSongLength();
  Q_EMIT PlaybackChanged();
}

void frmQMusic::ShowSongLength() {
  const double duration = wmpPlayer_->duration();
  sldPosition->setMinimum(0);
  sldPosition->setMaximum(RoundedSeconds(duration));
  sldPosition->setPageStep(RoundedSeconds(duration / 10));
}

void frmQMusic::timUpdater_Timer() {
  ShowPosition();
}

void frmQMusic::ShowPosition() {
  const double p = wmpPlayer_->currentPosition();
  ShowTime(ElapsedTimeText(p));
  sldPosition->setValue(RoundedSeconds(p));
}

// What a stopped player means, read when it says it stopped. A player that plays again, or is
// paused under the slider, has nothing to end; one halted to resume (Pause, a seek with the
// slider) keeps its place. Otherwise the song has ended. The time and slider show where it
// stopped first; with the close option still on, the window then closes, ending the program.
void frmQMusic::PlayerStopped() {
  if (bReportingFailure_ || unloading() || wmpPlayer_->playState() != kPlayStopped)
    return;
  ShowPosition();
  if (!mv_.bResumeFromPosition)
    EndSong();
  Q_EMIT PlaybackChanged();
  if (bCloseAfterSong_)
    Forms::Unload(*this);
}

void frmQMusic::EndSong() {
  wmpPlayer_->stop();
  wmpPlayer_->stop();
  mv_.bPlaying = false;
  mv_.bResumeFromPosition = false;
  mmControl->SetStates(true, false, false);
  wmpPlayer_->setCurrentPosition(0);
}

void frmQMusic::timTextSlider_Timer() {
  timTextSlider->stop();
  const TitleScroller::Tick step = scroller_.Next(0, sSongName_);
  lblCurrentSong->setText(step.caption);
  timTextSlider->setInterval(step.intervalMs);
  timTextSlider->start();
}

void frmQMusic::mmControl_PlayClick() {
  mv_.bPlaying = true;
  StartPlayQ();
  bCloseAfterSong_ = false;
  Q_EMIT PlaybackChanged();
}

void frmQMusic::mmControl_PauseClick() {
  auto& state = mv_;
  state.dResumePosition = wmpPlayer_->currentPosition();
  wmpPlayer_->stop();
  state.bResumeFromPosition = true;
  state.bPlaying = false;
  mmControl->SetStates(true, false, true);
  bCloseAfterSong_ = false;
  Q_EMIT PlaybackChanged();
}

void frmQMusic::mmControl_StopClick() {
  auto& state = mv_;
  state.bPlaying = false;
  wmpPlayer_->stop();
  state.bResumeFromPosition = false;
  mmControl->SetStates(true, false, false);
  wmpPlayer_->setCurrentPosition(0);
  sldPosition->setValue(0);
  bCloseAfterSong_ = false;
  Q_EMIT PlaybackChanged();
}

void frmQMusic::sldPosition_MouseDown() {
  timUpdater->stop();
  wmpPlayer_->pause();
}

// A song whose failure the player has told plays no more, and the player tells it no more:
// the window tells the user again, as when its play fails.
void frmQMusic::sldPosition_MouseUp() {
  auto& state = mv_;
  const int value = sldPosition->value();
  wmpPlayer_->setCurrentPosition(value);
  if (wmpPlayer_->mediaStatus() == kMediaInvalid) {
    ReportPlaybackError();
  } else {
    Play();
  }
  state.dResumePosition = value;
  timUpdater->start();
  state.bResumeFromPosition = true;
  bCloseAfterSong_ = false;
  Q_EMIT PlaybackChanged();
}

void frmQMusic::vlcVolume_ValueChanged(int16_t iNewLevel) {
  SetVolume(iNewLevel);
}

// 999 stands for "no level": the control then takes its level from the player.
void frmQMusic::SetVolume(int16_t iLevel) {
  if (iLevel != 999) {
    vlcVolume->SetCurrentValue(iLevel);
    wmpPlayer_->setVolume(-static_cast<int32_t>(LevelToVolume(iLevel)));
  } else {
    const double v = wmpPlayer_->volume();
    vlcVolume->SetCurrentValue(VolumeToLevel(-v));
  }
}

}  // namespace qvt
