// The .qvl play list file and the editor's operations, through a plain fake of the editor
// window: saving and loading (round trips, duplicates, refused and malformed files, bad save
// names, a failed save leaving the old file whole), removing, and the busy protocol.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <random>
#include <set>
#include <stdexcept>

#include "platform/fakes/FakePlatform.h"
#include "player/playlists/EditorView.h"
#include "player/playlists/ForeignList.h"
#include "player/playlists/ListFile.h"
#include "player/playlists/ListFileRead.h"
#include "player/playlists/PlayListEditor.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "shared/Variant.h"
#include "tests/support/EventPump.h"
#include "tests/support/PermissionChecks.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/ProgressRecorder.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TestFiles.h"

using namespace qvt;

using qvt::test::ReadAll;
using qvt::test::WriteAll;

namespace {

class FakeView : public IEditorView, public IListBox {
 public:
  QString folder;
  std::vector<QString> files;
  std::set<int> selectedFiles;
  QString current;
  std::vector<QString> items;
  int listIndex = -1;
  QString caption;
  QStringList statuses;
  QStringList events;  // busy protocol: "edit 0", "edit 1", "list 0", "repaint", ...
  int refreshes = 0;
  bool closeWaiting = false;

  QString FileFolder() const override { return folder; }
  int FileCount() const override { return static_cast<int>(files.size()); }
  QString FileEntry(int i) const override { return files.at(static_cast<std::size_t>(i)); }
  bool FileSelected(int i) const override { return selectedFiles.count(i) > 0; }
  QString CurrentFileName() const override { return current; }
  void RefreshFiles() override { ++refreshes; }
  void SetAddingCaption(const QString& s) override { caption = s; }
  void SetStatusText(const QString& s) override { statuses << s; }
  IListBox& PlayList() override { return *this; }
  int PlayListIndex() const override { return listIndex; }
  void ShowPlayList() override {
    const MusicVariables& mv = test::PlayList();
    items.clear();
    for (std::size_t i = 0;
         static_cast<double>(i) <= mv.dblLastIndex() && i < mv.sSongNames().size(); ++i)
      items.push_back(mv.sSongNames()[i]);
    listIndex = -1;
  }
  void SetEditing(bool b) override { events << QStringLiteral("edit %1").arg(b); }
  void SetPlayListVisible(bool b) override { events << QStringLiteral("list %1").arg(b); }
  void SetProgressLabelsVisible(bool b) override { events << QStringLiteral("labels %1").arg(b); }
  void RepaintWindow() override { events << QStringLiteral("repaint"); }
  bool CloseWaiting() const override { return closeWaiting; }
  int ListCount() const override { return static_cast<int>(items.size()); }
  bool Selected(int i) const override { return i == listIndex; }
  void SetListIndex(int i) override {
    if (i < -1 || i >= ListCount())
      throw std::out_of_range("no entry");
    listIndex = i;
  }
};

class PlayListFile : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PlayList().resetAll();
    test::PlayList().setLastIndex(-1);
    view.folder = fake.path("music");
    QDir().mkpath(view.folder);
  }
  void TearDown() override { test::PlayList().resetAll(); }

  static void SetList(const std::vector<QString>& paths, const std::vector<QString>& names) {
    test::PlayList().replaceAll(paths, names);
  }
  // Loads a file of the folder the way the Load button does (search bound at the list).
  void Load(const QString& name) {
    view.current = name;
    GlobalMethods::FindSongPath(test::PlayList(),
                                "init" + FormatNumber(test::PlayList().dblLastIndex()));
    LoadListFile(qvt::platform(), test::PlayList(), view, kListFileMarker);
    GlobalMethods::FindSongPath(test::PlayList(), "stop");
  }
  void Save(const QString& answer) {
    fake.dialogs.inputAnswers.push_back(answer);
    SaveListFile(qvt::platform(), test::PlayList(), view);
  }
  // Runs an operation of the editor to its end: one that goes on as a job is pumped until then.
  void RunToEnd(void (PlayListEditor::*click)(), const Services& services = qvt::platform()) {
    PlayListEditor editor(services, test::PlayList(), view);
    (editor.*click)();
    EXPECT_TRUE(test::PumpUntil([&] { return !editor.JobRunning(); }));
  }
  QString In(const QString& name) const { return view.folder + "/" + name; }
  std::vector<QString> Listed() const {
    const auto& names = test::PlayList().sSongNames().items();
    return {names.begin(), names.begin() + static_cast<long>(test::PlayList().dblLastIndex() + 1)};
  }

  FakePlatform fake;
  FakeView view;
};

TEST_F(PlayListFile, SaveWritesRecordsAndLoadReproducesThemByteForByte) {
  const std::vector<QString> paths{"/m/Blue, Live.mp3", "/m/Café Ünïcode ✓.ogg", "/m/a  b.wav"};
  const std::vector<QString> names{"Blue, Live.mp3", "Café Ünïcode ✓.ogg", "a  b.wav"};
  SetList(paths, names);
  Save("mine");
  ASSERT_EQ(fake.dialogs.inputs.size(), 1u);
  EXPECT_EQ(fake.dialogs.inputs[0].prompt, "Enter file name");
  EXPECT_EQ(fake.dialogs.inputs[0].title, "Quavertone");
  EXPECT_EQ(fake.dialogs.inputs[0].defaultText, "");
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"Saved"});
  EXPECT_EQ(view.statuses, (QStringList{"Saving...", "Saved"}));
  EXPECT_EQ(view.refreshes, 1);
  QByteArray expected("2\r\n");
  for (std::size_t i = 0; i < paths.size(); ++i)
    expected += "\"" + paths[i].toUtf8() + "\",\"" + names[i].toUtf8() + "\"\r\n";
  EXPECT_EQ(ReadAll(In("mine.qvl")), expected);

  test::PlayList().setLastIndex(-1);
  Load("mine.qvl");
  EXPECT_EQ(fake.dialogs.texts().last(), "3 Songs loaded successfully");
  EXPECT_EQ(test::PlayList().dblLastIndex(), 2);
  EXPECT_EQ(Listed(), names);
  EXPECT_EQ(view.items, names);
  EXPECT_EQ(view.caption, "Generating Visual List... \r\na  b.wav");
  EXPECT_EQ(view.statuses.last(), "Adding... a  b.wav");
}

TEST_F(PlayListFile, EmptyListIsTheLineMinusOneAndLoadsNothing) {
  Save("empty");
  EXPECT_EQ(ReadAll(In("empty.qvl")), "-1\r\n");
  Load("empty.qvl");
  EXPECT_EQ(fake.dialogs.texts(), (QStringList{"Saved", "0 Songs loaded successfully"}));
  EXPECT_EQ(test::PlayList().dblLastIndex(), -1);
}

TEST_F(PlayListFile, DuplicatesOfTheListAreCountedNotAddedEvenInOtherCase) {
  SetList({"/m/ONE.mp3"}, {"ONE.mp3"});
  ASSERT_TRUE(
      WriteAll(In("l.qvl"), "1\r\n\"/m/one.mp3\",\"one.mp3\"\r\n\"/m/two.mp3\",\"two\"\r\n"));
  Load("l.qvl");
  EXPECT_EQ(fake.dialogs.texts(),
            (QStringList{"1 songs failed to be added because they were already in the list",
                         "1 Songs loaded successfully"}));
  EXPECT_EQ(Listed(), (std::vector<QString>{"ONE.mp3", "two"}));
  EXPECT_EQ(test::PlayList().sSongPaths()[1], "/m/two.mp3");
}

TEST_F(PlayListFile, NamesWithoutExactLowerCaseExtensionAreRefused) {
  ASSERT_TRUE(WriteAll(In("MIX.QVL"), "0\r\n\"/m/a.mp3\",\"a.mp3\"\r\n"));
  for (const QString name : {"MIX.QVL", "qvl", "list.qvl.txt", ""}) {
    fake.dialogs.shown.clear();
    Load(name);
    EXPECT_EQ(fake.dialogs.texts(),
              QStringList{"The file selected is not a valid Quavertone List file"})
        << name.toStdString();
    EXPECT_EQ(test::PlayList().dblLastIndex(), -1);
  }
}

// Each malformed file ends with "Error loading file", the list holding exactly the songs read.
TEST_F(PlayListFile, MalformedFilesEndInOrder) {
  const QByteArray two = "\"/m/a.mp3\",\"a.mp3\"\r\n\"/m/b.mp3\",\"b.mp3\"\r\n";
  const struct {
    const char* what;
    QByteArray bytes;
    int stored;
  } cases[] = {
      {"first line not a number", "abc\r\n" + two, 0},
      {"fewer records than announced", "4\r\n" + two, 2},
      {"ten million announced", "9999999\r\n" + two, 2},
      {"count below -1", "-7\r\n" + two, 0},
      {"count not whole", "1.5\r\n" + two, 0},
      {"binary garbage", QByteArray("\x00\xff\xfe\x01\x80,\r\x1b", 8), 0},
      {"empty file", "", 0},
  };
  for (const auto& c : cases) {
    SetList({"/m/keep.mp3"}, {"keep.mp3"});
    fake.dialogs.shown.clear();
    ASSERT_TRUE(WriteAll(In("bad.qvl"), c.bytes));
    Load("bad.qvl");
    EXPECT_EQ(fake.dialogs.texts(), QStringList{"Error loading file"}) << c.what;
    EXPECT_EQ(test::PlayList().dblLastIndex(), c.stored) << c.what;
    EXPECT_EQ(test::PlayList().sSongNames().size(), static_cast<std::size_t>(c.stored) + 1)
        << c.what;
    EXPECT_EQ(view.items, Listed()) << c.what;
  }
  fake.dialogs.shown.clear();
  Load("missing.qvl");
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"Error loading file"});
}

// The file is read while the event loop runs: a close of the editor there ends the load, and
// nothing is added or said.
TEST_F(PlayListFile, ClosingTheEditorWhileAListIsReadAddsNothing) {
  ASSERT_TRUE(WriteAll(In("l.qvl"), "1\r\n\"/m/a.mp3\",\"a\"\r\n\"/m/b.mp3\",\"b\"\r\n"));
  ASSERT_TRUE(WriteAll(In("l.m3u"), "/m/a.mp3\n/m/b.mp3\n"));
  fake.eventLoop.onPass = [this] { view.closeWaiting = true; };
  for (const QString file : {"l.qvl", "l.m3u"}) {
    SetList({"/m/keep.mp3"}, {"keep.mp3"});
    view.closeWaiting = false;
    Load(file);
    EXPECT_TRUE(fake.dialogs.shown.empty()) << fake.dialogs.texts().join("|").toStdString();
    EXPECT_EQ(Listed(), std::vector<QString>{"keep.mp3"});
  }
}

// Other players' lists, hand-written in each format, hostile ones included: each loads the
// songs it can name and reports like a .qvl. "F" stands for the editor's folder.
TEST_F(PlayListFile, OtherPlayersListsLoadWhatTheyCan) {
  const QString skipped = " entries of the list were skipped because they name no local file";
  const QString loaded = " Songs loaded successfully";
  const QByteArray longLine(100000, 'x');
  const struct {
    const char* file;
    QByteArray bytes;
    QStringList paths;  // "F/" is the editor's folder, "P/" its parent
    QStringList names;
    QStringList messages;
  } cases[] = {
      {"a.m3u",
       "#EXTM3U\r\n#EXTINF:12,Blue Song\r\nblue.mp3\r\n# note\r\n\r\n../up/red.ogg\r\n"
       "http://radio.example/live\r\n",
       {"F/blue.mp3", "P/up/red.ogg"},
       {"Blue Song", "red.ogg"},
       {"1" + skipped, "2" + loaded}},
      {"B.M3U8",
       "\xEF\xBB\xBF#EXTINF:-1,Caf\xC3\xA9 \"live\"\t!\nfile:///m/two%20%C3%A9.mp3\n/m/one.mp3\n"
       "file://host/share/x.mp3\n/m/three.mp3\n",
       {"/m/two é.mp3", "/m/three.mp3"},
       {"Café 'live' !", "three.mp3"},
       {"1 songs failed to be added because they were already in the list", "1" + skipped,
        "2" + loaded}},
      {"c.pls",
       "[playlist]\nNumberOfEntries=999999999\nFile2=/m/b.mp3\nTitle1=First\nFile1=/m/a.mp3\n"
       "Title3=no path\nFile4=https://x.example/s.mp3\nFile5=" +
           longLine + "\nVersion=2\n",
       {"/m/a.mp3", "/m/b.mp3"},
       {"First", "b.mp3"},
       {"2" + skipped, "2" + loaded}},
      {"d.pls", "File1=/m/a.mp3\n", {}, {}, {"Error loading file"}},
      {"e.xspf",
       "<?xml version=\"1.0\" encoding=\"UTF-8\"?><playlist version=\"1\" "
       "xmlns=\"http://xspf.org/ns/0/\"><trackList>"
       "<track><title>T &amp; A</title><location>sub/a%20b.flac</location></track>"
       "<track><location>file:///m/c.wav</location><location>/other</location></track>"
       "<track><title>no location</title></track></trackList></playlist>",
       {"F/sub/a b.flac", "/m/c.wav"},
       {"T & A", "c.wav"},
       {"2" + loaded}},
      {"f.XSPF",
       "<playlist><trackList><track><location>/m/ok.mp3</location></track><track><location>",
       {"/m/ok.mp3"},
       {"ok.mp3"},
       {"Error loading file"}},
      {"g.m3u", QByteArray("/m/a.mp3\n\x00\xff\x01", 12), {}, {}, {"Error loading file"}},
      // Written on Windows: backslashes, Windows-1252, drives and shares that are not here.
      {"h.m3u",
       "#EXTM3U\r\nsub\\\xDC"
       "ber.flac\r\nC:\\Music\\x.mp3\r\n\\\\nas\\s\\y.mp3\r\n"
       "..\\up\\red.ogg\r\n",
       {"F/sub/Über.flac", "P/up/red.ogg"},
       {"Über.flac", "red.ogg"},
       {"2" + skipped, "2" + loaded}},
  };
  const QString parent = QFileInfo(view.folder).absolutePath();
  for (const auto& c : cases) {
    SetList({"/m/one.mp3"}, {"one"});
    fake.dialogs.shown.clear();
    ASSERT_TRUE(WriteAll(In(c.file), c.bytes));
    Load(c.file);
    EXPECT_EQ(fake.dialogs.texts(), c.messages) << c.file;
    QStringList paths, names;
    for (double i = 1; i <= test::PlayList().dblLastIndex(); ++i) {
      paths << test::PlayList().sSongPaths()[static_cast<std::size_t>(i)];
      names << test::PlayList().sSongNames()[static_cast<std::size_t>(i)];
    }
    QStringList expected = c.paths;
    expected.replaceInStrings(QRegularExpression("^F/"), view.folder + "/");
    expected.replaceInStrings(QRegularExpression("^P/"), parent + "/");
    EXPECT_EQ(paths, expected) << c.file;
    EXPECT_EQ(names, c.names) << c.file;
    EXPECT_EQ(view.items, Listed()) << c.file;
  }
  // Add in the editor loads a list the same way, whichever entry of the file box it is.
  SetList({}, {});
  view.files = {"a.m3u", "c.pls"};
  view.selectedFiles = {0, 1};
  view.current = "a.m3u";
  PlayListEditor(qvt::platform(), test::PlayList(), view).AddClick();
  EXPECT_EQ(Listed(), (std::vector<QString>{"Blue Song", "red.ogg", "First", "b.mp3"}));
}

// A list in memory gives the records its file gives: a .qvl, and another player's list.
TEST_F(PlayListFile, ListsInMemoryReadAsTheirFilesDo) {
  const struct {
    const char* name;
    QByteArray bytes;
  } lists[] = {
      {"a.qvl", "2\r\n\"/m/a.mp3\",\"a\"\r\n\"/m/b, c.mp3\",\"b, c\"\r\n"},
      {"b.m3u", "#EXTINF:1,One\r\none.mp3\r\nhttp://x/y\r\n/m/two.mp3"},
  };
  for (const auto& list : lists) {
    ASSERT_TRUE(WriteAll(In(list.name), list.bytes));
    const ListFileToRead file{In(list.name), IsForeignListName(list.name)};
    const std::optional<ListRecords> fromFile =
        ReadListFile(files(), file, [](const QString&) {}, {});
    ASSERT_TRUE(fromFile.has_value());
    const ListRecords inMemory = ReadListRecords(file, list.bytes);
    EXPECT_EQ(inMemory.paths.items(), fromFile->paths.items()) << list.name;
    EXPECT_EQ(inMemory.names.items(), fromFile->names.items()) << list.name;
    EXPECT_EQ(inMemory.dblSkipped, fromFile->dblSkipped) << list.name;
    EXPECT_EQ(inMemory.bComplete, fromFile->bComplete) << list.name;
  }
}

// An entry whose name begins with ":" is a file of the list's folder like any other, in every
// format (Qt's own paths take such a name for one of its resources).
TEST(ForeignListEntries, NamesBeginningWithAColonAreFilesOfTheListsFolder) {
  const struct {
    const char* list;
    QByteArray bytes;
  } cases[] = {
      {"/m/l/a.m3u", "#EXTM3U\n:one.mp3\n"},
      {"/m/l/a.pls", "[playlist]\nFile1=:one.mp3\n"},
      {"/m/l/a.xspf",
       "<playlist><trackList><track><location>:one.mp3</location></track></trackList>"
       "</playlist>"},
  };
  for (const auto& c : cases) {
    const ForeignList list = ReadForeignList(c.list, c.bytes);
    ASSERT_EQ(list.entries.size(), 1u) << c.list;
    EXPECT_EQ(list.entries[0].sPath, "/m/l/:one.mp3") << c.list;
    EXPECT_EQ(list.entries[0].sName, ":one.mp3") << c.list;
  }
}

// A .qvl exported as M3U8 loads back as the same songs, even paths an M3U line cannot hold
// as they are; a .qvl that does not hold what it announces exports nothing.
TEST_F(PlayListFile, ExportedM3u8LoadsBackTheSameSongs) {
  const std::vector<QString> paths{"/m/Blue, Live.mp3", "/m/#1 hit.ogg", "/m/two\nlines.wav",
                                   "/m/trail.mp3 "};
  const std::vector<QString> names{"Blue, Live", "#1", "two lines", "trail"};
  SetList(paths, names);
  ASSERT_TRUE(WriteListFile(files(), test::PlayList(), In("l.qvl")));
  const Result<void> exported = ExportM3u8(files(), In("l.qvl"), In("out.m3u8"));
  ASSERT_TRUE(exported) << exported.error().toStdString();
  SetList({}, {});
  Load("out.m3u8");
  EXPECT_EQ(test::PlayList().sSongPaths().items(), paths);
  EXPECT_EQ(test::PlayList().sSongNames().items(), names);

  ASSERT_TRUE(WriteAll(In("bad.qvl"), "3\r\n\"/m/a.mp3\",\"a\"\r\n"));
  const Result<void> refused = ExportM3u8(files(), In("bad.qvl"), In("out.m3u8"));
  EXPECT_FALSE(refused);
  EXPECT_FALSE(refused.error().isEmpty());
  EXPECT_TRUE(ReadAll(In("out.m3u8")).contains("Blue, Live"));
}

// A list saved under a name ending in .m3u8 names its songs from its own folder: moved with
// its songs, it still finds them.
TEST_F(PlayListFile, AnM3u8SavedBesideItsSongsLoadsAfterTheFolderMoved) {
  SetList({In("a b.mp3"), In("sub/#1.ogg"), fake.path("elsewhere.wav")}, {"A B", "One", "E"});
  Save("Mix.M3U8");
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"Saved"});
  EXPECT_EQ(ReadAll(In("Mix.M3U8")),
            "#EXTM3U\n#EXTINF:-1,A B\na b.mp3\n#EXTINF:-1,One\nsub/#1.ogg\n#EXTINF:-1,E\n"
            "../elsewhere.wav\n");
  const QString moved = fake.path("moved");
  ASSERT_TRUE(QDir().rename(view.folder, moved));
  view.folder = moved;
  SetList({}, {});
  Load("Mix.M3U8");
  EXPECT_EQ(test::PlayList().sSongPaths().items(),
            (std::vector<QString>{moved + "/a b.mp3", moved + "/sub/#1.ogg",
                                  fake.path("elsewhere.wav")}));
}

std::vector<QString> PathsOf(const ForeignList& list) {
  std::vector<QString> paths;
  for (const ListEntry& entry : list.entries)
    paths.push_back(entry.sPath);
  return paths;
}

// Names whose plain line this reader or another would take for something else (a drive, a URL,
// a comment, blanks lost, a backslash, a break of line) read back as the same paths, absolute
// and relative. A path no line gives back is refused with a reason on one line, written for a
// terminal; the old list stays, and the editor's save fails.
TEST_F(PlayListFile, M3u8ExportOfOddNamesReadsBackOrIsRefused) {
  std::vector<ListEntry> songs;
  std::vector<QString> paths;
  for (const char* name : {"c:song.wav", "back\\slash.wav", "http:/x.wav", " lead.wav", "#x.wav",
                           "trail.wav ", "two\nlines.wav", "cr\r.wav", "\xC2\xA0nbsp.wav",
                           "%41.wav", "sub/ lead.wav", "../c:up.wav"}) {
    paths.push_back(QDir::cleanPath(In(QString::fromUtf8(name))));
    songs.push_back({paths.back(), "n"});
  }
  for (const bool bRelative : {false, true}) {
    ASSERT_TRUE(WriteM3u8(files(), songs, In("odd.m3u8"), bRelative));
    EXPECT_EQ(PathsOf(ReadForeignList(In("odd.m3u8"))), paths) << bRelative;
  }
  // Only the backslash, the trailing blank and the two line breaks need a URL.
  EXPECT_EQ(ReadAll(In("odd.m3u8")).count("\nfile:///"), 4);

  ASSERT_TRUE(WriteAll(In("odd.m3u8"), "old"));
  for (const QString& path :
       {QFile::decodeName("/m/not\xFF utf8.wav"), QString("/m/\"hi\".wav"), QString("relative.wav"),
        QString("/m/../up.wav"), QString("/m/") + QChar(0xD800) + ".wav"}) {
    for (const bool bRelative : {false, true}) {
      const Result<void> refused = WriteM3u8(files(), {{path, "n"}}, In("odd.m3u8"), bRelative);
      EXPECT_FALSE(refused) << path.toStdString();
      EXPECT_FALSE(refused.error().isEmpty());
    }
  }
  SetList({QFile::decodeName("/m/not\xFF utf8.wav")}, {"n"});
  Save("odd.m3u8");
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"Save Failed"});
  EXPECT_EQ(ReadAll(In("odd.m3u8")), "old");

  ASSERT_TRUE(WriteAll(In("esc.qvl"), "0\r\n\"/m/\x1B[2J\n\xFF.wav\",\"n\"\r\n"));
  const Result<void> exported = ExportM3u8(files(), In("esc.qvl"), In("odd.m3u8"));
  ASSERT_FALSE(exported);
  EXPECT_FALSE(exported.error().contains(QRegularExpression("[\\x00-\\x1F\\x7F]")))
      << exported.error().toStdString();
  EXPECT_EQ(ReadAll(In("odd.m3u8")), "old");
}

// A random Linux file name: any byte but "/" and NUL; mostly bytes and characters an M3U line
// treats in a way of its own, now and then a byte that is no UTF-8.
QByteArray RandomName(std::mt19937& random) {
  static const QByteArray kSpecial(" \t\r\n\v\f#\\:.%\"?'*~\x01\x1B\x7F");
  static const char* const kCharacters[] = {"\xC2\xA0",     "\xC2\x85", "\xE2\x80\xA8",
                                            "\xEF\xBB\xBF", "\xC3\xA9", "\xF0\x9F\x8E\xB5"};
  const auto below = [&random](std::size_t n) { return static_cast<qsizetype>(random() % n); };
  const auto letter = [&] { return static_cast<char>('a' + below(26)); };
  QByteArray name;
  if (below(6) == 0)  // a drive, or a URL's scheme when a folder
    name = QByteArray(below(4) + 1, letter()) + ':';
  for (const qsizetype length = name.size() + 1 + below(10); name.size() < length;) {
    const qsizetype kind = below(16);
    if (kind == 0)
      name += static_cast<char>(1 + below(255));
    else if (kind < 5)
      name += kSpecial[below(static_cast<std::size_t>(kSpecial.size()))];
    else if (kind < 7)
      name += kCharacters[below(std::size(kCharacters))];
    else
      name += letter();
  }
  name.replace('/', 'x');
  return name == "." || name == ".." ? name + 'x' : name;
}

// Random file names in a folder tree, exported absolute and relative, read back as the same
// files (byte for byte); a name is refused only when it cannot be: not UTF-8, or a double quote,
// which no list entry of this program may hold.
TEST_F(PlayListFile, M3u8ExportOfRandomFileNamesReadsBackOrIsRefused) {
  std::mt19937 random(20240611);
  const QString list = In("tree/list");
  ASSERT_TRUE(QDir().mkpath(list));
  const QByteArray folders[] = {QFile::encodeName(list), QFile::encodeName(list + "/sub"),
                                QFile::encodeName(In("tree/other"))};
  std::vector<QByteArray> natives;
  for (std::size_t i = 0; i < 3000; ++i) {
    natives.push_back(folders[i % 3] + '/' + RandomName(random));
    if (i % 4 == 3)
      natives.back() += '/' + RandomName(random);
  }
  for (const bool bRelative : {false, true}) {
    std::vector<ListEntry> songs;
    std::vector<QByteArray> written;
    for (const QByteArray& native : natives) {
      const ListEntry song{QFile::decodeName(native), QStringLiteral("n")};
      const Result<QByteArray> text = M3u8Text({song}, list, bRelative);
      if (text) {
        songs.push_back(song);
        written.push_back(native);
        continue;
      }
      ASSERT_TRUE(song.sPath.contains(QChar::ReplacementCharacter) || song.sPath.contains(u'"'))
          << native.toHex().toStdString() << " " << text.error().toStdString();
      ASSERT_FALSE(text.error().isEmpty());
      ASSERT_FALSE(text.error().contains(u'\n'));
    }
    EXPECT_GT(written.size(), natives.size() / 3) << bRelative;
    ASSERT_TRUE(WriteM3u8(files(), songs, list + "/out.m3u8", bRelative));
    const ForeignList back = ReadForeignList(list + "/out.m3u8");
    EXPECT_EQ(back.dblSkipped, 0);
    ASSERT_EQ(back.entries.size(), written.size());
    for (std::size_t i = 0; i < written.size(); ++i) {
      ASSERT_EQ(QFile::encodeName(back.entries[i].sPath), written[i])
          << written[i].toHex().toStdString() << " relative " << bRelative;
    }
  }
}

// The tree below the chosen folder is the one the file system lists: folders it cannot read,
// wholly or in part, are counted, and what they gave is searched too.
TEST_F(PlayListFile, FindMovedSongsSearchesTheTreeTheFileSystemLists) {
  fake.files.folders["/moved"] = {{"a.mp3", "Rock/", "locked/", "gone/"}};
  fake.files.folders["/moved/Rock"] = {{"b.mp3"}};
  fake.files.folders["/moved/locked"] = {{"c.mp3"}, false};  // read in part
  SetList({"/old/a.mp3", "/old/Rock/b.mp3", "/old/c.mp3", "/old/d.mp3"}, {"a", "b", "c", "d"});
  fake.dialogs.folderAnswers = {"/moved"};
  RunToEnd(&PlayListEditor::FindMovedClick);
  EXPECT_EQ(fake.dialogs.texts(),
            QStringList{"3 of 4 missing songs were found; 1 are still missing. 2 folders could "
                        "not be read."});
  EXPECT_EQ(test::PlayList().sSongPaths().items(),
            (std::vector<QString>{"/moved/a.mp3", "/moved/Rock/b.mp3", "/moved/locked/c.mp3",
                                  "/old/d.mp3"}));
}

// Find Moved Songs relinks the missing songs it finds below the chosen folder and keeps the
// rest; names, order and the songs that exist stay as they were.
TEST_F(PlayListFile, FindMovedSongsRelinksWhatItFindsBelowTheChosenFolder) {
  const QString moved = fake.path("moved");
  for (const QString& file :
       {In("here.mp3"), moved + "/Rock/a.mp3", moved + "/Pop/a.mp3", moved + "/deep/er/b.mp3"}) {
    ASSERT_TRUE(test::WriteAllIn(file, "x"));
  }
  // The last song's file is the one found for another: the list never holds a path twice.
  const std::vector<QString> names{"here", "a", "b", "c", "b elsewhere"};
  SetList({In("here.mp3"), "/gone/Pop/a.mp3", "/gone/b.mp3", "/gone/c.mp3", "/gone/x/b.mp3"},
          names);
  // A folder below the chosen one that cannot be read: the others are searched, and it is said.
  const QByteArray locked = QFile::encodeName(moved + "/locked");
  ASSERT_TRUE(QDir().mkpath(moved + "/locked/Pop"));
  ASSERT_EQ(::chmod(locked.constData(), 0), 0);
  fake.dialogs.folderAnswers = {moved};
  {
    const test::ScopedPermissionChecks checked;  // for the jobs started meanwhile too
    RunToEnd(&PlayListEditor::FindMovedClick);
  }
  ::chmod(locked.constData(), 0700);
  ASSERT_EQ(fake.dialogs.folderChoices.size(), 1u);
  EXPECT_EQ(fake.dialogs.folderChoices[0].title, "Find Moved Songs");
  EXPECT_EQ(fake.dialogs.folderChoices[0].defaultText, view.folder);
  EXPECT_EQ(fake.dialogs.texts(),
            QStringList{"2 of 4 missing songs were found; 2 are still missing. 1 folder could "
                        "not be read."});
  EXPECT_EQ(test::PlayList().sSongPaths().items(),
            (std::vector<QString>{In("here.mp3"), moved + "/Pop/a.mp3", moved + "/deep/er/b.mp3",
                                  "/gone/c.mp3", "/gone/x/b.mp3"}));
  EXPECT_EQ(test::PlayList().sSongNames().items(), names);
  EXPECT_EQ(view.statuses, (QStringList{"Looking for moved songs...", "Ready"}));

  // A cancelled choice changes nothing and says nothing.
  fake.dialogs.shown.clear();
  RunToEnd(&PlayListEditor::FindMovedClick);
  EXPECT_EQ(fake.dialogs.folderChoices.size(), 2u);
  EXPECT_TRUE(fake.dialogs.shown.empty());
  EXPECT_EQ(test::PlayList().sSongPaths()[3], "/gone/c.mp3");

  // Closing the editor while the files are tested, while the folder is chosen, or while it is
  // searched ends the command there: the list as it was, nothing said.
  const std::vector<QString> before = test::PlayList().sSongPaths().items();
  ProgressRecorder progress;
  for (const std::size_t choicesAtClose : {2u, 3u, 4u}) {
    fake.dialogs.folderAnswers = {moved};
    view.closeWaiting = false;
    PlayListEditor editor(qvt::platform(), test::PlayList(), view);
    fake.dialogs.onChooseFolder = [&] { view.closeWaiting = choicesAtClose == 3; };
    progress.onText = [&](const QString& text) {
      if (choicesAtClose == 4 && text.startsWith("Looking for the missing songs in"))
        editor.CancelJobs();  // the first time, the search has not started: nothing to end
    };
    editor.FindMovedClick();
    if (choicesAtClose == 2)
      editor.CancelJobs();
    EXPECT_TRUE(test::PumpUntil([&] { return !editor.JobRunning(); }));
    EXPECT_EQ(fake.dialogs.folderChoices.size(), choicesAtClose);
    EXPECT_TRUE(fake.dialogs.shown.empty()) << fake.dialogs.texts().join("|").toStdString();
    EXPECT_EQ(test::PlayList().sSongPaths().items(), before);
    EXPECT_FALSE(progress.message.bVisible);
  }
  fake.dialogs.onChooseFolder = nullptr;
  progress.onText = nullptr;
  view.closeWaiting = false;

  // Nothing missing, or no list: nothing to ask.
  for (const auto& [paths, message] :
       {std::pair{std::vector<QString>{In("here.mp3")}, "No song of the list is missing"},
        std::pair{std::vector<QString>{}, "No play list loaded, there are no songs to relink"}}) {
    SetList(paths, paths);
    fake.dialogs.shown.clear();
    RunToEnd(&PlayListEditor::FindMovedClick);
    EXPECT_EQ(fake.dialogs.texts(), QStringList{message});
  }
  EXPECT_EQ(fake.dialogs.folderChoices.size(), 4u);
}

TEST_F(PlayListFile, RelinkFolderMovesEverySongOfOneFolder) {
  SetList({"/home/u/Music/A/x.mp3", "/home/u/Music/AB/y.mp3", "/home/u/Music/A/s/z.mp3"},
          {"x", "y", "z"});
  fake.dialogs.inputAnswers = {"/home/u/Music/A"};
  fake.dialogs.folderAnswers = {"/media/u/B"};
  {
    // Over the services handed in alone: a reach of the installed table aborts.
    const qvt::Services services = qvt::platform();
    const qvt::ScopedPlatform nothingInstalled;
    qvt::platform() = qvt::Services();
    RunToEnd(&PlayListEditor::RelinkClick, services);
  }
  ASSERT_EQ(fake.dialogs.inputs.size(), 1u);
  EXPECT_EQ(fake.dialogs.inputs[0].defaultText, "/home/u/Music/A");  // the first missing song's
  ASSERT_EQ(fake.dialogs.folderChoices.size(), 1u);
  EXPECT_EQ(fake.dialogs.folderChoices[0].title, "Relink the songs of /home/u/Music/A to");
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"2 songs were relinked to /media/u/B"});
  EXPECT_EQ(
      test::PlayList().sSongPaths().items(),
      (std::vector<QString>{"/media/u/B/x.mp3", "/home/u/Music/AB/y.mp3", "/media/u/B/s/z.mp3"}));

  // A folder that holds no song of the list: said, and nothing more asked.
  fake.dialogs.shown.clear();
  fake.dialogs.inputAnswers = {"/home/u/Music/A"};
  RunToEnd(&PlayListEditor::RelinkClick);
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"No song of the list is in /home/u/Music/A"});
  EXPECT_EQ(fake.dialogs.folderChoices.size(), 1u);

  // A path the list has already, in any letter case, is not given to a second song.
  SetList({"/a/x.mp3", "/a/y.mp3", "/B/X.MP3"}, {"x", "y", "X"});
  fake.dialogs.shown.clear();
  fake.dialogs.inputAnswers = {"/a"};
  fake.dialogs.folderAnswers = {"/b"};
  RunToEnd(&PlayListEditor::RelinkClick);
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"1 songs were relinked to /b"});
  EXPECT_EQ(test::PlayList().sSongPaths().items(),
            (std::vector<QString>{"/a/x.mp3", "/b/y.mp3", "/B/X.MP3"}));

  // Closing the editor while the songs' files are tested ends the command there: nothing asked,
  // nothing said, the list as it was.
  fake.dialogs.shown.clear();
  const std::vector<QString> before = test::PlayList().sSongPaths().items();
  {
    PlayListEditor editor(qvt::platform(), test::PlayList(), view);
    editor.RelinkClick();
    editor.CancelJobs();
    EXPECT_FALSE(editor.JobRunning());
    test::PumpUntil([] { return false; }, 20);  // the job's late end would come here
  }
  EXPECT_EQ(fake.dialogs.inputs.size(), 3u);
  EXPECT_TRUE(fake.dialogs.shown.empty()) << fake.dialogs.texts().join("|").toStdString();
  EXPECT_EQ(test::PlayList().sSongPaths().items(), before);
}

TEST_F(PlayListFile, AnswersThatNameNoFileAbortOrFail) {
  SetList({"/m/a.mp3"}, {"a.mp3"});
  const struct {
    QString answer;
    QString message;
  } cases[] = {
      {QString(), "Save aborted"},  // Cancel
      {"", "Save aborted"},         {"zxcvbnmasdfghjkl", "Save aborted"},
      {"../escape", "Save Failed"}, {"sub/name", "Save Failed"},
      {"   ", "Save Failed"},       {QString(300, QLatin1Char('x')), "Save Failed"},
  };
  for (const auto& c : cases) {
    fake.dialogs.shown.clear();
    view.statuses.clear();
    Save(c.answer);
    EXPECT_EQ(fake.dialogs.texts(), QStringList{c.message}) << c.answer.toStdString();
    EXPECT_EQ(view.statuses.last(), c.message == "Save Failed" ? "Save Failed" : "Ready");
  }
  EXPECT_TRUE(QDir(view.folder)
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)
                  .isEmpty());
  EXPECT_FALSE(QFile::exists(fake.path("escape.qvl")));
}

TEST_F(PlayListFile, ExtensionIsAlwaysAppendedAndOldFileIsReplaced) {
  ASSERT_TRUE(WriteAll(In("party.qvl.qvl"), "old"));
  Save("party.qvl");
  EXPECT_EQ(ReadAll(In("party.qvl.qvl")), "-1\r\n");
}

TEST_F(PlayListFile, FailedSaveLeavesTheOldFileWhole) {
  ASSERT_TRUE(WriteAll(In("keep.qvl"), "old list"));
  test::PlayList().replaceAll({"/m/a.mp3"}, {"a.mp3"});
  test::PlayList().setLastIndex(5);  // more songs announced than the arrays hold
  Save("keep");
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"Save Failed"});
  EXPECT_EQ(ReadAll(In("keep.qvl")), "old list");

  // A song with a double quote in its path or name would not read back the same.
  for (const auto& [path, name] :
       {std::pair<QString, QString>{"/m/\"q\".mp3", "q.mp3"}, {"/m/q.mp3", "\"q\".mp3"}}) {
    SetList({"/m/a.mp3", path}, {"a.mp3", name});
    fake.dialogs.shown.clear();
    Save("keep");
    EXPECT_EQ(fake.dialogs.texts(), QStringList{"Save Failed"});
    EXPECT_EQ(ReadAll(In("keep.qvl")), "old list");
  }

  view.folder = In("keep.qvl") + "/below";  // a folder that cannot exist
  fake.dialogs.shown.clear();
  test::PlayList().setLastIndex(0);
  Save("x");
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"Save Failed"});
  EXPECT_EQ(view.statuses.last(), "Save Failed");
}

TEST_F(PlayListFile, AddRunsBusyAndReportsMissingCurrentFile) {
  view.files = {"a.mp3", "b.mp3"};
  view.selectedFiles = {0, 1};
  view.current = "";
  PlayListEditor(qvt::platform(), test::PlayList(), view).AddClick();
  EXPECT_EQ(fake.dialogs.texts(), (QStringList{"No file selected", "No file selected"}));
  EXPECT_EQ(view.events, (QStringList{"edit 0", "repaint", "edit 1", "repaint"}));
  EXPECT_EQ(view.statuses, (QStringList{"Adding songs...", "Ready"}));

  view.current = "b.mp3";
  PlayListEditor(qvt::platform(), test::PlayList(), view).AddClick();
  EXPECT_EQ(Listed(), (std::vector<QString>{"a.mp3", "b.mp3"}));
  EXPECT_EQ(test::PlayList().sSongPaths()[0], view.folder + "/a.mp3");
  EXPECT_EQ(view.caption, "Adding... \r\nb.mp3");
  EXPECT_TRUE(view.statuses.contains("Adding...  b.mp3"));
}

// A check that removes every song leaves no stale entries in the list box.
TEST_F(PlayListFile, VerifyThatEmptiesTheListClearsTheListBox) {
  WriteAll(fake.path("AcceptedFileTypes.qvc"), "\"mp3\"\r\n");
  SetList({"/nowhere/a.mp3"}, {"a.mp3"});
  view.items = {"a.mp3"};
  fake.dialogs.answers = {MsgResult::Yes};
  PlayListEditor editor(qvt::platform(), test::PlayList(), view);
  editor.VerifyClick();
  EXPECT_TRUE(test::PumpUntil([&] { return !editor.JobRunning(); }));
  EXPECT_EQ(test::PlayList().dblLastIndex(), -1);
  EXPECT_TRUE(view.items.empty());
  EXPECT_EQ(view.statuses.last(), "Ready");
}

}  // namespace
