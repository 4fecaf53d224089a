#include "player/update/Tracker.h"

#include "platform/Platform.h"
#include "platform/base/Check.h"
#include "shared/RecordNotation.h"

namespace qvt::Tracker {

namespace {

void WriteStatus(bool bRunning) {
  try {
    RecordWriter writer(StatusFilePath());
    writer.write({Variant(bRunning)});
    writer.commit();
  } catch (const RecordError&) {
    LogDropped(lcFiles());  // a status that cannot be written is left as it is
  }
}

}  // namespace

QString StatusFilePath() {
  return DataFile(QStringLiteral("Status.tmp"));
}

QString LockFilePath() {
  return DataFile(QStringLiteral("Quavertone.lock"));
}

void SetStatusRunning() {
  WriteStatus(true);
  files().holdLock(LockFilePath());
}

void SetStatusClosed() {
  WriteStatus(false);
  files().releaseLock(LockFilePath());
}

}  // namespace qvt::Tracker
