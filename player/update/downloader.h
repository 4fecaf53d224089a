#pragma once
// DownloadFile: the only network operation of the player. It fetches one address over HTTP
// (platform/Http.h) and stores the body in one local file, block by block, on a thread of its
// own (player/update/DownloadTransfer.h), while the calling window thread waits in a local event
// loop, so that the windows keep answering. Progress goes to the window the caller has shown
// through UpdateProcessing: "Downloading..." once the file is open, then at most once a screen
// frame the total written so far, "4096 Bytes Downloaded...", ..., the last text giving the
// exact size. Every frame is one pass of the window events, with a text or without.
//
// The body is written to a temporary file in the same folder and renamed over sSaveAs only
// after a complete transfer of a successful answer (2xx). Everything else is a failed download:
// an empty address or path, no session, an address that cannot be reached, an error status,
// a transfer that breaks or stalls, a body longer than the most bytes the caller allows (it
// ends at the first byte over), a file that cannot be written. A failure shows
// kDownloadFailed and leaves an older file of that name exactly as it was.
//
// The user can stop a download by closing its progress window or pressing Escape in it
// (shared/Processor.h): the transfer ends at once, without a message, and the older file stays
// as it was. So does a download whose wait ends otherwise (an exception out of a pass of the
// window events, a program that ends).
//
// Every handle obtained is released, the file closed and the thread joined before it returns,
// on every path.
//
// DownloadNewFile stages a file of an update under a name of its own: it creates the file
// itself, before the request is made, where nothing may have that name (a symbolic link is
// never followed: the download fails), writes the body into it in place and answers the size
// and SHA-256 of the bytes it wrote. A failed or cancelled download removes the file again.

#include <QString>

#include "platform/crypto/Signature.h"

namespace qvt {
struct Services;
}

namespace qvt::downloader {

extern const QString kDownloadFailed;

// The most bytes of any one download: what an update that is not signed may bring.
constexpr qint64 kMostFileBytes = qint64{512} * 1024 * 1024;

enum class Outcome { Done, Failed, Cancelled };

// Fetches sURL into sSaveAs, at most maxBytes of body, through the HTTP binding, progress windows
// and dialogs of the services handed in; says so when it failed.
Outcome Download(const Services& services, const QString& sURL, const QString& sSaveAs,
                 qint64 maxBytes);

struct NewFile {
  Outcome outcome = Outcome::Failed;
  crypto::FileDigest digest;  // of the bytes written, when Done
};

// Fetches sURL into a file it creates at sNewFile, at most maxBytes of body; says so when it
// failed, as Download does.
NewFile DownloadNewFile(const Services& services, const QString& sURL, const QString& sNewFile,
                        qint64 maxBytes);

// True when the file is in place. Callers may also just look at the file, but an older file of
// the same name survives a failure, so the result is the reliable answer.
bool DownloadFile(const Services& services, QString sURL, QString sSaveAs,
                  qint64 maxBytes = kMostFileBytes);

}  // namespace qvt::downloader
