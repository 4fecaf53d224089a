#pragma once
// A scriptable media player for tests of the player logic, and the factory that hands it out.
//
//   qvt::FakeMediaFactory media;  // installs itself as platform().media until destroyed
//   media.onCreate = [](qvt::FakeMediaPlayer& p) { p.failingFiles << "/songs/bad.mp3"; };
//   ... code under test creates its player and plays ...
//   qvt::FakeMediaPlayer& player = *media.last();
//   EXPECT_EQ(player.fileNamesWritten, QStringList{"/songs/a.mp3"});
//   player.playToEnd();  // the song has played out
//
// Loads end at once unless loadDelayMs is 0 or more: a load then ends from the event loop that
// many milliseconds later, and play() answers false meanwhile, as from the libmpv player. The
// signals come from the event loop: each load ends in loaded, or in errorOccurred for a file of
// failingFiles or when a play of it failed before the end was told; a scripted failing play
// told of no other way is an errorOccurred of its own; ended follows playToEnd() or, with
// playOutMs 0 or more, comes that many milliseconds after a play.

#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <optional>
#include <vector>

#include "platform/Media.h"
#include "platform/fakes/ScopedPlatform.h"

namespace qvt {

class FakeMediaFactory;

class FakeMediaPlayer : public IMediaPlayer {
 public:
  FakeMediaPlayer() = default;
  ~FakeMediaPlayer() override;
  FakeMediaPlayer(const FakeMediaPlayer&) = delete;
  FakeMediaPlayer& operator=(const FakeMediaPlayer&) = delete;

  // ---- script ----
  // Values readyState() returns, one per call; when none is left, idleReadyState.
  mutable std::deque<int32_t> readyStates;
  int32_t idleReadyState = kReadyComplete;
  // play() fails while failNextPlays is above 0 (one less per call) or when failAllPlays is
  // set; the load of a file of failingFiles fails, and so does every play of it, telling
  // nothing more. A failure is told as errorOccurred(errorKind, errorText).
  int failNextPlays = 0;
  bool failAllPlays = false;
  QStringList failingFiles;
  MediaErrorKind errorKind = kMediaFormatError;
  QString errorText = QStringLiteral("Cannot play the file.");
  // The duration a file gets when its name is written: its entry here, else defaultDuration;
  // a file of failingFiles gets 0.
  QMap<QString, double> durations;
  double defaultDuration = 180.0;
  // Below 0: a load ends inside setFileName. Otherwise it ends that many ms later.
  int loadDelayMs = -1;
  // Below 0: a song plays until playToEnd(). Otherwise it plays out that many ms after play().
  int playOutMs = -1;

  // ---- live values (tests may set them at any time) ----
  QString file;
  double position = 0.0;
  double length = 0.0;             // duration of the loaded file
  double rangeStart = 0.0;         // selectionStart
  std::optional<double> rangeEnd;  // selectionEnd; unset: the duration
  int32_t state = kPlayStopped;    // play state
  int32_t level = 0;               // volume, hundredths of a decibel
  bool loading = false;            // a delayed load is under way
  bool invalid = false;            // the load or a play failed (media status invalid)

  // ---- record ----
  // The file last handed over as the next song (empty: none), and every one handed over.
  QString nextFile;
  QStringList nextFilesWritten;
  // Every call that changes something, in order: "fileName=<path>", "play", "stop", "pause",
  // "position=<seconds>", "volume=<hundredths>". A play that does not start is recorded as
  // "play!". A play that waits for a delayed load is recorded when the load ends.
  QStringList calls;
  QStringList fileNamesWritten;
  int plays = 0;  // successful plays
  int failedPlays = 0;
  int stops = 0;
  int pauses = 0;
  std::vector<double> seeks;
  std::vector<int32_t> volumesWritten;
  // Called after each recorded call, e.g. to let a song end while the code under test waits.
  std::function<void(const QString& call)> onCall;

  // The loaded song has played to its end: position = selection end, play state stopped; the
  // ended signal follows from the event loop. With a next file, that one sounds meanwhile, and
  // writing its name goes on with it: the load ends at once and play() answers true.
  void playToEnd();

  QString fileName() const override { return file; }
  void setFileName(const QString& path) override;
  void setNextFileName(const QString& path) override;
  bool play() override;
  void stop() override;
  void pause() override;
  double currentPosition() const override { return position; }
  void setCurrentPosition(double seconds) override;
  double selectionStart() const override { return rangeStart; }
  double selectionEnd() const override { return rangeEnd.value_or(length); }
  double duration() const override { return length; }
  int32_t readyState() const override;
  int32_t playState() const override { return state; }
  int32_t mediaStatus() const override;
  int32_t volume() const override { return level; }
  void setVolume(int32_t hundredthsDb) override;

 private:
  friend class FakeMediaFactory;
  void record(const QString& call);
  bool playFails();
  void failPlay();
  void tellFailure();
  void endLoad(uint64_t load);
  // Emits from the event loop, unless another file name is written meanwhile.
  void post(std::function<void()> notify, int delayMs = 0);
  void announceLoad();
  void playOut();

  FakeMediaFactory* factory_ = nullptr;
  uint64_t loadNumber_ = 0;
  bool playWhenLoaded_ = false;
  bool loadFailed_ = false;  // the file is one of failingFiles: no play of it starts
  bool endPending_ = false;  // how the load ended is still to be told
  bool endFails_ = false;    // and it is told as a failure
  QString soundingNext_;     // the next file, sounding since the loaded song played out
  QObject receiver_;  // owns the timers of delayed loads: none fires after the player is gone
};

class FakeMediaFactory : public IMediaFactory {
 public:
  // Installs itself as platform().media; the destructor puts the previous table back.
  ~FakeMediaFactory() override;

  // Runs on every new player before it is handed out (to script it).
  std::function<void(FakeMediaPlayer&)> onCreate;
  // The players handed out that still exist, oldest first; a destroyed player leaves the list.
  std::vector<FakeMediaPlayer*> players;
  int created = 0;

  // The newest player that still exists, or nullptr.
  FakeMediaPlayer* last() const { return players.empty() ? nullptr : players.back(); }

  std::unique_ptr<IMediaPlayer> create() override;

 private:
  friend class FakeMediaPlayer;
  void forget(FakeMediaPlayer* player);

  ScopedPlatform scope_{&Platform::media, this};
};

}  // namespace qvt
