#pragma once
// The quick play window's work that needs no widgets: the elapsed-time text, the mapping
// between volume levels and player volume, the song name of a path, the bouncing title window
// and the settings file "QPConfig.qvc".

#include <QString>
#include <cstdint>
#include <optional>

#include "platform/base/Result.h"
#include "shared/Variant.h"

namespace qvt {

class clsFileManager;

// A level of the volume control is 3680 / 19 hundredths of a decibel of player volume.
// round(level * 3680 / 19), a half going to the even neighbour.
double LevelToVolume(int16_t level);
// round(x / (3680 / 19)) as a 16-bit integer (held within the 16-bit range).
int16_t VolumeToLevel(double x);

// "mm:ss" of a position in seconds: minutes at least two digits ("125:00"), seconds rounded,
// and a position just below a whole minute shows that minute (59.6 s is "01:00"). A negative
// or unreadable position shows "00:00".
QString ElapsedTimeText(double seconds);
// The slider value of a position: the position rounded, held within the int range.
int RoundedSeconds(double seconds);

// The path to play for the text handed over on the command line: the text as given, or without
// its surrounding double quotes when only the unquoted path names an existing entry.
QString PathToPlay(const QString& sCommandLine);
// The file name part of a path when a plain listing finds it (an ordinary file), else empty.
QString SongNameOf(const QString& sPath);

// The contents of "QPConfig.qvc", the one reader and writer of that file: the quick play
// window keeps its position, close option and volume level in it, and the player window's save
// brings the close option up to date.
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
Result<void> WriteQuickPlayConfig(const QString& sPath, double dTop, double dLeft,
                                  bool bCloseOption, double dLevel);

// Conversions of values read from a value line.
std::optional<int16_t> ToInteger16(const Variant& v);  // nothing when not a 16-bit number
bool ToBoolean(const Variant& v);                      // "#TRUE#" or a non-zero number

}  // namespace qvt
