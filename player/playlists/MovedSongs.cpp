#include "player/playlists/MovedSongs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QHashFunctions>
#include <QStringView>
#include <algorithm>
#include <cerrno>
#include <functional>
#include <string>

namespace qvt {

namespace {

QStringView FileNameOf(QStringView path) {
  return path.mid(path.lastIndexOf(u'/') + 1);
}

// The folder part of a path, without its last "/".
QStringView FolderOf(QStringView path) {
  const qsizetype slash = path.lastIndexOf(u'/');
  return slash < 0 ? QStringView() : path.left(slash);
}

// How many folder names, counted from the file upwards, the two paths have in common: the
// names ending at a "/" in the folders' common end, and the farthest one of it when that name
// is whole on both sides (begins their folder or follows a "/").
int SharedTrailingFolders(QStringView a, QStringView b) {
  a = FolderOf(a);
  b = FolderOf(b);
  qsizetype i = a.size();
  qsizetype j = b.size();
  int shared = 0;
  while (i > 0 && j > 0 && a[i - 1] == b[j - 1]) {
    --i;
    --j;
    shared += a[i] == u'/' ? 1 : 0;
  }
  const bool whole = (i == 0 || a[i - 1] == u'/') && (j == 0 || b[j - 1] == u'/');
  return i < a.size() && a[i] != u'/' && whole ? shared + 1 : shared;
}

// The hash of a candidate's file name, and which candidate it is.
struct NameKey {
  std::size_t hash;
  std::size_t candidate;
  bool operator<(const NameKey& other) const { return hash < other.hash; }
};

// A folder as the start of paths below it: "" for the root, else without a trailing "/".
QStringView PrefixOf(QStringView folder) {
  while (folder.endsWith(u'/'))
    folder.chop(1);
  return folder;
}

// The kind of a folder's entry (DT_DIR, DT_REG, DT_LNK, ...) as the folder lists it; only where
// the file system does not say is the entry looked at, a link as a link.
unsigned char KindOf(int folderFd, const dirent& entry) {
  if (entry.d_type != DT_UNKNOWN)
    return entry.d_type;
  struct stat st {};
  if (::fstatat(folderFd, entry.d_name, &st, AT_SYMLINK_NOFOLLOW) != 0)
    return DT_UNKNOWN;
  return static_cast<unsigned char>(IFTODT(st.st_mode));
}

// A regular file, or a link that leads to one.
bool IsFile(int folderFd, const char* name, unsigned char kind) {
  struct stat st {};
  return kind == DT_REG ||
         (kind == DT_LNK && ::fstatat(folderFd, name, &st, 0) == 0 && S_ISREG(st.st_mode));
}

// A subfolder, opened by its name in the parent's descriptor and never through a link: no
// whole path is looked up again, and a link to a folder cannot lead round in a loop.
int OpenSubfolder(int parentFd, const char* name) {
  return ::openat(parentFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
}

// A visible entry of a folder: a subfolder, or a file to list.
struct Entry {
  std::size_t at = 0;  // where its name starts in Level::names
  bool folder = false;
};

// A folder on the way down. Its entries are read in full when it is entered, so that its
// handle need not stay open while the walk is below it.
struct Level {
  DIR* dir = nullptr;  // open near the top and at the bottom, else closed
  std::string name;    // in the folder above
  QString prefix;      // its path, ending in "/"
  dev_t device = 0;
  ino_t inode = 0;
  std::string names;  // the entries' names, each ended by a '\0'
  std::vector<Entry> entries;
  std::size_t next = 0;
};

// Depth first through the folders with an explicit stack. The deepest folder and the top
// kOpenLevels ones stay open; any other is closed once the walk goes below it, and opened again
// by its names from the deepest open one above when a further subfolder of it is next. A tree
// of any depth holds a dozen handles at most.
class FolderWalk {
 public:
  explicit FolderWalk(const std::function<bool()>& cancelled) : cancelled_(cancelled) {}
  ~FolderWalk() {
    while (!levels_.empty())
      Leave();
  }
  FolderWalk(const FolderWalk&) = delete;
  FolderWalk& operator=(const FolderWalk&) = delete;

  FolderFiles Run(const QString& folder) {
    const int fd =
        ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    Enter(fd, std::string(), folder.endsWith(u'/') ? folder : folder + u'/');
    while (!levels_.empty() && !cancelled_()) {
      Level& level = levels_.back();
      if (level.next == level.entries.size()) {
        Leave();
        continue;
      }
      const Entry& entry = level.entries[level.next++];
      const char* name = level.names.c_str() + entry.at;
      if (entry.folder)
        Descend(name);
      else
        found_.files.push_back(level.prefix + QFile::decodeName(name));
    }
    return std::move(found_);
  }

 private:
  static constexpr std::size_t kOpenLevels = 8;

  // Reads the folder open as `fd` (taking it) as the next level down.
  void Enter(int fd, std::string name, QString prefix) {
    DIR* dir = fd < 0 ? nullptr : ::fdopendir(fd);
    struct stat st {};
    if (dir == nullptr || ::fstat(fd, &st) != 0) {
      if (dir != nullptr)
        ::closedir(dir);
      else if (fd >= 0)
        ::close(fd);
      ++found_.unreadable;
      return;
    }
    levels_.push_back({dir, std::move(name), std::move(prefix), st.st_dev, st.st_ino, {}, {}, 0});
    ReadEntries(levels_.back());
  }

  void ReadEntries(Level& level) {
    const int fd = ::dirfd(level.dir);
    while (!cancelled_()) {
      errno = 0;
      const dirent* entry = ::readdir(level.dir);
      if (entry == nullptr) {
        if (errno != 0)  // the folder could not be read to its end
          ++found_.unreadable;
        return;
      }
      if (entry->d_name[0] == '.')  // hidden, and "." and ".."
        continue;
      const unsigned char kind = KindOf(fd, *entry);
      if (kind == DT_DIR || IsFile(fd, entry->d_name, kind)) {
        level.entries.push_back({level.names.size(), kind == DT_DIR});
        level.names.append(entry->d_name);
        level.names.push_back('\0');
      }
    }
  }

  void Leave() {
    if (levels_.back().dir != nullptr)
      ::closedir(levels_.back().dir);
    levels_.pop_back();
  }

  // Enters the subfolder `name` of the deepest level. The name may lie in that level's names:
  // it is copied before the new level is pushed, which may move the levels.
  void Descend(const char* name) {
    const std::size_t last = levels_.size() - 1;
    Level& level = levels_[last];
    const bool bOpen = level.dir != nullptr;
    const int parent = bOpen ? ::dirfd(level.dir) : OpenAgain(last);
    const int fd = parent < 0 ? -1 : OpenSubfolder(parent, name);
    if (!bOpen && parent >= 0) {
      ::close(parent);
    } else if (bOpen && fd >= 0 && last >= kOpenLevels) {
      ::closedir(level.dir);  // no longer the deepest
      level.dir = nullptr;
    }
    QString prefix = level.prefix + QFile::decodeName(name) + u'/';
    Enter(fd, name, std::move(prefix));
  }

  // A new descriptor of the closed level i (the caller's to close), reached by names from the
  // deepest open level above, provided it still leads to the same folder; -1 when it does not.
  int OpenAgain(std::size_t i) const {
    std::size_t from = i;
    while (levels_[from].dir == nullptr)
      --from;
    int fd = ::dirfd(levels_[from].dir);
    for (std::size_t k = from + 1; k <= i && fd >= 0; ++k) {
      const int next = OpenSubfolder(fd, levels_[k].name.c_str());
      if (k > from + 1)
        ::close(fd);
      fd = next;
    }
    struct stat st {};
    if (fd >= 0 && (::fstat(fd, &st) != 0 || st.st_dev != levels_[i].device ||
                    st.st_ino != levels_[i].inode)) {
      ::close(fd);
      fd = -1;
    }
    return fd;
  }

  const std::function<bool()>& cancelled_;
  std::vector<Level> levels_;
  FolderFiles found_;
};

}  // namespace

FolderFiles FilesBelow(const QString& folder, const std::function<bool()>& cancelled) {
  return FolderWalk(cancelled).Run(folder);
}

FolderFiles FilesBelow(const QString& folder, const std::atomic<bool>& cancelled) {
  return FilesBelow(folder, [&cancelled] { return cancelled.load(std::memory_order_relaxed); });
}

std::vector<QString> FindMovedSongs(const std::vector<QString>& missing,
                                    const std::vector<QString>& candidates) {
  // The candidates in the order of their names' hashes, so that those of one name stand
  // together and one binary search finds them.
  const std::size_t seed = QHashSeed::globalSeed();
  std::vector<NameKey> keys(candidates.size());
  for (std::size_t i = 0; i < candidates.size(); ++i)
    keys[i] = {qHash(FileNameOf(candidates[i]), seed), i};
  std::sort(keys.begin(), keys.end());
  std::vector<QString> found(missing.size());
  for (std::size_t m = 0; m < missing.size(); ++m) {
    const QStringView name = FileNameOf(missing[m]);
    const auto [from, to] =
        std::equal_range(keys.begin(), keys.end(), NameKey{qHash(name, seed), 0});
    const QString* best = nullptr;
    int bestShared = -1;
    for (auto key = from; key != to; ++key) {
      const QString& candidate = candidates[key->candidate];
      if (FileNameOf(candidate) != name)
        continue;  // another name of the same hash
      const int shared = SharedTrailingFolders(missing[m], candidate);
      if (shared > bestShared || (shared == bestShared && candidate < *best)) {
        best = &candidate;
        bestShared = shared;
      }
    }
    if (best != nullptr)
      found[m] = *best;
  }
  return found;
}

std::optional<QString> RelinkedPath(QStringView path, QStringView from, QStringView to) {
  const QStringView prefix = PrefixOf(from);
  if (!path.startsWith(prefix) || path.size() <= prefix.size() || path[prefix.size()] != u'/')
    return std::nullopt;
  const QStringView start = PrefixOf(to);
  const QStringView rest = path.mid(prefix.size());
  QString relinked;
  relinked.reserve(start.size() + rest.size());
  relinked.append(start);
  relinked.append(rest);
  return relinked;
}

}  // namespace qvt
