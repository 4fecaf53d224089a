// Test main: the headless application of TestApp.h, then GoogleTest.
#include <gtest/gtest.h>
#include <QApplication>

#include "tests/support/TestApp.h"

int main(int argc, char** argv) {
  qvt::test::SetHeadlessEnvironment();
  QApplication app(argc, argv);
  qvt::test::PrepareApplication();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
