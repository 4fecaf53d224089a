#include "shared/ui/ProgressWindows.h"

#include "shared/Processor.h"
#include "shared/ui/frmDeterminedProcessing.h"
#include "shared/ui/frmProcessing.h"

namespace qvt {

namespace {

// Every call that changes a window goes through Forms::Get, which creates the window when it
// is not loaded; queries and closing never create one.
class QtProgressWindows final : public IProgressWindows {
 public:
  bool isVisible(ProgressWindow window) override {
    const ProgressForm* form = loaded(window);
    return form != nullptr && form->isVisible();
  }
  void show(ProgressWindow window) override { get(window).showOnTop(); }
  void close(ProgressWindow window) override {
    if (ProgressForm* form = loaded(window))
      Forms::Unload(*form);
  }
  void repaint(ProgressWindow window) override { get(window).Refresh(); }
  void setText(ProgressWindow window, const QString& text) override {
    get(window).setMessage(text);
  }
  QSizeF sizeTwips(ProgressWindow window) override { return get(window).sizeTwips(); }
  void moveTwips(ProgressWindow window, double left, double top) override {
    get(window).moveTwips(left, top);
  }
  void fitMessageToText() override { Forms::Get<frmProcessing>().fitToMessage(); }
  void setBarRange(float min, float max) override {
    Forms::Get<frmDeterminedProcessing>().setRange(min, max);
  }
  // The bar repaints itself when its value shows a change.
  void setBarValue(float value) override { Forms::Get<frmDeterminedProcessing>().setValue(value); }

 private:
  static ProgressForm& get(ProgressWindow window) {
    if (window == ProgressWindow::Bar)
      return Forms::Get<frmDeterminedProcessing>();
    return Forms::Get<frmProcessing>();
  }
  static ProgressForm* loaded(ProgressWindow window) {
    const bool bBar = window == ProgressWindow::Bar;
    if (bBar ? !Forms::IsLoaded<frmDeterminedProcessing>() : !Forms::IsLoaded<frmProcessing>()) {
      return nullptr;
    }
    return &get(window);
  }
};

}  // namespace

IProgressWindows& ScreenProgressWindows() {
  static QtProgressWindows windows;
  return windows;
}

}  // namespace qvt
