// The soft check and the skipped step: each goes on, and leaves one warning saying where and
// what was dropped.
#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <stdexcept>

#include "shared/Check.h"

using namespace qvt;

namespace {

QStringList g_logged;

void Record(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type == QtWarningMsg)
    g_logged << text;
}

class Check : public testing::Test {
 protected:
  void SetUp() override {
    g_logged.clear();
    previous_ = qInstallMessageHandler(Record);
  }
  void TearDown() override { qInstallMessageHandler(previous_); }

 private:
  QtMessageHandler previous_ = nullptr;
};

}  // namespace

TEST_F(Check, FalseConditionLogsPlaceConditionAndValueThenGoesOn) {
  const int index = 7;
  EXPECT_TRUE(QVT_CHECK(index > 0));
  EXPECT_TRUE(g_logged.isEmpty());
  const int line = __LINE__ + 1;
  EXPECT_FALSE(QVT_CHECK(index < 5, index));
  ASSERT_EQ(g_logged.size(), 1);
  EXPECT_TRUE(g_logged[0].contains(QStringLiteral("check_test.cpp:%1").arg(line)))
      << qPrintable(g_logged[0]);
  EXPECT_TRUE(g_logged[0].contains("index < 5"));
  EXPECT_TRUE(g_logged[0].contains("7"));
}

TEST_F(Check, FailedStepIsSkippedLoggedAndHandedOn) {
  int ran = 0;
  QString handed;
  const bool first = TryStep([&] { throw std::out_of_range("no entry 9"); });
  const bool second = TryStep([&] { throw std::runtime_error("locked"); },
                              [&](const std::exception& e) { handed = e.what(); });
  const bool third = TryStep([&] { ++ran; });
  EXPECT_FALSE(first);
  EXPECT_FALSE(second);
  EXPECT_TRUE(third);
  EXPECT_EQ(ran, 1);
  EXPECT_EQ(handed, "locked");
  ASSERT_EQ(g_logged.size(), 2);
  EXPECT_TRUE(g_logged[0].contains("no entry 9"));
  EXPECT_TRUE(g_logged[1].contains("check_test.cpp:"));
  // Only std::exception is a failed step: anything else is not the step's to drop.
  EXPECT_THROW(TryStep([] { throw 3; }), int);
}

TEST_F(Check, DroppedExceptionOfAnyKindIsLogged) {
  try {
    throw 3;
  } catch (...) {
    LogDropped();
  }
  ASSERT_EQ(g_logged.size(), 1);
  EXPECT_TRUE(g_logged[0].contains("not a std::exception"));
}
