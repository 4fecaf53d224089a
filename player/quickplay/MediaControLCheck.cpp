#include "player/quickplay/MediaControLCheck.h"

#include "platform/base/Check.h"
#include "player/update/Paths.h"
#include "player/update/downloader.h"
#include "shared/FileManager.h"
#include "shared/Processor.h"
#include "shared/RecordNotation.h"
#include "shared/Services.h"

namespace qvt::MediaControLCheck {

const QString kOfferText = QStringLiteral(
    "An additional file needs to be downloaded for the quick play to work, do you wish to "
    "download it now?");
const QString kOfferTitle = QStringLiteral("Download dependency for quick play?");
const QString kCriticalError =
    QStringLiteral("A critical error has happened, the update process cannot continue.");

namespace {

void WriteMarker(const Services& services, bool bValue) {
  RecordWriter writer(files(services), MarkerPath(services));
  writer.write({Variant(bValue)});
  writer.commit();
}

// Steps that may fail; false when one did.
bool TryDownload(const Services& services, Processor& processor) {
  const QString sURL = Paths::GetMediaControlURL(services);
  processor.Show(QStringLiteral("Establishing Connection..."), true, 0);
  const QString local = programFolder(services).folder() + QStringLiteral("/MCI32.OCX");
  if (!downloader::DownloadFile(services, sURL, local))
    return false;
  IFileSystem& fs = files(services);
  const QString system =
      ResolveNoCase(fs, clsFileManager(services).GetSystemDir(), QStringLiteral("MCI32.OCX"));
  if (!fs.copyFile(local, system))
    return false;
  WriteMarker(services, true);
  return true;
}

}  // namespace

QString MarkerPath(const Services& services) {
  return DataFile(services, QStringLiteral("MediaControlCheck.qvc"));
}

void VerifyMediaControl(const Services& services) {
  clsFileManager fm(services);
  const QString system = fm.GetSystemDir();
  if (fm.FileExists(ResolveNoCase(files(services), system, QStringLiteral("mci32.ocx")))) {
    if (fm.FileExists(MarkerPath(services)))
      WriteMarker(services, true);
    return;
  }
  OfferMediaControlDownload(services);
}

void OfferMediaControlDownload(const Services& services) {
  if (MsgBox(services, kOfferText, MsgButtons::YesNo, MsgIcon::Critical, kOfferTitle) ==
      MsgResult::Yes) {
    DownloadMediaControl(services);
    return;
  }
  WriteMarker(services, false);
}

void DownloadMediaControl(const Services& services) {
  Processor processor = ProcessorOf(services);
  bool ok = false;
  try {
    ok = TryDownload(services, processor);
  } catch (const RecordError&) {
    LogDropped(lcUpdate());  // the marker could not be written: the critical error below
    ok = false;
  }
  if (!ok) {
    MsgBox(services, kCriticalError);
    try {
      WriteMarker(services, false);
    } catch (const RecordError&) {
      LogDropped(
          lcUpdate());  // nothing more can be done; the question comes again at the next start
    }
  }
  processor.Hide();
}

void CheckMediaControl(const Services& services) {
  if (!services.hasComponentFiles)
    return;
  try {
    if (clsFileManager(services).FileExists(MarkerPath(services)))
      RecordReader(files(services), MarkerPath(services)).readBool();
  } catch (const RecordError&) {
    LogDropped(lcUpdate());  // the value is not used; a damaged marker is rewritten by the check
  }
  try {
    VerifyMediaControl(services);
  } catch (const RecordError&) {
    LogDropped(
        lcUpdate());  // a marker that cannot be written only means the question may come again
  }
}

}  // namespace qvt::MediaControLCheck
