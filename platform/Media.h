#pragma once
// The media player control that the player and quick play windows embed: load a file, play,
// pause, stop, positions, ready and play state, volume in hundredths of a decibel.

#include <QObject>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>

namespace qvt {

// Raised by the media player when an operation fails (for example Play on a file that cannot
// be played). what() is the description shown to the user.
class MediaError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
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
class IMediaPlayer : public QObject {
  Q_OBJECT

 public:
  // How a play() that returned before its file was loaded ended: nothing when the song
  // started, else the description of the failure (the text play() throws for it).
  using LoadEndHandler = std::function<void(const std::optional<QString>& failure)>;

  virtual ~IMediaPlayer() = default;

  // Writing the file name starts loading the file and returns at once; readyState() reads
  // kReadyLoading until the load has ended, loaded or failed. Reading gives back the text last
  // written.
  virtual QString fileName() const = 0;
  virtual void setFileName(const QString& path) = 0;

  // The song to go on with when the loaded one plays out, handed to the backend ahead of time
  // so that the two join without a gap; empty for none. Writing it again replaces it. When the
  // loaded song plays out while it plays, the next one sounds at once, but the player still
  // reads as the old song ended (ended signal, stopped at its end) until the next one's file
  // name is written: that write then goes on with the song already sounding instead of
  // loading it again (and a failure of it is known to play() as of any load). Any other file
  // name written drops it.
  virtual void setNextFileName(const QString& path) = 0;

  // Starts or continues the file. True when it plays now. False when the file is still
  // loading: it starts once loaded, and the load-end handler learns how that went. Throws
  // MediaError when the file is known to be unplayable or the backend could not start.
  virtual bool play() = 0;
  // Halts playback; the file stays loaded and the play state reads stopped.
  virtual void stop() = 0;
  // Halts playback, ready to continue.
  virtual void pause() = 0;

  // Seconds. Writing seeks.
  virtual double currentPosition() const = 0;
  virtual void setCurrentPosition(double seconds) = 0;
  // The play range: the whole file, as no range is ever set. Once playback has run to the
  // end, currentPosition() equals selectionEnd() exactly.
  virtual double selectionStart() const = 0;
  virtual double selectionEnd() const = 0;
  virtual double duration() const = 0;

  virtual int32_t readyState() const = 0;  // MediaReadyState
  virtual int32_t playState() const = 0;   // MediaPlayState

  // Hundredths of a decibel: 0 is full volume, negative is quieter.
  virtual int32_t volume() const = 0;
  virtual void setVolume(int32_t hundredthsDb) = 0;

  // Called from the event loop, never inside a call of the player, once for every play() that
  // answered false, unless a file name is written again before its load ends.
  void setLoadEndHandler(LoadEndHandler handler) { loadEndHandler_ = std::move(handler); }

 Q_SIGNALS:
  // The load of the file ended well: it can play, and its duration is known.
  void loaded();
  // The load of the file ended in failure; the description of it.
  void failed(const QString& reason);
  // The song played to its end and its sound is out: the play state reads stopped and the
  // position reads the end of the range.
  void ended();
  // The position moved other than by playing: a seek, a rewind or a start position took
  // effect. Playing itself moves the position without a signal; read it when needed.
  void positionChanged(double seconds);
  void durationChanged(double seconds);

 protected:
  void reportLoadEnd(const std::optional<QString>& failure) const {
    if (loadEndHandler_)
      loadEndHandler_(failure);
  }

 private:
  LoadEndHandler loadEndHandler_;
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
