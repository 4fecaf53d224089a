#pragma once
// The player window as the desktop's media controls see it (Mpris.h): its play, stop, next
// and previous buttons, its random order and loop boxes and its volume slider, clicked and
// moved as a user would. The window has no position control, but the desktop may still seek
// the song that plays or is paused, through the media player.
//
// Looping maps as the window plays: "Track" while "Loop current song" is checked (the song
// starts again at its end); otherwise "Playlist", since in order or at random the list goes on
// from its start after its last song and never stops by itself. Setting "Track" checks the
// loop box, "Playlist" or "None" unchecks it (and then reads "Playlist"). Shuffle is the
// random order box. Each is pressed as a click would, so checking one unchecks the other.

#include <QPushButton>
#include <QWidget>
#include <functional>
#include <initializer_list>

#include "platform/Media.h"
#include "player/window/Mpris.h"

namespace qvt {

class frmMusic;

// What the media controls do alike with either window: it is served while it lives, a click
// on its transport buttons and what its media player tells (a load, a failure, the end of a
// song, a seek) show on the desktop at once, Raise brings it to the front, Quit closes the
// program as the user would, and nothing is done while a modal box is up.
class WindowMprisTarget : public IMprisTarget {
 public:
  WindowMprisTarget(QWidget& window, int iRank, IMediaPlayer& player,
                    std::initializer_list<QPushButton*> transport, std::function<void()> quit,
                    MprisHub* hub);
  ~WindowMprisTarget() override;
  void Raise() override;
  void Quit() override;
  bool AcceptsInput() const override;

 protected:
  // What the desktop shows may have changed / changed by a click: read again (see MprisHub).
  void Changed() const;
  void Refresh() const;

 private:
  MprisHub* hub_;  // none: the window is not served (no media controls)
  QWidget& widget_;
  std::function<void()> quit_;  // the program's normal close
};

class frmMusicMpris : public WindowMprisTarget {
 public:
  explicit frmMusicMpris(frmMusic& window);

  MprisState State() const override;
  qint64 PositionUs() const override;
  void Play() override;
  void Pause() override;
  void PlayPause() override;
  void Stop() override;
  void Next() override;
  void Previous() override;
  void SeekTo(qint64 iPositionUs) override;
  void SetVolume(double dVolume) override;
  void SetShuffle(bool bShuffle) override;
  void SetLoopStatus(const QString& sLoopStatus) override;

 private:
  frmMusic& window_;
};

}  // namespace qvt
