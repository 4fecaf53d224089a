#pragma once
// The quick play window's settings file "QPConfig.qvc": its one reader and writer. The quick
// play window keeps its position, close option and volume level in it, and the player window's
// save brings the close option up to date.

#include <QString>
#include <cstdint>
#include <optional>

#include "platform/base/Result.h"
#include "shared/Variant.h"

namespace qvt {

class clsFileManager;
struct Services;

// The contents of the file.
struct QuickPlayConfig {
  bool bFound = false;  // the file exists
  // Top and Left in twips; nothing when the file is missing or a value cannot be read as a
  // 16-bit number (the window is then centred).
  std::optional<int16_t> iTop;
  std::optional<int16_t> iLeft;
  bool bCloseOption = false;
  // The saved volume level (0..19) when the third line is present.
  std::optional<int16_t> iVolume;
  // The numbers as stored, 0 where an item is missing or no number: what a rewrite keeps.
  double dTop = 0;
  double dLeft = 0;
  double dLevel = 0;
};

// Reads the settings file. Every read is quiet except the volume read, whose failure shows the
// file manager's "File Error" box and gives level 0, unless bQuiet.
QuickPlayConfig ReadQuickPlayConfig(clsFileManager& fm, const QString& sPath, bool bQuiet = false);
// Writes the three lines (Top, Left; the close option; the volume level) as a whole new file.
// A read-only file is left as it is: its owner keeps those settings.
Result<void> WriteQuickPlayConfig(const Services& services, const QString& sPath, double dTop,
                                  double dLeft, bool bCloseOption, double dLevel);

// Conversions of values read from a value line.
std::optional<int16_t> ToInteger16(const Variant& v);  // nothing when not a 16-bit number
bool ToBoolean(const Variant& v);                      // "#TRUE#" or a non-zero number

}  // namespace qvt
