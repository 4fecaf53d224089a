#include "shared/UpdateVersion.h"

#include <QStringList>
#include <tuple>

namespace qvt::UpdateVersion {

std::optional<VersionNumbers> ParseVersion(const QString& sText) {
  const QStringList parts = sText.split(QLatin1Char('.'));
  if (parts.size() != 3)
    return std::nullopt;
  int16_t numbers[3] = {};
  for (int i = 0; i < 3; ++i) {
    bool ok = false;
    const int value = parts[i].toInt(&ok);
    // Digits only: no sign, no blanks, nothing a 16-bit number cannot hold.
    if (!ok || value < 0 || value > 32767 || parts[i].isEmpty() ||
        parts[i].size() != QString::number(value).size())
      return std::nullopt;
    numbers[i] = static_cast<int16_t>(value);
  }
  return VersionNumbers{numbers[0], numbers[1], numbers[2]};
}

bool IsNewer(const VersionNumbers& a, const VersionNumbers& b) {
  return std::tie(a.major, a.minor, a.revision) > std::tie(b.major, b.minor, b.revision);
}

QString NumbersText(const VersionNumbers& version) {
  return QStringLiteral("%1.%2.%3").arg(version.major).arg(version.minor).arg(version.revision);
}

QString VersionText(const VersionNumbers& version) {
  return QStringLiteral("Version ") + NumbersText(version);
}

Result<void> CheckNewer(const QString& sSigned, const VersionNumbers& installed) {
  const std::optional<VersionNumbers> signedVersion = ParseVersion(sSigned);
  if (!signedVersion || !IsNewer(*signedVersion, installed))
    return Unexpected{QStringLiteral("The signed update is for version ") + sSigned +
                      QStringLiteral(", which is not newer than this QVT, ") +
                      VersionText(installed) + QLatin1Char('.')};
  return {};
}

Result<void> CheckChannel(const QString& sSignedChannel, const QString& sChannel) {
  if (sSignedChannel != sChannel)
    return Unexpected{QStringLiteral("The signed update is for the ") + sSignedChannel +
                      QStringLiteral(" channel, not this QVT's ") + sChannel +
                      QStringLiteral(" channel.")};
  return {};
}

}  // namespace qvt::UpdateVersion
