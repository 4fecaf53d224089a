#include "player/update/Tracker.h"

#include "platform/Platform.h"
#include "shared/FileManager.h"

namespace qvt::Tracker {

namespace {

void WriteStatus(bool bRunning) {
  clsFileManager fm;
  if (fm.OpenFile(StatusFilePath(), 2, true) != 0)
    return;
  try {
    fm.SaveVariable(Variant(bRunning), true);
    fm.WriteLineToFile(true);
  } catch (const std::exception&) {
    // A status that cannot be written is left as it is.
  }
  fm.CloseFile(true);
}

}  // namespace

QString StatusFilePath() {
  return DataFile(QStringLiteral("Status.tmp"));
}

void SetStatusRunning() {
  WriteStatus(true);
}

void SetStatusClosed() {
  WriteStatus(false);
}

}  // namespace qvt::Tracker
