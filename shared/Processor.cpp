#include "shared/Processor.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "platform/Platform.h"
#include "shared/Twips.h"

namespace qvt {

namespace {

// The installed state; aborts when the program installed none.
ProcessorState& State() {
  ProcessorState* state = platform().processor;
  if (state == nullptr) {
    std::fprintf(stderr, "platform service not installed: processor\n");
    std::abort();
  }
  return *state;
}

// The installed progress windows, or nullptr.
IProgressWindows* Windows() {
  return platform().progressWindows;
}

// Characters as the user sees them: a surrogate pair counts once.
double CharacterCount(const QString& text) {
  qsizetype count = 0;
  for (const QChar c : text) {
    if (!c.isLowSurrogate())
      ++count;
  }
  return static_cast<double>(count);
}

void CentreOnScreen(ProgressWindow window) {
  const QPointF at = centerOnScreen(Windows()->sizeTwips(window));
  Windows()->moveTwips(window, at.x(), at.y());
}

// Sizes the message window to sMessage and centres it. The window stays shown meanwhile:
// hiding and showing it again would only make it flicker and take the focus.
void ResizeMessageWindow(const QString& sMessage, double dblLength) {
  State().dblSizedLength = dblLength;
  State().dblUpdatesSinceResize = 1;
  Windows()->setText(ProgressWindow::Message, sMessage);
  Windows()->fitMessageToText();
  CentreOnScreen(ProgressWindow::Message);
}

void UpdateMessageWindow(const QString& sMessage) {
  if (!Windows()->isVisible(ProgressWindow::Message))
    return;
  if (State().bAutoSize) {
    const double dblLength = CharacterCount(sMessage);
    if (dblLength > State().dblSizedLength ||
        State().dblUpdatesSinceResize >= State().dblResizeEvery) {
      ResizeMessageWindow(sMessage, dblLength);
    } else {
      State().dblUpdatesSinceResize += 1;
      Windows()->setText(ProgressWindow::Message, sMessage);
    }
  } else {
    Windows()->setText(ProgressWindow::Message, sMessage);
  }
  Windows()->repaint(ProgressWindow::Message);
}

void UpdateBarWindow(const QString& sMessage, double dblSteps) {
  if (!Windows()->isVisible(ProgressWindow::Bar))
    return;
  if (!sMessage.isEmpty()) {
    Windows()->setText(ProgressWindow::Bar, sMessage);
    Windows()->repaint(ProgressWindow::Bar);
  }
  State().dblProgress += dblSteps;
  if (State().fltBarMax < State().dblProgress) {
    State().dblProgress = State().bWrapProgress ? State().fltBarMin : State().fltBarMax;
  }
  Windows()->setBarValue(static_cast<float>(State().dblProgress));
}

}  // namespace

IProgressWindows* GetProgressWindows() {
  return Windows();
}

void SetProcessingSuppressed(bool bValue) {
  State().bSuppressed = bValue;
}
bool IsProcessingSuppressed() {
  return State().bSuppressed;
}

ProgressWindow GetProcessingForm() {
  return State().bDetermined ? ProgressWindow::Bar : ProgressWindow::Message;
}

void ShowProcessing(const QString& sMessage, bool bAutoSizeValue, double dblEvery) {
  if (State().bSuppressed)
    return;
  State().bDetermined = false;
  State().bAutoSize = bAutoSizeValue;
  // Written so that NaN also counts as below 1.
  State().dblResizeEvery = dblEvery >= 1 ? dblEvery : 1;
  // Showing sizes the window like a resize does, so the count of updates starts again.
  State().dblSizedLength = CharacterCount(sMessage);
  State().dblUpdatesSinceResize = 1;
  if (Windows() == nullptr)
    return;
  Windows()->setText(ProgressWindow::Message, sMessage);
  Windows()->fitMessageToText();
  CentreOnScreen(ProgressWindow::Message);
  Windows()->show(ProgressWindow::Message);
  Windows()->repaint(ProgressWindow::Message);
}

void ShowDeterminedProcessing(double dblMin, double dblMax, bool bWrap, const QString& sCaption) {
  if (State().bSuppressed)
    return;
  State().bDetermined = true;
  State().fltBarMin = static_cast<float>(dblMin);
  // A bar cannot end below its start; such a range is an empty one.
  State().fltBarMax = std::max(static_cast<float>(dblMax), State().fltBarMin);
  State().dblProgress = dblMin;
  State().bWrapProgress = bWrap;
  if (Windows() == nullptr)
    return;
  Windows()->setBarRange(State().fltBarMin, State().fltBarMax);
  Windows()->setBarValue(State().fltBarMin);
  CentreOnScreen(ProgressWindow::Bar);
  Windows()->show(ProgressWindow::Bar);
  Windows()->setText(ProgressWindow::Bar, sCaption);
  Windows()->repaint(ProgressWindow::Bar);
}

void UpdateProcessing(const QString& sMessage) {
  AdvanceProcessing(sMessage, 1);
  DoEvents();
}

void AdvanceProcessing(const QString& sMessage, double dblSteps) {
  if (State().bSuppressed || Windows() == nullptr)
    return;
  if (State().bDetermined) {
    UpdateBarWindow(sMessage, dblSteps);
  } else {
    UpdateMessageWindow(sMessage);
  }
}

// An operation may start from a pass of the event loop while another one shows the other
// window; once its own window is gone, the other one is in use again, so that the outer
// operation's updates and its Hide reach it instead of leaving it open for good.
void HideProcessing() {
  if (State().bSuppressed || Windows() == nullptr)
    return;
  const ProgressWindow window = GetProcessingForm();
  Windows()->close(window);
  const ProgressWindow other =
      window == ProgressWindow::Bar ? ProgressWindow::Message : ProgressWindow::Bar;
  if (Windows()->isVisible(other))
    State().bDetermined = other == ProgressWindow::Bar;
}

ScopedProcessingCancel::ScopedProcessingCancel(std::function<void()> onCancel)
    : previous_(std::exchange(State().onCancel, std::move(onCancel))) {
  if (State().stopScope != nullptr && State().stopScope->bStopped_)
    CancelProcessing();
}

ScopedProcessingCancel::~ScopedProcessingCancel() {
  State().onCancel = std::move(previous_);
}

bool IsProcessingCancellable() {
  return static_cast<bool>(State().onCancel);
}

ScopedProcessingStop::ScopedProcessingStop() : outer_(std::exchange(State().stopScope, this)) {}

ScopedProcessingStop::~ScopedProcessingStop() {
  State().stopScope = outer_;
}

void ScopedProcessingStop::stop() {
  bStopped_ = true;
  CancelProcessing();
}

void CancelProcessing() {
  // A copy: the handler may end the scope that set it.
  if (const std::function<void()> onCancel = State().onCancel)
    onCancel();
}

}  // namespace qvt
