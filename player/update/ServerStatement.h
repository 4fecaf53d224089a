#pragma once
// The player's side of the publisher's signed statement of the latest version
// (shared/UpdateStatement.h): a build with the publisher's key fetches it from beside the
// version file at every check for updates, and believes the version file only when the
// statement is the publisher's, has not expired, is for this player's channel (the run mode of
// paths.qvc), names the version the version file announces, and is no older than the newest
// statement this player has seen of that channel: issued no earlier, naming no lower version.
// That newest statement is remembered, per channel, in the data folder (kSeenName).
//
// So an update server whose answers someone holds back or replays, saying "up to date" for
// ever, is found out within the statement's life at the latest.

#include <QString>

#include "platform/base/Result.h"
#include "shared/UpdateManifest.h"
#include "shared/UpdateVersion.h"

namespace qvt {
struct Services;
}

namespace qvt::ServerStatement {

// Said instead of the check's outcome when the answer could not be verified, before the reason.
extern const QString kNotVerified;
// The file of the data folder that remembers the newest statement seen of each channel.
extern const QString kSeenName;  // "UpdateStatements.qvs"

// Fetches the statement published beside the version file at sVersionURL, through the services
// handed in, and checks it under the trust's key as above against the announced version; when
// it passes, remembers it. Fails with the reason.
Result<void> Verify(const Services& services, const UpdateManifest::Trust& trust,
                    const QString& sVersionURL, const UpdateVersion::VersionNumbers& announced);

}  // namespace qvt::ServerStatement
