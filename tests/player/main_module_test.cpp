// The entry procedure: which window a command line opens, and what quick play is handed.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QEvent>

#include "platform/fakes/FakeMediaPlayer.h"
#include "platform/fakes/FakePlatform.h"
#include "player/quickplay/frmQMusic.h"
#include "player/startup/MainModule.h"
#include "player/startup/MusicVariables.h"
#include "player/window/frmMusic.h"
#include "shared/Processor.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowTest.h"

using namespace qvt;

namespace {

using MainModuleTest = test::WindowTest;

TEST(MainModuleText, CommandLineAndQuotes) {
  EXPECT_EQ(MainModule::CommandLine({}), "");
  EXPECT_EQ(MainModule::CommandLine({"/music/my", "song.mp3"}), "/music/my song.mp3");
  const struct {
    const char* in;
    const char* out;
  } rows[] = {{"\"/m/a b.mp3\"", "/m/a b.mp3"},
              {"  \"/m/x.mp3\"  ", "/m/x.mp3"},
              {"  /m/lead.mp3", "  /m/lead.mp3"},
              {"/m/say \"hi\".mp3", "/m/say \"hi\".mp3"},
              {"\"", "\""}};
  for (const auto& r : rows)
    EXPECT_EQ(MainModule::Unquote(r.in), r.out) << r.in;
}

TEST_F(MainModuleTest, BlankCommandLineOpensThePlayerWindow) {
  MainModule::Main(test::Windows(), "   ");
  EXPECT_TRUE(test::Slot<frmMusic>().IsLoaded());
  EXPECT_FALSE(test::Slot<frmQMusic>().IsLoaded());
  EXPECT_TRUE(test::Slot<frmMusic>().Get().isVisible());
}

TEST_F(MainModuleTest, ACommandLineOpensQuickPlayPlayingWithBlanksKept) {
  bool playingAtFirstPlay = false;
  media.onCreate = [&](FakeMediaPlayer& p) {
    p.onCall = [&](const QString& call) {
      if (call == "play")
        playingAtFirstPlay = test::PlayList().bPlaying;
    };
  };
  MainModule::Main(test::Windows(), "  /music/song.mp3");
  ASSERT_TRUE(test::Slot<frmQMusic>().IsLoaded());
  EXPECT_FALSE(test::Slot<frmMusic>().IsLoaded());
  frmQMusic& quick = test::Slot<frmQMusic>().Get();
  EXPECT_EQ(quick.sFileToPlay(), "  /music/song.mp3");
  EXPECT_TRUE(quick.isVisible());
  EXPECT_TRUE(playingAtFirstPlay) << "bPlaying is set before StartPlayQ runs";
}

TEST_F(MainModuleTest, LoadQvtOpensThePlayerWithoutEndingTheProgram) {
  MainModule::Main(test::Windows(), "/music/song.mp3");
  test::Slot<frmQMusic>().Get().cmdLoadMain_Click();
  QCoreApplication::processEvents();
  EXPECT_TRUE(test::Slot<frmMusic>().IsLoaded());
  EXPECT_FALSE(test::Slot<frmQMusic>().IsLoaded());
  EXPECT_FALSE(fake.app.endedWith.has_value());
}

// A close asked for while the player window loads its list waits for the whole list: what
// was asked runs once, at the first pass of the event loop after the load, never inside it.
TEST_F(MainModuleTest, WhatWaitsForTheLoadedListRunsOnceRightAfterTheLoad) {
  ASSERT_TRUE(
      test::WriteAll(fake.path("ConfigurationAndLastPlayList.qvs"),
                     "1,33,1\r\n1\r\n#FALSE#,#TRUE#,#FALSE#\r\n0\r\n#FALSE#\r\n"
                     "#FALSE#\r\n#FALSE#\r\n1\r\n\"/m/a.mp3\",\"a\"\r\n\"/m/b.mp3\",\"b\"\r\n"));
  int asked = 0;
  int ran = 0;
  bool bRanWhileLoading = false;
  fake.eventLoop.onPass = [&] {
    const bool bWaits = test::Windows().WhenPlayerLoaded([&] {
      ++ran;
      bRanWhileLoading = test::Slot<frmMusic>().Get().IsLoading();
    });
    asked += bWaits ? 1 : 0;
  };
  frmMusic& w = test::Slot<frmMusic>().Get();
  fake.eventLoop.onPass = nullptr;
  ASSERT_GT(asked, 0) << "the load passes through the event loop";
  EXPECT_EQ(ran, 0);
  EXPECT_FALSE(test::Windows().WhenPlayerLoaded([&] { ++ran; })) << "nothing to wait for now";
  QCoreApplication::processEvents();
  EXPECT_EQ(ran, asked);
  EXPECT_FALSE(bRanWhileLoading);
  EXPECT_EQ(w.PlayList().dblLastIndex(), 1);
  QCoreApplication::processEvents();
  EXPECT_EQ(ran, asked) << "once each";
}

}  // namespace
