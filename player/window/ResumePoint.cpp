#include "player/window/ResumePoint.h"

#include <cmath>

#include "platform/base/Check.h"
#include "shared/RecordNotation.h"
#include "shared/Services.h"

namespace qvt {

QString ResumePointPath(const Services& services) {
  return DataFile(services, QStringLiteral("ResumePosition.qvs"));
}

void SaveResumePoint(const Services& services, const std::optional<ResumePoint>& point) {
  const QString path = ResumePointPath(services);
  if (!point || !RecordWriter::canStoreText(point->sPath)) {
    // No file is no point: a missing one is as good as a removed one.
    (void)files(services).removeFile(path);
    return;
  }
  TryStep(lcPlayback(), [&] {
    RecordWriter writer(files(services), path);
    writer.write({point->sPath, point->dSeconds});
    writer.commit();
  });
}

std::optional<ResumePoint> LoadResumePoint(const Services& services) {
  const QString path = ResumePointPath(services);
  if (!PlainFileExists(files(services), path))
    return std::nullopt;
  std::optional<ResumePoint> point;
  TryStep(lcPlayback(), [&] { point = ReadResumePoint(RecordReader(files(services), path)); });
  return point;
}

std::optional<ResumePoint> ReadResumePoint(RecordReader reader) {
  QString sPath = reader.readText();
  const double dSeconds = reader.readDouble();
  if (std::isfinite(dSeconds) && dSeconds > 0)
    return ResumePoint{std::move(sPath), dSeconds};
  return std::nullopt;
}

}  // namespace qvt
