#pragma once
// The Linux desktop for file-type associations: the XDG base folders of the current user, the
// shared MIME database (through QMimeDatabase) and the desktop's tools (update-mime-database,
// update-desktop-database), each run only when installed.

#include "player/options/DesktopAssociation.h"

namespace qvt {

class LinuxDesktop : public IDesktop {
 public:
  QString dataHome() override;
  QString configHome() override;
  QString mimeTypeForExtension(const QString& extension) override;
  bool runTool(const QString& program, const QStringList& arguments) override;
};

// The command line "--install-desktop-entry" that an install runs with the installed program:
// writes the desktop entry for this executable (InstallDesktopEntry) with the extensions of
// the program folder's "AcceptedFileTypes.qvc". Needs a QCoreApplication. Answers the exit
// code, having printed a one-line error on failure.
int InstallDesktopEntryCommand();

}  // namespace qvt
