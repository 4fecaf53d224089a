#include "shared/Processor.h"

#include <algorithm>
#include <utility>

#include "shared/Services.h"
#include "shared/Twips.h"

namespace qvt {

namespace {

// Characters as the user sees them: a surrogate pair counts once.
double CharacterCount(const QString& text) {
  qsizetype count = 0;
  for (const QChar c : text) {
    if (!c.isLowSurrogate())
      ++count;
  }
  return static_cast<double>(count);
}

}  // namespace

Processor::Processor(ProcessorState& state, IProgressWindows* windows, IEventLoop* eventLoop,
                     IScreen* screen)
    : state_(state), windows_(windows), eventLoop_(eventLoop), screen_(screen) {}

void Processor::CentreOnScreen(ProgressWindow window) {
  const QPointF at = centerOnScreen(RequireService(screen_, "screen"), windows_->sizeTwips(window));
  windows_->moveTwips(window, at.x(), at.y());
}

// Sizes the message window to sMessage and centres it. The window stays shown meanwhile:
// hiding and showing it again would only make it flicker and take the focus.
void Processor::ResizeMessageWindow(const QString& sMessage, double dblLength) {
  state_.dblSizedLength = dblLength;
  state_.dblUpdatesSinceResize = 1;
  windows_->setText(ProgressWindow::Message, sMessage);
  windows_->fitMessageToText();
  CentreOnScreen(ProgressWindow::Message);
}

void Processor::UpdateMessageWindow(const QString& sMessage) {
  if (!windows_->isVisible(ProgressWindow::Message))
    return;
  if (state_.bAutoSize) {
    const double dblLength = CharacterCount(sMessage);
    if (dblLength > state_.dblSizedLength ||
        state_.dblUpdatesSinceResize >= state_.dblResizeEvery) {
      ResizeMessageWindow(sMessage, dblLength);
    } else {
      state_.dblUpdatesSinceResize += 1;
      windows_->setText(ProgressWindow::Message, sMessage);
    }
  } else {
    windows_->setText(ProgressWindow::Message, sMessage);
  }
  windows_->repaint(ProgressWindow::Message);
}

void Processor::UpdateBarWindow(const QString& sMessage, double dblSteps) {
  if (!windows_->isVisible(ProgressWindow::Bar))
    return;
  if (!sMessage.isEmpty()) {
    windows_->setText(ProgressWindow::Bar, sMessage);
    windows_->repaint(ProgressWindow::Bar);
  }
  state_.dblProgress += dblSteps;
  if (state_.fltBarMax < state_.dblProgress) {
    state_.dblProgress = state_.bWrapProgress ? state_.fltBarMin : state_.fltBarMax;
  }
  windows_->setBarValue(static_cast<float>(state_.dblProgress));
}

void Processor::SetSuppressed(bool bValue) {
  state_.bSuppressed = bValue;
}

bool Processor::IsSuppressed() const {
  return state_.bSuppressed;
}

ProgressWindow Processor::Form() const {
  return state_.bDetermined ? ProgressWindow::Bar : ProgressWindow::Message;
}

void Processor::Show(const QString& sMessage, bool bAutoSizeValue, double dblEvery) {
  if (state_.bSuppressed)
    return;
  state_.bDetermined = false;
  state_.bAutoSize = bAutoSizeValue;
  // Written so that NaN also counts as below 1.
  state_.dblResizeEvery = dblEvery >= 1 ? dblEvery : 1;
  // Showing sizes the window like a resize does, so the count of updates starts again.
  state_.dblSizedLength = CharacterCount(sMessage);
  state_.dblUpdatesSinceResize = 1;
  if (windows_ == nullptr)
    return;
  windows_->setText(ProgressWindow::Message, sMessage);
  windows_->fitMessageToText();
  CentreOnScreen(ProgressWindow::Message);
  windows_->show(ProgressWindow::Message);
  windows_->repaint(ProgressWindow::Message);
}

void Processor::ShowDetermined(double dblMin, double dblMax, bool bWrap, const QString& sCaption) {
  if (state_.bSuppressed)
    return;
  state_.bDetermined = true;
  state_.fltBarMin = static_cast<float>(dblMin);
  // A bar cannot end below its start; such a range is an empty one.
  state_.fltBarMax = std::max(static_cast<float>(dblMax), state_.fltBarMin);
  state_.dblProgress = dblMin;
  state_.bWrapProgress = bWrap;
  if (windows_ == nullptr)
    return;
  windows_->setBarRange(state_.fltBarMin, state_.fltBarMax);
  windows_->setBarValue(state_.fltBarMin);
  CentreOnScreen(ProgressWindow::Bar);
  windows_->show(ProgressWindow::Bar);
  windows_->setText(ProgressWindow::Bar, sCaption);
  windows_->repaint(ProgressWindow::Bar);
}

void Processor::Update(const QString& sMessage) {
  Advance(sMessage, 1);
  RequireService(eventLoop_, "eventLoop").doEvents();
}

void Processor::Advance(const QString& sMessage, double dblSteps) {
  if (state_.bSuppressed || windows_ == nullptr)
    return;
  if (state_.bDetermined) {
    UpdateBarWindow(sMessage, dblSteps);
  } else {
    UpdateMessageWindow(sMessage);
  }
}

// An operation may start from a pass of the event loop while another one shows the other
// window; once its own window is gone, the other one is in use again, so that the outer
// operation's updates and its Hide reach it instead of leaving it open for good.
void Processor::Hide() {
  if (state_.bSuppressed || windows_ == nullptr)
    return;
  const ProgressWindow window = Form();
  windows_->close(window);
  const ProgressWindow other =
      window == ProgressWindow::Bar ? ProgressWindow::Message : ProgressWindow::Bar;
  if (windows_->isVisible(other))
    state_.bDetermined = other == ProgressWindow::Bar;
}

bool Processor::IsCancellable() const {
  return IsProcessingCancellable(state_);
}

void Processor::Cancel() {
  CancelProcessing(state_);
}

ProcessorState& ProcessorStateOf(const Services& table) {
  return RequireService(table.processor, "processor");
}

Processor ProcessorOf(const Services& table) {
  return Processor(ProcessorStateOf(table), table.progressWindows, table.eventLoop, table.screen);
}

bool IsProcessingCancellable(const ProcessorState& state) {
  return static_cast<bool>(state.onCancel);
}

void CancelProcessing(const ProcessorState& state) {
  // A copy: the handler may end the scope that set it.
  if (const std::function<void()> onCancel = state.onCancel)
    onCancel();
}

ScopedProcessingCancel::ScopedProcessingCancel(ProcessorState& state,
                                               std::function<void()> onCancel)
    : state_(state), previous_(std::exchange(state_.onCancel, std::move(onCancel))) {
  if (state_.stopScope != nullptr && state_.stopScope->bStopped_)
    CancelProcessing(state_);
}

ScopedProcessingCancel::~ScopedProcessingCancel() {
  state_.onCancel = std::move(previous_);
}

ScopedProcessingStop::ScopedProcessingStop(ProcessorState& state)
    : state_(state), outer_(std::exchange(state_.stopScope, this)) {}

ScopedProcessingStop::~ScopedProcessingStop() {
  state_.stopScope = outer_;
}

void ScopedProcessingStop::stop() {
  bStopped_ = true;
  CancelProcessing(state_);
}

}  // namespace qvt
