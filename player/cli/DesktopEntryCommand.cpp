#include "player/cli/DesktopEntryCommand.h"

#include <QCoreApplication>
#include <cstdio>

#include "player/options/DesktopAssociation.h"
#include "shared/RecordNotation.h"

namespace qvt {

int InstallDesktopEntryCommand(IFileSystem& fs, IDesktop& desktop) {
  const QString folder = QCoreApplication::applicationDirPath();
  QString error;
  try {
    RecordReader reader(fs, folder + QStringLiteral("/AcceptedFileTypes.qvc"));
    const QStringList extensions = reader.readText().split(u' ', Qt::SkipEmptyParts);
    const Result<void> installed =
        InstallDesktopEntry(desktop, fs, QCoreApplication::applicationFilePath(),
                            folder + QStringLiteral("/QVTFile.png"), extensions);
    if (installed)
      return 0;
    error = installed.error();
  } catch (const RecordError& failure) {
    error = QStringLiteral("AcceptedFileTypes.qvc: ") + failure.description();
  }
  std::fprintf(stderr, "Quavertone: %s\n", error.simplified().toLocal8Bit().constData());
  return 1;
}

}  // namespace qvt
