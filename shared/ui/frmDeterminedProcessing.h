#pragma once
// The progress bar window "Processing...": the message label lblmsg above the bar pgbProcess,
// in a client area of 5640 x 1260 twips.

#include <QElapsedTimer>

#include "shared/ui/ProgressForm.h"

class QLabel;
class QProgressBar;
class QTimer;

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

  // The bar's latest value (the control shows it within a frame).
  int value() const { return iValue_; }

  QLabel* lblmsg;
  QProgressBar* pgbProcess;

 private:
  static constexpr qint64 kApplyEveryMs = 16;
  void changed();
  void applyToControls();

  QString sMessage_;
  int iValue_ = 0;
  QTimer* applyLater_;
  QElapsedTimer sinceApplied_;
};

}  // namespace qvt
