#include "player/playlists/ListFile.h"

#include <QElapsedTimer>
#include <algorithm>
#include <cmath>
#include <functional>
#include <optional>
#include <stdexcept>

#include "platform/base/Check.h"
#include "player/playlists/EditorView.h"
#include "player/playlists/ForeignList.h"
#include "player/playlists/ListFileRead.h"
#include "player/playlists/PlayListEditor.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "shared/RecordNotation.h"
#include "shared/Services.h"
#include "shared/ui/FramePacer.h"

namespace qvt {

namespace {

using GlobalMethods::FindSongPath;
using GlobalMethods::FixDoubleBackslash;

const QString kListExtension = QStringLiteral(".qvl");
// The records judged between two looks at the clock.
constexpr std::size_t kSliceCheckEvery = 1024;
constexpr qsizetype kMaxNameBytes = 255;

struct LoadResult {
  double dblAdded = 0;
  double dblDuplicates = 0;
};

void ShowAdding(IEditorView& view, const QString& sName) {
  view.SetAddingCaption(QStringLiteral("Adding... \r\n") + sName);
  view.SetStatusText(QStringLiteral("Adding... ") + sName);
}

// Which records' paths FindSongPath finds (among the songs that were in the list when the
// operation began), judged a slice of at most about a frame at a time with a pass of the event
// loop between two slices. Should the list change in a pass, every record is judged again at
// once, so that the answers are those of the list the songs join. A long list the search has
// not seen is read beside the windows first. Nothing when the editor was closed in a pass.
std::optional<std::vector<bool>> FindDuplicates(const Services& services, MusicVariables& mv,
                                                IEditorView& view, const ListRecords& records) {
  if (!records.paths.empty()) {
    GlobalMethods::PreparePathSearchBesideTheWindows(services, mv,
                                                     [&view] { return !view.CloseWaiting(); });
    if (view.CloseWaiting())
      return std::nullopt;
  }
  const PlayListVersion version = mv.version();
  std::vector<bool> duplicate(records.paths.size());
  bool bPasses = true;
  QElapsedTimer slice;
  slice.start();
  for (std::size_t i = 0; i < records.paths.size(); ++i) {
    if (bPasses && i > 0 && i % kSliceCheckEvery == 0 && slice.elapsed() >= FramePacer::kFrameMs) {
      ShowAdding(view, records.names[i - 1]);
      DoEvents(services);
      if (view.CloseWaiting())
        return std::nullopt;
      if (mv.version() != version) {
        bPasses = false;
        i = 0;
      }
      slice.restart();
    }
    duplicate[i] = FindSongPath(mv, records.paths[i]) != -1;
  }
  return duplicate;
}

// Adds the records that are no duplicates to the list in one change; the last song added is shown
// last. Nothing when the editor was closed meanwhile.
std::optional<LoadResult> AddRecords(const Services& services, MusicVariables& mv,
                                     IEditorView& view, ListRecords& records) {
  const std::optional<std::vector<bool>> duplicate = FindDuplicates(services, mv, view, records);
  if (!duplicate)
    return std::nullopt;
  SongArray& paths = records.paths;
  SongArray& names = records.names;
  LoadResult result;
  std::vector<std::size_t> dropped;
  for (std::size_t i = 0; i < duplicate->size(); ++i) {
    if ((*duplicate)[i])
      dropped.push_back(i);
  }
  result.dblDuplicates = static_cast<double>(dropped.size());
  paths.eraseSorted(dropped);
  names.eraseSorted(dropped);
  const std::size_t kept = paths.size();
  if (kept == 0)
    return result;
  ShowAdding(view, names[kept - 1]);
  result.dblAdded = static_cast<double>(kept);
  mv.appendAll(std::move(paths), std::move(names));
  return result;
}

// The play list as an M3U8 whose paths are relative to its own folder.
bool WritePortableM3u8(IFileSystem& fs, const MusicVariables& mv, const QString& sPath) {
  std::vector<ListEntry> songs;
  for (std::size_t i = 0; static_cast<double>(i) <= mv.dblLastIndex() &&
                          i < mv.sSongPaths().size() && i < mv.sSongNames().size();
       ++i) {
    songs.push_back({mv.sSongPaths()[i], mv.sSongNames()[i]});
  }
  return WriteM3u8(fs, songs, sPath, true).has_value();
}

}  // namespace

bool HasListExtension(const QString& sName) {
  return sName.size() >= 4 && sName.endsWith(kListExtension, Qt::CaseSensitive);
}

bool IsUsableFileName(const QString& sName) {
  if (sName.trimmed().isEmpty() || sName == QLatin1String(".") || sName == QLatin1String(".."))
    return false;
  if (sName.contains(QLatin1Char('/')) || sName.contains(QChar(0)))
    return false;
  return sName.toUtf8().size() <= kMaxNameBytes;
}

void LoadListFile(const Services& services, MusicVariables& mv, IEditorView& view,
                  const QString& sFile) {
  const QString sName = sFile == kListFileMarker ? view.CurrentFileName() : sFile;
  const bool bForeign = IsForeignListName(sName);
  if (!bForeign && !HasListExtension(sName)) {
    MsgBox(services, QStringLiteral("The file selected is not a valid Quavertone List file"));
    return;
  }
  const QString sPath = FixDoubleBackslash(view.FileFolder() + QLatin1Char('/') + sName);
  // The file is read on a worker while the windows keep answering; every name shown is a pass of
  // the event loop. Closing the editor meanwhile ends the load: nothing is added, nothing said.
  std::optional<ListRecords> read = ReadListFile(
      files(services), {sPath, bForeign, GlobalMethods::GetLowPriorityLoading(mv)},
      [&services, &view](const QString& sRecord) {
        ShowAdding(view, sRecord);
        DoEvents(services);
      },
      [&view] { return view.CloseWaiting(); });
  if (read)
    AddListRecords(services, mv, view, *read);
}

void AddListRecords(const Services& services, MusicVariables& mv, IEditorView& view,
                    ListRecords& read) {
  const std::optional<LoadResult> added = AddRecords(services, mv, view, read);
  if (!added)
    return;
  const LoadResult& result = *added;
  if (!read.bComplete) {
    RefillEditorListShowing(services, mv, view, QStringLiteral("Generating Visual List... \r\n"));
    MsgBox(services, QStringLiteral("Error loading file"));
    return;
  }
  if (result.dblDuplicates > 0) {
    MsgBox(services,
           FormatNumber(result.dblDuplicates) +
               QStringLiteral(" songs failed to be added because they were already in the list"));
  }
  if (read.dblSkipped > 0) {
    MsgBox(services,
           FormatNumber(read.dblSkipped) +
               QStringLiteral(" entries of the list were skipped because they name no local file"));
  }
  RefillEditorListShowing(services, mv, view, QStringLiteral("Generating Visual List... \r\n"));
  MsgBox(services, FormatNumber(result.dblAdded) + QStringLiteral(" Songs loaded successfully"));
}

bool WriteListFile(IFileSystem& fs, const MusicVariables& mv, const QString& sPath) {
  // A song whose path or name holds a double quote would not read back: nothing is written.
  const auto count = static_cast<std::size_t>(std::max(0.0, mv.dblLastIndex() + 1));
  for (std::size_t i = 0; i < count && i < mv.sSongPaths().size() && i < mv.sSongNames().size();
       ++i) {
    if (!RecordWriter::canStoreText(mv.sSongPaths()[i]) ||
        !RecordWriter::canStoreText(mv.sSongNames()[i])) {
      return false;
    }
  }
  try {
    RecordWriter writer(fs, sPath);
    writer.write({mv.dblLastIndex()});
    for (double i = 0; i <= mv.dblLastIndex(); ++i) {
      const auto at = static_cast<std::size_t>(i);
      writer.writePathName(mv.sSongPaths().at(at), mv.sSongNames().at(at));
    }
    writer.commit();
  } catch (const RecordError&) {
    LogDropped(lcPlaylist());  // the user is told "Save Failed"; the reason is logged
    return false;
  } catch (const std::out_of_range&) {
    LogDropped(lcPlaylist());  // the arrays end before dblLastIndex: nothing is put in place
    return false;
  }
  return true;
}

void SaveListFile(const Services& services, const MusicVariables& mv, IEditorView& view) {
  view.SetStatusText(QStringLiteral("Saving..."));
  QString sAnswer = kSaveAnswerPreset;
  sAnswer = InputBox(services, QStringLiteral("Enter file name"), QString(), QString())
                .value_or(QString());
  if (sAnswer.isEmpty() || sAnswer == kSaveAnswerPreset) {
    MsgBox(services, QStringLiteral("Save aborted"));
    view.RefreshFiles();
    view.SetStatusText(QStringLiteral("Ready"));
    return;
  }
  const QString sFolder = view.FileFolder();
  QString sPath = sFolder;
  if (!sPath.endsWith(QLatin1Char('/')))
    sPath += QLatin1Char('/');
  // A name ending in .m3u8 asks for a list other players read, its paths relative to its
  // folder; any other name gets the .qvl extension.
  const bool bM3u8 = sAnswer.endsWith(QLatin1String(".m3u8"), Qt::CaseInsensitive);
  const QString sFileName = bM3u8 ? sAnswer : sAnswer + kListExtension;
  sPath = FixDoubleBackslash(sPath + sFileName);
  // A name that is no plain file name would leave the folder shown or cannot be created.
  if (sFolder.isEmpty() || !IsUsableFileName(sAnswer) || !IsUsableFileName(sFileName) ||
      !(bM3u8 ? WritePortableM3u8(files(services), mv, sPath)
              : WriteListFile(files(services), mv, sPath))) {
    MsgBox(services, QStringLiteral("Save Failed"));
    view.SetStatusText(QStringLiteral("Save Failed"));
    return;
  }
  MsgBox(services, QStringLiteral("Saved"));
  view.RefreshFiles();
  view.SetStatusText(QStringLiteral("Saved"));
}

}  // namespace qvt
