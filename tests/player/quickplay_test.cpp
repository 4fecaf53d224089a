// The quick play window and its logic: the settings file, the time text, the volume mapping,
// the title scroller, the transport buttons, closing after the song, "&Load QVT" and a start
// that fails.
#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <cmath>
#include <functional>
#include <optional>
#include <tuple>

#include "platform/fakes/FakeMediaPlayer.h"
#include "platform/fakes/FakePlatform.h"
#include "platform/fakes/ScopedPlatform.h"
#include "player/quickplay/QuickPlayLogic.h"
#include "player/quickplay/frmQMusic.h"
#include "player/quickplay/frmQMusicButtonBar.h"
#include "player/quickplay/frmQMusicMpris.h"
#include "player/startup/MusicVariables.h"
#include "player/window/VolControl.h"
#include "tests/support/BoxAssertions.h"
#include "tests/support/EventPump.h"
#include "tests/support/MprisAssertions.h"
#include "tests/support/PlayListOfTheTest.h"

using namespace qvt;

namespace {

const QString kFailText = QStringLiteral(
    "Error playing file, file type may not be supported or your audio hardware may be locked.");

class QuickPlay : public ::testing::Test {
 protected:
  void SetUp() override { test::PlayList().resetAll(); }
  void TearDown() override {
    forms.UnloadAllWithoutHandlers();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    test::PlayList().resetAll();
  }

  void writeFile(const QString& name, const QByteArray& bytes) {
    QFile f(fake.path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
  }
  QByteArray config() {
    QFile f(fake.path("QPConfig.qvc"));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }
  // Loads the window with its update timer stopped (tests tick it by hand).
  std::function<void()> openMain;  // what "&Load QVT" does
  FormSet forms;
  FormSlot<frmQMusic> quick{forms, [this] {
                              return new frmQMusic(
                                  test::PlayList(), services,
                                  [this] {
                                    if (openMain)
                                      openMain();
                                  },
                                  nullptr);
                            }};

  frmQMusic& load() {
    frmQMusic& f = quick.Get();
    f.timUpdater->stop();
    return f;
  }
  // The start-up of quick play: load, hand over the file, show, play.
  frmQMusic& start(const QString& songName = "song.mp3") {
    writeFile(songName, "x");
    frmQMusic& f = load();
    f.SetFileToPlay(fake.path(songName));
    f.show();
    test::PlayList().bPlaying = true;
    f.StartPlayQ();
    return f;
  }
  FakeMediaPlayer& player() { return *media.last(); }
  static std::tuple<bool, bool, bool> buttons(frmQMusic& f) {
    return {f.mmControl->PlayEnabled(), f.mmControl->PauseEnabled(), f.mmControl->StopEnabled()};
  }

  FakePlatform fake;
  FakeMediaFactory media;
  // The fakes as a table of the window's own: a test that empties the installed table proves
  // that the window reaches the machine through nothing else.
  const Services services = qvt::platform();
};

using Buttons = std::tuple<bool, bool, bool>;
const Buttons kPlaying{false, true, true}, kPaused{true, false, true}, kStopped{true, false, false};

}  // namespace

TEST_F(QuickPlay, ReadsTheSettingsFile) {
  struct Row {
    const char* name;
    std::optional<QByteArray> file;  // nothing: no file
    std::optional<QPoint> pos;       // pixels; nothing: centred
    bool closeOption;
    int16_t level;
  };
  const Row rows[] = {
      {"missing", std::nullopt, std::nullopt, false, 0},
      {"zero bytes", QByteArray(), std::nullopt, false, 10},
      {"all lines", "3000,4500\r\n#TRUE#\r\n7\r\n", QPoint(300, 200), true, 7},
      {"one line: level from the player", "3000,4500\r\n", QPoint(300, 200), false, 10},
      {"missing Left item", "1500\r\n#FALSE#\r\n", QPoint(0, 100), false, 10},
      {"garbage", "abc,def\r\nxyz\r\nqq\r\n", std::nullopt, false, 0},
      {"beyond 16 bits", "40000,100\r\n", std::nullopt, false, 10},
      {"below 16 bits", "100,-40000\r\n", std::nullopt, false, 10},
      {"below the screen", "12000,100\r\n", std::nullopt, false, 10},
      {"right of the screen", "100,16000\r\n", std::nullopt, false, 10},
      {"one empty line", "\r\n", QPoint(0, 0), false, 10},
      {"levels held to the bar", "0,0\r\n1\r\n25\r\n", QPoint(0, 0), true, 19},
      {"binary", QByteArray("\x00\xff\x01,\"\r\n\x00\x00\r\n\x80\x81,", 14), std::nullopt, false,
       0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QFile::remove(fake.path("QPConfig.qvc"));
    if (row.file)
      writeFile("QPConfig.qvc", *row.file);
    media.onCreate = [](FakeMediaPlayer& p) { p.level = -1937; };  // level 10
    frmQMusic& f = load();
    const QPoint centred((1024 - f.width()) / 2, (768 - f.height()) / 2);
    const QPoint pos = row.pos.value_or(centred);
    EXPECT_NEAR(f.pos().x(), pos.x(), 1);
    EXPECT_NEAR(f.pos().y(), pos.y(), 1);
    EXPECT_EQ(f.bCloseAfterSong(), row.closeOption);
    EXPECT_EQ(test::PlayList().bQuickPlayClose, row.closeOption);
    EXPECT_EQ(f.vlcVolume->CurrentValue(), row.level);
    forms.UnloadAllWithoutHandlers();
  }
  EXPECT_TRUE(fake.dialogs.shown.empty()) << fake.dialogs.texts().join("|").toStdString();
}

TEST_F(QuickPlay, AFailedVolumeReadShowsTheFileErrorBoxAndGivesLevelZero) {
  writeFile("QPConfig.qvc", "0,0\r\n#FALSE#\r\n\"\r\n");
  media.onCreate = [](FakeMediaPlayer& p) { p.level = -1937; };
  frmQMusic& f = load();
  ASSERT_EQ(fake.dialogs.shown.size(), 1u);
  EXPECT_EQ(fake.dialogs.shown[0].title, "File Error");
  EXPECT_EQ(f.vlcVolume->CurrentValue(), 0);
  EXPECT_EQ(player().volumesWritten, std::vector<int32_t>{0});
}

TEST_F(QuickPlay, UnloadSavesTheSettingsAndEndsTheProgram) {
  writeFile("QPConfig.qvc", "3000,1500\r\n#TRUE#\r\n4\r\n");
  frmQMusic& f = load();
  f.move(20, 40);
  QTest::mouseClick(f.vlcVolume->cell(7), Qt::LeftButton);
  EXPECT_EQ(player().volumesWritten.back(), -1356);
  EXPECT_THROW(Forms::Unload(f), ProgramEnded);
  EXPECT_EQ(fake.app.endedWith, 0);
  EXPECT_EQ(config(), "600,300\r\n#TRUE#\r\n7\r\n");
  EXPECT_FALSE(QFile::exists(fake.path("QPConfig.qvc.tmp")));

  // A read-only settings file is left as it is; the program still ends.
  forms.UnloadAllWithoutHandlers();
  fake.files.attributeOverrides[fake.path("QPConfig.qvc")] = kAttrReadOnly;
  frmQMusic& again = load();
  again.move(0, 0);
  EXPECT_THROW(Forms::Unload(again), ProgramEnded);
  EXPECT_EQ(config(), "600,300\r\n#TRUE#\r\n7\r\n");
}

TEST(QuickPlayLogic, TimeTextAndVolumeMapping) {
  const std::pair<double, const char*> times[] = {
      {0, "00:00"},     {59.6, "01:00"},  {61.2, "01:01"},         {185, "03:05"},
      {7500, "125:00"}, {119.6, "02:00"}, {0.5, "00:00"},          {1.5, "00:02"},
      {-30, "00:00"},   {-60, "00:00"},   {std::nan(""), "00:00"},
  };
  for (const auto& [seconds, text] : times)
    EXPECT_EQ(ElapsedTimeText(seconds), text) << seconds;

  const std::pair<int16_t, double> levels[] = {{0, 0}, {1, 194}, {5, 968}, {10, 1937}, {19, 3680}};
  for (const auto& [level, volume] : levels)
    EXPECT_EQ(LevelToVolume(level), volume) << level;
  // Exact halves go to the even level: 1840 is 9.5 steps, 5520 is 28.5.
  const std::pair<double, int16_t> volumes[] = {{0, 0},       {1937, 10},    {1840, 10},
                                                {5520, 28},   {96.84, 0},    {96.85, 1},
                                                {1e9, 32767}, {-1e9, -32768}};
  for (const auto& [volume, level] : volumes)
    EXPECT_EQ(VolumeToLevel(volume), level) << volume;
}

TEST_F(QuickPlay, TimerShowsTimeAndThePlayerEndsTheSong) {
  frmQMusic& f = start();
  EXPECT_EQ(f.sldPosition->maximum(), 180);
  EXPECT_EQ(f.sldPosition->pageStep(), 18);
  player().position = 59.6;
  f.timUpdater_Timer();
  EXPECT_EQ(f.lblTime->text(), "01:00");
  EXPECT_EQ(f.sldPosition->value(), 60);
  EXPECT_EQ(buttons(f), kPlaying);
  player().playToEnd();
  QCoreApplication::processEvents();  // the player's ended signal
  EXPECT_EQ(buttons(f), kStopped);
  EXPECT_FALSE(test::PlayList().bPlaying);
  EXPECT_EQ(player().position, 0);
  EXPECT_TRUE(quick.IsLoaded()) << "the close option is off";
}

// The update timer only shows the time. The song ends when the player says it ended, with no
// tick needed, and the desktop's media controls hear of each change as it is made, never of a
// tick that changed nothing.
TEST_F(QuickPlay, ThePlayerTellsTheEndAndTheControlsHearOfChangesNotTicks) {
  frmQMusic& f = start();
  const frmQMusicMpris controls(f);
  QCoreApplication::processEvents();  // the load's own signals
  QSignalSpy announced(&f, &frmQMusic::PlaybackChanged);
  for (int second = 1; second <= 5; ++second) {
    player().position = second;
    f.timUpdater_Timer();
  }
  EXPECT_EQ(f.lblTime->text(), ElapsedTimeText(5));
  EXPECT_EQ(announced.count(), 0) << "ticks while playing";

  player().playToEnd();
  f.timUpdater_Timer();
  EXPECT_EQ(buttons(f), kPlaying) << "a tick does not decide the end";
  QCoreApplication::processEvents();  // the player's ended signal
  EXPECT_EQ(buttons(f), kStopped);
  EXPECT_EQ(f.lblTime->text(), ElapsedTimeText(player().defaultDuration)) << "where it stopped";
  EXPECT_EQ(f.sldPosition->value(), f.sldPosition->maximum());
  EXPECT_EQ(player().position, 0);
  EXPECT_FALSE(announced.isEmpty());
  EXPECT_EQ(controls.State().sStatus, "Stopped");

  f.mmControl->playButton()->click();
  announced.clear();
  f.mmControl_PauseClick();
  EXPECT_FALSE(announced.isEmpty()) << "a pause is told at once";
  EXPECT_EQ(controls.State().sStatus, "Paused");
}

// A song whose load fails after it was played: the error once, then the window stops as at
// the end of a song, without waiting for a tick.
TEST_F(QuickPlay, ALoadThatFailsLaterStopsTheWindowOnceReported) {
  media.onCreate = [this](FakeMediaPlayer& p) {
    p.loadDelayMs = 0;
    p.failingFiles << fake.path("song.mp3");
  };
  frmQMusic& f = start();
  EXPECT_EQ(buttons(f), kPlaying) << "the song counts as started while it loads";
  const QSignalSpy announced(&f, &frmQMusic::PlaybackChanged);
  ASSERT_TRUE(test::PumpUntil([&] { return buttons(f) == kStopped; }));
  EXPECT_EQ(fake.dialogs.texts(), QStringList{kFailText});
  EXPECT_FALSE(test::PlayList().bPlaying);
  EXPECT_FALSE(announced.isEmpty());
}

// The player tells a failure once. The window tells the user of a song it played that failed,
// and again when the slider plays that song once more; a song that fails midway stops as a
// song that ends, without a box.
TEST_F(QuickPlay, AFailureIsToldForThePlayedSongAndAgainByTheSliderNotMidway) {
  media.onCreate = [this](FakeMediaPlayer& p) { p.failingFiles << fake.path("bad.mp3"); };
  frmQMusic& f = start("bad.mp3");
  ASSERT_TRUE(test::PumpUntil([&] { return buttons(f) == kStopped; }));
  EXPECT_EQ(fake.dialogs.texts(), QStringList{kFailText});
  f.sldPosition_MouseDown();
  f.sldPosition_MouseUp();
  EXPECT_EQ(fake.dialogs.texts(), (QStringList{kFailText, kFailText}));
  test::PumpUntil([] { return false; }, 20);
  EXPECT_EQ(fake.dialogs.shown.size(), 2u);

  forms.UnloadAllWithoutHandlers();
  fake.dialogs.shown.clear();
  frmQMusic& g = start();
  QCoreApplication::processEvents();  // loaded
  player().state = kPlayStopped;
  Q_EMIT player().errorOccurred(kMediaFormatError, "The stream broke off.");
  EXPECT_EQ(buttons(g), kStopped);
  EXPECT_FALSE(test::PlayList().bPlaying);
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST_F(QuickPlay, NameOfTheFileToPlay) {
  writeFile("a b.mp3", "x");
  QDir(fake.folder()).mkdir("folder");
  const std::tuple<QString, QString, QString> rows[] = {
      {fake.path("a b.mp3"), fake.path("a b.mp3"), "a b.mp3"},
      {"\"" + fake.path("a b.mp3") + "\"", fake.path("a b.mp3"), "a b.mp3"},
      {" " + fake.path("a b.mp3"), " " + fake.path("a b.mp3"), ""},
      {fake.path("none.mp3"), fake.path("none.mp3"), ""},
      {fake.path("folder"), fake.path("folder"), ""},
  };
  frmQMusic& f = load();
  for (const auto& [given, path, name] : rows) {
    f.SetFileToPlay(given);
    EXPECT_EQ(f.sFileToPlay(), path);
    EXPECT_EQ(f.sSongName(), name) << given.toStdString();
  }
}

TEST_F(QuickPlay, LongNamesScrollAndBounce) {
  const QString name = QString("%1.mp3").arg(QString(46, 'n').replace(0, 1, "A"));  // 50 chars
  frmQMusic& f = start(name);
  ASSERT_TRUE(f.timTextSlider->isActive());
  const int starts[] = {1, 2, 3, 4, 5, 6, 7, 6, 5, 4, 3, 2, 1, 2};
  for (int s : starts) {
    f.timTextSlider_Timer();
    EXPECT_EQ(f.lblCurrentSong->text(), name.mid(s - 1, 44)) << s;
    EXPECT_EQ(f.timTextSlider->interval(), s == 1 || s == 7 ? 1000 : 400) << s;
  }
  forms.UnloadAllWithoutHandlers();
  const QString shortName = QString(40, 's') + ".mp3";  // 44 chars
  frmQMusic& g = start(shortName);
  EXPECT_FALSE(g.timTextSlider->isActive());
  EXPECT_EQ(g.lblCurrentSong->text(), shortName);
}

TEST(QuickPlayLogic, ScrollerCountsCharactersNotUtf16Units) {
  const QString clef = QString::fromUcs4(U"\U0001D11E");  // one character, two UTF-16 units
  QString name;
  for (int i = 0; i < 45; ++i)
    name += clef;
  EXPECT_TRUE(TitleScroller::NeedsScrolling(name));
  EXPECT_FALSE(TitleScroller::NeedsScrolling(name.left(88)));
  TitleScroller scroller;
  for (int i = 0; i < 4; ++i) {
    const TitleScroller::Tick step = scroller.Next(0, name);
    EXPECT_EQ(step.caption.toUcs4().size(), 44);
    EXPECT_FALSE(step.caption.front().isLowSurrogate()) << "no character cut in half";
  }
}

TEST_F(QuickPlay, TransportButtonsCycleAndResume) {
  frmQMusic& f = start();
  EXPECT_EQ(buttons(f), kPlaying);
  player().position = 42.5;
  f.mmControl->pauseButton()->click();
  EXPECT_EQ(buttons(f), kPaused);
  EXPECT_EQ(player().state, kPlayStopped) << "Pause stops; the next start restores the position";
  Q_EMIT player().ended();  // told just after the Pause
  EXPECT_EQ(buttons(f), kPaused) << "a paused song has not ended";
  f.mmControl->playButton()->click();
  EXPECT_EQ(buttons(f), kPlaying);
  EXPECT_EQ(player().position, 42.5);
  EXPECT_EQ(player().calls.mid(player().calls.size() - 3),
            (QStringList{"fileName=" + fake.path("song.mp3"), "position=42.5", "play"}));

  player().playToEnd();
  QCoreApplication::processEvents();
  EXPECT_EQ(buttons(f), kStopped) << "a resumed song ends like any other";

  f.mmControl->playButton()->click();
  player().position = 42.5;
  f.mmControl->stopButton()->click();
  EXPECT_EQ(buttons(f), kStopped);
  f.mmControl->playButton()->click();
  EXPECT_EQ(player().position, 0);
  EXPECT_EQ(player().state, kPlayPlaying);
}

TEST_F(QuickPlay, SliderSeeksAndKeepsTheSongEndTestOff) {
  frmQMusic& f = start();
  f.sldPosition->resize(300, 25);
  QTest::mousePress(f.sldPosition, Qt::LeftButton, {}, QPoint(150, 12));
  EXPECT_FALSE(f.timUpdater->isActive());
  EXPECT_EQ(player().state, kPlayPaused);
  f.sldPosition->setValue(30);
  QTest::mouseRelease(f.sldPosition, Qt::LeftButton, {}, QPoint(150, 12));
  QCoreApplication::processEvents();
  f.timUpdater->stop();
  EXPECT_EQ(player().position, 30);
  EXPECT_EQ(player().state, kPlayPlaying);
  EXPECT_TRUE(test::PlayList().bResumeFromPosition);
  EXPECT_EQ(test::PlayList().dResumePosition, 30);
  player().playToEnd();
  QCoreApplication::processEvents();
  EXPECT_EQ(buttons(f), kPlaying) << "no song end while resuming from the slider";
}

// The desktop's media controls act through the window's own buttons, slider and volume
// control, and read back what they show.
TEST_F(QuickPlay, MediaControlsUseTheWindowsOwnControls) {
  frmQMusic& f = start();
  frmQMusicMpris controls(f);
  MprisState s = controls.State();
  EXPECT_EQ(s.sStatus, "Playing");
  EXPECT_EQ(s.sTitle, "song.mp3");
  EXPECT_EQ(s.iLengthUs, std::llround(player().defaultDuration * 1e6));
  EXPECT_TRUE(s.bCanSeek && s.bCanPause && !s.bCanPlay && !s.bCanGoNext);
  controls.Play();
  EXPECT_EQ(buttons(f), kPlaying) << "Play while playing does nothing";
  controls.PlayPause();
  EXPECT_EQ(buttons(f), kPaused);
  EXPECT_EQ(controls.State().sStatus, "Paused");
  controls.SeekTo(42'400'000);
  EXPECT_EQ(f.sldPosition->value(), 42);
  EXPECT_EQ(player().position, 42);
  EXPECT_EQ(controls.PositionUs(), 42'000'000);
  controls.SetVolume(0);
  EXPECT_EQ(f.vlcVolume->CurrentValue(), VolControl::kCellCount - 1);
  EXPECT_EQ(player().level, -static_cast<int32_t>(LevelToVolume(VolControl::kCellCount - 1)));
  EXPECT_EQ(controls.State().dVolume, 0);
  test::ExpectVolumeInputKeptInRange(controls);
  controls.Stop();
  EXPECT_EQ(buttons(f), kStopped);
  EXPECT_EQ(controls.State().sStatus, "Stopped");
  QDialog box(&f);
  box.setModal(true);
  box.show();
  EXPECT_FALSE(controls.AcceptsInput()) << "a modal box keeps the controls from the window";
  box.hide();
  EXPECT_TRUE(controls.AcceptsInput());
}

TEST_F(QuickPlay, ClosesAfterTheSongOnlyWhenUntouched) {
  writeFile("QPConfig.qvc", "0,0\r\n#TRUE#\r\n");
  start();
  player().playToEnd();
  EXPECT_THROW(Q_EMIT player().ended(), ProgramEnded);
  EXPECT_EQ(fake.app.endedWith, 0);
  EXPECT_TRUE(config().startsWith("0,0\r\n#TRUE#\r\n"));

  using Touch = void (frmQMusic::*)();
  for (Touch touch : {&frmQMusic::mmControl_PlayClick, &frmQMusic::mmControl_PauseClick,
                      &frmQMusic::mmControl_StopClick, &frmQMusic::sldPosition_MouseUp}) {
    forms.UnloadAllWithoutHandlers();
    frmQMusic& g = start();
    (g.*touch)();
    g.timUpdater->stop();
    player().playToEnd();
    test::PlayList().bResumeFromPosition = false;
    EXPECT_NO_THROW(Q_EMIT player().ended());
    EXPECT_TRUE(quick.IsLoaded());
  }
}

TEST_F(QuickPlay, LoadQvtOpensTheMainWindowWithoutEndingTheProgram) {
  int opened = 0;
  openMain = [&] { throw std::runtime_error("no main window"); };
  frmQMusic& f = start();
  f.cmdLoadMain->click();
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"no main window"});
  EXPECT_TRUE(quick.IsLoaded()) << "quick play stays when the main window fails";

  openMain = [&] { ++opened; };
  f.cmdLoadMain->click();
  EXPECT_EQ(opened, 1);
  EXPECT_FALSE(quick.IsLoaded());
  EXPECT_FALSE(fake.app.endedWith.has_value());
  EXPECT_FALSE(test::PlayList().bPlaying);
  EXPECT_TRUE(config().endsWith("#FALSE#\r\n0\r\n"));
}

TEST_F(QuickPlay, AFailedStartIsReportedOnce) {
  media.onCreate = [](FakeMediaPlayer& p) {
    p.failAllPlays = true;
    p.readyStates = {kReadyComplete, kReadyUninitialized};  // two plays in one start
  };
  writeFile("song.mp3", "x");
  const ScopedPlatform nothingInstalled;  // a service reached through it ends the test
  qvt::platform() = Services();
  frmQMusic& f = quick.Get();  // update timer running
  bool tickingDuringBox = true;
  fake.dialogs.onShow = [&](const MessageBoxSpec&) { tickingDuringBox = f.timUpdater->isActive(); };
  f.SetFileToPlay(fake.path("song.mp3"));
  test::PlayList().bPlaying = true;
  f.StartPlayQ();
  QCoreApplication::processEvents();  // the player's error
  ASSERT_EQ(fake.dialogs.shown.size(), 1u);
  test::ExpectBox(fake.dialogs.shown[0],
                  {kFailText, "Playback Error", MsgButtons::OkOnly, MsgIcon::Critical, 1, true});
  EXPECT_FALSE(tickingDuringBox);
  EXPECT_TRUE(f.timUpdater->isActive());
  EXPECT_FALSE(test::PlayList().bPlaying);
  EXPECT_GE(fake.eventLoop.passes, 1);
  EXPECT_EQ(player().failedPlays, 2);
  QCoreApplication::processEvents();  // the stopped player is taken as the end of the song
  f.timUpdater_Timer();
  EXPECT_EQ(fake.dialogs.shown.size(), 1u) << "the timer does not repeat it";
  EXPECT_EQ(buttons(f), kStopped);
}

TEST_F(QuickPlay, WindowLayoutAndPicture) {
  const QString name = QString("Some Artist - A Rather Long Song Title (Live at Home).mp3");
  frmQMusic& f = start(name);
  EXPECT_EQ(f.windowTitle(), "Music Quick Play");
  EXPECT_EQ(f.size(), QSize(320, 131));
  EXPECT_EQ(f.vlcVolume->geometry(), QRect(288, 5, 25, 60));
  EXPECT_EQ(f.cmdLoadMain->text(), "&Load QVT");
  EXPECT_EQ(f.sldPosition->toolTip(), "Song Position Control");
  EXPECT_EQ(f.vlcVolume->toolTip(), "Volume Control");
  f.timTextSlider_Timer();
  player().position = 75;
  f.timUpdater_Timer();
  f.vlcVolume->SetCurrentValue(6);
  f.grab().save(QStringLiteral(QVT_BINARY_DIR "/frmQMusic.png"));
}
