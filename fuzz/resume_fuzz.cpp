// Arbitrary resume point files, read whole and in blocks alike. A point read has a position
// above zero, and written again as the player writes it, reads back the same.
#include <QStringEncoder>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "fuzz/FuzzSupport.h"
#include "player/window/ResumePoint.h"
#include "shared/RecordNotation.h"

namespace {

using qvt::fuzz::check;

std::optional<qvt::ResumePoint> read(qvt::RecordReader reader) {
  try {
    return qvt::ReadResumePoint(std::move(reader));
  } catch (const qvt::RecordError&) {
    return std::nullopt;
  }
}

bool same(const std::optional<qvt::ResumePoint>& a, const std::optional<qvt::ResumePoint>& b) {
  return a.has_value() == b.has_value() &&
         (!a || (a->sPath == b->sPath && a->dSeconds == b->dSeconds));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes = qvt::fuzz::bytesOf(data, size);
  const std::optional<qvt::ResumePoint> point = read(qvt::RecordReader::fromBytes(bytes));
  check(same(point, read(qvt::RecordReader::inBlocks(
                        bytes, qvt::fuzz::blockSize(static_cast<unsigned>(size), bytes.size())))));
  if (!point || !qvt::RecordWriter::canStoreText(point->sPath))
    return 0;
  check(std::isfinite(point->dSeconds) && point->dSeconds > 0);
  QByteArray record;
  QStringEncoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  qvt::AppendRecordValue(record, point->sPath, utf8);
  record += ',';
  qvt::AppendRecordValue(record, point->dSeconds, utf8);
  record += "\r\n";
  check(same(read(qvt::RecordReader::fromBytes(record)), point));
  return 0;
}
