#include "player/quickplay/QuickPlayLogic.h"

#include <QFileInfo>
#include <QList>
#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/FileSystem.h"
#include "shared/FileNumbers.h"
#include "shared/Services.h"
#include "shared/Variant.h"

namespace qvt {

namespace {

// A double rounded half-to-even and held within [lo, hi]; NaN gives 0.
template <typename T>
T RoundedWithin(double value) {
  if (std::isnan(value))
    return 0;
  const double r = RoundHalfEven(value);
  const double lo = std::numeric_limits<T>::min();
  const double hi = std::numeric_limits<T>::max();
  return static_cast<T>(std::clamp(r, lo, hi));
}

// Minutes with at least two digits, seconds with exactly two.
QString TwoDigits(long long value) {
  return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

}  // namespace

double LevelToVolume(int16_t level) {
  return RoundHalfEven(level * 3680.0 / 19.0);
}

// x * 19 / 3680 is x / (3680 / 19) without the rounding error of the step, so that volumes
// that lie exactly half-way between two levels are seen as halves.
int16_t VolumeToLevel(double x) {
  return RoundedWithin<int16_t>(x * 19.0 / 3680.0);
}

QString ElapsedTimeText(double seconds) {
  // Negative, unreadable or absurd positions show as nothing elapsed.
  if (!std::isfinite(seconds) || seconds < 0 || seconds > 1e12)
    seconds = 0;
  const auto rounded = static_cast<long long>(RoundHalfEven(seconds));
  auto minutes = static_cast<long long>(std::floor(seconds / 60));
  const long long secs = rounded % 60;
  if (secs == 0)
    minutes = rounded / 60;
  return TwoDigits(minutes) + QLatin1Char(':') + TwoDigits(secs);
}

int RoundedSeconds(double seconds) {
  return RoundedWithin<int>(seconds);
}

QString PathToPlay(const Services& services, const QString& sCommandLine) {
  IFileSystem& fs = files(services);
  const bool quoted = sCommandLine.size() >= 2 && sCommandLine.startsWith(QLatin1Char('"')) &&
                      sCommandLine.endsWith(QLatin1Char('"'));
  if (!quoted || fs.attributes(sCommandLine))
    return sCommandLine;
  const QString inner = sCommandLine.mid(1, sCommandLine.size() - 2);
  return fs.attributes(inner) ? inner : sCommandLine;
}

QString SongNameOf(const Services& services, const QString& sPath) {
  if (!PlainFileExists(files(services), sPath))
    return QString();
  return QFileInfo(sPath).fileName();
}

}  // namespace qvt
