// Arbitrary "paths.qvc" files: every address is read without failing, the only message is the
// one about an unknown run mode, and a file too short for its fields gives the defaults.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "player/update/Paths.h"

namespace {

using qvt::fuzz::check;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvt::FakePlatform& fake = qvt::fuzz::platform();
  const QByteArray file = qvt::fuzz::bytesOf(data, size);
  fake.dialogs.shown.clear();
  const QString list = qvt::Paths::GetFileListURL(qvt::platform(), file);
  const QString version = qvt::Paths::GetVersionFileURL(qvt::platform(), file);
  qvt::Paths::GetMediaControlURL(file);
  for (const QString& text : fake.dialogs.texts())
    check(text.startsWith(QLatin1String("Incorrect run mode found, run mode ~")));
  if (size == 0) {
    check(list == qvt::Paths::DefaultFileListURL());
    check(version == qvt::Paths::DefaultVersionFileURL());
  }
  return 0;
}
