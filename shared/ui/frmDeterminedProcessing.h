#pragma once
// The progress bar window "Processing...": the message label lblmsg above the bar pgbProcess,
// in a client area of 5640 x 1260 twips.

#include "shared/ui/ProgressForm.h"

class QLabel;
class QProgressBar;

namespace qvt {

class frmDeterminedProcessing : public ProgressForm {
  Q_OBJECT

 public:
  frmDeterminedProcessing();

  void setMessage(const QString& sMessage) override;
  QString message() const override;
  // The bar's range and value. Numbers beyond the bar's integer range are held at its ends.
  void setRange(float min, float max);
  void setValue(float value);

  QLabel* lblmsg;
  QProgressBar* pgbProcess;
};

}  // namespace qvt
