#include "shared/UpdateManifest.h"

#include <QCryptographicHash>
#include <QFile>
#include <QList>

#include "platform/crypto/Signature.h"
#include "shared/key/PublisherKey.h"

namespace qvt::UpdateManifest {

const QString kManifestName = QStringLiteral("QVTManifest.txt");
const QString kSignatureName = QStringLiteral("QVTManifest.sig");
const QString kKeptManifest = QStringLiteral("UpdateManifest.tmp");
const QString kKeptSignature = QStringLiteral("UpdateManifest.sig.tmp");
const QString kNewPlayerName = QStringLiteral("ProgramUpdate.tmp");

namespace {

std::optional<QByteArray> ReadSmall(const QString& sPath, qint64 most) {
  QFile file(sPath);
  if (!file.open(QIODevice::ReadOnly) || file.size() > most)
    return std::nullopt;
  return file.read(most);
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

std::optional<Role> RoleOf(const QByteArray& word) {
  if (word == "updater")
    return Role::Updater;
  if (word == "player")
    return Role::Player;
  if (word == "file")
    return Role::File;
  return std::nullopt;
}

// The lines of the text without their CR LF; nothing when a line lacks it.
std::optional<QList<QByteArray>> Lines(const QByteArray& text) {
  QList<QByteArray> lines = text.split('\n');
  if (!lines.last().isEmpty())
    return std::nullopt;
  lines.removeLast();
  for (QByteArray& line : lines) {
    if (!line.endsWith('\r'))
      return std::nullopt;
    line.chop(1);
  }
  return lines;
}

// One file line: the role, the size, the digest, then the name, which may hold spaces.
std::optional<Entry> ParseEntry(const QByteArray& line) {
  const QList<QByteArray> fields = line.split(' ');
  if (fields.size() < 4 || !IsHexDigest(fields[2]))
    return std::nullopt;
  const std::optional<Role> role = RoleOf(fields[0]);
  bool ok = false;
  Entry entry;
  entry.size = fields[1].toLongLong(&ok);
  if (!role || !ok || entry.size < 0)
    return std::nullopt;
  entry.role = *role;
  entry.sha256 = fields[2];
  const qsizetype nameAt = fields[0].size() + fields[1].size() + fields[2].size() + 3;
  entry.sName = Normalised(QString::fromUtf8(line.mid(nameAt)));
  if (entry.sName.isEmpty())
    return std::nullopt;
  return entry;
}

bool RolesComplete(const Manifest& manifest) {
  int updaters = 0;
  int players = 0;
  for (const Entry& entry : manifest.entries) {
    updaters += entry.role == Role::Updater ? 1 : 0;
    players += entry.role == Role::Player ? 1 : 0;
  }
  const Entry* player = manifest.withRole(Role::Player);
  return updaters == 1 && players == 1 && SameName(player->sName, kNewPlayerName);
}

}  // namespace

bool SameName(const QString& a, const QString& b) {
  return Normalised(a).compare(Normalised(b), Qt::CaseInsensitive) == 0;
}

const Entry* Manifest::find(const QString& sName) const {
  for (const Entry& entry : entries) {
    if (SameName(entry.sName, sName))
      return &entry;
  }
  return nullptr;
}

const Entry* Manifest::withRole(Role role) const {
  for (const Entry& entry : entries) {
    if (entry.role == role)
      return &entry;
  }
  return nullptr;
}

Trust Trust::Compiled() {
  return {CompiledPublisherKey(), CompiledAllowsUnsignedUpdates()};
}

QString Trust::PublisherKeyFingerprint() const {
  if (!HasPublisherKey())
    return QString();
  const QByteArray digest =
      QCryptographicHash::hash(QByteArray::fromBase64(publisherKey), QCryptographicHash::Sha256);
  return QStringLiteral("SHA256:") + QString::fromLatin1(digest.toHex());
}

std::optional<Manifest> Parse(const QByteArray& text) {
  const std::optional<QList<QByteArray>> lines = Lines(text);
  if (!lines || lines->size() < 5 || lines->at(0) != "QVTManifest 2" ||
      !lines->at(1).startsWith("version ") || !lines->at(2).startsWith("channel "))
    return std::nullopt;
  Manifest manifest;
  manifest.sVersion = QString::fromUtf8(lines->at(1).mid(8));
  manifest.sChannel = QString::fromUtf8(lines->at(2).mid(8));
  if (manifest.sChannel != QLatin1String("FINAL") && manifest.sChannel != QLatin1String("BETA"))
    return std::nullopt;
  for (qsizetype i = 3; i < lines->size(); ++i) {
    std::optional<Entry> entry = ParseEntry(lines->at(i));
    if (!entry || manifest.find(entry->sName) != nullptr)
      return std::nullopt;
    manifest.entries.push_back(std::move(*entry));
  }
  if (!RolesComplete(manifest))
    return std::nullopt;
  return manifest;
}

Result<Manifest> Open(const Trust& trust, const QString& sManifestPath,
                      const QString& sSignaturePath) {
  const std::optional<QByteArray> text = ReadSmall(sManifestPath, kMostManifestBytes);
  const std::optional<QByteArray> signature = ReadSmall(sSignaturePath, kMostSignatureBytes);
  if (!text || !signature) {
    return Unexpected{QStringLiteral("The update's signed manifest could not be read.")};
  }
  const QByteArray raw = QByteArray::fromBase64(signature->trimmed());
  if (!crypto::VerifyEd25519(QByteArray::fromBase64(trust.publisherKey), *text, raw)) {
    return Unexpected{QStringLiteral("The update is not signed by the publisher of QVT.")};
  }
  std::optional<Manifest> manifest = Parse(*text);
  if (!manifest)
    return Unexpected{QStringLiteral("The update's signed manifest is damaged.")};
  return std::move(*manifest);
}

Result<void> CheckFile(const Manifest& manifest, const QString& sName, const QString& sPath) {
  if (manifest.find(sName) == nullptr)
    return CheckDigest(manifest, sName, std::nullopt);
  return CheckDigest(manifest, sName, crypto::DigestFile(sPath));
}

Result<void> CheckDigest(const Manifest& manifest, const QString& sName,
                         const std::optional<crypto::FileDigest>& digest) {
  const Entry* entry = manifest.find(sName);
  if (entry == nullptr)
    return Unexpected{sName + QStringLiteral(" is not part of the signed update.")};
  if (!digest || digest->size != entry->size || digest->sha256 != entry->sha256)
    return Unexpected{sName + QStringLiteral(" is not the file the publisher signed.")};
  return {};
}

}  // namespace qvt::UpdateManifest
