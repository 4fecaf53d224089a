#include "player/startup/MainModule.h"

#include <QTimer>

#include "platform/Platform.h"
#include "player/quickplay/frmQMusic.h"
#include "player/startup/MusicVariables.h"
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

void Main(FormSlot<frmMusic>& music, FormSlot<frmQMusic>& quick, const QString& sCommandLine) {
  if (sCommandLine.trimmed().isEmpty()) {
    music.Get().show();
    return;
  }
  frmQMusic& window = quick.Get();
  window.SetFileToPlay(Unquote(sCommandLine));
  window.show();
  window.PlayList().bPlaying = true;
  window.StartPlayQ();
}

void CloseNormally(FormSlot<frmMusic>& music, FormSlot<frmQMusic>& quick) {
  // A close asked for while the player window is still loading its play list waits until the
  // list is complete, so that the save never writes half a list.
  if (music.IsLoaded() && music.Loaded()->IsLoading()) {
    QTimer::singleShot(50, [&music, &quick] { CloseNormally(music, quick); });
    return;
  }
  if (music.IsLoaded()) {
    music.Unload();
  } else if (quick.IsLoaded()) {
    quick.Unload();
  }
  appControl().endProgram(0);
}

}  // namespace qvt::MainModule
