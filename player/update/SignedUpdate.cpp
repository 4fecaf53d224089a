#include "player/update/SignedUpdate.h"

#include "player/update/Paths.h"
#include "player/update/UpdatorMethods.h"
#include "player/update/downloader.h"
#include "shared/Processor.h"
#include "shared/RecordNotation.h"
#include "shared/Services.h"
#include "shared/UpdateVersion.h"

namespace qvt::SignedUpdate {

const QString kCancelledReason = QStringLiteral("The download was cancelled.");

namespace {

using UpdateManifest::Role;

// Fetches one file of the update; fails with `failure`, or kCancelledReason.
Result<void> Download(const Services& services, const QString& sURL, const QString& sPath,
                      qint64 maxBytes, const QString& failure) {
  ProcessorOf(services).Update(QStringLiteral("Establishing Connection..."));
  // Discard() removed any file of the name: the download creates its own, never through a link.
  const downloader::Outcome outcome =
      downloader::DownloadNewFile(services, sURL, sPath, maxBytes).outcome;
  ProcessorOf(services).Update(QStringLiteral("Completed"));
  if (outcome == downloader::Outcome::Cancelled)
    return Unexpected{kCancelledReason};
  if (outcome == downloader::Outcome::Failed)
    return Unexpected{failure};
  return {};
}

// The announced version of the last check, as text; fails when it is not known.
Result<QString> AnnouncedVersion(const Services& services) {
  try {
    return UpdateVersion::NumbersText(UpdatorMethods::ReadVersionFile(
        files(services), UpdatorMethods::CurrentVersionPath(services)));
  } catch (const RecordError&) {
    return Unexpected{QStringLiteral("The version of the update is not known.")};
  }
}

}  // namespace

Result<void> CheckVersion(const Services& services, const UpdateManifest::Manifest& manifest) {
  const Result<void> newer =
      UpdateVersion::CheckNewer(manifest.sVersion, UpdatorMethods::RunningVersion());
  if (!newer)
    return newer;
  const Result<QString> announced = AnnouncedVersion(services);
  if (!announced)
    return Unexpected{announced.error()};
  if (manifest.sVersion != *announced)
    return Unexpected{QStringLiteral("The signed update is for version ") + manifest.sVersion +
                      QStringLiteral(", not the version announced, ") + *announced +
                      QLatin1Char('.')};
  return {};
}

Result<void> CheckRoles(const UpdateManifest::Manifest& manifest, const QString& sUpdaterName,
                        const QStringList& otherNames) {
  const QStringList names = QStringList{sUpdaterName} + otherNames;
  for (qsizetype i = 0; i < names.size(); ++i) {
    const UpdateManifest::Entry* entry = manifest.find(names[i]);
    if (entry == nullptr)
      return Unexpected{names[i] + QStringLiteral(" is not part of the signed update.")};
    if ((entry->role == Role::Updater) != (i == 0))
      return Unexpected{
          QStringLiteral("The list of files does not name first the Updater the "
                         "publisher signed, and only it.")};
  }
  // The names are distinct (the list refuses a name twice), so equal counts mean equal sets.
  if (static_cast<size_t>(names.size()) != manifest.entries.size())
    return Unexpected{QStringLiteral("The list of files lacks files of the signed update.")};
  return {};
}

Result<UpdateManifest::Manifest> Fetch(const Services& services, const UpdateManifest::Trust& trust,
                                       const QString& sFileListURL, const QString& sUpdaterName,
                                       const QStringList& otherNames) {
  const QString folder = sFileListURL.left(sFileListURL.lastIndexOf(QLatin1Char('/')) + 1);
  const QString manifestPath = ProgramFile(services, UpdateManifest::kKeptManifest);
  const QString signaturePath = ProgramFile(services, UpdateManifest::kKeptSignature);
  Discard(services);  // files left by an earlier attempt must not be used
  Result<void> fetched =
      Download(services, folder + UpdateManifest::kManifestName, manifestPath,
               UpdateManifest::kMostManifestBytes,
               QStringLiteral("The update's signed manifest could not be downloaded."));
  if (fetched)
    fetched = Download(services, folder + UpdateManifest::kSignatureName, signaturePath,
                       UpdateManifest::kMostSignatureBytes,
                       QStringLiteral("The update's signature could not be downloaded."));
  if (!fetched)
    return Unexpected{fetched.error()};
  Result<UpdateManifest::Manifest> manifest =
      UpdateManifest::Open(trust, manifestPath, signaturePath);
  if (!manifest)
    return manifest;
  Result<void> checked = CheckVersion(services, *manifest);
  if (checked)
    checked = UpdateVersion::CheckChannel(manifest->sChannel, Paths::GetRunMode(services));
  if (checked)
    checked = CheckRoles(*manifest, sUpdaterName, otherNames);
  if (!checked)
    return Unexpected{checked.error()};
  return manifest;
}

void Discard(const Services& services) {
  // Whatever of them is missing already is what this wants.
  (void)files(services).removeFile(ProgramFile(services, UpdateManifest::kKeptManifest));
  (void)files(services).removeFile(ProgramFile(services, UpdateManifest::kKeptSignature));
}

}  // namespace qvt::SignedUpdate
