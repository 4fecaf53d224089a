// Test main: the headless application of TestApp.h, logging quiet unless QVT_LOG asks for it
// (platform/base/Log.h), then GoogleTest, every test starting with the progress operations'
// state afresh.
#include <gtest/gtest.h>
#include <QApplication>

#include "platform/base/Log.h"
#include "tests/support/TestApp.h"

namespace {

class ProgressAfreshPerTest : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override { qvt::test::StartProgressAfresh(); }
};

}  // namespace

int main(int argc, char** argv) {
  qvt::test::SetHeadlessEnvironment();
  QApplication app(argc, argv);
  qvt::test::PrepareApplication();
  qvt::QuietLoggingUnlessAsked();
  ::testing::InitGoogleTest(&argc, argv);
  testing::UnitTest::GetInstance()->listeners().Append(new ProgressAfreshPerTest);
  return RUN_ALL_TESTS();
}
