#pragma once
// The quick play window's work that needs no widgets: the elapsed-time text, the mapping
// between volume levels and player volume, the song name of a path, the bouncing title window
// and the settings file "QPConfig.qvc".

#include <QString>
#include <cstdint>
#include <optional>

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

// The contents of "QPConfig.qvc" as the window uses them.
struct QuickPlayConfig {
  bool bFound = false;  // the file exists and could be opened
  // Top and Left in twips; nothing when the file is missing or a value cannot be read as a
  // 16-bit number (the window is then centred).
  std::optional<int16_t> iTop;
  std::optional<int16_t> iLeft;
  bool bCloseOption = false;
  // The saved volume level (0..19) when the third line is present.
  std::optional<int16_t> iVolume;
};

// Reads the settings file. Every read is quiet except the volume read, whose failure shows the
// file manager's "File Error" box and gives level 0.
QuickPlayConfig ReadQuickPlayConfig(clsFileManager& fm, const QString& sPath);
// Writes the three lines (Top, Left; the close option; the volume level), quietly. False when
// the file could not be written completely.
bool WriteQuickPlayConfig(clsFileManager& fm, const QString& sPath, double dTop, double dLeft,
                          bool bCloseOption, int16_t iVolume);

// Conversions of values read from a value line.
std::optional<int16_t> ToInteger16(const Variant& v);  // nothing when not a 16-bit number
bool ToBoolean(const Variant& v);                      // "#TRUE#" or a non-zero number

}  // namespace qvt
