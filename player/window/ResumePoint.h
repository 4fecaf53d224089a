#pragma once
// Where the player was within its song when it closed, kept in "ResumePosition.qvs" beside the
// settings (one record: the song's path and the position in seconds), so that Play on that
// song after a restart goes on from there. The settings file keeps its own format.

#include <QString>
#include <optional>

namespace qvt {

class RecordReader;
struct Services;

struct ResumePoint {
  QString sPath;
  double dSeconds = 0;
};

QString ResumePointPath(const Services& services);

// Writes the point through a temporary file; with none (nothing to resume) removes the file.
// A failure is logged and leaves the old file, or none.
void SaveResumePoint(const Services& services, const std::optional<ResumePoint>& point);

// The point kept, or nothing when there is none or it cannot be read.
std::optional<ResumePoint> LoadResumePoint(const Services& services);
// The point a file of those records holds, or nothing for a position that is not above zero.
// Throws RecordError when the records cannot be read.
std::optional<ResumePoint> ReadResumePoint(RecordReader reader);

}  // namespace qvt
