#include "player/update/Tracker.h"

#include "platform/Platform.h"
#include "platform/base/Check.h"
#include "shared/RecordNotation.h"

namespace qvt::Tracker {

namespace {

void WriteStatus(const Platform& services, bool bRunning) {
  try {
    RecordWriter writer(files(services), StatusFilePath(services));
    writer.write({Variant(bRunning)});
    writer.commit();
  } catch (const RecordError&) {
    LogDropped(lcFiles());  // a status that cannot be written is left as it is
  }
}

}  // namespace

QString StatusFilePath(const Platform& services) {
  return DataFile(services, QStringLiteral("Status.tmp"));
}

QString LockFilePath(const Platform& services) {
  return DataFile(services, QStringLiteral("Quavertone.lock"));
}

void SetStatusRunning(const Platform& services) {
  WriteStatus(services, true);
  files(services).holdLock(LockFilePath(services));
}

void SetStatusClosed(const Platform& services) {
  WriteStatus(services, false);
  files(services).releaseLock(LockFilePath(services));
}

}  // namespace qvt::Tracker
