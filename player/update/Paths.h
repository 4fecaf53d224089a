#pragma once
// Where the update client fetches its three resources: the file list of an update, the version
// file and the media control. Each has a default address on the update server (the base
// address is the build option QVT_UPDATE_BASE_URL). The optional file "paths.qvc" in the
// program folder replaces them: its fields, in record notation, are the run mode ("FINAL" or
// "BETA", any letter case), the FINAL file list and version file addresses, the BETA file list
// and version file addresses, and the media control address.
//
// None of the operations fails: a missing or short "paths.qvc" gives the default address. The
// file is read anew on every call, from the program folder of the services handed in.

#include <QByteArray>
#include <QString>

namespace qvt {
struct Services;
}

namespace qvt::Paths {

QString DefaultFileListURL();
QString DefaultVersionFileURL();
QString DefaultMediaControlURL();
// The common controls that the player window's start-up check downloads.
QString GetCommonControlsURL();

// Fields 1 to 5: FINAL gives field 2, BETA field 4; another run mode gives the default when
// field 2 is blank, else field 2 after the message "Incorrect run mode found, run mode ~<mode>~is
// not known".
QString GetFileListURL(const Services& services);
// The same with fields 3 and 5.
QString GetVersionFileURL(const Services& services);
// Field 6 as read (even when empty), whatever the run mode.
QString GetMediaControlURL(const Services& services);
// The channel whose updates this player takes: "BETA" when field 1 is that run mode (any
// letter case), else "FINAL", whose addresses every other run mode uses. Says nothing.
QString GetRunMode(const Services& services);

// The first three over the contents of a "paths.qvc" already in memory rather than the program
// folder's file.
QString GetFileListURL(const Services& services, const QByteArray& file);
QString GetVersionFileURL(const Services& services, const QByteArray& file);
QString GetMediaControlURL(const QByteArray& file);

}  // namespace qvt::Paths
