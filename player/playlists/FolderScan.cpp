#include "player/playlists/FolderScan.h"

#include <QDir>
#include <algorithm>
#include <cstdint>
#include <utility>

#include "platform/FileSystem.h"

namespace qvt {

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
  return all_ || matchesFolded(name.toString().toCaseFolded());
}

bool FilePattern::matchesFolded(QStringView folded) const {
  return all_ || std::any_of(parts_.begin(), parts_.end(),
                             [folded](const QString& part) { return MatchOne(part, folded); });
}

bool MatchesFilePattern(QStringView patterns, QStringView name) {
  return FilePattern(patterns).matches(name);
}

namespace {

// Appends the case-folded text of `name`. Plain ASCII, the common case, is folded here
// without a string of its own; anything else as QString::toCaseFolded does it.
void AppendFolded(QStringView name, std::vector<char16_t>& out) {
  const char16_t* from = name.utf16();
  const bool ascii = std::all_of(from, from + name.size(), [](char16_t u) { return u < 0x80; });
  if (!ascii) {
    const QString folded = name.toString().toCaseFolded();
    out.insert(out.end(), folded.utf16(), folded.utf16() + folded.size());
    return;
  }
  const std::size_t at = out.size();
  out.resize(at + static_cast<std::size_t>(name.size()));
  std::transform(from, from + name.size(), out.begin() + static_cast<std::ptrdiff_t>(at),
                 [](char16_t u) {
                   return u >= u'A' && u <= u'Z' ? static_cast<char16_t>(u - u'A' + u'a') : u;
                 });
}

// Names gathered for sorting without regard to case. Each name is folded once, into one
// buffer shared by all, and the sort moves small entries that point into it: no string is
// made, copied or freed per comparison. Most comparisons are settled by a few folded
// characters held in the entry itself, taken after the start that all names share (a folder
// of "Track 0000001 ..." names differs only further on), so that the texts, spread over a
// buffer far larger than the processor's caches, are read only for the rest.
class NamesToSort {
 public:
  void reserve(std::size_t count) {
    names_.reserve(count);
    entries_.reserve(count);
  }
  // Adds `name` when its folded text matches `pattern` (every name without a pattern).
  void add(QString name, const FilePattern* pattern) {
    const auto begin = static_cast<qsizetype>(folded_.size());
    AppendFolded(name, folded_);
    const qsizetype size = static_cast<qsizetype>(folded_.size()) - begin;
    if (pattern != nullptr && !pattern->matchesFolded(key(begin, size))) {
      folded_.resize(static_cast<std::size_t>(begin));
      return;
    }
    entries_.push_back({0, begin, size, names_.size()});
    names_.push_back(std::move(name));
  }
  // The names by folded text, names of one folded text by their exact text.
  std::vector<QString> sorted() && {
    const qsizetype shared = sharedStart();
    for (Entry& entry : entries_)
      entry.head = head(entry, shared);
    std::sort(entries_.begin(), entries_.end(), [this](const Entry& a, const Entry& b) {
      if (a.head != b.head)
        return a.head < b.head;
      const int byKey = key(a.begin, a.size).compare(key(b.begin, b.size));
      return byKey != 0 ? byKey < 0 : names_[a.name] < names_[b.name];
    });
    std::vector<QString> out;
    out.reserve(entries_.size());
    for (const Entry& entry : entries_)
      out.push_back(std::move(names_[entry.name]));
    return out;
  }

 private:
  struct Entry {
    std::uint64_t head;  // see head()
    qsizetype begin;     // of the folded text in folded_
    qsizetype size;
    std::size_t name;  // index in names_
  };
  static constexpr qsizetype kHeadChars = 4;

  QStringView key(qsizetype begin, qsizetype size) const {
    return QStringView(folded_.data() + begin, size);
  }
  // How many folded characters every name begins with.
  qsizetype sharedStart() const {
    if (entries_.empty())
      return 0;
    const QStringView first = key(entries_[0].begin, entries_[0].size);
    qsizetype shared = first.size();
    for (const Entry& entry : entries_) {
      const QStringView text = key(entry.begin, std::min(entry.size, shared));
      shared = std::mismatch(text.begin(), text.end(), first.begin()).first - text.begin();
    }
    return shared;
  }
  // The kHeadChars folded characters after the shared start, one number that orders as they
  // do; a name that ends before counts as followed by zeros. Two names with different heads
  // are in the heads' order; equal heads leave it to the whole texts.
  std::uint64_t head(const Entry& entry, qsizetype shared) const {
    std::uint64_t value = 0;
    for (qsizetype i = shared; i < shared + kHeadChars; ++i)
      value =
          value << 16 | (i < entry.size ? folded_[static_cast<std::size_t>(entry.begin + i)] : 0U);
    return value;
  }

  std::vector<char16_t> folded_;
  std::vector<Entry> entries_;
  std::vector<QString> names_;
};

// The names of the folder's entries of `kind` (matching `pattern`, when there is one),
// sorted; false and no names when the folder cannot be read or the work was cancelled.
bool ListSorted(IFileSystem& fs, const QString& folder, EntryKind kind, const FilePattern* pattern,
                const std::atomic<bool>* cancelled, std::vector<QString>& out) {
  out.clear();
  NamesToSort names;
  const bool read = fs.listEntries(folder, kind, cancelled,
                                   [&](QString name) { names.add(std::move(name), pattern); });
  if (!read || (cancelled != nullptr && *cancelled))
    return false;
  out = std::move(names).sorted();
  return true;
}

}  // namespace

void SortNamesNoCase(std::vector<QString>& names) {
  NamesToSort sorting;
  sorting.reserve(names.size());
  for (QString& name : names)
    sorting.add(std::move(name), nullptr);
  names = std::move(sorting).sorted();
}

bool ListPlainFiles(IFileSystem& fs, const QString& folder, const QString& patterns,
                    std::vector<QString>& out, const std::atomic<bool>* cancelled) {
  const FilePattern pattern(patterns);
  return ListSorted(fs, folder, EntryKind::File, &pattern, cancelled, out);
}

bool ListSubfolders(IFileSystem& fs, const QString& folder, std::vector<QString>& out,
                    const std::atomic<bool>* cancelled) {
  return ListSorted(fs, folder, EntryKind::Folder, nullptr, cancelled, out);
}

QString JoinFolder(const QString& folder, const QString& name) {
  if (folder.endsWith(QLatin1Char('/')))
    return folder + name;
  return folder + QLatin1Char('/') + name;
}

}  // namespace qvt
