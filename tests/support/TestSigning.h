#pragma once
// Signed update files for tests, under the tests' publisher key (tests/keys), whose private half
// is published with the source.

#include <QByteArray>

#include "shared/UpdateManifest.h"

namespace qvt::test {

// The trust of a player or Updater built with the tests' publisher key.
UpdateManifest::Trust TestKeyTrust();
// The signature file of `message` as tools/layout-update.sh writes it: the base64 of its
// Ed25519 signature under the tests' private key, then a line end. Made by the openssl command.
QByteArray SignWithTestKey(const QByteArray& message);

}  // namespace qvt::test
