#include "player/playlists/ListFile.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

#include "platform/Platform.h"
#include "platform/base/Check.h"
#include "player/playlists/EditorView.h"
#include "player/playlists/ForeignList.h"
#include "player/playlists/ListFileRead.h"
#include "player/playlists/PlayListEditor.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "shared/RecordNotation.h"

namespace qvt {

namespace {

using GlobalMethods::FindSongPath;
using GlobalMethods::FixDoubleBackslash;

const QString kListExtension = QStringLiteral(".qvl");
constexpr qsizetype kMaxNameBytes = 255;

struct LoadResult {
  double dblAdded = 0;
  double dblDuplicates = 0;
};

void ShowAdding(IEditorView& view, const QString& sName) {
  view.SetAddingCaption(QStringLiteral("Adding... \r\n") + sName);
  view.SetStatusText(QStringLiteral("Adding... ") + sName);
}

// Adds the records to the list in one change, each whose path is not among the songs that were in
// the list when the operation began (FindSongPath's bound); the last song added is shown last.
LoadResult AddRecords(MusicVariables& mv, IEditorView& view, std::vector<ListEntry> records) {
  LoadResult result;
  std::vector<QString> paths;
  std::vector<QString> names;
  for (ListEntry& record : records) {
    if (FindSongPath(mv, record.sPath) != -1) {
      ++result.dblDuplicates;
      continue;
    }
    paths.push_back(std::move(record.sPath));
    names.push_back(std::move(record.sName));
  }
  if (names.empty())
    return result;
  ShowAdding(view, names.back());
  result.dblAdded = static_cast<double>(names.size());
  mv.appendAll(std::move(paths), std::move(names));
  return result;
}

// The play list as an M3U8 whose paths are relative to its own folder.
bool WritePortableM3u8(const MusicVariables& mv, const QString& sPath) {
  std::vector<ListEntry> songs;
  for (std::size_t i = 0; static_cast<double>(i) <= mv.dblLastIndex() &&
                          i < mv.sSongPaths().size() && i < mv.sSongNames().size();
       ++i) {
    songs.push_back({mv.sSongPaths()[i], mv.sSongNames()[i]});
  }
  return WriteM3u8(songs, sPath, true).has_value();
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

void LoadListFile(MusicVariables& mv, IEditorView& view, const QString& sFile) {
  const QString sName = sFile == kListFileMarker ? view.CurrentFileName() : sFile;
  const bool bForeign = IsForeignListName(sName);
  if (!bForeign && !HasListExtension(sName)) {
    MsgBox(QStringLiteral("The file selected is not a valid Quavertone List file"));
    return;
  }
  const QString sPath = FixDoubleBackslash(view.FileFolder() + QLatin1Char('/') + sName);
  // The file is read on a worker while the windows keep answering; every name shown is a pass of
  // the event loop. Closing the editor meanwhile ends the load: nothing is added, nothing said.
  std::optional<ListRecords> read = ReadListFile(
      {sPath, bForeign, GlobalMethods::GetLowPriorityLoading(mv)},
      [&view](const QString& sRecord) {
        ShowAdding(view, sRecord);
        DoEvents();
      },
      [&view] { return view.CloseWaiting(); });
  if (!read)
    return;
  const LoadResult result = AddRecords(mv, view, std::move(read->entries));
  if (!read->bComplete) {
    RefillEditorListShowing(mv, view, QStringLiteral("Generating Visual List... \r\n"));
    MsgBox(QStringLiteral("Error loading file"));
    return;
  }
  if (result.dblDuplicates > 0) {
    MsgBox(FormatNumber(result.dblDuplicates) +
           QStringLiteral(" songs failed to be added because they were already in the list"));
  }
  if (read->dblSkipped > 0) {
    MsgBox(FormatNumber(read->dblSkipped) +
           QStringLiteral(" entries of the list were skipped because they name no local file"));
  }
  RefillEditorListShowing(mv, view, QStringLiteral("Generating Visual List... \r\n"));
  MsgBox(FormatNumber(result.dblAdded) + QStringLiteral(" Songs loaded successfully"));
}

bool WriteListFile(const MusicVariables& mv, const QString& sPath) {
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
    RecordWriter writer(sPath);
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

void SaveListFile(const MusicVariables& mv, IEditorView& view) {
  view.SetStatusText(QStringLiteral("Saving..."));
  QString sAnswer = kSaveAnswerPreset;
  sAnswer = InputBox(QStringLiteral("Enter file name"), QString(), QString()).value_or(QString());
  if (sAnswer.isEmpty() || sAnswer == kSaveAnswerPreset) {
    MsgBox(QStringLiteral("Save aborted"));
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
      !(bM3u8 ? WritePortableM3u8(mv, sPath) : WriteListFile(mv, sPath))) {
    MsgBox(QStringLiteral("Save Failed"));
    view.SetStatusText(QStringLiteral("Save Failed"));
    return;
  }
  MsgBox(QStringLiteral("Saved"));
  view.RefreshFiles();
  view.SetStatusText(QStringLiteral("Saved"));
}

}  // namespace qvt
