#include "player/update/downloader.h"

#include <atomic>
#include <utility>

#include "player/startup/WorkerThread.h"
#include "player/update/DownloadTransfer.h"
#include "shared/Processor.h"
#include "shared/Services.h"
#include "shared/ui/FramePacer.h"

namespace qvt::downloader {

const QString kDownloadFailed = QStringLiteral(
    "Download failed.  You may not have permission to download the file, or the site may "
    "currently be unavailable");

namespace {

// What the progress window has been told, so that a frame shows only what is new.
class ShownProgress {
 public:
  explicit ShownProgress(const Services& services)
      : services_(services), processor_(ProcessorOf(services)) {}
  // One pass of the window events, with the newest text when there is one.
  void frame(qint64 received) {
    if (!showNext(received))
      DoEvents(services_);
  }
  // Once the transfer has ended: the texts it has not shown yet, the exact size last.
  void finish(qint64 received) {
    while (showNext(received)) {
    }
  }

 private:
  // "Downloading..." once the file is open, then the bytes received so far.
  bool showNext(qint64 received) {
    if (received >= 0 && !bOpened_) {
      bOpened_ = true;
      processor_.Update(QStringLiteral("Downloading..."));
      return true;
    }
    if (received <= shown_)
      return false;
    shown_ = received;
    processor_.Update(QString::number(received) + QStringLiteral(" Bytes Downloaded..."));
    return true;
  }

  const Services& services_;
  Processor processor_;
  bool bOpened_ = false;
  qint64 shown_ = 0;
};

// The transfer on a worker thread while the window thread waits for it in a local event loop,
// so that the windows keep answering; once a frame the progress window shows how far it has
// come. Any handler of the user's may run in the loop and in each pass of the window events: an
// exception out of one, a program that ends or another download started there leaves no thread
// behind, since whatever ends the wait stops the transfer and joins its thread.
Outcome RunInBackground(const Services& services, Transfer& transfer) {
  // The user's cancel comes on this thread, from the loop or a pass of the window events.
  const ScopedProcessingCancel cancel(ProcessorStateOf(services),
                                      [&transfer] { transfer.cancel(); });
  Outcome outcome = Outcome::Failed;  // written by the worker, read once it is joined
  ShownProgress shown(services);
  {
    WorkerThread worker([&](const std::atomic<bool>&) { outcome = transfer.run(); }, false,
                        [&transfer] { transfer.cancel(); });
    worker.wait(FramePacer::kFrameMs, [&](bool bEnded) {
      if (!bEnded)
        shown.frame(transfer.received());
      return true;
    });
  }
  if (outcome != Outcome::Cancelled)
    shown.finish(transfer.received());
  return outcome;
}

// One download into sSaveAs, written as `mode` says; the failure message when it failed.
NewFile Fetch(const Services& services, const QString& sURL, const QString& sSaveAs,
              qint64 maxBytes, AtomicFile::Mode mode) {
  NewFile fetched;
  if (!sURL.isEmpty() && !sSaveAs.isEmpty()) {
    Transfer transfer(services, sURL, sSaveAs, maxBytes, mode);
    fetched.outcome = RunInBackground(services, transfer);
    fetched.digest = transfer.digest();
  }
  if (fetched.outcome == Outcome::Failed)
    MsgBox(services, kDownloadFailed);
  return fetched;
}

}  // namespace

Outcome Download(const Services& services, const QString& sURL, const QString& sSaveAs,
                 qint64 maxBytes) {
  return Fetch(services, sURL, sSaveAs, maxBytes, AtomicFile::kReplace).outcome;
}

NewFile DownloadNewFile(const Services& services, const QString& sURL, const QString& sNewFile,
                        qint64 maxBytes) {
  return Fetch(services, sURL, sNewFile, maxBytes, AtomicFile::kCreateNew);
}

bool DownloadFile(const Services& services, QString sURL, QString sSaveAs, qint64 maxBytes) {
  return Download(services, sURL, sSaveAs, maxBytes) == Outcome::Done;
}

}  // namespace qvt::downloader
