// Arbitrary update file lists: a list is refused with a reason, or every name it gives stays
// below the program folder.
#include <QDir>
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "player/update/Updator.h"

namespace {

using qvt::fuzz::check;

void checkBelow(const QString& folder, const qvt::Updator::FileRecord& record) {
  check(qvt::Updator::CheckName(record.sName).has_value());
  const QString target = QDir::cleanPath(qvt::Updator::TargetPath(qvt::platform(), record.sName));
  check(target.startsWith(folder + QLatin1Char('/')) && target.size() > folder.size() + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvt::FakePlatform& fake = qvt::fuzz::platform();
  const qvt::Result<qvt::Updator::FileList> list =
      qvt::Updator::ParseFileList(qvt::fuzz::bytesOf(data, size));
  if (!list) {
    check(!list.error().isEmpty());
    return 0;
  }
  const QString folder = QDir::cleanPath(fake.folder());
  checkBelow(folder, list->updater);
  for (const qvt::Updator::FileRecord& record : list->files)
    checkBelow(folder, record);
  return 0;
}
