// Quavertone: the player program.
#include <QApplication>
#include <clocale>
#include <cstring>

#include "platform/linux/LinuxSignals.h"
#include "platform/production/ProductionPlatform.h"
#include "player/options/LinuxDesktop.h"
#include "player/playlists/ForeignList.h"
#include "player/startup/MainModule.h"
#include "player/window/Mpris.h"
#include "shared/key/PublisherKeyCommand.h"
#include "shared/ui/DesignFont.h"

int main(int argc, char** argv) {
  // Converting a play list, telling the update key and installing the desktop entry need no
  // window.
  if (argc == 2 && std::strcmp(argv[1], "--publisher-key") == 0)
    return qvt::PrintPublisherKey();
  if (argc > 1 && std::strcmp(argv[1], "--export-m3u8") == 0) {
    QStringList arguments;
    for (int i = 1; i < argc; ++i)
      arguments << QString::fromLocal8Bit(argv[i]);
    return qvt::ExportM3u8Command(arguments);
  }
  if (argc == 2 && std::strcmp(argv[1], "--install-desktop-entry") == 0) {
    QCoreApplication app(argc, argv);
    return qvt::InstallDesktopEntryCommand();
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quavertone"));
  // The windows end the program themselves when they close.
  QApplication::setQuitOnLastWindowClosed(false);
  std::setlocale(LC_NUMERIC, "C");  // libmpv needs it
  qvt::InstallProductionPlatform(QStringLiteral("Quavertone"));
  qvt::ApplyDesignFont();
  qvt::Mpris::Install();
  qvt::OnTerminationSignal([] { qvt::MainModule::CloseNormally(); });
  qvt::MainModule::Main(qvt::MainModule::CommandLine(QApplication::arguments().mid(1)));
  return QApplication::exec();
}
