#pragma once
// The two checks a signed update needs, over OpenSSL's libcrypto (only this library links it):
// the SHA-256 digest of a file and the verification of an Ed25519 signature.

#include <QByteArray>
#include <QString>
#include <optional>

namespace qvt::crypto {

struct FileDigest {
  qint64 size = 0;
  QByteArray sha256;  // 64 lower-case hexadecimal digits
};

// The size and SHA-256 of a file's bytes; nothing when it cannot be read.
std::optional<FileDigest> DigestFile(const QString& path);

// True when `signature` (64 bytes) is a valid Ed25519 signature of `message` under
// `publicKey` (the 32 bytes of the raw key). Any malformed input is simply not valid.
bool VerifyEd25519(const QByteArray& publicKey, const QByteArray& message,
                   const QByteArray& signature);

}  // namespace qvt::crypto
