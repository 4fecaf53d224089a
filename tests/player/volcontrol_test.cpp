// VolControl: the highlighted cell, clicks and their events, and property persistence.
#include <gtest/gtest.h>
#include <QImage>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "player/window/VolControl.h"

using qvt::VolControl;

namespace {

QColor cellColour(const VolControl& vol, int index) {
  return vol.cell(index)->palette().color(QPalette::Window);
}

// Indexes of the yellow cells, and whether every other cell is silver.
std::vector<int> yellowCells(const VolControl& vol, bool* othersSilver) {
  std::vector<int> yellow;
  *othersSilver = true;
  for (int i = 0; i < VolControl::kCellCount; ++i) {
    const QColor c = cellColour(vol, i);
    if (c == VolControl::kLevelColor) {
      yellow.push_back(i);
    } else if (c != VolControl::kCellColor) {
      *othersSilver = false;
    }
  }
  return yellow;
}

}  // namespace

TEST(VolControl, StartsWithSystemColoursAndNoLevel) {
  VolControl vol;
  EXPECT_EQ(vol.CurrentValue(), 0);
  const QColor window = QApplication::palette().color(QPalette::Window);
  for (int i = 0; i < VolControl::kCellCount; ++i) {
    EXPECT_EQ(cellColour(vol, i), window) << "cell " << i;
  }
  EXPECT_EQ(vol.BackColor(), QApplication::palette().color(QPalette::Button));
  EXPECT_FALSE(vol.Enabled());
  EXPECT_EQ(vol.BackStyle(), 0);
  EXPECT_EQ(vol.BorderStyle(), 0);
  EXPECT_TRUE(vol.isEnabled()) << "the Enabled property must not disable the widget";
}

TEST(VolControl, WritingLevelsHighlightsOneCellWithoutEvents) {
  struct Row {
    int16_t level;
    std::vector<int> yellow;
  };
  const Row rows[] = {{5, {5}}, {0, {0}}, {19, {19}}, {25, {}}, {-1, {}}, {20, {}}};
  VolControl vol;
  QSignalSpy changed(&vol, &VolControl::ValueChanged);
  QSignalSpy clicked(&vol, &VolControl::Click);
  for (const Row& row : rows) {
    vol.SetCurrentValue(row.level);
    bool othersSilver = false;
    EXPECT_EQ(yellowCells(vol, &othersSilver), row.yellow) << "level " << row.level;
    EXPECT_TRUE(othersSilver) << "level " << row.level;
    EXPECT_EQ(vol.CurrentValue(), row.level);
  }
  EXPECT_EQ(changed.count(), 0);
  EXPECT_EQ(clicked.count(), 0);
}

TEST(VolControl, ClickingACellRaisesValueChangedThenClick) {
  VolControl vol;
  vol.show();
  std::vector<QString> order;
  int16_t reported = -1;
  QObject::connect(&vol, &VolControl::ValueChanged, [&](int16_t level) {
    order.push_back("ValueChanged");
    reported = level;
    EXPECT_EQ(vol.CurrentValue(), level) << "the cell is painted before the event";
  });
  QObject::connect(&vol, &VolControl::Click, [&] { order.push_back("Click"); });

  QTest::mouseClick(vol.cell(19), Qt::LeftButton);
  EXPECT_EQ(reported, 19);
  EXPECT_EQ(order, (std::vector<QString>{"ValueChanged", "Click"}));
  bool othersSilver = false;
  EXPECT_EQ(yellowCells(vol, &othersSilver), std::vector<int>{19});

  // Enabled = False (the default) does not block clicks, and a right click is no click.
  order.clear();
  QTest::mouseClick(vol.cell(3), Qt::RightButton);
  EXPECT_TRUE(order.empty());
  QTest::mouseClick(vol.cell(3), Qt::LeftButton);
  EXPECT_EQ(reported, 3);
  EXPECT_EQ(order.size(), 2u);
}

TEST(VolControl, PressOnOneCellReleaseOnAnotherIsNoClick) {
  VolControl vol;
  vol.show();
  QSignalSpy changed(&vol, &VolControl::ValueChanged);
  QTest::mousePress(vol.cell(4), Qt::LeftButton);
  QTest::mouseRelease(vol.cell(9), Qt::LeftButton);
  EXPECT_EQ(changed.count(), 0);
}

TEST(VolControl, CellsTileTheDesignAreaAndFillALargerOne) {
  VolControl vol;
  for (int i = 0; i < VolControl::kCellCount; ++i) {
    EXPECT_EQ(vol.cell(i)->geometry(), QRect(0, 3 * i, 25, 3)) << "cell " << i;
  }
  vol.resize(52, 200);
  vol.show();  // a hidden widget gets its resize event when shown
  int expectedTop = 0;
  for (int i = 0; i < VolControl::kCellCount; ++i) {
    const QRect g = vol.cell(i)->geometry();
    EXPECT_EQ(g.top(), expectedTop) << "no gaps, cell " << i;
    EXPECT_EQ(g.height(), 10);
    EXPECT_EQ(g.width(), 50);
    expectedTop = g.bottom() + 1;
  }
  EXPECT_EQ(expectedTop, 200);
}

TEST(VolControl, PersistenceOmitsDefaultsAndRoundTrips) {
  VolControl fresh;
  QVariantMap bag;
  fresh.writeProperties(bag);
  EXPECT_TRUE(bag.isEmpty()) << bag.keys().join(",").toStdString();

  VolControl vol;
  QFont font("Courier New", 14);
  vol.SetBackColor(QColor(0x12, 0x34, 0x56));
  vol.SetEnabled(true);
  vol.SetFont(font);
  vol.SetBackStyle(1);
  vol.SetBorderStyle(1);
  vol.SetCurrentValue(7);
  vol.writeProperties(bag);
  EXPECT_EQ(bag.keys(), (QStringList{"BackColor", "BackStyle", "BorderStyle", "CurrentValue",
                                     "Enabled", "Font"}));

  VolControl copy;
  copy.readProperties(bag);
  EXPECT_EQ(copy.BackColor(), QColor(0x12, 0x34, 0x56));
  EXPECT_TRUE(copy.Enabled());
  EXPECT_EQ(copy.Font(), font);
  EXPECT_EQ(copy.BackStyle(), 1);
  EXPECT_EQ(copy.BorderStyle(), 1);
  EXPECT_EQ(copy.CurrentValue(), 7);
  EXPECT_EQ(cellColour(copy, 7), VolControl::kLevelColor);

  // Reading an empty bag restores every default and highlights nothing.
  VolControl reset;
  reset.readProperties(QVariantMap());
  QVariantMap again;
  reset.writeProperties(again);
  EXPECT_TRUE(again.isEmpty());
  EXPECT_EQ(cellColour(reset, 0), QApplication::palette().color(QPalette::Window));
}

TEST(VolControl, GrabAtLevelSevenShowsTheYellowCell) {
  QWidget host;
  host.resize(60, 90);
  auto* vol = new VolControl(&host);
  vol->move(10, 10);
  vol->SetCurrentValue(7);
  host.show();
  const QImage image = vol->grab().toImage();
  image.save(QStringLiteral(QVT_BINARY_DIR "/volcontrol_level7.png"));
  EXPECT_EQ(QColor(image.pixel(10, 7 * 3 + 1)), VolControl::kLevelColor);
  EXPECT_EQ(QColor(image.pixel(10, 6 * 3 + 1)), VolControl::kCellColor);
  EXPECT_EQ(QColor(image.pixel(25, 30)), vol->BackColor()) << "the strip right of the cells";
}
