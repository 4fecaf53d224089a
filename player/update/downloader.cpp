#include "player/update/downloader.h"

#include <memory>

#include "platform/Http.h"
#include "platform/Platform.h"
#include "shared/AtomicFile.h"
#include "shared/Processor.h"

namespace qvt::downloader {

const QString kDownloadFailed = QStringLiteral(
    "Download failed.  You may not have permission to download the file, or the site may "
    "currently be unavailable");

namespace {

// One call's handles and file. Whatever it holds is released when it goes: the file first
// (discarded unless committed), then the request, then the session.
class Transfer {
 public:
  explicit Transfer(qint64 maxBytes) : maxBytes_(maxBytes) {}
  ~Transfer() { Release(); }
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  bool Run(const QString& sURL, const QString& sSaveAs);
  bool cancelled() const { return cancelled_; }

 private:
  bool Open(const QString& sURL);
  bool Stream();
  void Release();
  // The user's cancel, from a pass of the event loop: the session's transfer fails at once.
  void Cancel();

  const qint64 maxBytes_;
  bool cancelled_ = false;
  HttpHandle session_ = 0;
  HttpHandle request_ = 0;
  std::unique_ptr<AtomicFile> file_;
};

bool Transfer::Run(const QString& sURL, const QString& sSaveAs) {
  if (sURL.isEmpty() || sSaveAs.isEmpty())
    return false;
  const ScopedProcessingCancel cancel([this] { Cancel(); });
  if (!Open(sURL) || cancelled_)
    return false;
  file_ = std::make_unique<AtomicFile>(sSaveAs);
  if (!file_->open())
    return false;
  UpdateProcessing(QStringLiteral("Downloading..."));
  if (cancelled_ || !Stream())
    return false;
  const bool committed = file_->commit().has_value();
  file_.reset();
  return committed;
}

void Transfer::Cancel() {
  cancelled_ = true;
  if (session_ != 0)
    http().cancel(session_);
}

bool Transfer::Open(const QString& sURL) {
  session_ = http().openSession(platform().programName);
  if (session_ == 0)
    return false;
  // A request that cannot be made fails the download; its description is not shown.
  const Result<HttpOpened> opened = http().openUrl(session_, sURL);
  if (!opened)
    return false;
  request_ = opened->request;
  return opened->status >= 200 && opened->status <= 299;
}

bool Transfer::Stream() {
  char buffer[IHttp::kBlockSize];
  qint64 total = 0;
  for (;;) {
    // A transfer error ends the download as failed; its description is not shown.
    const Result<qint64> bytesRead = http().readBlock(request_, buffer);
    if (!bytesRead)
      return false;
    if (*bytesRead == 0)
      return true;
    // A body longer than the caller allows ends here, before its first byte over is written.
    if (*bytesRead > maxBytes_ - total || !file_->write(QByteArrayView(buffer, *bytesRead)))
      return false;
    total += *bytesRead;
    UpdateProcessing(QString::number(total) + QStringLiteral(" Bytes Downloaded..."));
    if (cancelled_)
      return false;
  }
}

void Transfer::Release() {
  file_.reset();  // what was not committed is discarded
  if (request_ != 0)
    http().close(request_);
  request_ = 0;
  if (session_ != 0)
    http().close(session_);
  session_ = 0;
}

}  // namespace

Outcome Download(const QString& sURL, const QString& sSaveAs, qint64 maxBytes) {
  Outcome outcome = Outcome::Done;
  {
    Transfer transfer(maxBytes);
    if (!transfer.Run(sURL, sSaveAs))
      outcome = transfer.cancelled() ? Outcome::Cancelled : Outcome::Failed;
  }
  if (outcome == Outcome::Failed)
    MsgBox(kDownloadFailed);
  return outcome;
}

bool DownloadFile(QString sURL, QString sSaveAs, qint64 maxBytes) {
  return Download(sURL, sSaveAs, maxBytes) == Outcome::Done;
}

}  // namespace qvt::downloader
