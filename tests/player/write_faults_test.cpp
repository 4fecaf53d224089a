// Every way the programs write a file, driven through the file system with one failing call at a
// time: a first run counts the calls that create, write, sync, close, rename or copy files, then
// for each of them a run where that call fails (no space, an I/O error, no permission) must leave
// the old files whole and readable or the new ones complete, no temporary file behind, and the
// user told of the failure once, as each operation tells of a failed save.
#include <gtest/gtest.h>
#include <QDirIterator>
#include <QFile>
#include <QSet>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <map>
#include <optional>

#include "platform/Desktop.h"
#include "platform/fakes/FakeHttp.h"
#include "platform/fakes/FakePlatform.h"
#include "player/options/DesktopAssociation.h"
#include "player/playlists/EditorView.h"
#include "player/playlists/ListFile.h"
#include "player/playlists/ListViewLogic.h"
#include "player/update/Paths.h"
#include "player/update/Tracker.h"
#include "player/update/Updator.h"
#include "player/update/UpdatorMethods.h"
#include "player/update/downloader.h"
#include "player/window/Configuration.h"
#include "player/window/QuickPlaySettings.h"
#include "player/window/ResumePoint.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/ProgressRecorder.h"
#include "tests/support/TestFiles.h"
#include "tests/support/UnsignedUpdates.h"
#include "tests/support/UpdaterRun.h"
#include "updater/UpdaterProgram.h"

using namespace qvt;

namespace {

// One run's world: a fresh program folder and the fakes the operations reach.
struct World {
  FakePlatform fake;
  FakeHttp net;
  ProgressRecorder progress;

  QString path(const QString& name) const { return fake.path(name); }
  void write(const QString& name, const QByteArray& bytes) const {
    ASSERT_TRUE(test::WriteAllIn(path(name), bytes));
  }
};

// The editor window as the list save needs it: a folder and a status line.
class SaveView : public IEditorView, public IListBox {
 public:
  explicit SaveView(QString folder) : folder_(std::move(folder)) {}
  QString FileFolder() const override { return folder_; }
  int FileCount() const override { return 0; }
  QString FileEntry(int) const override { return {}; }
  bool FileSelected(int) const override { return false; }
  QString CurrentFileName() const override { return {}; }
  void RefreshFiles() override {}
  void SetAddingCaption(const QString&) override {}
  void SetStatusText(const QString&) override {}
  IListBox& PlayList() override { return *this; }
  int PlayListIndex() const override { return -1; }
  void ShowPlayList() override {}
  void SetEditing(bool) override {}
  void SetPlayListVisible(bool) override {}
  void SetProgressLabelsVisible(bool) override {}
  void RepaintWindow() override {}
  int ListCount() const override { return 0; }
  bool Selected(int) const override { return false; }
  void SetListIndex(int) override {}

 private:
  QString folder_;
};

class CheckView : public UpdatorMethods::IUpdateView {
 public:
  void SetLatestVersionCaption(const QString&) override {}
  void SetStatusCaption(const QString&) override {}
  void ShowUpdateButtons() override {}
};

class HomeDesktop : public IDesktop {
 public:
  explicit HomeDesktop(QString home) : home_(std::move(home)) {}
  QString dataHome() override { return home_ + "/data"; }
  QString configHome() override { return home_ + "/config"; }
  QString mimeTypeForExtension(const QString& ext) override {
    return ext == "mp3" ? "audio/mpeg" : QString();
  }
  bool runTool(const QString&, const QStringList&) override { return true; }

 private:
  QString home_;
};

// One way of writing files.
struct Writer {
  const char* name;
  QStringList watched;  // what it writes, from the program folder; all old or all new after it
  // Puts the old files in place and scripts what the user answers.
  std::function<void(World&)> arrange;
  // Runs the operation; answers what the user was told: the boxes, or what a command prints.
  std::function<QStringList(World&)> act;
  // Whether that tells of a failure once, as the operation does.
  std::function<bool(const QStringList& told, const QString& error)> toldOfFailure;
};

QStringList Boxes(World& world) {
  return world.fake.dialogs.texts();
}

bool Silent(const QStringList& told, const QString&) {
  return told.isEmpty();
}

// The one box of a failed save: `text`, or a text that begins with it and names the error.
std::function<bool(const QStringList&, const QString&)> OneBox(const QString& text,
                                                               bool bNamesError) {
  return [text, bNamesError](const QStringList& told, const QString& error) {
    return told.size() == 1 &&
           (bNamesError ? told[0].startsWith(text) && told[0].contains(error) : told[0] == text);
  };
}

void SetSongs() {
  test::PlayList().resetAll();
  test::PlayList().replaceAll({"/m/a.mp3", "/m/b.ogg"}, {"a.mp3", "b.ogg"});
}

// The list saved from the editor under `answer`, into the folder "lists".
Writer ListSave(const char* name, const QString& answer, const QString& file) {
  return {name,
          {"lists/" + file},
          [answer, file](World& w) {
            SetSongs();
            w.write("lists/" + file, "old list\r\n");
            w.fake.dialogs.inputAnswers = {answer};
          },
          [](World& w) {
            SaveView view(w.path("lists"));
            SaveListFile(platform(), test::PlayList(), view);
            return Boxes(w);
          },
          OneBox("Save Failed", false)};
}

QStringList RunUpdater(World& w) {
  try {
    UpdaterProgram program(platform(), UpdateManifest::Trust());
    test::RunUpdater(program);
  } catch (const ProgramEnded&) {
    // Cancel ends it, as starting the player does
  }
  return Boxes(w);
}

std::vector<Writer> Writers() {
  return {
      {"settings and last list",
       {"ConfigurationAndLastPlayList.qvs"},
       [](World& w) {
         SetSongs();
         w.write("ConfigurationAndLastPlayList.qvs", "old settings\r\n");
       },
       [](World& w) {
         test::FakeConfigurationHost host;
         bool bHasPlayList = false;
         Configuration::SaveConfiguration(platform(), test::PlayList(), host, bHasPlayList);
         return Boxes(w);
       },
       OneBox("An error has occured while saving settings\r\n", true)},
      {"quick play settings",
       {"QPConfig.qvc"},
       [](World& w) { w.write("QPConfig.qvc", "old\r\n"); },
       [](World& w) {
         (void)WriteQuickPlayConfig(platform(), w.path("QPConfig.qvc"), 1, 2, true, -300);
         return Boxes(w);  // quiet: the window closes whatever the file says
       },
       Silent},
      ListSave(".qvl save", "mine", "mine.qvl"),
      ListSave(".m3u8 export", "mine.m3u8", "mine.m3u8"),
      {"resume point",
       {"ResumePosition.qvs"},
       [](World& w) { w.write("ResumePosition.qvs", "old\r\n"); },
       [](World& w) {
         SaveResumePoint(platform(), ResumePoint{"/m/a.mp3", 12.5});
         return Boxes(w);
       },
       Silent},
      {"status for the Updater",
       {"Status.tmp"},
       [](World& w) { w.write("Status.tmp", "#FALSE#\r\n"); },
       [](World& w) {
         Tracker::SetStatusRunning(platform());
         return Boxes(w);
       },
       Silent},
      {"list view size",
       {"listViewConfig.qvs"},
       [](World& w) { w.write("listViewConfig.qvs", "1,2\r\n"); },
       [](World& w) {
         ListView::WriteSavedSize(platform(), 4000, 5000);
         return Boxes(w);
       },
       Silent},
      {"desktop entry",
       {"home/data/applications/quavertone.desktop"},
       [](World& w) { w.write("home/data/applications/quavertone.desktop", "old entry\n"); },
       [](World& w) {
         HomeDesktop desktop(w.path("home"));
         const Result<void> installed = InstallDesktopEntry(desktop, files(), "/opt/qvt/Quavertone",
                                                            "/opt/qvt/QVTFile.png", {"mp3"});
         return installed ? QStringList() : QStringList{installed.error()};
       },
       OneBox("Cannot ", true)},
      {"version check",
       {"CurrentVersion.qvs"},  // an older check is removed first: none is ever shown stale
       [](World& w) {
         w.net.responses[Paths::DefaultVersionFileURL()] = {200, "1,34,0\r\nNew\r\n"};
       },
       [](World& w) {
         CheckView view;
         UpdatorMethods::CheckForUpdates(platform(), UpdateManifest::Trust(), view);
         return Boxes(w);
       },
       [](const QStringList& told, const QString&) {
         return told.size() == 2 && told[0] == downloader::kDownloadFailed &&
                told[1].startsWith(UpdatorMethods::kCheckFailed + "\r\n");
       }},
      {"update downloads",
       {"Updater", "ProgramUpdate.tmp"},
       [](World& w) {
         w.write("Updater", "old updater");
         w.net.responses["http://u/list"] = {
             200, "\"Updater\",\"http://u/up\"\r\n\"ProgramUpdate.tmp\",\"http://u/new\"\r\n"};
         w.net.responses["http://u/up"] = {200, "new updater"};
         w.net.responses["http://u/new"] = {200, "new player"};
       },
       [](World& w) {
         (void)Updator::BeginUpdate(platform(), test::UnsignedUpdates(), "http://u/list");
         return Boxes(w);
       },
       [](const QStringList& told, const QString&) {
         const QString stop = Updator::kUpdateStopped + "\r\n\r\n";
         return !told.isEmpty() && told.filter(stop).size() == 1 && told.back().startsWith(stop) &&
                told.size() - 1 == told.count(downloader::kDownloadFailed);
       }},
      {"the Updater's swap, cancelled",
       {"Quavertone"},
       [](World& w) {
         w.write("Quavertone", "old player");
         w.write("ProgramUpdate.tmp", "new player");
         w.fake.dialogs.answers = {MsgResult::Cancel};
       },
       RunUpdater,
       [](const QStringList& told, const QString&) {
         return told.size() == 1 && told[0].startsWith(UpdaterProgram::kFailurePrompt + "\r\n");
       }},
  };
}

using Files = std::map<QString, std::optional<QByteArray>>;

Files Contents(const World& w, const QStringList& names) {
  Files files;
  for (const QString& name : names) {
    QFile file(w.path(name));
    files[name] = file.open(QIODevice::ReadOnly) ? std::optional(file.readAll()) : std::nullopt;
  }
  return files;
}

// Every entry below the program folder, hidden ones included, relative to it.
QSet<QString> Entries(const World& w) {
  QSet<QString> names;
  QDirIterator it(w.fake.folder(),
                  QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                  QDirIterator::Subdirectories);
  while (it.hasNext())
    names << it.next().mid(w.fake.folder().size() + 1);
  return names;
}

std::string Described(const Files& files) {
  QStringList lines;
  for (const auto& [name, bytes] : files)
    lines << name + ": " + (bytes ? QString::fromUtf8(bytes->left(40)).toHtmlEscaped() : "missing");
  return lines.join("; ").toStdString();
}

QString Described(const QStringList& told) {
  return told.isEmpty() ? QStringLiteral("nothing") : u'"' + told.join("\" and \"") + u'"';
}

class WriteFaults : public testing::TestWithParam<Writer> {};

TEST_P(WriteFaults, EveryFailedCallKeepsTheOldFilesLeavesNothingAndTellsOnce) {
  const Writer& writer = GetParam();
  Files before;
  Files after;
  QSet<QString> kept;  // the entries there before, or after a run without failures
  QStringList calls;
  QStringList toldWhenDone;
  {
    World w;
    writer.arrange(w);
    before = Contents(w, writer.watched);
    kept = Entries(w);
    w.fake.files.faults.failCall(0);
    toldWhenDone = writer.act(w);
    calls = w.fake.files.faults.calls();
    after = Contents(w, writer.watched);
    kept += Entries(w);
  }
  ASSERT_NE(before, after) << "the operation writes its files";
  ASSERT_FALSE(calls.isEmpty());
  for (int n = 1; n <= calls.size(); ++n) {
    for (const int code : {ENOSPC, EIO, EACCES}) {
      const QString error = QString::fromLocal8Bit(std::strerror(code));
      SCOPED_TRACE(QStringLiteral("call %1 of %2 (%3) fails: %4")
                       .arg(n)
                       .arg(calls.size())
                       .arg(calls[n - 1], error)
                       .toStdString());
      World w;
      writer.arrange(w);
      w.fake.files.faults.failCall(n, error);
      const QStringList told = writer.act(w);
      ASSERT_TRUE(w.fake.files.faults.failed()) << "the same calls are made again";
      for (const QString& entry : Entries(w))
        EXPECT_TRUE(kept.contains(entry)) << "left behind: " << entry.toStdString();
      const Files now = Contents(w, writer.watched);
      if (now == after) {
        EXPECT_TRUE(told == toldWhenDone || writer.toldOfFailure(told, error))
            << "told " << Described(told).toStdString();
      } else {
        EXPECT_TRUE(now == before) << "the old files are not whole: " << Described(now);
        EXPECT_TRUE(writer.toldOfFailure(told, error)) << "told " << Described(told).toStdString();
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, WriteFaults, testing::ValuesIn(Writers()),
                         [](const testing::TestParamInfo<Writer>& row) {
                           std::string name;
                           for (const char c : std::string(row.param.name))
                             name += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
                           return name;
                         });

}  // namespace
