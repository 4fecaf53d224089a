// The progress operations against a recorder of the windows: suppression, the bar's wrap rule,
// the message window's resize rule, hidden windows, re-use of a window, and the event pass that
// ends every update.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/fakes/FakePlatform.h"
#include "shared/Twips.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/ProgressRecorder.h"

using namespace qvt;
using testing::ElementsAre;
using testing::IsEmpty;
using Op = ProgressRecorder::Op;

namespace {

constexpr ProgressWindow kMessage = ProgressWindow::Message;
constexpr ProgressWindow kBar = ProgressWindow::Bar;

class ProcessorTest : public testing::Test {
 protected:
  ProcessorTest() { SetProcessingSuppressed(false); }
  ~ProcessorTest() override { SetProcessingSuppressed(false); }

  FakePlatform fake;
  ProgressRecorder rec;
};

// The number of resizes (fits) made by each of the updates, in order.
std::vector<int> FitsPerUpdate(ProgressRecorder& rec, const QStringList& messages) {
  std::vector<int> fits;
  for (const QString& m : messages) {
    const int before = rec.count(Op::Fit, kMessage);
    UpdateProcessing(m);
    fits.push_back(rec.count(Op::Fit, kMessage) - before);
  }
  return fits;
}

}  // namespace

TEST_F(ProcessorTest, SuppressedOperationsTouchNoWindowButStillRunTheEventLoop) {
  ShowProcessing("before");
  HideProcessing();
  rec.clear();
  SetProcessingSuppressed(true);
  EXPECT_TRUE(IsProcessingSuppressed());
  ShowProcessing("Removing songs...");
  UpdateProcessing("a");
  ShowDeterminedProcessing(0, 20, true, "Starting to verify list");
  UpdateProcessing("b");
  UpdateProcessing("");
  HideProcessing();
  EXPECT_TRUE(rec.calls.empty());
  EXPECT_EQ(fake.eventLoop.passes, 3);
  EXPECT_EQ(GetProcessingForm(), kMessage) << "a suppressed Show does not change the window in use";
}

TEST_F(ProcessorTest, WindowOpenedBeforeSuppressionStaysUntilAHideAfterIt) {
  ShowProcessing("Establishing Connection....");
  SetProcessingSuppressed(true);
  HideProcessing();
  EXPECT_TRUE(rec.message.bVisible);
  SetProcessingSuppressed(false);
  HideProcessing();
  EXPECT_FALSE(rec.message.bLoaded);
  EXPECT_EQ(rec.count(Op::Close, kMessage), 1);
}

TEST_F(ProcessorTest, BarAdvancesOnePerUpdateAndWrapsOrStops) {
  struct Row {
    double dblMin, dblMax;
    bool bWrap;
    int updates;
    std::vector<float> tail;  // the last values set
  };
  const std::vector<Row> rows = {
      {0, 20, true, 21, {18, 19, 20, 0}},
      {0, 20, false, 21, {18, 19, 20, 20}},
      {0, 20, true, 42, {19, 20, 0}},     // wraps every time it passes the maximum
      {1, 100, true, 100, {99, 100, 1}},  // starts again at the minimum, not at 0
      {0, 0, false, 3, {0, 0, 0}},        // an empty range
      {5, 2, true, 2, {5, 5}},            // a maximum below the minimum is the minimum
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.dblMin << ".." << row.dblMax << " wrap " << row.bWrap);
    rec.clear();
    ShowDeterminedProcessing(row.dblMin, row.dblMax, row.bWrap, "caption");
    EXPECT_EQ(rec.bar.value, static_cast<float>(row.dblMin));
    for (int i = 0; i < row.updates; ++i)
      UpdateProcessing("x");
    const std::vector<float> values = rec.barValues();
    ASSERT_EQ(values.size(), static_cast<size_t>(row.updates) + 1);
    const std::vector<float> tail(values.end() - static_cast<long>(row.tail.size()), values.end());
    EXPECT_EQ(tail, row.tail);
    EXPECT_GE(rec.bar.max, rec.bar.min);
    HideProcessing();
  }
}

TEST_F(ProcessorTest, BarCountsOneToTwentyThenZero) {
  ShowDeterminedProcessing(0, 20, true, "Beginning Download of file list");
  for (int i = 0; i < 21; ++i)
    UpdateProcessing("Completed");
  std::vector<float> expected;
  for (int v = 0; v <= 20; ++v)
    expected.push_back(static_cast<float>(v));
  expected.push_back(0);
  EXPECT_EQ(rec.barValues(), expected);
}

TEST_F(ProcessorTest, ShowDeterminedOpensCentredWithItsCaption) {
  ShowDeterminedProcessing(0, 600, false, "Loading Large Play list");
  EXPECT_THAT(rec.log(), ElementsAre("range bar: 0..600", "value bar: 0", "show bar",
                                     "text bar: Loading Large Play list"));
  EXPECT_EQ(rec.bar.left, (TwipsOf(fake.screen.width) - 5640) / 2);
  EXPECT_EQ(rec.bar.top, (TwipsOf(fake.screen.height) - 1260) / 2);
  EXPECT_EQ(GetProcessingForm(), kBar);
  EXPECT_EQ(rec.calls.back().op, Op::Repaint);
}

TEST_F(ProcessorTest, EmptyMessageKeepsTheBarTextButAdvances) {
  ShowDeterminedProcessing(1, 100, true, "Waiting for QVT to close");
  UpdateProcessing("");
  UpdateProcessing("");
  EXPECT_EQ(rec.bar.sText, "Waiting for QVT to close");
  EXPECT_THAT(rec.texts(kBar), ElementsAre("Waiting for QVT to close"));
  EXPECT_EQ(rec.bar.value, 3);
  UpdateProcessing("Testing:\r\nsong");
  EXPECT_EQ(rec.bar.sText, "Testing:\r\nsong");
  EXPECT_EQ(rec.bar.value, 4);
}

TEST_F(ProcessorTest, MessageWindowOpensSizedToItsTextAndCentred) {
  ShowProcessing("Establishing Connection....", true, 20);
  EXPECT_THAT(rec.log(), ElementsAre("text message: Establishing Connection....", "fit message",
                                     "show message"));
  const QSizeF size = rec.message.size;
  EXPECT_EQ(size.width(), 120.0 * 27 + 300);
  EXPECT_EQ(rec.message.left, (TwipsOf(fake.screen.width) - size.width()) / 2);
  EXPECT_EQ(rec.message.top, (TwipsOf(fake.screen.height) - size.height()) / 2);
  EXPECT_EQ(GetProcessingForm(), kMessage);
}

TEST_F(ProcessorTest, LongerMessageResizesAtOnceShorterOnlyEveryNthUpdate) {
  ShowProcessing("Establishing Connection....", true, 3);
  // Longer: resized at once (and re-centred); shorter: only on the 3rd update after a resize.
  EXPECT_THAT(FitsPerUpdate(rec, {"Establishing Connection.... and more", "short", "short", "short",
                                  "short", "short", "short"}),
              ElementsAre(1, 0, 0, 1, 0, 0, 1));
  EXPECT_EQ(rec.message.sText, "short");
  EXPECT_EQ(rec.message.size.width(), 120.0 * 5 + 300);
  EXPECT_EQ(rec.message.left, (TwipsOf(fake.screen.width) - rec.message.size.width()) / 2);
}

TEST_F(ProcessorTest, EachShowStartsTheCountOfUpdatesAgain) {
  ShowProcessing("an earlier operation", true, 50);
  for (int i = 0; i < 10; ++i)
    UpdateProcessing("short");
  HideProcessing();
  ShowProcessing("Establishing Connection....", true, 3);
  EXPECT_THAT(FitsPerUpdate(rec, {"short", "short", "short"}), ElementsAre(0, 0, 1));
}

TEST_F(ProcessorTest, ResizeEveryBelowOneMeansEveryUpdate) {
  for (const double dblEvery : {0.0, -5.0, 1.0, 0.5}) {
    SCOPED_TRACE(dblEvery);
    ShowProcessing("Establishing Connection...", true, dblEvery);
    EXPECT_THAT(FitsPerUpdate(rec, {"a", "b", "c"}), ElementsAre(1, 1, 1));
  }
}

TEST_F(ProcessorTest, WithoutAutoSizeOnlyTheTextChanges) {
  ShowProcessing("Hi", false, 0);
  EXPECT_THAT(FitsPerUpdate(rec, {"a much longer message than before", "b"}), ElementsAre(0, 0));
  EXPECT_EQ(rec.message.sText, "b");
  EXPECT_EQ(rec.count(Op::Repaint, kMessage), 3);
}

TEST_F(ProcessorTest, LengthCountsCharactersNotUtf16Units) {
  // Four characters, eight UTF-16 units: a three-letter message is shorter, a five-letter one
  // longer.
  ShowProcessing(QString::fromUtf8("\U0001F3B5\U0001F3B5\U0001F3B5\U0001F3B5"), true, 100);
  EXPECT_THAT(FitsPerUpdate(rec, {"abc", "abcde"}), ElementsAre(0, 1));
}

TEST_F(ProcessorTest, CountdownMessagesGrowTheEmptyWindow) {
  for (int i = 5; i >= 0; --i) {
    ShowProcessing("", true, 0);
    UpdateProcessing(QStringLiteral("Waiting for QVT to close\r\nWaiting %1 seconds").arg(i));
    EXPECT_EQ(rec.message.size.width(), 120.0 * 24 + 300);
    EXPECT_EQ(rec.message.size.height(), 240.0 * 2 + 300);
    HideProcessing();
  }
  EXPECT_EQ(rec.count(Op::Close, kMessage), 6);
}

TEST_F(ProcessorTest, WindowHiddenByTheUserIsNeitherUpdatedNorShownAgain) {
  for (const ProgressWindow window : {kMessage, kBar}) {
    SCOPED_TRACE(window == kBar ? "bar" : "message");
    if (window == kBar) {
      ShowDeterminedProcessing(0, 20, false, "caption");
    } else {
      ShowProcessing("caption");
    }
    rec.hideByUser(window);
    rec.clear();
    const int passes = fake.eventLoop.passes;
    UpdateProcessing("a longer message than the caption");
    UpdateProcessing("");
    EXPECT_TRUE(rec.calls.empty());
    EXPECT_EQ(fake.eventLoop.passes, passes + 2);
    HideProcessing();
    EXPECT_EQ(rec.log(), QStringList() << (window == kBar ? "close bar" : "close message"));
  }
}

TEST_F(ProcessorTest, SecondShowReusesTheWindowReinitialised) {
  ShowDeterminedProcessing(0, 20, true, "first");
  for (int i = 0; i < 7; ++i)
    UpdateProcessing("step");
  ShowDeterminedProcessing(10, 30, false, "second");
  EXPECT_EQ(rec.count(Op::Close, kBar), 0);
  EXPECT_EQ(rec.bar.sText, "second");
  EXPECT_EQ(rec.bar.value, 10);
  EXPECT_EQ(rec.bar.min, 10);
  EXPECT_EQ(rec.bar.max, 30);
  UpdateProcessing("");
  EXPECT_EQ(rec.bar.value, 11);

  ShowProcessing("a long first message", true, 50);
  ShowProcessing("second", true, 50);
  EXPECT_EQ(rec.count(Op::Close, kMessage), 0);
  EXPECT_EQ(rec.message.size.width(), 120.0 * 6 + 300);
  EXPECT_THAT(FitsPerUpdate(rec, {"second!"}), ElementsAre(1))
      << "sized for the second message, not the first";
}

TEST_F(ProcessorTest, HideClosesOnlyTheWindowInUse) {
  ShowProcessing("message");
  ShowDeterminedProcessing(0, 5, false, "bar");
  HideProcessing();
  EXPECT_FALSE(rec.bar.bLoaded);
  EXPECT_TRUE(rec.message.bLoaded);
  HideProcessing();
  EXPECT_EQ(rec.count(Op::Close, kBar), 1) << "a second Hide finds nothing more to close";
}

TEST_F(ProcessorTest, EventPassComesAfterTheWindowChanged) {
  ShowDeterminedProcessing(0, 20, false, "caption");
  QStringList seen;
  fake.eventLoop.onPass = [&] { seen << rec.bar.sText + "/" + QString::number(rec.bar.value); };
  UpdateProcessing("one");
  UpdateProcessing("");
  EXPECT_THAT(seen, ElementsAre("one/1", "one/2"));
}

TEST(ProcessorWithoutWindows, OperationsStillRunTheEventLoop) {
  FakePlatform fake;
  platform().progressWindows = nullptr;
  SetProcessingSuppressed(false);
  ShowProcessing("a");
  UpdateProcessing("b");
  ShowDeterminedProcessing(0, 3, true, "c");
  UpdateProcessing("d");
  HideProcessing();
  EXPECT_EQ(fake.eventLoop.passes, 2);
}
