// Finding moved songs and relinking folders, and the helpers of lists that travel between
// machines, as plain functions over paths.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <algorithm>

#include "player/playlists/MovedSongs.h"
#include "player/playlists/PortableLists.h"
#include "tests/support/QtPrinters.h"
#include "tests/support/TestFiles.h"

using namespace qvt;

namespace {

TEST(MovedSongs, EachMissingSongTakesTheSameNameWithTheMostTrailingFoldersInCommon) {
  const std::vector<QString> candidates = {"/new/Pop/Album/a.mp3",    "/new/Rock/Album/a.mp3",
                                           "/new/x/Rock/Album/a.mp3", "/new/Live/b.mp3",
                                           "/new/Best/b.mp3",         "/new/c.mp3",
                                           "/new/Rock/Album/A.mp3",   "/new/d.mp3/e.mp3"};
  const struct {
    QString missing;
    QString found;
  } cases[] = {
      {"/old/Rock/Album/a.mp3", "/new/Rock/Album/a.mp3"},  // two shared, the first of equals
      {"/old/Pop/Album/a.mp3", "/new/Pop/Album/a.mp3"},
      {"/old/Jazz/b.mp3", "/new/Best/b.mp3"},  // nothing shared: the first in sorted order
      {"/deep/er/c.mp3", "/new/c.mp3"},
      {"/old/f.mp3", ""},  // no file of that name
      {"/old/d.mp3", ""},  // a folder's name is no file name
      {"/old/e.MP3", ""},  // names differ in case
      {"relative/c.mp3", "/new/c.mp3"},
  };
  std::vector<QString> missing;
  for (const auto& c : cases)
    missing.push_back(c.missing);
  const std::vector<QString> found = FindMovedSongs(missing, candidates);
  ASSERT_EQ(found.size(), missing.size());
  for (std::size_t i = 0; i < missing.size(); ++i)
    EXPECT_EQ(found[i], cases[i].found) << cases[i].missing.toStdString();
  EXPECT_EQ(FindMovedSongs(missing, {}), std::vector<QString>(missing.size()));
}

TEST(MovedSongs, RelinkReplacesOnlyAWholeFolderAtTheStart) {
  const struct {
    QString path, from, to;
    std::optional<QString> relinked;
  } cases[] = {
      {"/home/u/Music/A/x.mp3", "/home/u/Music/A", "/media/u/B", "/media/u/B/x.mp3"},
      {"/home/u/Music/A/s/x.mp3", "/home/u/Music/A/", "/media/u/B/", "/media/u/B/s/x.mp3"},
      {"/home/u/Music/AB/x.mp3", "/home/u/Music/A", "/media/u/B", std::nullopt},
      {"/home/u/Music/A", "/home/u/Music/A", "/media/u/B", std::nullopt},
      {"/other/home/u/Music/A/x.mp3", "/home/u/Music/A", "/media/u/B", std::nullopt},
      {"/a/x.mp3", "/", "/mnt", "/mnt/a/x.mp3"},
      {"/a/x.mp3", "/a", "/", "/x.mp3"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(RelinkedPath(c.path, c.from, c.to), c.relinked) << c.path.toStdString();
}

TEST(MovedSongs, FilesBelowListsEveryVisibleFileOnce) {
  QTemporaryDir dir;
  const QString root = dir.path();
  for (const QString name : {"b.mp3", "a/z.ogg", "a/deep/er/y.flac", ".hidden/h.mp3", "a/.h.mp3"})
    ASSERT_TRUE(test::WriteAllIn(root + "/" + name, "x")) << name.toStdString();
  QDir().mkpath(root + "/empty");
  QFile::link(root + "/b.mp3", root + "/a/link.mp3");
  QFile::link(root + "/a", root + "/loop");  // a link to a folder is not followed
  std::vector<QString> files = FilesBelow(root);
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<QString>{root + "/a/deep/er/y.flac", root + "/a/link.mp3",
                                         root + "/a/z.ogg", root + "/b.mp3"}));
  EXPECT_TRUE(FilesBelow(root + "/missing").empty());
}

TEST(MovedSongs, FilesBelowLeavesOutWhatIsNoFileAndNeverLoops) {
  QTemporaryDir dir;
  const QString root = dir.path();
  ASSERT_TRUE(test::WriteAllIn(root + "/a/x.mp3", "x"));
  QFile::link(root, root + "/a/up");  // back to the top
  QFile::link(root + "/gone.mp3", root + "/a/dangling.mp3");
  ASSERT_EQ(::mkfifo(QFile::encodeName(root + "/a/pipe.mp3").constData(), 0600), 0);
  const std::vector<QString> files = {root + "/a/x.mp3"};
  EXPECT_EQ(FilesBelow(root), files);
  EXPECT_EQ(FilesBelow(root + "/"), files);
}

// Windows-1252 bytes that would begin a UTF-8 sequence at the very end are the list's last
// letters, not the start of a character still to come.
TEST(PortableLists, AWindowsListEndingInALetterAboveAsciiKeepsIt) {
  EXPECT_EQ(DecodeListText("Caf\xE9"), "Café");
  EXPECT_EQ(DecodeListText("a.mp3\r\n\xC3"), "a.mp3\r\nÃ");
}

TEST(PortableLists, WindowsListsReadHere) {
  EXPECT_EQ(DecodeListText("Caf\xC3\xA9"), "Café");
  EXPECT_EQ(DecodeListText("\xDC"
                           "ber \x80 \x9F \x81.flac"),
            "Über € Ÿ \u0081.flac");
  const struct {
    QString entry;
    std::optional<QString> path;
  } cases[] = {
      {"Music\\Rock\\a.mp3", "Music/Rock/a.mp3"},
      {"..\\up\\a.mp3", "../up/a.mp3"},
      {"/m/a.mp3", "/m/a.mp3"},
      {"\\m\\a.mp3", "/m/a.mp3"},
      {"C:\\Music\\a.mp3", std::nullopt},
      {"d:a.mp3", std::nullopt},
      {"C:/Music/a.mp3", std::nullopt},
      {"\\\\server\\share\\a.mp3", std::nullopt},
      {"1:a.mp3", "1:a.mp3"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(EntryPath(c.entry), c.path) << c.entry.toStdString();
}

TEST(PortableLists, PathsFromTheListFolderAreRelative) {
  EXPECT_EQ(PathFromListFolder("/m/list/a b.mp3", "/m/list"), "a b.mp3");
  EXPECT_EQ(PathFromListFolder("/m/list/sub/a.mp3", "/m/list/"), "sub/a.mp3");
  EXPECT_EQ(PathFromListFolder("/m/other/a.mp3", "/m/list"), "../other/a.mp3");
  EXPECT_EQ(PathFromListFolder("/m/list/#1.mp3", "/m/list"), "./#1.mp3");
}

}  // namespace
