#include "player/update/Tracker.h"

#include "platform/base/Check.h"
#include "shared/RecordNotation.h"
#include "shared/Services.h"

namespace qvt::Tracker {

namespace {

void WriteStatus(const Services& services, bool bRunning) {
  try {
    RecordWriter writer(files(services), StatusFilePath(services));
    writer.write({Variant(bRunning)});
    writer.commit();
  } catch (const RecordError&) {
    LogDropped(lcFiles());  // a status that cannot be written is left as it is
  }
}

}  // namespace

QString StatusFilePath(const Services& services) {
  return DataFile(services, QStringLiteral("Status.tmp"));
}

QString LockFilePath(const Services& services) {
  return DataFile(services, QStringLiteral("Quavertone.lock"));
}

void SetStatusRunning(const Services& services) {
  WriteStatus(services, true);
  files(services).holdLock(LockFilePath(services));
}

void SetStatusClosed(const Services& services) {
  WriteStatus(services, false);
  files(services).releaseLock(LockFilePath(services));
}

}  // namespace qvt::Tracker
