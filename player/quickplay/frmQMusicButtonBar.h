#pragma once
// The quick play window's row of Play, Pause and Stop buttons. The window sets which buttons
// are enabled; each button raises its own click signal. It never plays anything itself.

#include <QWidget>

class QPushButton;

namespace qvt {

class MMButtonBar : public QWidget {
  Q_OBJECT

 public:
  explicit MMButtonBar(QWidget* parent = nullptr);

  bool PlayEnabled() const;
  void SetPlayEnabled(bool enabled);
  bool PauseEnabled() const;
  void SetPauseEnabled(bool enabled);
  bool StopEnabled() const;
  void SetStopEnabled(bool enabled);
  // All three at once, in the order Play, Pause, Stop.
  void SetStates(bool play, bool pause, bool stop);

  QPushButton* playButton() const { return play_; }
  QPushButton* pauseButton() const { return pause_; }
  QPushButton* stopButton() const { return stop_; }

 Q_SIGNALS:
  void PlayClick();
  void PauseClick();
  void StopClick();

 private:
  QPushButton* play_;
  QPushButton* pause_;
  QPushButton* stop_;
};

}  // namespace qvt
