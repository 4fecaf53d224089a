// Song names, paths and file contents are text, never markup: every window of both programs
// is opened with hostile names in every place that shows one, and every label, tool tip,
// caption and box of the dialog seam is checked.
#include <gtest/gtest.h>
#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QTimer>
#include <QWindow>
#include <set>

#include "platform/linux/LinuxDialogs.h"
#include "player/options/frmOptions.h"
#include "player/playlists/frmChoose.h"
#include "player/playlists/frmList.h"
#include "player/playlists/frmSearch.h"
#include "player/quickplay/frmQMusic.h"
#include "player/window/frmMusic.h"
#include "shared/ui/ProgressWindows.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"
#include "tests/support/WindowTest.h"

using namespace qvt;

namespace {

// Markup that Qt would render (a missing image, a heading, bold) and the title's modified mark.
const QString kHostile = QStringLiteral("x<img src=missing.png><h1>BIG</h1><b>[*]");

class PlainText : public test::WindowTest {
 protected:
  // Every label is plain text and no tool tip carries a name; returns the labels showing one.
  static std::set<QString> Walk() {
    std::set<QString> showing;
    for (QWidget* w : QApplication::allWidgets()) {
      const QString where =
          w->window()->metaObject()->className() + QStringLiteral("::") + w->objectName();
      EXPECT_FALSE(w->toolTip().contains(QStringLiteral("<h1>"))) << where.toStdString();
      auto* label = qobject_cast<QLabel*>(w);
      if (label == nullptr)
        continue;
      EXPECT_EQ(label->textFormat(), Qt::PlainText) << where.toStdString();
      if (label->text().contains(QStringLiteral("<b>")))
        showing.insert(where);
    }
    return showing;
  }
};

TEST_F(PlainText, EveryWindowShowsHostileNamesAsText) {
  frmMusic& player = test::Slot<frmMusic>().Get();  // loads an empty list on its first run
  test::PlayList().replaceAll(std::vector<QString>{"/m/" + kHostile, "/m/b"},
                              std::vector<QString>{kHostile, "b" + kHostile});
  player.setDisplay(0);
  frmList& view = test::Slot<frmList>().Get();
  frmChoose& editor = test::Slot<frmChoose>().Get();
  editor.SetAddingCaption(kHostile);
  editor.SetStatusText(kHostile);
  test::Slot<frmSearch>().Get();
  test::Slot<frmOptions>().Get();
  frmQMusic& quick = test::Slot<frmQMusic>().Get();
  const QString quickName = QStringLiteral("q<b>BIG<i>.mp3");  // a file name holds no "/"
  QFile(fake.path(quickName)).open(QIODevice::WriteOnly);
  quick.SetFileToPlay(fake.path(quickName));
  test::PlayList().bPlaying = true;
  quick.StartPlayQ();
  platform().progressWindows = &test::ProgressWindows();
  SetProcessingSuppressed(false);
  ShowProcessing(kHostile);
  std::set<QString> showing = Walk();
  HideProcessing();
  ShowDeterminedProcessing(0, 10, false, kHostile);
  UpdateProcessing(kHostile);
  showing.merge(Walk());
  HideProcessing();

  for (const char* expected :
       {"qvt::frmMusic::lblCurrentSong", "qvt::frmList::lblStatus", "qvt::frmChoose::lblAdding",
        "qvt::frmChoose::stbPanel1", "qvt::frmQMusic::lblCurrentSong",
        "qvt::frmProcessing::lblMessage"}) {
    EXPECT_TRUE(showing.count(expected)) << expected;
  }
  view.winId();
  EXPECT_TRUE(view.windowHandle()->title().endsWith(kHostile))
      << view.windowHandle()->title().toStdString();
}

// The production dialog seam shows its texts as they are.
TEST(PlainTextDialogs, MessageAndInputBoxesShowTextAsItIs) {
  qunsetenv("QUAVERTONE_AUTO_ANSWER");
  LinuxDialogs dialogs;
  std::vector<Qt::TextFormat> formats;
  const auto inspect = [&] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    for (QLabel* label : box->findChildren<QLabel*>()) {
      if (label->text().contains(QStringLiteral("<b>")))
        formats.push_back(label->textFormat());
    }
    box->close();
  };
  QTimer::singleShot(0, inspect);
  dialogs.messageBox({kHostile, kHostile});
  QTimer::singleShot(0, inspect);
  EXPECT_FALSE(dialogs.inputBox(kHostile, kHostile, kHostile).has_value());
  EXPECT_EQ(formats, std::vector<Qt::TextFormat>(2, Qt::PlainText));
}

}  // namespace
