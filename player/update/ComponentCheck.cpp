#include "player/update/ComponentCheck.h"

#include "platform/Platform.h"
#include "platform/base/Check.h"
#include "player/update/Paths.h"
#include "player/update/downloader.h"
#include "shared/FileManager.h"
#include "shared/Processor.h"
#include "shared/RecordNotation.h"

namespace qvt::ComponentCheck {

void CheckCommonControls() {
  if (!HasComponentFiles())
    return;
  const QString name = QStringLiteral("MSCOMCTL.OCX");
  const QString system = clsFileManager().GetSystemDir();
  if (clsFileManager().FileExists(ResolveNoCase(system, name)))
    return;
  ShowProcessing(QStringLiteral("Establishing Connection for emergency update..."));
  const QString local = programFolder().folder() + QLatin1Char('/') + name;
  const bool downloaded = downloader::DownloadFile(Paths::GetCommonControlsURL(), local);
  HideProcessing();
  // A copy that fails leaves the file missing: the check tries again at the next start.
  if (downloaded)
    (void)files().copyFile(local, ResolveNoCase(system, name));
}

}  // namespace qvt::ComponentCheck
