#include "player/playlists/MovedSongs.h"

#include <QFile>
#include <QHash>
#include <QStringView>
#include <algorithm>
#include <filesystem>
#include <system_error>

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

}  // namespace

std::vector<QString> FilesBelow(const QString& folder) {
  namespace fs = std::filesystem;
  std::vector<QString> files;
  std::error_code error;
  fs::recursive_directory_iterator it(QFile::encodeName(folder).toStdString(),
                                      fs::directory_options::skip_permission_denied, error);
  for (const fs::recursive_directory_iterator end; !error && it != end; it.increment(error)) {
    const fs::path& path = it->path();
    std::error_code entryError;  // an entry that cannot be read is passed over
    if (path.filename().native().starts_with('.')) {
      if (it->is_directory(entryError))
        it.disable_recursion_pending();
    } else if (it->is_regular_file(entryError)) {
      files.push_back(QFile::decodeName(QByteArray::fromStdString(path.native())));
    }
  }
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
