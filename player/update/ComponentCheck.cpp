#include "player/update/ComponentCheck.h"

#include "platform/base/Check.h"
#include "player/update/Paths.h"
#include "player/update/downloader.h"
#include "shared/FileManager.h"
#include "shared/Processor.h"
#include "shared/RecordNotation.h"
#include "shared/Services.h"

namespace qvt::ComponentCheck {

void CheckCommonControls(const Services& services) {
  if (!services.hasComponentFiles)
    return;
  const QString name = QStringLiteral("MSCOMCTL.OCX");
  clsFileManager fm(services);
  const QString system = fm.GetSystemDir();
  IFileSystem& fs = files(services);
  if (fm.FileExists(ResolveNoCase(fs, system, name)))
    return;
  Processor processor = ProcessorOf(services);
  processor.Show(QStringLiteral("Establishing Connection for emergency update..."));
  const QString local = programFolder(services).folder() + QLatin1Char('/') + name;
  const bool downloaded = downloader::DownloadFile(services, Paths::GetCommonControlsURL(), local);
  processor.Hide();
  // A copy that fails leaves the file missing: the check tries again at the next start.
  if (downloaded)
    (void)fs.copyFile(local, ResolveNoCase(fs, system, name));
}

}  // namespace qvt::ComponentCheck
