#include "player/playlists/MovedSongs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QHash>
#include <QStringView>
#include <algorithm>

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

// How many folder names, counted from the file upwards, the two paths have in common.
int SharedTrailingFolders(QStringView a, QStringView b) {
  a = FolderOf(a);
  b = FolderOf(b);
  int shared = 0;
  while (!a.isEmpty() && !b.isEmpty() && FileNameOf(a) == FileNameOf(b)) {
    ++shared;
    a = FolderOf(a);
    b = FolderOf(b);
  }
  return shared;
}

// A folder as the start of paths below it: "" for the root, else without a trailing "/".
QString PrefixOf(const QString& folder) {
  QString prefix = folder;
  while (prefix.endsWith(u'/'))
    prefix.chop(1);
  return prefix;
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

// Adds the files of the open folder `fd` (which it closes) and of its subfolders to `files`,
// depth first, each as `prefix` and its name. A subfolder is opened by its name in the parent's
// descriptor, never through a link: no whole path is looked up again, and a link to a folder
// cannot lead round in a loop.
void AddFilesBelow(int fd, const QString& prefix, std::vector<QString>& files) {
  DIR* dir = ::fdopendir(fd);
  if (dir == nullptr) {
    ::close(fd);
    return;
  }
  while (const dirent* entry = ::readdir(dir)) {
    if (entry->d_name[0] == '.')  // hidden, and "." and ".."
      continue;
    const unsigned char kind = KindOf(fd, *entry);
    if (kind == DT_DIR) {
      const int sub = ::openat(fd, entry->d_name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (sub >= 0)  // a folder that cannot be read is passed over
        AddFilesBelow(sub, prefix + QFile::decodeName(entry->d_name) + u'/', files);
    } else if (IsFile(fd, entry->d_name, kind)) {
      files.push_back(prefix + QFile::decodeName(entry->d_name));
    }
  }
  ::closedir(dir);
}

}  // namespace

std::vector<QString> FilesBelow(const QString& folder) {
  std::vector<QString> files;
  const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0)
    AddFilesBelow(fd, folder.endsWith(u'/') ? folder : folder + u'/', files);
  return files;
}

std::vector<QString> FindMovedSongs(const std::vector<QString>& missing,
                                    const std::vector<QString>& candidates) {
  // The candidates of one name, chained: first[name] is the earliest, next[i] the one after i.
  QHash<QStringView, std::size_t> first;
  first.reserve(static_cast<qsizetype>(candidates.size()));
  constexpr std::size_t kNone = static_cast<std::size_t>(-1);
  std::vector<std::size_t> next(candidates.size(), kNone);
  std::vector<std::size_t> last(candidates.size(), kNone);  // a chain's end, by its first
  for (std::size_t i = 0; i < candidates.size(); ++i) {
    const QStringView name = FileNameOf(candidates[i]);
    const auto at = first.constFind(name);
    if (at == first.cend()) {
      first.insert(name, i);
      continue;
    }
    std::size_t& end = last[*at];
    next[end == kNone ? *at : end] = i;
    end = i;
  }
  std::vector<QString> found(missing.size());
  for (std::size_t m = 0; m < missing.size(); ++m) {
    const auto at = first.constFind(FileNameOf(missing[m]));
    if (at == first.cend())
      continue;
    std::size_t best = *at;
    int bestShared = -1;
    for (std::size_t i = *at; i != kNone; i = next[i]) {
      const int shared = SharedTrailingFolders(missing[m], candidates[i]);
      if (shared > bestShared || (shared == bestShared && candidates[i] < candidates[best])) {
        best = i;
        bestShared = shared;
      }
    }
    found[m] = candidates[best];
  }
  return found;
}

std::optional<QString> RelinkedPath(const QString& path, const QString& from, const QString& to) {
  const QString prefix = PrefixOf(from);
  if (!path.startsWith(prefix) || path.size() <= prefix.size() || path[prefix.size()] != u'/')
    return std::nullopt;
  return PrefixOf(to) + path.mid(prefix.size());
}

}  // namespace qvt
