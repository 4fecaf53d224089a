#pragma once
// Songs whose files moved: finding them again below a folder, and moving the start of paths
// from one folder to another. Plain functions over lists of paths, so that they work on any
// copy of a play list.
//
//   const FolderFiles below = FilesBelow("/media/u/Music", cancelled);
//   const std::vector<QString> found = FindMovedSongs(missing, below.files);
//   // found[i]: the new path of missing[i], or "" when nothing below the folder matched

#include <QString>
#include <QStringView>
#include <atomic>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

namespace qvt {

// What FilesBelow found: the files, and how many folders (the top one too) could not be read,
// or not to their end.
struct FolderFiles {
  std::vector<QString> files;
  std::size_t unreadable = 0;
};

// Every file below `folder`, in its subfolders too, read in one pass: regular files and links
// to them, hidden names and links to folders left out, in the order the folders give them.
// Folders that cannot be read are passed over and counted. Looks at `cancelled` before every
// entry and, once it is set, returns what it found so far. However deep the tree, it holds no
// more than a few folders open at a time.
FolderFiles FilesBelow(const QString& folder, const std::function<bool()>& cancelled);
FolderFiles FilesBelow(const QString& folder, const std::atomic<bool>& cancelled);

// For each path of `missing`, the path of `candidates` with the same file name whose folders
// share the most trailing names with the missing path's ("/a/Rock/Album/x.mp3" shares two
// with "/b/Rock/Album/x.mp3", one with "/b/Pop/Album/x.mp3"); among equals the first in sorted
// order, whatever the candidates' order. "" when no candidate has that file name. The candidates'
// names hashed and sorted once, one binary search per missing path.
std::vector<QString> FindMovedSongs(const std::vector<QString>& missing,
                                    const std::vector<QString>& candidates);

// `path` with the folder `from` at its start replaced by `to`, when the path lies below
// `from` (a trailing "/" of either folder does not count); nothing otherwise.
std::optional<QString> RelinkedPath(QStringView path, QStringView from, QStringView to);

}  // namespace qvt
