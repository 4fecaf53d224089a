#pragma once
// The .qvl play list file: line 1 holds the index of the last song (-1 for an empty list),
// then one record per song, its full path and its display name, each quoted:
//
//   2
//   "/home/ann/Music/Blue.mp3","Blue.mp3"
//   ...
//
// Loading appends the file's songs to the shared play list (skipping paths already in it) and
// saving writes the whole shared list; both report to the user through message boxes and the
// editor's view.

#include <QString>

namespace qvt {

class IEditorView;
class IFileSystem;
class MusicVariables;
struct ListRecords;
struct Services;

// Stands for the file box's current file wherever a list file name is expected.
inline const QString kListFileMarker = QStringLiteral("<<::>>");
// The input box's answer before the user has given one; it counts as no answer.
inline const QString kSaveAnswerPreset = QStringLiteral("zxcvbnmasdfghjkl");

// Whether the last four characters of the name are exactly ".qvl" (letter case counts).
bool HasListExtension(const QString& sName);

// Whether the text can be the name of a file inside a folder: not empty, not only blanks,
// no "/" or NUL, not "." or "..", and at most 255 bytes in UTF-8.
bool IsUsableFileName(const QString& sName);

// Appends the songs of the file sFile (a name in the file box's folder, or kListFileMarker;
// a .qvl, or another player's list as ForeignList.h reads it) to the play list and refills
// the play list box. Run while the editor is busy, with the duplicate search bound fixed by the
// caller. The file is read on a worker thread while the event loop runs; the songs then join
// the list in one change. A file that cannot be read or does not hold what its first line
// announces ends the load with "Error loading file"; the songs read before that join the list.
// Closing the editor while the file is read ends the load: nothing is added and no box follows.
void LoadListFile(const Services& services, MusicVariables& mv, IEditorView& view,
                  const QString& sFile);
// The rest of LoadListFile once the file is read: adds the records (taking them from `read`),
// refills the play list box and tells the user.
void AddListRecords(const Services& services, MusicVariables& mv, IEditorView& view,
                    ListRecords& read);

// Asks for a file name and writes the play list as "<name>.qvl" in the file box's folder,
// through a temporary file that replaces the old one only once it is complete.
void SaveListFile(const Services& services, const MusicVariables& mv, IEditorView& view);

// Writes the play list to a file, put in place through fs; false when the file could not be
// written or put in place (an old file of that name is then left as it was).
bool WriteListFile(IFileSystem& fs, const MusicVariables& mv, const QString& sPath);

}  // namespace qvt
