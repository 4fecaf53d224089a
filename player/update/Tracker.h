#pragma once
// The running-status file "Status.tmp": "#TRUE#" while the player's main window is open,
// "#FALSE#" once it has closed normally. Updater reads it to know when it may replace the
// player. The file is written through a temporary file renamed over it, so a reader finds the
// old value or the new one, never an empty file. Failures are silent.
//
// While the main window is open the player also holds an advisory lock on "Quavertone.lock"
// beside it. The kernel drops the lock when the process ends, however it ends, so Updater
// knows that the old player still runs even when the status file is missing or stale.

#include <QString>

namespace qvt {
struct Services;
}

namespace qvt::Tracker {

QString StatusFilePath(const Services& services);
QString LockFilePath(const Services& services);
// Writes "#TRUE#" and takes the lock.
void SetStatusRunning(const Services& services);
// Writes "#FALSE#" and lets the lock go.
void SetStatusClosed(const Services& services);

}  // namespace qvt::Tracker
