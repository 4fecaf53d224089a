#pragma once
// The quick play window's work that needs no widgets: the elapsed-time text, the mapping
// between volume levels and player volume, the song name of a path and the bouncing title
// window. Its settings file is read and written by player/window/QuickPlaySettings.h.

#include <QString>
#include <cstdint>

namespace qvt {

struct Services;

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
QString PathToPlay(const Services& services, const QString& sCommandLine);
// The file name part of a path when a plain listing finds it (an ordinary file), else empty.
QString SongNameOf(const Services& services, const QString& sPath);

}  // namespace qvt
