#include "platform/fakes/FakeMediaPlayer.h"

#include <QTimer>
#include <algorithm>
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

void FakeMediaPlayer::announceLoad() {
  if (failingFiles.contains(file)) {
    post([this] { Q_EMIT failed(errorText); });
    return;
  }
  post([this, seconds = length] {
    Q_EMIT durationChanged(seconds);
    Q_EMIT loaded();
  });
}

void FakeMediaPlayer::setFileName(const QString& path) {
  file = path;
  fileNamesWritten << path;
  position = 0.0;
  length = failingFiles.contains(path) ? 0.0 : durations.value(path, defaultDuration);
  state = kPlayStopped;
  playWhenLoaded_ = false;
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
    state = kPlayStopped;
    failPlay();
    reportLoadEnd(errorText);
    return;
  }
  ++plays;
  record(QStringLiteral("play"));
  reportLoadEnd(std::nullopt);
  playOut();
}

void FakeMediaPlayer::failPlay() {
  ++failedPlays;
  record(QStringLiteral("play!"));
}

bool FakeMediaPlayer::playFails() {
  if (failNextPlays > 0) {
    --failNextPlays;
    return true;
  }
  return failAllPlays || failingFiles.contains(file);
}

bool FakeMediaPlayer::play() {
  if (loading) {
    playWhenLoaded_ = true;
    state = kPlayPlaying;
    return false;
  }
  if (playFails()) {
    failPlay();
    throw MediaError(errorText.toStdString());
  }
  ++plays;
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
  seeks.push_back(seconds);
  position = seconds;
  post([this, seconds] { Q_EMIT positionChanged(seconds); });
  record(QStringLiteral("position=") + QString::number(seconds, 'g', 17));
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
