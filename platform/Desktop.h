#pragma once
// The Linux desktop's side of file-type associations: the current user's XDG base folders, the
// shared MIME database and the desktop's tools. The association logic
// (player/options/DesktopAssociation.h) runs against it, and against temporary folders in tests.

#include <QString>
#include <QStringList>

namespace qvt {

class IDesktop {
 public:
  virtual ~IDesktop() = default;
  // $XDG_DATA_HOME, or ~/.local/share.
  virtual QString dataHome() = 0;
  // $XDG_CONFIG_HOME, or ~/.config.
  virtual QString configHome() = 0;
  // The shared MIME database's type for a file with the extension; empty when it has none.
  virtual QString mimeTypeForExtension(const QString& extension) = 0;
  // Runs a desktop tool when it is installed and waits for it; false when it is missing or
  // failed.
  virtual bool runTool(const QString& program, const QStringList& arguments) = 0;
};

}  // namespace qvt
