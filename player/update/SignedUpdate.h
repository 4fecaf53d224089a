#pragma once
// The player's side of a signed update (a build with the publisher's key): the manifest and its
// signature are fetched from beside the file list and kept in the program folder for Updater.
// The update goes on only when the signature is the publisher's, the manifest is for the
// version the last check announced (newer than the running one), and it lists every file of
// the file list; each downloaded file is then checked against it before anything is put in
// place.

#include <QString>
#include <QStringList>
#include "shared/Result.h"
#include "shared/UpdateManifest.h"

namespace qvt::SignedUpdate {

// The manifest, checked as above; fails with the reason when the update must stop.
Result<UpdateManifest::Manifest> Fetch(const QString& sFileListURL, const QStringList& names);
// Removes the kept manifest and signature.
void Discard();

}  // namespace qvt::SignedUpdate
