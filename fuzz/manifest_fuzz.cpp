// Arbitrary signed-manifest texts. A manifest parsed has a known channel, one updater, one new
// player under its name, and entries of distinct names with a size and a SHA-256 in lower-case
// hexadecimal each; written again in the manifest's format it parses to the same manifest.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "fuzz/FuzzSupport.h"
#include "shared/UpdateManifest.h"

namespace {

using qvt::fuzz::check;
namespace um = qvt::UpdateManifest;

QByteArray roleWord(um::Role role) {
  switch (role) {
    case um::Role::Updater:
      return "updater";
    case um::Role::Player:
      return "player";
    default:
      return "file";
  }
}

QByteArray written(const um::Manifest& manifest) {
  QByteArray text = "QVTManifest 2\r\nversion " + manifest.sVersion.toUtf8() + "\r\nchannel " +
                    manifest.sChannel.toUtf8() + "\r\n";
  for (const um::Entry& entry : manifest.entries) {
    text += roleWord(entry.role) + ' ' + QByteArray::number(entry.size) + ' ' + entry.sha256 + ' ' +
            entry.sName.toUtf8() + "\r\n";
  }
  return text;
}

bool sameEntry(const um::Entry& a, const um::Entry& b) {
  return a.role == b.role && a.sName == b.sName && a.size == b.size && a.sha256 == b.sha256;
}

void checkEntry(const um::Manifest& manifest, const um::Entry& entry) {
  check(entry.size >= 0 && !entry.sName.isEmpty() && !entry.sName.contains(QLatin1Char('\\')));
  check(entry.sha256.size() == 64 && entry.sha256 == entry.sha256.toLower());
  check(manifest.find(entry.sName) == &entry);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::optional<um::Manifest> manifest = um::Parse(qvt::fuzz::bytesOf(data, size));
  if (!manifest)
    return 0;
  check(manifest->sChannel == QLatin1String("FINAL") ||
        manifest->sChannel == QLatin1String("BETA"));
  const um::Entry* updater = manifest->withRole(um::Role::Updater);
  const um::Entry* player = manifest->withRole(um::Role::Player);
  check(updater != nullptr && player != nullptr && um::SameName(player->sName, um::kNewPlayerName));
  int roles = 0;
  for (const um::Entry& entry : manifest->entries) {
    checkEntry(*manifest, entry);
    roles += entry.role == um::Role::File ? 0 : 1;
  }
  check(roles == 2);

  const std::optional<um::Manifest> again = um::Parse(written(*manifest));
  check(again && again->sVersion == manifest->sVersion && again->sChannel == manifest->sChannel);
  check(std::equal(again->entries.begin(), again->entries.end(), manifest->entries.begin(),
                   manifest->entries.end(), sameEntry));
  return 0;
}
