// Arbitrary "paths.qvc" files: every address is read without failing, the only message is the
// one about an unknown run mode, and a file too short for its fields gives the defaults.
#include <QFile>
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "platform/fakes/InstalledPlatform.h"
#include "player/update/Paths.h"

namespace {

using qvt::fuzz::check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvt::FakePlatform& fake = qvt::fuzz::platform();
  {
    QFile file(fake.path(QStringLiteral("paths.qvc")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
      return 0;
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  fake.dialogs.shown.clear();
  const QString list = qvt::Paths::GetFileListURL(qvt::platform());
  const QString version = qvt::Paths::GetVersionFileURL(qvt::platform());
  qvt::Paths::GetMediaControlURL(qvt::platform());
  qvt::Paths::GetCommonControlsURL();
  for (const QString& text : fake.dialogs.texts())
    check(text.startsWith(QLatin1String("Incorrect run mode found, run mode ~")));
  if (size == 0) {
    check(list == qvt::Paths::DefaultFileListURL());
    check(version == qvt::Paths::DefaultVersionFileURL());
  }
  return 0;
}
