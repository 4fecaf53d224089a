#include "player/playlists/MovedSongsCommands.h"

#include <QHash>
#include <QHashFunctions>
#include <algorithm>
#include <atomic>
#include <functional>
#include <limits>
#include <optional>
#include <vector>

#include "platform/FileSystem.h"
#include "player/playlists/EditorView.h"
#include "player/playlists/MovedSongs.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "player/startup/WorkerThread.h"
#include "shared/Processor.h"
#include "shared/Services.h"
#include "shared/Variant.h"
#include "shared/ui/FramePacer.h"

namespace qvt {

namespace {

const QString kFindTitle = QStringLiteral("Find Moved Songs");
const QString kRelinkTitle = QStringLiteral("Relink Folder");

// The songs 0 to dblLastIndex (fewer when the array ends before).
std::size_t ListedCount(const MusicVariables& mv) {
  if (!(mv.dblLastIndex() >= 0))
    return 0;
  return std::min(static_cast<std::size_t>(mv.dblLastIndex()) + 1, mv.sSongPaths().size());
}

// A song of the list and the path it is to have.
using PathChange = std::pair<std::size_t, QString>;

// Leaves out each change whose path an earlier change has already. The changes are ordered by
// their paths' hashes, so that equal paths stand together: no set that allocates for each.
void DropRepeatedPaths(std::vector<PathChange>& changes) {
  const std::size_t seed = QHashSeed::globalSeed();
  std::vector<std::pair<std::size_t, std::size_t>> keys(changes.size());  // hash, change
  for (std::size_t k = 0; k < changes.size(); ++k)
    keys[k] = {qHash(changes[k].second, seed), k};
  std::sort(keys.begin(), keys.end());
  // Within each stretch of one hash, a path is repeated when an earlier one kept has it.
  std::vector<bool> repeated(changes.size());
  std::size_t run = 0;
  for (std::size_t a = 1; a < keys.size(); ++a) {
    if (keys[a].first != keys[run].first) {
      run = a;
      continue;
    }
    const QString& sPath = changes[keys[a].second].second;
    for (std::size_t b = run; b < a && !repeated[keys[a].second]; ++b)
      repeated[keys[a].second] =
          !repeated[keys[b].second] && changes[keys[b].second].second == sPath;
  }
  std::size_t kept = 0;
  for (std::size_t k = 0; k < changes.size(); ++k) {
    if (!repeated[k])
      changes[kept++] = std::move(changes[k]);
  }
  changes.resize(kept);
}

// Gives every song i of the list as it is now the path fNewPath(i, path) answers, when it
// answers one that no song of the list has yet: a list never holds a path twice (the editor's
// duplicate search, bound at the list when the operation began, compares in any letter case).
// The paths are read in place, one at a time. The number of songs changed.
std::size_t ChangePaths(
    MusicVariables& mv,
    const std::function<std::optional<QString>(std::size_t, QStringView)>& fNewPath) {
  const SongArray& paths = mv.sSongPaths();
  const std::size_t listed = ListedCount(mv);
  std::vector<PathChange> changes;
  for (std::size_t i = 0; i < listed; ++i) {
    std::optional<QString> sNew =
        paths.visit(i, [&](QStringView sPath) { return fNewPath(i, sPath); });
    if (sNew)
      changes.emplace_back(i, std::move(*sNew));
  }
  DropRepeatedPaths(changes);
  std::erase_if(changes, [&mv](const PathChange& change) {
    return GlobalMethods::FindSongPath(mv, change.second) != -1;
  });
  // Written together once every new path is known, each change announced to the views.
  for (const auto& [i, sPath] : changes)
    mv.setSongPath(i, sPath);
  return changes.size();
}

QString FolderOfPath(const QString& sPath) {
  return sPath.left(std::max<qsizetype>(sPath.lastIndexOf(u'/'), 1));
}

bool ListIsEmpty(const Services& services, const MusicVariables& mv) {
  if (mv.dblLastIndex() > -1)
    return false;
  MsgBox(services, QStringLiteral("No play list loaded, there are no songs to relink"));
  return true;
}

// Runs `work` on a worker while the windows keep answering, a pass of their events once a
// frame. False when the editor was closed meanwhile: the work is cancelled.
bool RunBesideTheWindows(const Services& services, const MusicVariables& mv, IEditorView& view,
                         const WorkerThread::Work& work) {
  WorkerThread worker(work, GlobalMethods::GetLowPriorityLoading(mv));
  return worker.wait(FramePacer::kFrameMs, [&services, &view](bool) {
    DoEvents(services);
    return !view.CloseWaiting();
  });
}

// The songs 0 to dblLastIndex that are no plain file (the first `limit` of them), tested on a
// worker with a copy of the paths that shares the list's stored texts; nothing when the editor
// was closed meanwhile.
struct MissingSongs {
  std::vector<QString> paths;
  std::vector<std::size_t> at;  // where each stood in the list
};

std::optional<MissingSongs> FindMissing(
    const Services& services, const MusicVariables& mv, IEditorView& view,
    std::size_t limit = std::numeric_limits<std::size_t>::max()) {
  SongArray listed = mv.sSongPaths();
  listed.resize(ListedCount(mv));
  IFileSystem& fs = files(services);
  MissingSongs missing;
  const bool bDone =
      RunBesideTheWindows(services, mv, view, [&](const std::atomic<bool>& cancelled) {
        for (std::size_t i = 0; i < listed.size() && missing.at.size() < limit && !cancelled; ++i) {
          QString sPath = listed[i];
          if (!PlainFileExists(fs, sPath)) {
            missing.paths.push_back(std::move(sPath));
            missing.at.push_back(i);
          }
        }
      });
  if (!bDone)
    return std::nullopt;
  return missing;
}

// The sentence that tells how many folders below the chosen one could not be read; "" for none.
QString UnreadableFolders(std::size_t count) {
  if (count == 0)
    return QString();
  return QLatin1Char(' ') + FormatNumber(static_cast<double>(count)) +
         (count == 1 ? QStringLiteral(" folder could not be read.")
                     : QStringLiteral(" folders could not be read."));
}

// Whether any of the songs 0 to dblLastIndex lies below `sFolder`.
bool ListHoldsSongsIn(const MusicVariables& mv, const QString& sFolder) {
  const SongArray& paths = mv.sSongPaths();
  const std::size_t listed = ListedCount(mv);
  for (std::size_t i = 0; i < listed; ++i) {
    if (paths.visit(i, [&](QStringView sPath) { return RelinkedPath(sPath, sFolder, sFolder); }))
      return true;
  }
  return false;
}

}  // namespace

// The tests of the files and the search below the folder run on workers; closing the editor
// during either ends the command with the list unchanged and nothing said.
void FindMovedSongsCommand(const Services& services, MusicVariables& mv, IEditorView& view) {
  if (ListIsEmpty(services, mv))
    return;
  Processor processor = ProcessorOf(services);
  processor.Show(QStringLiteral("Looking for missing songs..."));
  const PlayListVersion version = mv.version();
  const std::size_t listed = ListedCount(mv);
  std::optional<MissingSongs> scan = FindMissing(services, mv, view);
  processor.Hide();
  if (!scan)
    return;
  const std::vector<QString>& missing = scan->paths;
  const std::vector<std::size_t>& missingAt = scan->at;
  if (missing.empty()) {
    MsgBox(services, QStringLiteral("No song of the list is missing"));
    return;
  }
  const std::optional<QString> folder = ChooseFolder(services, kFindTitle, view.FileFolder());
  if (!folder)
    return;
  processor.Show(QStringLiteral("Looking for the missing songs in ") + *folder);
  std::vector<QString> found;
  std::size_t unreadable = 0;
  const bool bSearched =
      RunBesideTheWindows(services, mv, view, [&](const std::atomic<bool>& cancelled) {
        const FolderFiles below = files(services).filesBelow(*folder, cancelled);
        unreadable = below.unreadable;
        if (!cancelled)
          found = FindMovedSongs(missing, below.files);
      });
  processor.Hide();
  if (!bSearched)
    return;
  // By place while the list is as it was; once it changed (the event loop ran in the dialog),
  // by path.
  std::vector<QString> foundAt(listed);
  QHash<QString, QString> foundFor;
  const bool bSameList = mv.version() == version;
  for (std::size_t m = 0; m < missing.size(); ++m) {
    if (bSameList)
      foundAt[missingAt[m]] = found[m];
    else if (!found[m].isEmpty())
      foundFor.insert(missing[m], found[m]);
  }
  const auto dblMissing = static_cast<double>(missing.size());
  const auto dblFound = std::min(
      dblMissing, static_cast<double>(ChangePaths(mv, [&](std::size_t i, QStringView sPath) {
        const QString sFound = bSameList ? foundAt.at(i) : foundFor.value(sPath.toString());
        return sFound.isEmpty() ? std::nullopt : std::optional<QString>(sFound);
      })));
  MsgBox(services,
         FormatNumber(dblFound) + QStringLiteral(" of ") + FormatNumber(dblMissing) +
             QStringLiteral(" missing songs were found; ") + FormatNumber(dblMissing - dblFound) +
             QStringLiteral(" are still missing.") + UnreadableFolders(unreadable),
         MsgButtons::OkOnly, MsgIcon::Information, kFindTitle);
}

// The test of the files runs on a worker; closing the editor during it ends the command with
// nothing asked and nothing said.
void RelinkFolderCommand(const Services& services, MusicVariables& mv, IEditorView& view) {
  if (ListIsEmpty(services, mv))
    return;
  // The folder of the first missing song is the likeliest to relink, else the selected song's.
  const std::optional<MissingSongs> firstMissing = FindMissing(services, mv, view, 1);
  if (!firstMissing)
    return;
  const int iSelected = view.PlayListIndex();
  QString sSuggested;
  if (!firstMissing->paths.empty())
    sSuggested = FolderOfPath(firstMissing->paths.front());
  else if (iSelected >= 0 && static_cast<std::size_t>(iSelected) < ListedCount(mv))
    sSuggested = FolderOfPath(mv.sSongPaths()[static_cast<std::size_t>(iSelected)]);
  const QString sFrom = InputBox(services, QStringLiteral("Relink the songs of this folder:"),
                                 kRelinkTitle, sSuggested)
                            .value_or(QString())
                            .trimmed();
  if (sFrom.isEmpty())
    return;
  if (!ListHoldsSongsIn(mv, sFrom)) {
    MsgBox(services, QStringLiteral("No song of the list is in ") + sFrom, MsgButtons::OkOnly,
           MsgIcon::Information, kRelinkTitle);
    return;
  }
  const std::optional<QString> sTo =
      ChooseFolder(services, QStringLiteral("Relink the songs of ") + sFrom + QStringLiteral(" to"),
                   view.FileFolder());
  if (!sTo)
    return;
  const auto dblChanged = static_cast<double>(ChangePaths(
      mv, [&](std::size_t, QStringView sPath) { return RelinkedPath(sPath, sFrom, *sTo); }));
  MsgBox(services, FormatNumber(dblChanged) + QStringLiteral(" songs were relinked to ") + *sTo,
         MsgButtons::OkOnly, MsgIcon::Information, kRelinkTitle);
}

}  // namespace qvt
