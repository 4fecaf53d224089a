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
#include "player/startup/Job.h"
#include "player/startup/PlayListCheck.h"
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

// The found songs whose type could not be known, tested here with the types file read for each
// (its boxes); nothing when stopRequested said so between two of them. The songs found are known
// by path as well, for a list that changed meanwhile.
std::optional<BadSongs> badSongsOf(const Services& services, VerifyScan::Found found,
                                   std::optional<QString> unkept,
                                   const std::function<bool()>& stopRequested) {
  AcceptedTypesFile typesFile(services);
  std::vector<std::size_t> untypedBad;
  for (const std::size_t k : found.untyped) {
    if (stopRequested && stopRequested())
      return std::nullopt;
    const QString type = VerifyScan::TypeOf(found.paths[k]);
    const QString types = unkept ? *std::exchange(unkept, std::nullopt) : typesFile.types();
    if (!VerifyScan::Accepts(type, types))
      untypedBad.push_back(k);
  }
  BadSongs bad;
  std::merge(found.bad.begin(), found.bad.end(), untypedBad.begin(), untypedBad.end(),
             std::back_inserter(bad.at));
  bad.tested = std::move(found.paths);
  bad.missing = found.missing;
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

PlayListCheck::PlayListCheck(const Services& services, MusicVariables& mv, Hooks hooks)
    : JobRun(std::move(hooks)), services_(services), mv_(mv) {}

PlayListCheck::~PlayListCheck() = default;

void PlayListCheck::begin() {
  const double last = mv_.dblLastIndex();
  if (last <= -1) {
    MsgBox(services_, QStringLiteral("No play list loaded, list integrity check failed"));
    end();
    return;
  }
  Processor processor = ProcessorOf(services_);
  processor.ShowDetermined(0, last, false, QStringLiteral("Starting to verify list"));
  try {
    AcceptedTypesFile typesFile(services_);
    TypesRead read = typesForWorker(services_, typesFile);
    if (!running())
      return;  // cancelled during the types file's boxes
    unkept_ = std::move(read.unkept);
    version_ = mv_.version();
    names_ = mv_.sSongNames();
    VerifyScan::Input input{songPathsNow(mv_), std::move(read.types), &files(services_)};
    job_ = std::make_unique<Job<VerifyScan::Found>>(
        GetLowPriorityLoading(mv_),
        Job<VerifyScan::Found>::Handlers{[this](int count) { tested(count); },
                                         [this](VerifyScan::Found found) {
                                           step(
                                               [&] {
                                                 finish(std::move(found));
                                                 end();
                                               },
                                               true);
                                         },
                                         [this] { stopped(); }});
    job_->start([input = std::move(input)](QPromise<VerifyScan::Found>& promise) mutable {
      VerifyScan::Run(input, promise);
    });
  } catch (...) {
    processor.Hide();
    throw;
  }
}

void PlayListCheck::cancel() {
  if (job_ != nullptr)
    job_->cancel();
  else if (running())
    stopped();
}

// The bar follows the job: the text of the last song tested, the bar advanced by the songs
// tested since the last report.
void PlayListCheck::tested(int count) {
  const auto now = static_cast<std::size_t>(count);
  const std::size_t i = now - 1;
  const std::size_t steps = now - shown_;
  shown_ = now;
  ProcessorOf(services_).Advance(
      QStringLiteral("Testing:\r\n") + (i < names_.size() ? names_[i] : QString()),
      static_cast<double>(steps));
}

void PlayListCheck::finish(VerifyScan::Found found) {
  Processor processor = ProcessorOf(services_);
  std::optional<BadSongs> bad;
  try {
    bad = badSongsOf(services_, std::move(found), std::exchange(unkept_, std::nullopt),
                     [this] { return stopRequested(); });
  } catch (...) {
    processor.Hide();
    throw;
  }
  processor.Hide();
  if (!bad)
    return;  // stopped: the list stays as it was
  // The subscripts name the list as it was tested, if it is still that list.
  bad->version = mv_.version() == version_ ? version_ : PlayListVersion{};
  if (bad->at.empty()) {
    MsgBox(services_, QStringLiteral("All songs in the list were found and should work"));
    return;
  }
  const QString count = QString::number(bad->at.size());
  const MsgResult answer = MsgBox(
      services_, count + QString::fromLatin1(kBadSongsQuestion) + movedSongsHint(bad->missing),
      MsgButtons::YesNo, MsgIcon::Exclamation, QStringLiteral("Remove missing songs?"), 2);
  if (answer != MsgResult::Yes) {
    MsgBox(services_, QStringLiteral("No changes have been made"));
    return;
  }
  processor.Show(QStringLiteral("Removing songs..."), true, 1);
  removeBadSongs(mv_, std::move(*bad));
  processor.Hide();
  MsgBox(services_, count + QStringLiteral(" Songs were removed"));
}

std::unique_ptr<JobRun> VerifyPlayList(const Services& services, MusicVariables& mv,
                                       JobHooks hooks) {
  return std::make_unique<PlayListCheck>(services, mv, std::move(hooks));
}

void PlayListCheck::stopped() {
  ProcessorOf(services_).Hide();
  end();
}

}  // namespace qvt::GlobalMethods
