#pragma once
// Measuring the real player program from outside: the saved list it starts with, the CPU time
// its threads have used and the peak of its memory, read from /proc.

#include <QElapsedTimer>
#include <QString>

namespace qvt::bench {

// Writes the player's settings with a list of `songs` songs (AlbumFolder's folders) into the
// program folder, as the player saves them when it closes.
void SaveConfigurationIn(const QString& programFolder, int songs);

// The CPU time every thread of the process has used so far, in nanoseconds.
long long CpuNs(long long pid);

// The peak resident memory of the process (VmHWM), and what it holds now (VmRSS), in MB.
double PeakRssMb(long long pid);
double RssMb(long long pid);

// Waits until the process has used no CPU for `quietMs` (or `timeoutMs` passed) and answers
// when it last used some, in seconds of `clock`: the moment it went idle.
double SecondsUntilIdle(long long pid, const QElapsedTimer& clock, int quietMs, int timeoutMs);

}  // namespace qvt::bench
