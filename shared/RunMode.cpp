#include "shared/RunMode.h"

#include "platform/base/Check.h"
#include "shared/RecordNotation.h"
#include "shared/Services.h"

namespace qvt::RunMode {

std::optional<QStringList> ReadFields(const std::function<RecordReader()>& open, int count) {
  try {
    RecordReader reader = open();
    QStringList fields;
    for (int i = 0; i < count; ++i)
      fields << reader.readText();
    return fields;
  } catch (const RecordError& failure) {
    // No file, or fewer fields than asked for, is how the defaults are chosen; a file that is
    // there but cannot be read is worth a warning, though the defaults serve then too.
    if (failure.kind() == RecordError::ReadFailed) {
      LogDropped(lcUpdate());
    } else if (failure.kind() != RecordError::FileNotFound) {
      LogExpected(lcUpdate());
    }
    return std::nullopt;
  }
}

std::optional<QStringList> ReadPathsFields(const Services& services, int count) {
  return ReadFields(
      [&services] {
        return RecordReader(files(services), ProgramFile(services, QStringLiteral("paths.qvc")));
      },
      count);
}

QString Channel(const Services& services) {
  const std::optional<QStringList> fields = ReadPathsFields(services, 5);
  if (fields && fields->at(0).toUpper() == QLatin1String("BETA"))
    return QStringLiteral("BETA");
  return QStringLiteral("FINAL");
}

}  // namespace qvt::RunMode
