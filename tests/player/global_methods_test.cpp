// The shared operations: option codes and their messages, the list-box and path helpers, the
// accepted file type test and the play list integrity check with its questions and progress.
#include <gtest/gtest.h>
#include <sched.h>
#include <QCoreApplication>
#include <QFile>
#include <QStringList>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <climits>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <thread>

#include "platform/fakes/FakePlatform.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/Job.h"
#include "player/startup/MusicVariables.h"
#include "player/startup/WorkerThread.h"
#include "tests/support/EventPump.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/ProgressRecorder.h"
#include "tests/support/SongLists.h"
#include "tests/support/VerifyToEnd.h"

using namespace qvt;
using namespace qvt::GlobalMethods;

namespace {

const QString kTypesFile = QStringLiteral("AcceptedFileTypes.qvc");

class GlobalMethodsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PlayList().resetAll();
    SetProcessingSuppressed(false);
    fake.eventLoop.processQtEvents = false;
  }
  void TearDown() override {
    test::PlayList().resetAll();
    SetProcessingSuppressed(false);
  }

  QString write(const QString& name, const QByteArray& bytes = "x") {
    QFile f(fake.path(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return fake.path(name);
  }
  // Songs named after their files: "<file> name".
  static void setList(const QStringList& paths) {
    test::SetSongList(paths, test::NamesAfterFiles(paths));
  }
  static std::vector<QString> paths() { return test::PlayList().sSongPaths().items(); }
  static QString missingTypesMessage(const QString& path) {
    return QStringLiteral(
               "File does not exist at \r\n%1\r\nPlease verify that the path is correct and "
               "that the file exists")
        .arg(path);
  }

  FakePlatform fake;
  ProgressRecorder progress;
};

// ---- options -------------------------------------------------------------------------------

TEST_F(GlobalMethodsTest, OptionCodeTable) {
  const QString kPriority =
      QStringLiteral("Unable to set song loading priority, please set manually");
  const QString kVisibility =
      QStringLiteral("Unable to set processor visibility, please set manually");
  struct Row {
    void (*set)(const Services&, MusicVariables&, int16_t);
    bool (*get)(const MusicVariables&);
    int16_t code;
    bool before;
    bool after;
    const QString* message;
  };
  const Row rows[] = {
      {SetSongLoadingPriority, GetLowPriorityLoading, 0, false, true, nullptr},
      {SetSongLoadingPriority, GetLowPriorityLoading, 1, false, true, nullptr},
      {SetSongLoadingPriority, GetLowPriorityLoading, 2, true, false, nullptr},
      {SetSongLoadingPriority, GetLowPriorityLoading, 5, true, true, &kPriority},
      {SetSongLoadingPriority, GetLowPriorityLoading, 5, false, false, &kPriority},
      {SetSongLoadingPriority, GetLowPriorityLoading, -1, false, false, &kPriority},
      {SetProcessingVisibility, GetHideProcessing, 0, true, false, nullptr},
      {SetProcessingVisibility, GetHideProcessing, 1, true, false, nullptr},
      {SetProcessingVisibility, GetHideProcessing, 2, false, true, nullptr},
      {SetProcessingVisibility, GetHideProcessing, 3, true, true, &kVisibility},
      {SetProcessingVisibility, GetHideProcessing, 3, false, false, &kVisibility},
  };
  for (const Row& row : rows) {
    test::PlayList().bLowPriorityLoading = row.before;
    test::PlayList().bHideProcessing = row.before;
    fake.dialogs.shown.clear();
    row.set(platform(), test::PlayList(), row.code);
    EXPECT_EQ(row.get(test::PlayList()), row.after) << row.code;
    ASSERT_EQ(fake.dialogs.shown.size(), row.message != nullptr ? 1u : 0u) << row.code;
    if (row.message != nullptr) {
      EXPECT_EQ(fake.dialogs.shown[0].text, *row.message);
      EXPECT_EQ(fake.dialogs.shown[0].title, "Quavertone");
      EXPECT_EQ(fake.dialogs.shown[0].buttons, MsgButtons::OkOnly);
    }
  }
}

TEST_F(GlobalMethodsTest, VisibilityAlwaysReachesTheProgressWindows) {
  SetProcessingVisibility(platform(), test::PlayList(), 2);
  EXPECT_TRUE(IsProcessingSuppressed());
  // Invalid: the kept flag is passed on after the message.
  SetProcessingVisibility(platform(), test::PlayList(), 9);
  EXPECT_TRUE(IsProcessingSuppressed());
  SetProcessingVisibility(platform(), test::PlayList(), 1);
  EXPECT_FALSE(IsProcessingSuppressed());
  SetProcessingSuppressed(true);
  SetProcessingVisibility(platform(), test::PlayList(), 9);
  EXPECT_FALSE(IsProcessingSuppressed());
}

// ---- list boxes and paths ------------------------------------------------------------------

class FakeListBox : public IListBox {
 public:
  explicit FakeListBox(std::vector<bool> sel) : selected(std::move(sel)) {}
  int ListCount() const override { return static_cast<int>(selected.size()); }
  bool Selected(int i) const override { return selected.at(static_cast<std::size_t>(i)); }
  void SetListIndex(int i) override {
    if (i < -1 || i >= ListCount())
      throw std::out_of_range("no such entry");
    listIndex = i;
  }
  std::vector<bool> selected;
  int listIndex = -2;  // never set
};

TEST_F(GlobalMethodsTest, GetSelectedIndexTable) {
  struct Row {
    std::vector<bool> selected;
    double last;
    double expected;
  };
  const Row rows[] = {
      {{false, false, false}, 2, 0},  // nothing selected
      {{false, true, true}, 2, 1},    // the first selected one
      {{false, false, true}, 1, 0},   // selected beyond the last song
      {{false, false, true}, 10, 2},  // list shorter than the play list: no read past it
      {{true}, -1, 0},                // no play list
  };
  for (const Row& row : rows) {
    test::PlayList().setLastIndex(row.last);
    const FakeListBox lst(row.selected);
    EXPECT_EQ(GetSelectedIndex(test::PlayList(), lst), row.expected) << row.last;
  }
}

TEST_F(GlobalMethodsTest, SelectListItemTable) {
  struct Row {
    double index;
    int listSize;
    int expected;  // -2: nothing was selected
  };
  const Row rows[] = {
      {2, 5, 2},     {2.5, 5, 2},  // whole numbers, a half to the even one
      {3.5, 5, 4},   {-1, 5, -1},
      {5, 5, -2},                            // out of range: ignored
      {-7, 5, -2},   {40000, 50000, 40000},  // large lists stay selectable
      {1e12, 5, -2}, {std::numeric_limits<double>::quiet_NaN(), 5, -2},
  };
  for (const Row& row : rows) {
    FakeListBox lst(std::vector<bool>(static_cast<std::size_t>(row.listSize), false));
    SelectListItem(lst, row.index);
    EXPECT_EQ(lst.listIndex, row.expected) << row.index;
  }
}

TEST_F(GlobalMethodsTest, FixDoubleBackslashTable) {
  const std::pair<const char*, const char*> rows[] = {
      {"/music//a.mp3", "/music/a.mp3"},
      {"///", "//"},  // one pass, left to right
      {"////", "//"},
      {"a/////b", "a///b"},
      {"/music/a.mp3", "/music/a.mp3"},
      {"", ""},
      {"C:\\\\Music", "C:\\\\Music"},  // only the native separator
  };
  for (const auto& [in, out] : rows)
    EXPECT_EQ(FixDoubleBackslash(in), QString(out)) << in;
}

// ---- accepted file types -------------------------------------------------------------------

TEST_F(GlobalMethodsTest, AcceptedFileTypeTable) {
  write(kTypesFile, "\"MP3 WAV OGG\"\r\n");
  setList({write("a.mp3"), write("b.Wav"), write("c.txt"), fake.path("missing.mp3"), write("noext"),
           write(".hidden.mp3")});
  const bool expected[] = {true, true, false, false, false, false};
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(IsAcceptedFileType(qvt::platform(), test::PlayList(), i), expected[i]) << i;
  EXPECT_FALSE(IsAcceptedFileType(qvt::platform(), test::PlayList(), 6)) << "past the list";
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

// With the installed types file, every type it lists is accepted in any letter case, and no
// part of one, nothing longer, nor a run across two: the file test and Verify List agree.
TEST_F(GlobalMethodsTest, AcceptedTypesAreWholeWordsOfTheInstalledFile) {
  QFile installed(QStringLiteral(QVT_SOURCE_DIR "/data/") + kTypesFile);
  ASSERT_TRUE(installed.open(QIODevice::ReadOnly));
  const QByteArray types = installed.readAll();
  write(kTypesFile, types);
  const QStringList listed = QString::fromUtf8(types).remove(u'"').simplified().split(u' ');
  ASSERT_GT(listed.size(), 3);
  QStringList songs, accepted;
  for (const QString& type : listed) {
    for (const QString& ext : {type, type.toLower(), type.left(1) + type.mid(1).toLower()}) {
      songs << write("s" + QString::number(songs.size()) + "." + ext);
      accepted << songs.last();
    }
  }
  for (const char* ext : {"c", "o", "a", "m", "p3", "mp", "", "mp3x", "xmp3", "3 m", "mp3 mp2"})
    songs << write("s" + QString::number(songs.size()) + "." + ext);
  setList(songs);
  for (int i = 0; i < songs.size(); ++i) {
    EXPECT_EQ(IsAcceptedFileType(qvt::platform(), test::PlayList(), i), i < accepted.size())
        << songs[i].toStdString();
  }
  fake.dialogs.answers = {MsgResult::Yes};
  test::VerifyToEnd(qvt::platform(), test::PlayList());
  EXPECT_EQ(paths(), std::vector<QString>(accepted.begin(), accepted.end()));
}

TEST_F(GlobalMethodsTest, AcceptedTypesFileIsFoundInAnyCaseAndReadAgainWhenItChanges) {
  write("acceptedfiletypes.QVC", "\"WAV\"\r\n");
  setList({write("a.mp3")});
  EXPECT_FALSE(IsAcceptedFileType(qvt::platform(), test::PlayList(), 0));
  write("acceptedfiletypes.QVC", "\"WAV MP3\"\r\n");
  EXPECT_TRUE(IsAcceptedFileType(qvt::platform(), test::PlayList(), 0));
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST_F(GlobalMethodsTest, MissingOrEmptyTypesFileReportsEveryTest) {
  setList({write("a.mp3"), write("b.mp3")});
  EXPECT_FALSE(IsAcceptedFileType(qvt::platform(), test::PlayList(), 0));
  EXPECT_FALSE(IsAcceptedFileType(qvt::platform(), test::PlayList(), 1));
  const QString message = missingTypesMessage(fake.path(kTypesFile));
  EXPECT_EQ(fake.dialogs.texts(), (QStringList{message, message}));
  EXPECT_EQ(fake.dialogs.shown.at(0).title, "File Error");

  fake.dialogs.shown.clear();
  write(kTypesFile, "");
  EXPECT_FALSE(IsAcceptedFileType(qvt::platform(), test::PlayList(), 0));
  EXPECT_FALSE(IsAcceptedFileType(qvt::platform(), test::PlayList(), 0));
  EXPECT_EQ(fake.dialogs.texts(),
            (QStringList{"The first line has not been read", "The first line has not been read"}));
}

// ---- the integrity check -------------------------------------------------------------------

TEST_F(GlobalMethodsTest, VerifyWithoutPlayList) {
  test::PlayList().setLastIndex(-1);
  test::VerifyToEnd(qvt::platform(), test::PlayList());
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"No play list loaded, list integrity check failed"});
  EXPECT_TRUE(progress.calls.empty());
}

TEST_F(GlobalMethodsTest, VerifyAllGood) {
  write(kTypesFile, "\"MP3 WAV\"\r\n");
  setList({write("a.mp3"), write("b.wav")});
  test::VerifyToEnd(qvt::platform(), test::PlayList());
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"All songs in the list were found and should work"});
  EXPECT_EQ(
      progress.texts(ProgressWindow::Bar),
      (QStringList{"Starting to verify list", "Testing:\r\na.mp3 name", "Testing:\r\nb.wav name"}));
  EXPECT_TRUE(progress.log().contains("range bar: 0..1"));
  EXPECT_EQ(progress.log().last(), "close bar");
  EXPECT_EQ(paths().size(), 2u);
}

TEST_F(GlobalMethodsTest, VerifyAsksAndRemovesBadSongsHighestFirst) {
  write(kTypesFile, "\"MP3\"\r\n");
  const QString a = write("a.mp3"), c = write("c.mp3"), e = write("e.mp3");
  setList({a, fake.path("gone.mp3"), c, write("d.txt"), e, write(".f.mp3")});
  fake.dialogs.answers = {MsgResult::Yes};
  test::VerifyToEnd(qvt::platform(), test::PlayList());

  ASSERT_EQ(fake.dialogs.shown.size(), 2u);
  const MessageBoxSpec& question = fake.dialogs.shown[0];
  EXPECT_EQ(question.text,
            "3 songs in the play list were either not found, or were not recognized as a file "
            "type that QVT can play.  Would you like to remove them from the list?\r\n\r\n2 of "
            "them were not found.  If they were moved, answer No and press Find Moved Songs to "
            "look for them in another folder.");
  EXPECT_EQ(question.title, "Remove missing songs?");
  EXPECT_EQ(question.buttons, MsgButtons::YesNo);
  EXPECT_EQ(question.icon, MsgIcon::Exclamation);
  EXPECT_EQ(question.defaultButton, 2);
  EXPECT_EQ(fake.dialogs.shown[1].text, "3 Songs were removed");

  EXPECT_EQ(paths(), (std::vector<QString>{a, c, e}));
  EXPECT_EQ(test::PlayList().sSongNames().items(),
            (std::vector<QString>{"a.mp3 name", "c.mp3 name", "e.mp3 name"}));
  EXPECT_EQ(test::PlayList().dblLastIndex(), 2);
  EXPECT_EQ(progress.texts(ProgressWindow::Message), QStringList{"Removing songs..."});
  EXPECT_EQ(progress.log().last(), "close message");
}

TEST_F(GlobalMethodsTest, VerifyAnsweredNoChangesNothing) {
  write(kTypesFile, "\"MP3\"\r\n");
  setList({write("a.mp3"), fake.path("gone.mp3")});
  const std::vector<QString> before = paths();
  fake.dialogs.answers = {MsgResult::No};
  test::VerifyToEnd(qvt::platform(), test::PlayList());
  EXPECT_EQ(fake.dialogs.texts().last(), "No changes have been made");
  EXPECT_EQ(paths(), before);
  EXPECT_EQ(test::PlayList().dblLastIndex(), 1);
  EXPECT_EQ(progress.count(ProgressRecorder::Op::Show, ProgressWindow::Message), 0);
}

TEST_F(GlobalMethodsTest, VerifyWithoutTypesFileFindsEverySongBad) {
  setList({write("a.mp3"), write("b.mp3"), write("c.mp3")});
  fake.dialogs.answers = {MsgResult::Ok, MsgResult::Ok, MsgResult::Ok, MsgResult::Yes};
  test::VerifyToEnd(qvt::platform(), test::PlayList());
  const QString missing = missingTypesMessage(fake.path(kTypesFile));
  const QStringList texts = fake.dialogs.texts();
  ASSERT_EQ(texts.size(), 5);
  EXPECT_EQ(texts.mid(0, 3), (QStringList{missing, missing, missing}));
  EXPECT_TRUE(texts[3].startsWith("3 songs in the play list were either not found"));
  EXPECT_EQ(texts[4], "3 Songs were removed");
  EXPECT_EQ(test::PlayList().dblLastIndex(), -1);
  EXPECT_EQ(paths().size(), 1u) << "an emptied list keeps a stale first element";
}

TEST_F(GlobalMethodsTest, VerifyWithHiddenProgressStillRunsTheEventLoop) {
  write(kTypesFile, "\"MP3\"\r\n");
  setList({write("a.mp3"), write("b.mp3"), write("c.mp3")});
  SetProcessingVisibility(platform(), test::PlayList(), 2);
  bool bEventHandled = false;
  QTimer::singleShot(0, [&] { bEventHandled = true; });
  test::VerifyToEnd(qvt::platform(), test::PlayList());
  EXPECT_TRUE(progress.calls.empty());
  EXPECT_TRUE(bEventHandled);
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"All songs in the list were found and should work"});
}

// The worker behind Verify and Load: at idle priority when songs load slowly, and joined by every
// wait: a cancelled one returns once the work has, and the work's failure comes out of it.
TEST(WorkerThreadTest, RunsIdleWhenAskedAndEveryWaitJoinsIt) {
  for (const bool bLowPriority : {false, true}) {
    int policy = -1;
    WorkerThread worker([&](const std::atomic<bool>&) { policy = sched_getscheduler(0); },
                        bLowPriority);
    EXPECT_TRUE(worker.wait(1, [](bool) { return true; }));
    EXPECT_EQ(policy, bLowPriority ? SCHED_IDLE : SCHED_OTHER);
  }
  bool bReturned = false;
  WorkerThread endless(
      [&](const std::atomic<bool>& cancelled) {
        while (!cancelled)
          std::this_thread::yield();
        bReturned = true;
      },
      false);
  EXPECT_FALSE(endless.wait(1, [](bool) { return false; }));
  EXPECT_TRUE(bReturned);
  WorkerThread failing([](const std::atomic<bool>&) { throw std::runtime_error("failed"); }, false);
  EXPECT_THROW(failing.wait(1, [](bool) { return true; }), std::runtime_error);
}

// A job: its reports and its end reach the window thread as queued signals, never inside
// start; it ends exactly once, with its result or cancelled, and nothing of it comes after that.
// Low priority applies to its thread.
struct JobRecord {
  std::vector<int> progress;
  std::vector<int> results;
  int canceled = 0;
  bool bOffThread = false;  // a handler ran off the window thread

  Job<int>::Handlers handlers() {
    const auto here = [this] {
      bOffThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
    };
    return {[this, here](int done) {
              here();
              progress.push_back(done);
            },
            [this, here](int result) {
              here();
              results.push_back(result);
            },
            [this, here] {
              here();
              ++canceled;
            }};
  }
};

TEST(JobTest, ReportsAndEndsOnceOnTheWindowThreadAtTheAskedPriority) {
  for (const bool bLowPriority : {false, true}) {
    JobRecord r;
    Job<int> job(bLowPriority, r.handlers());
    job.start([](QPromise<int>& promise) {
      promise.setProgressRange(0, 3);
      for (int i = 1; i <= 3; ++i)
        promise.setProgressValue(i);
      promise.addResult(sched_getscheduler(0));
    });
    EXPECT_TRUE(job.running());
    EXPECT_TRUE(r.progress.empty() && r.results.empty()) << "a delivery inside start";
    ASSERT_TRUE(test::PumpUntil([&] { return !job.running(); }));
    test::PumpUntil([] { return false; }, 20);
    ASSERT_FALSE(r.progress.empty());
    EXPECT_EQ(r.progress.front(), 1);
    EXPECT_EQ(r.progress.back(), 3);
    EXPECT_EQ(r.results, std::vector<int>{bLowPriority ? SCHED_IDLE : SCHED_OTHER});
    EXPECT_EQ(r.canceled, 0);
    EXPECT_FALSE(r.bOffThread);
  }
}

// Cancelled by the owner (at once), by a failure of the work, by a handler that threw, or
// destroyed while it runs (no handler then): the work is told to stop and its thread joined.
TEST(JobTest, EveryWayOfEndingWithoutAResultEndsOnce) {
  enum class Way { Cancel, WorkFails, HandlerThrows, Destroyed };
  for (const Way way : {Way::Cancel, Way::WorkFails, Way::HandlerThrows, Way::Destroyed}) {
    SCOPED_TRACE(static_cast<int>(way));
    JobRecord r;
    Job<int>::Handlers handlers = r.handlers();
    if (way == Way::HandlerThrows)
      handlers.progress = [](int) { throw std::runtime_error("handler"); };
    std::atomic<bool> bReturned{false};
    {
      Job<int> job(false, handlers);
      job.start([&bReturned, way](QPromise<int>& promise) {
        if (way == Way::WorkFails)
          throw std::runtime_error("work");
        for (int i = 1; !promise.isCanceled(); ++i) {
          promise.setProgressValue(i);
          std::this_thread::yield();
        }
        bReturned = true;
      });
      if (way == Way::Cancel) {
        job.cancel();
        EXPECT_EQ(r.canceled, 1) << "cancel runs its handler at once";
      }
      if (way != Way::Destroyed) {
        EXPECT_TRUE(test::PumpUntil([&] { return !job.running(); }));
      }
      test::PumpUntil([] { return false; }, 20);
      if (way != Way::Destroyed)
        job.cancel();  // once ended, nothing
    }
    EXPECT_EQ(r.canceled, way == Way::Destroyed ? 0 : 1);
    EXPECT_TRUE(r.results.empty());
    EXPECT_EQ(bReturned, way != Way::WorkFails);
  }
}

}  // namespace
