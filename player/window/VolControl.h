#pragma once
// VolControl: a vertical bar of 20 cells, index 0 at the top, in which one yellow cell shows
// the current level. Clicking a cell selects that level and tells the containing window
// (ValueChanged, then Click). The control knows nothing about sound.
//
// Properties, in their public order: BackColor, Enabled, Font, BackStyle, BorderStyle,
// CurrentValue. Apart from CurrentValue they are stored and persisted only; in particular
// Enabled does not block clicks (it is kept apart from QWidget's enabled state).

#include <QColor>
#include <QFont>
#include <QVariantMap>
#include <QWidget>
#include <array>
#include <cstdint>
#include <optional>

class QLabel;

namespace qvt {

class VolControl : public QWidget {
  Q_OBJECT

 public:
  static constexpr int kCellCount = 20;
  // Design sizes in pixels (15 twips each): a cell of 375 x 45 twips in a client area of
  // 390 x 915 twips.
  static constexpr int kDesignCellWidth = 25;
  static constexpr int kDesignCellHeight = 3;
  static constexpr int kDesignWidth = 26;
  static constexpr int kDesignHeight = 61;
  static const QColor kLevelColor;  // yellow, the cell of the current level
  static const QColor kCellColor;   // silver, every other cell once a level is set

  explicit VolControl(QWidget* parent = nullptr);

  QColor BackColor() const { return backColor_; }
  void SetBackColor(const QColor& color);
  // Stored and persisted only: never passed to QWidget::setEnabled.
  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  // The containing window's font until one is set.
  QFont Font() const;
  void SetFont(const QFont& font);
  int16_t BackStyle() const { return backStyle_; }
  void SetBackStyle(int16_t style);
  int16_t BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(int16_t style);
  // The live level. Writing it repaints the cells and raises no event; a level outside
  // 0..19 leaves every cell silver and still reads back as written.
  int16_t CurrentValue() const { return iLevel_; }
  void SetCurrentValue(int16_t level);

  void Refresh();

  // Design-time persistence: every property under its own name, omitted when it equals its
  // default; reading restores the defaults for names that are missing.
  void writeProperties(QVariantMap& bag) const;
  void readProperties(const QVariantMap& bag);

  static QColor DefaultBackColor();
  QFont DefaultFont() const;

  // The cell label of an index (0 = top), for containers and tests.
  QLabel* cell(int index) const;

  QSize sizeHint() const override { return {kDesignWidth, kDesignHeight}; }

 Q_SIGNALS:
  void ValueChanged(int16_t level);
  void Click();
  // A property was written (its name), for the container's persistence.
  void PropertyChanged(const QString& name);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void PaintLevel(int16_t iCurLevel);
  void layoutCells();
  void cellClicked(int index);

  std::array<QLabel*, kCellCount> cells_{};
  QColor backColor_;
  bool enabled_ = false;
  std::optional<QFont> font_;
  int16_t backStyle_ = 0;
  int16_t borderStyle_ = 0;
  int16_t iLevel_ = 0;
  int pressedCell_ = -1;
};

}  // namespace qvt
