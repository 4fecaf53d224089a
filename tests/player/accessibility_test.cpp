// Every window of both programs reached without a mouse: each control the keyboard can reach
// has a name that a screen reader speaks (words, not a symbol such as "<"), and Tab visits
// every such control.
#include <gtest/gtest.h>
#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QInputDialog>
#include <QMessageBox>
#include <algorithm>
#include <functional>

#include "platform/linux/LinuxDialogs.h"
#include "player/options/frmOptions.h"
#include "player/playlists/frmChoose.h"
#include "player/playlists/frmList.h"
#include "player/playlists/frmSearch.h"
#include "player/quickplay/frmQMusic.h"
#include "player/window/frmMusic.h"
#include "shared/ui/ProgressWindows.h"
#include "shared/ui/frmDeterminedProcessing.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/PlayerWindowsFixture.h"
#include "tests/support/WindowTest.h"

namespace qvt {
namespace {

// A control that Tab stops at.
bool TabStop(QWidget& w, QWidget& window) {
  return w.isVisibleTo(&window) && w.isEnabledTo(&window) && w.focusProxy() == nullptr &&
         (w.focusPolicy() & Qt::TabFocus) == Qt::TabFocus;
}

QString Describe(QWidget& w) {
  return (w.objectName().isEmpty() ? QStringLiteral("(unnamed)") : w.objectName()) +
         QStringLiteral(" (") + QString::fromLatin1(w.metaObject()->className()) + QLatin1Char(')');
}

QString AccessibleName(QWidget& w) {
  QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(&w);
  return accessible != nullptr ? accessible->text(QAccessible::Name).trimmed() : QString();
}

// The controls Tab stops at, in the order Tab visits them from the first.
QList<QWidget*> TabChain(QWidget& window) {
  QList<QWidget*> chain;
  QWidget* w = window.nextInFocusChain();
  for (int guard = 0; w != &window && guard < 1000; ++guard, w = w->nextInFocusChain()) {
    if (window.isAncestorOf(w) && TabStop(*w, window) && !chain.contains(w))
      chain << w;
  }
  return chain;
}

struct Window {
  const char* name;
  std::function<QWidget*()> open;
};

class Accessibility : public test::WindowTest {
 protected:
  void SetUp() override {
    WindowTest::SetUp();
    platform().progressWindows = &test::ProgressWindows();
  }
  void TearDown() override {
    HideProcessing();
    WindowTest::TearDown();
  }
  std::vector<std::unique_ptr<QWidget>> boxes_;
};

TEST_F(Accessibility, EveryControlHasANameAndTabReachesItInReadingOrder) {
  const auto show = [](QWidget& w) {
    w.show();
    return &w;
  };
  const std::vector<Window> windows = {
      {"player", [&] { return show(test::Slot<frmMusic>().Get()); }},
      {"editor", [&] { return show(test::Slot<frmChoose>().Get()); }},
      {"list view", [&] { return show(test::Slot<frmList>().Get()); }},
      {"song search",
       [&] {
         show(test::Slot<frmList>().Get());
         return show(test::Slot<frmSearch>().Get());
       }},
      {"options", [&] { return show(test::Slot<frmOptions>().Get()); }},
      {"quick play", [&] { return show(test::Slot<frmQMusic>().Get()); }},
      {"progress bar",
       [&] {
         ShowDeterminedProcessing(0, 100, true, QStringLiteral("Loading"));
         return static_cast<QWidget*>(&test::Slot<frmDeterminedProcessing>().Get());
       }},
      {"message box",
       [&] {
         boxes_.push_back(
             BuildMessageBox({QStringLiteral("Save the list?"), QStringLiteral("Quavertone"),
                              MsgButtons::YesNoCancel, MsgIcon::Question, 1, false}));
         return show(*boxes_.back());
       }},
      {"input box",
       [&] {
         boxes_.push_back(
             BuildInputBox(QStringLiteral("Enter file name"), QStringLiteral("Quavertone"), {}));
         return show(*boxes_.back());
       }},
  };
  for (const Window& entry : windows) {
    SCOPED_TRACE(entry.name);
    QWidget* window = entry.open();
    ASSERT_NE(window, nullptr);
    QStringList unnamed;
    QList<QWidget*> stops;
    for (QWidget* w : window->findChildren<QWidget*>()) {
      if (!TabStop(*w, *window))
        continue;
      stops << w;
      const QString name = AccessibleName(*w);
      if (std::none_of(name.begin(), name.end(), [](QChar c) { return c.isLetter(); }))
        unnamed << Describe(*w) + QStringLiteral(" \"") + name + QLatin1Char('"');
    }
    EXPECT_EQ(unnamed.join(QStringLiteral(", ")).toStdString(), "")
        << "controls without an accessible name";
    const QList<QWidget*> chain = TabChain(*window);
    QStringList missed;
    for (QWidget* w : stops) {
      if (!chain.contains(w))
        missed << Describe(*w);
    }
    EXPECT_EQ(missed.join(QStringLiteral(", ")).toStdString(), "") << "Tab never reaches them";
    window->hide();
  }
}

}  // namespace
}  // namespace qvt
