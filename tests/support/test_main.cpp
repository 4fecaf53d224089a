// Test main: the headless application of TestApp.h, logging quiet unless QVT_LOG asks for it
// (platform/base/Log.h), then GoogleTest.
#include <gtest/gtest.h>
#include <QApplication>

#include "platform/base/Log.h"
#include "tests/support/TestApp.h"

int main(int argc, char** argv) {
  qvt::test::SetHeadlessEnvironment();
  QApplication app(argc, argv);
  qvt::test::PrepareApplication();
  qvt::QuietLoggingUnlessAsked();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
