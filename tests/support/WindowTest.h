#pragma once
// A fixture for tests of the player's windows: fake platform and media player, the shared
// state reset, no progress windows, and every window destroyed afterwards.

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QEvent>

#include "platform/fakes/FakeMediaPlayer.h"
#include "platform/fakes/FakePlatform.h"
#include "player/startup/MusicVariables.h"
#include "shared/Processor.h"
#include "shared/ui/Form.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"

namespace qvt::test {

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PlayList().resetAll();
    platform().progressWindows = nullptr;
  }
  void TearDown() override {
    test::UnloadAllWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    test::PlayList().resetAll();
  }

  FakePlatform fake;
  FakeMediaFactory media;
};

}  // namespace qvt::test
