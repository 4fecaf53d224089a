#include "shared/ui/ProgressWindows.h"

namespace qvt {

namespace {

template <typename T>
T* CancellingThrough(T* form, ProcessorState* state) {
  form->cancelThrough(state);
  return form;
}

}  // namespace

QtProgressWindows::QtProgressWindows(ProcessorState& state)
    : message_(forms_, [&state] { return CancellingThrough(new frmProcessing(), &state); }),
      bar_(forms_, [&state] { return CancellingThrough(new frmDeterminedProcessing(), &state); }) {}

bool QtProgressWindows::isVisible(ProgressWindow window) {
  const ProgressForm* form = loaded(window);
  return form != nullptr && form->isVisible();
}

void QtProgressWindows::show(ProgressWindow window) {
  get(window).showOnTop();
}

void QtProgressWindows::close(ProgressWindow window) {
  if (ProgressForm* form = loaded(window))
    Forms::Unload(*form);
}

void QtProgressWindows::repaint(ProgressWindow window) {
  get(window).Refresh();
}

void QtProgressWindows::setText(ProgressWindow window, const QString& text) {
  get(window).setMessage(text);
}

QSizeF QtProgressWindows::sizeTwips(ProgressWindow window) {
  return get(window).sizeTwips();
}

void QtProgressWindows::moveTwips(ProgressWindow window, double left, double top) {
  get(window).moveTwips(left, top);
}

void QtProgressWindows::fitMessageToText() {
  message_.Get().fitToMessage();
}

void QtProgressWindows::setBarRange(float min, float max) {
  bar_.Get().setRange(min, max);
}

void QtProgressWindows::setBarValue(float value) {
  bar_.Get().setValue(value);
}

ProgressForm& QtProgressWindows::get(ProgressWindow window) {
  if (window == ProgressWindow::Bar)
    return bar_.Get();
  return message_.Get();
}

ProgressForm* QtProgressWindows::loaded(ProgressWindow window) const {
  if (window == ProgressWindow::Bar)
    return bar_.Loaded();
  return message_.Loaded();
}

}  // namespace qvt
