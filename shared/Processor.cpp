#include "shared/Processor.h"

#include <algorithm>
#include <utility>

#include "platform/Platform.h"
#include "shared/Twips.h"

namespace qvt {

namespace {

struct ProcessorState {
  bool bSuppressed = false;
  bool bDetermined = false;
  bool bAutoSize = false;
  double dblResizeEvery = 1;
  double dblSizedLength = 0;
  double dblUpdatesSinceResize = 0;
  double dblProgress = 0;
  bool bWrapProgress = false;
  // The bar's range as the bar holds it (single precision).
  float fltBarMin = 0;
  float fltBarMax = 0;
  // Stops the running operation at the user's word; empty while it cannot stop.
  std::function<void()> onCancel;
  ScopedProcessingStop* stopScope = nullptr;  // the innermost operation that can be stopped
};

ProcessorState g_state;

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
  g_state.dblSizedLength = dblLength;
  g_state.dblUpdatesSinceResize = 1;
  Windows()->setText(ProgressWindow::Message, sMessage);
  Windows()->fitMessageToText();
  CentreOnScreen(ProgressWindow::Message);
}

void UpdateMessageWindow(const QString& sMessage) {
  if (!Windows()->isVisible(ProgressWindow::Message))
    return;
  if (g_state.bAutoSize) {
    const double dblLength = CharacterCount(sMessage);
    if (dblLength > g_state.dblSizedLength ||
        g_state.dblUpdatesSinceResize >= g_state.dblResizeEvery) {
      ResizeMessageWindow(sMessage, dblLength);
    } else {
      g_state.dblUpdatesSinceResize += 1;
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
  g_state.dblProgress += dblSteps;
  if (g_state.fltBarMax < g_state.dblProgress) {
    g_state.dblProgress = g_state.bWrapProgress ? g_state.fltBarMin : g_state.fltBarMax;
  }
  Windows()->setBarValue(static_cast<float>(g_state.dblProgress));
}

}  // namespace

IProgressWindows* GetProgressWindows() {
  return Windows();
}

void SetProcessingSuppressed(bool bValue) {
  g_state.bSuppressed = bValue;
}
bool IsProcessingSuppressed() {
  return g_state.bSuppressed;
}

ProgressWindow GetProcessingForm() {
  return g_state.bDetermined ? ProgressWindow::Bar : ProgressWindow::Message;
}

void ShowProcessing(const QString& sMessage, bool bAutoSizeValue, double dblEvery) {
  if (g_state.bSuppressed)
    return;
  g_state.bDetermined = false;
  g_state.bAutoSize = bAutoSizeValue;
  // Written so that NaN also counts as below 1.
  g_state.dblResizeEvery = dblEvery >= 1 ? dblEvery : 1;
  // Showing sizes the window like a resize does, so the count of updates starts again.
  g_state.dblSizedLength = CharacterCount(sMessage);
  g_state.dblUpdatesSinceResize = 1;
  if (Windows() == nullptr)
    return;
  Windows()->setText(ProgressWindow::Message, sMessage);
  Windows()->fitMessageToText();
  CentreOnScreen(ProgressWindow::Message);
  Windows()->show(ProgressWindow::Message);
  Windows()->repaint(ProgressWindow::Message);
}

void ShowDeterminedProcessing(double dblMin, double dblMax, bool bWrap, const QString& sCaption) {
  if (g_state.bSuppressed)
    return;
  g_state.bDetermined = true;
  g_state.fltBarMin = static_cast<float>(dblMin);
  // A bar cannot end below its start; such a range is an empty one.
  g_state.fltBarMax = std::max(static_cast<float>(dblMax), g_state.fltBarMin);
  g_state.dblProgress = dblMin;
  g_state.bWrapProgress = bWrap;
  if (Windows() == nullptr)
    return;
  Windows()->setBarRange(g_state.fltBarMin, g_state.fltBarMax);
  Windows()->setBarValue(g_state.fltBarMin);
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
  if (g_state.bSuppressed || Windows() == nullptr)
    return;
  if (g_state.bDetermined) {
    UpdateBarWindow(sMessage, dblSteps);
  } else {
    UpdateMessageWindow(sMessage);
  }
}

// An operation may start from a pass of the event loop while another one shows the other
// window; once its own window is gone, the other one is in use again, so that the outer
// operation's updates and its Hide reach it instead of leaving it open for good.
void HideProcessing() {
  if (g_state.bSuppressed || Windows() == nullptr)
    return;
  const ProgressWindow window = GetProcessingForm();
  Windows()->close(window);
  const ProgressWindow other =
      window == ProgressWindow::Bar ? ProgressWindow::Message : ProgressWindow::Bar;
  if (Windows()->isVisible(other))
    g_state.bDetermined = other == ProgressWindow::Bar;
}

ScopedProcessingCancel::ScopedProcessingCancel(std::function<void()> onCancel)
    : previous_(std::exchange(g_state.onCancel, std::move(onCancel))) {
  if (g_state.stopScope != nullptr && g_state.stopScope->bStopped_)
    CancelProcessing();
}

ScopedProcessingCancel::~ScopedProcessingCancel() {
  g_state.onCancel = std::move(previous_);
}

bool IsProcessingCancellable() {
  return static_cast<bool>(g_state.onCancel);
}

ScopedProcessingStop::ScopedProcessingStop() : outer_(std::exchange(g_state.stopScope, this)) {}

ScopedProcessingStop::~ScopedProcessingStop() {
  g_state.stopScope = outer_;
}

void ScopedProcessingStop::stop() {
  bStopped_ = true;
  CancelProcessing();
}

void CancelProcessing() {
  // A copy: the handler may end the scope that set it.
  if (const std::function<void()> onCancel = g_state.onCancel)
    onCancel();
}

}  // namespace qvt
