#pragma once
// The reading of a list file that is being loaded, on a worker thread while the window thread
// waits in its event loop: a .qvl's records (ListFile.h), or the entries of another player's
// list (ForeignList.h), into a vector of the worker's own that the window thread takes once the
// worker is joined. Meanwhile the window thread learns the name of a recent record.
//
//   std::optional<ListRecords> read =
//       ReadListFile(fs, {sPath, bForeign, bLowPriority}, onRecord, stopRequested);

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

#include "player/playlists/ForeignList.h"

#include "player/startup/SongArray.h"

namespace qvt {

class IFileSystem;

struct ListFileToRead {
  QString sPath;
  bool bForeign = false;      // another player's list
  bool bLowPriority = false;  // the worker runs at idle priority
};

// The records in file order, as far as the file could be read: paths and names, parallel.
struct ListRecords {
  SongArray paths;
  SongArray names;
  double dblSkipped = 0;   // entries of another player's list that name no local file
  bool bComplete = false;  // false: unreadable, a bad count, or fewer records than announced
};

// Reads the file through `fs` on a worker thread and runs the event loop until it is done. onRecord
// gets the name of the latest record read, at most once a frame and, at the end, the last record's;
// stopRequested is asked after each of those and every frame, and a true answer cancels the
// reading and answers nothing within milliseconds. An exception out of onRecord or
// stopRequested cancels as well and goes on to the caller.
std::optional<ListRecords> ReadListFile(IFileSystem& fs, const ListFileToRead& file,
                                        const std::function<void(const QString&)>& onRecord,
                                        const std::function<bool()>& stopRequested);

// The same reading, here and at once, of a list whose contents are already in memory:
// file.sPath names the list (its format, and the folder its relative entries start from).
ListRecords ReadListRecords(const ListFileToRead& file, const QByteArray& bytes);

}  // namespace qvt
