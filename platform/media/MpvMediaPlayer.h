#pragma once
// The media player control over libmpv, audio only.
//
// One instance owns one mpv handle. Every call happens on the thread that created the player
// (the UI thread) and returns without waiting for mpv. mpv's wakeup callback only posts a
// queued call to that thread, which drains mpv's events there and keeps what they tell:
// positions, the duration, the end flag and the pause flag are observed properties. The
// getters read what the drains kept; the signals are posted from the drains, so none is
// emitted inside a call of the player, and a failure is told by errorOccurred alone. The only
// thread the player starts opens and initialises libmpv on first use, and hands the handle back
// through the event loop.
//
// Loads start paused: once a load has ended the play state reads stopped until play(). The
// file stays loaded when a song has played out (keep-open); the position then reads the
// duration exactly. The next song is appended to mpv's play list behind the loaded one, which
// mpv opens ahead of time and joins to it without a gap (gapless audio, play list prefetch).

#include <QObject>
#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <thread>

#include "platform/Media.h"

struct mpv_handle;
struct mpv_event;

namespace qvt {

// Hundredths of a decibel <-> mpv's cubic volume: volume = 100 * 10^(dB / 60).
// The decibel range is -100 dB (-10000) to 0 dB (0); values outside it are clamped.
double MpvVolumeFromHundredthsDb(int32_t hundredthsDb);
int32_t HundredthsDbFromMpvVolume(double volume);

struct MpvAudioConfig {
  QString audioOutput;   // mpv's "ao"; empty: the system's normal output
  bool untimed = false;  // with the null output: play as fast as possible
  QString pcmFile{};     // with the "pcm" output: the file the raw samples are written to

  // From QUAVERTONE_AUDIO: "null" is the null output in real time, "null-fast" the null output
  // untimed, "pcm:FILE" raw 16-bit samples written to FILE as fast as they come; unset or
  // anything else, the normal output.
  static MpvAudioConfig FromEnvironment();
};

class MpvMediaPlayer final : public IMediaPlayer {
 public:
  explicit MpvMediaPlayer(const MpvAudioConfig& config = MpvAudioConfig::FromEnvironment());
  ~MpvMediaPlayer() override;
  MpvMediaPlayer(const MpvMediaPlayer&) = delete;
  MpvMediaPlayer& operator=(const MpvMediaPlayer&) = delete;

  QString fileName() const override { return fileName_; }
  void setFileName(const QString& path) override;
  void setNextFileName(const QString& path) override;
  bool play() override;
  void stop() override;
  void pause() override;
  double currentPosition() const override;
  void setCurrentPosition(double seconds) override;
  double selectionStart() const override { return 0.0; }
  double selectionEnd() const override { return duration(); }
  double duration() const override;
  int32_t readyState() const override;
  int32_t playState() const override;
  int32_t mediaStatus() const override;
  int32_t volume() const override;
  void setVolume(int32_t hundredthsDb) override;

  // Called with the id of every mpv event as it is handled, on the thread that handles it.
  void setEventObserver(std::function<void(int eventId)> observer);

 private:
  enum class Load { Idle, Loading, Loaded, Failed };

  // What is known about the current load, updated from mpv's events.
  struct Track {
    Load load = Load::Idle;
    int64_t entryId = -1;  // mpv's playlist entry of the current load
    bool started = false;  // mpv began this load
    bool fileLoaded = false;
    MediaErrorKind failureKind = kMediaResourceError;
    QString failure;
    std::optional<double> seekWhenLoaded;
  };

  // mpv's observed properties as the last drained events left them.
  struct Observed {
    std::optional<double> timePos;
    double duration = 0.0;
    bool eofReached = false;
    bool paused = true;
    // A seek is under way: the end flag still describes the place left, until mpv restarts
    // playback at the new one.
    bool seeking = false;
    bool halted = false;  // paused by the player while it played: the position is known
  };

  // A position written while no file was loaded; it starts the next load of that file.
  struct PendingStart {
    QString path;
    double seconds = 0.0;
  };

  // The loaded song played out and mpv went on with the next one, whose file name has not
  // been written yet: the player still reads as the old song at its end.
  struct Handover {
    QString path;
    double duration = 0.0;  // of the song that played out
  };

  // A file name written while the backend was starting; loaded once it runs.
  struct DeferredLoad {
    QString path;
    std::optional<double> start;
  };

  enum class Backend { Unstarted, Starting, Running, Failed };

  static void OnWakeup(void* self);
  void ensureStarted();
  void adoptBackend();
  void beginLoad(const QString& path, std::optional<double> start, bool resume);
  void postDrain();
  void drainPending();
  void handleEvent(const mpv_event& event);
  void handleProperty(const mpv_event& event);
  void handleEndFile(const mpv_event& event);
  void handleRestart();
  void completeLoad();
  void fail(MediaErrorKind kind, const QString& reason);
  void tellFailure();
  void noteEnd();
  // Runs `notify` from the event loop, unless another file name was written meanwhile.
  void post(std::function<void()> notify);
  int64_t startLoad(const QString& absolutePath, std::optional<double> start,
                    const char* flags = "replace");
  void queueNext();
  void handOver();
  bool goOnWithNext(const QString& path);
  bool seekTo(double seconds);
  bool playedOut() const;
  bool isLoaded() const { return handle_ != nullptr && track_.load == Load::Loaded; }
  bool currentFileEvent() const;
  std::optional<double> doubleProperty(const char* name) const;
  bool flagProperty(const char* name) const;
  void setPaused(bool paused);

  mpv_handle* handle_ = nullptr;
  QString fileName_;
  int32_t volume_ = 0;
  bool volumeSet_ = false;  // a volume was written (applied when the backend starts)
  MpvAudioConfig config_;
  Backend backend_ = Backend::Unstarted;
  std::thread starter_;                  // opens libmpv; joined before its handle is used
  mpv_handle* startedHandle_ = nullptr;  // written by starter_, taken over by adoptBackend
  std::optional<DeferredLoad> deferredLoad_;
  int32_t playState_ = kPlayStopped;
  Track track_;
  Observed observed_;
  uint64_t loadNumber_ = 0;  // counts the file names written; a report of an older load is dropped
  std::optional<PendingStart> pendingStart_;
  QString nextPath_;          // the next song as last written
  int64_t nextEntryId_ = -1;  // its entry in mpv's play list, once appended
  std::optional<Handover> handover_;
  std::function<void(int)> observer_;
  std::atomic<bool> drainPosted_{false};
  // Lives in the creating thread and receives the queued drains. Declared last so that it is
  // destroyed first among the members, after the handle is gone: destroying it discards drains
  // still queued, so none runs after the player is gone.
  QObject receiver_;
};

}  // namespace qvt
