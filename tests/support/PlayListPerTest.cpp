// Every test of a program that links the player starts with a play list object of its own,
// installed where the player's code finds it, as the program's composition root installs its
// one; it goes when the test ends, after the test's windows.
#include <gtest/gtest.h>

#include <memory>

#include "player/startup/MusicVariables.h"
#include "tests/support/PlayerWindowsFixture.h"

namespace {

class PlayListPerTest : public testing::EmptyTestEventListener {
  void OnTestStart(const testing::TestInfo&) override {
    mv_ = std::make_unique<qvt::MusicVariables>();
    scope_ = std::make_unique<qvt::ScopedMusicVariables>(*mv_);
  }
  void OnTestEnd(const testing::TestInfo&) override {
    qvt::test::EndWindowsOfTheTest();
    scope_.reset();
    mv_.reset();
  }

  std::unique_ptr<qvt::MusicVariables> mv_;
  std::unique_ptr<qvt::ScopedMusicVariables> scope_;
};

const bool kRegistered = [] {
  testing::UnitTest::GetInstance()->listeners().Append(new PlayListPerTest);
  return true;
}();

}  // namespace
