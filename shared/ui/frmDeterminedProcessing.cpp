#include "shared/ui/frmDeterminedProcessing.h"

#include <QLabel>
#include <QProgressBar>
#include <cmath>
#include <limits>

namespace qvt {

namespace {

constexpr double kTwips = ProgressForm::kTwipsPerPixel;

QRect TwipsRect(int left, int top, int width, int height) {
  return QRect(static_cast<int>(left / kTwips), static_cast<int>(top / kTwips),
               static_cast<int>(width / kTwips), static_cast<int>(height / kTwips));
}

int BarNumber(float value) {
  constexpr double kLimit = std::numeric_limits<int>::max() / 2;
  if (std::isnan(value))
    return 0;
  return static_cast<int>(std::lround(std::clamp(static_cast<double>(value), -kLimit, kLimit)));
}

}  // namespace

frmDeterminedProcessing::frmDeterminedProcessing()
    : ProgressForm(Qt::WindowFlags()),
      lblmsg(new QLabel(this)),
      pgbProcess(new QProgressBar(this)) {
  setObjectName(QStringLiteral("frmDeterminedProcessing"));
  setWindowTitle(QStringLiteral("Processing..."));
  setFixedSize(TwipsRect(0, 0, 5640, 1260).size());

  lblmsg->setObjectName(QStringLiteral("lblmsg"));
  lblmsg->setTextFormat(Qt::PlainText);  // messages carry file names: never markup
  lblmsg->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  lblmsg->setGeometry(TwipsRect(120, 0, 5415, 615));
  // A fixed size also keeps text changes from asking the window for a new layout.
  lblmsg->setFixedSize(lblmsg->size());

  pgbProcess->setObjectName(QStringLiteral("pgbProcess"));
  pgbProcess->setGeometry(TwipsRect(120, 720, 5415, 495));
  pgbProcess->setTextVisible(false);
}

void frmDeterminedProcessing::setMessage(const QString& sMessage) {
  lblmsg->setText(sMessage);
}

QString frmDeterminedProcessing::message() const {
  return lblmsg->text();
}

void frmDeterminedProcessing::setRange(float min, float max) {
  const int iMin = BarNumber(min);
  // An empty range would turn the bar into a busy indicator; keep it a plain bar.
  const int iMax = std::max(BarNumber(max), iMin + 1);
  pgbProcess->setRange(iMin, iMax);
}

void frmDeterminedProcessing::setValue(float value) {
  pgbProcess->setValue(BarNumber(value));
}

}  // namespace qvt
