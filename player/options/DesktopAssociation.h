#pragma once
// Registers a file-type association with the Linux desktop for the current user, following
// the freedesktop conventions, so that a file manager opens such files with the player:
//   - the desktop entry "quavertone.desktop" in <data home>/applications (Exec with "%f", the
//     icon — the theme's "quavertone" once an install has put it in <data home>/icons — and
//     every MIME type associated so far);
//   - the extension's MIME type from the shared MIME database, or, when it knows none, a type
//     of our own (application/x-quavertone-<ext>) as a package in <data home>/mime/packages,
//     compiled with update-mime-database when that is installed;
//   - the player as the type's default application in <config home>/mimeapps.list (only the
//     lines for that type change; the file is replaced through a temporary file).
// The desktop's side (folders, the MIME database, running its tools) is the IDesktop
// interface (platform/Desktop.h), so the logic runs against temporary folders in tests.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include "platform/Desktop.h"
#include "platform/base/Result.h"

namespace qvt {

class IFileSystem;

struct DesktopAssociation {
  QString extension;    // as typed: leading dots are dropped, letters taken in lower case
  QString description;  // describes a MIME type of our own ("OGG File")
  QString exePath;      // the program started with the file
  QString iconPath;     // the program's icon file
};

inline constexpr char kDesktopEntryName[] = "quavertone.desktop";

// Registers the association, putting the files it writes in place through fs. Answers the MIME
// type it used; throws nothing, and fails with the reason when something could not be written.
Result<QString> RegisterWithDesktop(IDesktop& desktop, IFileSystem& fs,
                                    const DesktopAssociation& association);

// Writes the desktop entry that an install puts in place: the same file as the association
// writes, offering the audio MIME types of the extensions (as the shared MIME database knows
// them) to the file manager's "Open With" without making the player their default. Types the
// entry listed already stay. Fails with the reason when it cannot be written.
Result<void> InstallDesktopEntry(IDesktop& desktop, IFileSystem& fs, const QString& exePath,
                                 const QString& iconPath, const QStringList& extensions);

// The extension as the desktop's globs use it, or "" when it cannot be one (empty, or holding
// anything but ASCII letters, digits and "._+-").
QString DesktopExtension(const QString& typed);
// The program path as one argument of a desktop entry's Exec key (quoted and escaped).
QString ExecArgument(const QString& path);
// mimeapps.list with the entry as the type's default and first added application; every
// other line stays as it was.
QByteArray UpdateMimeAppsList(const QByteArray& old, const QString& mimeType, const QString& entry);
// The desktop entry's text for these MIME types.
QByteArray DesktopEntryText(const QString& exePath, const QString& iconPath,
                            const QStringList& mimeTypes);

}  // namespace qvt
