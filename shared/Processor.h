#pragma once
// The progress operations that every long operation of both programs uses: a bare message window
// (frmProcessing) or a window with a message and a progress bar (frmDeterminedProcessing).
// Callers pair one Show with one Hide; every Update also lets the event loop run once,
// which is what keeps the interface alive during the operation (callers disable their controls,
// since their own handlers may run there).
//
// All rules live here, in Qt Core only; the windows are reached through IProgressWindows, which
// the service table holds: the windows on screen in both programs (shared/ui/ProgressWindows.h),
// a recorder in tests (tests/support/ProgressRecorder.h).

#include <QSizeF>
#include <QString>
#include <functional>

namespace qvt {

class IEventLoop;
class IScreen;
struct Services;

enum class ProgressWindow {
  Message,  // frmProcessing: the label lblMessage only, the window exactly the label's size
  Bar,      // frmDeterminedProcessing: "Processing...", label lblmsg and progress bar pgbProcess
};

// The two windows as the module drives them. A window that does not exist yet is created (not
// shown) by any call that changes it; isVisible and close never create one.
class IProgressWindows {
 public:
  virtual ~IProgressWindows() = default;

  virtual bool isVisible(ProgressWindow window) = 0;
  // Shows the window modeless, above the other windows.
  virtual void show(ProgressWindow window) = 0;
  // Hides and destroys the window; nothing when it does not exist.
  virtual void close(ProgressWindow window) = 0;
  // Asks for a repaint. The text is always current; painting may wait for the next screen frame.
  virtual void repaint(ProgressWindow window) = 0;
  // The text of lblMessage or lblmsg.
  virtual void setText(ProgressWindow window, const QString& text) = 0;
  // Outer size in twips, and moving the outer top left corner to a point in twips.
  virtual QSizeF sizeTwips(ProgressWindow window) = 0;
  virtual void moveTwips(ProgressWindow window, double left, double top) = 0;

  // Message window: lblMessage takes the size of its text, the window exactly the label's size,
  // the label at its top left corner.
  virtual void fitMessageToText() = 0;

  // Progress bar window: the range of pgbProcess (max is never below min) and its value.
  virtual void setBarRange(float min, float max) = 0;
  virtual void setBarValue(float value) = 0;
};

// What the operations remember between calls: the window in use, how the message window is
// sized, the bar's range and value, and the running operation's way out. The program's start-up
// owns one for the whole run and puts it in the table it hands down (Services::processor); only
// the operations below read or change it.
class ScopedProcessingStop;
class ProcessorState {
 public:
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

// The progress operations over the services they use, handed to their caller: the state, the
// windows (nullptr: none; the operations still let the event loop run), the event loop of Update
// and the screen the windows are centred on.
class Processor {
 public:
  Processor(ProcessorState& state, IProgressWindows* windows, IEventLoop* eventLoop,
            IScreen* screen);

  // While suppressed, no window is shown, changed or closed; Update still lets the event loop
  // run once. A window opened before suppression stays open until a Hide made after it ends.
  void SetSuppressed(bool bValue);
  bool IsSuppressed() const;
  // The window in use: the progress bar window after ShowDetermined, else the message window.
  ProgressWindow Form() const;
  // Opens the message window with sMessage, sized to it and centred on the screen. With
  // bAutoSizeValue, later messages resize the window when they are longer than the one it was
  // sized for, and in any case on every dblEvery-th update (below 1 counts as 1).
  void Show(const QString& sMessage, bool bAutoSizeValue = true, double dblEvery = 0);
  // Opens the progress bar window centred on the screen, the bar at dblMin of dblMin..dblMax
  // (a maximum below the minimum is taken as the minimum), the message sCaption. With bWrap the
  // bar starts again at its minimum when an update passes the maximum; without it stays there.
  void ShowDetermined(double dblMin, double dblMax, bool bWrap, const QString& sCaption);
  // Changes the message of the window in use; the progress bar window also advances its bar by
  // one and keeps its text when sMessage is empty. A window the user has hidden is left alone.
  // Always ends with one pass of the event loop.
  void Update(const QString& sMessage);
  // Update for dblSteps updates at once, the message being the last one's, without the pass of
  // the event loop: for an operation whose work runs on another thread while this one waits in
  // its event loop.
  void Advance(const QString& sMessage, double dblSteps);
  // Hides and destroys the window in use; the other window, when it is shown, is in use from
  // then on.
  void Hide();
  // IsProcessingCancellable and CancelProcessing (below) of the state.
  bool IsCancellable() const;
  void Cancel();

 private:
  void CentreOnScreen(ProgressWindow window);
  void ResizeMessageWindow(const QString& sMessage, double dblLength);
  void UpdateMessageWindow(const QString& sMessage);
  void UpdateBarWindow(const QString& sMessage, double dblSteps);

  ProcessorState& state_;
  IProgressWindows* windows_;
  IEventLoop* eventLoop_;
  IScreen* screen_;
};

// The operations over a table's state, progress windows, event loop and screen.
Processor ProcessorOf(const Services& table);
// A table's progress state; aborts when it has none.
ProcessorState& ProcessorStateOf(const Services& table);

// The user's way out of an operation that can stop (a download): while one of these lives,
// closing a progress window or pressing Escape in it calls CancelProcessing, which runs its
// handler. Without one those keep their old meaning (the window is only hidden). Scopes nest;
// each puts back the handler it replaced.
class ScopedProcessingCancel {
 public:
  ScopedProcessingCancel(ProcessorState& state, std::function<void()> onCancel);
  ~ScopedProcessingCancel();
  ScopedProcessingCancel(const ScopedProcessingCancel&) = delete;
  ScopedProcessingCancel& operator=(const ScopedProcessingCancel&) = delete;

 private:
  ProcessorState& state_;
  std::function<void()> previous_;
};
// An operation that may run several cancellable steps (one download after another): a stop
// asked for while it runs cancels the step under way and every one that starts later in it.
// Scopes nest; a stop reaches the innermost.
class ScopedProcessingStop {
 public:
  explicit ScopedProcessingStop(ProcessorState& state);
  ~ScopedProcessingStop();
  ScopedProcessingStop(const ScopedProcessingStop&) = delete;
  ScopedProcessingStop& operator=(const ScopedProcessingStop&) = delete;

  void stop();

 private:
  friend class ScopedProcessingCancel;
  ProcessorState& state_;
  ScopedProcessingStop* outer_;
  bool bStopped_ = false;
};
// Whether the state's running operation can stop, and asking it to stop (nothing when it
// cannot).
bool IsProcessingCancellable(const ProcessorState& state);
void CancelProcessing(const ProcessorState& state);

}  // namespace qvt
