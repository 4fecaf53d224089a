#pragma once
// Songs whose files moved: finding them again below a folder, and moving the start of paths
// from one folder to another. Plain functions over lists of paths, so that they work on any
// copy of a play list.
//
//   const FolderFiles below = fs.filesBelow("/media/u/Music", cancelled);  // platform/FileSystem.h
//   const std::vector<QString> found = FindMovedSongs(missing, below.files);
//   // found[i]: the new path of missing[i], or "" when nothing below the folder matched

#include <QString>
#include <QStringView>
#include <cstddef>
#include <optional>
#include <vector>

namespace qvt {

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
