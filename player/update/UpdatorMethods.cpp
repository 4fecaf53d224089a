#include "player/update/UpdatorMethods.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include "platform/base/Check.h"
#include "player/startup/MusicVariables.h"
#include "player/update/Paths.h"
#include "player/update/ServerStatement.h"
#include "player/update/Tracker.h"
#include "player/update/Updator.h"
#include "player/update/downloader.h"
#include "player/version/ProgramVersion.h"
#include "shared/Processor.h"
#include "shared/RecordNotation.h"
#include "shared/Services.h"
#include "shared/UpdateManifest.h"

namespace qvt::UpdatorMethods {

const QString kMajorReleaseMessage = QStringLiteral(
    "There is a new major release available, please visit Halcyra for the newest version");
const QString kMakerSite = QStringLiteral(QVT_UPDATE_BASE_URL "/");
const QString kCheckFailed = QStringLiteral("Failed to check for updates");
const QString kNoDescription = QStringLiteral("No description found");
const QString kConfirmText =
    QStringLiteral("Updating will close QVT, are you sure you wish to continue?");
const QString kCannotInstallHere = QStringLiteral(
    "QVT is installed for all users in a folder you cannot change, so it cannot update itself. "
    "Please install updates with your system's package manager.");
const QString kCannotVerifyUpdates = QStringLiteral(
    "This build of QVT was made without its publisher's key, so it cannot verify updates and "
    "does not install them. New versions of QVT are published at " QVT_UPDATE_BASE_URL "/");

namespace {

const QString kCrLf = QStringLiteral("\r\n");

// The first `count` lines of a file (ended by CR LF, LF or CR), fewer when it has fewer.
QStringList ReadLines(const QString& sPath, int count) {
  QFile file(sPath);
  QStringList lines;
  if (!file.open(QIODevice::ReadOnly))
    return lines;
  const QString text = QString::fromUtf8(file.readAll());
  qsizetype start = 0;
  while (lines.size() < count && start < text.size()) {
    qsizetype end = start;
    while (end < text.size() && text[end] != QLatin1Char('\r') && text[end] != QLatin1Char('\n'))
      ++end;
    lines << text.mid(start, end - start);
    if (end < text.size() && text[end] == QLatin1Char('\r'))
      ++end;
    if (end < text.size() && text[end] == QLatin1Char('\n'))
      ++end;
    start = end;
  }
  return lines;
}

void ShowOutcome(const Services& services, IUpdateView& view, const VersionNumbers& announced,
                 bool bAnnounceMajor) {
  switch (CompareVersion(announced)) {
    case VersionOutcome::MajorRelease:
      if (bAnnounceMajor)
        MsgBox(services, kMajorReleaseMessage + kCrLf + kMakerSite);
      view.SetStatusCaption(QStringLiteral("You should redownload the installer"));
      break;
    case VersionOutcome::NewerVersion:
      view.ShowUpdateButtons();
      view.SetLatestVersionCaption(VersionText(announced));
      view.SetStatusCaption(QStringLiteral("There is a newer version available"));
      break;
    case VersionOutcome::UpToDate:
      if (bAnnounceMajor) {
        view.SetLatestVersionCaption(VersionText(announced));
        view.SetStatusCaption(QStringLiteral("You are up-to-date"));
      }
      break;
  }
}

}  // namespace

VersionNumbers RunningVersion() {
  const ProgramVersionNumbers version = ProgramVersion();
  return {version.major, version.minor, version.revision};
}

VersionOutcome CompareVersion(const VersionNumbers& announced, const VersionNumbers& running) {
  if (announced.major > running.major)
    return VersionOutcome::MajorRelease;
  if (IsNewer(announced, running))
    return VersionOutcome::NewerVersion;
  return VersionOutcome::UpToDate;
}

QString CurrentVersionPath(const Services& services) {
  return DataFile(services, QStringLiteral("CurrentVersion.qvs"));
}

VersionNumbers ReadVersionFile(IFileSystem& fs, const QString& sPath) {
  RecordReader reader(fs, sPath);
  VersionNumbers version;
  version.major = reader.readInt16();
  version.minor = reader.readInt16();
  version.revision = reader.readInt16();
  return version;
}

void CheckForUpdates(const Services& services, const UpdateManifest::Trust& trust,
                     IUpdateView& view) {
  Processor processor = ProcessorOf(services);
  processor.Show(QStringLiteral("Establishing Connection...."), true, 20);
  const QString path = CurrentVersionPath(services);
  const QString url = Paths::GetVersionFileURL(services);
  (void)files(services).removeFile(path);  // may be missing; the download below writes it anew
  try {
    if (!downloader::DownloadFile(services, url, path, kMostVersionFileBytes))
      throw RecordError(RecordError::FileNotFound,
                        QStringLiteral("The version file could not be downloaded"));
    processor.Update(QStringLiteral("Comparing versions..."));
    const VersionNumbers announced = ReadVersionFile(files(services), path);
    const Result<void> verified = trust.HasPublisherKey()
                                      ? ServerStatement::Verify(services, trust, url, announced)
                                      : Result<void>();
    if (verified) {
      ShowOutcome(services, view, announced, true);
    } else {
      (void)files(services).removeFile(path);  // an answer not vouched for is not kept
      MsgBox(services, ServerStatement::kNotVerified + kCrLf + kCrLf + verified.error());
    }
  } catch (const RecordError& failure) {
    MsgBox(services,
           kCheckFailed + kCrLf + kCrLf + QStringLiteral("~~~~~") + kCrLf + failure.description());
  }
  processor.Hide();
}

void ShowStoredCheckResult(const Services& services, IUpdateView& view) {
  const QString path = CurrentVersionPath(services);
  if (!PlainFileExists(files(services), path))
    return;  // no check has been kept yet: the labels stay as they are
  try {
    ShowOutcome(services, view, ReadVersionFile(files(services), path), false);
  } catch (const RecordError&) {
    LogDropped(lcUpdate());  // an unreadable kept check: the labels stay as they are
  }
}

QString GetNewVersionInfo(const Services& services, QString& sVersion) {
  const QStringList lines = ReadLines(CurrentVersionPath(services), 2);
  if (!lines.isEmpty())
    sVersion = lines.at(0);
  if (lines.size() < 2)
    return kNoDescription;
  sVersion.replace(QLatin1Char(','), QLatin1Char('.'));
  return lines.at(1);
}

bool CanVerifyUpdates(const UpdateManifest::Trust& trust) {
  return trust.HasPublisherKey() || trust.bAllowUnsigned;
}

bool CanInstallUpdates(const Services& services) {
  IProgramFolder& folder = programFolder(services);
  return QDir::cleanPath(folder.dataFolder()) == QDir::cleanPath(folder.folder());
}

void HaltPlayback(MusicVariables& mv, const PlayerHooks& hooks) {
  mv.bPlaying = false;
  if (hooks.StopPlayer)
    hooks.StopPlayer();
  mv.bResumeFromPosition = false;
}

namespace {

// Says why no update can be installed here, when none can; true then.
bool RefusedHere(const Services& services, const UpdateManifest::Trust& trust) {
  if (!CanInstallUpdates(services)) {
    MsgBox(services, kCannotInstallHere);
    return true;
  }
  if (!CanVerifyUpdates(trust)) {
    MsgBox(services, kCannotVerifyUpdates);
    return true;
  }
  return false;
}

}  // namespace

void StartUpdate(const Services& services, const UpdateManifest::Trust& trust,
                 const PlayerHooks& hooks) {
  if (RefusedHere(services, trust))
    return;
  if (!Updator::BeginUpdate(services, trust, Paths::GetFileListURL(services)))
    return;
  if (hooks.ClosePlayer) {
    hooks.ClosePlayer();
    return;
  }
  // Without the window's close path, at least let the updater go on.
  Tracker::SetStatusClosed(services);
  appControl(services).endProgram(0);
}

void InstallUpdates(const Services& services, const UpdateManifest::Trust& trust,
                    MusicVariables& mv, const PlayerHooks& hooks) {
  if (RefusedHere(services, trust))
    return;
  const MsgResult answer = MsgBox(services, kConfirmText, MsgButtons::YesNo, MsgIcon::Information,
                                  QStringLiteral("Update Now?"), 2);
  if (answer != MsgResult::Yes)
    return;
  HaltPlayback(mv, hooks);
  StartUpdate(services, trust, hooks);
}

}  // namespace qvt::UpdatorMethods
