#include "player/startup/MainModule.h"

#include <QTimer>

#include "platform/Platform.h"
#include "player/quickplay/frmQMusic.h"
#include "player/startup/MusicVariables.h"
#include "player/startup/PlayerWindows.h"
#include "player/window/frmMusic.h"
#include "shared/ui/Form.h"

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

void Main(PlayerWindows& windows, const QString& sCommandLine) {
  if (sCommandLine.trimmed().isEmpty()) {
    windows.music.Get().show();
    return;
  }
  frmQMusic& quick = windows.quick.Get();
  quick.SetFileToPlay(Unquote(sCommandLine));
  quick.show();
  SharedMusicVariables().bPlaying = true;
  quick.StartPlayQ();
}

void CloseNormally(PlayerWindows& windows) {
  // A close asked for while the player window is still loading its play list waits until the
  // list is complete, so that the save never writes half a list.
  if (windows.music.IsLoaded() && windows.music.Loaded()->IsLoading()) {
    QTimer::singleShot(50, [&windows] { CloseNormally(windows); });
    return;
  }
  if (windows.music.IsLoaded()) {
    windows.music.Unload();
  } else if (windows.quick.IsLoaded()) {
    windows.quick.Unload();
  }
  appControl().endProgram(0);
}

}  // namespace qvt::MainModule
