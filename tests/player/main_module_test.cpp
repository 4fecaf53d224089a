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

}  // namespace
