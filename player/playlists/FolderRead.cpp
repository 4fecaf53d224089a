#include "player/playlists/FolderRead.h"

#include <QPointer>

#include "player/startup/WorkerThread.h"
#include "shared/ui/FramePacer.h"

namespace qvt {

FolderRead ReadFolderBesideTheWindows(QObject& box,
                                      const std::function<bool(const std::atomic<bool>&)>& read,
                                      const std::function<bool()>& wanted) {
  const QPointer<QObject> alive(&box);
  // The worker writes only bRead (and what `read` fills), which this thread reads once wait
  // has joined it.
  bool bRead = false;
  WorkerThread worker(
      [&read, &bRead](const std::atomic<bool>& cancelled) { bRead = read(cancelled); }, false);
  // `alive` first: a box deleted during the wait is never asked again. A read that is no
  // longer wanted is stopped early, which frees the processor for the one that overtook it.
  const auto still = [&] { return alive && wanted(); };
  const bool bDone = worker.wait(FramePacer::kFrameMs, [&](bool) { return still(); });
  if (!alive)
    return FolderRead::kBoxGone;
  if (!bDone || !still())
    return FolderRead::kDropped;
  return bRead ? FolderRead::kReady : FolderRead::kUnreadable;
}

}  // namespace qvt
