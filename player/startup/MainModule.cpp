#include "player/startup/MainModule.h"

#include <QTimer>

#include "platform/Platform.h"
#include "player/quickplay/MainWindowHook.h"
#include "player/quickplay/frmQMusic.h"
#include "player/startup/MusicVariables.h"
#include "player/update/UpdatorMethods.h"
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

namespace {

// What an update needs of the player window: playback halted where it is, and the normal close.
void InstallUpdateHooks() {
  UpdatorMethods::PlayerHooks hooks;
  hooks.StopPlayer = [] {
    if (Forms::IsLoaded<frmMusic>())
      Forms::Get<frmMusic>().HaltPlayer();
  };
  hooks.ClosePlayer = [] { CloseNormally(); };
  UpdatorMethods::SetPlayerHooks(std::move(hooks));
}

}  // namespace

void Main(const QString& sCommandLine) {
  InstallUpdateHooks();
  SetMainPlayerWindowOpener([] { Forms::Get<frmMusic>().show(); });
  if (sCommandLine.trimmed().isEmpty()) {
    Forms::Get<frmMusic>().show();
    return;
  }
  frmQMusic& quick = Forms::Get<frmQMusic>();
  quick.SetFileToPlay(Unquote(sCommandLine));
  quick.show();
  SharedMusicVariables().bPlaying = true;
  quick.StartPlayQ();
}

void CloseNormally() {
  // A close asked for while the player window is still loading its play list waits until the
  // list is complete, so that the save never writes half a list.
  if (Forms::IsLoaded<frmMusic>() && Forms::Get<frmMusic>().IsLoading()) {
    QTimer::singleShot(50, [] { CloseNormally(); });
    return;
  }
  if (Forms::IsLoaded<frmMusic>()) {
    Forms::Unload<frmMusic>();
  } else if (Forms::IsLoaded<frmQMusic>()) {
    Forms::Unload<frmQMusic>();
  }
  appControl().endProgram(0);
}

}  // namespace qvt::MainModule
