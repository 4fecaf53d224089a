// Quavertone: the player program.
#include <QApplication>
#include <clocale>
#include <optional>

#include "platform/linux/LinuxDesktop.h"
#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxSessionBus.h"
#include "platform/linux/LinuxSignals.h"
#include "platform/production/ProductionPlatform.h"
#include "player/PlayerWindows.h"
#include "player/cli/CommandLine.h"
#include "player/startup/MainModule.h"
#include "player/startup/MusicVariables.h"
#include "player/window/Mpris.h"
#include "shared/FileNumbers.h"
#include "shared/Processor.h"
#include "shared/Services.h"
#include "shared/ui/DesignFont.h"
#include "shared/ui/ProgressWindows.h"

int main(int argc, char** argv) {
  // An option (--help, --version, --export-m3u8...) runs without a window and ends the
  // program; the conversions write through the file system service, the desktop entry goes to
  // the Linux desktop.
  {
    qvt::LinuxFileSystem files;
    qvt::LinuxDesktop desktop;
    if (const std::optional<int> status = qvt::cli::RunCommandLine(argc, argv, {files, desktop}))
      return *status;
  }
  // The numbers of the files open through the file manager, on any thread: made first, so that
  // it outlives everything that opens files.
  qvt::FileNumbers fileNumbers;
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Quavertone"));
  // The windows end the program themselves when they close.
  QApplication::setQuitOnLastWindowClosed(false);
  std::setlocale(LC_NUMERIC, "C");  // libmpv needs it
  // The services every window and operation receives: the machine's, and the progress
  // operations' state and windows.
  qvt::ProductionPlatform machine(QStringLiteral("Quavertone"));
  qvt::ProcessorState progress;
  qvt::QtProgressWindows progressWindows(progress);
  qvt::Services services{machine.Table()};
  services.processor = &progress;
  services.fileNumbers = &fileNumbers;
  services.progressWindows = &progressWindows;
  qvt::ApplyDesignFont();
  qvt::MusicVariables musicVariables;  // the play list and the state every window shares
  // The media controls, when there is a session bus to serve them on.
  qvt::MprisHub mpris;
  if (const std::optional<QDBusConnection> bus = qvt::ConnectSessionBus())
    mpris.Install(*bus);
  qvt::PlayerWindows windows(musicVariables, services, &mpris);
  qvt::OnTerminationSignal([&windows] { qvt::MainModule::CloseNormally(windows); });
  qvt::MainModule::Main(windows, qvt::MainModule::CommandLine(QApplication::arguments().mid(1)));
  return QApplication::exec();
}
