#include "player/window/VolControl.h"

#include <QApplication>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>

namespace qvt {

const QColor VolControl::kLevelColor = QColor(0xFF, 0xFF, 0x00);
const QColor VolControl::kCellColor = QColor(0xC0, 0xC0, 0xC0);

namespace {

void setCellColours(QLabel* cell, const QColor& background, const QColor& text) {
  QPalette pal = cell->palette();
  pal.setColor(QPalette::Window, background);
  pal.setColor(QPalette::WindowText, text);
  cell->setPalette(pal);
}

}  // namespace

VolControl::VolControl(QWidget* parent) : QWidget(parent), backColor_(DefaultBackColor()) {
  const QPalette system = QApplication::palette();
  for (int i = 0; i < kCellCount; ++i) {
    auto* cell = new QLabel(this);
    cell->setObjectName(QStringLiteral("lblLevel%1").arg(i));
    cell->setTextFormat(Qt::PlainText);
    cell->setAutoFillBackground(true);
    setCellColours(cell, system.color(QPalette::Window), system.color(QPalette::WindowText));
    cell->installEventFilter(this);
    cells_[static_cast<size_t>(i)] = cell;
  }
  resize(kDesignWidth, kDesignHeight);
  layoutCells();
}

QColor VolControl::DefaultBackColor() {
  return QApplication::palette().color(QPalette::Button);
}

QFont VolControl::DefaultFont() const {
  return parentWidget() != nullptr ? parentWidget()->font() : QApplication::font();
}

void VolControl::SetBackColor(const QColor& color) {
  backColor_ = color;
  update();
  Q_EMIT PropertyChanged(QStringLiteral("BackColor"));
}

void VolControl::SetEnabled(bool enabled) {
  enabled_ = enabled;
  Q_EMIT PropertyChanged(QStringLiteral("Enabled"));
}

QFont VolControl::Font() const {
  return font_.value_or(DefaultFont());
}

void VolControl::SetFont(const QFont& font) {
  font_ = font;
  Q_EMIT PropertyChanged(QStringLiteral("Font"));
}

void VolControl::SetBackStyle(int16_t style) {
  backStyle_ = style;
  Q_EMIT PropertyChanged(QStringLiteral("BackStyle"));
}

void VolControl::SetBorderStyle(int16_t style) {
  borderStyle_ = style;
  Q_EMIT PropertyChanged(QStringLiteral("BorderStyle"));
}

void VolControl::SetCurrentValue(int16_t level) {
  PaintLevel(level);
  Q_EMIT PropertyChanged(QStringLiteral("CurrentValue"));
}

void VolControl::Refresh() {
  update();
  for (QLabel* cell : cells_)
    cell->update();
}

QLabel* VolControl::cell(int index) const {
  if (index < 0 || index >= kCellCount)
    return nullptr;
  return cells_[static_cast<size_t>(index)];
}

void VolControl::PaintLevel(int16_t iCurLevel) {
  for (int i = 0; i < kCellCount; ++i) {
    QLabel* c = cells_[static_cast<size_t>(i)];
    setCellColours(c, i == iCurLevel ? kLevelColor : kCellColor,
                   c->palette().color(QPalette::WindowText));
  }
  iLevel_ = iCurLevel;
}

void VolControl::writeProperties(QVariantMap& bag) const {
  auto put = [&bag](const char* name, const QVariant& value, bool isDefault) {
    if (isDefault) {
      bag.remove(QLatin1String(name));
    } else {
      bag.insert(QLatin1String(name), value);
    }
  };
  put("BackColor", backColor_, backColor_ == DefaultBackColor());
  put("Enabled", enabled_, !enabled_);
  put("Font", Font(), Font() == DefaultFont());
  put("BackStyle", backStyle_, backStyle_ == 0);
  put("BorderStyle", borderStyle_, borderStyle_ == 0);
  put("CurrentValue", iLevel_, iLevel_ == 0);
}

// Reading assigns the stored values directly (no PropertyChanged). A missing "CurrentValue"
// leaves the live level as it is, so a freshly read control still shows no highlighted cell.
void VolControl::readProperties(const QVariantMap& bag) {
  backColor_ = bag.value(QStringLiteral("BackColor"), DefaultBackColor()).value<QColor>();
  enabled_ = bag.value(QStringLiteral("Enabled"), false).toBool();
  const QVariant font = bag.value(QStringLiteral("Font"));
  if (font.isValid()) {
    font_ = font.value<QFont>();
  } else {
    font_.reset();
  }
  backStyle_ = static_cast<int16_t>(bag.value(QStringLiteral("BackStyle"), 0).toInt());
  borderStyle_ = static_cast<int16_t>(bag.value(QStringLiteral("BorderStyle"), 0).toInt());
  const QVariant level = bag.value(QStringLiteral("CurrentValue"));
  if (level.isValid())
    PaintLevel(static_cast<int16_t>(level.toInt()));
  update();
}

void VolControl::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  painter.fillRect(rect(), backColor_);
}

void VolControl::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  layoutCells();
}

// At the design size (or smaller) every cell keeps its 3-pixel height; a taller control shares
// its height evenly between the cells. The width keeps the design's proportion.
void VolControl::layoutCells() {
  const int w = width();
  const int h = height();
  const int cellWidth = w <= kDesignWidth
                            ? std::min(w, kDesignCellWidth)
                            : (w * kDesignCellWidth + kDesignWidth / 2) / kDesignWidth;
  for (int i = 0; i < kCellCount; ++i) {
    int top = i * kDesignCellHeight;
    int bottom = top + kDesignCellHeight;
    if (h > kDesignHeight) {
      top = i * h / kCellCount;
      bottom = (i + 1) * h / kCellCount;
    }
    cells_[static_cast<size_t>(i)]->setGeometry(0, top, cellWidth, bottom - top);
  }
}

// A click is a left press and release on the same cell.
bool VolControl::eventFilter(QObject* watched, QEvent* event) {
  const auto type = event->type();
  if (type != QEvent::MouseButtonPress && type != QEvent::MouseButtonRelease &&
      type != QEvent::MouseButtonDblClick) {
    return QWidget::eventFilter(watched, event);
  }
  const auto* mouse = static_cast<QMouseEvent*>(event);
  int index = -1;
  for (int i = 0; i < kCellCount; ++i) {
    if (cells_[static_cast<size_t>(i)] == watched)
      index = i;
  }
  if (index < 0 || mouse->button() != Qt::LeftButton)
    return QWidget::eventFilter(watched, event);
  if (type == QEvent::MouseButtonRelease) {
    const bool inside =
        cells_[static_cast<size_t>(index)]->rect().contains(mouse->position().toPoint());
    if (pressedCell_ == index && inside)
      cellClicked(index);
    pressedCell_ = -1;
  } else {
    pressedCell_ = index;
  }
  return true;
}

void VolControl::cellClicked(int index) {
  PaintLevel(static_cast<int16_t>(index));
  int16_t level = iLevel_;
  Q_EMIT ValueChanged(level);
  Q_EMIT Click();
}

}  // namespace qvt
