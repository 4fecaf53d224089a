#include "player/window/QuickPlaySettings.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "platform/FileSystem.h"
#include "platform/base/Check.h"
#include "shared/FileManager.h"
#include "shared/FileNumbers.h"
#include "shared/RecordNotation.h"
#include "shared/Services.h"

namespace qvt {

namespace {

// The levels of the volume control.
constexpr int16_t kLowestLevel = 0;
constexpr int16_t kHighestLevel = 19;

}  // namespace

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
  if (!v.isNumber() || std::isnan(v.numberValue()))
    return kLowestLevel;
  return static_cast<int16_t>(std::clamp(RoundHalfEven(v.numberValue()),
                                         static_cast<double>(kLowestLevel),
                                         static_cast<double>(kHighestLevel)));
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

Result<void> WriteQuickPlayConfig(const Services& services, const QString& sPath, double dTop,
                                  double dLeft, bool bCloseOption, double dLevel) {
  if ((files(services).attributes(sPath).value_or(0) & kAttrReadOnly) != 0)
    return {};  // the user keeps these settings as they are
  try {
    RecordWriter writer(files(services), sPath);
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
