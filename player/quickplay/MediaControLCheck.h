#pragma once
// Makes sure the multimedia button bar's component file is in the system folder where the
// platform has such files, a Windows arrangement. Reached only through
// CheckMediaControl, which returns at once without the component switch
// (Platform::hasComponentFiles, platform/Platform.h): on Linux this code is inert. When it is
// missing the user is offered to download it from the update server; the outcome is kept in the
// marker file "MediaControlCheck.qvc" ("#TRUE#": in place or installed, "#FALSE#": declined or
// failed).

#include <QString>

namespace qvt {
struct Services;
}

namespace qvt::MediaControLCheck {

extern const QString kOfferText;
extern const QString kOfferTitle;
extern const QString kCriticalError;

QString MarkerPath(const Services& services);
// The player window's start-up check: reads the marker file (its value is not used) and runs
// VerifyMediaControl. A marker that cannot be read or written is ignored, so the window's load
// always goes on.
void CheckMediaControl(const Services& services);
// The component present: an existing marker becomes "#TRUE#" (none is created). Missing: the
// offer. Throws RecordError when the marker cannot be written.
void VerifyMediaControl(const Services& services);
// Asks; Yes downloads, No writes "#FALSE#". Throws RecordError when the marker cannot be written.
void OfferMediaControlDownload(const Services& services);
// Downloads the component into the program folder and copies it into the system folder; a
// failure shows kCriticalError and writes "#FALSE#".
void DownloadMediaControl(const Services& services);

}  // namespace qvt::MediaControLCheck
