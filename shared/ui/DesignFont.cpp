#include "shared/ui/DesignFont.h"

#include <QApplication>
#include <QFont>
#include <QWidget>

namespace qvt {

void ApplyDesignFont() {
  QFont font(QStringLiteral("Liberation Sans"));
  font.setStyleHint(QFont::SansSerif);
  font.setPointSizeF(8.0);
  QApplication::setFont(font);
}

}  // namespace qvt

namespace qvt {

void FitCaption(QWidget* control) {
  QFont font = control->font();
  while (control->sizeHint().width() > control->width() && font.pointSizeF() > 7.0) {
    font.setPointSizeF(font.pointSizeF() - 0.5);
    control->setFont(font);
  }
}

}  // namespace qvt
