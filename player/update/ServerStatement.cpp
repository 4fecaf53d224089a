#include "player/update/ServerStatement.h"

#include <QFile>
#include <QMap>
#include <optional>

#include "platform/base/Check.h"
#include "player/update/Paths.h"
#include "player/update/downloader.h"
#include "shared/RecordNotation.h"
#include "shared/Services.h"
#include "shared/UpdateStatement.h"

namespace qvt::ServerStatement {

const QString kNotVerified = QStringLiteral(
    "The update server could not be verified, so QVT cannot tell whether it is up to date.");
const QString kSeenName = QStringLiteral("UpdateStatements.qvs");

namespace {

using UpdateStatement::Statement;
using UpdateStatement::TimeText;
using UpdateVersion::NumbersText;

// The newest statement seen of each channel: its issue time and version.
struct Seen {
  qint64 issued = 0;
  UpdateVersion::VersionNumbers version;
};

// Downloads one published file into a temporary file of the data folder and answers its bytes;
// fails with `failure`.
Result<QByteArray> Fetch(const Services& services, const QString& sURL, const QString& sName,
                         qint64 maxBytes, const QString& failure) {
  const QString path = DataFile(services, sName);
  (void)files(services).removeFile(path);  // may be missing; never read from an earlier check
  const bool fetched = downloader::DownloadFile(services, sURL, path, maxBytes);
  QFile file(path);
  const QByteArray bytes =
      fetched && file.open(QIODevice::ReadOnly) ? file.read(maxBytes) : QByteArray();
  file.close();
  (void)files(services).removeFile(path);  // kept only while it is read
  if (!fetched)
    return Unexpected{failure};
  return bytes;
}

// The statement published beside the version file, its signature checked.
Result<Statement> FetchStatement(const Services& services, const UpdateManifest::Trust& trust,
                                 const QString& sVersionURL) {
  const QString folder = sVersionURL.left(sVersionURL.lastIndexOf(QLatin1Char('/')) + 1);
  const QString missing =
      QStringLiteral("The signed statement of the latest version could not be downloaded.");
  const Result<QByteArray> text =
      Fetch(services, folder + UpdateStatement::kStatementName, QStringLiteral("QVTTimestamp.tmp"),
            UpdateStatement::kMostStatementBytes, missing);
  if (!text)
    return Unexpected{text.error()};
  const Result<QByteArray> signature =
      Fetch(services, folder + UpdateStatement::kSignatureName,
            QStringLiteral("QVTTimestamp.sig.tmp"), UpdateManifest::kMostSignatureBytes, missing);
  if (!signature)
    return Unexpected{signature.error()};
  return UpdateStatement::Open(trust, *text, *signature);
}

// The newest statements seen, by channel; none when the file is missing or damaged (a damaged
// one is logged, and the next verified statement replaces it).
QMap<QString, Seen> ReadSeen(const Services& services) {
  QMap<QString, Seen> seen;
  try {
    RecordReader reader(files(services), DataFile(services, kSeenName));
    while (!reader.atEnd()) {
      const QString channel = reader.readText();
      const std::optional<qint64> issued = UpdateStatement::ParseTime(reader.readText().toLatin1());
      const std::optional<UpdateVersion::VersionNumbers> version =
          UpdateVersion::ParseVersion(reader.readText());
      if (!issued || !version)
        throw RecordError(RecordError::BadValue, kSeenName);
      seen[channel] = {*issued, *version};
    }
  } catch (const RecordError& failure) {
    if (failure.kind() != RecordError::FileNotFound)
      LogDropped(lcUpdate());
    return {};
  }
  return seen;
}

void Remember(const Services& services, QMap<QString, Seen> seen, const Statement& statement) {
  seen[statement.sChannel] = {statement.issued, statement.version};
  // A statement that cannot be remembered was still verified: the check goes on without it.
  TryStep(lcUpdate(), [&] {
    RecordWriter writer(files(services), DataFile(services, kSeenName));
    for (auto it = seen.cbegin(); it != seen.cend(); ++it)
      writer.write({it.key(), TimeText(it->issued), NumbersText(it->version)});
    writer.commit();
  });
}

bool SameVersion(const UpdateVersion::VersionNumbers& a, const UpdateVersion::VersionNumbers& b) {
  return !UpdateVersion::IsNewer(a, b) && !UpdateVersion::IsNewer(b, a);
}

// Whether the statement vouches for the version file's answer now; fails with the reason.
Result<void> Check(const Statement& statement, qint64 now, const QString& sChannel,
                   const UpdateVersion::VersionNumbers& announced,
                   const std::optional<Seen>& seen) {
  if (now >= statement.expires)
    return Unexpected{QStringLiteral("The signed statement of the latest version expired on ") +
                      TimeText(statement.expires) + QLatin1Char('.')};
  if (statement.sChannel != sChannel)
    return Unexpected{QStringLiteral("The signed statement of the latest version is for the ") +
                      statement.sChannel + QStringLiteral(" channel, not this QVT's ") + sChannel +
                      QStringLiteral(" channel.")};
  if (!SameVersion(statement.version, announced))
    return Unexpected{QStringLiteral("The signed statement names version ") +
                      NumbersText(statement.version) +
                      QStringLiteral(" as the latest, but the version file names ") +
                      NumbersText(announced) + QLatin1Char('.')};
  if (seen &&
      (statement.issued < seen->issued || UpdateVersion::IsNewer(seen->version, statement.version)))
    return Unexpected{
        QStringLiteral("The signed statement of the latest version is older than one QVT has "
                       "already seen (issued ") +
        TimeText(seen->issued) + QStringLiteral(", version ") + NumbersText(seen->version) +
        QStringLiteral(").")};
  return {};
}

}  // namespace

Result<void> Verify(const Services& services, const UpdateManifest::Trust& trust,
                    const QString& sVersionURL, const UpdateVersion::VersionNumbers& announced) {
  const Result<Statement> statement = FetchStatement(services, trust, sVersionURL);
  if (!statement)
    return Unexpected{statement.error()};
  const QMap<QString, Seen> seen = ReadSeen(services);
  std::optional<Seen> seenOfChannel;
  if (seen.contains(statement->sChannel))
    seenOfChannel = seen.value(statement->sChannel);
  const Result<void> checked = Check(*statement, systemClock(services).secondsSinceEpoch(),
                                     Paths::GetRunMode(services), announced, seenOfChannel);
  if (checked)
    Remember(services, seen, *statement);
  return checked;
}

}  // namespace qvt::ServerStatement
