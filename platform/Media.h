#pragma once
// The media player control that the player and quick play windows embed: load a file, play,
// pause, stop, positions, ready and play state, media status, volume in hundredths of a
// decibel, and the one signal that tells of every failure.

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

namespace qvt {

// Why a load or a play failed, told with a description by the player's errorOccurred signal.
enum MediaErrorKind : int32_t {
  kMediaResourceError = 1,  // no such file, not a file, or no file at all
  kMediaFormatError = 2,    // the file is not a song the backend can play
  kMediaOutputError = 3,    // the audio system or its output could not be started
};

// What the player holds, as QMediaPlayer's media status.
enum MediaStatus : int32_t {
  kMediaNoMedia = 0,  // no file name, or an empty one
  kMediaLoading = 1,  // a load is under way
  kMediaLoaded = 2,   // the file can play (also while it plays, is paused or has played out)
  kMediaInvalid = 3,  // the load or a play of the file failed; errorOccurred told why
};

enum MediaReadyState : int32_t {
  kReadyUninitialized = 0,  // the backend could not start
  kReadyLoading = 1,        // a load is under way
  kReadyComplete = 4,       // idle, or a file is loaded
};

enum MediaPlayState : int32_t {
  kPlayStopped = 0,
  kPlayPaused = 1,
  kPlayPlaying = 2,
};

// No call of a media player waits for the file: writing the file name starts the load and
// returns at once, and play, stop, pause and seeks return at once too. What the player learns
// later reaches the window thread through its event loop, as the signals below, never inside a
// call of the player; a signal about a file arrives only while that file is the one last
// written. The getters read what the signals have told, and never wait for the backend.
//
// Failures have one way to their users: the errorOccurred signal, once for each failure. No
// call throws for a file that cannot be played, and no call tells of a failure by its answer.
// Every load ends in exactly one signal: loaded, or errorOccurred.
class IMediaPlayer : public QObject {
  Q_OBJECT

 public:
  ~IMediaPlayer() override = default;

  // Writing the file name starts loading the file and returns at once; readyState() reads
  // kReadyLoading and mediaStatus() kMediaLoading until the load has ended, loaded or failed.
  // Reading gives back the text last written.
  virtual QString fileName() const = 0;
  virtual void setFileName(const QString& path) = 0;

  // The song to go on with when the loaded one plays out, handed to the backend ahead of time
  // so that the two join without a gap; empty for none. Writing it again replaces it. When the
  // loaded song plays out while it plays, the next one sounds at once, but the player still
  // reads as the old song ended (ended signal, stopped at its end) until the next one's file
  // name is written: that write then goes on with the song already sounding instead of
  // loading it again, and its load ends as any other (loaded, or errorOccurred). Any other
  // file name written drops it.
  virtual void setNextFileName(const QString& path) = 0;

  // Starts or continues the file. True when it plays now. False when it does not play yet:
  // a file still loading starts once loaded (the loaded signal says it plays), and a play
  // that fails is told by errorOccurred. A play of a file whose failure was told already
  // (mediaStatus() reads kMediaInvalid) does nothing and tells nothing again; a play with no
  // file is a failure of its own.
  virtual bool play() = 0;
  // Halts playback; the file stays loaded and the play state reads stopped.
  virtual void stop() = 0;
  // Halts playback, ready to continue.
  virtual void pause() = 0;

  // Seconds. Writing seeks; a position that is no finite number is ignored.
  virtual double currentPosition() const = 0;
  virtual void setCurrentPosition(double seconds) = 0;
  // The play range: the whole file, as no range is ever set. Once playback has run to the
  // end, currentPosition() equals selectionEnd() exactly.
  virtual double selectionStart() const = 0;
  virtual double selectionEnd() const = 0;
  virtual double duration() const = 0;

  virtual int32_t readyState() const = 0;   // MediaReadyState
  virtual int32_t playState() const = 0;    // MediaPlayState; stopped once a failure is known
  virtual int32_t mediaStatus() const = 0;  // MediaStatus

  // Hundredths of a decibel: 0 is full volume, negative is quieter.
  virtual int32_t volume() const = 0;
  virtual void setVolume(int32_t hundredthsDb) = 0;

 Q_SIGNALS:
  // The load of the file ended well: it can play, its duration is known, and a play that
  // waited for the load plays now.
  void loaded();
  // A load or a play failed: why, and its description. The play state reads stopped and the
  // media status invalid.
  void errorOccurred(qvt::MediaErrorKind kind, const QString& text);
  // The song played to its end and its sound is out: the play state reads stopped and the
  // position reads the end of the range.
  void ended();
  // The position moved other than by playing: a seek, a rewind or a start position took
  // effect. Playing itself moves the position without a signal; read it when needed.
  void positionChanged(double seconds);
  void durationChanged(double seconds);
};

class IMediaFactory {
 public:
  virtual ~IMediaFactory() = default;
  virtual std::unique_ptr<IMediaPlayer> create() = 0;
};

// A new media player from the factory of a table handed to the caller.
struct Platform;
std::unique_ptr<IMediaPlayer> CreateMediaPlayer(const Platform& table);

}  // namespace qvt
