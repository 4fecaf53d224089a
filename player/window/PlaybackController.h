#pragma once
// The playback logic of the player window: starting the song at an index with its start
// attempts, play and pause, stop and rewind, next, previous and random songs, the end-of-song
// test, and what happens to a song that cannot be played. The window implements IPlayerView
// for the controls this logic drives; the media player is the window's embedded player.

#include <QObject>
#include <QString>
#include <cstdint>
#include <optional>

#include "platform/Media.h"
#include "player/startup/MusicVariables.h"
#include "player/window/ResumePoint.h"

namespace qvt {

struct Services;

class IPlayerView {
 public:
  virtual ~IPlayerView() = default;
  // cmdPlay shows "&Pause" (tool tip "Pause") while playing, else "&Play" ("Play").
  virtual void ShowPlayButtonAsPause(bool bPause) = 0;
  virtual void SetCurrentSongCaption(const QString& sCaption) = 0;
  virtual bool IsLoopChecked() const = 0;
  virtual bool IsRandomChecked() const = 0;
  // Unchecking only (the other box of the exclusive pair); raises no click.
  virtual void UncheckLoop() = 0;
  virtual void UncheckRandom() = 0;
  virtual void SetWhenStopTimerEnabled(bool bEnabled) = 0;
  virtual void SetTextSliderEnabled(bool bEnabled) = 0;
  // Marks the current song in the list view (called only while it is open).
  virtual void ResetListView() = 0;
};

class PlaybackController : public QObject {
  Q_OBJECT

 public:
  // mv: the play list it plays; it outlives the controller, as do the services it reaches the
  // machine through.
  PlaybackController(MusicVariables& mv, const Services& services, IPlayerView& view,
                     IMediaPlayer& player);
  ~PlaybackController() override;

  // Public operations of the player window.
  void StartNewPlay();
  void StartPlay(double intPositionX);
  void setDisplay(double intNewPosition);
  double Position() const { return dblPosition_; }
  // Also the play list's current song.
  void SetPosition(double dblValue);

  // Where the last run left the current song: while nothing has been loaded since, Play on
  // that song goes on from there as after a pause. A point for another song is ignored.
  void RestoreResumePoint(const ResumePoint& point);
  // Where the current song stands, to go on from after a restart: playing, or paused (also
  // a point restored and not yet played); nothing when stopped.
  std::optional<ResumePoint> CurrentResumePoint() const;

  // Event handlers.
  void cmdPlay_Click();
  void cmdStop_Click();
  void cmdNext_Click();
  void cmdPrevious_Click();
  void cmdRd_Click();
  void chkLoop_Click();
  void chkRandom_Click();
  void timWhenStop_Timer();

  // The maximum number of start attempts for one song.
  static constexpr int kStartAttempts = 50;
  static const QString kPlaybackErrorText;
  static const QString kPlaybackErrorTitle;

 private:
  void RunAttempts();
  bool StartAttempt();
  void LoadAndPlay();
  void LoadEnded(bool bFailed);
  int32_t ReadyState() const;
  void FinishStart(bool bAttemptFailed);
  void HandleBadSong();
  void ShowPlaybackError();
  void NextInOrder();
  void NextAfterSong();
  void RandomChoice();
  double RandomIndexAfter(double dblPrevious) const;
  // Hands the song that follows the current one to the media player ahead of time, so that
  // the two join without a gap (only while playing; otherwise none).
  void PrepareNext();
  void PrepareNextSoon();
  bool NextStillHolds() const;
  void AutomaticPlay();
  void ForgetFailures() { failedStarts_ = 0; }
  QString SongPath(double dblIndex) const;
  QString SongName(double dblIndex) const;
  // The player's file; before anything is loaded, the file of a restored resume point.
  QString LoadedFile() const;

  MusicVariables& mv_;
  const Services& services_;
  IPlayerView& view_;
  IMediaPlayer& player_;
  double dblPosition_ = 0;
  bool bStopPressed_ = false;
  // Songs skipped after failing to start, one after another, since the last successful start
  // or user action. Once there have been as many as the list has songs, the chain of automatic
  // starts stops: counting attempts, not paths, also ends a chain that keeps coming back to the
  // same song (loop, a path listed twice).
  double failedStarts_ = 0;
  int attemptsLeft_ = 0;
  // The last start attempt played a song that did not play at once; what the player tells
  // next (loaded, or its error) decides it.
  bool bAwaitingLoad_ = false;
  bool bAwaitedAttemptFailed_ = false;  // another statement of that attempt failed
  bool bReplaceLoad_ = false;           // the player is loading a superseded start of ours
  QString awaitedCaption_;
  uint64_t startNumber_ = 0;  // counts StartPlay calls
  QString sRestoredFile_;     // the song of a restored resume point
  // The song chosen to follow the current one when it plays out, and what the choice rested
  // on: in random order it is drawn when the current song starts, and drawn again only when
  // the song, the options or the list change.
  struct NextSong {
    double dblFrom = 0;
    bool bLoop = false;
    bool bRandom = false;
    PlayListVersion list;
    double dblIndex = 0;
  };
  std::optional<NextSong> next_;
  bool bPrepareNextPosted_ = false;
};

}  // namespace qvt
