// LinuxFileSystem's reading of folders: one folder's entries of a kind, and every file below a
// folder, through the folders' own descriptors.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <cerrno>
#include <string>
#include <utility>
#include <vector>

#include "platform/linux/LinuxFileSystem.h"

namespace qvt {

namespace {

// ---- one folder -------------------------------------------------------------------------------

// The kind of a folder's entry as the folder lists it (DT_REG, DT_DIR, DT_LNK, ...). Only a
// link, or an entry of a file system that does not tell, is looked up, and then what it leads
// to counts: one stat call for those, none for the plain files and folders of most folders.
mode_t KindFollowingLinks(int folderFd, const dirent& entry) {
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN)
    return static_cast<mode_t>(entry.d_type) << 12;  // DTTOIF, without its signed shift
  struct stat st {};
  return ::fstatat(folderFd, entry.d_name, &st, 0) == 0 ? st.st_mode & S_IFMT : 0;
}

// The folder's entries, opened once; closed with the object.
class Folder {
 public:
  explicit Folder(const QString& path) : dir_(::opendir(QFile::encodeName(path).constData())) {}
  ~Folder() {
    if (dir_ != nullptr)
      ::closedir(dir_);
  }
  Folder(const Folder&) = delete;
  Folder& operator=(const Folder&) = delete;

  bool isOpen() const { return dir_ != nullptr; }
  // Calls keep(name) for every entry that is not hidden and whose kind is `kind` (S_IFREG or
  // S_IFDIR, links counting as what they lead to). False when the folder cannot be read to its
  // end, or when `cancelled` was set meanwhile.
  bool scan(mode_t kind, const std::atomic<bool>* cancelled,
            const std::function<void(QString)>& keep) {
    const int fd = ::dirfd(dir_);
    for (std::size_t seen = 0;; ++seen) {
      if (cancelled != nullptr && seen % kCancelCheckEvery == 0 && *cancelled)
        return false;
      errno = 0;
      const dirent* entry = ::readdir(dir_);
      if (entry == nullptr)
        return errno == 0;
      // Hidden names, "." and ".." begin with "."; only other entries have their kind looked at.
      if (entry->d_name[0] != '.' && KindFollowingLinks(fd, *entry) == kind)
        keep(QFile::decodeName(entry->d_name));
    }
  }

 private:
  static constexpr std::size_t kCancelCheckEvery = 4096;
  DIR* dir_;
};

// ---- every file below a folder ----------------------------------------------------------------

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

bool LinuxFileSystem::listEntries(const QString& folder, EntryKind kind,
                                  const std::atomic<bool>* cancelled,
                                  const std::function<void(QString)>& keep) {
  Folder dir(folder);
  return dir.isOpen() && dir.scan(kind == EntryKind::Folder ? S_IFDIR : S_IFREG, cancelled, keep);
}

FolderFiles LinuxFileSystem::filesBelow(const QString& folder,
                                        const std::function<bool()>& cancelled) {
  return FolderWalk(cancelled).Run(folder);
}

}  // namespace qvt
