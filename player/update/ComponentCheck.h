#pragma once
// The player window's start-up checks of the platform's component files, a Windows arrangement.
// Both return at their entry unless the component switch is on (HasComponentFiles(),
// platform/Platform.h). On Linux it is always off: the controls are part of the program, and
// this code, with MediaControLCheck behind it, is inert.

namespace qvt::ComponentCheck {

// The common controls: when "MSCOMCTL.OCX" is missing from the system folder, it is downloaded
// from the update server into the program folder and copied into the system folder. A failed
// download has shown the downloader's message; a failed copy is left silent.
void CheckCommonControls();
// The media control: reads the marker file (its value is not used) and runs
// MediaControLCheck::VerifyMediaControl. A marker that cannot be read or written is ignored,
// so the window's load always goes on.
void CheckMediaControl();

}  // namespace qvt::ComponentCheck
