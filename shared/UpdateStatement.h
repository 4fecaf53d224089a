#pragma once
// The publisher's signed statement of the latest version of a channel, dated and with an expiry:
// what lets a player built with the publisher's key tell a current answer of the update server
// from an old one replayed, or from a server whose updates someone holds back.
//
// On the server, beside the version file: "QVTTimestamp.txt" and its detached signature
// "QVTTimestamp.sig", written by tools/layout-update.sh with the key that signs the manifest.
// The statement is text, five lines each ended by CR LF:
//
//   QVTTimestamp 1
//   version 1.34.0
//   channel FINAL
//   issued 2026-12-07T10:00:00Z
//   expires 2027-01-06T10:00:00Z
//
// The version is the one the version file announces, the channel the run mode it is published
// for ("FINAL" or "BETA"), and the two times are UTC, to the second, the expiry after the issue.
// The signature file holds the base64 of the Ed25519 signature of the statement's exact bytes.

#include <QByteArray>
#include <QString>
#include <optional>

#include "platform/base/Result.h"
#include "shared/UpdateManifest.h"
#include "shared/UpdateVersion.h"

namespace qvt::UpdateStatement {

extern const QString kStatementName;  // "QVTTimestamp.txt"
extern const QString kSignatureName;  // "QVTTimestamp.sig"

// The most bytes a statement may have; a download ends at the first byte over. Its signature is
// bounded as the manifest's (UpdateManifest::kMostSignatureBytes).
constexpr qint64 kMostStatementBytes = 1024;

struct Statement {
  UpdateVersion::VersionNumbers version;
  QString sChannel;    // "FINAL" or "BETA"
  qint64 issued = 0;   // seconds since 1970-01-01 00:00:00 UTC
  qint64 expires = 0;  // the same; later than `issued`
};

// The signed text parsed; nothing when it is longer than kMostStatementBytes or any line is not
// of the format above.
std::optional<Statement> Parse(const QByteArray& text);
// The statement, when `signature` (its file's content) is the trusted publisher's signature of
// `text`; fails with the problem.
Result<Statement> Open(const UpdateManifest::Trust& trust, const QByteArray& text,
                       const QByteArray& signature);
// A time of a statement as the statement writes it: "2026-12-07T10:00:00Z".
QString TimeText(qint64 secondsSinceEpoch);
// A time as a statement writes it, in seconds since 1970-01-01 00:00:00 UTC; nothing for any
// other text.
std::optional<qint64> ParseTime(const QByteArray& text);

}  // namespace qvt::UpdateStatement
