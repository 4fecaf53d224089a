#pragma once
// Play lists that travel between machines: lists written on Windows (backslashes, drive
// letters, the Windows-1252 code page) read here, and paths written relative to a list's
// folder so that a copied folder keeps its list working.

#include <QByteArray>
#include <QString>
#include <optional>

namespace qvt {

// The text of a list whose encoding is not declared: UTF-8 when the bytes are valid UTF-8,
// else Windows-1252 (what Windows wrote such lists in).
QString DecodeListText(const QByteArray& bytes);

// A list entry's path with "\" read as the folder separator. Nothing for a path that starts
// with a drive letter ("C:\Music\a.mp3", "c:a.mp3") or a network share ("\\server\music"):
// those name no file on this machine.
std::optional<QString> EntryPath(const QString& sEntry);

// `sPath` as a list in `sListFolder` names it: relative to that folder, "../" where it lies
// elsewhere, always with "/". A path that would read as an M3U comment, a drive, a URL or with
// blanks lost ("#1.mp3", "c:a.mp3", "http:/a.mp3", " a.mp3") starts with "./". A backslash or a
// blank at the end is left as it is: no relative form holds them (see WriteM3u8).
QString PathFromListFolder(const QString& sPath, const QString& sListFolder);

}  // namespace qvt
