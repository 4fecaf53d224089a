#pragma once
// The player's entry procedure: a command line opens the quick play window with that file,
// none opens the player window.

#include <QString>
#include <QStringList>
#include <functional>

namespace qvt {

class MusicVariables;
struct Services;

namespace MainModule {

// The two windows the entry procedure opens and closes, the player window and the quick play
// window, as the program's composition root makes them. Each is loaded when first used.
class IFirstWindows {
 public:
  virtual ~IFirstWindows() = default;
  virtual void ShowPlayer() = 0;
  // Shows the quick play window with the file it is to play.
  virtual void ShowQuickPlay(const QString& sPath) = 0;
  // The quick play window starts the file it shows.
  virtual void StartQuickPlay() = 0;
  virtual MusicVariables& PlayList() = 0;
  // What the program reaches the machine through.
  virtual const Services& services() const = 0;
  // When the player window is loaded and still loading its play list: runs `then` once, from
  // the event loop, after the loading has ended (or the window has gone), and answers true.
  // Otherwise answers false and runs nothing.
  virtual bool WhenPlayerLoaded(std::function<void()> then) = 0;
  // Unloads the window when it is loaded; false when it is not.
  virtual bool UnloadPlayer() = 0;
  virtual bool UnloadQuickPlay() = 0;
};

// The command line: the program's arguments joined by single blanks.
QString CommandLine(const QStringList& arguments);
// A command line wrapped in double quotes names the path between them.
QString Unquote(const QString& sCommandLine);
// Opens the first window: the player window, or quick play with the file named. The program
// then runs as long as a window is open.
void Main(IFirstWindows& windows, const QString& sCommandLine);
// Closes the program as the user would: the open main window (or quick play window) is
// unloaded normally, which saves its settings and ends the program.
void CloseNormally(IFirstWindows& windows);

}  // namespace MainModule
}  // namespace qvt
