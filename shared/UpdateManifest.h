#pragma once
// The signed manifest of an update: what a player built with its publisher's key installs.
//
// On the server, beside the file list: "QVTManifest.txt" and its detached signature
// "QVTManifest.sig". The manifest is text, lines ended by CR LF:
//
//   QVTManifest 1
//   version 1.34.0
//   file 4823112 9f86d081...(64 hex digits) ProgramUpdate.tmp
//
// one "file" line per file of the update: its size in bytes, its SHA-256 and its name as the
// file list gives it. The signature file holds the base64 of the Ed25519 signature of the
// manifest's exact bytes. tools/layout-update.sh writes both.
//
// The player keeps them in the program folder (kKeptManifest, kKeptSignature) until Updater has
// checked the new player against them once more, just before it puts it in place.

#include <QByteArray>
#include <QString>
#include <optional>
#include <vector>

#include "shared/Result.h"

namespace qvt::UpdateManifest {

extern const QString kManifestName;   // "QVTManifest.txt"
extern const QString kSignatureName;  // "QVTManifest.sig"
extern const QString kKeptManifest;   // "UpdateManifest.tmp"
extern const QString kKeptSignature;  // "UpdateManifest.sig.tmp"

struct Entry {
  QString sName;
  qint64 size = 0;
  QByteArray sha256;  // lower-case hexadecimal
};

struct Manifest {
  QString sVersion;  // major.minor.revision
  std::vector<Entry> entries;
  // The entry of a name (compared without regard to case, "\" read as "/"); null when none.
  const Entry* find(const QString& sName) const;
};

// The publisher's public key this program was built with (base64 of the raw 32 bytes), empty
// when it was built without one: then updates are installed unchecked.
QByteArray PublisherKey();
bool HasPublisherKey();
// Replaces the compiled key for the rest of the process (tests).
void SetPublisherKey(const QByteArray& base64);

// Reads a manifest and checks its signature under the publisher's key. Fails with the problem
// when either file is missing, the signature is not the key's, or the text is damaged.
Result<Manifest> Open(const QString& sManifestPath, const QString& sSignaturePath);
// Whether the file at sPath is the one the manifest lists under sName; fails with the reason.
Result<void> CheckFile(const Manifest& manifest, const QString& sName, const QString& sPath);

}  // namespace qvt::UpdateManifest
