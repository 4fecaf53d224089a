#pragma once

namespace qvt {

class IDesktop;
class IFileSystem;

// The command line "--install-desktop-entry" that an install runs with the installed program:
// writes the desktop entry for this executable (InstallDesktopEntry) with the extensions of
// the program folder's "AcceptedFileTypes.qvc". Needs a QCoreApplication. Answers the exit
// code, having printed a one-line error on failure. Files are put in place through fs, into the
// folders of `desktop`, whose tools are run.
int InstallDesktopEntryCommand(IFileSystem& fs, IDesktop& desktop);

}  // namespace qvt
