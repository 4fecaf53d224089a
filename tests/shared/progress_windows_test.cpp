// The real progress windows, offscreen: their layout, the operations driving them, the user's
// click, repaints paced to the screen's frames, and a PNG of each window for a look.
#include <gtest/gtest.h>
#include <QDir>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QTest>
#include <QWindow>
#include <optional>

#include "platform/fakes/FakePlatform.h"
#include "shared/ui/ProgressWindows.h"
#include "shared/ui/frmDeterminedProcessing.h"
#include "shared/ui/frmProcessing.h"
#include "tests/support/InstalledProgress.h"

using namespace qvt;

namespace {

QtProgressWindows& Progress() {
  static QtProgressWindows windows(ProcessorStateOf(platform()));
  return windows;
}

class ProgressWindowsTest : public testing::Test {
 protected:
  ProgressWindowsTest() {
    platform().progressWindows = &Progress();
    SetProcessingSuppressed(false);
  }
  ~ProgressWindowsTest() override {
    Progress().forms().UnloadAllWithoutHandlers();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // The top left corner, in pixels, that centres a window of this size on the fake screen.
  QPoint centred(const QSize& size) const {
    return QPoint(qRound((fake.screen.width - size.width()) / 2.0),
                  qRound((fake.screen.height - size.height()) / 2.0));
  }

  FakePlatform fake;
};

// Counts the paint events of a widget and remembers the text painted last.
class PaintSpy : public QObject {
 public:
  explicit PaintSpy(QLabel* label) : label_(label) { label->installEventFilter(this); }
  int paints = 0;
  QString lastPainted;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched == label_ && event->type() == QEvent::Paint) {
      ++paints;
      lastPainted = label_->text();
    }
    return false;
  }

 private:
  QLabel* label_;
};

}  // namespace

TEST_F(ProgressWindowsTest, DeterminedWindowLayoutInTwips) {
  frmDeterminedProcessing& form = Progress().bar().Get();
  EXPECT_EQ(form.windowTitle(), "Processing...");
  EXPECT_EQ(form.size(), QSize(376, 84));  // 5640 x 1260 twips
  const struct {
    const char* name;
    QRect twips;
  } controls[] = {{"lblmsg", QRect(120, 0, 5415, 615)}, {"pgbProcess", QRect(120, 720, 5415, 495)}};
  for (const auto& control : controls) {
    SCOPED_TRACE(control.name);
    const QWidget* widget = form.findChild<QWidget*>(control.name);
    ASSERT_NE(widget, nullptr);
    const QRect& t = control.twips;
    EXPECT_EQ(widget->geometry(), QRect(t.x() / 15, t.y() / 15, t.width() / 15, t.height() / 15));
  }
  EXPECT_EQ(form.lblmsg, form.findChild<QLabel*>("lblmsg"));
  EXPECT_EQ(form.pgbProcess, form.findChild<QProgressBar*>("pgbProcess"));
}

TEST_F(ProgressWindowsTest, MessageWindowIsExactlyItsLabelCentred) {
  ShowProcessing("Establishing Connection....", true, 20);
  frmProcessing& form = Progress().message().Get();
  ASSERT_TRUE(form.isVisible());
  EXPECT_EQ(form.lblMessage->objectName(), "lblMessage");
  EXPECT_EQ(form.lblMessage->text(), "Establishing Connection....");
  EXPECT_EQ(form.lblMessage->geometry(), QRect(QPoint(0, 0), form.size()));
  EXPECT_EQ(form.pos(), centred(form.size()));
  const int width = form.width();

  UpdateProcessing("Establishing Connection.... and a good deal more text");
  EXPECT_GT(form.width(), width);
  EXPECT_EQ(form.lblMessage->geometry(), QRect(QPoint(0, 0), form.size()));
  EXPECT_EQ(form.pos(), centred(form.size()));
  EXPECT_TRUE(form.isVisible());

  UpdateProcessing("Two\r\nlines");
  EXPECT_EQ(form.lblMessage->text(), "Two\r\nlines");
  EXPECT_GT(form.width(), width) << "a shorter message keeps the size";
}

TEST_F(ProgressWindowsTest, FileNamesAreShownAsTextNotMarkup) {
  ShowProcessing("<b>x</b>");
  frmProcessing& form = Progress().message().Get();
  const int markupWidth = form.width();
  ShowProcessing("x");
  EXPECT_GT(markupWidth, form.width() * 3 / 2);
  ShowDeterminedProcessing(0, 2, false, "<i>song</i>");
  EXPECT_EQ(Progress().bar().Get().lblmsg->textFormat(), Qt::PlainText);
}

TEST_F(ProgressWindowsTest, ClickOnTheMessageHidesItForTheRestOfTheOperation) {
  ShowProcessing("Removing songs...");
  frmProcessing& form = Progress().message().Get();
  QTest::mouseClick(form.lblMessage, Qt::LeftButton);
  EXPECT_FALSE(form.isVisible());
  UpdateProcessing("Removing songs... and more");
  EXPECT_FALSE(form.isVisible());
  EXPECT_EQ(form.lblMessage->text(), "Removing songs...");
  QPointer<frmProcessing> old(&form);
  HideProcessing();
  EXPECT_FALSE(Progress().message().IsLoaded());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(old.isNull());
  ShowProcessing("again");
  EXPECT_TRUE(Progress().message().Get().isVisible()) << "the next Show opens a new window";
}

// While the operation can stop, the user stops it by pressing Escape in its window or by closing
// the window; otherwise neither gesture stops anything.
TEST_F(ProgressWindowsTest, EscapeOrClosingStopsAnOperationThatCanStop) {
  for (const bool bBar : {false, true}) {
    for (const bool bEscape : {false, true}) {
      for (const bool bCancellable : {false, true}) {
        SCOPED_TRACE(testing::Message()
                     << "bar " << bBar << ", escape " << bEscape << ", can stop " << bCancellable);
        if (bBar)
          ShowDeterminedProcessing(0, 20, true, "Downloading...");
        else
          ShowProcessing("Downloading...");
        ProgressForm& form =
            bBar ? static_cast<ProgressForm&>(Progress().bar().Get()) : Progress().message().Get();
        int cancels = 0;
        std::optional<ScopedProcessingCancel> scope;
        if (bCancellable)
          scope.emplace(ProcessorStateOf(platform()), [&] { ++cancels; });
        if (bEscape) {
          QTest::keyClick(&form, Qt::Key_Escape);
        } else {
          form.windowHandle()->close();  // as the window manager's close button does
        }
        EXPECT_EQ(cancels, bCancellable ? 1 : 0);
        EXPECT_EQ(form.isVisible(), bEscape) << "Escape alone does not close the window";
        scope.reset();
        HideProcessing();
      }
    }
  }
  EXPECT_FALSE(IsProcessingCancellable());
}

TEST_F(ProgressWindowsTest, BarWindowWrapsAndClosesOnHide) {
  ShowDeterminedProcessing(0, 20, true, "Beginning Download of file list");
  frmDeterminedProcessing& form = Progress().bar().Get();
  EXPECT_TRUE(form.isVisible());
  EXPECT_EQ(form.pos(), centred(form.size()));
  EXPECT_EQ(form.message(), "Beginning Download of file list");
  for (int i = 1; i <= 20; ++i)
    UpdateProcessing("");
  EXPECT_EQ(form.value(), 20);
  UpdateProcessing("Completed");
  EXPECT_EQ(form.value(), 0);
  EXPECT_EQ(form.message(), "Completed");
  QTest::qWait(40);
  EXPECT_EQ(form.pgbProcess->value(), 0) << "the controls show it within a frame";
  EXPECT_EQ(form.lblmsg->text(), "Completed");
  HideProcessing();
  EXPECT_FALSE(Progress().bar().IsLoaded());
  EXPECT_FALSE(form.isVisible());
}

TEST_F(ProgressWindowsTest, TextIsAlwaysCurrentWhilePaintsArePacedToFrames) {
  ShowDeterminedProcessing(0, 2000, false, "Loading Large Play list");
  frmDeterminedProcessing& form = Progress().bar().Get();
  PaintSpy spy(form.lblmsg);
  const int paintsBefore = form.paints();
  for (int i = 0; i < 2000; ++i) {
    const QString text = QStringLiteral("Re-Adding...\r\nSong %1").arg(i);
    UpdateProcessing(text);
    ASSERT_EQ(form.message(), text);
  }
  EXPECT_EQ(form.value(), 2000);
  // Far fewer paints than updates (each update would have to take half a frame to reach this).
  EXPECT_LT(form.paints() - paintsBefore, 1000);
  EXPECT_LT(spy.paints, 1000);
  // Once the frame is over, what is painted is the latest text.
  QTest::qWait(3 * 16);
  EXPECT_EQ(spy.lastPainted, "Re-Adding...\r\nSong 1999");
}

TEST_F(ProgressWindowsTest, LosingTheFocusRepaintsAVisibleWindow) {
  ShowProcessing("message");
  ShowDeterminedProcessing(0, 1, false, "bar");
  ProgressForm* forms[] = {&Progress().message().Get(), &Progress().bar().Get()};
  for (ProgressForm* form : forms) {
    SCOPED_TRACE(form->objectName().toStdString());
    QTest::qWait(3 * 16);  // past any frame begun earlier
    const int paints = form->paints();
    QEvent deactivate(QEvent::WindowDeactivate);
    QCoreApplication::sendEvent(form, &deactivate);
    QTest::qWait(3 * 16);
    EXPECT_GT(form->paints(), paints);
    EXPECT_TRUE(form->isVisible());
    form->hide();
    QTest::qWait(3 * 16);
    const int hiddenPaints = form->paints();
    QCoreApplication::sendEvent(form, &deactivate);
    QTest::qWait(3 * 16);
    EXPECT_EQ(form->paints(), hiddenPaints) << "a hidden window stays as it is";
  }
}

TEST_F(ProgressWindowsTest, SavesEachWindowAsPng) {
  const QString folder = QStringLiteral(QVT_BINARY_DIR "/screenshots");
  ASSERT_TRUE(QDir().mkpath(folder));
  ShowProcessing("Establishing Connection....", true, 20);
  UpdateProcessing("Waiting for QVT to close\r\nWaiting 5 seconds");
  ShowDeterminedProcessing(0, 20, true, "Loading Large Play list");
  for (int i = 0; i < 8; ++i)
    UpdateProcessing("Re-Adding...\r\nAll Along the Watchtower");
  const struct {
    QWidget* window;
    const char* file;
  } shots[] = {{&Progress().message().Get(), "frmProcessing.png"},
               {&Progress().bar().Get(), "frmDeterminedProcessing.png"}};
  for (const auto& shot : shots) {
    SCOPED_TRACE(shot.file);
    const QPixmap pixmap = shot.window->grab();
    EXPECT_EQ(pixmap.size(), shot.window->size());
    EXPECT_TRUE(pixmap.save(folder + "/" + shot.file));
  }
}

TEST_F(ProgressWindowsTest, AMessageWithFewerButWiderCharactersIsNotCutOff) {
  ShowProcessing("Establishing Connection....", true, 20);
  frmProcessing& form = Progress().message().Get();
  UpdateProcessing("12288 Bytes Downloaded...");
  const QFontMetrics metrics = form.lblMessage->fontMetrics();
  EXPECT_GE(form.lblMessage->contentsRect().width(),
            metrics.horizontalAdvance(QStringLiteral("12288 Bytes Downloaded...")));
  EXPECT_EQ(form.lblMessage->geometry(), QRect(QPoint(0, 0), form.size()));
}
