#pragma once
// The player window's start-up check of the common controls' component file, a Windows
// arrangement (the media control's is MediaControLCheck::CheckMediaControl). It returns at its
// entry unless the component switch is on (Platform::hasComponentFiles, platform/Platform.h). On
// Linux it is always off: the controls are part of the program, and this code is inert.

namespace qvt {
struct Services;
}

namespace qvt::ComponentCheck {

// The common controls: when "MSCOMCTL.OCX" is missing from the system folder, it is downloaded
// from the update server into the program folder and copied into the system folder. A failed
// download has shown the downloader's message; a failed copy is left silent.
void CheckCommonControls(const Services& services);

}  // namespace qvt::ComponentCheck
