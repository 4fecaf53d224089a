#include "player/quickplay/frmQMusicMpris.h"

#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "platform/Media.h"
#include "player/quickplay/frmQMusic.h"
#include "player/quickplay/frmQMusicButtonBar.h"
#include "player/startup/MusicVariables.h"
#include "player/window/VolControl.h"

namespace qvt {

namespace {

// The volume control's lowest cell is the quietest level.
constexpr int kQuietestLevel = VolControl::kCellCount - 1;

// Seconds from the player, 0 when it has none to tell.
double Seconds(IMediaPlayer& player, double (IMediaPlayer::*read)() const) {
  const double d = (player.*read)();
  return std::isfinite(d) && d > 0 ? d : 0;
}

}  // namespace

frmQMusicMpris::frmQMusicMpris(frmQMusic& window)
    : WindowMprisTarget(window, Mpris::kRankQuickPlay, window.wmpPlayer(),
                        {window.mmControl->playButton(), window.mmControl->pauseButton(),
                         window.mmControl->stopButton()},
                        window.CloseProgram(), window.MediaControls()),
      window_(window) {
  // Read again when the window says its playback changed or the volume was set; its update
  // timer only moves the time and the slider, which the desktop reads as the position.
  QObject::connect(&window, &frmQMusic::PlaybackChanged, &window, [this] { Changed(); });
  QObject::connect(window.vlcVolume, &VolControl::ValueChanged, &window, [this] { Changed(); });
}

MprisState frmQMusicMpris::State() const {
  const MusicVariables& mv = window_.PlayList();
  MprisState s;
  s.sStatus = Mpris::PlaybackStatus(mv.bPlaying, mv.bResumeFromPosition);
  s.bCanPlay = window_.mmControl->PlayEnabled();
  s.bCanPause = window_.mmControl->PauseEnabled();
  if (!window_.sFileToPlay().isEmpty()) {
    s.iTrack = 0;
    s.sPath = window_.sFileToPlay();
    s.sTitle = window_.sSongName();
    s.iLengthUs = std::llround(Seconds(window_.wmpPlayer(), &IMediaPlayer::duration) * 1e6);
    s.bCanSeek = s.iLengthUs > 0;
  }
  s.dVolume = 1.0 - std::clamp<double>(window_.vlcVolume->CurrentValue(), 0, kQuietestLevel) /
                        kQuietestLevel;
  return s;
}

qint64 frmQMusicMpris::PositionUs() const {
  return std::llround(Seconds(window_.wmpPlayer(), &IMediaPlayer::currentPosition) * 1e6);
}

void frmQMusicMpris::Play() {
  window_.mmControl->playButton()->click();
}

void frmQMusicMpris::Pause() {
  window_.mmControl->pauseButton()->click();
}

void frmQMusicMpris::PlayPause() {
  if (window_.mmControl->PauseEnabled())
    Pause();
  else
    Play();
}

void frmQMusicMpris::Stop() {
  window_.mmControl->stopButton()->click();
}

// What dragging the position slider does: press, move, release.
void frmQMusicMpris::SeekTo(qint64 iPositionUs) {
  window_.sldPosition_MouseDown();
  window_.sldPosition->setValue(
      static_cast<int>(std::llround(static_cast<double>(iPositionUs) / 1e6)));
  window_.sldPosition_MouseUp();
}

// What a click on the control's cell of that level does.
void frmQMusicMpris::SetVolume(double dVolume) {
  if (std::isnan(dVolume))
    return;                                             // not a level: ignored
  const double dLevel = std::clamp(dVolume, 0.0, 1.0);  // -inf is silence, +inf full
  const auto iLevel = static_cast<int16_t>(std::lround((1.0 - dLevel) * kQuietestLevel));
  window_.vlcVolume->SetCurrentValue(iLevel);
  Q_EMIT window_.vlcVolume->ValueChanged(iLevel);
}

}  // namespace qvt
