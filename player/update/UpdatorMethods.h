#pragma once
// The update operations behind the options window's three update buttons, and the version
// logic they share.
//
// The version file ("QVTVersion.txt" on the server, kept as "CurrentVersion.qvs") holds on its
// first line the announced major, minor and revision numbers separated by commas (1,34,0) and
// on its second line a description of what is new.
//
// Comparison with the running version, number by number in the order major, minor, revision:
// a greater major number is a major release (a new installer is needed); the same major number
// with a greater minor number, or the same minor number with a greater revision, is a newer
// version; anything else is up to date. So 1,34,0 and 1,33,2 are newer than 1.33.1, while
// 1,32,5 and 0,40,0 are older and up to date.
//
// The windows are reached through IUpdateView (the options window's labels and buttons) and
// the player hooks (stopping playback, closing the player), so that this code has no widgets.
// The operations that reach the machine do so through the services their caller hands them.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "shared/UpdateManifest.h"
#include "shared/UpdateVersion.h"

namespace qvt {
class IFileSystem;
class MusicVariables;
struct Services;
}  // namespace qvt

namespace qvt::UpdatorMethods {

// The version numbers and their comparison, shared with Updater (shared/UpdateVersion.h).
using UpdateVersion::IsNewer;
using UpdateVersion::ParseVersion;
using UpdateVersion::VersionNumbers;
using UpdateVersion::VersionText;

enum class VersionOutcome { MajorRelease, NewerVersion, UpToDate };

// What the version check changes in the options window.
class IUpdateView {
 public:
  virtual ~IUpdateView() = default;
  virtual void SetLatestVersionCaption(const QString& sCaption) = 0;  // lblLatestVer
  virtual void SetStatusCaption(const QString& sCaption) = 0;         // lblStatus
  // Makes cmdNewVerInfo and cmdInstall visible.
  virtual void ShowUpdateButtons() = 0;
};

// What an update needs of the player window; the program's start-up provides them.
struct PlayerHooks {
  // Stops the player's media player without rewinding and shows its play button as "&Play"
  // with the tool tip "Play".
  std::function<void()> StopPlayer;
  // Closes the player through its normal close path: settings saved, status file "#FALSE#",
  // program ended.
  std::function<void()> ClosePlayer;
};

extern const QString kMajorReleaseMessage;  // before a CR LF and kMakerSite
extern const QString kMakerSite;
extern const QString kCheckFailed;    // "Failed to check for updates"
extern const QString kNoDescription;  // "No description found"
extern const QString kConfirmText;    // the "Update Now?" question
extern const QString kCannotInstallHere;
// Said by "Install Updates" in a build without the publisher's key: it cannot verify updates.
extern const QString kCannotVerifyUpdates;
// The most bytes a version file may have; the download ends at the first byte over.
constexpr qint64 kMostVersionFileBytes = qint64{64} * 1024;

VersionNumbers RunningVersion();
VersionOutcome CompareVersion(const VersionNumbers& announced,
                              const VersionNumbers& running = RunningVersion());
// The kept version file, in the settings folder.
QString CurrentVersionPath(const Services& services);
// The first three fields of a version file as 16-bit numbers. Throws RecordError.
VersionNumbers ReadVersionFile(IFileSystem& fs, const QString& sPath);

// "&Check For Updates": fetches the version file into CurrentVersionPath(), compares and shows
// the outcome in the view; any failure shows "Failed to check for updates" with its reason and
// leaves the view as it was. Under a trust with the publisher's key the answer counts only when
// the publisher's signed statement vouches for it (player/update/ServerStatement.h); when it
// does not, the check says so with the reason (ServerStatement::kNotVerified), keeps no version
// file and leaves the view as it was.
void CheckForUpdates(const Services& services, const UpdateManifest::Trust& trust,
                     IUpdateView& view);
// The options window's load: the outcome of the kept version file, silently nothing without
// one. Up to date changes nothing.
void ShowStoredCheckResult(const Services& services, IUpdateView& view);
// "New &Version Info": the description (line 2 of the kept file) and, in sVersion, line 1 with
// "," turned into "." (1.34.0). "No description found" when the file has fewer than two lines.
QString GetNewVersionInfo(const Services& services, QString& sVersion);

// False under a trust that can verify no update (no publisher's key) and installs none unsigned.
bool CanVerifyUpdates(const UpdateManifest::Trust& trust);
// False when the program folder is not writable by its user (a system-wide install, whose
// settings live elsewhere): the package manager owns the programs then.
bool CanInstallUpdates(const Services& services);
// Marks playback as stopped, without resuming from the position, and stops the player.
void HaltPlayback(MusicVariables& mv, const PlayerHooks& hooks);
// Downloads the update and starts the updater (Updator::BeginUpdate), then closes the player.
// The update is verified under `trust`, the player's. When the update stops, or cannot be
// installed here, the player stays open.
void StartUpdate(const Services& services, const UpdateManifest::Trust& trust,
                 const PlayerHooks& hooks);
// "Install &Updates": says so when updates cannot be installed here or cannot be verified under
// `trust`; else asks "Update Now?" and on Yes halts playback and runs StartUpdate.
void InstallUpdates(const Services& services, const UpdateManifest::Trust& trust,
                    MusicVariables& mv, const PlayerHooks& hooks);

}  // namespace qvt::UpdatorMethods
