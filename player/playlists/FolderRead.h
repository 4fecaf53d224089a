#pragma once
// A folder read for one of the editor's boxes on a worker thread, while the window thread
// waits in its event loop so that the windows keep answering. Any event may come meanwhile:
// the box may be deleted, or another request of it may make this read unwanted.
//
//   const FolderRead r = ReadFolderBesideTheWindows(
//       *this, [&](const std::atomic<bool>& cancelled) { return List(folder, out, &cancelled); },
//       [&] { return shown_ == since; });

#include <QObject>
#include <atomic>
#include <functional>

namespace qvt {

enum class FolderRead {
  kReady,       // read: what `read` wrote may be shown
  kUnreadable,  // `read` answered false
  kDropped,     // no longer wanted: the read was cancelled or its result is not to be shown
  kBoxGone,     // the box was deleted meanwhile: nothing of it may be touched
};

// Runs read(cancelled) on a worker and waits for it. `wanted` is asked once a frame while the
// box lives, and once after the read; false cancels the read and drops its result. `read`
// must own (or only borrow from the caller's frame) what it uses: it runs beside every event.
FolderRead ReadFolderBesideTheWindows(QObject& box,
                                      const std::function<bool(const std::atomic<bool>&)>& read,
                                      const std::function<bool()>& wanted);

}  // namespace qvt
