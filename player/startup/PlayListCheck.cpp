// The accepted file type test and the play list integrity check.
#include <QFile>
#include <QSet>
#include <filesystem>
#include <optional>
#include <system_error>
#include <vector>

#include "platform/Platform.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/PlayListIndex.h"
#include "shared/FileManager.h"
#include "shared/Processor.h"

namespace qvt::GlobalMethods {

namespace {

// The first value of the accepted file types file. Opening and reading it through the file
// manager for every song of a large list would dominate the integrity check, so the value is
// kept while the file's size and modification time stay as they were. Whenever that is not
// so (also when the file is missing), it is read again through the file manager, with its
// error boxes; a value read with an error box is not kept, so the box comes again next time.
class AcceptedTypesFile {
 public:
  QString types() {
    if (cached_) {
      const std::optional<Stamp> now = stampOf(cached_->path);
      if (now && *now == cached_->stamp)
        return cached_->types;
      cached_.reset();
    }
    const QString path = ProgramFile(QStringLiteral("AcceptedFileTypes.qvc"));
    // Taken before reading: a change made meanwhile is seen at the next call.
    const std::optional<Stamp> stamp = stampOf(path);
    clsFileManager fm;
    if (fm.OpenFile(path, 1, false) != 0)
      return QString();
    const bool lineRead = fm.ReadNextLine();
    const Variant value = fm.GetVarFromFile(0, false);
    fm.CloseFile(false);
    if (stamp && lineRead && !value.isEmpty())
      cached_ = Cached{path, *stamp, value.plainText()};
    return value.plainText();
  }

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

  std::optional<Cached> cached_;
};

AcceptedTypesFile& acceptedTypesFile() {
  static AcceptedTypesFile file;
  return file;
}

// Whether an upper-case extension is accepted; the list file is read in every case, so that
// its error boxes come for every song tested.
bool isAcceptedExtension(const QString& ext) {
  const QString types = acceptedTypesFile().types();
  return !ext.isEmpty() && types.contains(ext);
}

enum class SongCheck { Good, Missing, NotAccepted };

// Whether song i is bad: its file is missing, or its type is not accepted. The extension of a
// file just found to exist is taken as the file manager takes it, without a second lookup.
SongCheck checkSong(std::size_t i) {
  const QString path = SongPathAt(static_cast<double>(i));
  if (!PlainFileExists(path))
    return SongCheck::Missing;
  return isAcceptedExtension(path.mid(path.lastIndexOf(QLatin1Char('.')) + 1).toUpper())
             ? SongCheck::Good
             : SongCheck::NotAccepted;
}

struct BadSongs {
  std::vector<std::size_t> at;  // subscripts, ascending, in the list as it was tested
  QSet<QString> paths;
  PlayListVersion version;  // the list they were found in
  std::size_t missing = 0;  // of them, the songs whose file was not found
};

// Tests every song. The event loop runs before each test and may change the list: the bound
// is read again after every pass, and the songs found are known by path as well.
BadSongs findBadSongs() {
  BadSongs bad;
  bad.version = CurrentPlayListVersion();
  for (std::size_t i = 0; static_cast<double>(i) <= SharedMusicVariables().dblLastIndex(); ++i) {
    const SongArray& names = SharedMusicVariables().sSongNames();
    UpdateProcessing(QStringLiteral("Testing:\r\n") + (i < names.size() ? names[i] : QString()));
    if (static_cast<double>(i) > SharedMusicVariables().dblLastIndex())
      break;
    const QString path = SongPathAt(static_cast<double>(i));
    const SongCheck check = checkSong(i);
    if (check != SongCheck::Good) {
      bad.at.push_back(i);
      bad.paths.insert(path);
      bad.missing += check == SongCheck::Missing ? 1 : 0;
    }
  }
  if (CurrentPlayListVersion() != bad.version)
    bad.version = PlayListVersion{};  // the subscripts name no list any more
  return bad;
}

// Removes the bad songs from the list as it is now: by subscript when it did not change since
// they were found, else every song whose path was found bad.
void removeBadSongs(BadSongs bad) {
  if (CurrentPlayListVersion() == bad.version) {
    RemoveSongsAt(std::move(bad.at));
    return;
  }
  std::vector<std::size_t> at;
  const MusicVariables& mv = SharedMusicVariables();
  for (std::size_t i = 0; static_cast<double>(i) <= mv.dblLastIndex() && i < mv.sSongPaths().size();
       ++i) {
    if (bad.paths.contains(mv.sSongPaths()[i]))
      at.push_back(i);
  }
  RemoveSongsAt(std::move(at));
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

bool IsAcceptedFileType(double dblIndex) {
  clsFileManager fm;
  return isAcceptedExtension(fm.GetFileExt(SongPathAt(dblIndex), true));
}

void VerifyPlayList() {
  const double last = SharedMusicVariables().dblLastIndex();
  if (last <= -1) {
    MsgBox(QStringLiteral("No play list loaded, list integrity check failed"));
    return;
  }
  ShowDeterminedProcessing(0, last, false, QStringLiteral("Starting to verify list"));
  BadSongs bad = findBadSongs();
  HideProcessing();
  if (bad.at.empty()) {
    MsgBox(QStringLiteral("All songs in the list were found and should work"));
    return;
  }
  const QString count = QString::number(bad.at.size());
  const MsgResult answer =
      MsgBox(count + QString::fromLatin1(kBadSongsQuestion) + movedSongsHint(bad.missing),
             MsgButtons::YesNo, MsgIcon::Exclamation, QStringLiteral("Remove missing songs?"), 2);
  if (answer != MsgResult::Yes) {
    MsgBox(QStringLiteral("No changes have been made"));
    return;
  }
  ShowProcessing(QStringLiteral("Removing songs..."), true, 1);
  removeBadSongs(std::move(bad));
  HideProcessing();
  MsgBox(count + QStringLiteral(" Songs were removed"));
}

}  // namespace qvt::GlobalMethods
