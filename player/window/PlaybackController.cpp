#include "player/window/PlaybackController.h"

#include <QTimer>
#include <bit>
#include <cmath>
#include <exception>
#include <random>

#include "platform/Platform.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "player/window/TitleScroller.h"

namespace qvt {

const QString PlaybackController::kPlaybackErrorText = QStringLiteral(
    "Error playing file, file type may not be supported or your audio hardware may be locked.");
const QString PlaybackController::kPlaybackErrorTitle = QStringLiteral("Playback Error");

namespace {

MusicVariablesState& mv() {
  return MusicVariables();
}

// Runs one statement; a failure is noted and the statement skipped.
template <typename Fn>
void Try(bool& bFailed, Fn&& statement) {
  try {
    statement();
  } catch (const std::exception&) {
    bFailed = true;
  }
}

}  // namespace

PlaybackController::PlaybackController(IPlayerView& view, IMediaPlayer& player)
    : view_(view), player_(player) {}

QString PlaybackController::SongPath(double dblIndex) const {
  return mv().sSongPaths.at(static_cast<std::size_t>(std::llround(dblIndex)));
}

QString PlaybackController::SongName(double dblIndex) const {
  return mv().sSongNames.at(static_cast<std::size_t>(std::llround(dblIndex)));
}

void PlaybackController::setDisplay(double intNewPosition) {
  try {
    view_.SetCurrentSongCaption(SongName(intNewPosition));
  } catch (const std::exception&) {
  }
}

void PlaybackController::StartNewPlay() {
  ForgetFailures();
  if (mv().dblLastIndex == -1) {
    view_.SetCurrentSongCaption(QStringLiteral("Ready"));
    player_.stop();
    view_.ShowPlayButtonAsPause(false);
    mv().bPlaying = false;
    return;
  }
  if (!mv().bPlaying) {
    dblPosition_ = 0;
    setDisplay(0);
  }
  if (dblPosition_ > mv().dblLastIndex)
    dblPosition_ = 0;
  bool bFailed = false;
  Try(bFailed, [&] {
    if (SongPath(dblPosition_) != player_.fileName())
      StartPlay(dblPosition_);
  });
}

void PlaybackController::StartPlay(double intPositionX) {
  view_.SetWhenStopTimerEnabled(false);
  if (mv().dblLastIndex == -1) {
    if (mv().bPlaying)
      MsgBox(QStringLiteral("No play list has been made"));
    view_.SetWhenStopTimerEnabled(true);
    return;
  }
  bool bFailed = false;
  dblPosition_ = intPositionX;
  Try(bFailed, [&] {
    if (SongPath(dblPosition_) != player_.fileName())
      mv().bResumeFromPosition = false;
  });
  if (mv().bListWindowOpen)
    view_.ResetListView();

  bool bAttemptFailed = true;
  for (int attempt = 0; attempt < kStartAttempts && bAttemptFailed; ++attempt) {
    bAttemptFailed = StartAttempt();
    if (bAttemptFailed)
      GlobalMethods::YieldIfLowPriority();
  }
  if (bAttemptFailed) {
    HandleBadSong();
    return;
  }
  if (mv().bPlaying)
    ForgetFailures();
  Try(bFailed,
      [&] { view_.SetTextSliderEnabled(TitleScroller::NeedsScrolling(SongName(dblPosition_))); });
  view_.SetWhenStopTimerEnabled(true);
}

// One start attempt; true when a statement of it failed.
bool PlaybackController::StartAttempt() {
  bool bFailed = false;
  if (!mv().bPlaying) {
    Try(bFailed, [&] { player_.stop(); });
    return bFailed;
  }
  Try(bFailed, [&] {
    if (player_.readyState() == kReadyComplete && player_.readyState() != kReadyLoading) {
      LoadAndPlay();
    }
  });
  Try(bFailed, [&] {
    if (player_.readyState() == kReadyUninitialized)
      LoadAndPlay();
  });
  if (mv().bResumeFromPosition) {
    mv().bResumeFromPosition = false;
    Try(bFailed, [&] { player_.setCurrentPosition(mv().dResumePosition); });
  }
  return bFailed;
}

void PlaybackController::LoadAndPlay() {
  player_.setFileName(SongPath(dblPosition_));
  player_.play();
  view_.SetCurrentSongCaption(SongName(dblPosition_));
}

void PlaybackController::HandleBadSong() {
  bool bGiveUp = false;
  if (!GlobalMethods::GetSkipBadSongs()) {
    bGiveUp = true;
  } else if (!GlobalMethods::SongFileExists(dblPosition_) && GlobalMethods::GetRemoveBadSongs()) {
    bGiveUp = GlobalMethods::RemoveBadSong(dblPosition_);
  } else {
    // A song whose file exists but does not play is skipped, never removed. A removal needs
    // no count: the list shrinks with each one.
    ++failedStarts_;
  }
  if (bGiveUp) {
    ShowPlaybackError();
  } else {
    NextAfterSong();
    if (dblPosition_ > mv().dblLastIndex)
      dblPosition_ = 0;
  }
  mv().bPlaying = false;
  view_.SetWhenStopTimerEnabled(true);
  view_.ShowPlayButtonAsPause(false);
  DoEvents();
  if (bGiveUp || bStopPressed_)
    return;
  if (mv().dblLastIndex >= 0 && failedStarts_ > mv().dblLastIndex) {
    // Every song of the list failed in turn: stay idle and say so once.
    ForgetFailures();
    ShowPlaybackError();
    return;
  }
  // The automatic Play runs from the event loop, so a list of failing songs never nests.
  QTimer::singleShot(0, this, [this] { AutomaticPlay(); });
}

void PlaybackController::AutomaticPlay() {
  // Stop pressed meanwhile, or the user started something: the chain ends here.
  if (bStopPressed_ || mv().bPlaying)
    return;
  cmdPlay_Click();
}

void PlaybackController::ShowPlaybackError() {
  MsgBox(kPlaybackErrorText, MsgButtons::OkOnly, MsgIcon::Critical, kPlaybackErrorTitle, 1, true);
}

void PlaybackController::NextInOrder() {
  dblPosition_ += 1;
  if (dblPosition_ > mv().dblLastIndex)
    dblPosition_ = 0;
}

void PlaybackController::NextAfterSong() {
  if (view_.IsRandomChecked()) {
    RandomChoice();
  } else if (!view_.IsLoopChecked()) {
    NextInOrder();
  }
}

void PlaybackController::RandomChoice() {
  if (mv().dblLastIndex + 1 < 2) {
    dblPosition_ = 0;
    return;
  }
  const double seed = systemClock().secondsSinceMidnight();
  std::mt19937_64 generator(std::bit_cast<uint64_t>(seed));
  std::uniform_real_distribution<double> rnd(0.0, 1.0);
  const double previous = dblPosition_;
  do {
    dblPosition_ = std::floor((mv().dblLastIndex + 1) * rnd(generator));
  } while (dblPosition_ == previous);
}

void PlaybackController::cmdPlay_Click() {
  bStopPressed_ = false;
  if (mv().dblLastIndex == -1)
    return;
  if (mv().bPlaying) {
    view_.ShowPlayButtonAsPause(false);
    mv().dResumePosition = player_.currentPosition();
    player_.stop();
    mv().bResumeFromPosition = true;
    mv().bPlaying = false;
    return;
  }
  mv().bPlaying = true;
  view_.ShowPlayButtonAsPause(true);
  StartPlay(dblPosition_);
}

void PlaybackController::cmdStop_Click() {
  ForgetFailures();
  mv().bPlaying = false;
  player_.stop();
  player_.setCurrentPosition(player_.selectionStart());
  view_.ShowPlayButtonAsPause(false);
  bStopPressed_ = true;
  mv().bResumeFromPosition = false;
}

void PlaybackController::cmdNext_Click() {
  if (mv().dblLastIndex == -1)
    return;
  ForgetFailures();
  NextInOrder();
  StartPlay(dblPosition_);
  setDisplay(dblPosition_);
}

void PlaybackController::cmdPrevious_Click() {
  if (mv().dblLastIndex == -1)
    return;
  ForgetFailures();
  dblPosition_ -= 1;
  if (dblPosition_ < 0)
    dblPosition_ = mv().dblLastIndex;
  StartPlay(dblPosition_);
  setDisplay(dblPosition_);
}

void PlaybackController::cmdRd_Click() {
  view_.SetWhenStopTimerEnabled(false);
  if (mv().dblLastIndex != -1) {
    ForgetFailures();
    RandomChoice();
    StartPlay(dblPosition_);
    if (!mv().bPlaying)
      setDisplay(dblPosition_);
  }
  view_.SetWhenStopTimerEnabled(true);
}

void PlaybackController::chkLoop_Click() {
  if (view_.IsLoopChecked())
    view_.UncheckRandom();
}

void PlaybackController::chkRandom_Click() {
  if (view_.IsRandomChecked())
    view_.UncheckLoop();
}

void PlaybackController::timWhenStop_Timer() {
  view_.SetWhenStopTimerEnabled(false);
  if (player_.currentPosition() == player_.selectionEnd() && mv().bPlaying) {
    NextAfterSong();
    StartPlay(dblPosition_);
  }
  view_.SetWhenStopTimerEnabled(true);
}

}  // namespace qvt
