#pragma once
// DownloadFile: the only network operation of the player. It fetches one address over HTTP
// (platform/Http.h) and stores the body in one local file, block by block, reporting progress
// through UpdateProcessing on the window the caller has shown: "Downloading...", then after
// every block of 4096 bytes the total so far, "4096 Bytes Downloaded...", "8192 Bytes
// Downloaded...", ..., the last block giving the exact size.
//
// The body is written to a temporary file in the same folder and renamed over sSaveAs only
// after a complete transfer of a successful answer (2xx). Everything else is a failed download:
// an empty address or path, no session, an address that cannot be reached, an error status,
// a transfer that breaks or stalls, a file that cannot be written. A failure shows
// kDownloadFailed and leaves an older file of that name exactly as it was.
//
// Every handle obtained is released and the file closed before it returns, on every path.

#include <QString>

namespace qvt::downloader {

extern const QString kDownloadFailed;

// True when the file is in place. Callers may also just look at the file, but an older file of
// the same name survives a failure, so the result is the reliable answer.
bool DownloadFile(QString sURL, QString sSaveAs);

}  // namespace qvt::downloader
