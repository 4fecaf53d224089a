// Updater: started by the player at the end of an update. It takes no arguments, waits for the
// player to close, installs the new player, starts it and ends. The one option,
// --publisher-key, prints the fingerprint of the update key it checks with, for the layout
// tool.
#include <QApplication>
#include <clocale>
#include <cstring>

#include "platform/Platform.h"
#include "platform/production/MachinePlatform.h"
#include "shared/Processor.h"
#include "shared/PublisherKeyCommand.h"
#include "shared/ui/DesignFont.h"
#include "shared/ui/ProgressWindows.h"
#include "updater/UpdaterProgram.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--publisher-key") == 0)
    return qvt::PrintPublisherKey();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Updater"));
  QApplication::setQuitOnLastWindowClosed(false);
  std::setlocale(LC_NUMERIC, "C");
  const qvt::MachinePlatform services(QStringLiteral("Updater"));
  qvt::QtProgressWindows progressWindows;
  qvt::platform().progressWindows = &progressWindows;
  qvt::ProcessorState progress;
  qvt::platform().processor = &progress;
  qvt::ApplyDesignFont();
  qvt::SetProcessingSuppressed(false);  // the Updater always shows its progress windows
  qvt::UpdaterProgram(qvt::UpdateManifest::Trust::Compiled()).Main();  // ends the program itself
  return 0;
}
