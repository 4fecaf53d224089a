// Test main: an offscreen Qt application (test discovery runs the binaries without a display),
// LC_NUMERIC reset to "C" as libmpv requires, then GoogleTest.
#include <QApplication>
#include <clocale>
#include <cstdlib>

#include <gtest/gtest.h>

#include "shared/ui/DesignFont.h"

int main(int argc, char** argv) {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr)
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (std::getenv("QUAVERTONE_AUDIO") == nullptr)
    setenv("QUAVERTONE_AUDIO", "null-fast", 1);
  QApplication app(argc, argv);
  std::setlocale(LC_NUMERIC, "C");
  qvt::ApplyDesignFont();
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
