#include "player/playlists/ListFileRead.h"

#include <atomic>
#include <cmath>
#include <cstdint>
#include <utility>

#include "platform/base/Check.h"
#include "player/startup/RecentName.h"
#include "player/startup/WorkerThread.h"
#include "shared/RecordNotation.h"
#include "shared/ui/FramePacer.h"

namespace qvt {

namespace {

// A .qvl: the index of the last record on line 1, then the records. A count that is not a whole
// number of at least -1 reads nothing; a file that ends early keeps the records before.
void ReadQvl(const QString& sPath, ListRecords& out, RecentName& recent,
             const std::atomic<bool>& cancelled) {
  RecordReader reader(sPath);
  const double dblLast = reader.readDouble();
  if (!QVT_CHECK(lcPlaylist(), dblLast >= -1 && dblLast == std::floor(dblLast), dblLast))
    return;
  for (double i = 0; i <= dblLast; ++i) {
    if (cancelled)
      return;
    const QString sSongPath = reader.readText();
    const QString sName = reader.readText();
    out.paths.push_back(sSongPath);
    out.names.push_back(sName);
    recent.record(sName);
  }
  out.bComplete = true;
}

void ReadForeign(const QString& sPath, ListRecords& out, RecentName& recent,
                 const std::atomic<bool>& cancelled) {
  ForeignList list = ReadForeignList(sPath, [&](const ListEntry& entry) {
    recent.record(entry.sName);
    return !cancelled;
  });
  for (const ListEntry& entry : list.entries) {
    out.paths.push_back(entry.sPath);
    out.names.push_back(entry.sName);
  }
  out.dblSkipped = list.dblSkipped;
  out.bComplete = list.bComplete;
}

// On the worker: the whole reading. A file that cannot be read, or holds fewer records than
// announced, is reported by bComplete; the reason is logged.
void Read(const ListFileToRead& file, ListRecords& out, RecentName& recent,
          const std::atomic<bool>& cancelled) {
  try {
    if (file.bForeign)
      ReadForeign(file.sPath, out, recent, cancelled);
    else
      ReadQvl(file.sPath, out, recent, cancelled);
  } catch (const RecordError&) {
    LogDropped(lcPlaylist());
  }
  recent.last(out.names);
}

}  // namespace

std::optional<ListRecords> ReadListFile(const ListFileToRead& file,
                                        const std::function<void(const QString&)>& onRecord,
                                        const std::function<bool()>& stopRequested) {
  ListRecords read;
  RecentName recent;
  WorkerThread worker(
      [&](const std::atomic<bool>& cancelled) { Read(file, read, recent, cancelled); },
      file.bLowPriority);
  const bool bDone = worker.wait(FramePacer::kFrameMs, [&](bool) {
    if (std::optional<QString> name = recent.takeNew())
      onRecord(*name);
    return !(stopRequested && stopRequested());
  });
  if (!bDone)
    return std::nullopt;
  return read;
}

}  // namespace qvt
