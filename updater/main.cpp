// Updater: started by the player at the end of an update. It takes no arguments, waits for the
// player to close, installs the new player, starts it and ends. The one option,
// --publisher-key, prints the fingerprint of the update key it checks with, for the layout
// tool.
#include <QApplication>
#include <clocale>
#include <cstring>

#include "platform/production/MachinePlatform.h"
#include "shared/FileNumbers.h"
#include "shared/Processor.h"
#include "shared/PublisherKeyCommand.h"
#include "shared/Services.h"
#include "shared/ui/DesignFont.h"
#include "shared/ui/ProgressWindows.h"
#include "updater/UpdaterProgram.h"

int main(int argc, char** argv) {
  if (argc == 2 && std::strcmp(argv[1], "--publisher-key") == 0)
    return qvt::PrintPublisherKey();
  qvt::FileNumbers fileNumbers;  // the files open through the file manager
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Updater"));
  QApplication::setQuitOnLastWindowClosed(false);
  std::setlocale(LC_NUMERIC, "C");
  // The Updater reaches its services only through the table it is handed here; nothing is
  // installed for the whole process.
  qvt::MachinePlatform machine(QStringLiteral("Updater"));
  qvt::ProcessorState progress;  // the progress windows are always shown
  qvt::QtProgressWindows progressWindows(progress);
  qvt::Services services{machine.Table()};
  services.fileNumbers = &fileNumbers;
  services.progressWindows = &progressWindows;
  services.processor = &progress;
  qvt::ApplyDesignFont();
  qvt::UpdaterProgram(services, qvt::UpdateManifest::Trust::Compiled()).Main();  // ends the program
  return 0;
}
