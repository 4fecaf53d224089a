#pragma once
// One download's transfer, run on a thread of its own (player/update/downloader.cpp starts it
// and waits for it): opens the session and the address, streams the body block by block into an
// AtomicFile and commits the file after a complete transfer of a successful answer (2xx), then
// releases every handle and the file, on every path. A file of the download's own
// (AtomicFile::kCreateNew) is created before the session is opened, so that nothing can take its
// name while the server answers. The size and SHA-256 of the bytes written are taken as they
// are written.
//
// The transfer owns what it works with: copies of the address, the path and the agent, the HTTP
// binding, its handles and its file, all taken on the window thread before the thread starts.
// The window thread reads only how many bytes have arrived, and may cancel the transfer at any
// time; each method below says from which thread it is called.

#include <QCryptographicHash>
#include <QString>
#include <atomic>
#include <memory>

#include "platform/FileSystem.h"
#include "platform/Http.h"
#include "platform/crypto/Signature.h"
#include "player/update/downloader.h"
#include "shared/AtomicFile.h"

namespace qvt {
struct Services;
}  // namespace qvt

namespace qvt::downloader {

class Transfer {
 public:
  // On the window thread: the HTTP binding of the services handed in and their program's name
  // as the agent.
  Transfer(const Services& services, const QString& sURL, const QString& sSaveAs, qint64 maxBytes,
           AtomicFile::Mode mode);
  ~Transfer();
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  // On the worker thread, once: the whole transfer. Done, Failed, or Cancelled when a cancel
  // stopped it before the file was in place. Nothing escapes it: a thrown failure is logged and
  // fails the download.
  Outcome run();

  // From any thread, at any time: the transfer fails at once, also while it waits for the
  // network; nothing once it has ended.
  void cancel();
  // From any thread: the bytes of the body taken so far; -1 until the file is open.
  qint64 received() const { return received_.load(); }
  // Once run() has returned: the size and SHA-256 of the bytes written to the file.
  crypto::FileDigest digest() const;

 private:
  bool open();
  bool openFile();
  bool stream();
  bool write(const QByteArray& bytes);
  void release();

  // The worker's own.
  const QString url_;
  const QString saveAs_;
  const QString agent_;
  const qint64 maxBytes_;
  const AtomicFile::Mode mode_;
  IHttp& http_;
  IFileSystem& files_;  // what puts the downloaded file in place
  HttpHandle request_ = 0;
  std::unique_ptr<AtomicFile> file_;
  QCryptographicHash hash_{QCryptographicHash::Sha256};
  qint64 written_ = 0;

  // Shared with the window thread. The session is published before its request is opened, so
  // that a cancel either sees it or is seen by the worker afterwards.
  std::atomic<bool> cancelled_{false};
  std::atomic<HttpHandle> session_{0};
  std::atomic<qint64> received_{-1};
};

}  // namespace qvt::downloader
