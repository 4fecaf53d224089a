#include "shared/ui/ProgressForm.h"

#include <QApplication>
#include <QEvent>
#include <QKeyEvent>

#include "shared/Processor.h"

#include "shared/Twips.h"
#include "shared/ui/FramePacer.h"

namespace qvt {

ProgressForm::ProgressForm(Qt::WindowFlags extraFlags) : pacer_(new FramePacer(this)) {
  setWindowFlags(Qt::Tool | Qt::WindowStaysOnTopHint | extraFlags);
  // A progress window neither keeps the program running nor ends it when it closes.
  setAttribute(Qt::WA_QuitOnClose, false);
}

void ProgressForm::showOnTop() {
  show();
  raise();
}

void ProgressForm::Refresh() {
  pacer_->refresh();
}

int ProgressForm::paints() const {
  return pacer_->paints();
}

QSizeF ProgressForm::sizeTwips() const {
  return TwipsOf(frameGeometry().size());
}

void ProgressForm::moveTwips(double left, double top) {
  const QPoint target(Pixels(left), Pixels(top));
  if (pos() != target)
    move(target);
}

bool ProgressForm::CancelRunningOperation() {
  if (cancelState_ == nullptr || !IsProcessingCancellable(*cancelState_))
    return false;
  CancelProcessing(*cancelState_);
  return true;
}

bool ProgressForm::event(QEvent* event) {
  const QEvent::Type type = event->type();
  // The user closing the window, or pressing Escape in it, stops an operation that can stop.
  // The window closes as before when the user closes it.
  const bool userClose = type == QEvent::Close && !unloading();
  const bool escape =
      type == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape;
  if ((userClose || escape) && CancelRunningOperation()) {
    if (escape)
      return true;
  }
  // Only the focus changes are looked at after the base class: other events (a deferred
  // delete above all) may end this object there.
  if (type != QEvent::WindowDeactivate && type != QEvent::WindowActivate) {
    return Form::event(event);
  }
  const bool handled = Form::event(event);
  if (isVisible()) {
    // A message box (modal) that took the focus stays above: the window comes back to the
    // front only when the focus went to another window.
    if (type == QEvent::WindowDeactivate && QApplication::activeModalWidget() == nullptr)
      raise();
    Refresh();
  }
  return handled;
}

}  // namespace qvt
