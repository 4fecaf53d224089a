#include "updater/UpdaterProgram.h"

#include <QFile>
#include <QFileInfo>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <optional>
#include <utility>

#include "shared/FileManager.h"
#include "shared/Processor.h"
#include "shared/RunMode.h"
#include "shared/Services.h"
#include "shared/UpdateManifest.h"

namespace qvt {

const QString UpdaterProgram::kProgramName = QStringLiteral("Updater");
const QString UpdaterProgram::kWaitingMessage = QStringLiteral("Waiting for QVT to close");
const QString UpdaterProgram::kFailurePrompt = QStringLiteral(
    "Error, QVT may not be closed, please make sure it is closed before clicking OK, or choose "
    "cancel to cancel the update");
const QString UpdaterProgram::kPlayerName = QStringLiteral("Quavertone");
const QString UpdaterProgram::kNewPlayerName = QStringLiteral("ProgramUpdate.tmp");
const QString UpdaterProgram::kStatusName = QStringLiteral("status.tmp");
const QString UpdaterProgram::kLockName = QStringLiteral("Quavertone.lock");
const QString UpdaterProgram::kStillRunning = QStringLiteral("QVT is still running");
const QString UpdaterProgram::kRefused = QStringLiteral(
    "The update was not installed: the new QVT is not the one its publisher signed. QVT starts "
    "again as it was.");
const QString UpdaterProgram::kNotNewer = QStringLiteral(
    "The update was not installed: it is not a newer version of QVT for this QVT's channel. QVT "
    "starts again as it was.");
const QString UpdaterProgram::kStagingName = QStringLiteral(".Quavertone.new");

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString describe(const std::exception& failure) {
  const QString text = QString::fromUtf8(failure.what());
  return text.isEmpty() ? QStringLiteral("Unknown error") : text;
}

// A file operation's result; its failure described by `otherwise` when the platform gave no
// description.
Result<void> Described(Result<void> done, const QString& otherwise) {
  if (done || !done.error().isEmpty())
    return done;
  return Unexpected{otherwise};
}

// A step that cannot fail except by throwing.
std::function<Result<void>()> always(const std::function<void()>& action) {
  return [action] {
    action();
    return Result<void>();
  };
}

// Writes a file and the program folder's entries through to the disk.
Result<void> SyncWithFolder(const Services& services, const QString& path) {
  IFileSystem& fs = files(services);
  if (!fs.syncToDisk(path) || !fs.syncToDisk(programFolder(services).folder()))
    return Unexpected{QStringLiteral("The new program could not be written to the disk: ") + path};
  return {};
}

// The permission bits the new player gets: those of the player it replaces, who may read it may
// also run it, and its owner always may; 0755 when there is no player yet.
uint32_t NewPlayerMode(const QString& player) {
  std::error_code error;
  const std::filesystem::file_status status =
      std::filesystem::status(QFile::encodeName(player).toStdString(), error);
  if (error || !std::filesystem::exists(status))
    return 0755;
  const auto mode = static_cast<uint32_t>(status.permissions()) & 0777U;
  return mode | 0100U | ((mode & 0444U) >> 2);
}

}  // namespace

UpdaterProgram::UpdaterProgram(const Services& services, UpdateManifest::Trust trust)
    : services_(services), progress_(ProcessorOf(services)), trust_(std::move(trust)) {}

void UpdaterProgram::Start() {
  unhandled_ = nullptr;
  bStillRunning_ = true;
  After(0, [this] { Begin(); });
}

void UpdaterProgram::After(int milliseconds, std::function<void()> state) {
  eventLoop(services_).singleShot(milliseconds, this,
                                  [this, state = std::move(state)] { Run(state); });
}

void UpdaterProgram::Run(const std::function<void()>& state) {
  try {
    state();
  } catch (...) {
    // Qt's event loop lets no exception through: it stops here, kept for whoever runs the loop.
    unhandled_ = std::current_exception();
    Q_EMIT stopped();
  }
}

void UpdaterProgram::Guarded(const std::function<Result<void>()>& step,
                             const std::function<void()>& onCancel) {
  while (const std::optional<QString> error = Attempt(step))
    AskToRetry(*error, onCancel);
}

std::optional<QString> UpdaterProgram::Attempt(const std::function<Result<void>()>& step) {
  try {
    const Result<void> done = step();
    if (done)
      return std::nullopt;
    return done.error();
  } catch (const std::exception& failure) {
    return describe(failure);
  }
}

void UpdaterProgram::AskToRetry(const QString& error, const std::function<void()>& onCancel) {
  const MsgResult answer = MsgBox(services_, kFailurePrompt + kCrLf + error, MsgButtons::OkCancel,
                                  MsgIcon::Exclamation, kProgramName);
  if (answer == MsgResult::Ok)
    return;
  if (onCancel)
    onCancel();
  appControl(services_).endProgram(kExitCancelled);
}

void UpdaterProgram::Begin() {
  Guarded(always([this] { progress_.ShowDetermined(1, 100, true, kWaitingMessage); }));
  Guarded(always([this] {
    bStatusFile_ = clsFileManager(services_).FileExists(DataFile(services_, kStatusName));
  }));
  WaitForPlayer();
}

void UpdaterProgram::WaitForPlayer() {
  // No time limit: the player may stay open as long as the user likes.
  if (PlayerRunning()) {
    StartPoll();
    return;
  }
  Guarded(always([this] { progress_.Hide(); }));
  CountDown(kCountdownFrom);
}

void UpdaterProgram::StartPoll() {
  Guarded(always([this] { progress_.Advance(QString(), 1); }));
  After(kPollMs, [this] { FinishPoll(); });
}

void UpdaterProgram::FinishPoll() {
  if (const std::optional<QString> error = Attempt([this] { return ReadStatus(); })) {
    AskToRetry(*error);
    StartPoll();
    return;
  }
  WaitForPlayer();
}

bool UpdaterProgram::PlayerRunning() {
  // A player that holds the lock says by it whether it runs, even when it was killed before it
  // could say so in the status file. Only a player from before the lock leaves no lock file.
  const QString lock = DataFile(services_, kLockName);
  if (QFileInfo::exists(lock))
    return files(services_).isLocked(lock);
  return bStatusFile_ && bStillRunning_;
}

Result<void> UpdaterProgram::ReadStatus() {
  if (!bStatusFile_)
    return {};
  clsFileManager file(services_);
  if (file.OpenFile(DataFile(services_, kStatusName), 1, true) != 0)
    return {};  // being rewritten or gone for a moment: read it at the next poll
  Result<void> read;
  if (!file.isEOF() && file.ReadNextLine()) {
    const Variant value = file.GetVarFromFile(0, true);
    const QString text = value.isString() ? value.toString() : QString();
    if (text == QLatin1String("#TRUE#"))
      bStillRunning_ = true;
    else if (text == QLatin1String("#FALSE#"))
      bStillRunning_ = false;
    else
      read = Unexpected{QStringLiteral("Type mismatch")};
  }
  file.CloseFile(true);
  return read;
}

void UpdaterProgram::CountDown(int counter) {
  Guarded(always([this] { progress_.Show(QString(), true, 0); }));
  Guarded(always([this, counter] {
    progress_.Advance(kWaitingMessage + kCrLf + QStringLiteral("Waiting ") +
                          QString::number(counter) + QStringLiteral(" seconds"),
                      1);
  }));
  After(kCountdownTickMs, [this, counter] {
    Guarded(always([this] { progress_.Hide(); }));
    if (counter > 0)
      CountDown(counter - 1);
    else
      BeginReplacement();
  });
}

void UpdaterProgram::BeginReplacement() {
  Guarded(always([this] { progress_.Show(QStringLiteral("Beginning Update"), true, 0); }));
  Guarded([this] { return CheckPlayerClosed(); });
  Guarded([this] { return CheckNewPlayer(); });
  Guarded(always([this] { progress_.Advance(QStringLiteral("Replacing files"), 1); }));
  // The window shows its text before the files are copied.
  After(0, [this] { ReplacePlayer(); });
}

void UpdaterProgram::ReplacePlayer() {
  // The old player stays until a complete, executable copy of the new one is renamed over it.
  Guarded([this] { return StageNewPlayer(); });
  // What is checked is the copy that becomes the player, not the file it was copied from.
  if (trust_.HasPublisherKey())
    VerifyNewPlayer();
  // A copy the user gives up on is never used: it goes before the program ends.
  const auto dropCopy = [this] {
    (void)files(services_).removeFile(ProgramFile(services_, kStagingName));  // may be missing
  };
  Guarded([this] { return SyncStagedPlayer(); }, dropCopy);
  Guarded([this] { return RenameOverPlayer(); }, dropCopy);
  Guarded([this] { return SyncPlayer(); });
  Guarded([this] { return RemoveNewPlayerFile(); });
  Guarded(always([this] { progress_.Hide(); }));
  Guarded([this] { return StartPlayer(); });
  appControl(services_).endProgram(kExitStarted);
}

Result<void> UpdaterProgram::CheckPlayerClosed() {
  if (files(services_).isLocked(DataFile(services_, kLockName)))
    return Unexpected{kStillRunning};
  return {};
}

Result<void> UpdaterProgram::CheckNewPlayer() {
  const QString path = ProgramFile(services_, kNewPlayerName);
  if (!clsFileManager(services_).FileExists(path))
    return Unexpected{QStringLiteral("File not found: ") + path};
  if (QFileInfo(path).size() <= 0)
    return Unexpected{QStringLiteral("The new program is empty: ") + path};
  return {};
}

void UpdaterProgram::VerifyNewPlayer() {
  const Result<UpdateManifest::Manifest> manifest =
      UpdateManifest::Open(trust_, ProgramFile(services_, UpdateManifest::kKeptManifest),
                           ProgramFile(services_, UpdateManifest::kKeptSignature));
  if (!manifest)
    Refuse(kRefused, manifest.error());
  const Result<void> signedFile =
      UpdateManifest::CheckFile(*manifest, kNewPlayerName, ProgramFile(services_, kStagingName));
  if (!signedFile)
    Refuse(kRefused, signedFile.error());
  // A signed update left by an update that never finished may be older than the player, or of
  // the other channel: the rules the player applied before it downloaded apply here again.
  const Result<UpdateVersion::VersionNumbers> installed = InstalledVersion();
  Result<void> release = installed ? UpdateVersion::CheckNewer(manifest->sVersion, *installed)
                                   : Result<void>(Unexpected{installed.error()});
  if (release)
    release = UpdateVersion::CheckChannel(manifest->sChannel, RunMode::Channel(services_));
  if (!release)
    Refuse(kNotNewer, release.error());
}

Result<UpdateVersion::VersionNumbers> UpdaterProgram::InstalledVersion() {
  // The installed player says which version it is ("Quavertone 1.33.1"), without a window.
  const Result<QByteArray> said = process(services_).runForOutput(
      ProgramFile(services_, kPlayerName), {QStringLiteral("--version")}, kVersionTimeoutMs);
  const QByteArray prefix = kPlayerName.toUtf8() + ' ';
  const QByteArray line = said ? said->trimmed() : QByteArray();
  const std::optional<UpdateVersion::VersionNumbers> version =
      line.startsWith(prefix)
          ? UpdateVersion::ParseVersion(QString::fromUtf8(line.mid(prefix.size())))
          : std::nullopt;
  if (!version)
    return Unexpected{QStringLiteral("The version of the installed QVT could not be learned.")};
  return *version;
}

void UpdaterProgram::Refuse(const QString& firstLine, const QString& reason) {
  progress_.Hide();
  MsgBox(services_, firstLine + kCrLf + kCrLf + reason, MsgButtons::OkOnly, MsgIcon::Critical,
         kProgramName);
  // The staged copy was never used; it may be missing.
  (void)files(services_).removeFile(ProgramFile(services_, kStagingName));
  RemoveUpdateFiles();
  Guarded([this] { return StartPlayer(); });
  appControl(services_).endProgram(kExitRefused);
  std::abort();  // not reached: the end of the program does not return
}

void UpdaterProgram::RemoveUpdateFiles() {
  // Whatever of them is missing already is what this wants.
  for (const QString& name :
       {kNewPlayerName, UpdateManifest::kKeptManifest, UpdateManifest::kKeptSignature})
    (void)files(services_).removeFile(ProgramFile(services_, name));
}

Result<void> UpdaterProgram::StageNewPlayer() {
  const QString staging = ProgramFile(services_, kStagingName);
  // Whatever has the staging name, left by an interrupted update or put there by anyone, goes:
  // a link is removed, never followed, and the copy below is a file of this program's own.
  (void)files(services_).removeFile(staging);
  const Result<void> staged = [&]() -> Result<void> {
    const Result<void> copied =
        Described(files(services_).copyToNewFile(ProgramFile(services_, kNewPlayerName), staging),
                  QStringLiteral("The new program could not be copied"));
    if (!copied)
      return copied;
    if (!files(services_).setPermissions(staging,
                                         NewPlayerMode(ProgramFile(services_, kPlayerName))))
      return Unexpected{QStringLiteral("Permission denied: ") + staging};
    return {};
  }();
  if (!staged)
    (void)files(services_).removeFile(
        staging);  // a copy that failed is never used; the retry copies anew
  return staged;
}

Result<void> UpdaterProgram::SyncStagedPlayer() {
  // The copy and its name reach the disk before the rename makes it the player.
  return SyncWithFolder(services_, ProgramFile(services_, kStagingName));
}

Result<void> UpdaterProgram::RenameOverPlayer() {
  return Described(files(services_).renameFile(ProgramFile(services_, kStagingName),
                                               ProgramFile(services_, kPlayerName)),
                   QStringLiteral("The player could not be replaced"));
}

Result<void> UpdaterProgram::SyncPlayer() {
  return SyncWithFolder(services_, ProgramFile(services_, kPlayerName));
}

Result<void> UpdaterProgram::RemoveNewPlayerFile() {
  const Result<void> removed =
      Described(files(services_).removeFile(ProgramFile(services_, kNewPlayerName)),
                QStringLiteral("ProgramUpdate.tmp could not be deleted"));
  if (removed)
    RemoveUpdateFiles();  // the signed manifest has served
  return removed;
}

Result<void> UpdaterProgram::StartPlayer() {
  const QString player = ProgramFile(services_, kPlayerName);
  if (!process(services_).startDetached(player, {}))
    return Unexpected{QStringLiteral("The program could not be started: ") + player};
  return {};
}

}  // namespace qvt
