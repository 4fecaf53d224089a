#include "player/startup/MainModule.h"

#include "player/startup/MusicVariables.h"
#include "shared/Services.h"

namespace qvt::MainModule {

QString CommandLine(const QStringList& arguments) {
  return arguments.join(QLatin1Char(' '));
}

QString Unquote(const QString& sCommandLine) {
  const QString trimmed = sCommandLine.trimmed();
  if (trimmed.size() >= 2 && trimmed.startsWith(QLatin1Char('"')) &&
      trimmed.endsWith(QLatin1Char('"'))) {
    return trimmed.mid(1, trimmed.size() - 2);
  }
  return sCommandLine;
}

void Main(IFirstWindows& windows, const QString& sCommandLine) {
  if (sCommandLine.trimmed().isEmpty()) {
    windows.ShowPlayer();
    return;
  }
  windows.ShowQuickPlay(Unquote(sCommandLine));
  windows.PlayList().bPlaying = true;
  windows.StartQuickPlay();
}

void CloseNormally(IFirstWindows& windows) {
  // A close asked for while the player window is still loading its play list waits until the
  // list is complete, so that the save never writes half a list.
  if (windows.WhenPlayerLoaded([&windows] { CloseNormally(windows); }))
    return;
  if (!windows.UnloadPlayer())
    (void)windows.UnloadQuickPlay();
  appControl(windows.services()).endProgram(0);
}

}  // namespace qvt::MainModule
