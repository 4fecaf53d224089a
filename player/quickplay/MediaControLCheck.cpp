#include "player/quickplay/MediaControLCheck.h"

#include "platform/Platform.h"
#include "platform/base/Check.h"
#include "player/update/Paths.h"
#include "player/update/downloader.h"
#include "shared/FileManager.h"
#include "shared/Processor.h"
#include "shared/RecordNotation.h"

namespace qvt::MediaControLCheck {

const QString kOfferText = QStringLiteral(
    "An additional file needs to be downloaded for the quick play to work, do you wish to "
    "download it now?");
const QString kOfferTitle = QStringLiteral("Download dependency for quick play?");
const QString kCriticalError =
    QStringLiteral("A critical error has happened, the update process cannot continue.");

namespace {

void WriteMarker(bool bValue) {
  RecordWriter writer(MarkerPath());
  writer.write({Variant(bValue)});
  writer.commit();
}

// Steps that may fail; false when one did.
bool TryDownload() {
  const QString sURL = Paths::GetMediaControlURL(platform());
  ShowProcessing(QStringLiteral("Establishing Connection..."), true, 0);
  const QString local = programFolder().folder() + QStringLiteral("/MCI32.OCX");
  if (!downloader::DownloadFile(sURL, local))
    return false;
  const QString system =
      ResolveNoCase(clsFileManager().GetSystemDir(), QStringLiteral("MCI32.OCX"));
  if (!files().copyFile(local, system))
    return false;
  WriteMarker(true);
  return true;
}

}  // namespace

QString MarkerPath() {
  return DataFile(QStringLiteral("MediaControlCheck.qvc"));
}

void VerifyMediaControl() {
  clsFileManager fm;
  const QString system = fm.GetSystemDir();
  if (fm.FileExists(ResolveNoCase(system, QStringLiteral("mci32.ocx")))) {
    if (fm.FileExists(MarkerPath()))
      WriteMarker(true);
    return;
  }
  OfferMediaControlDownload();
}

void OfferMediaControlDownload() {
  if (MsgBox(kOfferText, MsgButtons::YesNo, MsgIcon::Critical, kOfferTitle) == MsgResult::Yes) {
    DownloadMediaControl();
    return;
  }
  WriteMarker(false);
}

void DownloadMediaControl() {
  bool ok = false;
  try {
    ok = TryDownload();
  } catch (const RecordError&) {
    LogDropped(lcUpdate());  // the marker could not be written: the critical error below
    ok = false;
  }
  if (!ok) {
    MsgBox(kCriticalError);
    try {
      WriteMarker(false);
    } catch (const RecordError&) {
      LogDropped(
          lcUpdate());  // nothing more can be done; the question comes again at the next start
    }
  }
  HideProcessing();
}

void CheckMediaControl() {
  if (!HasComponentFiles())
    return;
  try {
    if (clsFileManager().FileExists(MarkerPath()))
      RecordReader(MarkerPath()).readBool();
  } catch (const RecordError&) {
    LogDropped(lcUpdate());  // the value is not used; a damaged marker is rewritten by the check
  }
  try {
    VerifyMediaControl();
  } catch (const RecordError&) {
    LogDropped(
        lcUpdate());  // a marker that cannot be written only means the question may come again
  }
}

}  // namespace qvt::MediaControLCheck
