#include "shared/ui/FramePacer.h"

#include <QCoreApplication>
#include <QEvent>
#include <QWidget>

namespace qvt {

FramePacer::FramePacer(QWidget* window) : QObject(window), window_(window) {
  frameEnd_.setSingleShot(true);
  connect(&frameEnd_, &QTimer::timeout, this, &FramePacer::endFrame);
  window->installEventFilter(this);
}

void FramePacer::refresh() {
  window_->repaint();
}

bool FramePacer::eventFilter(QObject* watched, QEvent* event) {
  if (watched != window_ || event->type() != QEvent::UpdateRequest || bPassing_)
    return false;
  // Held back: the window keeps its changes marked, and the end of the frame paints them.
  if (frameEnd_.isActive())
    return true;
  const qint64 msSincePaint = sincePaint_.isValid() ? sincePaint_.elapsed() : kFrameMs;
  if (msSincePaint < kFrameMs) {
    frameEnd_.start(static_cast<int>(kFrameMs - msSincePaint));
    return true;
  }
  sincePaint_.restart();
  ++iPaints_;
  return false;
}

void FramePacer::endFrame() {
  sincePaint_.restart();
  ++iPaints_;
  bPassing_ = true;
  QEvent request(QEvent::UpdateRequest);
  QCoreApplication::sendEvent(window_, &request);
  bPassing_ = false;
}

}  // namespace qvt
