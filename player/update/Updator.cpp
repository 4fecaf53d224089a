#include "player/update/Updator.h"

#include <QDir>
#include <algorithm>

#include "platform/base/Check.h"
#include "player/update/SignedUpdate.h"
#include "player/update/UpdatorMethods.h"
#include "player/update/downloader.h"
#include "shared/Processor.h"
#include "shared/RecordNotation.h"
#include "shared/Services.h"
#include "shared/UpdateManifest.h"

namespace qvt::Updator {

const QString kListName = QStringLiteral("TempUpdateList.tmp");
const QString kNewPlayerName = QStringLiteral("ProgramUpdate.tmp");
const QString kUpdateStopped = QStringLiteral("The update could not be completed. QVT stays open.");

namespace {

const QString kCrLf = QStringLiteral("\r\n");

struct Staged {
  QString sName;  // as listed
  QString staging;
  QString target;
  bool bEssential;  // the updater and the new player: the update stops without them
  bool bExecutable;
  crypto::FileDigest digest;  // of the bytes the download wrote into the staging file
};

// The folder part of a path and its last name, taken from the text alone.
QString FolderOf(const QString& path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  if (slash < 0)
    return QStringLiteral(".");
  return slash == 0 ? QStringLiteral("/") : path.left(slash);
}
QString NameOf(const QString& path) {
  return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

// A path beside `target` named after it: "." and its name, then `suffix`.
QString HiddenBeside(const QString& target, const QString& suffix) {
  return FolderOf(target) + QStringLiteral("/.") + NameOf(target) + suffix;
}

QByteArray WithoutTrailingBlanks(QByteArray data) {
  while (!data.isEmpty() && QByteArrayView(" \t\r\n").contains(data.back()))
    data.chop(1);
  return data;
}

FileRecord ReadRecord(RecordReader& reader) {
  FileRecord record;
  record.sName = reader.readText().replace(QLatin1Char('\\'), QLatin1Char('/'));
  record.sURL = reader.readText();
  return record;
}

// Ends a stopped update with its message; one the user stopped ends without a word.
bool Stop(const Services& services, const QString& reason) {
  ProcessorOf(services).Hide();
  if (reason != SignedUpdate::kCancelledReason)
    MsgBox(services, kUpdateStopped + kCrLf + kCrLf + reason);
  return false;
}

void Discard(IFileSystem& fs, const std::vector<Staged>& staged) {
  // The staging files put in place are gone already; one left behind is overwritten by the next
  // update's download.
  for (const Staged& file : staged)
    (void)fs.removeFile(file.staging);
}

// Fetches one record to its staging file, at most maxBytes of it; fails with the reason.
Result<void> Fetch(const Services& services, const FileRecord& record, bool bEssential,
                   qint64 maxBytes, std::vector<Staged>& staged) {
  ProcessorOf(services).Update(QStringLiteral("Establishing Connection..."));
  const QString target = TargetPath(services, record.sName);
  const QString staging = StagingPath(target);
  // Whatever has the staging name (a link included, which is removed, never followed) goes; the
  // download creates the staging file anew and fails when anything has taken the name again.
  (void)files(services).removeFile(staging);
  const downloader::NewFile fetched =
      downloader::DownloadNewFile(services, record.sURL, staging, maxBytes);
  ProcessorOf(services).Update(QStringLiteral("Completed"));
  if (fetched.outcome == downloader::Outcome::Cancelled)
    return Unexpected{SignedUpdate::kCancelledReason};
  if (fetched.outcome == downloader::Outcome::Failed)
    return Unexpected{record.sName + QStringLiteral(" could not be downloaded.")};
  staged.push_back({record.sName, staging, target, bEssential, bEssential, fetched.digest});
  return {};
}

// Where a file that an update replaces waits until the whole update is in place.
QString AsidePath(const QString& target) {
  return HiddenBeside(target, QStringLiteral(".qvtold"));
}

// Takes back the files put in place, newest first: each old file returns, a new one goes.
void Restore(IFileSystem& fs, const std::vector<std::pair<const Staged*, bool>>& placed) {
  for (auto it = placed.rbegin(); it != placed.rend(); ++it) {
    const auto& [file, bHadOld] = *it;
    const Result<void> restored = bHadOld ? fs.renameFile(AsidePath(file->target), file->target)
                                          : fs.removeFile(file->target);
    QVT_CHECK(lcUpdate(), restored,
              restored.error());  // the update stops with its own reason either way
  }
}

// Puts the staged files in place, the essential ones first, all or nothing: a file an update
// replaces is moved aside first, and when any file cannot be put in place, every file put in
// place before it is taken back. Fails with the reason.
Result<void> PutInPlace(IFileSystem& fs, std::vector<Staged>& staged) {
  std::stable_partition(staged.begin(), staged.end(), [](const Staged& s) { return s.bEssential; });
  for (const Staged& file : staged) {
    if (file.bExecutable && !fs.setExecutable(file.staging))
      return Unexpected{NameOf(file.target) + QStringLiteral(" could not be made executable.")};
  }
  std::vector<std::pair<const Staged*, bool>> placed;  // with whether an old file was moved aside
  for (const Staged& file : staged) {
    const bool bHadOld = fs.attributes(file.target).has_value();
    if ((bHadOld && !fs.renameFile(file.target, AsidePath(file.target))) ||
        !fs.renameFile(file.staging, file.target)) {
      if (bHadOld && !fs.attributes(file.target)) {
        const Result<void> restored = fs.renameFile(AsidePath(file.target), file.target);
        QVT_CHECK(lcUpdate(), restored,
                  restored.error());  // the update stops with its own reason either way
      }
      Restore(fs, placed);
      return Unexpected{NameOf(file.target) + QStringLiteral(" could not be put in place.")};
    }
    placed.emplace_back(&file, bHadOld);
  }
  for (const auto& [file, bHadOld] : placed) {
    // An old file left aside is hidden, and the next update moves its own old file over it.
    if (bHadOld)
      (void)fs.removeFile(AsidePath(file->target));
  }
  return {};
}

// Fetches every file of the list, the updater last. With a manifest every file is required
// and none may be longer than it was signed; without one, a file that does not arrive stops
// the update only when it is the new player or the updater.
Result<void> FetchAll(const Services& services, const FileList& list,
                      const UpdateManifest::Manifest* manifest, std::vector<Staged>& staged) {
  const auto most = [manifest](const FileRecord& record) {
    const UpdateManifest::Entry* entry = manifest ? manifest->find(record.sName) : nullptr;
    return entry ? entry->size : downloader::kMostFileBytes;
  };
  for (const FileRecord& record : list.files) {
    const bool bEssential = UpdateManifest::SameName(record.sName, kNewPlayerName);
    const Result<void> fetched = Fetch(services, record, bEssential, most(record), staged);
    const bool bCancelled = !fetched && fetched.error() == SignedUpdate::kCancelledReason;
    if (!fetched && (bEssential || manifest != nullptr || bCancelled))
      return fetched;
  }
  return Fetch(services, list.updater, true, most(list.updater), staged);
}

QStringList OtherNames(const FileList& list) {
  QStringList names;
  for (const FileRecord& record : list.files)
    names << record.sName;
  return names;
}

// Fetches the files of the list, checks them against the signed manifest when the trust has
// the publisher's key, and puts them in place. Fails with the reason.
Result<void> Install(const Services& services, const UpdateManifest::Trust& trust,
                     const FileList& list, const QString& sFileListURL,
                     std::vector<Staged>& staged) {
  std::optional<UpdateManifest::Manifest> manifest;
  if (trust.HasPublisherKey()) {
    Result<UpdateManifest::Manifest> signedManifest =
        SignedUpdate::Fetch(services, trust, sFileListURL, list.updater.sName, OtherNames(list));
    if (!signedManifest)
      return Unexpected{signedManifest.error()};
    manifest = std::move(signedManifest).value();
  }
  const Result<void> fetched = FetchAll(services, list, manifest ? &*manifest : nullptr, staged);
  if (!fetched)
    return fetched;
  // What is checked is what the download wrote into the file it created, not what a name
  // leads to afterwards.
  for (const Staged& file : staged) {
    const Result<void> checked =
        manifest ? UpdateManifest::CheckDigest(*manifest, file.sName, file.digest) : Result<void>();
    if (!checked)
      return checked;
  }
  return PutInPlace(files(services), staged);
}

// Whether the list names a file twice ("" and "/" alike, letters of any case); fails with
// the name.
Result<void> CheckDistinct(const FileList& list) {
  QStringList seen{list.updater.sName};
  for (const FileRecord& record : list.files) {
    for (const QString& name : seen) {
      if (UpdateManifest::SameName(name, record.sName))
        return Unexpected{QStringLiteral("The list of files names \"") + record.sName +
                          QStringLiteral("\" twice.")};
    }
    seen << record.sName;
  }
  return {};
}

}  // namespace

Result<void> CheckName(const QString& sName) {
  const QString name = QString(sName).replace(QLatin1Char('\\'), QLatin1Char('/'));
  if (name.trimmed().isEmpty())
    return Unexpected{QStringLiteral("The list of files holds an empty file name.")};
  // "." (or "./") names the program folder itself, not a file in it.
  if (name.startsWith(QLatin1Char('/')) || name.contains(QLatin1String("..")) ||
      QDir::cleanPath(name) == QLatin1String("."))
    return Unexpected{
        QStringLiteral("The list of files names a file outside the program folder: \"") + sName +
        QStringLiteral("\"")};
  return {};
}

QString TargetPath(const Services& services, const QString& sName) {
  if (sName.contains(QLatin1Char('/')))
    return programFolder(services).folder() + QLatin1Char('/') + sName;
  return ProgramFile(services, sName);
}

QString StagingPath(const QString& target) {
  return HiddenBeside(target, QStringLiteral(".qvtupdate"));
}

Result<FileList> ReadFileList(IFileSystem& fs, const QString& sPath) {
  const Result<QByteArray> bytes = ReadWholeFile(fs, sPath);
  if (!bytes)
    return Unexpected{QStringLiteral("The list of files could not be read.")};
  return ParseFileList(*bytes);
}

Result<FileList> ParseFileList(const QByteArray& bytes) {
  RecordReader reader = RecordReader::fromBytes(WithoutTrailingBlanks(bytes));
  FileList list;
  try {
    list.updater = ReadRecord(reader);
    while (!reader.atEnd())
      list.files.push_back(ReadRecord(reader));
  } catch (const RecordError&) {
    return Unexpected{QStringLiteral("The list of files is damaged: a record lacks its address.")};
  }
  Result<void> named = CheckName(list.updater.sName);
  for (size_t i = 0; named && i < list.files.size(); ++i)
    named = CheckName(list.files[i].sName);
  if (named)
    named = CheckDistinct(list);
  if (!named)
    return Unexpected{named.error()};
  return list;
}

bool BeginUpdate(const Services& services, const UpdateManifest::Trust& trust,
                 QString sFileListURL) {
  IFileSystem& fs = files(services);
  // Nothing unsigned is fetched, let alone run, by a build that cannot verify it.
  if (!UpdatorMethods::CanVerifyUpdates(trust))
    return Stop(services, UpdatorMethods::kCannotVerifyUpdates);
  ProcessorOf(services).ShowDetermined(0, 20, true,
                                       QStringLiteral("Beginning Download of file list"));
  const QString listPath = ProgramFile(services, kListName);
  // A list left by an earlier attempt is never read: the download replaces it or the update stops.
  (void)fs.removeFile(listPath);
  const downloader::Outcome listed =
      downloader::DownloadNewFile(services, sFileListURL, listPath, kMostFileListBytes).outcome;
  if (listed != downloader::Outcome::Done)
    return Stop(services, listed == downloader::Outcome::Cancelled
                              ? SignedUpdate::kCancelledReason
                              : QStringLiteral("The list of files could not be downloaded."));
  const Result<FileList> list = ReadFileList(fs, listPath);
  if (!list) {
    (void)fs.removeFile(listPath);  // the next attempt removes it first
    return Stop(services, list.error());
  }
  std::vector<Staged> staged;
  const Result<void> installed = Install(services, trust, *list, sFileListURL, staged);
  Discard(fs, staged);            // what was not put in place
  (void)fs.removeFile(listPath);  // the next attempt removes it first
  if (!installed) {
    SignedUpdate::Discard(services);
    return Stop(services, installed.error());
  }
  ProcessorOf(services).Hide();
  const QString updater = TargetPath(services, list->updater.sName);
  if (!process(services).startDetached(updater, {})) {
    SignedUpdate::Discard(services);
    return Stop(services, QStringLiteral("The updater could not be started: ") + updater);
  }
  return true;
}

}  // namespace qvt::Updator
