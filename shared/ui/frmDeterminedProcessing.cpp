#include "shared/ui/frmDeterminedProcessing.h"

#include <QLabel>
#include <QProgressBar>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <limits>

#include "shared/Twips.h"

namespace qvt {

namespace {

int BarNumber(float value) {
  constexpr double kLimit = static_cast<double>(std::numeric_limits<int>::max() / 2);
  if (std::isnan(value))
    return 0;
  return static_cast<int>(std::lround(std::clamp(static_cast<double>(value), -kLimit, kLimit)));
}

}  // namespace

frmDeterminedProcessing::frmDeterminedProcessing()
    : ProgressForm(Qt::WindowFlags()),
      lblmsg(new QLabel(this)),
      pgbProcess(new QProgressBar(this)),
      applyLater_(new QTimer(this)) {
  setObjectName(QStringLiteral("frmDeterminedProcessing"));
  setWindowTitle(QStringLiteral("Processing..."));
  setFixedSize(Twips(0, 0, 5640, 1260).size());

  lblmsg->setObjectName(QStringLiteral("lblmsg"));
  lblmsg->setTextFormat(Qt::PlainText);  // messages carry file names: never markup
  lblmsg->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  lblmsg->setGeometry(Twips(120, 0, 5415, 615));
  // A fixed size also keeps text changes from asking the window for a new layout.
  lblmsg->setFixedSize(lblmsg->size());

  pgbProcess->setObjectName(QStringLiteral("pgbProcess"));
  pgbProcess->setGeometry(Twips(120, 720, 5415, 495));
  pgbProcess->setTextVisible(false);

  applyLater_->setSingleShot(true);
  connect(applyLater_, &QTimer::timeout, this, [this] { applyToControls(); });
}

// A long operation updates the message and the bar up to hundreds of thousands of times, and
// each change of a label or a progress bar costs layout and number formatting. The latest
// message and value are kept here at once and handed to the controls at most once per frame,
// so what the window shows is never more than a frame old.
void frmDeterminedProcessing::setMessage(const QString& sMessage) {
  sMessage_ = sMessage;
  changed();
}

QString frmDeterminedProcessing::message() const {
  return sMessage_;
}

void frmDeterminedProcessing::changed() {
  const qint64 sinceApplied = sinceApplied_.isValid() ? sinceApplied_.elapsed() : kApplyEveryMs;
  if (sinceApplied >= kApplyEveryMs) {
    applyToControls();
  } else if (!applyLater_->isActive()) {
    applyLater_->start(static_cast<int>(kApplyEveryMs - sinceApplied));
  }
}

void frmDeterminedProcessing::applyToControls() {
  applyLater_->stop();
  sinceApplied_.restart();
  if (lblmsg->text() != sMessage_)
    lblmsg->setText(sMessage_);
  pgbProcess->setValue(iValue_);
}

void frmDeterminedProcessing::setRange(float min, float max) {
  const int iMin = BarNumber(min);
  // An empty range would turn the bar into a busy indicator; keep it a plain bar.
  const int iMax = std::max(BarNumber(max), iMin + 1);
  pgbProcess->setRange(iMin, iMax);
  iValue_ = pgbProcess->value();
}

void frmDeterminedProcessing::setValue(float value) {
  iValue_ = std::clamp(BarNumber(value), pgbProcess->minimum(), pgbProcess->maximum());
  changed();
}

}  // namespace qvt
