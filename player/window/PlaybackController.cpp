#include "player/window/PlaybackController.h"

#include <QTimer>
#include <bit>
#include <cmath>
#include <random>
#include <utility>

#include "platform/base/Check.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "player/window/TitleScroller.h"
#include "shared/Services.h"

namespace qvt {

const QString PlaybackController::kPlaybackErrorText = QStringLiteral(
    "Error playing file, file type may not be supported or your audio hardware may be locked.");
const QString PlaybackController::kPlaybackErrorTitle = QStringLiteral("Playback Error");

PlaybackController::PlaybackController(MusicVariables& mv, const Services& services,
                                       IPlayerView& view, IMediaPlayer& player)
    : mv_(mv), services_(services), view_(view), player_(player) {
  // How a start that did not play at once ended: the song's load ended well and it plays, or
  // the player failed to play it.
  connect(&player_, &IMediaPlayer::loaded, this, [this] { LoadEnded(false); });
  connect(&player_, &IMediaPlayer::errorOccurred, this, [this] { LoadEnded(true); });
  // A change of the list may change what follows the current song.
  const auto listChanged = [this] { PrepareNextSoon(); };
  connect(&mv_, &QAbstractItemModel::modelReset, this, listChanged);
  connect(&mv_, &QAbstractItemModel::rowsInserted, this, listChanged);
  connect(&mv_, &QAbstractItemModel::rowsRemoved, this, listChanged);
  connect(&mv_, &QAbstractItemModel::dataChanged, this, listChanged);
  connect(&mv_, &QAbstractItemModel::layoutChanged, this, listChanged);
}

PlaybackController::~PlaybackController() = default;

QString PlaybackController::SongPath(double dblIndex) const {
  return mv_.sSongPaths().at(static_cast<std::size_t>(std::llround(dblIndex)));
}

QString PlaybackController::SongName(double dblIndex) const {
  return mv_.sSongNames().at(static_cast<std::size_t>(std::llround(dblIndex)));
}

void PlaybackController::SetPosition(double dblValue) {
  dblPosition_ = dblValue;
  mv_.setCurrentSong(dblValue);
}

QString PlaybackController::LoadedFile() const {
  const QString sFile = player_.fileName();
  return sFile.isEmpty() ? sRestoredFile_ : sFile;
}

void PlaybackController::RestoreResumePoint(const ResumePoint& point) {
  if (!(dblPosition_ >= 0 && dblPosition_ <= mv_.dblLastIndex()))
    return;
  TryStep(lcPlayback(), [&] {
    if (SongPath(dblPosition_) != point.sPath || !player_.fileName().isEmpty())
      return;
    sRestoredFile_ = point.sPath;
    mv_.bResumeFromPosition = true;
    mv_.dResumePosition = point.dSeconds;
  });
}

std::optional<ResumePoint> PlaybackController::CurrentResumePoint() const {
  if (mv_.bPlaying && !player_.fileName().isEmpty())
    return ResumePoint{player_.fileName(), player_.currentPosition()};
  if (!mv_.bPlaying && mv_.bResumeFromPosition && !LoadedFile().isEmpty())
    return ResumePoint{LoadedFile(), mv_.dResumePosition};
  return std::nullopt;
}

void PlaybackController::setDisplay(double intNewPosition) {
  TryStep(lcPlayback(), [&] { view_.SetCurrentSongCaption(SongName(intNewPosition)); });
}

void PlaybackController::StartNewPlay() {
  ForgetFailures();
  if (mv_.dblLastIndex() == -1) {
    view_.SetCurrentSongCaption(QStringLiteral("Ready"));
    player_.stop();
    view_.ShowPlayButtonAsPause(false);
    mv_.bPlaying = false;
    return;
  }
  if (!mv_.bPlaying) {
    SetPosition(0);
    setDisplay(0);
  }
  if (dblPosition_ > mv_.dblLastIndex())
    SetPosition(0);
  TryStep(lcPlayback(), [&] {
    if (SongPath(dblPosition_) != player_.fileName())
      StartPlay(dblPosition_);
  });
}

void PlaybackController::StartPlay(double intPositionX) {
  // A start still loading is superseded; the load under way is this controller's own, which
  // the new start replaces rather than waits for.
  bReplaceLoad_ = bAwaitingLoad_;
  bAwaitingLoad_ = false;
  view_.SetWhenStopTimerEnabled(false);
  if (mv_.dblLastIndex() == -1) {
    if (mv_.bPlaying)
      MsgBox(services_, QStringLiteral("No play list has been made"));
    view_.SetWhenStopTimerEnabled(true);
    return;
  }
  SetPosition(intPositionX);
  TryStep(lcPlayback(), [&] {
    if (SongPath(dblPosition_) != LoadedFile())
      mv_.bResumeFromPosition = false;
  });
  if (mv_.bListWindowOpen)
    view_.ResetListView();
  attemptsLeft_ = kStartAttempts;
  ++startNumber_;
  RunAttempts();
}

// Start attempts until one succeeds or none is left. An attempt whose song does not play at once
// is decided by what the player tells next (LoadEnded); the end-of-song timer stays off until
// then, as a song that is not loaded yet reads position and end alike.
void PlaybackController::RunAttempts() {
  const uint64_t start = startNumber_;
  bool bAttemptFailed = true;
  while (attemptsLeft_ > 0 && bAttemptFailed) {
    --attemptsLeft_;
    bAttemptFailed = StartAttempt();
    if (bAwaitingLoad_) {
      bAwaitedAttemptFailed_ = bAttemptFailed;
      return;
    }
    if (bAttemptFailed)
      GlobalMethods::YieldIfLowPriority(services_, mv_);
    if (start != startNumber_)
      return;  // a start begun meanwhile (the event loop ran) replaces this one
  }
  FinishStart(bAttemptFailed);
}

// The outcome of the attempt whose song did not play at once: the player's failure counts as an
// error raised by Play in that attempt, and the attempts go on from there. What the player
// tells while no attempt waits (a load of a song that played at once, a song failing midway)
// decides nothing.
void PlaybackController::LoadEnded(bool bFailed) {
  if (!bAwaitingLoad_)
    return;
  bAwaitingLoad_ = false;
  if (!bFailed)
    view_.SetCurrentSongCaption(awaitedCaption_);
  if (!bFailed && !bAwaitedAttemptFailed_) {
    FinishStart(false);
    return;
  }
  const uint64_t start = startNumber_;
  GlobalMethods::YieldIfLowPriority(services_, mv_);
  if (start == startNumber_)
    RunAttempts();
}

void PlaybackController::FinishStart(bool bAttemptFailed) {
  if (bAttemptFailed) {
    HandleBadSong();
    return;
  }
  if (mv_.bPlaying)
    ForgetFailures();
  TryStep(lcPlayback(), [&] {
    view_.SetTextSliderEnabled(TitleScroller::NeedsScrolling(SongName(dblPosition_)));
  });
  view_.SetWhenStopTimerEnabled(true);
  PrepareNext();
}

bool PlaybackController::NextStillHolds() const {
  return next_ && next_->dblFrom == dblPosition_ && next_->bLoop == view_.IsLoopChecked() &&
         next_->bRandom == view_.IsRandomChecked() && next_->list == mv_.version();
}

// The choice is the one the end of the song would make (next after a song).
void PlaybackController::PrepareNext() {
  if (!mv_.bPlaying || mv_.dblLastIndex() < 0) {
    next_.reset();
    player_.setNextFileName(QString());
    return;
  }
  if (!NextStillHolds()) {
    NextSong next{dblPosition_, view_.IsLoopChecked(), view_.IsRandomChecked(), mv_.version(),
                  dblPosition_};
    if (next.bRandom) {
      next.dblIndex = RandomIndexAfter(dblPosition_);
    } else if (!next.bLoop) {
      next.dblIndex = dblPosition_ + 1 > mv_.dblLastIndex() ? 0 : dblPosition_ + 1;
    }
    next_ = next;
  }
  TryStep(lcPlayback(), [&] { player_.setNextFileName(SongPath(next_->dblIndex)); });
}

// Once the event loop has run what is queued: a list change comes as many small ones.
void PlaybackController::PrepareNextSoon() {
  if (std::exchange(bPrepareNextPosted_, true))
    return;
  QTimer::singleShot(0, this, [this] {
    bPrepareNextPosted_ = false;
    PrepareNext();
  });
}

// One start attempt; true when a statement of it failed.
bool PlaybackController::StartAttempt() {
  if (!mv_.bPlaying) {
    player_.stop();
    return false;
  }
  // The player tells a song that does not play by its error signal (LoadEnded); what fails
  // here is the song's place in the list, which may have changed under the attempts.
  bool bFailed = !TryStep(lcPlayback(), [&] {
    if (ReadyState() == kReadyComplete && ReadyState() != kReadyLoading) {
      LoadAndPlay();
    }
  });
  bFailed |= !TryStep(lcPlayback(), [&] {
    if (ReadyState() == kReadyUninitialized)
      LoadAndPlay();
  });
  if (mv_.bResumeFromPosition) {
    mv_.bResumeFromPosition = false;
    player_.setCurrentPosition(mv_.dResumePosition);
  }
  return bFailed;
}

// The caption shows the song once it plays: at once, or when its load has ended well.
// The player's ready state, where a load this controller started and then gave up counts as
// complete: the Parts wait for loads of their own only while the load blocks the caller.
int32_t PlaybackController::ReadyState() const {
  const int32_t state = player_.readyState();
  return bReplaceLoad_ && state == kReadyLoading ? kReadyComplete : state;
}

void PlaybackController::LoadAndPlay() {
  bReplaceLoad_ = false;
  player_.setFileName(SongPath(dblPosition_));
  const bool bPlays = player_.play();
  // The next song is handed over as the song starts, so that it is ready long before the end.
  PrepareNext();
  if (bPlays) {
    view_.SetCurrentSongCaption(SongName(dblPosition_));
    return;
  }
  bAwaitingLoad_ = true;
  awaitedCaption_ = SongName(dblPosition_);
}

void PlaybackController::HandleBadSong() {
  bool bGiveUp = false;
  if (!GlobalMethods::GetSkipBadSongs(mv_)) {
    bGiveUp = true;
  } else if (!GlobalMethods::SongFileExists(services_, mv_, dblPosition_) &&
             GlobalMethods::GetRemoveBadSongs(mv_)) {
    bGiveUp = GlobalMethods::RemoveBadSong(services_, mv_, dblPosition_);
  } else {
    // A song whose file exists but does not play is skipped, never removed. A removal needs
    // no count: the list shrinks with each one.
    ++failedStarts_;
  }
  if (bGiveUp) {
    ShowPlaybackError();
  } else {
    NextAfterSong();
    if (dblPosition_ > mv_.dblLastIndex())
      SetPosition(0);
  }
  mv_.bPlaying = false;
  view_.SetWhenStopTimerEnabled(true);
  view_.ShowPlayButtonAsPause(false);
  DoEvents(services_);
  if (bGiveUp || bStopPressed_)
    return;
  if (mv_.dblLastIndex() >= 0 && failedStarts_ > mv_.dblLastIndex()) {
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
  if (bStopPressed_ || mv_.bPlaying)
    return;
  cmdPlay_Click();
}

void PlaybackController::ShowPlaybackError() {
  MsgBox(services_, kPlaybackErrorText, MsgButtons::OkOnly, MsgIcon::Critical, kPlaybackErrorTitle,
         1, true);
}

void PlaybackController::NextInOrder() {
  dblPosition_ += 1;
  if (dblPosition_ > mv_.dblLastIndex())
    SetPosition(0);
}

void PlaybackController::NextAfterSong() {
  if (view_.IsRandomChecked()) {
    RandomChoice();
  } else if (!view_.IsLoopChecked()) {
    NextInOrder();
  }
}

void PlaybackController::RandomChoice() {
  SetPosition(RandomIndexAfter(dblPosition_));
}

double PlaybackController::RandomIndexAfter(double dblPrevious) const {
  if (mv_.dblLastIndex() + 1 < 2)
    return 0;
  const double seed = systemClock(services_).secondsSinceMidnight();
  std::mt19937_64 generator(std::bit_cast<uint64_t>(seed));
  std::uniform_real_distribution<double> rnd(0.0, 1.0);
  double dblIndex = dblPrevious;
  do {
    dblIndex = std::floor((mv_.dblLastIndex() + 1) * rnd(generator));
  } while (dblIndex == dblPrevious);
  return dblIndex;
}

void PlaybackController::cmdPlay_Click() {
  bStopPressed_ = false;
  if (mv_.dblLastIndex() == -1)
    return;
  if (mv_.bPlaying) {
    view_.ShowPlayButtonAsPause(false);
    mv_.dResumePosition = player_.currentPosition();
    player_.stop();
    mv_.bResumeFromPosition = true;
    mv_.bPlaying = false;
    return;
  }
  mv_.bPlaying = true;
  view_.ShowPlayButtonAsPause(true);
  StartPlay(dblPosition_);
}

void PlaybackController::cmdStop_Click() {
  ForgetFailures();
  mv_.bPlaying = false;
  player_.stop();
  player_.setCurrentPosition(player_.selectionStart());
  view_.ShowPlayButtonAsPause(false);
  bStopPressed_ = true;
  mv_.bResumeFromPosition = false;
}

void PlaybackController::cmdNext_Click() {
  if (mv_.dblLastIndex() == -1)
    return;
  ForgetFailures();
  NextInOrder();
  StartPlay(dblPosition_);
  setDisplay(dblPosition_);
}

void PlaybackController::cmdPrevious_Click() {
  if (mv_.dblLastIndex() == -1)
    return;
  ForgetFailures();
  dblPosition_ -= 1;
  if (dblPosition_ < 0)
    SetPosition(mv_.dblLastIndex());
  StartPlay(dblPosition_);
  setDisplay(dblPosition_);
}

void PlaybackController::cmdRd_Click() {
  view_.SetWhenStopTimerEnabled(false);
  if (mv_.dblLastIndex() != -1) {
    ForgetFailures();
    RandomChoice();
    StartPlay(dblPosition_);
    if (!mv_.bPlaying)
      setDisplay(dblPosition_);
  }
  view_.SetWhenStopTimerEnabled(true);
}

void PlaybackController::chkLoop_Click() {
  if (view_.IsLoopChecked())
    view_.UncheckRandom();
  PrepareNext();
}

void PlaybackController::chkRandom_Click() {
  if (view_.IsRandomChecked())
    view_.UncheckLoop();
  PrepareNext();
}

void PlaybackController::timWhenStop_Timer() {
  view_.SetWhenStopTimerEnabled(false);
  if (player_.currentPosition() == player_.selectionEnd() && mv_.bPlaying) {
    // The song handed to the media player ahead of time, unless what it rested on changed.
    if (NextStillHolds()) {
      SetPosition(next_->dblIndex);
    } else {
      NextAfterSong();
    }
    StartPlay(dblPosition_);
  }
  view_.SetWhenStopTimerEnabled(true);
}

}  // namespace qvt
