// Updater: started by the player at the end of an update. It takes no arguments, waits for the
// player to close, installs the new player, starts it and ends.
#include <QApplication>
#include <clocale>

#include "platform/production/ProductionPlatform.h"
#include "shared/Processor.h"
#include "shared/ui/DesignFont.h"
#include "updater/UpdaterProgram.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Updater"));
  QApplication::setQuitOnLastWindowClosed(false);
  std::setlocale(LC_NUMERIC, "C");
  qvt::InstallProductionPlatform(QStringLiteral("Updater"));
  qvt::ApplyDesignFont();
  qvt::SetProcessingSuppressed(false);  // the Updater always shows its progress windows
  qvt::UpdaterProgram().Main();         // ends the program itself
  return 0;
}
