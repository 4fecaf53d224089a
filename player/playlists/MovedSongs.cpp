#include "player/playlists/MovedSongs.h"

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
QStringView PrefixOf(QStringView folder) {
  while (folder.endsWith(u'/'))
    folder.chop(1);
  return folder;
}

}  // namespace

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
