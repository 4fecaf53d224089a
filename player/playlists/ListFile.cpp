#include "player/playlists/ListFile.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <stdexcept>

#include "platform/Platform.h"
#include "platform/base/Check.h"
#include "player/playlists/EditorView.h"
#include "player/playlists/ForeignList.h"
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

// The count on line 1 is not a whole number of at least -1.
class BadSongCount : public std::runtime_error {
 public:
  BadSongCount() : std::runtime_error("bad song count") {}
};

struct LoadResult {
  double dblAdded = 0;
  double dblDuplicates = 0;
  double dblSkipped = 0;  // entries of another player's list that name no local file
  bool bComplete = false;
};

// The records of a list file: the index of the last one, then each record in turn. Both
// throw RecordError when the file holds no more.
struct SongRecords {
  std::function<double()> LastIndex;
  std::function<ListEntry()> Next;
};

// Appends the records to the list, each counted in dblLastIndex as it is stored: the event loop
// runs before every record, and whatever runs there (a removal, a Clear, a skip that removes a
// bad song) must find a whole list. The arrays only ever grow by one record actually read, so
// a count that the file cannot back costs nothing.
void ReadSongs(MusicVariables& mv, IEditorView& view, const SongRecords& records,
               LoadResult& result) {
  const double dblLast = records.LastIndex();
  if (!(dblLast >= -1) || dblLast != std::floor(dblLast))
    throw BadSongCount();
  for (double i = 0; i <= dblLast; ++i) {
    DoEvents();
    const auto [sPath, sName] = records.Next();
    if (FindSongPath(mv, sPath) != -1) {
      ++result.dblDuplicates;
      continue;
    }
    GlobalMethods::AppendSong(mv, sPath, sName);
    ++result.dblAdded;
    view.SetAddingCaption(QStringLiteral("Adding... \r\n") + sName);
    view.SetStatusText(QStringLiteral("Adding... ") + sName);
  }
  result.bComplete = true;
}

void ReadQvlSongs(MusicVariables& mv, IEditorView& view, const QString& sPath, LoadResult& result) {
  RecordReader reader(sPath);
  ReadSongs(mv, view,
            {[&reader] { return reader.readDouble(); },
             [&reader] {
               QString sSongPath = reader.readText();
               return ListEntry{std::move(sSongPath), reader.readText()};
             }},
            result);
}

// Another player's list, read whole first: its entries are then added like a .qvl's records.
void ReadForeignSongs(MusicVariables& mv, IEditorView& view, const QString& sPath,
                      LoadResult& result) {
  const ForeignList list = ReadForeignList(sPath);
  result.dblSkipped = list.dblSkipped;
  std::size_t next = 0;
  ReadSongs(mv, view,
            {[&list] { return static_cast<double>(list.entries.size()) - 1; },
             [&list, &next] { return list.entries.at(next++); }},
            result);
  result.bComplete = list.bComplete;
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
  LoadResult result;
  try {
    if (bForeign) {
      ReadForeignSongs(mv, view, sPath, result);
    } else {
      ReadQvlSongs(mv, view, sPath, result);
    }
  } catch (const RecordError&) {
    LogDropped(lcPlaylist());  // unreadable, or fewer records than announced: reported below
  } catch (const BadSongCount&) {
    LogDropped(lcPlaylist());
  }
  if (!result.bComplete) {
    RefillEditorListShowing(mv, view, QStringLiteral("Generating Visual List... \r\n"));
    MsgBox(QStringLiteral("Error loading file"));
    return;
  }
  if (result.dblDuplicates > 0) {
    MsgBox(FormatNumber(result.dblDuplicates) +
           QStringLiteral(" songs failed to be added because they were already in the list"));
  }
  if (result.dblSkipped > 0) {
    MsgBox(FormatNumber(result.dblSkipped) +
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
