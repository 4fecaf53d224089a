#pragma once
// The quick play window as the desktop's media controls see it (Mpris.h): its Play, Pause and
// Stop buttons (only while enabled), its position slider and its volume control, used as a
// user would. It plays one file, so there is no next or previous song.

#include "player/window/frmMusicMpris.h"

namespace qvt {

class frmQMusic;

class frmQMusicMpris : public WindowMprisTarget {
 public:
  explicit frmQMusicMpris(frmQMusic& window);

  MprisState State() const override;
  qint64 PositionUs() const override;
  void Play() override;
  void Pause() override;
  void PlayPause() override;
  void Stop() override;
  void Next() override {}
  void Previous() override {}
  void SeekTo(qint64 iPositionUs) override;
  void SetVolume(double dVolume) override;

 private:
  frmQMusic& window_;
};

}  // namespace qvt
