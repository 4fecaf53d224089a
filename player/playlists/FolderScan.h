#pragma once
// Reading folders for the file-choosing boxes: folder paths in one form, the subfolders and
// the plain files of a folder, and the wildcard patterns of the file box.
//
//   std::vector<QString> names;
//   if (ListPlainFiles(fs, "/music", "*.mp3;*.wav", names)) ...  // sorted, hidden files left out

#include <QString>
#include <QStringView>
#include <atomic>
#include <vector>

namespace qvt {

class IFileSystem;

// The absolute, cleaned form of a folder path: no "." or "..", no doubled or trailing "/"
// (except "/" itself). Relative paths are taken from the current folder.
QString NormalizeFolder(const QString& path);

// Whether `name` matches one of the ";"-separated wildcard patterns ("*" any run of
// characters, "?" one character), compared as a whole without regard to case. "*.*" and "*"
// match every name; a pattern list with no pattern in it matches every name too.
bool MatchesFilePattern(QStringView patterns, QStringView name);

// The same rule with the pattern list read once, for matching many names.
class FilePattern {
 public:
  explicit FilePattern(QStringView patterns);
  bool matches(QStringView name) const;
  // The same for a name already case-folded (QString::toCaseFolded).
  bool matchesFolded(QStringView folded) const;

 private:
  std::vector<QString> parts_;  // case-folded; empty when every name matches
  bool all_ = false;
};

// Sorts names without regard to case, names that differ only in case by their exact text.
void SortNamesNoCase(std::vector<QString>& names);

// The names of the plain files of `folder` (regular files and links to them; no folders, no
// hidden names) that match `patterns`, read through `fs` and sorted as SortNamesNoCase does.
// False, and `out` left empty, when the folder cannot be read, or when `cancelled` is set while
// the folder is read (it is looked at every few thousand entries, and once more before the sort).
bool ListPlainFiles(IFileSystem& fs, const QString& folder, const QString& patterns,
                    std::vector<QString>& out, const std::atomic<bool>* cancelled = nullptr);

// The names of the folders in `folder` (links to folders count; hidden names do not), sorted
// as SortNamesNoCase does. False, and `out` left empty, when the folder cannot be read, or
// when `cancelled` is set while it is read (looked at as ListPlainFiles does).
bool ListSubfolders(IFileSystem& fs, const QString& folder, std::vector<QString>& out,
                    const std::atomic<bool>* cancelled = nullptr);

// `folder` joined with `name` by one "/".
QString JoinFolder(const QString& folder, const QString& name);

}  // namespace qvt
