#include "player/quickplay/QuickPlayLogic.h"

#include <QFileInfo>
#include <QList>
#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/FileSystem.h"
#include "platform/Platform.h"
#include "platform/base/Check.h"
#include "shared/FileManager.h"
#include "shared/FileNumbers.h"
#include "shared/RecordNotation.h"

namespace qvt {

namespace {

constexpr int16_t kLowestLevel = 0;
constexpr int16_t kHighestLevel = 19;

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

QString PathToPlay(const QString& sCommandLine) {
  const bool quoted = sCommandLine.size() >= 2 && sCommandLine.startsWith(QLatin1Char('"')) &&
                      sCommandLine.endsWith(QLatin1Char('"'));
  if (!quoted || files().attributes(sCommandLine))
    return sCommandLine;
  const QString inner = sCommandLine.mid(1, sCommandLine.size() - 2);
  return files().attributes(inner) ? inner : sCommandLine;
}

QString SongNameOf(const QString& sPath) {
  if (!PlainFileExists(sPath))
    return QString();
  return QFileInfo(sPath).fileName();
}

std::optional<int16_t> ToInteger16(const Variant& v) {
  if (!v.isNumber())
    return std::nullopt;
  const double r = RoundHalfEven(v.numberValue());
  if (!std::isfinite(r) || r < std::numeric_limits<int16_t>::min() ||
      r > std::numeric_limits<int16_t>::max()) {
    return std::nullopt;
  }
  return static_cast<int16_t>(r);
}

bool ToBoolean(const Variant& v) {
  if (v.isBool())
    return v.toBool();
  if (v.isNumber())
    return v.numberValue() != 0;
  if (v.isString()) {
    const QString& s = v.toString();
    return s.compare(QLatin1String("#TRUE#"), Qt::CaseInsensitive) == 0 ||
           s.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0;
  }
  return false;
}

namespace {

// A position item: a missing item reads as 0; text that is not a 16-bit number reads as
// nothing, so that the window is centred.
std::optional<int16_t> PositionItem(const Variant& v) {
  if (v.isEmpty() || (v.isString() && v.toString().isEmpty()))
    return int16_t{0};
  return ToInteger16(v);
}

// The saved volume: a failed or non-numeric read is level 0; numbers are held within 0..19,
// as the control has no other levels and a negative one would ask the player for gain.
int16_t VolumeItem(const Variant& v) {
  if (!v.isNumber())
    return kLowestLevel;
  return std::clamp(RoundedWithin<int16_t>(v.numberValue()), kLowestLevel, kHighestLevel);
}

}  // namespace

QuickPlayConfig ReadQuickPlayConfig(clsFileManager& fm, const QString& sPath, bool bQuiet) {
  QuickPlayConfig config;
  config.bFound = fm.FileExists(sPath);
  if (!config.bFound || fm.OpenFile(sPath, 1, true) != 0)
    return config;
  const auto number = [](const Variant& v) { return v.isNumber() ? v.numberValue() : 0.0; };
  try {
    if (fm.ReadNextLine()) {
      const Variant vTop = fm.GetVarFromFile(0, true);
      const Variant vLeft = fm.GetVarFromFile(1, true);
      config.iTop = PositionItem(vTop);
      config.iLeft = PositionItem(vLeft);
      config.dTop = number(vTop);
      config.dLeft = number(vLeft);
    }
    if (!fm.isEOF() && fm.ReadNextLine())
      config.bCloseOption = ToBoolean(fm.GetVarFromFile(0, true));
    if (!fm.isEOF() && fm.ReadNextLine()) {
      const Variant vLevel = fm.GetVarFromFile(0, bQuiet);
      config.iVolume = VolumeItem(vLevel);
      config.dLevel = number(vLevel);
    }
  } catch (const FileManagerError&) {
    LogDropped(lcFiles());  // a file that cannot be read further keeps what was read so far
  }
  fm.CloseFile(true);
  return config;
}

Result<void> WriteQuickPlayConfig(const QString& sPath, double dTop, double dLeft,
                                  bool bCloseOption, double dLevel) {
  if ((files().attributes(sPath).value_or(0) & kAttrReadOnly) != 0)
    return {};  // the user keeps these settings as they are
  try {
    RecordWriter writer(sPath);
    writer.write({Variant(dTop), Variant(dLeft)});
    writer.write({Variant(bCloseOption)});
    writer.write({Variant(dLevel)});
    writer.commit();
  } catch (const RecordError& failure) {
    return Unexpected{failure.description()};
  }
  return {};
}

}  // namespace qvt
