#pragma once
// The desktop's media controls (MPRIS 2.2 on the D-Bus session bus): media keys, the panel's
// player applet and tools such as playerctl reach the open window through here.
//
// The program owns "org.mpris.MediaPlayer2.quavertone" (a second running copy adds
// ".instance<pid>") and serves /org/mpris/MediaPlayer2 with the root and Player interfaces.
// Each window that can play registers itself as a target; the player window is served while
// it is open, quick play while it is the only one. Every method runs, from the event loop, the
// target's own control (the same click a user makes), so messages and effects are the
// window's. The state is read again after every action and whenever the window tells of a
// change (nothing is polled); what changed is signalled with PropertiesChanged, and a move of
// the position other than by playing with Seeked. The position itself is read on demand.
//
// Without a session bus nothing is served and nothing is said.

#include <QString>
#include <QtGlobal>
#include <memory>
#include <utility>
#include <vector>

class QDBusConnection;

namespace qvt {

struct MprisState {
  QString sStatus = QStringLiteral("Stopped");  // "Playing", "Paused" or "Stopped"
  qint64 iTrack = -1;                           // the song's index in the list; -1: none
  QString sTitle;
  QString sPath;
  qint64 iLengthUs = 0;  // 0 while unknown
  double dVolume = 1;    // 0 (silent) to 1 (full)
  bool bCanGoNext = false;
  bool bCanGoPrevious = false;
  bool bCanPlay = false;
  bool bCanPause = false;
  bool bCanSeek = false;
  bool bShuffle = false;                         // songs in random order
  QString sLoopStatus = QStringLiteral("None");  // "None", "Track" or "Playlist"
  bool operator==(const MprisState&) const = default;
};

// A window as the media controls see it. Each action is what the window's matching control
// does.
class IMprisTarget {
 public:
  virtual ~IMprisTarget() = default;
  virtual MprisState State() const = 0;
  virtual qint64 PositionUs() const = 0;
  virtual void Play() = 0;
  virtual void Pause() = 0;
  virtual void PlayPause() = 0;
  virtual void Stop() = 0;
  virtual void Next() = 0;
  virtual void Previous() = 0;
  // To a position within the song (only while the state says bCanSeek).
  virtual void SeekTo(qint64 iPositionUs) = 0;
  virtual void SetVolume(double dVolume) = 0;
  // Random order and looping, pressed as their boxes would be; a window without them ignores
  // them.
  virtual void SetShuffle(bool bShuffle) { (void)bShuffle; }
  virtual void SetLoopStatus(const QString& sLoopStatus) { (void)sLoopStatus; }
  virtual void Raise() = 0;
  virtual void Quit() = 0;
  // False while a modal box keeps the user from the window's controls: actions are then
  // dropped, as clicks on the window would be.
  virtual bool AcceptsInput() const = 0;
};

namespace Mpris {

inline constexpr char kBusName[] = "org.mpris.MediaPlayer2.quavertone";
inline constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";

// Targets of a higher rank are served first; of equal rank, the latest.
inline constexpr int kRankQuickPlay = 1;
inline constexpr int kRankPlayerWindow = 2;

// The status a window's transport buttons show: playing; paused when the next Play resumes
// where it halted; else stopped.
QString PlaybackStatus(bool bPlaying, bool bResumeFromPosition);
// The object path that stands for a song index in mpris:trackid.
QString TrackId(qint64 iTrack);

}  // namespace Mpris

class MprisService;

// The media controls of one run of the program, which its start-up owns: the windows that can
// play attach to it while they live.
class MprisHub {
 public:
  MprisHub();
  ~MprisHub();
  MprisHub(const MprisHub&) = delete;
  MprisHub& operator=(const MprisHub&) = delete;

  // Serves on the session bus `bus` (platform/linux/LinuxSessionBus.h) from now on; false when
  // it is not connected (the program then runs without media controls).
  bool Install(const QDBusConnection& bus);
  void Attach(IMprisTarget* target, int iRank);
  void Detach(IMprisTarget* target);
  // Reads the served target's state now and signals what changed.
  void Refresh();
  // Something the state shows may have changed: it is read once the event loop has run what is
  // queued now (one read for any number of calls).
  void Changed();
  // The target's song moved other than by playing (a seek, a resume): signalled as Seeked while
  // that target is served and its song is not stopped.
  void PositionMoved(const IMprisTarget* target);
  // The target served: of the highest rank, of equal rank the latest attached.
  IMprisTarget* Served() const;

 private:
  std::vector<std::pair<IMprisTarget*, int>> targets_;
  std::unique_ptr<MprisService> service_;
};

}  // namespace qvt
