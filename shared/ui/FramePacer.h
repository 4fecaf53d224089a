#pragma once
// Paints a window at most once per screen frame. Long operations change a progress window's
// text up to hundreds of thousands of times; each change is applied at once, but the window's
// update requests are held back while its last paint is less than a frame ago, and one request
// at the end of the frame paints everything changed meanwhile. Exposure by the window system
// is painted at once as usual.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

class QWidget;

namespace qvt {

class FramePacer : public QObject {
  Q_OBJECT

 public:
  static constexpr int kFrameMs = 16;

  // Paces `window`, a top-level widget, which also owns the pacer.
  explicit FramePacer(QWidget* window);

  // Repaints the window now, or at the end of the current frame.
  void refresh();

  // Paints let through so far.
  int paints() const { return iPaints_; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void endFrame();

  QWidget* window_;
  QElapsedTimer sincePaint_;
  QTimer frameEnd_;
  bool bPassing_ = false;
  int iPaints_ = 0;
};

}  // namespace qvt
