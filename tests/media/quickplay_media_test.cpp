// The quick play window with the real libmpv player (null audio output, untimed): a song plays
// out and the window sees its end; a file that is not audio gives the playback error once.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QThread>
#include <QTimer>

#include "platform/Media.h"
#include "platform/fakes/FakePlatform.h"
#include "platform/media/MpvMediaFactory.h"
#include "player/quickplay/frmQMusic.h"
#include "player/quickplay/frmQMusicButtonBar.h"
#include "player/startup/MusicVariables.h"
#include "tests/support/AudioFixtures.h"
#include "tests/support/EventPump.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"

using namespace qvt;

namespace {

class QuickPlayMpv : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PlayList().resetAll();
    platform().media = &mpv;
  }
  void TearDown() override {
    test::UnloadAllWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    test::PlayList().resetAll();
  }
  frmQMusic& start(const QString& path) {
    frmQMusic& f = test::Slot<frmQMusic>().Get();
    f.timUpdater->stop();
    f.SetFileToPlay(path);
    test::PlayList().bPlaying = true;
    f.StartPlayQ();
    return f;
  }
  FakePlatform fake;
  MpvMediaFactory mpv;
};

}  // namespace

TEST_F(QuickPlayMpv, ASongPlaysOutAndTheWindowSeesItsEnd) {
  const QString wav = test::MakeWav(fake.folder(), "tone.wav", 2.0);
  ASSERT_FALSE(wav.isEmpty());
  frmQMusic& f = start(wav);
  EXPECT_EQ(f.lblCurrentSong->text(), "tone.wav");
  EXPECT_FALSE(f.mmControl->PlayEnabled());
  // The player's ended signal: the end is handled and the time shows where the song stopped.
  ASSERT_TRUE(test::PumpUntil([&] { return f.mmControl->PlayEnabled(); }));
  EXPECT_TRUE(f.lblTime->text() == "00:02") << f.lblTime->text().toStdString();
  EXPECT_TRUE(f.mmControl->PlayEnabled());
  EXPECT_FALSE(test::PlayList().bPlaying);
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST_F(QuickPlayMpv, AFileThatIsNotAudioIsReportedOnce) {
  QFile bad(fake.path("bad.mp3"));
  ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
  bad.write("this is not audio");
  bad.close();
  frmQMusic& f = start(fake.path("bad.mp3"));
  f.timUpdater_Timer();  // the failure is not known yet: no box, the song still counts as started
  EXPECT_TRUE(fake.dialogs.shown.empty());
  // It arrives from the event loop, as the load ends.
  ASSERT_TRUE(test::PumpUntil([&] { return !fake.dialogs.shown.empty(); }));
  f.timUpdater_Timer();
  ASSERT_EQ(fake.dialogs.shown.size(), 1u);
  EXPECT_EQ(fake.dialogs.shown[0].title, "Playback Error");
  EXPECT_FALSE(test::PlayList().bPlaying);
  EXPECT_TRUE(f.mmControl->PlayEnabled());
}
