// The drive, folder and file boxes of the play list editor, on a temporary folder tree:
// wildcard patterns, order, hidden entries, the folder tree, failures that keep the old
// folder, folders that vanish, requests that arrive while a folder is listed, the remembered
// folder per drive and the selection.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QHBoxLayout>
#include <QPointer>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <atomic>
#include <functional>

#include "player/playlists/DirListBox.h"
#include "player/playlists/DriveListBox.h"
#include "player/playlists/FileListBox.h"
#include "player/playlists/FolderScan.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TestFiles.h"
#include "tests/support/WindowTest.h"

using namespace qvt;

namespace {

class FileBoxes : public test::WindowTest {
 protected:
  QString dir(const QString& rel) {
    const QString p = fake.path(rel);
    EXPECT_TRUE(QDir().mkpath(p));
    return p;
  }
  QString file(const QString& rel) {
    const QString p = fake.path(rel);
    EXPECT_TRUE(test::WriteAll(p, "x"));
    return p;
  }
  static QStringList Entries(const FileListBox& box) {
    QStringList out;
    for (int i = 0; i < box.ListCount(); ++i)
      out << box.List(i);
    return out;
  }
  static QStringList Entries(const DirListBox& box) {
    QStringList out;
    for (int i = 0; i < box.count(); ++i)
      out << box.item(i)->text();
    return out;
  }
  // Delivers `request` during the next wait of a box for its folder: a zero timer, as a click,
  // a chosen drive or a close of the user's would be.
  void during(const std::function<void()>& request) { QTimer::singleShot(0, &context_, request); }

 private:
  QObject context_;
};

struct PatternCase {
  const char* pattern;
  const char* name;
  bool matches;
};

}  // namespace

TEST(FilePattern, MatchesWholeNamesWithoutRegardToCase) {
  const PatternCase cases[] = {
      {"*.mp3", "Song.MP3", true},
      {"*.mp3", "a.mp3x", false},
      {"*.mp3", "noext", false},
      {"*.mp3", ".mp3", true},
      {"*.MP*", "x.mp3", true},
      {"*.MP*", "x.mpeg", true},
      {"*.MP*", "x.wav", false},
      {"*.MP*", "mp3", false},
      {"*.*", "noext", true},
      {"*.*", "a.b", true},
      {"*", "noext", true},
      {"a?.wav", "ab.wav", true},
      {"a?.wav", "a.wav", false},
      {"a?.wav", "abc.wav", false},
      {"*.mp3;*.wav", "x.WAV", true},
      {"*.mp3;*.wav", "x.ogg", false},
      {" *.ogg ; *.mp3", "x.mp3", true},
      {"", "anything", true},
      {"*a*b*", "xxaYYbZZ", true},
      {"*a*b", "aXbXc", false},
      {"Ä*.mp3", "äpfel.mp3", true},
      {"*.mp3;*.*", "plain", true},
  };
  for (const PatternCase& c : cases) {
    EXPECT_EQ(MatchesFilePattern(QString::fromUtf8(c.pattern), QString::fromUtf8(c.name)),
              c.matches)
        << c.pattern << " vs " << c.name;
  }
}

// A folder read only in part, or whose reading was cancelled, lists nothing: no part of it
// passes for the whole.
TEST_F(FileBoxes, AFolderReadInPartListsNothing) {
  fake.files.folders["/m"] = {{"b.mp3", "A.mp3", "x.wav", "Sub/"}};
  std::vector<QString> names;
  ASSERT_TRUE(ListPlainFiles(files(), "/m", "*.mp3", names));
  EXPECT_EQ(names, (std::vector<QString>{"A.mp3", "b.mp3"}));
  ASSERT_TRUE(ListSubfolders(files(), "/m/", names));
  EXPECT_EQ(names, std::vector<QString>{"Sub"});
  const std::atomic<bool> cancelled{true};
  EXPECT_FALSE(ListPlainFiles(files(), "/m", "*.*", names, &cancelled));
  EXPECT_TRUE(names.empty());
  fake.files.folders["/m"].readable = false;
  EXPECT_FALSE(ListPlainFiles(files(), "/m", "*.*", names));
  EXPECT_TRUE(names.empty());
  EXPECT_FALSE(ListSubfolders(files(), "/m", names));
  EXPECT_TRUE(names.empty());
}

TEST_F(FileBoxes, ListsPlainFilesSortedWithoutHiddenOnesOrFolders) {
  const QString d = dir("music");
  for (const char* n : {"b.mp3", "B.mp3", "a.wav", "C.MP3", ".hidden.mp3", "noext"})
    file(QString("music/") + n);
  dir("music/folder.mp3");
  ASSERT_TRUE(QFile::link(d + "/a.wav", d + "/link.mp3"));
  ASSERT_TRUE(QFile::link(d + "/folder.mp3", d + "/dirlink.mp3"));
  ASSERT_TRUE(QFile::link(d + "/missing", d + "/dangling.mp3"));

  FileListBox box(qvt::platform());
  ASSERT_TRUE(box.SetPath(d + "/"));
  EXPECT_EQ(box.Path(), d);
  EXPECT_EQ(box.Pattern(), "*.*");
  EXPECT_EQ(Entries(box), QStringList({"a.wav", "B.mp3", "b.mp3", "C.MP3", "link.mp3", "noext"}));

  QSignalSpy patternChanges(&box, &FileListBox::PatternChange);
  box.SetPattern("*.mp3");
  EXPECT_EQ(patternChanges.count(), 1);
  EXPECT_EQ(Entries(box), QStringList({"B.mp3", "b.mp3", "C.MP3", "link.mp3"}));
}

TEST_F(FileBoxes, FileBoxKeepsItsFolderWhenTheNewOneCannotBeRead) {
  const QString d = dir("a");
  file("a/one.mp3");
  const QString plain = file("plain.txt");
  FileListBox box(qvt::platform());
  QSignalSpy changes(&box, &FileListBox::PathChange);
  ASSERT_TRUE(box.SetPath(d));
  EXPECT_EQ(changes.count(), 1);
  for (const QString& bad : {fake.path("missing"), plain, plain + "/below", QString()}) {
    EXPECT_FALSE(box.SetPath(bad)) << bad.toStdString();
    EXPECT_EQ(box.Path(), d);
    EXPECT_EQ(Entries(box), QStringList({"one.mp3"}));
  }
  EXPECT_TRUE(box.SetPath(d + "/../a"));  // the same folder: no change reported
  EXPECT_EQ(changes.count(), 1);
}

TEST_F(FileBoxes, RefreshShowsNewFilesKeepsTheSelectionAndSurvivesAVanishedFolder) {
  const QString d = dir("songs");
  file("songs/a.mp3");
  file("songs/c.mp3");
  FileListBox box(qvt::platform());
  ASSERT_TRUE(box.SetPath(d));
  box.SetListIndex(1);
  file("songs/b.mp3");
  box.Refresh();
  EXPECT_EQ(Entries(box), QStringList({"a.mp3", "b.mp3", "c.mp3"}));
  EXPECT_EQ(box.FileName(), "c.mp3");
  EXPECT_TRUE(box.Selected(2));
  EXPECT_FALSE(box.Selected(1));

  ASSERT_TRUE(QDir(d).removeRecursively());
  box.Refresh();
  box.SetPattern("*.wav");
  EXPECT_EQ(box.Path(), d);
  EXPECT_EQ(Entries(box), QStringList({"a.mp3", "b.mp3", "c.mp3"}));
}

// A folder is listed while the event loop runs: what `during` posts comes during the wait.
TEST_F(FileBoxes, ARequestDuringAListingWinsAndADeletedBoxIsLeftAlone) {
  const QString a = dir("a"), b = dir("b"), c = dir("c");
  for (const char* n : {"a/old.wav", "b/song.mp3", "b/song.wav", "c/other.mp3"})
    file(n);
  FileListBox box(qvt::platform());
  ASSERT_TRUE(box.SetPath(a));
  QSignalSpy changes(&box, &FileListBox::PathChange);

  bool bNested = false;
  during([&] { bNested = box.SetPath(c); });
  EXPECT_FALSE(box.SetPath(b));  // overtaken: b's names are never shown
  EXPECT_TRUE(bNested);
  EXPECT_EQ(box.Path(), c);
  EXPECT_EQ(Entries(box), QStringList({"other.mp3"}));
  EXPECT_EQ(changes.count(), 1);

  during([&] { box.SetPattern("*.wav"); });  // lists the folder being read
  EXPECT_TRUE(box.SetPath(b));
  EXPECT_EQ(Entries(box), QStringList({"song.wav"}));
  EXPECT_EQ(changes.count(), 2);

  during([&] { bNested = box.SetPath(fake.path("missing")); });  // fails, so drops nothing
  EXPECT_TRUE(box.SetPath(a));
  EXPECT_FALSE(bNested);
  EXPECT_EQ(Entries(box), QStringList({"old.wav"}));
  EXPECT_EQ(changes.count(), 3);

  QPointer<FileListBox> gone(new FileListBox(qvt::platform()));
  during([&] { delete gone.data(); });
  EXPECT_FALSE(gone->SetPath(b));
  EXPECT_TRUE(gone.isNull());
}

TEST_F(FileBoxes, FileNameFollowsTheCurrentEntryAndSelectionIsExtended) {
  const QString d = dir("x");
  for (const char* n : {"1.mp3", "2.mp3", "3.mp3", "4.mp3"})
    file(QString("x/") + n);
  FileListBox box(qvt::platform());
  ASSERT_TRUE(box.SetPath(d));
  EXPECT_EQ(box.ListIndex(), -1);
  EXPECT_EQ(box.FileName(), "");
  EXPECT_THROW(box.List(4), std::out_of_range);

  box.SetListIndex(2);
  EXPECT_EQ(box.FileName(), "3.mp3");
  box.SetSelected(0, true);
  EXPECT_EQ(box.ListIndex(), 2);
  EXPECT_TRUE(box.Selected(0) && box.Selected(2) && !box.Selected(1));
  box.SetListIndex(1);  // selects entry 1 alone
  EXPECT_TRUE(!box.Selected(0) && box.Selected(1) && !box.Selected(2));

  // The user: click, Ctrl+click, Shift+click.
  box.resize(200, 200);
  box.show();
  const auto at = [&box](int row) { return box.visualRect(box.model()->index(row, 0)).center(); };
  QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, at(0));
  QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::ControlModifier, at(3));
  EXPECT_EQ(box.FileName(), "4.mp3");
  EXPECT_TRUE(box.Selected(0) && !box.Selected(1) && box.Selected(3));
  QTest::mouseClick(box.viewport(), Qt::LeftButton, Qt::ShiftModifier, at(1));
  EXPECT_TRUE(box.Selected(1) && box.Selected(2) && box.Selected(3));

  QSignalSpy dbl(&box, &FileListBox::DblClick);
  QTest::mouseDClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, at(2));
  EXPECT_EQ(dbl.count(), 1);
  EXPECT_EQ(box.FileName(), "3.mp3");

  box.SetListIndex(-1);
  EXPECT_EQ(box.FileName(), "");
  for (int i = 0; i < 4; ++i)
    EXPECT_FALSE(box.Selected(i));
  box.SetListIndex(1);
  ASSERT_TRUE(box.SetPath(fake.folder()));  // another folder: nothing current
  EXPECT_EQ(box.ListIndex(), -1);
}

TEST_F(FileBoxes, FolderBoxShowsTheTreeOfANestedPath) {
  const QString deep = dir("Top/mid/Low");
  for (const char* n : {"beta", "Alpha", "gamma", ".hidden"})
    dir(QString("Top/mid/Low/") + n);
  file("Top/mid/Low/file.mp3");
  DirListBox box(qvt::platform());
  QSignalSpy changes(&box, &DirListBox::Change);
  ASSERT_TRUE(box.SetPath(deep + "/"));
  EXPECT_EQ(changes.count(), 1);
  EXPECT_EQ(box.Path(), deep);

  const QStringList parts = deep.split('/', Qt::SkipEmptyParts);
  QStringList expected{"/"};
  expected << parts << QStringList({"Alpha", "beta", "gamma"});
  EXPECT_EQ(Entries(box), expected);
  const int current = static_cast<int>(parts.size());
  EXPECT_EQ(box.CurrentFolderEntry(), current);
  EXPECT_EQ(box.currentRow(), current);
  EXPECT_EQ(box.EntryPath(0), "/");
  EXPECT_EQ(box.EntryPath(current - 1), fake.path("Top/mid"));
  EXPECT_EQ(box.EntryPath(current + 1), deep + "/Alpha");
  EXPECT_EQ(box.EntryPath(999), "");

  // A double click on a parent moves there; Enter on a subfolder moves down.
  box.resize(300, 600);
  box.show();
  const QPoint parent = box.visualItemRect(box.item(current - 1)).center();
  QTest::mouseDClick(box.viewport(), Qt::LeftButton, Qt::NoModifier, parent);
  EXPECT_EQ(box.Path(), fake.path("Top/mid"));
  box.setCurrentRow(box.count() - 1);
  QTest::keyClick(&box, Qt::Key_Return);
  EXPECT_EQ(box.Path(), deep);
  EXPECT_EQ(changes.count(), 3);
}

TEST_F(FileBoxes, FolderBoxKeepsItsFolderOnFailuresAndWhenTheFolderVanishes) {
  const QString d = dir("keep/sub");
  const QString plain = file("keep/plain.txt");
  DirListBox box(qvt::platform());
  ASSERT_TRUE(box.SetPath(fake.path("keep")));
  const QStringList shown = Entries(box);
  QSignalSpy changes(&box, &DirListBox::Change);
  for (const QString& bad : {fake.path("nope"), plain, plain + "/x", QString()}) {
    EXPECT_FALSE(box.SetPath(bad));
    EXPECT_EQ(box.Path(), fake.path("keep"));
  }
  ASSERT_TRUE(QDir(d).removeRecursively());
  EXPECT_FALSE(box.SetPath(d));  // its entry is still shown, but the folder is gone
  box.Refresh();
  EXPECT_EQ(Entries(box), QStringList(shown.mid(0, shown.size() - 1)));  // "sub" gone

  ASSERT_TRUE(QDir(fake.path("keep")).removeRecursively());
  box.Refresh();
  EXPECT_EQ(box.Path(), fake.path("keep"));
  EXPECT_EQ(box.count(), shown.size() - 1);
  EXPECT_EQ(changes.count(), 0);
}

// The folder box reads its folders as the file box does.
TEST_F(FileBoxes, FolderBoxRequestDuringAReadWinsAndADeletedBoxIsLeftAlone) {
  for (const char* n : {"a/inA", "b/inB", "c/inC"})
    dir(n);
  const QString a = fake.path("a"), b = fake.path("b"), c = fake.path("c");
  fake.volumes.list = {{"/", "root", true}, {b, "B", true}};
  DirListBox box(qvt::platform());
  ASSERT_TRUE(box.SetPath(a));
  QSignalSpy changes(&box, &DirListBox::Change);
  const auto shows = [&](const QString& folder, const QString& subfolder, int changed) {
    EXPECT_EQ(box.Path(), folder);
    EXPECT_EQ(Entries(box).last(), subfolder);
    EXPECT_EQ(changes.count(), changed);
  };

  bool bNested = false;
  during([&] { bNested = box.SetPath(c); });
  EXPECT_FALSE(box.SetPath(b + "/inB"));  // overtaken: neither shown nor remembered
  EXPECT_TRUE(bNested);
  shows(c, "inC", 1);

  during([&] { box.Refresh(); });  // lists the folder being read
  EXPECT_TRUE(box.SetPath(a));
  shows(a, "inA", 2);

  // The nested request fails, so it drops nothing; nothing was shown on B: its root.
  during([&] { bNested = box.SetPath(fake.path("missing")); });
  EXPECT_TRUE(box.SetPathToDrive(b));
  EXPECT_FALSE(bNested);
  shows(b, "inB", 3);

  ASSERT_TRUE(box.SetPath(b + "/inB"));
  during([&] { bNested = box.SetPath(c); });
  EXPECT_FALSE(box.SetPathToDrive(b));  // overtaken: no fall back to the drive's root
  EXPECT_TRUE(bNested);
  shows(c, "inC", 5);

  QPointer<DirListBox> gone(new DirListBox(qvt::platform()));
  during([&] { delete gone.data(); });
  EXPECT_FALSE(gone->SetPath(b));
  EXPECT_TRUE(gone.isNull());
}

TEST_F(FileBoxes, SetPathToDriveReturnsToTheLastFolderOfThatDrive) {
  const QString a = dir("driveA"), b = dir("driveB");
  const QString aDeep = dir("driveA/x/y"), bDeep = dir("driveB/z");
  dir("driveC");
  fake.volumes.list = {{"/", "root", true}, {a, "A", true}, {b, "B", true}};
  DirListBox box(qvt::platform());
  ASSERT_TRUE(box.SetPathToDrive(a));  // nothing remembered yet: the root of the drive
  EXPECT_EQ(box.Path(), a);
  ASSERT_TRUE(box.SetPath(aDeep));
  ASSERT_TRUE(box.SetPath(bDeep));
  ASSERT_TRUE(box.SetPath(fake.folder()));  // on "/"
  ASSERT_TRUE(box.SetPathToDrive(a + "/"));
  EXPECT_EQ(box.Path(), aDeep);
  ASSERT_TRUE(box.SetPathToDrive(b));
  EXPECT_EQ(box.Path(), bDeep);
  ASSERT_TRUE(box.SetPathToDrive("/"));  // folders on A and B do not count for "/"
  EXPECT_EQ(box.Path(), fake.folder());
  ASSERT_TRUE(box.SetPathToDrive(fake.path("driveC")));
  EXPECT_EQ(box.Path(), fake.path("driveC"));

  ASSERT_TRUE(QDir(bDeep).removeRecursively());  // the remembered folder vanished
  ASSERT_TRUE(box.SetPathToDrive(b));
  EXPECT_EQ(box.Path(), b);
  EXPECT_FALSE(box.SetPathToDrive(fake.path("unmounted")));
  EXPECT_EQ(box.Path(), b);
}

TEST_F(FileBoxes, DriveBoxChoosesByTextOrRootAndIgnoresDrivesThatAreNotReady) {
  const QString usb = dir("USB STICK");
  fake.volumes.list = {{"/", "root", true}, {usb, "USB STICK", true}, {"/gone", "old", false}};
  DriveListBox box(qvt::platform());
  QSignalSpy changes(&box, &DriveListBox::Change);
  ASSERT_EQ(box.count(), 3);
  EXPECT_EQ(box.itemText(1), usb + " [USB STICK]");
  EXPECT_EQ(box.Drive(), "/ [root]");

  EXPECT_TRUE(box.SetDrive(usb + " [USB STICK]"));
  EXPECT_EQ(box.DriveRoot(), usb);
  EXPECT_EQ(changes.count(), 1);
  EXPECT_TRUE(box.SetDrive("/ [old label]"));  // by the root part
  EXPECT_EQ(box.Drive(), "/ [root]");
  EXPECT_EQ(changes.count(), 2);
  EXPECT_TRUE(box.SetDrive("/"));  // already chosen: no change
  EXPECT_EQ(changes.count(), 2);
  for (const QString& bad : {QString("/gone [old]"), QString("/nowhere [x]"), QString()}) {
    EXPECT_FALSE(box.SetDrive(bad));
    EXPECT_EQ(box.Drive(), "/ [root]");
  }
  EXPECT_EQ(changes.count(), 2);

  // The stick is pulled out after the list was read; the user then picks it.
  fake.volumes.list.erase(fake.volumes.list.begin() + 1);
  box.setCurrentIndex(1);
  Q_EMIT box.activated(1);
  EXPECT_EQ(box.Drive(), "/ [root]");
  EXPECT_EQ(box.currentIndex(), 0);
  EXPECT_EQ(changes.count(), 2);
  box.Refresh();
  EXPECT_EQ(box.count(), 2);
  EXPECT_FALSE(box.SetDrive(usb));
}

TEST_F(FileBoxes, DriveBoxReportsAUserChoiceAndFallsBackWhenItsDriveIsUnmounted) {
  const QString usb = dir("usb");
  fake.volumes.list = {{"/", "root", true}, {usb, "usb", true}};
  DriveListBox box(qvt::platform());
  QSignalSpy changes(&box, &DriveListBox::Change);
  box.setCurrentIndex(1);
  Q_EMIT box.activated(1);
  EXPECT_EQ(box.DriveRoot(), usb);
  EXPECT_EQ(changes.count(), 1);
  fake.volumes.list.pop_back();
  box.Refresh();
  EXPECT_EQ(box.DriveRoot(), "/");
  EXPECT_EQ(changes.count(), 2);
}

TEST_F(FileBoxes, ScreenshotOfTheThreeBoxes) {
  const QString d = dir("Music/Albums");
  dir("Music/Singles");
  for (const char* n : {"Blue.mp3", "Green.wav", "red.mp3", "Yellow.ogg"})
    file(QString("Music/") + n);
  QWidget w;
  w.setWindowTitle("Choose the files");
  auto* drv = new DriveListBox(qvt::platform(), &w);
  auto* dirBox = new DirListBox(qvt::platform(), &w);
  auto* fil = new FileListBox(qvt::platform(), &w);
  auto* column = new QVBoxLayout(&w);
  auto* row = new QHBoxLayout;
  column->addWidget(drv);
  column->addLayout(row);
  row->addWidget(dirBox);
  row->addWidget(fil);
  ASSERT_TRUE(dirBox->SetPath(fake.path("Music")));
  ASSERT_TRUE(fil->SetPath(dirBox->Path()));
  fil->SetListIndex(0);
  fil->SetSelected(2, true);
  w.resize(420, 320);
  w.show();
  QDir().mkpath(QVT_BINARY_DIR "/screenshots");
  EXPECT_TRUE(w.grab().save(QVT_BINARY_DIR "/screenshots/file_boxes.png"));
  (void)d;
}
