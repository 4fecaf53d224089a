#pragma once
// The signed manifest of an update: what a player built with its publisher's key installs.
//
// On the server, beside the file list: "QVTManifest.txt" and its detached signature
// "QVTManifest.sig". The manifest is text, lines ended by CR LF:
//
//   QVTManifest 2
//   version 1.34.0
//   channel FINAL
//   updater 1630224 5d41402a...(64 hex digits) Updater
//   player 4823112 9f86d081...(64 hex digits) ProgramUpdate.tmp
//   file 1024 2c26b46b...(64 hex digits) data/extra.dat
//
// The version is the update's, the channel the run mode it is published for ("FINAL" or
// "BETA"). Then one line per file of the update: its role, its size in bytes, its SHA-256 and
// its name as the file list gives it. Exactly one "updater" line names the program the player
// starts, exactly one "player" line the new player ("ProgramUpdate.tmp"), and any number of
// "file" lines the other files. The signature file holds the base64 of the Ed25519 signature of
// the manifest's exact bytes. tools/layout-update.sh writes both.
//
// The player keeps them in the program folder (kKeptManifest, kKeptSignature) until Updater has
// checked its copy of the new player against them once more, just before it puts it in place.

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

#include "platform/base/Result.h"
#include "platform/crypto/Signature.h"

namespace qvt::UpdateManifest {

extern const QString kManifestName;   // "QVTManifest.txt"
extern const QString kSignatureName;  // "QVTManifest.sig"
extern const QString kKeptManifest;   // "UpdateManifest.tmp"
extern const QString kKeptSignature;  // "UpdateManifest.sig.tmp"
extern const QString kNewPlayerName;  // "ProgramUpdate.tmp", the name of the "player" line

// The most bytes a manifest and a signature may have; a download ends at the first byte over.
constexpr qint64 kMostManifestBytes = qint64{64} * 1024;
constexpr qint64 kMostSignatureBytes = 1024;

enum class Role { Updater, Player, File };

struct Entry {
  Role role = Role::File;
  QString sName;  // "\" read as "/"
  qint64 size = 0;
  QByteArray sha256;  // lower-case hexadecimal
};

struct Manifest {
  QString sVersion;  // major.minor.revision, as signed
  QString sChannel;  // "FINAL" or "BETA"
  std::vector<Entry> entries;
  // The entry of a name (compared without regard to case, "\" read as "/"); null when none.
  const Entry* find(const QString& sName) const;
  // The entry of a role; for Role::File the first one. Null when none.
  const Entry* withRole(Role role) const;
};

// Two names of the file list or the manifest name the same file: "\" and "/" are one, and
// letters compare without regard to case, as names in the program folder do.
bool SameName(const QString& a, const QString& b);

// What a program trusts for updates: the publisher's public key (base64 of the raw 32 bytes),
// empty for a build without one, and whether such a build installs unsigned updates (the build
// option for private test servers, QVT_ALLOW_UNSIGNED_UPDATES; false in every release build).
// Each program's start-up takes the compiled choice and hands it to what installs or checks
// updates; the tests hand their own. A default Trust is a build without a key that installs
// nothing unsigned.
struct Trust {
  QByteArray publisherKey;
  bool bAllowUnsigned = false;

  // What this program was built with (shared/key/PublisherKey.h).
  static Trust Compiled();
  bool HasPublisherKey() const { return !publisherKey.isEmpty(); }
  // The key's fingerprint: "SHA256:" and the 64 hexadecimal digits of the SHA-256 of its raw
  // bytes; empty without a key. `Quavertone --publisher-key` prints it, and the layout tool
  // compares it with the key it signs with.
  QString PublisherKeyFingerprint() const;
};

// The signed text parsed; nothing when any line is not of the format above.
std::optional<Manifest> Parse(const QByteArray& text);
// Reads a manifest and checks its signature under the trusted publisher's key. Fails with the
// problem when either file is missing, the signature is not the key's, or the text is damaged.
Result<Manifest> Open(const Trust& trust, const QString& sManifestPath,
                      const QString& sSignaturePath);
// Whether the file at sPath is the one the manifest lists under sName; fails with the reason.
Result<void> CheckFile(const Manifest& manifest, const QString& sName, const QString& sPath);
// The same for the size and SHA-256 of bytes taken as they were written (nothing: unknown).
Result<void> CheckDigest(const Manifest& manifest, const QString& sName,
                         const std::optional<crypto::FileDigest>& digest);

}  // namespace qvt::UpdateManifest
