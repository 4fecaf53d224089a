// Arbitrary signed statements of the latest version, parsed in memory: a statement is refused, or
// it is exactly the text its parts write back (one spelling of each), its channel is one of the
// two and its expiry is later than its issue. Any text read as a time writes back as itself.
#include <QByteArray>
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "shared/UpdateStatement.h"

namespace {

using qvt::fuzz::check;
namespace Statement = qvt::UpdateStatement;

QByteArray Written(const Statement::Statement& statement) {
  return "QVTTimestamp 1\r\nversion " +
         qvt::UpdateVersion::NumbersText(statement.version).toLatin1() + "\r\nchannel " +
         statement.sChannel.toLatin1() + "\r\nissued " +
         Statement::TimeText(statement.issued).toLatin1() + "\r\nexpires " +
         Statement::TimeText(statement.expires).toLatin1() + "\r\n";
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray text(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  if (const std::optional<Statement::Statement> statement = Statement::Parse(text)) {
    check(statement->sChannel == QLatin1String("FINAL") ||
          statement->sChannel == QLatin1String("BETA"));
    check(statement->expires > statement->issued);
    check(Written(*statement) == text);
  }
  if (const std::optional<qint64> time = Statement::ParseTime(text))
    check(Statement::TimeText(*time).toLatin1() == text);
  return 0;
}
