#include "shared/UpdateStatement.h"

#include <QDate>
#include <QList>

#include "platform/crypto/Signature.h"

namespace qvt::UpdateStatement {

const QString kStatementName = QStringLiteral("QVTTimestamp.txt");
const QString kSignatureName = QStringLiteral("QVTTimestamp.sig");

namespace {

constexpr qint64 kSecondsPerDay = 86400;
const qint64 kEpochDay = QDate(1970, 1, 1).toJulianDay();

// The number of `count` decimal digits at `at`; nothing when any is not a digit.
std::optional<int> Digits(const QByteArray& text, qsizetype at, qsizetype count) {
  int value = 0;
  for (qsizetype i = at; i < at + count; ++i) {
    if (text[i] < '0' || text[i] > '9')
      return std::nullopt;
    value = value * 10 + (text[i] - '0');
  }
  return value;
}

// The value after "name " on a line; nothing when the line does not start so.
std::optional<QByteArray> Field(const QByteArray& line, const char* name) {
  const QByteArray prefix = QByteArray(name) + ' ';
  if (!line.startsWith(prefix))
    return std::nullopt;
  return line.mid(prefix.size());
}

}  // namespace

std::optional<qint64> ParseTime(const QByteArray& text) {
  // "YYYY-MM-DDThh:mm:ssZ", every separator where it belongs.
  static const QByteArray kShape = "dddd-dd-ddTdd:dd:ddZ";
  if (text.size() != kShape.size())
    return std::nullopt;
  for (qsizetype i = 0; i < text.size(); ++i) {
    if (kShape[i] != 'd' && text[i] != kShape[i])
      return std::nullopt;
  }
  const std::optional<int> year = Digits(text, 0, 4), month = Digits(text, 5, 2),
                           day = Digits(text, 8, 2), hour = Digits(text, 11, 2),
                           minute = Digits(text, 14, 2), second = Digits(text, 17, 2);
  if (!year || !month || !day || !hour || !minute || !second)
    return std::nullopt;
  const QDate date(*year, *month, *day);
  if (!date.isValid() || *hour > 23 || *minute > 59 || *second > 59)
    return std::nullopt;
  return (date.toJulianDay() - kEpochDay) * kSecondsPerDay + qint64{*hour} * 3600 +
         qint64{*minute} * 60 + *second;
}

QString TimeText(qint64 secondsSinceEpoch) {
  qint64 days = secondsSinceEpoch / kSecondsPerDay;
  qint64 rest = secondsSinceEpoch % kSecondsPerDay;
  if (rest < 0) {
    rest += kSecondsPerDay;
    --days;
  }
  const QDate date = QDate::fromJulianDay(kEpochDay + days);
  return QString::asprintf("%04d-%02d-%02dT%02d:%02d:%02dZ", date.year(), date.month(), date.day(),
                           static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60),
                           static_cast<int>(rest % 60));
}

std::optional<Statement> Parse(const QByteArray& text) {
  if (text.size() > kMostStatementBytes)
    return std::nullopt;
  // Five lines each ended by CR LF: split at LF, the piece after the last one is empty.
  QList<QByteArray> lines = text.split('\n');
  if (lines.size() != 6 || !lines.takeLast().isEmpty())
    return std::nullopt;
  for (QByteArray& line : lines) {
    if (!line.endsWith('\r'))
      return std::nullopt;
    line.chop(1);
  }
  if (lines[0] != "QVTTimestamp 1")
    return std::nullopt;
  const std::optional<QByteArray> version = Field(lines[1], "version");
  const std::optional<QByteArray> channel = Field(lines[2], "channel");
  const std::optional<QByteArray> issued = Field(lines[3], "issued");
  const std::optional<QByteArray> expires = Field(lines[4], "expires");
  if (!version || !channel || !issued || !expires || (*channel != "FINAL" && *channel != "BETA"))
    return std::nullopt;
  const std::optional<UpdateVersion::VersionNumbers> numbers =
      UpdateVersion::ParseVersion(QString::fromLatin1(*version));
  const std::optional<qint64> issuedAt = ParseTime(*issued);
  const std::optional<qint64> expiresAt = ParseTime(*expires);
  if (!numbers || !issuedAt || !expiresAt || *expiresAt <= *issuedAt)
    return std::nullopt;
  return Statement{*numbers, QString::fromLatin1(*channel), *issuedAt, *expiresAt};
}

Result<Statement> Open(const UpdateManifest::Trust& trust, const QByteArray& text,
                       const QByteArray& signature) {
  const QByteArray raw = QByteArray::fromBase64(signature.trimmed());
  if (!crypto::VerifyEd25519(QByteArray::fromBase64(trust.publisherKey), text, raw))
    return Unexpected{QStringLiteral(
        "The statement of the latest version is not signed by the publisher of QVT.")};
  std::optional<Statement> statement = Parse(text);
  if (!statement)
    return Unexpected{QStringLiteral("The signed statement of the latest version is damaged.")};
  return *statement;
}

}  // namespace qvt::UpdateStatement
