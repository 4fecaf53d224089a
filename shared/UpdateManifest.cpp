#include "shared/UpdateManifest.h"

#include <QFile>
#include <QList>

#include "platform/crypto/Signature.h"
#include "shared/key/PublisherKey.h"

namespace qvt::UpdateManifest {

const QString kManifestName = QStringLiteral("QVTManifest.txt");
const QString kSignatureName = QStringLiteral("QVTManifest.sig");
const QString kKeptManifest = QStringLiteral("UpdateManifest.tmp");
const QString kKeptSignature = QStringLiteral("UpdateManifest.sig.tmp");

namespace {

constexpr qint64 kMostBytes = 1 << 20;  // a manifest or signature is far smaller

std::optional<QByteArray>& KeyOverride() {
  static std::optional<QByteArray> key;
  return key;
}

std::optional<QByteArray> ReadSmall(const QString& sPath) {
  QFile file(sPath);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMostBytes)
    return std::nullopt;
  return file.readAll();
}

QString Normalised(const QString& sName) {
  return QString(sName).replace(QLatin1Char('\\'), QLatin1Char('/'));
}

bool IsHexDigest(const QByteArray& text) {
  if (text.size() != 64)
    return false;
  for (const char c : text) {
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
      return false;
  }
  return true;
}

// Parses the signed text. Nothing when any line is not of the format.
std::optional<Manifest> Parse(const QByteArray& text) {
  QList<QByteArray> lines = text.split('\n');
  if (lines.size() < 3 || !lines.last().isEmpty())
    return std::nullopt;
  lines.removeLast();
  for (QByteArray& line : lines) {
    if (!line.endsWith('\r'))
      return std::nullopt;
    line.chop(1);
  }
  if (lines[0] != "QVTManifest 1" || !lines[1].startsWith("version "))
    return std::nullopt;
  Manifest manifest;
  manifest.sVersion = QString::fromUtf8(lines[1].mid(8));
  for (qsizetype i = 2; i < lines.size(); ++i) {
    // "file", the size, the digest, then the name, which may hold spaces.
    const QList<QByteArray> fields = lines[i].split(' ');
    if (fields.size() < 4 || fields[0] != "file" || !IsHexDigest(fields[2]))
      return std::nullopt;
    bool ok = false;
    Entry entry;
    entry.size = fields[1].toLongLong(&ok);
    entry.sha256 = fields[2];
    entry.sName = Normalised(QString::fromUtf8(lines[i].mid(fields[1].size() + 71)));
    if (!ok || entry.size < 0 || entry.sName.isEmpty() || manifest.find(entry.sName) != nullptr)
      return std::nullopt;
    manifest.entries.push_back(entry);
  }
  return manifest;
}

}  // namespace

const Entry* Manifest::find(const QString& sName) const {
  const QString name = Normalised(sName);
  for (const Entry& entry : entries) {
    if (entry.sName.compare(name, Qt::CaseInsensitive) == 0)
      return &entry;
  }
  return nullptr;
}

QByteArray PublisherKey() {
  return KeyOverride() ? *KeyOverride() : CompiledPublisherKey();
}

bool HasPublisherKey() {
  return !PublisherKey().isEmpty();
}

void SetPublisherKey(const QByteArray& base64) {
  KeyOverride() = base64;
}

Result<Manifest> Open(const QString& sManifestPath, const QString& sSignaturePath) {
  const std::optional<QByteArray> text = ReadSmall(sManifestPath);
  const std::optional<QByteArray> signature = ReadSmall(sSignaturePath);
  if (!text || !signature) {
    return Unexpected{QStringLiteral("The update's signed manifest could not be read.")};
  }
  const QByteArray raw = QByteArray::fromBase64(signature->trimmed());
  if (!crypto::VerifyEd25519(QByteArray::fromBase64(PublisherKey()), *text, raw)) {
    return Unexpected{QStringLiteral("The update is not signed by the publisher of QVT.")};
  }
  std::optional<Manifest> manifest = Parse(*text);
  if (!manifest)
    return Unexpected{QStringLiteral("The update's signed manifest is damaged.")};
  return std::move(*manifest);
}

Result<void> CheckFile(const Manifest& manifest, const QString& sName, const QString& sPath) {
  const Entry* entry = manifest.find(sName);
  if (entry == nullptr)
    return Unexpected{sName + QStringLiteral(" is not part of the signed update.")};
  const std::optional<crypto::FileDigest> digest = crypto::DigestFile(sPath);
  if (!digest || digest->size != entry->size || digest->sha256 != entry->sha256)
    return Unexpected{sName + QStringLiteral(" is not the file the publisher signed.")};
  return {};
}

}  // namespace qvt::UpdateManifest
