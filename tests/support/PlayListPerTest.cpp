// Every test of a program that links the player starts with a play list object of its own,
// which the test's windows and the test's own code receive (tests/support/PlayListOfTheTest.h);
// it goes when the test ends, after the test's windows.
#include <gtest/gtest.h>

#include <memory>

#include "player/startup/MusicVariables.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"

namespace {

class PlayListPerTest : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override {
    qvt::test::PlayListOfTheTest() = std::make_unique<qvt::MusicVariables>();
  }
  void OnTestEnd(const testing::TestInfo&) override {
    qvt::test::EndWindowsOfTheTest();
    qvt::test::PlayListOfTheTest().reset();
  }
};

const bool kRegistered = [] {
  testing::UnitTest::GetInstance()->listeners().Append(new PlayListPerTest);
  return true;
}();

}  // namespace
