#pragma once
// The running-status file "Status.tmp": "#TRUE#" while the player's main window is open,
// "#FALSE#" once it has closed normally. Updater reads it to know when it may replace the
// player. Failures are silent.

#include <QString>

namespace qvt::Tracker {

QString StatusFilePath();
void SetStatusRunning();
void SetStatusClosed();

}  // namespace qvt::Tracker
