#include "player/update/downloader.h"

#include <QSaveFile>
#include <memory>

#include "platform/Http.h"
#include "platform/Platform.h"
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
  Transfer() = default;
  ~Transfer() { Release(); }
  Transfer(const Transfer&) = delete;
  Transfer& operator=(const Transfer&) = delete;

  bool Run(const QString& sURL, const QString& sSaveAs);

 private:
  bool Open(const QString& sURL);
  bool Stream();
  void Release();

  HttpHandle session_ = 0;
  HttpHandle request_ = 0;
  std::unique_ptr<QSaveFile> file_;
};

bool Transfer::Run(const QString& sURL, const QString& sSaveAs) {
  if (sURL.isEmpty() || sSaveAs.isEmpty())
    return false;
  if (!Open(sURL))
    return false;
  file_ = std::make_unique<QSaveFile>(sSaveAs);
  if (!file_->open(QIODevice::WriteOnly))
    return false;
  UpdateProcessing(QStringLiteral("Downloading..."));
  if (!Stream())
    return false;
  const bool committed = file_->commit();
  file_.reset();
  return committed;
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
    if (file_->write(buffer, *bytesRead) != *bytesRead)
      return false;
    total += *bytesRead;
    UpdateProcessing(QString::number(total) + QStringLiteral(" Bytes Downloaded..."));
  }
}

void Transfer::Release() {
  if (file_) {
    file_->cancelWriting();
    file_.reset();
  }
  if (request_ != 0)
    http().close(request_);
  request_ = 0;
  if (session_ != 0)
    http().close(session_);
  session_ = 0;
}

}  // namespace

bool DownloadFile(QString sURL, QString sSaveAs) {
  bool ok = false;
  {
    Transfer transfer;
    ok = transfer.Run(sURL, sSaveAs);
  }
  if (!ok)
    MsgBox(kDownloadFailed);
  return ok;
}

}  // namespace qvt::downloader
