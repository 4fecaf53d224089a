#include "player/update/DownloadTransfer.h"

#include "platform/base/Check.h"
#include "shared/AtomicFile.h"
#include "shared/Services.h"

namespace qvt::downloader {

namespace {

constexpr qint64 kWriteBytes = qint64{64} * 1024;
constexpr qint64 kWritebackBytes = qint64{4} * 1024 * 1024;

}  // namespace

Transfer::Transfer(const Services& services, const QString& sURL, const QString& sSaveAs,
                   qint64 maxBytes, AtomicFile::Mode mode)
    : url_(sURL),
      saveAs_(sSaveAs),
      agent_(services.programName),
      maxBytes_(maxBytes),
      mode_(mode),
      http_(http(services)),
      files_(files(services)) {}

Transfer::~Transfer() {
  release();
}

Outcome Transfer::run() {
  bool done = false;
  try {
    done = open() && stream() && file_->commit().has_value();
  } catch (...) {
    LogDropped(lcUpdate());
  }
  release();
  if (done)
    return Outcome::Done;
  return cancelled_ ? Outcome::Cancelled : Outcome::Failed;
}

void Transfer::cancel() {
  cancelled_ = true;
  if (const HttpHandle session = session_.load(); session != 0)
    http_.cancel(session);
}

crypto::FileDigest Transfer::digest() const {
  return crypto::FileDigest{written_, hash_.result().toHex()};
}

bool Transfer::open() {
  // A file of the download's own is made before the server is asked, so that nothing can take
  // its name while the server answers; a file replaced waits for a successful answer.
  if (mode_ == AtomicFile::kCreateNew && !openFile())
    return false;
  const HttpHandle session = http_.openSession(agent_);
  session_ = session;
  if (session == 0 || cancelled_)
    return false;
  // A request that cannot be made fails the download; its description is not shown.
  const Result<HttpOpened> opened = http_.openUrl(session, url_);
  if (!opened)
    return false;
  request_ = opened->request;
  if (opened->status < 200 || opened->status > 299 || cancelled_)
    return false;
  if (mode_ == AtomicFile::kReplace && !openFile())
    return false;
  received_ = 0;
  return true;
}

bool Transfer::openFile() {
  file_ = std::make_unique<AtomicFile>(files_, saveAs_, mode_);
  return file_->open().has_value();
}

bool Transfer::write(const QByteArray& bytes) {
  if (!file_->write(bytes))
    return false;
  hash_.addData(bytes);
  written_ += bytes.size();
  return true;
}

bool Transfer::stream() {
  // Blocks are gathered and written a few at a time: one write for each block would cost more
  // than the transfer.
  QByteArray pending;
  pending.reserve(kWriteBytes);
  char buffer[IHttp::kBlockSize];
  qint64 total = 0;
  for (;;) {
    // A transfer error ends the download as failed; its description is not shown.
    const Result<qint64> bytesRead = http_.readBlock(request_, buffer);
    if (!bytesRead || cancelled_)
      return false;
    if (*bytesRead == 0)
      return write(pending);
    // A body longer than the caller allows ends here, at its first byte over.
    if (*bytesRead > maxBytes_ - total)
      return false;
    pending.append(buffer, *bytesRead);
    if (pending.size() >= kWriteBytes) {
      if (!write(pending))
        return false;
      pending.resize(0);  // keeps its room
    }
    total += *bytesRead;
    received_ = total;
    // A long body goes out to the disk while it arrives, so that the commit waits for little.
    if (total % kWritebackBytes == 0)
      file_->startWriteback();
  }
}

// The file first (discarded unless committed), then the request, then the session; the session
// is withdrawn from cancels before it is closed.
void Transfer::release() {
  file_.reset();
  if (request_ != 0)
    http_.close(request_);
  request_ = 0;
  if (const HttpHandle session = session_.exchange(0); session != 0)
    http_.close(session);
}

}  // namespace qvt::downloader
