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
void ReadQvl(RecordReader reader, ListRecords& out, RecentName& recent,
             const std::atomic<bool>& cancelled) {
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

void ReadForeign(const ListFileToRead& file, const QByteArray* bytes, ListRecords& out,
                 RecentName& recent, const std::atomic<bool>& cancelled) {
  const auto onEntry = [&](const ListEntry& entry) {
    recent.record(entry.sName);
    return !cancelled;
  };
  ForeignList list = bytes != nullptr ? ReadForeignList(file.sPath, *bytes, onEntry)
                                      : ReadForeignList(file.sPath, onEntry);
  for (const ListEntry& entry : list.entries) {
    out.paths.push_back(entry.sPath);
    out.names.push_back(entry.sName);
  }
  out.dblSkipped = list.dblSkipped;
  out.bComplete = list.bComplete;
}

// On the worker: the whole reading, of the file (through `fs`) or of its contents when `bytes`
// holds them. A file that cannot be read, or holds fewer records than announced, is reported by
// bComplete; the reason is logged.
void Read(IFileSystem* fs, const ListFileToRead& file, const QByteArray* bytes, ListRecords& out,
          RecentName& recent, const std::atomic<bool>& cancelled) {
  try {
    if (file.bForeign) {
      ReadForeign(file, bytes, out, recent, cancelled);
    } else {
      ReadQvl(bytes != nullptr ? RecordReader::fromBytes(*bytes) : RecordReader(*fs, file.sPath),
              out, recent, cancelled);
    }
  } catch (const RecordError&) {
    LogDropped(lcPlaylist());
  }
  recent.last(out.names);
}

}  // namespace

std::optional<ListRecords> ReadListFile(IFileSystem& fs, const ListFileToRead& file,
                                        const std::function<void(const QString&)>& onRecord,
                                        const std::function<bool()>& stopRequested) {
  ListRecords read;
  RecentName recent;
  WorkerThread worker(
      [&](const std::atomic<bool>& cancelled) {
        Read(&fs, file, nullptr, read, recent, cancelled);
      },
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

ListRecords ReadListRecords(const ListFileToRead& file, const QByteArray& bytes) {
  ListRecords read;
  RecentName recent;
  const std::atomic<bool> never{false};
  Read(nullptr, file, &bytes, read, recent, never);
  return read;
}

}  // namespace qvt
