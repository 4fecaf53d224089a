#pragma once
// The player's entry procedure: a command line opens the quick play window with that file,
// none opens the player window.

#include <QString>
#include <QStringList>

namespace qvt {

class frmMusic;
class frmQMusic;
template <class T>
class FormSlot;

namespace MainModule {

// The command line: the program's arguments joined by single blanks.
QString CommandLine(const QStringList& arguments);
// A command line wrapped in double quotes names the path between them.
QString Unquote(const QString& sCommandLine);
// Opens the first window: the player window, or quick play with the file named. The program
// then runs as long as a window is open.
void Main(FormSlot<frmMusic>& music, FormSlot<frmQMusic>& quick, const QString& sCommandLine);
// Closes the program as the user would: the open main window (or quick play window) is
// unloaded normally, which saves its settings and ends the program.
void CloseNormally(FormSlot<frmMusic>& music, FormSlot<frmQMusic>& quick);

}  // namespace MainModule
}  // namespace qvt
