#pragma once
// The player window as the desktop's media controls see it (Mpris.h): its play, stop, next
// and previous buttons and its volume slider, clicked and moved as a user would. The window
// has no position control, so the controls cannot seek.

#include "player/window/Mpris.h"

namespace qvt {

class frmMusic;

// Whether a modal box is up (it blocks every window's controls).
bool ModalBoxShown();

class frmMusicMpris : public IMprisTarget {
 public:
  explicit frmMusicMpris(frmMusic& window);
  ~frmMusicMpris() override;

  MprisState State() const override;
  qint64 PositionUs() const override;
  void Play() override;
  void Pause() override;
  void PlayPause() override;
  void Stop() override;
  void Next() override;
  void Previous() override;
  void SeekTo(qint64 iPositionUs) override { (void)iPositionUs; }
  void SetVolume(double dVolume) override;
  void Raise() override;
  void Quit() override;
  bool AcceptsInput() const override { return !ModalBoxShown(); }

 private:
  frmMusic& window_;
};

}  // namespace qvt
