#pragma once
// The Linux desktop for file-type associations: the XDG base folders of the current user, the
// shared MIME database (through QMimeDatabase) and the desktop's tools (update-mime-database,
// update-desktop-database), each run only when installed.

#include "platform/Desktop.h"

namespace qvt {

class LinuxDesktop : public IDesktop {
 public:
  QString dataHome() override;
  QString configHome() override;
  QString mimeTypeForExtension(const QString& extension) override;
  bool runTool(const QString& program, const QStringList& arguments) override;
};

}  // namespace qvt
