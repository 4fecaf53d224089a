#pragma once
// Play lists written by other players, read into songs the editor can add, and a .qvl written
// out as an extended M3U in UTF-8 for them.
//
//   .m3u  / .m3u8  one entry a line; "#EXTINF:<seconds>,<title>" names the next entry; other
//                  lines starting with "#" are comments. .m3u is read as UTF-8 when it is
//                  valid UTF-8, else as Windows-1252; .m3u8 as UTF-8.
//   .pls           "[playlist]", then FileN= and TitleN= (read as UTF-8, in the order of N).
//   .xspf          XML: each <track>'s first <location> (a URI) and its <title>.
//
// An entry's path may be relative (to the list's folder, "../" allowed) or a file:// URL, with
// "/" or "\" between folders; any other URL, and a Windows drive or share, is skipped and
// counted. A song's name is the entry's title when it has one, else the file's name. Titles lose
// the characters a .qvl record cannot hold (double quotes, control characters).

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

#include "platform/base/Result.h"

namespace qvt {

class IFileSystem;

struct ListEntry {
  QString sPath;
  QString sName;
};

struct ForeignList {
  std::vector<ListEntry> entries;
  double dblSkipped = 0;   // entries that name no local file
  bool bComplete = false;  // false: the file could not be read or stops making sense midway
};

// Whether the name ends in .m3u, .m3u8, .pls or .xspf, in any letter case.
bool IsForeignListName(const QString& sName);

// Reads the list at sPath (its format from its name). What could be read before a fault is
// kept in entries. onEntry, when given, sees each entry as it is added; a false answer stops the
// reading there, the list incomplete.
ForeignList ReadForeignList(const QString& sPath,
                            const std::function<bool(const ListEntry&)>& onEntry = {});
// The same over the list's contents already in memory: sPath names the list (its format, and the
// folder its relative entries start from).
ForeignList ReadForeignList(const QString& sPath, const QByteArray& bytes,
                            const std::function<bool(const ListEntry&)>& onEntry = {});

// The text of an extended M3U8 list in the folder sListFolder (absolute) that names the songs, each
// path relative to that folder when bRelative. A path whose plain line could be read otherwise
// (blanks at its ends, a backslash, a break of line, a leading "#") is written as a file:// URL;
// every line is one that ReadForeignList reads back as the song's path. Fails with a one-line
// reason naming the first path that cannot be written so (not absolute and clean, a double
// quote, a name whose bytes were not UTF-8).
Result<QByteArray> M3u8Text(const std::vector<ListEntry>& songs, const QString& sListFolder,
                            bool bRelative);

// Writes the songs as an extended M3U8 at outPath (through a temporary file put in place through
// fs), the text of M3u8Text for outPath's folder. Fails with a one-line reason when that does
// or the file cannot be written; an old file at outPath then stays as it was.
Result<void> WriteM3u8(IFileSystem& fs, const std::vector<ListEntry>& songs, const QString& outPath,
                       bool bRelative);

// Writes the songs of the .qvl at qvlPath as WriteM3u8 does. Fails with a one-line reason
// when the .qvl cannot be read whole or WriteM3u8 fails.
Result<void> ExportM3u8(IFileSystem& fs, const QString& qvlPath, const QString& outPath,
                        bool bRelative = false);

// The command line "--export-m3u8 [--relative] LIST.qvl OUT.m3u8" (arguments after the
// program's name): the exit code, having printed a one-line error on failure.
int ExportM3u8Command(IFileSystem& fs, const QStringList& arguments);

}  // namespace qvt
