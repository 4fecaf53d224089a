#include "player/playlists/MovedSongs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QFile>
#include <QHashFunctions>
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

std::optional<QString> RelinkedPath(const QString& path, const QString& from, const QString& to) {
  const QString prefix = PrefixOf(from);
  if (!path.startsWith(prefix) || path.size() <= prefix.size() || path[prefix.size()] != u'/')
    return std::nullopt;
  return PrefixOf(to) + path.mid(prefix.size());
}

}  // namespace qvt
