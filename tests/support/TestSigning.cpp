#include "tests/support/TestSigning.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryFile>

namespace qvt::test {

namespace {

QByteArray ReadKeyFile(const char* name) {
  QFile file(QStringLiteral(QVT_SOURCE_DIR "/tests/keys/") + QLatin1String(name));
  return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

}  // namespace

UpdateManifest::Trust TestKeyTrust() {
  return {ReadKeyFile("test-publisher.pub"), false};
}

QByteArray SignWithTestKey(const QByteArray& message) {
  QTemporaryFile input;
  if (!input.open() || input.write(message) != message.size() || !input.flush())
    return QByteArray();
  QProcess sign;
  sign.start(
      QStringLiteral("openssl"),
      {QStringLiteral("pkeyutl"), QStringLiteral("-sign"), QStringLiteral("-rawin"),
       QStringLiteral("-inkey"), QStringLiteral(QVT_SOURCE_DIR "/tests/keys/test-publisher.pem"),
       QStringLiteral("-in"), input.fileName()});
  if (!sign.waitForFinished(30000) || sign.exitCode() != 0)
    return QByteArray();
  return sign.readAllStandardOutput().toBase64() + '\n';
}

}  // namespace qvt::test
