#pragma once
// The bare message window: its only control is the label lblMessage, and the window takes
// exactly the label's size. A click on the message hides the window (the operation goes on;
// later updates find it hidden and leave it so).

#include "shared/ui/ProgressForm.h"

class QLabel;

namespace qvt {

class frmProcessing : public ProgressForm {
  Q_OBJECT

 public:
  frmProcessing();

  void setMessage(const QString& sMessage) override;
  QString message() const override;
  // lblMessage takes the size of its text; the window takes the label's size, the label at its
  // top left corner.
  void fitToMessage();

  QLabel* lblMessage;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace qvt
