// Updater: started by the player at the end of an update. It takes no arguments, waits for the
// player to close, installs the new player, starts it and ends. The one option,
// --publisher-key, prints the fingerprint of the update key it checks with, for the layout
// tool.
#include <QApplication>
#include <clocale>
#include <cstring>
#include <exception>

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
  qvt::UpdaterProgram program(services, qvt::UpdateManifest::Trust::Compiled());
  QObject::connect(&program, &qvt::UpdaterProgram::stopped, &app, &QCoreApplication::quit);
  program.Start();
  // The procedure ends the program with its exit code; the loop only returns when a failure
  // nothing handled stopped it, which ends the Updater as an uncaught exception does.
  const int code = QApplication::exec();
  if (program.unhandled())
    std::rethrow_exception(program.unhandled());
  return code;
}
