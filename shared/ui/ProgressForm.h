#pragma once
// What the two progress windows have in common: they stay above the other windows (a window
// that loses the focus while visible brings itself back to the front), they are placed and
// measured in twips, and they repaint at most once per screen frame. While the operation they
// show can stop (shared/Processor.h), closing them or pressing Escape in them stops it.

#include <QSizeF>

#include "shared/ui/Form.h"

namespace qvt {

class FramePacer;
class ProcessorState;

class ProgressForm : public Form {
  Q_OBJECT

 public:
  explicit ProgressForm(Qt::WindowFlags extraFlags);

  // The state whose running operation a close or Escape stops; none: a close only hides.
  void cancelThrough(ProcessorState* state) { cancelState_ = state; }

  // The text of the window's message label.
  virtual void setMessage(const QString& sMessage) = 0;
  virtual QString message() const = 0;

  // Shows the window modeless, above the other windows.
  void showOnTop();
  // Repaints now, or at the end of the current screen frame when it was painted less than a
  // frame ago.
  void Refresh();
  // Paints done through Refresh so far.
  int paints() const;

  QSizeF sizeTwips() const;
  void moveTwips(double left, double top);

 protected:
  bool event(QEvent* event) override;

 private:
  // Stops the running operation when it can stop; whether it could.
  bool CancelRunningOperation();

  FramePacer* pacer_;
  ProcessorState* cancelState_ = nullptr;
};

}  // namespace qvt
