// How long a signed update takes to check: the signature of its manifest and the SHA-256 and
// size of a 50 MB new player, as the player and the Updater check it before it is put in place.
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <cstdio>

#include "bench/Bench.h"
#include "platform/crypto/Signature.h"
#include "shared/UpdateManifest.h"

namespace {

const QString kKeys = QStringLiteral(QVT_SOURCE_DIR "/tests/keys/test-publisher");

bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

}  // namespace

QVT_BENCH(update_verify) {
  QTemporaryDir dir;
  const QString player = dir.filePath(QStringLiteral("ProgramUpdate.tmp"));
  QByteArray bytes(50 * 1000 * 1000, '\0');
  for (qsizetype i = 0; i < bytes.size(); ++i)
    bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
  const std::optional<qvt::crypto::FileDigest> digest =
      WriteBytes(player, bytes) ? qvt::crypto::DigestFile(player) : std::nullopt;
  const QString manifest = dir.filePath(QStringLiteral("UpdateManifest.tmp"));
  const QString signature = dir.filePath(QStringLiteral("UpdateManifest.sig.tmp"));
  QProcess sign;
  sign.setStandardOutputFile(signature + QStringLiteral(".raw"));
  if (!digest || !WriteBytes(manifest,
                             "QVTManifest 2\r\nversion 1.34.0\r\nchannel FINAL\r\n"
                             "updater 1 " +
                                 QByteArray(64, 'a') +
                                 " Updater\r\n"
                                 "player " +
                                 QByteArray::number(digest->size) + ' ' + digest->sha256 +
                                 " ProgramUpdate.tmp\r\n")) {
    std::fprintf(stderr, "update_verify: the update could not be written\n");
    return;
  }
  sign.start(QStringLiteral("openssl"), {"pkeyutl", "-sign", "-rawin", "-inkey",
                                         kKeys + QStringLiteral(".pem"), "-in", manifest});
  QFile raw(signature + QStringLiteral(".raw"));
  QFile pub(kKeys + QStringLiteral(".pub"));
  if (!sign.waitForFinished(30000) || sign.exitCode() != 0 || !raw.open(QIODevice::ReadOnly) ||
      !pub.open(QIODevice::ReadOnly) || !WriteBytes(signature, raw.readAll().toBase64())) {
    std::fprintf(stderr, "update_verify: the manifest could not be signed\n");
    return;
  }
  const qvt::UpdateManifest::Trust trust{pub.readAll().trimmed(), false};
  bool ok = true;
  const double seconds = qvt::bench::BestSeconds(3, [&] {
    const auto opened = qvt::UpdateManifest::Open(trust, manifest, signature);
    ok = ok && opened &&
         qvt::UpdateManifest::CheckFile(*opened, QStringLiteral("ProgramUpdate.tmp"), player)
             .has_value();
  });
  if (!ok)
    std::fprintf(stderr, "update_verify: the update did not pass its own check\n");
  qvt::bench::Figure(QStringLiteral("update_verify_50mb_ms"), seconds * 1000.0,
                     QStringLiteral("ms"));
}
