// Finding moved songs and relinking folders, and the helpers of lists that travel between
// machines, as plain functions over paths.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <atomic>

#include "platform/linux/LinuxFileSystem.h"
#include "player/playlists/MovedSongs.h"
#include "player/playlists/PortableLists.h"
#include "tests/support/PermissionChecks.h"
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

const std::atomic<bool> kGoOn{false};

// The walk of the Linux file system, which the player's file-system service does.
FolderFiles FilesBelow(const QString& folder, const std::atomic<bool>& cancelled) {
  LinuxFileSystem fs;
  return fs.filesBelow(folder, [&cancelled] { return cancelled.load(); });
}

std::vector<QString> Sorted(std::vector<QString> files) {
  std::sort(files.begin(), files.end());
  return files;
}

// The descriptors the process has open.
int OpenDescriptors() {
  return static_cast<int>(QDir(QStringLiteral("/proc/self/fd"))
                              .entryList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot)
                              .size());
}

// A folder `levels` deep below a temporary folder, each level named "d", with a file at the
// bottom. Made and removed through descriptors, a level at a time: a removal by paths would
// look up every level again for each one.
class DeepTree {
 public:
  explicit DeepTree(int levels) : levels_(levels), bottom_(top_.path()) {
    std::vector<int> fds = Open(0);
    for (int i = 0; i < levels && fds.back() >= 0; ++i) {
      ::mkdirat(fds.back(), "d", 0700);
      fds.push_back(::openat(fds.back(), "d", O_RDONLY | O_DIRECTORY));
      ::close(fds[fds.size() - 2]);
      bottom_ += QStringLiteral("/d");
    }
    ::close(::openat(fds.back(), "deep.mp3", O_WRONLY | O_CREAT, 0600));
    ::close(fds.back());
    bottom_ += QStringLiteral("/deep.mp3");
  }
  ~DeepTree() {
    std::vector<int> fds = Open(levels_);
    ::unlinkat(fds.back(), "deep.mp3", 0);
    for (std::size_t i = fds.size() - 1; i > 0; --i) {
      ::close(fds[i]);
      ::unlinkat(fds[i - 1], "d", AT_REMOVEDIR);
    }
    ::close(fds.front());
  }
  DeepTree(const DeepTree&) = delete;
  DeepTree& operator=(const DeepTree&) = delete;

  QString top() const { return top_.path(); }
  QString bottom() const { return bottom_; }

 private:
  // The top and the first `levels` levels below it, open.
  std::vector<int> Open(int levels) const {
    std::vector<int> fds{
        ::open(QFile::encodeName(top_.path()).constData(), O_RDONLY | O_DIRECTORY)};
    for (int i = 0; i < levels && fds.back() >= 0; ++i)
      fds.push_back(::openat(fds.back(), "d", O_RDONLY | O_DIRECTORY));
    return fds;
  }

  QTemporaryDir top_;
  int levels_;
  QString bottom_;
};

TEST(MovedSongs, FilesBelowListsEveryVisibleFileOnceAndCountsWhatItCannotRead) {
  QTemporaryDir dir;
  const QString root = dir.path();
  for (const QString name : {"b.mp3", "a/z.ogg", "a/deep/er/y.flac", ".hidden/h.mp3", "a/.h.mp3",
                             "a/locked/l.mp3", "a/locked/sub/s.mp3"})
    ASSERT_TRUE(test::WriteAllIn(root + "/" + name, "x")) << name.toStdString();
  QDir().mkpath(root + "/empty");
  QFile::link(root + "/b.mp3", root + "/a/link.mp3");
  QFile::link(root + "/a", root + "/loop");  // a link to a folder is not followed
  const QByteArray locked = QFile::encodeName(root + "/a/locked");
  ASSERT_EQ(::chmod(locked.constData(), 0), 0);
  FolderFiles below;
  {
    const test::ScopedPermissionChecks checked;
    ASSERT_LT(::open(locked.constData(), O_RDONLY | O_DIRECTORY), 0) << "readable after chmod 0";
    below = FilesBelow(root, kGoOn);
  }
  ::chmod(locked.constData(), 0700);
  EXPECT_EQ(Sorted(below.files),
            (std::vector<QString>{root + "/a/deep/er/y.flac", root + "/a/link.mp3",
                                  root + "/a/z.ogg", root + "/b.mp3"}));
  EXPECT_EQ(below.unreadable, 1u);
  EXPECT_EQ(FilesBelow(root, kGoOn).unreadable, 0u);
  const FolderFiles missing = FilesBelow(root + "/missing", kGoOn);
  EXPECT_TRUE(missing.files.empty());
  EXPECT_EQ(missing.unreadable, 1u);
}

TEST(MovedSongs, FilesBelowLeavesOutWhatIsNoFileAndNeverLoops) {
  QTemporaryDir dir;
  const QString root = dir.path();
  ASSERT_TRUE(test::WriteAllIn(root + "/a/x.mp3", "x"));
  QFile::link(root, root + "/a/up");  // back to the top
  QFile::link(root + "/gone.mp3", root + "/a/dangling.mp3");
  ASSERT_EQ(::mkfifo(QFile::encodeName(root + "/a/pipe.mp3").constData(), 0600), 0);
  const std::vector<QString> files = {root + "/a/x.mp3"};
  EXPECT_EQ(FilesBelow(root, kGoOn).files, files);
  EXPECT_EQ(FilesBelow(root + "/", kGoOn).files, files);
}

// However deep the tree, the walk reaches its bottom with a few descriptors: the process may
// open only a couple of dozen more than it has open already. A folder deep down with a second
// subfolder is opened again from above for it.
TEST(MovedSongs, FilesBelowReachesTheBottomOfADeepTreeWithFewDescriptors) {
  const DeepTree tree(400);
  ASSERT_TRUE(QFile::exists(tree.bottom()));
  const QString side = tree.top() + "/d/d/side.mp3";
  const QString deepSide = tree.top() + QString("/d").repeated(100) + "/side/s.mp3";
  ASSERT_TRUE(test::WriteAll(side, "x"));
  ASSERT_TRUE(test::WriteAllIn(deepSide, "x"));
  rlimit saved{};
  ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
  rlimit lowered = saved;
  lowered.rlim_cur = static_cast<rlim_t>(OpenDescriptors() + 24);
  ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &lowered), 0);
  const FolderFiles below = FilesBelow(tree.top(), kGoOn);
  ::setrlimit(RLIMIT_NOFILE, &saved);
  QDir().remove(side);
  QDir(QFileInfo(deepSide).path()).removeRecursively();
  EXPECT_EQ(Sorted(below.files), Sorted({tree.bottom(), side, deepSide}));
  EXPECT_EQ(below.unreadable, 0u);
}

// Once cancelled, the walk returns at the next entry with what it has, not at the end of the
// tree.
TEST(MovedSongs, FilesBelowStopsWhenCancelled) {
  QTemporaryDir dir;
  for (int folder = 0; folder < 20; ++folder) {
    for (int file = 0; file < 20; ++file)
      ASSERT_TRUE(
          test::WriteAllIn(dir.path() + QStringLiteral("/%1/%2.mp3").arg(folder).arg(file), "x"));
  }
  ASSERT_EQ(FilesBelow(dir.path(), kGoOn).files.size(), 400u);
  const std::atomic<bool> cancelled{true};
  EXPECT_LT(FilesBelow(dir.path(), cancelled).files.size(), 20u);
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
  // Not a drive, a URL, nor a blank a reader trims; a ":" further on is plain.
  EXPECT_EQ(PathFromListFolder("/m/list/c:a.mp3", "/m/list"), "./c:a.mp3");
  EXPECT_EQ(PathFromListFolder("/m/list/http:/a.mp3", "/m/list"), "./http:/a.mp3");
  EXPECT_EQ(PathFromListFolder("/m/list/ a.mp3", "/m/list"), "./ a.mp3");
  EXPECT_EQ(PathFromListFolder("/m/list/sub/c:a.mp3", "/m/list"), "sub/c:a.mp3");
}

}  // namespace
