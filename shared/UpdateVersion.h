#pragma once
// Versions of QVT as updates name them, and the rules a signed update must meet to replace an
// installed player. The player applies them before it downloads an update, and Updater again
// before it puts the new player in place.
//
// A version is three 16-bit numbers, major, minor and revision, written "1.34.0"; versions
// compare number by number in that order.

#include <QString>
#include <cstdint>
#include <optional>

#include "platform/base/Result.h"

namespace qvt::UpdateVersion {

struct VersionNumbers {
  int16_t major = 0;
  int16_t minor = 0;
  int16_t revision = 0;
};

// "1.34.0" as numbers; nothing for any other text.
std::optional<VersionNumbers> ParseVersion(const QString& sText);
// Whether a is a later version than b, number by number.
bool IsNewer(const VersionNumbers& a, const VersionNumbers& b);
// The three numbers separated by ".": "1.34.0".
QString NumbersText(const VersionNumbers& version);
// "Version " followed by NumbersText: "Version 1.34.0".
QString VersionText(const VersionNumbers& version);

// Whether a signed update of version sSigned may replace a player of version `installed`: only a
// strictly newer one may. Fails with the reason.
Result<void> CheckNewer(const QString& sSigned, const VersionNumbers& installed);
// Whether a signed update for sSignedChannel may replace a player of channel sChannel (its run
// mode, "FINAL" or "BETA"): only one of the same channel may. Fails with the reason.
Result<void> CheckChannel(const QString& sSignedChannel, const QString& sChannel);

}  // namespace qvt::UpdateVersion
