// Re-entrancy: long operations run their work off the window thread and report their progress
// to the windows as they go; every such report (and every message box, which runs a loop of its
// own) is a place where the user or the player's timers act. One harness drives each long
// operation of the player with an action at a chosen point, or with a seeded random sequence of
// actions, and checks the list, the windows and the saved settings afterwards. An operation that
// runs as a job returns from its click at once and goes on through queued signals: the harness
// pumps the event loop until the job has ended, and its points are the reports that reach the
// windows and its boxes. The other operations still wait for their workers in event loops of
// their own: their points are the progress texts that reach a progress window while they wait
// there, the message boxes and folder choosers, and the passes of the event loop that follow no
// such report (an operation that shows its progress with a pass after each text, or in its own
// window such as the editor's captions while it adds, or not at all): a pass right after a
// report is the same point.
//
// More seeds than CI runs: tools/reentry-seeds.sh FIRST COUNT.
#include <gtest/gtest.h>
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QLineEdit>
#include <QPointer>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <exception>
#include <functional>
#include <map>
#include <random>
#include <set>

#include "platform/fakes/FakeMediaPlayer.h"
#include "platform/fakes/FakePlatform.h"
#include "platform/http/CurlHttp.h"
#include "player/options/frmOptions.h"
#include "player/playlists/FileListBox.h"
#include "player/playlists/SongListBox.h"
#include "player/playlists/frmChoose.h"
#include "player/playlists/frmList.h"
#include "player/playlists/frmSearch.h"
#include "player/quickplay/frmQMusic.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MainModule.h"
#include "player/update/UpdatorMethods.h"
#include "player/window/Configuration.h"
#include "player/window/frmMusic.h"
#include "tests/net/TestServer.h"
#include "tests/support/EventPump.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/PlayerWindowsFixture.h"
#include "tests/support/ProgressRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/VerifyToEnd.h"

using namespace qvt;

namespace {

constexpr int kSongs = 2000;

// The operations and the actions, each listed once: the enums and their names come from it.
#define QVT_OPS(X)                                                                         \
  X(AddAll), X(Load), X(DblClickLoad), X(DblClickAdd), X(Verify), X(FindMoved), X(Relink), \
      X(EditorOpen), X(ListViewOpen), X(Search), X(UpdateCheck), X(UpdateDownload), X(QuickPlay)
#define QVT_ACTS(X)                                                                       \
  X(CloseEditor), X(CloseListView), X(CloseSearch), X(CloseOptions), X(CloseQuickPlay),   \
      X(ClosePlayer), X(PressDone), X(PressAdd), X(EndOfSong), X(Skip), X(RemoveCurrent), \
      X(Clear), X(LoadList), X(AnyButton)
#define QVT_ENUMERATOR(name) name
#define QVT_NAME(name) #name
enum class Op { QVT_OPS(QVT_ENUMERATOR) };
const char* const kOpNames[] = {QVT_OPS(QVT_NAME)};
enum class Act { QVT_ACTS(QVT_ENUMERATOR) };
const char* const kActNames[] = {QVT_ACTS(QVT_NAME)};
#undef QVT_NAME
#undef QVT_ENUMERATOR
#undef QVT_ACTS
#undef QVT_OPS
constexpr int kActCount = static_cast<int>(Act::AnyButton) + 1;

struct Step {
  int point;
  Act act;
  unsigned pick = 0;  // AnyButton: which of the enabled buttons
};

// The song files, the .qvl and the update server: the same for every run of the process.
struct Shared {
  QTemporaryDir dir;
  QString music = dir.filePath("music");
  QString lists = dir.filePath("lists");
  QString moved = dir.filePath("moved");  // where the missing songs of the list went
  test::TestServer server;
  QByteArray version;

  Shared() {
    QDir().mkpath(music);
    QDir().mkpath(lists);
    QByteArray qvl = QByteArray::number(kSongs - 1) + "\r\n";
    for (int i = 0; i < kSongs; ++i) {
      const QString name = QStringLiteral("a%1.mp3").arg(i, 4, 10, QLatin1Char('0'));
      test::WriteAll(music + "/" + name, "x");
      qvl += ("\"" + music + "/" + name + "\",\"" + name + "\"\r\n").toUtf8();
    }
    test::WriteAll(lists + "/list.qvl", qvl);
    QDir().mkpath(moved);
    for (int i = kSongs / 2; i < kSongs; ++i)
      test::WriteAll(moved + QStringLiteral("/x%1.mp3").arg(i, 4, 10, QLatin1Char('0')), "x");
    const UpdatorMethods::VersionNumbers v = UpdatorMethods::RunningVersion();
    // A newer version with a long description: the check reads it over several blocks.
    version = QByteArray::number(v.major) + "," + QByteArray::number(v.minor + 1) + ",0\r\n" +
              QByteArray(40000, 'n') + "\r\n";
    const QByteArray body(20000, 'p');
    const std::string fileList =
        ("\"Updater\",\"" + server.url("/updater") + "\"\r\n\"ProgramUpdate.tmp\",\"" +
         server.url("/program") + "\"\r\n")
            .toStdString();
    server.http.Get("/version", [this](const httplib::Request&, httplib::Response& res) {
      res.set_content(version.toStdString(), "text/plain");
    });
    server.http.Get("/list", [fileList](const httplib::Request&, httplib::Response& res) {
      res.set_content(fileList, "text/plain");
    });
    for (const char* path : {"/updater", "/program"}) {
      server.http.Get(path, [body](const httplib::Request&, httplib::Response& res) {
        res.set_content(body.toStdString(), "application/octet-stream");
      });
    }
    server.start();
  }
};

Shared& shared() {
  static Shared s;
  return s;
}

QString SavedPath(const QString& folder) {
  return "\"" + folder + "\",\"" + folder + "\",\"/ [root]\"\r\n";
}

template <class T>
T* Loaded() {
  return test::Slot<T>().IsLoaded() ? &test::Slot<T>().Get() : nullptr;
}

struct Song {
  QString path, name;
  bool operator==(const Song&) const = default;
};

std::vector<Song> Songs() {
  const MusicVariables& mv = test::PlayList();
  std::vector<Song> out;
  for (double i = 0; i <= mv.dblLastIndex(); ++i) {
    const auto k = static_cast<std::size_t>(i);
    out.push_back({k < mv.sSongPaths().size() ? mv.sSongPaths()[k] : QString(),
                   k < mv.sSongNames().size() ? mv.sSongNames()[k] : QString()});
  }
  return out;
}

void SetSongs(const std::vector<Song>& songs) {
  MusicVariables& mv = test::PlayList();
  std::vector<QString> paths, names;
  for (const Song& s : songs) {
    paths.push_back(s.path);
    names.push_back(s.name);
  }
  mv.replaceAll(std::move(paths), std::move(names));
}

template <class T>
Form* Window() {
  return Loaded<T>();
}

// A click on a button of window T, which is loaded first where it is not.
template <class T, QPushButton* T::*button>
void Press() {
  (test::Slot<T>().Get().*button)->click();
}

// A click on a button of window T where that window is loaded.
template <class T, QPushButton* T::*button>
void PressIfLoaded() {
  if (T* form = Loaded<T>())
    (form->*button)->click();
}

template <class T>
void Unload() {
  if (T* form = Loaded<T>())
    Forms::Unload(*form);
}

void DblClickFiles() {
  Q_EMIT test::Slot<frmChoose>().Get().filDisplay->DblClick();
}

// Whether an operation started as a job goes on.
bool JobsRunning() {
  const frmChoose* editor = Loaded<frmChoose>();
  return editor != nullptr && editor->JobRunning();
}

// Each operation: the click that starts it and the window it runs on.
struct Operation {
  void (*click)();
  Form* (*window)();
};
const std::map<Op, Operation> kOperations = {
    {Op::AddAll, {Press<frmChoose, &frmChoose::cmdAddAll>, Window<frmChoose>}},
    {Op::Load, {Press<frmChoose, &frmChoose::cmdLoad>, Window<frmChoose>}},
    {Op::DblClickLoad, {DblClickFiles, Window<frmChoose>}},
    {Op::DblClickAdd, {DblClickFiles, Window<frmChoose>}},
    {Op::Verify, {Press<frmChoose, &frmChoose::cmdVerify>, Window<frmChoose>}},
    {Op::FindMoved, {Press<frmChoose, &frmChoose::cmdFindMoved>, Window<frmChoose>}},
    {Op::Relink, {Press<frmChoose, &frmChoose::cmdRelink>, Window<frmChoose>}},
    {Op::EditorOpen, {Press<frmMusic, &frmMusic::cmdDir>, Window<frmChoose>}},
    {Op::ListViewOpen, {Press<frmMusic, &frmMusic::cmdView>, Window<frmList>}},
    {Op::Search, {Press<frmSearch, &frmSearch::cmdNext>, Window<frmSearch>}},
    {Op::UpdateCheck, {Press<frmOptions, &frmOptions::cmdCheckUpdates>, Window<frmOptions>}},
    {Op::UpdateDownload, {Press<frmOptions, &frmOptions::cmdInstall>, Window<frmOptions>}},
    {Op::QuickPlay, {Press<frmQMusic, &frmQMusic::cmdLoadMain>, Window<frmQMusic>}},
};

void PressDone() {
  PressIfLoaded<frmChoose, &frmChoose::cmdDone>();
  PressIfLoaded<frmOptions, &frmOptions::cmdDone>();
  PressIfLoaded<frmSearch, &frmSearch::cmdDone>();
  PressIfLoaded<frmList, &frmList::cmdCancel>();
}

// Any enabled button of any window the user can see.
void AnyButton(unsigned pick) {
  std::vector<QPointer<QAbstractButton>> buttons;
  for (QWidget* top : QApplication::topLevelWidgets()) {
    auto* form = qobject_cast<Form*>(top);
    if (form == nullptr || !form->isVisible())
      continue;
    for (QAbstractButton* b : form->findChildren<QAbstractButton*>()) {
      if (b->isEnabled() && b->isVisible())
        buttons.push_back(b);
    }
  }
  if (!buttons.empty() && buttons[pick % buttons.size()])
    buttons[pick % buttons.size()]->click();
}

// What the player's timers and the editor's other buttons do to the list.
void EndOfSong() {
  if (frmMusic* player = Loaded<frmMusic>()) {
    test::PlayList().bPlaying = true;
    auto& song = static_cast<FakeMediaPlayer&>(player->Player());
    song.position = song.selectionEnd();
    player->Controller().timWhenStop_Timer();
  }
}

void Skip() {
  if (frmMusic* player = Loaded<frmMusic>())
    player->Controller().cmdNext_Click();
}

void RemoveCurrent() {
  frmMusic* player = Loaded<frmMusic>();
  GlobalMethods::RemoveSongAt(test::PlayList(), player ? player->Position() : 0);
}

// Another list of the same size.
void LoadOtherList() {
  std::vector<Song> other;
  const int count = std::max(1, static_cast<int>(test::PlayList().dblLastIndex() + 1));
  for (int i = 0; i < count; ++i)
    other.push_back(
        {QStringLiteral("/other-qvt/o%1.mp3").arg(i), QStringLiteral("o%1.mp3").arg(i)});
  SetSongs(other);
}

// Each action but AnyButton; one whose window is gone does nothing.
const std::map<Act, void (*)()> kActions = {
    {Act::CloseEditor, Unload<frmChoose>},
    {Act::CloseListView, Unload<frmList>},
    {Act::CloseSearch, Unload<frmSearch>},
    {Act::CloseOptions, Unload<frmOptions>},
    {Act::CloseQuickPlay, Unload<frmQMusic>},
    {Act::ClosePlayer, Unload<frmMusic>},
    {Act::PressDone, PressDone},
    {Act::PressAdd, PressIfLoaded<frmChoose, &frmChoose::cmdAdd>},
    {Act::EndOfSong, EndOfSong},
    {Act::Skip, Skip},
    {Act::RemoveCurrent, RemoveCurrent},
    {Act::Clear, [] { SetSongs({}); }},
    {Act::LoadList, LoadOtherList},
};

// Runs a function as the handler of an event, as a click or a close box runs: Qt counts it as
// one more level of event handling, and that level decides at which later pass a window
// deleted there (deleteLater) goes. A failure goes on to the caller, never through Qt.
class EventRelay : public QObject {
 public:
  void Deliver(const std::function<void()>& fn) {
    const std::function<void()>* outer = std::exchange(fn_, &fn);
    QEvent event(QEvent::User);
    QCoreApplication::sendEvent(this, &event);
    fn_ = outer;
    if (failure_)
      std::rethrow_exception(std::exchange(failure_, nullptr));
  }
  bool event(QEvent* e) override {
    if (e->type() != QEvent::User || fn_ == nullptr)
      return QObject::event(e);
    try {
      (*fn_)();
    } catch (...) {
      failure_ = std::current_exception();
    }
    return true;
  }

 private:
  const std::function<void()>* fn_ = nullptr;
  std::exception_ptr failure_;
};

// One run: a fresh program, an operation, the planned actions at their points.
class Session {
 public:
  Session() {
    test::PlayList().resetAll();
    SetProcessingSuppressed(false);
    platform().http = &curl_;
    fake.eventLoop.onPass = [this] {
      if (!std::exchange(bReported_, false))
        Point();
    };
    progress.onText = [this](const QString&) {
      // A text a job's report sets, or one set while the operation waits in an event loop of its
      // own (for a worker), is a point; one set in the click's handler itself is not, but the
      // pass that follows it is.
      if (phase_ == Phase::Done ||
          (phase_ == Phase::Click && QThread::currentThread()->loopLevel() <= baseLevel_))
        return;
      Point();
      bReported_ = true;
    };
    fake.dialogs.onShow = [this](const MessageBoxSpec&) { Point(); };
    fake.dialogs.onChooseFolder = [this] { Point(); };
    QFile::copy(QVT_SOURCE_DIR "/data/AcceptedFileTypes.qvc", fake.path("AcceptedFileTypes.qvc"));
    const QString ver = shared().server.url("/version"), list = shared().server.url("/list");
    test::WriteAll(
        fake.path("paths.qvc"),
        ("\"FINAL\"\r\n\"" + list + "\",\"" + ver + "\"\r\n\"\",\"\"\r\n\"\"\r\n").toUtf8());
  }
  ~Session() {
    fake.eventLoop.onPass = nullptr;
    progress.onText = nullptr;
    fake.dialogs.onShow = nullptr;
    fake.dialogs.onChooseFolder = nullptr;
    test::UnloadAllWindows();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    test::PlayList().resetAll();
  }

  // Prepares the program for op; afterwards the count of points starts from 0.
  void Prepare(Op op) {
    std::vector<Song> initial;
    for (int i = 0; i < kSongs; ++i) {
      const bool bExists = i < kSongs / 2;
      const QString name =
          QStringLiteral("%1%2.mp3").arg(bExists ? 'a' : 'x').arg(i, 4, 10, QLatin1Char('0'));
      initial.push_back(
          {(bExists ? shared().music : QStringLiteral("/nonexistent-qvt")) + "/" + name, name});
    }
    SaveList(initial);
    const bool bListFolder = op == Op::Load || op == Op::DblClickLoad;
    test::WriteAll(fake.path("SavedPath.qvs"),
                   SavedPath(bListFolder ? shared().lists : shared().music).toUtf8());
    if (op == Op::QuickPlay) {
      MainModule::Main(test::Windows(), "\"" + shared().music + "/a0000.mp3\"");
      points = 0;
      return;
    }
    MainModule::Main(test::Windows(), QString());
    frmMusic& player = test::Slot<frmMusic>().Get();
    switch (op) {
      case Op::AddAll:
      case Op::Load:
      case Op::DblClickLoad:
      case Op::DblClickAdd:
      case Op::Verify:
      case Op::FindMoved:
      case Op::Relink: {
        // Where the missing songs went; Relink asks for their folder first.
        if (op == Op::Relink)
          fake.dialogs.inputAnswers = {QStringLiteral("/nonexistent-qvt")};
        fake.dialogs.folderAnswers = {shared().moved};
        player.cmdDir->click();
        FileListBox& files = *test::Slot<frmChoose>().Get().filDisplay;
        for (int i = 0; i < files.ListCount(); ++i) {
          if (bListFolder && files.List(i) == "list.qvl")
            files.SetListIndex(i);
          if (op == Op::DblClickAdd)
            files.SetSelected(i, true);
        }
        break;
      }
      case Op::Search:
        player.cmdView->click();
        test::Slot<frmList>().Get().cmdSearch->click();
        test::Slot<frmSearch>().Get().txtWord->setText("no such song");
        break;
      case Op::UpdateDownload:
        player.cmdOptions->click();
        test::Slot<frmOptions>().Get().cmdCheckUpdates->click();
        break;
      case Op::UpdateCheck:
        player.cmdOptions->click();
        break;
      default:
        break;
    }
    points = 0;
  }

  // Starts op from the event loop, as a click does, and waits for it to return.
  void Start(Op op, std::vector<Step> plan) {
    plan_ = std::move(plan);
    op_ = op;
    bReported_ = false;
    QEventLoop loop;
    QTimer::singleShot(0, &loop, [&] {
      baseLevel_ = QThread::currentThread()->loopLevel();
      phase_ = Phase::Click;
      try {
        kOperations.at(op).click();
      } catch (const ProgramEnded&) {
        bEnded = true;
      } catch (const std::exception& e) {
        Fault(QStringLiteral("exception out of the operation: ") + e.what());
      }
      loop.quit();
    });
    loop.exec();
    // A job the click started goes on; an end of the program in one of its deliveries cannot
    // leave through the event loop, and the fake tells it.
    phase_ = Phase::Job;
    // One that does not end leaves the editor busy, which Check finds.
    if (!bEnded)
      test::PumpUntil([this] { return fake.app.endedWith || !JobsRunning(); }, 600000);
    bEnded = bEnded || fake.app.endedWith.has_value();
    phase_ = Phase::Done;
    bTracking_ = false;  // the operation has returned: its window may go now
    plan_.clear();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }

  // Every invariant that must hold once the operation has returned.
  void Check() {
    CheckList();
    if (!bEnded)
      CheckWindows();
    CheckSettings();
  }

  FakePlatform fake;
  FakeMediaFactory media;
  ProgressRecorder progress;
  int points = 0;
  bool bEnded = false;  // the program ended (the settings were saved on the way)
  QStringList faults;

 private:
  void SaveList(const std::vector<Song>& songs) {
    SetSongs(songs);
    test::FakeConfigurationHost host;
    bool bHasPlayList = false;
    Configuration::SaveConfiguration(qvt::platform(), test::PlayList(), host, bHasPlayList);
    test::PlayList().resetAll();
  }

  void Fault(const QString& what) {
    if (!faults.contains(what))
      faults << what;
  }

  Form* OpWindow() { return kOperations.at(op_).window(); }

  // One point: the window the operation runs on must still exist, then the actions due now.
  void Point() {
    ++points;
    if (!bTracking_ && !plan_.empty() && (opWindow_ = OpWindow()) != nullptr)
      bTracking_ = true;
    if (bTracking_ && !opWindow_)
      Fault("the window of the operation was destroyed while it ran");
    for (Step& step : plan_) {
      if (step.point == points) {
        step.point = -1;  // once
        relay_.Deliver([this, step] { Do(step); });
      }
    }
  }

  void Do(const Step& step) {
    if (step.act == Act::AnyButton)
      AnyButton(step.pick);
    else
      kActions.at(step.act)();
  }

  void CheckList() {
    const MusicVariables& mv = test::PlayList();
    const double songs = mv.dblLastIndex() + 1;
    if (static_cast<double>(mv.sSongPaths().size()) < songs ||
        static_cast<double>(mv.sSongNames().size()) < songs)
      Fault("dblLastIndex names songs past the end of the arrays");
    std::set<QString> seen;
    for (const Song& s : Songs()) {
      if (s.path.isEmpty() || s.name.isEmpty())
        Fault("a song of the list has an empty path or name");
      else if (!seen.insert(s.path.toUpper()).second)
        Fault("a song is in the list twice");
    }
  }

  void CheckWindows() {
    // "Hide processing messages" chosen meanwhile keeps a shown window until a later Hide.
    if ((progress.bar.bVisible || progress.message.bVisible) && !IsProcessingSuppressed())
      Fault("a progress window stayed open");
    for (Form* form :
         {Window<frmChoose>(), Window<frmList>(), Window<frmOptions>(), Window<frmSearch>()}) {
      if (form && FormBusy::UnloadPending(*form))
        Fault("an unload still waits after the operation returned");
    }
    std::vector<QString> names;
    for (const Song& s : Songs())
      names.push_back(s.name);
    if (frmChoose* editor = Loaded<frmChoose>(); editor && editor->isVisible()) {
      if (!editor->isEnabled() || !editor->cmdDone->isEnabled() || editor->lstPlayList->isHidden())
        Fault("the editor stayed busy");
      if (Shown(*editor->lstPlayList) != names)
        Fault("the editor does not show the list");
    }
    frmList* view = Loaded<frmList>();
    if (view && view->isVisible() && test::Slot<frmMusic>().IsLoaded()) {
      test::Slot<frmMusic>().Get().cmdView->click();  // what the user does to look at the list
      std::vector<QString> shown = Shown(*view->lstList);
      const double p = test::Slot<frmMusic>().Get().Position();
      if (p >= 0 && p < static_cast<double>(shown.size()) &&
          shown[static_cast<std::size_t>(p)] ==
              names[static_cast<std::size_t>(p)] + ListView::kNowPlayingSuffix)
        shown[static_cast<std::size_t>(p)] = names[static_cast<std::size_t>(p)];
      if (shown != names)
        Fault("View Play List does not show the list");
    }
  }

  static std::vector<QString> Shown(const SongListBox& box) {
    std::vector<QString> out;
    for (int i = 0; i < box.ListCount(); ++i)
      out.push_back(box.List(i));
    return out;
  }

  // The settings saved now (or by the program's end) load back the list as it is.
  void CheckSettings() {
    const std::vector<Song> before = Songs();
    test::FakeConfigurationHost host;
    bool bHasPlayList = false;
    if (!bEnded)
      Configuration::SaveConfiguration(qvt::platform(), test::PlayList(), host, bHasPlayList);
    fake.eventLoop.onPass = nullptr;
    progress.onText = nullptr;
    fake.dialogs.onShow = nullptr;
    fake.dialogs.onChooseFolder = nullptr;
    Configuration::LoadConfiguration(qvt::platform(), test::PlayList(), host, bHasPlayList);
    if (Songs() != before)
      Fault("the saved settings do not load back the list");
  }

  CurlHttp curl_;
  std::vector<Step> plan_;
  Op op_ = Op::AddAll;
  QPointer<Form> opWindow_;
  bool bTracking_ = false;
  enum class Phase { Done, Click, Job };
  Phase phase_ = Phase::Done;  // the click runs, or the job it started
  bool bReported_ = false;     // a progress text came since the last pass of the event loop
  int baseLevel_ = 0;          // the event loop level the operation's click runs at
  EventRelay relay_;
};

// Points of each operation without any action, measured once per process.
int PointsOf(Op op) {
  static std::map<Op, int> measured;
  if (!measured.contains(op)) {
    Session run;
    run.Prepare(op);
    run.Start(op, {});
    measured[op] = run.points;
  }
  return measured[op];
}

// Whether the program may end during op with act: the player was closed, or an update was
// installed.
bool MayEnd(Op op, Act act) {
  return op == Op::UpdateDownload || act == Act::ClosePlayer;
}

// ---- the table: every operation, every action, at the first, middle and last point ---------

struct Row {
  Op op;
  Act act;
};

class ReentryTable : public ::testing::TestWithParam<Row> {};

TEST_P(ReentryTable, ActionAtFirstMiddleAndLastPoint) {
  const auto [op, act] = GetParam();
  const int total = PointsOf(op);
  ASSERT_GT(total, 0);
  for (const int point : std::set<int>{1, (total + 1) / 2, total}) {
    SCOPED_TRACE(testing::Message() << "point " << point << " of " << total);
    Session run;
    run.Prepare(op);
    run.Start(op, {{point, act}});
    run.Check();
    EXPECT_TRUE(run.faults.isEmpty()) << run.faults.join("\n").toStdString();
    if (!MayEnd(op, act)) {
      EXPECT_FALSE(run.bEnded) << "the program ended";
    }
  }
}

std::vector<Row> AllRows() {
  std::vector<Row> rows;
  for (int o = 0; o <= static_cast<int>(Op::QuickPlay); ++o) {
    for (int a = 0; a < kActCount; ++a)
      rows.push_back({static_cast<Op>(o), static_cast<Act>(a)});
  }
  return rows;
}

INSTANTIATE_TEST_SUITE_P(Harness, ReentryTable, testing::ValuesIn(AllRows()),
                         [](const testing::TestParamInfo<Row>& row) {
                           return std::string(kOpNames[static_cast<int>(row.param.op)]) + "_" +
                                  kActNames[static_cast<int>(row.param.act)];
                         });

// ---- seeded random sequences -------------------------------------------------------------

// Seeds first .. first + count - 1 of one block; QVT_REENTRY_SEEDS="first:count" replaces the
// blocks of CI with one block (tools/reentry-seeds.sh).
class ReentrySeeds : public ::testing::TestWithParam<int> {};

constexpr int kSeedsPerBlock = 25;

TEST_P(ReentrySeeds, RandomActionsAtRandomPoints) {
  int first = GetParam() * kSeedsPerBlock;
  int count = kSeedsPerBlock;
  if (const QByteArray env = qgetenv("QVT_REENTRY_SEEDS"); !env.isEmpty()) {
    if (GetParam() != 0)
      GTEST_SKIP();
    first = env.split(':').value(0).toInt();
    count = env.split(':').value(1).toInt();
  }
  for (int seed = first; seed < first + count; ++seed) {
    std::mt19937 random(static_cast<unsigned>(seed));
    const auto op = static_cast<Op>(random() % (static_cast<int>(Op::QuickPlay) + 1));
    const int total = PointsOf(op);
    std::vector<Step> plan;
    const int actions = 1 + static_cast<int>(random() % 4);
    for (int i = 0; i < actions; ++i)
      plan.push_back({1 + static_cast<int>(random() % static_cast<unsigned>(total)),
                      static_cast<Act>(random() % kActCount), static_cast<unsigned>(random())});
    testing::Message plan_text;
    plan_text << "seed " << seed << " " << kOpNames[static_cast<int>(op)];
    for (const Step& step : plan)
      plan_text << ", " << kActNames[static_cast<int>(step.act)] << " at " << step.point;
    SCOPED_TRACE(plan_text);
    Session run;
    run.Prepare(op);
    run.Start(op, plan);
    run.Check();
    EXPECT_TRUE(run.faults.isEmpty()) << run.faults.join("\n").toStdString();
  }
}

INSTANTIATE_TEST_SUITE_P(Harness, ReentrySeeds, testing::Range(0, 8));

// ---- Verify removes the songs it found missing, though the list changed meanwhile ----------

TEST(ReentryVerify, RemovesTheMissingSongsAfterTheListChanged) {
  FakePlatform fake;
  test::PlayList().resetAll();
  QFile::copy(QVT_SOURCE_DIR "/data/AcceptedFileTypes.qvc", fake.path("AcceptedFileTypes.qvc"));
  const QString good = shared().music + "/a000";
  SetSongs({{good + "0.mp3", "g0"},
            {"/nonexistent-qvt/m1.mp3", "m1"},
            {good + "1.mp3", "g1"},
            {"/nonexistent-qvt/m2.mp3", "m2"}});
  // A skip that removes the song playing while the question is up (a modal box runs the loop).
  fake.dialogs.onShow = [](const MessageBoxSpec& box) {
    if (box.title == "Remove missing songs?")
      GlobalMethods::RemoveSongAt(test::PlayList(), 0);
  };
  test::VerifyToEnd(qvt::platform(), test::PlayList());
  const std::vector<Song> kept{{good + "1.mp3", "g1"}};
  EXPECT_TRUE(Songs() == kept);
  test::PlayList().resetAll();
}

// ---- the report: 100,000 songs, the editor closed while Verify runs -------------------------
// The close stops the check at once: the worker's late result is dropped, no box follows and
// the list stays whole, in the program and in the settings the player saves at its end.

TEST(ReentryLarge, EditorClosedDuringVerifyOfHundredThousandSongs) {
  Session run;
  std::vector<Song> songs;
  for (int i = 0; i < 100000; ++i)
    songs.push_back(
        {QStringLiteral("/nonexistent-qvt/s%1.mp3").arg(i), QStringLiteral("s%1.mp3").arg(i)});
  SetSongs(songs);
  test::FakeConfigurationHost host;
  bool bHasPlayList = false;
  Configuration::SaveConfiguration(qvt::platform(), test::PlayList(), host, bHasPlayList);
  test::PlayList().resetAll();
  MainModule::Main(test::Windows(), QString());
  test::Slot<frmMusic>().Get().cmdDir->click();
  run.points = 0;
  run.fake.dialogs.answers = {MsgResult::No};  // keep the missing songs
  // Point 1 is the first song tested (the window's caption is set in the handler, with no
  // pass of the event loop after it).
  run.Start(Op::Verify, {{1, Act::CloseEditor}});
  test::PumpUntil([] { return false; }, 100);  // when a late result would come
  EXPECT_TRUE(run.faults.isEmpty()) << run.faults.join("\n").toStdString();
  EXPECT_EQ(run.points, 1) << "progress went on after the close";
  EXPECT_TRUE(run.fake.dialogs.shown.empty()) << run.fake.dialogs.texts().join("\n").toStdString();
  ASSERT_FALSE(run.progress.barValues().empty());
  EXPECT_LT(run.progress.barValues().back(), static_cast<float>(songs.size() - 1))
      << "the check ran to its end";
  EXPECT_TRUE(Songs() == songs);
  EXPECT_FALSE(test::Slot<frmChoose>().IsLoaded());
  ASSERT_TRUE(test::Slot<frmMusic>().IsLoaded());
  EXPECT_TRUE(test::Slot<frmMusic>().Get().isVisible()) << "the editor handed back to the player";
  // The user closes the player: the whole list is saved.
  EXPECT_THROW(Forms::Unload(test::Slot<frmMusic>().Get()), ProgramEnded);
  test::PlayList().resetAll();
  Configuration::LoadConfiguration(qvt::platform(), test::PlayList(), host, bHasPlayList);
  EXPECT_TRUE(Songs() == songs);
}

}  // namespace
