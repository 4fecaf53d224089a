#include "shared/ui/frmProcessing.h"

#include <QLabel>
#include <QMouseEvent>

namespace qvt {

frmProcessing::frmProcessing()
    : ProgressForm(Qt::FramelessWindowHint), lblMessage(new QLabel(this)) {
  setObjectName(QStringLiteral("frmProcessing"));
  lblMessage->setObjectName(QStringLiteral("lblMessage"));
  // Messages carry file names: never read them as markup.
  lblMessage->setTextFormat(Qt::PlainText);
  lblMessage->setFrameStyle(QFrame::Box | QFrame::Plain);
  lblMessage->setMargin(10);
  lblMessage->setAutoFillBackground(true);
  lblMessage->installEventFilter(this);
  fitToMessage();
}

void frmProcessing::setMessage(const QString& sMessage) {
  lblMessage->setText(sMessage);
  // A message with fewer characters may still be wider (digits are wide): grow rather than
  // cut it off. Shrinking is left to the resize rules of the callers.
  const QRect text = lblMessage->fontMetrics().boundingRect(QRect(), Qt::TextExpandTabs, sMessage);
  const int frame = 2 * (lblMessage->margin() + lblMessage->frameWidth());
  if (text.width() + frame <= lblMessage->width() && text.height() + frame <= lblMessage->height())
    return;
  lblMessage->setMinimumSize(0, 0);
  const QSize grown = lblMessage->sizeHint().expandedTo(lblMessage->size());
  lblMessage->setFixedSize(grown);
  if (size() != grown)
    resize(grown);
}

QString frmProcessing::message() const {
  return lblMessage->text();
}

void frmProcessing::fitToMessage() {
  // The hint grows to the label's minimum size, so that is released first. A fixed label size
  // keeps later text changes from asking the window for a new layout. The window has no frame
  // to drag, so a plain resize keeps it at the label's size.
  lblMessage->setMinimumSize(0, 0);
  const QSize hint = lblMessage->sizeHint();
  lblMessage->setFixedSize(hint);
  lblMessage->move(0, 0);
  if (size() != hint)
    resize(hint);
}

bool frmProcessing::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lblMessage && event->type() == QEvent::MouseButtonRelease) {
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() == Qt::LeftButton &&
        lblMessage->rect().contains(mouse->position().toPoint())) {
      hide();
      return true;
    }
  }
  return ProgressForm::eventFilter(watched, event);
}

}  // namespace qvt
