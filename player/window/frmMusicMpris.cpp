#include "player/window/frmMusicMpris.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <cmath>
#include <utility>

#include "player/startup/MusicVariables.h"
#include "player/window/frmMusic.h"

namespace qvt {

WindowMprisTarget::WindowMprisTarget(QWidget& window, int iRank, IMediaPlayer& player,
                                     std::initializer_list<QPushButton*> transport,
                                     std::function<void()> quit, MprisHub* hub)
    : hub_(hub), widget_(window), quit_(std::move(quit)) {
  if (hub_ != nullptr)
    hub_->Attach(this, iRank);
  for (QPushButton* button : transport)
    QObject::connect(button, &QPushButton::clicked, &window, [this] { Refresh(); });
  for (auto signal : {&IMediaPlayer::loaded, &IMediaPlayer::ended})
    QObject::connect(&player, signal, &window, [this] { Changed(); });
  QObject::connect(&player, &IMediaPlayer::errorOccurred, &window, [this] { Changed(); });
  QObject::connect(&player, &IMediaPlayer::durationChanged, &window, [this] { Changed(); });
  QObject::connect(&player, &IMediaPlayer::positionChanged, &window, [this] {
    if (hub_ != nullptr)
      hub_->PositionMoved(this);
  });
}

WindowMprisTarget::~WindowMprisTarget() {
  if (hub_ != nullptr)
    hub_->Detach(this);
}

void WindowMprisTarget::Changed() const {
  if (hub_ != nullptr)
    hub_->Changed();
}

void WindowMprisTarget::Refresh() const {
  if (hub_ != nullptr)
    hub_->Refresh();
}

void WindowMprisTarget::Raise() {
  widget_.show();
  widget_.raise();
  widget_.activateWindow();
}

void WindowMprisTarget::Quit() {
  if (quit_)
    quit_();
}

bool WindowMprisTarget::AcceptsInput() const {
  return QApplication::activeModalWidget() == nullptr;
}

frmMusicMpris::frmMusicMpris(frmMusic& window)
    : WindowMprisTarget(
          window, Mpris::kRankPlayerWindow, window.Player(),
          {window.cmdPlay, window.cmdStop, window.cmdNext, window.cmdPrevious, window.cmdRd},
          window.CloseProgram(), window.MediaControls()),
      window_(window) {
  for (QCheckBox* box : {window.chkRandom, window.chkLoop})
    QObject::connect(box, &QCheckBox::toggled, &window, [this] { Refresh(); });
  // The list and the volume change without a click on those buttons too: from the other
  // windows, the editor, the desktop. (The window tells of its play button and song itself.)
  QObject::connect(window.sldVol, &QSlider::valueChanged, &window, [this] { Changed(); });
  MusicVariables& mv = window.PlayList();
  const auto changed = [this] { Changed(); };
  QObject::connect(&mv, &MusicVariables::currentSongChanged, &window, changed);
  QObject::connect(&mv, &QAbstractItemModel::modelReset, &window, changed);
  QObject::connect(&mv, &QAbstractItemModel::rowsInserted, &window, changed);
  QObject::connect(&mv, &QAbstractItemModel::rowsRemoved, &window, changed);
  QObject::connect(&mv, &QAbstractItemModel::dataChanged, &window, changed);
  QObject::connect(&mv, &QAbstractItemModel::layoutChanged, &window, changed);
}

MprisState frmMusicMpris::State() const {
  const MusicVariables& mv = window_.PlayList();
  MprisState s;
  s.sStatus = Mpris::PlaybackStatus(mv.bPlaying, mv.bResumeFromPosition);
  const bool bHasList = mv.dblLastIndex() >= 0;
  s.bCanPlay = s.bCanPause = s.bCanGoNext = s.bCanGoPrevious = bHasList;
  const double dblIndex = window_.Position();
  if (bHasList && dblIndex >= 0 && dblIndex <= mv.dblLastIndex() &&
      dblIndex < static_cast<double>(mv.sSongPaths().size()) &&
      dblIndex < static_cast<double>(mv.sSongNames().size())) {
    const auto at = static_cast<std::size_t>(dblIndex);
    s.iTrack = static_cast<qint64>(at);
    s.sPath = mv.sSongPaths()[at];
    s.sTitle = mv.sSongNames()[at];
    const double dDuration =
        window_.Player().fileName() == s.sPath ? window_.Player().duration() : 0;
    if (std::isfinite(dDuration) && dDuration > 0)
      s.iLengthUs = std::llround(dDuration * 1e6);
    // A song that plays, or waits paused where it halted, can be moved within.
    s.bCanSeek = s.iLengthUs > 0 && (mv.bPlaying || mv.bResumeFromPosition);
  }
  s.bShuffle = window_.chkRandom->isChecked();
  s.sLoopStatus =
      window_.chkLoop->isChecked() ? QStringLiteral("Track") : QStringLiteral("Playlist");
  const int iMax = std::max(1, window_.sldVol->maximum());
  s.dVolume = 1.0 - static_cast<double>(window_.sldVol->value()) / iMax;
  return s;
}

qint64 frmMusicMpris::PositionUs() const {
  const MusicVariables& mv = window_.PlayList();
  double dSeconds = 0;
  if (mv.bPlaying)
    dSeconds = window_.Player().currentPosition();
  else if (mv.bResumeFromPosition)
    dSeconds = mv.dResumePosition;
  return std::isfinite(dSeconds) && dSeconds > 0 ? std::llround(dSeconds * 1e6) : 0;
}

void frmMusicMpris::Play() {
  if (!window_.PlayList().bPlaying)
    window_.cmdPlay->click();
}

void frmMusicMpris::Pause() {
  if (window_.PlayList().bPlaying)
    window_.cmdPlay->click();
}

void frmMusicMpris::PlayPause() {
  window_.cmdPlay->click();
}

void frmMusicMpris::Stop() {
  window_.cmdStop->click();
}

void frmMusicMpris::Next() {
  window_.cmdNext->click();
}

void frmMusicMpris::Previous() {
  window_.cmdPrevious->click();
}

void frmMusicMpris::SeekTo(qint64 iPositionUs) {
  const double dSeconds = static_cast<double>(iPositionUs) / 1e6;
  MusicVariables& mv = window_.PlayList();
  if (mv.bPlaying)
    window_.Player().setCurrentPosition(dSeconds);
  else if (mv.bResumeFromPosition)
    mv.dResumePosition = dSeconds;  // Play resumes there
}

void frmMusicMpris::SetShuffle(bool bShuffle) {
  if (window_.chkRandom->isChecked() != bShuffle)
    window_.chkRandom->click();
}

void frmMusicMpris::SetLoopStatus(const QString& sLoopStatus) {
  const bool bTrack = sLoopStatus == QLatin1String("Track");
  if (!bTrack && sLoopStatus != QLatin1String("Playlist") && sLoopStatus != QLatin1String("None"))
    return;  // not a loop status
  if (window_.chkLoop->isChecked() != bTrack)
    window_.chkLoop->click();
}

void frmMusicMpris::SetVolume(double dVolume) {
  if (std::isnan(dVolume))
    return;                                             // not a level: ignored
  const double dLevel = std::clamp(dVolume, 0.0, 1.0);  // -inf is silence, +inf full
  window_.sldVol->setValue(
      static_cast<int>(std::lround((1.0 - dLevel) * window_.sldVol->maximum())));
}

}  // namespace qvt
