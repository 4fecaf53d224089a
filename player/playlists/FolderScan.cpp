#include "player/playlists/FolderScan.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

namespace qvt {

namespace fs = std::filesystem;

QString NormalizeFolder(const QString& path) {
  if (path.isEmpty())
    return QString();
  return QDir::cleanPath(QDir(path).absolutePath());
}

namespace {

// Wildcard match of one pattern against the whole name, both already case-folded. Greedy
// matching with one backtrack point for the last "*".
bool MatchOne(QStringView pattern, QStringView name) {
  qsizetype p = 0, n = 0, star = -1, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == QLatin1Char('*')) {
      star = p++;
      resume = n;
    } else if (p < pattern.size() && (pattern[p] == QLatin1Char('?') || pattern[p] == name[n])) {
      ++p;
      ++n;
    } else if (star >= 0) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == QLatin1Char('*'))
    ++p;
  return p == pattern.size();
}

bool IsHidden(const QString& name) {
  return name.startsWith(QLatin1Char('.'));
}

// Calls keep(name, entry) for every entry of the folder; false when it cannot be read.
template <typename Keep>
bool ScanFolder(const QString& folder, Keep keep) {
  std::error_code error;
  fs::directory_iterator it(fs::path(QFile::encodeName(folder).toStdString()), error);
  if (error)
    return false;
  for (const fs::directory_iterator end; it != end; it.increment(error)) {
    if (error)
      return false;
    const QString name = QFile::decodeName(it->path().filename().native().c_str());
    if (!IsHidden(name))
      keep(name, *it);
  }
  return !error;
}

}  // namespace

FilePattern::FilePattern(QStringView patterns) {
  for (QStringView part : patterns.split(QLatin1Char(';'))) {
    part = part.trimmed();
    if (part.isEmpty())
      continue;
    if (part == QLatin1String("*.*") || part == QLatin1String("*"))
      all_ = true;
    parts_.push_back(part.toString().toCaseFolded());
  }
  if (parts_.empty())
    all_ = true;
}

bool FilePattern::matches(QStringView name) const {
  if (all_)
    return true;
  const QString folded = name.toString().toCaseFolded();
  return std::any_of(parts_.begin(), parts_.end(),
                     [&folded](const QString& part) { return MatchOne(part, folded); });
}

bool MatchesFilePattern(QStringView patterns, QStringView name) {
  return FilePattern(patterns).matches(name);
}

void SortNamesNoCase(std::vector<QString>& names) {
  std::vector<std::pair<QString, QString>> keyed;
  keyed.reserve(names.size());
  for (QString& name : names)
    keyed.emplace_back(name.toCaseFolded(), std::move(name));
  std::sort(keyed.begin(), keyed.end());
  for (std::size_t i = 0; i < keyed.size(); ++i)
    names[i] = std::move(keyed[i].second);
}

namespace {

// The names of the folder's entries that accept(name, entry) takes, sorted; false and no names
// when the folder cannot be read.
template <typename Accept>
bool ListSorted(const QString& folder, Accept accept, std::vector<QString>& out) {
  out.clear();
  const bool ok = ScanFolder(folder, [&](const QString& name, const fs::directory_entry& entry) {
    if (accept(name, entry))
      out.push_back(name);
  });
  if (!ok) {
    out.clear();
    return false;
  }
  SortNamesNoCase(out);
  return true;
}

}  // namespace

bool ListPlainFiles(const QString& folder, const QString& patterns, std::vector<QString>& out) {
  const FilePattern pattern(patterns);
  return ListSorted(
      folder,
      [&](const QString& name, const fs::directory_entry& entry) {
        std::error_code error;
        return pattern.matches(name) && entry.is_regular_file(error);
      },
      out);
}

bool ListSubfolders(const QString& folder, std::vector<QString>& out) {
  return ListSorted(
      folder,
      [](const QString&, const fs::directory_entry& entry) {
        std::error_code error;
        return entry.is_directory(error);
      },
      out);
}

QString JoinFolder(const QString& folder, const QString& name) {
  if (folder.endsWith(QLatin1Char('/')))
    return folder + name;
  return folder + QLatin1Char('/') + name;
}

}  // namespace qvt
