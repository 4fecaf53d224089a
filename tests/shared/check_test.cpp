// The soft check and the skipped step: each goes on, and leaves one warning in its logging area
// saying where and what was dropped.
#include <gtest/gtest.h>

#include <QLoggingCategory>
#include <QString>
#include <QStringList>
#include <stdexcept>

#include "platform/base/Check.h"

using namespace qvt;

namespace {

QStringList g_logged;
QStringList g_infos;

void Record(QtMsgType type, const QMessageLogContext& context, const QString& text) {
  if (QByteArrayView(context.category) != "qvt.playlist")
    return;
  if (type == QtWarningMsg)
    g_logged << text;
  if (type == QtInfoMsg)
    g_infos << text;
}

class Check : public testing::Test {
 protected:
  void SetUp() override {
    g_logged.clear();
    g_infos.clear();
    QLoggingCategory::setFilterRules("qvt.playlist.info=true\nqvt.playlist.warning=true");
    previous_ = qInstallMessageHandler(Record);
  }
  void TearDown() override {
    qInstallMessageHandler(previous_);
    QuietLoggingUnlessAsked();
  }

 private:
  QtMessageHandler previous_ = nullptr;
};

}  // namespace

TEST_F(Check, FalseConditionLogsPlaceConditionAndValueThenGoesOn) {
  const int index = 7;
  EXPECT_TRUE(QVT_CHECK(lcPlaylist(), index > 0));
  EXPECT_TRUE(g_logged.isEmpty());
  const int line = __LINE__ + 1;
  EXPECT_FALSE(QVT_CHECK(lcPlaylist(), index < 5, index));
  ASSERT_EQ(g_logged.size(), 1);
  EXPECT_TRUE(g_logged[0].contains(QStringLiteral("check_test.cpp:%1").arg(line)))
      << qPrintable(g_logged[0]);
  EXPECT_TRUE(g_logged[0].contains("index < 5"));
  EXPECT_TRUE(g_logged[0].contains("7"));
}

TEST_F(Check, FailedStepIsSkippedLoggedAndHandedOn) {
  int ran = 0;
  QString handed;
  const bool first = TryStep(lcPlaylist(), [&] { throw std::out_of_range("no entry 9"); });
  const bool second = TryStep(
      lcPlaylist(), [&] { throw std::runtime_error("locked"); },
      [&](const std::exception& e) { handed = e.what(); });
  const bool third = TryStep(lcPlaylist(), [&] { ++ran; });
  EXPECT_FALSE(first);
  EXPECT_FALSE(second);
  EXPECT_TRUE(third);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(handed, "locked");
  ASSERT_EQ(g_logged.size(), 2);
  EXPECT_TRUE(g_logged[0].contains("no entry 9"));
  EXPECT_TRUE(g_logged[1].contains("check_test.cpp:"));
  // Only std::exception is a failed step: anything else is not the step's to drop.
  EXPECT_THROW(TryStep(lcPlaylist(), [] { throw 3; }), int);
}

TEST_F(Check, DroppedExceptionOfAnyKindIsLogged) {
  try {
    throw 3;
  } catch (...) {
    LogDropped(lcPlaylist());
  }
  ASSERT_EQ(g_logged.size(), 1);
  EXPECT_TRUE(g_logged[0].contains("not a std::exception"));
}

// A failure that is part of normal use is an info line, never a dropped warning; a quiet area
// writes nothing at all.
TEST_F(Check, ExpectedFailuresAreInfoAndQuietAreasSayNothing) {
  EXPECT_FALSE(TryExpectedStep(lcPlaylist(), [] { throw std::runtime_error("not playable"); }));
  EXPECT_TRUE(g_logged.isEmpty());
  ASSERT_EQ(g_infos.size(), 1);
  EXPECT_TRUE(g_infos[0].contains("not playable"));
  QLoggingCategory::setFilterRules("qvt.*=false");
  EXPECT_FALSE(QVT_CHECK(lcPlaylist(), false));
  EXPECT_FALSE(TryStep(lcPlaylist(), [] { throw std::runtime_error("locked"); }));
  EXPECT_TRUE(g_logged.isEmpty());
}
