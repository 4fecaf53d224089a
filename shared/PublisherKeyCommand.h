#pragma once
// `--publisher-key`: prints the fingerprint of the publisher's key the program checks updates
// with ("SHA256:" and 64 hexadecimal digits), or "none" for a build without a key, on standard
// output. The layout tool refuses to publish a program whose key is not the signing key's.

namespace qvt {

// Prints the line; the program's exit status: 0.
int PrintPublisherKey();

}  // namespace qvt
