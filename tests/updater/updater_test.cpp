// The Updater's procedure with fake platform services: the wait on the status file, the
// countdown, the replacement of the player and the retry prompt.
#include <gtest/gtest.h>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPixmap>
#include <QTest>
#include <QThread>

#include <utility>

#include "platform/fakes/FakePlatform.h"
#include "shared/UpdateManifest.h"
#include "shared/ui/ProgressWindows.h"
#include "shared/ui/frmDeterminedProcessing.h"
#include "shared/ui/frmProcessing.h"
#include "tests/support/ProgressRecorder.h"
#include "tests/support/TestSigning.h"
#include "tests/support/UpdaterRun.h"
#include "updater/UpdaterProgram.h"

using qvt::MsgResult;
using qvt::ProgressWindow;
using qvt::UpdaterProgram;

namespace {

const QByteArray kOldPlayer = "#!/bin/sh\necho old player\n";
// Binary bytes (a NUL, a high byte, a CR LF) that a text copy would change.
constexpr char kNewPlayerBytes[] =
    "\x7f"
    "ELF new player\r\n\0\x01\xff";
const QByteArray kNewPlayer(kNewPlayerBytes, sizeof kNewPlayerBytes - 1);
// An Updater built without the publisher's key: it checks the new player against no manifest.
const qvt::UpdateManifest::Trust kKeyless;

class UpdaterTest : public testing::Test {
 protected:
  void SetUp() override {
    write("Quavertone", kOldPlayer);
    write("ProgramUpdate.tmp", kNewPlayer);
  }

  void write(const QString& name, const QByteArray& bytes) {
    QFile f(fake.path(name));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
  }
  QByteArray read(const QString& name) {
    QFile f(fake.path(name));
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
  }
  bool exists(const QString& name) { return QFileInfo::exists(fake.path(name)); }

  // Runs the procedure to its end over the fakes handed to it, with no service installed
  // meanwhile: a service reached through the installed table ends the run. The exit code.
  int run(const qvt::UpdateManifest::Trust& trust = kKeyless) {
    const qvt::Services services = qvt::platform();
    const qvt::ScopedPlatform nothingInstalled;
    qvt::platform() = qvt::Services();
    try {
      UpdaterProgram program(services, trust);
      qvt::test::RunUpdater(program);
    } catch (const qvt::ProgramEnded& ended) {
      return ended.exitCode;
    }
    ADD_FAILURE() << "the procedure returned without ending the program";
    return -1;
  }
  int polls() const {
    return static_cast<int>(
        std::count(fake.eventLoop.timers.begin(), fake.eventLoop.timers.end(), 250));
  }
  int countdownTicks() const {
    return static_cast<int>(
        std::count(fake.eventLoop.timers.begin(), fake.eventLoop.timers.end(), 1000));
  }
  // The player was replaced byte for byte, made executable and started; nothing left over.
  void expectUpdated() {
    EXPECT_EQ(read("Quavertone"), kNewPlayer);
    EXPECT_TRUE(QFileInfo(fake.path("Quavertone")).isExecutable());
    EXPECT_FALSE(exists("ProgramUpdate.tmp"));
    EXPECT_FALSE(exists(UpdaterProgram::kStagingName));
    ASSERT_EQ(fake.process.started.size(), 1u);
    EXPECT_EQ(fake.process.started[0].program, fake.path("Quavertone"));
    EXPECT_TRUE(fake.process.started[0].arguments.isEmpty());
    // The copy and the folder reach the disk before the rename makes it the player, and after.
    EXPECT_EQ(fake.files.synced,
              QStringList({fake.path(UpdaterProgram::kStagingName), fake.folder(),
                           fake.path("Quavertone"), fake.folder()}));
  }
  // Nothing of the update happened: the old player is in place and was not started.
  void expectUntouched() {
    EXPECT_EQ(read("Quavertone"), kOldPlayer);
    EXPECT_TRUE(fake.process.started.empty());
    EXPECT_FALSE(exists(UpdaterProgram::kStagingName));
  }
  // The texts of the message windows from the countdown on. Each countdown message sits in its
  // own message window, shown and closed once a second.
  static QStringList countdownAndReplacement() {
    QStringList expected;
    for (int n = 5; n >= 0; --n)
      expected << ""
               << "Waiting for QVT to close\r\nWaiting " + QString::number(n) + " seconds";
    return expected << "Beginning Update"
                    << "Replacing files";
  }
  QString promptFor(const QString& description) {
    return UpdaterProgram::kFailurePrompt + "\r\n" + description;
  }

  qvt::FakePlatform fake;
  qvt::ProgressRecorder progress;
};

TEST_F(UpdaterTest, WithoutStatusFileCountsDownReplacesAndStartsThePlayer) {
  EXPECT_EQ(run(), UpdaterProgram::kExitStarted);
  EXPECT_EQ(polls(), 0);
  EXPECT_EQ(countdownTicks(), 6);
  expectUpdated();
  EXPECT_TRUE(fake.dialogs.shown.empty());
  EXPECT_FALSE(exists("status.tmp"));

  EXPECT_EQ(progress.texts(ProgressWindow::Message), countdownAndReplacement());
  EXPECT_EQ(progress.texts(ProgressWindow::Bar), QStringList{"Waiting for QVT to close"});
  EXPECT_EQ(progress.count(qvt::ProgressRecorder::Op::Show, ProgressWindow::Message), 7);
  EXPECT_FALSE(progress.message.bVisible);
  EXPECT_FALSE(progress.bar.bVisible);
  EXPECT_TRUE(progress.log().contains("range bar: 1..100"))
      << progress.log().join("\n").toStdString();
}

// How the status file changes while the Updater polls it, and how many polls the wait takes.
struct StatusCase {
  const char* name;
  QString fileName;    // how the player spelled the status file
  QByteArray initial;  // nullptr-like "<none>" is not used: the file always exists here
  int changeAtPoll;    // while this poll waits the file changes (0: never)
  QByteArray changed;  // "<gone>" removes the file
  int expectedPolls;
};

class UpdaterStatusTest : public UpdaterTest, public testing::WithParamInterface<StatusCase> {};

TEST_P(UpdaterStatusTest, WaitsUntilThePlayerSaysItHasClosed) {
  const StatusCase& c = GetParam();
  write(c.fileName, c.initial);
  int poll = 0;
  fake.eventLoop.onTimer = [&](int ms) {
    if (ms != 250 || ++poll != c.changeAtPoll)
      return;
    if (c.changed == "<gone>")
      QFile::remove(fake.path(c.fileName));
    else
      write(c.fileName, c.changed);
  };
  EXPECT_EQ(run(), UpdaterProgram::kExitStarted);
  EXPECT_EQ(polls(), c.expectedPolls);
  EXPECT_TRUE(fake.dialogs.shown.empty());
  expectUpdated();
}

INSTANTIATE_TEST_SUITE_P(
    Status, UpdaterStatusTest,
    testing::Values(StatusCase{"FalseAtStart", "status.tmp", "#FALSE#\r\n", 0, "", 1},
                    StatusCase{"OtherCaseAndLf", "Status.tmp", "#FALSE#\n", 0, "", 1},
                    StatusCase{"TrueThenFalse", "Status.tmp", "#TRUE#\r\n", 4, "#FALSE#\r\n", 4},
                    StatusCase{"EmptyKeepsWaiting", "Status.tmp", "", 7, "#FALSE#\r\n", 7}),
    [](const testing::TestParamInfo<StatusCase>& p) { return std::string(p.param.name); });

// The wait and the countdown run on timers: between two of them the thread is back in its own
// event loop, which delivers what was posted meanwhile, and nothing pumps events or sleeps.
TEST_F(UpdaterTest, WaitsAndCountsDownOnTimersWithTheEventLoopFree) {
  write("Status.tmp", "#TRUE#\r\n");
  const int loopLevel = QThread::currentThread()->loopLevel();
  QObject receiver;
  std::vector<size_t> late;  // timers that fired before what was posted at the previous one
  fake.eventLoop.onTimer = [&](int ms) {
    if (ms == UpdaterProgram::kPollMs && polls() == 3)
      write("Status.tmp", "#FALSE#\r\n");
    const size_t at = fake.eventLoop.timers.size();
    QMetaObject::invokeMethod(
        &receiver,
        [&, at] {
          if (fake.eventLoop.timers.size() != at)
            late.push_back(at);
          EXPECT_EQ(QThread::currentThread()->loopLevel(), loopLevel + 1) << "a nested loop";
        },
        Qt::QueuedConnection);
  };
  EXPECT_EQ(run(), UpdaterProgram::kExitStarted);
  EXPECT_TRUE(late.empty());
  EXPECT_EQ(fake.eventLoop.passes, 0);
  EXPECT_TRUE(fake.process.sleeps.empty());
  EXPECT_EQ(polls(), 3);
  EXPECT_EQ(countdownTicks(), UpdaterProgram::kCountdownFrom + 1);
  // What the user sees is what the wait in place showed: the bar advanced at each poll, closed,
  // then the countdown's windows and the replacement's.
  EXPECT_EQ(progress.barValues(), std::vector<float>({1, 2, 3, 4}));
  EXPECT_EQ(progress.texts(ProgressWindow::Message), countdownAndReplacement());
  const QStringList log = progress.log();
  EXPECT_LT(log.indexOf("close bar"), log.indexOf("show message"));
  EXPECT_TRUE(fake.dialogs.shown.empty());
  expectUpdated();
}

// The next poll waits for the answer to the retry prompt: a modal box runs the event loop, and
// no poll may start from there.
TEST_F(UpdaterTest, NoPollRunsWhileTheRetryPromptIsOpen) {
  write("Status.tmp", "1\r\n");
  fake.dialogs.answers = {MsgResult::Cancel};
  bool asking = false;  // a box opened from the first one's loop is answered at once
  std::vector<size_t> timersWhileAsking;
  fake.dialogs.onShow = [&](const qvt::MessageBoxSpec&) {
    if (std::exchange(asking, true))
      return;
    const size_t before = fake.eventLoop.timers.size();
    QTest::qWait(20);
    timersWhileAsking.push_back(fake.eventLoop.timers.size() - before);
  };
  EXPECT_EQ(run(), UpdaterProgram::kExitCancelled);
  EXPECT_EQ(timersWhileAsking, std::vector<size_t>{0});
  EXPECT_EQ(fake.dialogs.shown.size(), 1u);
  expectUntouched();
}

// A status file that vanishes for a moment (the player rewriting it) is read again at the next
// poll without asking the user.
TEST_F(UpdaterTest, StatusFileThatCannotBeOpenedIsPolledAgain) {
  write("Status.tmp", "#TRUE#\r\n");
  int poll = 0;
  fake.eventLoop.onTimer = [&](int ms) {
    if (ms != 250)
      return;
    ++poll;
    if (poll == 2)
      QFile::remove(fake.path("Status.tmp"));
    if (poll == 4)
      write("Status.tmp", "#FALSE#\r\n");
  };
  EXPECT_EQ(run(), UpdaterProgram::kExitStarted);
  EXPECT_EQ(polls(), 4);
  EXPECT_TRUE(fake.dialogs.shown.empty());
  expectUpdated();
}

// The player's lock decides while it has a lock file, whatever the status file says; a lock
// taken again during the countdown asks before the player is touched.
TEST_F(UpdaterTest, WaitsWhileThePlayerHoldsItsLock) {
  struct Row {
    const char* name;
    QByteArray status;  // empty: no status file
    int releaseAtPoll;  // 0: the lock is not held at the start
    bool retakeInCountdown;
    int polls;
  };
  const std::vector<Row> rows = {
      {"no status file", "", 3, false, 3},
      {"status says closed", "#FALSE#\r\n", 2, false, 2},
      {"player killed, status stale", "#TRUE#\r\n", 0, false, 0},
      {"lock taken again", "", 0, true, 0},
  };
  const QString lock = fake.path(UpdaterProgram::kLockName);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SetUp();
    QFile::remove(fake.path("Status.tmp"));
    if (!row.status.isEmpty())
      write("Status.tmp", row.status);
    write(UpdaterProgram::kLockName, "");
    if (row.releaseAtPoll > 0) {
      ASSERT_TRUE(fake.files.holdLock(lock));
    }
    fake.process = {};
    fake.eventLoop.timers.clear();
    fake.files.synced.clear();
    fake.dialogs.shown.clear();
    fake.dialogs.answers = {MsgResult::Cancel};
    fake.eventLoop.onTimer = [&](int ms) {
      if (ms == 250 && polls() == row.releaseAtPoll)
        fake.files.releaseLock(lock);
      if (ms == 1000 && row.retakeInCountdown)
        fake.files.holdLock(lock);
    };
    if (row.retakeInCountdown) {
      EXPECT_EQ(run(), UpdaterProgram::kExitCancelled);
      ASSERT_EQ(fake.dialogs.texts(), QStringList{promptFor(UpdaterProgram::kStillRunning)});
      expectUntouched();
      fake.files.releaseLock(lock);
    } else {
      EXPECT_EQ(run(), UpdaterProgram::kExitStarted);
      EXPECT_TRUE(fake.dialogs.shown.empty());
      expectUpdated();
    }
    EXPECT_EQ(polls(), row.polls);
  }
}

TEST_F(UpdaterTest, LongWaitCyclesTheBarFromOneToAHundred) {
  write("Status.tmp", "#TRUE#\r\n");
  int poll = 0;
  fake.eventLoop.onTimer = [&](int ms) {
    if (ms == 250 && ++poll == 205)
      write("Status.tmp", "#FALSE#\r\n");
  };
  run();
  const std::vector<float> values = progress.barValues();
  ASSERT_EQ(values.size(), 206u);  // the start value, then one step per poll
  EXPECT_EQ(values[0], 1);
  EXPECT_EQ(values[99], 100);
  EXPECT_EQ(values[100], 1);
  EXPECT_EQ(values[199], 100);
  EXPECT_EQ(values[200], 1);
  EXPECT_EQ(values[205], 6);
}

TEST_F(UpdaterTest, StatusThatIsNotABooleanAsksAndCancelEndsAtOnce) {
  write("Status.tmp", "\"maybe\"\r\n");
  fake.dialogs.answers = {MsgResult::Cancel};
  EXPECT_EQ(run(), UpdaterProgram::kExitCancelled);
  ASSERT_EQ(fake.dialogs.shown.size(), 1u);
  const qvt::MessageBoxSpec& box = fake.dialogs.shown[0];
  EXPECT_EQ(box.text, promptFor("Type mismatch"));
  EXPECT_EQ(box.title, "Updater");
  EXPECT_EQ(box.buttons, qvt::MsgButtons::OkCancel);
  EXPECT_EQ(box.icon, qvt::MsgIcon::Exclamation);
  EXPECT_EQ(box.defaultButton, 1);
  EXPECT_EQ(countdownTicks(), 0);
  expectUntouched();
  EXPECT_TRUE(exists("ProgramUpdate.tmp"));
}

// OK polls again, so a status file the player has meanwhile rewritten ends the wait.
TEST_F(UpdaterTest, StatusThatIsNotABooleanAndOkPollsAgain) {
  write("Status.tmp", "1\r\n");
  fake.dialogs.answers = {MsgResult::Ok, MsgResult::Ok};
  fake.dialogs.onShow = [&](const qvt::MessageBoxSpec&) {
    if (fake.dialogs.shown.size() == 2)
      write("Status.tmp", "#FALSE#\r\n");
  };
  EXPECT_EQ(run(), UpdaterProgram::kExitStarted);
  EXPECT_EQ(fake.dialogs.shown.size(), 2u);
  EXPECT_EQ(polls(), 3);
  expectUpdated();
}

// A new player that is missing or empty is found before the old one is touched.
TEST_F(UpdaterTest, MissingOrEmptyNewPlayerAsksAndCancelKeepsTheOldPlayer) {
  for (const QByteArray& content : {QByteArray("<missing>"), QByteArray()}) {
    SCOPED_TRACE(content.toStdString());
    fake.dialogs.shown.clear();
    fake.eventLoop.timers.clear();
    if (content == "<missing>")
      QFile::remove(fake.path("ProgramUpdate.tmp"));
    else
      write("ProgramUpdate.tmp", content);
    fake.dialogs.answers = {MsgResult::Cancel};
    EXPECT_EQ(run(), UpdaterProgram::kExitCancelled);
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_TRUE(fake.dialogs.shown[0].text.startsWith(UpdaterProgram::kFailurePrompt + "\r\n"));
    EXPECT_TRUE(fake.dialogs.shown[0].text.endsWith(fake.path("ProgramUpdate.tmp")));
    EXPECT_EQ(countdownTicks(), 6) << "the countdown comes first";
    expectUntouched();
  }
}

TEST_F(UpdaterTest, NewPlayerThatArrivesBeforeOkIsInstalled) {
  QFile::remove(fake.path("ProgramUpdate.tmp"));
  fake.dialogs.answers = {MsgResult::Ok};
  fake.dialogs.onShow = [&](const qvt::MessageBoxSpec&) { write("ProgramUpdate.tmp", kNewPlayer); };
  EXPECT_EQ(run(), UpdaterProgram::kExitStarted);
  EXPECT_EQ(fake.dialogs.shown.size(), 1u);
  expectUpdated();
}

// The copy and the rename can fail; each time the old player stays whole, and OK retries.
TEST_F(UpdaterTest, FailedCopyOrRenameKeepsTheOldPlayerAndOkRetries) {
  for (const QString& failing :
       {fake.path(UpdaterProgram::kStagingName), fake.path("Quavertone")}) {
    for (MsgResult answer : {MsgResult::Cancel, MsgResult::Ok}) {
      SCOPED_TRACE(failing.toStdString() + (answer == MsgResult::Ok ? " OK" : " Cancel"));
      write("Quavertone", kOldPlayer);
      write("ProgramUpdate.tmp", kNewPlayer);
      fake.dialogs.shown.clear();
      fake.process.started.clear();
      fake.files.synced.clear();
      fake.files.failingPaths = {failing};
      fake.dialogs.answers = {answer};
      fake.dialogs.onShow = [&](const qvt::MessageBoxSpec&) {
        EXPECT_EQ(read("Quavertone"), kOldPlayer) << "the old player is whole while asking";
        fake.files.failingPaths.clear();
      };
      const int code = run();
      ASSERT_EQ(fake.dialogs.shown.size(), 1u);
      EXPECT_EQ(fake.dialogs.shown[0].text, promptFor("Permission denied"));
      if (answer == MsgResult::Cancel) {
        EXPECT_EQ(code, UpdaterProgram::kExitCancelled);
        EXPECT_EQ(read("Quavertone"), kOldPlayer);
        EXPECT_TRUE(fake.process.started.empty());
        EXPECT_TRUE(exists("ProgramUpdate.tmp"));
      } else {
        EXPECT_EQ(code, UpdaterProgram::kExitStarted);
        expectUpdated();
      }
      QFile::remove(fake.path(UpdaterProgram::kStagingName));
    }
  }
}

// OK starts the player again; Cancel ends with nothing more tried.
TEST_F(UpdaterTest, PlayerThatCannotBeStartedAsksOkRetriesCancelEnds) {
  fake.process.startSucceeds = false;
  fake.dialogs.answers = {MsgResult::Ok, MsgResult::Cancel};
  EXPECT_EQ(run(), UpdaterProgram::kExitCancelled);
  ASSERT_EQ(fake.dialogs.shown.size(), 2u);
  EXPECT_EQ(fake.dialogs.shown[1].text,
            promptFor("The program could not be started: " + fake.path("Quavertone")));
  EXPECT_EQ(fake.process.started.size(), 2u);
  EXPECT_EQ(read("Quavertone"), kNewPlayer);
}

// Under the publisher's key, a signed update left in the folder (by an update that never
// finished) installs only when the installed player would take it: a version newer than the one
// the player tells, for the channel of paths.qvc. Any other is refused: the Updater says why,
// removes the update's files and starts the old player.
TEST_F(UpdaterTest, SignedUpdateMustBeNewerThanThePlayerAndOfItsChannel) {
  const QString notNewer = ", which is not newer than this QVT, Version 1.33.1.";
  const QString channels = "The signed update is for the %1 channel, not this QVT's %2 channel.";
  struct Row {
    const char* name;
    QString version, channel;
    const char* runMode;  // the first field of paths.qvc; none: no paths.qvc
    qvt::Result<QByteArray> told;
    QString reason;  // empty: installed
  };
  const qvt::Result<QByteArray> tells("Quavertone 1.33.1\n");
  const std::vector<Row> rows = {
      {"newer", "1.33.2", "FINAL", nullptr, tells, ""},
      {"newer, of a beta player", "2.0.0", "BETA", "beta", tells, ""},
      {"equal", "1.33.1", "FINAL", nullptr, tells,
       "The signed update is for version 1.33.1" + notNewer},
      {"older", "1.32.5", "FINAL", nullptr, tells,
       "The signed update is for version 1.32.5" + notNewer},
      {"other channel", "1.34.0", "BETA", nullptr, tells, channels.arg("BETA", "FINAL")},
      {"final for a beta player", "1.34.0", "FINAL", "BETA", tells, channels.arg("FINAL", "BETA")},
      {"the player tells no version", "1.34.0", "FINAL", nullptr,
       qvt::Unexpected{"The program failed"},
       "The version of the installed QVT could not be learned."},
  };
  const QByteArray digest =
      QCryptographicHash::hash(kNewPlayer, QCryptographicHash::Sha256).toHex();
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SetUp();
    QFile::remove(fake.path("paths.qvc"));
    if (row.runMode)
      write("paths.qvc", "\"" + QByteArray(row.runMode) + "\"\r\n\"a\",\"b\"\r\n\"c\",\"d\"\r\n");
    const QByteArray manifest =
        "QVTManifest 2\r\nversion " + row.version.toUtf8() + "\r\nchannel " + row.channel.toUtf8() +
        "\r\nupdater 5 " + QByteArray(64, 'a') + " Updater\r\nplayer " +
        QByteArray::number(kNewPlayer.size()) + " " + digest + " ProgramUpdate.tmp\r\n";
    write(qvt::UpdateManifest::kKeptManifest, manifest);
    write(qvt::UpdateManifest::kKeptSignature, qvt::test::SignWithTestKey(manifest));
    fake.process = {};
    fake.process.runAnswer = row.told;
    fake.files.synced.clear();
    fake.dialogs.shown.clear();
    const int code = run(qvt::test::TestKeyTrust());
    ASSERT_EQ(fake.process.ran.size(), 1u);
    EXPECT_EQ(fake.process.ran[0].program, fake.path("Quavertone"));
    EXPECT_EQ(fake.process.ran[0].arguments, QStringList{"--version"});
    if (row.reason.isEmpty()) {
      EXPECT_EQ(code, UpdaterProgram::kExitStarted);
      EXPECT_TRUE(fake.dialogs.shown.empty()) << fake.dialogs.texts().join("\n").toStdString();
      expectUpdated();
      continue;
    }
    EXPECT_EQ(code, UpdaterProgram::kExitRefused);
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_EQ(fake.dialogs.shown[0].text, UpdaterProgram::kNotNewer + "\r\n\r\n" + row.reason);
    EXPECT_EQ(fake.dialogs.shown[0].title, UpdaterProgram::kProgramName);
    EXPECT_EQ(read("Quavertone"), kOldPlayer);
    for (const QString& left :
         {QString("ProgramUpdate.tmp"), UpdaterProgram::kStagingName,
          qvt::UpdateManifest::kKeptManifest, qvt::UpdateManifest::kKeptSignature})
      EXPECT_FALSE(exists(left)) << left.toStdString();
    ASSERT_EQ(fake.process.started.size(), 1u) << "the old player starts again";
    EXPECT_EQ(fake.process.started[0].program, fake.path("Quavertone"));
  }
}

// The real windows while the Updater waits and counts down, saved for a look.
TEST(UpdaterWindows, SavesTheWaitingAndCountdownWindowsAsPng) {
  qvt::FakePlatform fake;
  qvt::QtProgressWindows progressWindows(qvt::ProcessorStateOf(qvt::platform()));
  qvt::platform().progressWindows = &progressWindows;
  QFile status(fake.path("Status.tmp"));
  ASSERT_TRUE(status.open(QIODevice::WriteOnly));
  status.write("#TRUE#\r\n");
  status.close();
  QFile update(fake.path("ProgramUpdate.tmp"));
  ASSERT_TRUE(update.open(QIODevice::WriteOnly));
  update.write(kNewPlayer);
  update.close();
  fake.dialogs.answers = {MsgResult::Cancel};  // any failure ends the run instead of retrying
  const QString folder = QStringLiteral(QVT_BINARY_DIR "/screenshots");
  ASSERT_TRUE(QDir().mkpath(folder));
  int polls = 0;
  QStringList saved;
  fake.eventLoop.onTimer = [&](int ms) {
    QWidget* shot = nullptr;
    QString name;
    if (ms == 250 && ++polls == 30) {
      shot = &progressWindows.bar().Get();
      name = "Updater_waiting.png";
      ASSERT_TRUE(status.open(QIODevice::WriteOnly | QIODevice::Truncate));
      status.write("#FALSE#\r\n");
      status.close();
    } else if (ms == 1000 && saved.size() == 1) {
      shot = &progressWindows.message().Get();
      name = "Updater_countdown.png";
    }
    if (shot == nullptr)
      return;
    QTest::qWait(50);  // the bar window hands its text to its controls once per frame
    EXPECT_TRUE(shot->isVisible()) << name.toStdString();
    EXPECT_TRUE(shot->grab().save(folder + "/" + name)) << name.toStdString();
    saved << name;
  };
  qvt::UpdaterProgram program(qvt::platform(), kKeyless);
  EXPECT_THROW(qvt::test::RunUpdater(program), qvt::ProgramEnded);
  EXPECT_EQ(saved, QStringList({"Updater_waiting.png", "Updater_countdown.png"}));
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

}  // namespace
