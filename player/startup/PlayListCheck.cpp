// The accepted file type test and the play list integrity check.
#include <QFile>
#include <QSet>
#include <algorithm>
#include <filesystem>
#include <functional>
#include <iterator>
#include <optional>
#include <system_error>
#include <utility>
#include <vector>

#include "player/startup/GlobalMethods.h"
#include "player/startup/PlayListIndex.h"
#include "player/startup/VerifyScan.h"
#include "shared/FileManager.h"
#include "shared/Processor.h"
#include "shared/Services.h"

namespace qvt::GlobalMethods {

namespace {

// The first value of the accepted file types file. Opening and reading it through the file
// manager for every song of a large list would dominate the integrity check, so the value is
// kept while the file's size and modification time stay as they were. Whenever that is not
// so (also when the file is missing), it is read again through the file manager, with its
// error boxes; a value read with an error box is not kept, so the box comes again next time.
// An object keeps the value for as long as it lives: one test, or one integrity check.
class AcceptedTypesFile {
 public:
  explicit AcceptedTypesFile(const Services& services) : services_(services) {}

  QString types() {
    if (cached_) {
      const std::optional<Stamp> now = stampOf(cached_->path);
      if (now && *now == cached_->stamp)
        return cached_->types;
      cached_.reset();
    }
    const QString path = ProgramFile(services_, QStringLiteral("AcceptedFileTypes.qvc"));
    // Taken before reading: a change made meanwhile is seen at the next call.
    const std::optional<Stamp> stamp = stampOf(path);
    clsFileManager fm(services_);
    if (fm.OpenFile(path, 1, false) != 0)
      return QString();
    const bool lineRead = fm.ReadNextLine();
    const Variant value = fm.GetVarFromFile(0, false);
    fm.CloseFile(false);
    if (stamp && lineRead && !value.isEmpty())
      cached_ = Cached{path, *stamp, value.plainText()};
    return value.plainText();
  }
  // Whether the last value was read without an error box.
  bool kept() const { return cached_.has_value(); }

 private:
  struct Stamp {
    std::filesystem::file_time_type modified;
    std::uintmax_t size = 0;
    bool operator==(const Stamp&) const = default;
  };
  struct Cached {
    QString path;
    Stamp stamp;
    QString types;
  };

  static std::optional<Stamp> stampOf(const QString& path) {
    const std::filesystem::path file(QFile::encodeName(path).toStdString());
    std::error_code error;
    Stamp stamp;
    stamp.modified = std::filesystem::last_write_time(file, error);
    if (error)
      return std::nullopt;
    stamp.size = std::filesystem::file_size(file, error);
    if (error)
      return std::nullopt;
    return stamp;
  }

  const Services& services_;
  std::optional<Cached> cached_;
};

struct BadSongs {
  std::vector<std::size_t> at;  // subscripts, ascending, in the list as it was tested
  SongArray tested;             // the paths of that list
  PlayListVersion version;      // the list they were found in
  std::size_t missing = 0;      // of them, the songs whose file was not found
};

// The songs 0 to dblLastIndex as they are now; a path past the end of the array is empty. The
// copy shares the list's stored texts, so that it costs the window thread little on a long list.
SongArray songPathsNow(const MusicVariables& mv) {
  SongArray paths = mv.sSongPaths();
  paths.resize(static_cast<std::size_t>(mv.dblLastIndex() + 1));
  return paths;
}

// The accepted types for the worker, read once here. When the file reads with an error box
// the worker is given nothing, and the songs it finds are tested here afterwards, the file
// read for each (with its boxes); `unkept` is then the read already made, for the first.
struct TypesRead {
  std::optional<QString> types;
  std::optional<QString> unkept;
};

TypesRead typesForWorker(const Services& services, AcceptedTypesFile& file) {
  if (!PlainFileExists(files(services),
                       ProgramFile(services, QStringLiteral("AcceptedFileTypes.qvc"))))
    return {};
  QString types = file.types();
  if (file.kept())
    return {std::move(types), std::nullopt};
  return {std::nullopt, std::move(types)};
}

// The progress bar follows the worker: the text of the last song tested, the bar advanced by
// the songs tested since the last update.
class TestedSongs {
 public:
  TestedSongs(const Services& services, const MusicVariables& mv)
      : processor_(ProcessorOf(services)), mv_(mv) {}
  void operator()(std::size_t tested) {
    const SongArray& names = mv_.sSongNames();
    const std::size_t i = tested - 1;
    processor_.Advance(QStringLiteral("Testing:\r\n") + (i < names.size() ? names[i] : QString()),
                       static_cast<double>(tested - shown_));
    shown_ = tested;
  }

 private:
  Processor processor_;
  const MusicVariables& mv_;
  std::size_t shown_ = 0;
};

// Tests every song of the list as it is now on a worker thread, while the event loop runs
// here; nothing when stopRequested said so first. The list may change meanwhile: the songs
// found are known by path as well.
std::optional<BadSongs> findBadSongs(const Services& services, const MusicVariables& mv,
                                     const std::function<bool()>& stopRequested) {
  BadSongs bad;
  bad.version = mv.version();
  AcceptedTypesFile typesFile(services);
  TypesRead read = typesForWorker(services, typesFile);
  VerifyScan::Input input;
  input.paths = songPathsNow(mv);
  input.types = read.types;
  input.fs = &files(services);
  input.bLowPriority = GetLowPriorityLoading(mv);
  VerifyScan scan(std::move(input));
  std::optional<VerifyScan::Found> found = scan.run(TestedSongs(services, mv), stopRequested);
  if (!found)
    return std::nullopt;
  // The songs whose type could not be known: the types file read for each, with its boxes.
  std::vector<std::size_t> untypedBad;
  for (const std::size_t k : found->untyped) {
    if (stopRequested && stopRequested())
      return std::nullopt;
    const QString type = VerifyScan::TypeOf(found->paths[k]);
    const QString types =
        read.unkept ? *std::exchange(read.unkept, std::nullopt) : typesFile.types();
    if (!VerifyScan::Accepts(type, types))
      untypedBad.push_back(k);
  }
  std::merge(found->bad.begin(), found->bad.end(), untypedBad.begin(), untypedBad.end(),
             std::back_inserter(bad.at));
  bad.tested = std::move(found->paths);
  bad.missing = found->missing;
  if (mv.version() != bad.version)
    bad.version = PlayListVersion{};  // the subscripts name no list any more
  return bad;
}

// Removes the bad songs from the list as it is now, in one change: by subscript when it did not
// change since they were found, else every song whose path was found bad.
void removeBadSongs(MusicVariables& mv, BadSongs bad) {
  if (mv.version() == bad.version) {
    RemoveSongsAt(mv, std::move(bad.at));
    return;
  }
  QSet<QString> paths;
  for (const std::size_t k : bad.at)
    paths.insert(bad.tested[k]);
  std::vector<std::size_t> at;
  for (std::size_t i = 0; static_cast<double>(i) <= mv.dblLastIndex() && i < mv.sSongPaths().size();
       ++i) {
    if (paths.contains(mv.sSongPaths()[i]))
      at.push_back(i);
  }
  RemoveSongsAt(mv, std::move(at));
}

const char* const kBadSongsQuestion =
    " songs in the play list were either not found, or were not recognized as a file type that "
    "QVT can play.  Would you like to remove them from the list?";

// Songs that were not found may only have moved: the editor can look for them.
QString movedSongsHint(std::size_t missing) {
  if (missing == 0)
    return QString();
  return QStringLiteral("\r\n\r\n") + QString::number(missing) +
         QStringLiteral(
             " of them were not found.  If they were moved, answer No and press "
             "Find Moved Songs to look for them in another folder.");
}

}  // namespace

bool IsAcceptedFileType(const Services& services, const MusicVariables& mv, double dblIndex) {
  clsFileManager fm(services);
  // The file is read for every test, so that its error boxes come for each.
  AcceptedTypesFile file(services);
  return VerifyScan::Accepts(fm.GetFileExt(SongPathAt(mv, dblIndex), true), file.types());
}

void VerifyPlayList(const Services& services, MusicVariables& mv) {
  VerifyPlayList(services, mv, nullptr);
}

void VerifyPlayList(const Services& services, MusicVariables& mv,
                    const std::function<bool()>& stopRequested) {
  Processor processor = ProcessorOf(services);
  const double last = mv.dblLastIndex();
  if (last <= -1) {
    MsgBox(services, QStringLiteral("No play list loaded, list integrity check failed"));
    return;
  }
  processor.ShowDetermined(0, last, false, QStringLiteral("Starting to verify list"));
  std::optional<BadSongs> bad;
  try {
    bad = findBadSongs(services, mv, stopRequested);
  } catch (...) {
    processor.Hide();
    throw;
  }
  processor.Hide();
  if (!bad)
    return;  // stopped: the list stays as it was
  if (bad->at.empty()) {
    MsgBox(services, QStringLiteral("All songs in the list were found and should work"));
    return;
  }
  const QString count = QString::number(bad->at.size());
  const MsgResult answer = MsgBox(
      services, count + QString::fromLatin1(kBadSongsQuestion) + movedSongsHint(bad->missing),
      MsgButtons::YesNo, MsgIcon::Exclamation, QStringLiteral("Remove missing songs?"), 2);
  if (answer != MsgResult::Yes) {
    MsgBox(services, QStringLiteral("No changes have been made"));
    return;
  }
  processor.Show(QStringLiteral("Removing songs..."), true, 1);
  removeBadSongs(mv, std::move(*bad));
  processor.Hide();
  MsgBox(services, count + QStringLiteral(" Songs were removed"));
}

}  // namespace qvt::GlobalMethods
