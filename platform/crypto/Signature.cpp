#include "platform/crypto/Signature.h"

#include <openssl/evp.h>

#include <QFile>
#include <memory>
#include <vector>

namespace qvt::crypto {

namespace {

struct DigestContextFree {
  void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
struct KeyFree {
  void operator()(EVP_PKEY* key) const { EVP_PKEY_free(key); }
};

}  // namespace

std::optional<FileDigest> DigestFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return std::nullopt;
  std::unique_ptr<EVP_MD_CTX, DigestContextFree> context(EVP_MD_CTX_new());
  if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1)
    return std::nullopt;
  FileDigest digest;
  std::vector<char> buffer(1 << 20);
  for (;;) {
    const qint64 n = file.read(buffer.data(), static_cast<qint64>(buffer.size()));
    if (n < 0)
      return std::nullopt;
    if (n == 0)
      break;
    if (EVP_DigestUpdate(context.get(), buffer.data(), static_cast<size_t>(n)) != 1)
      return std::nullopt;
    digest.size += n;
  }
  unsigned char hash[EVP_MAX_MD_SIZE];
  unsigned int length = 0;
  if (EVP_DigestFinal_ex(context.get(), hash, &length) != 1)
    return std::nullopt;
  digest.sha256 =
      QByteArray(reinterpret_cast<const char*>(hash), static_cast<qsizetype>(length)).toHex();
  return digest;
}

bool VerifyEd25519(const QByteArray& publicKey, const QByteArray& message,
                   const QByteArray& signature) {
  if (publicKey.size() != 32 || signature.size() != 64)
    return false;
  std::unique_ptr<EVP_PKEY, KeyFree> key(EVP_PKEY_new_raw_public_key(
      EVP_PKEY_ED25519, nullptr, reinterpret_cast<const unsigned char*>(publicKey.constData()),
      static_cast<size_t>(publicKey.size())));
  std::unique_ptr<EVP_MD_CTX, DigestContextFree> context(EVP_MD_CTX_new());
  if (!key || !context ||
      EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, key.get()) != 1)
    return false;
  return EVP_DigestVerify(context.get(),
                          reinterpret_cast<const unsigned char*>(signature.constData()),
                          static_cast<size_t>(signature.size()),
                          reinterpret_cast<const unsigned char*>(message.constData()),
                          static_cast<size_t>(message.size())) == 1;
}

}  // namespace qvt::crypto
