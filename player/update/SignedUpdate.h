#pragma once
// The player's side of a signed update (a build with the publisher's key): the manifest and its
// signature are fetched from beside the file list and kept in the program folder for Updater.
// The update goes on only when the signature is the publisher's, the signed version is newer
// than the running player (whatever the version file said) and is the version the last check
// announced, the manifest is for this player's channel, and the file list is exactly the
// manifest's: the same names, the signed Updater first, nothing more and nothing less. Each
// downloaded file is then checked against it before anything is put in place.

#include <QString>
#include <QStringList>
#include "platform/base/Result.h"
#include "shared/UpdateManifest.h"

namespace qvt {
struct Services;
}

namespace qvt::SignedUpdate {

// The manifest, its signature checked under the trust's key and the rest as above against the
// file list (the updater's name, then the other names in list order), fetched and kept through
// the services handed in; fails with the reason
// when the update must stop, or with kCancelledReason when the user stopped a download.
Result<UpdateManifest::Manifest> Fetch(const Services& services, const UpdateManifest::Trust& trust,
                                       const QString& sFileListURL, const QString& sUpdaterName,
                                       const QStringList& otherNames);
// Whether the file list matches the manifest exactly; fails with the reason.
Result<void> CheckRoles(const UpdateManifest::Manifest& manifest, const QString& sUpdaterName,
                        const QStringList& otherNames);
// Whether the signed version may be installed over the running one; fails with the reason.
Result<void> CheckVersion(const Services& services, const UpdateManifest::Manifest& manifest);
// Removes the kept manifest and signature.
void Discard(const Services& services);

// The reason of an update the user stopped: no message is shown for it.
extern const QString kCancelledReason;

}  // namespace qvt::SignedUpdate
