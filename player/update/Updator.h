#pragma once
// The player's side of installing an update: download the update's file list and every file it
// names into the program folder, then start Updater, which replaces the player once it has
// closed.
//
// The file list ("TempUpdateList.tmp" once downloaded) is a sequence of records of two fields,
// a file name relative to the program folder ("/" or "\" between folders, which must exist)
// and the address to fetch it from. The first record names the updater program; it is fetched
// after all the others, which are fetched in file order. The new player is the record named
// "ProgramUpdate.tmp".
//
// Nothing is half done: the whole list is checked before anything is fetched (a missing,
// damaged or oversized list, a name that is empty, absolute or contains "..", or a name listed
// twice stops the update), every
// file is fetched beside its target under a staging name (StagingPath) into a file the download
// creates itself, never through a link found there, and the files are put in place only
// when the updater and "ProgramUpdate.tmp" have both arrived. Any other file that fails to
// download is reported by the downloader and left out. Putting in place is all or nothing: a
// file that cannot be moved into place stops the update and takes back the files moved before
// it. A stopped update says so in a message box, removes what it fetched and starts nothing;
// the player stays open.
//
// A build with the publisher's key fetches the signed manifest first, which must match the
// list exactly and gives each file's role and size; every file of the list is then required,
// none may be longer than signed, and each is checked against the manifest before anything is
// put in place (player/update/SignedUpdate.h). A build without a key installs nothing unless it
// was built for private test servers (UpdateManifest::Trust::bAllowUnsigned); then any file
// may have up to downloader::kMostFileBytes. The user may stop any download: the update then
// ends without a message, with nothing changed.

#include <QByteArray>
#include <QString>
#include <vector>

#include "platform/base/Result.h"
#include "shared/UpdateManifest.h"

namespace qvt {
class IFileSystem;
struct Services;
}  // namespace qvt

namespace qvt::Updator {

struct FileRecord {
  QString sName;  // as listed, with "\" turned into "/"
  QString sURL;
};

struct FileList {
  FileRecord updater;
  std::vector<FileRecord> files;  // the other records, in file order
};

extern const QString kListName;       // "TempUpdateList.tmp"
extern const QString kNewPlayerName;  // "ProgramUpdate.tmp"
extern const QString kUpdateStopped;  // the first line of every message of a stopped update
// The most bytes a file list may have; the download ends at the first byte over.
constexpr qint64 kMostFileListBytes = qint64{64} * 1024;

// Reads a file list through `fs`. Fails with the reason when it cannot be read, has no record, has
// a record without its address, names a file it must not (see CheckName) or names one file twice.
// Blank lines at its end are allowed.
Result<FileList> ReadFileList(IFileSystem& fs, const QString& sPath);
// The same over the list's contents already in memory.
Result<FileList> ParseFileList(const QByteArray& bytes);
// Succeeds for a name that may be written below the program folder, else fails with the reason
// it may not: an empty name, an absolute one, or one that contains "..".
Result<void> CheckName(const QString& sName);
// Where a listed name is stored: the program folder joined with the name (a name without
// folders matches an existing file of any letter case).
QString TargetPath(const Services& services, const QString& sName);
// The hidden name beside a target under which its download waits until the update is complete.
QString StagingPath(const QString& target);

// Downloads the list and its files through the services handed in, verified under `trust`, puts
// them in place and starts the updater. True when the updater was started; false when the update
// stopped (the message has been shown).
bool BeginUpdate(const Services& services, const UpdateManifest::Trust& trust,
                 QString sFileListURL);

}  // namespace qvt::Updator
