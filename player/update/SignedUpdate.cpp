#include "player/update/SignedUpdate.h"

#include "platform/Platform.h"
#include "player/update/UpdatorMethods.h"
#include "player/update/downloader.h"
#include "shared/Processor.h"
#include "shared/RecordNotation.h"

namespace qvt::SignedUpdate {

namespace {

bool Download(const QString& sURL, const QString& sPath) {
  UpdateProcessing(QStringLiteral("Establishing Connection..."));
  const bool ok = downloader::DownloadFile(sURL, sPath);
  UpdateProcessing(QStringLiteral("Completed"));
  return ok;
}

// Succeeds when the manifest is of the version the last check announced and newer than this one.
Result<void> CheckVersion(const UpdateManifest::Manifest& manifest) {
  using namespace UpdatorMethods;
  try {
    const VersionNumbers announced = ReadVersionFile(CurrentVersionPath());
    const QString expected = QStringLiteral("%1.%2.%3")
                                 .arg(announced.major)
                                 .arg(announced.minor)
                                 .arg(announced.revision);
    if (manifest.sVersion != expected || CompareVersion(announced) != VersionOutcome::NewerVersion)
      return Unexpected{QStringLiteral("The signed update is for version ") + manifest.sVersion +
                        QStringLiteral(", not the version announced, ") + expected +
                        QLatin1Char('.')};
  } catch (const RecordError&) {
    return Unexpected{QStringLiteral("The version of the update is not known.")};
  }
  return {};
}

}  // namespace

Result<UpdateManifest::Manifest> Fetch(const QString& sFileListURL, const QStringList& names) {
  const QString folder = sFileListURL.left(sFileListURL.lastIndexOf(QLatin1Char('/')) + 1);
  const QString manifestPath = ProgramFile(UpdateManifest::kKeptManifest);
  const QString signaturePath = ProgramFile(UpdateManifest::kKeptSignature);
  Discard();  // files left by an earlier attempt must not be used
  if (!Download(folder + UpdateManifest::kManifestName, manifestPath)) {
    return Unexpected{QStringLiteral("The update's signed manifest could not be downloaded.")};
  }
  if (!Download(folder + UpdateManifest::kSignatureName, signaturePath)) {
    return Unexpected{QStringLiteral("The update's signature could not be downloaded.")};
  }
  Result<UpdateManifest::Manifest> manifest = UpdateManifest::Open(manifestPath, signaturePath);
  if (!manifest)
    return manifest;
  if (const Result<void> version = CheckVersion(*manifest); !version)
    return Unexpected{version.error()};
  for (const QString& name : names) {
    if (manifest->find(name) == nullptr)
      return Unexpected{name + QStringLiteral(" is not part of the signed update.")};
  }
  return manifest;
}

void Discard() {
  // Whatever of them is missing already is what this wants.
  (void)files().removeFile(ProgramFile(UpdateManifest::kKeptManifest));
  (void)files().removeFile(ProgramFile(UpdateManifest::kKeptSignature));
}

}  // namespace qvt::SignedUpdate
