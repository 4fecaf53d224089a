#include "platform/fakes/FakeMediaPlayer.h"

#include <QTimer>
#include <algorithm>
#include <cmath>
#include <utility>

#include "platform/Platform.h"

namespace qvt {

FakeMediaPlayer::~FakeMediaPlayer() {
  if (factory_ != nullptr)
    factory_->forget(this);
}

void FakeMediaPlayer::record(const QString& call) {
  calls << call;
  if (onCall)
    onCall(call);
}

void FakeMediaPlayer::setNextFileName(const QString& path) {
  nextFile = path;
  nextFilesWritten << path;
}

void FakeMediaPlayer::playToEnd() {
  soundingNext_ = std::exchange(nextFile, QString());
  position = selectionEnd();
  state = kPlayStopped;
  post([this] { Q_EMIT ended(); });
}

void FakeMediaPlayer::post(std::function<void()> notify, int delayMs) {
  QTimer::singleShot(delayMs, &receiver_, [this, notify = std::move(notify), load = loadNumber_] {
    if (load == loadNumber_)
      notify();
  });
}

// How the load ended is decided when it is told: a play that failed meanwhile makes it the
// failure, so that each load ends in one signal.
void FakeMediaPlayer::announceLoad() {
  loadFailed_ = failingFiles.contains(file);
  invalid = loadFailed_;
  endPending_ = true;
  endFails_ = loadFailed_;
  post([this, seconds = length] {
    endPending_ = false;
    if (endFails_) {
      Q_EMIT errorOccurred(errorKind, errorText);
      return;
    }
    Q_EMIT durationChanged(seconds);
    Q_EMIT loaded();
  });
}

// A play that did not start: told once, by the end of its load while that is still to be told,
// else by a signal of its own; never again for a media already invalid.
void FakeMediaPlayer::failPlay() {
  ++failedPlays;
  state = kPlayStopped;
  record(QStringLiteral("play!"));
  if (!std::exchange(invalid, true))
    tellFailure();
}

void FakeMediaPlayer::tellFailure() {
  if (endPending_) {
    endFails_ = true;
    return;
  }
  post([this] { Q_EMIT errorOccurred(errorKind, errorText); });
}

void FakeMediaPlayer::setFileName(const QString& path) {
  file = path;
  fileNamesWritten << path;
  position = 0.0;
  length = failingFiles.contains(path) ? 0.0 : durations.value(path, defaultDuration);
  state = kPlayStopped;
  playWhenLoaded_ = false;
  loadFailed_ = false;
  invalid = false;
  endPending_ = false;
  endFails_ = false;
  const uint64_t load = ++loadNumber_;
  const bool goesOn = !path.isEmpty() && std::exchange(soundingNext_, QString()) == path;
  nextFile.clear();
  loading = loadDelayMs >= 0 && !goesOn;
  if (loading) {
    QTimer::singleShot(loadDelayMs, &receiver_, [this, load] { endLoad(load); });
  } else {
    announceLoad();
  }
  record(QStringLiteral("fileName=") + path);
}

void FakeMediaPlayer::endLoad(uint64_t load) {
  if (load != loadNumber_)
    return;
  loading = false;
  announceLoad();
  if (!playWhenLoaded_)
    return;
  playWhenLoaded_ = false;
  if (playFails()) {
    failPlay();
    return;
  }
  ++plays;
  record(QStringLiteral("play"));
  playOut();
}

bool FakeMediaPlayer::playFails() {
  if (loadFailed_)
    return true;
  if (failNextPlays > 0) {
    --failNextPlays;
    return true;
  }
  return failAllPlays;
}

bool FakeMediaPlayer::play() {
  if (loading) {
    playWhenLoaded_ = true;
    state = kPlayPlaying;
    return false;
  }
  if (playFails()) {
    failPlay();
    return false;
  }
  ++plays;
  invalid = false;
  state = kPlayPlaying;
  record(QStringLiteral("play"));
  playOut();
  return true;
}

void FakeMediaPlayer::playOut() {
  if (playOutMs < 0)
    return;
  post(
      [this, play = plays] {
        if (state == kPlayPlaying && plays == play)
          playToEnd();
      },
      playOutMs);
}

void FakeMediaPlayer::stop() {
  ++stops;
  state = kPlayStopped;
  record(QStringLiteral("stop"));
}

void FakeMediaPlayer::pause() {
  ++pauses;
  state = kPlayPaused;
  record(QStringLiteral("pause"));
}

void FakeMediaPlayer::setCurrentPosition(double seconds) {
  if (!std::isfinite(seconds))
    return;
  seeks.push_back(seconds);
  position = seconds;
  post([this, seconds] { Q_EMIT positionChanged(seconds); });
  record(QStringLiteral("position=") + QString::number(seconds, 'g', 17));
}

int32_t FakeMediaPlayer::mediaStatus() const {
  if (loading)
    return kMediaLoading;
  if (invalid)
    return kMediaInvalid;
  return file.isEmpty() ? kMediaNoMedia : kMediaLoaded;
}

int32_t FakeMediaPlayer::readyState() const {
  if (readyStates.empty())
    return loading ? kReadyLoading : idleReadyState;
  const int32_t value = readyStates.front();
  readyStates.pop_front();
  return value;
}

void FakeMediaPlayer::setVolume(int32_t hundredthsDb) {
  volumesWritten.push_back(hundredthsDb);
  level = hundredthsDb;
  record(QStringLiteral("volume=") + QString::number(hundredthsDb));
}

FakeMediaFactory::~FakeMediaFactory() {
  for (FakeMediaPlayer* player : players)
    player->factory_ = nullptr;
}

std::unique_ptr<IMediaPlayer> FakeMediaFactory::create() {
  auto player = std::make_unique<FakeMediaPlayer>();
  player->factory_ = this;
  players.push_back(player.get());
  ++created;
  if (onCreate)
    onCreate(*player);
  return player;
}

void FakeMediaFactory::forget(FakeMediaPlayer* player) {
  players.erase(std::remove(players.begin(), players.end(), player), players.end());
}

}  // namespace qvt
