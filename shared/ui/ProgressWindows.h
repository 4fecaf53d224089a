#pragma once
// The windows frmProcessing and frmDeterminedProcessing as the progress operations
// (shared/Processor.h) drive them: the service table's progressWindows in both programs.

#include "shared/Processor.h"
#include "shared/ui/Form.h"
#include "shared/ui/frmDeterminedProcessing.h"
#include "shared/ui/frmProcessing.h"

namespace qvt {

// Every call that changes a window creates it when it is not loaded; queries and closing never
// create one. Each program's start-up owns one, after the QApplication exists.
class QtProgressWindows final : public IProgressWindows {
 public:
  // `state`: the progress state whose running operation a close or Escape in a window stops.
  explicit QtProgressWindows(ProcessorState& state);

  bool isVisible(ProgressWindow window) override;
  void show(ProgressWindow window) override;
  void close(ProgressWindow window) override;
  void repaint(ProgressWindow window) override;
  void setText(ProgressWindow window, const QString& text) override;
  QSizeF sizeTwips(ProgressWindow window) override;
  void moveTwips(ProgressWindow window, double left, double top) override;
  void fitMessageToText() override;
  void setBarRange(float min, float max) override;
  // The bar repaints itself when its value shows a change.
  void setBarValue(float value) override;

  FormSlot<frmProcessing>& message() { return message_; }
  FormSlot<frmDeterminedProcessing>& bar() { return bar_; }
  FormSet& forms() { return forms_; }

 private:
  ProgressForm& get(ProgressWindow window);
  ProgressForm* loaded(ProgressWindow window) const;

  FormSet forms_;
  FormSlot<frmProcessing> message_;
  FormSlot<frmDeterminedProcessing> bar_;
};

}  // namespace qvt
