#pragma once
// The Updater program's one procedure: wait until the player has closed, put the downloaded
// player "ProgramUpdate.tmp" in place of "Quavertone", start the player again and end.
//
// The player tells whether its main window is open through the status file ("#TRUE#" or
// "#FALSE#") and through the advisory lock it holds on "Quavertone.lock" while its window is
// open (the kernel drops it when the player ends, however it ends). While the lock is held, or
// while the status says "#TRUE#" in a folder without a lock file (a player from before the
// lock), the Updater polls every 250 ms, advancing the progress bar. A six-second
// countdown follows, then the replacement, which asks first if the lock is held again. The old
// player is only ever replaced by a complete, executable copy of the new one, written through
// to the disk and renamed over it, so the folder never lacks a working player, even after a
// power loss.
//
// The new player is copied to a file the Updater creates itself (never through a link), and it
// is that copy which is checked, written through to the disk and renamed over the old player.
// Under a trust with the publisher's key (the program's compiled one) the copy is checked against
// the signed manifest that the player kept ("UpdateManifest.tmp"), since the file sat on disk in
// between, and the signed update must be one the installed player would take: a version newer
// than the one the installed "Quavertone --version" tells, for the channel of the program
// folder's "paths.qvc" (the Updater may run by itself over the files of an update that never
// finished). A new player that fails either check is refused: the Updater says so, removes the
// update's files, starts the old player again and ends.
//
// Every step that can fail asks the user: OK carries the failed step out again, Cancel ends the
// program at once with nothing further copied or started, and nothing deleted but the Updater's
// own copy of the new player when it is not in place yet.

#include <QObject>
#include <QString>
#include <exception>
#include <functional>
#include <optional>

#include "platform/base/Result.h"
#include "shared/Processor.h"
#include "shared/Services.h"
#include "shared/UpdateManifest.h"
#include "shared/UpdateVersion.h"

namespace qvt {

// The procedure runs on the event loop as a chain of states, each started by a single-shot timer
// of the platform's event loop: the start; the wait for the player, one poll per timer (the
// next timer is set when a poll is done, so a retry prompt never overlaps a poll); the
// countdown, one window per one-second timer; the checks before the replacement; and, after
// one pass of the event loop that shows "Replacing files", the replacement, the start of the
// new player and the end. Between states the thread is back in its event loop: nothing sleeps
// or pumps events on it.
class UpdaterProgram : public QObject {
  Q_OBJECT

 public:
  static constexpr int kPollMs = 250;
  static constexpr int kCountdownFrom = 5;
  static constexpr int kCountdownTickMs = 1000;
  // Exit codes: the player was started; the user cancelled the update.
  static constexpr int kExitStarted = 0;
  static constexpr int kExitCancelled = 1;
  static constexpr int kExitRefused = 2;  // the new player failed its checks (see kRefused)

  static const QString kProgramName;     // "Updater": the title of its boxes
  static const QString kWaitingMessage;  // "Waiting for QVT to close"
  static const QString kFailurePrompt;   // the text of the retry prompt, before the description
  static const QString kPlayerName;      // "Quavertone"
  static const QString kNewPlayerName;   // "ProgramUpdate.tmp"
  static const QString kStatusName;      // "status.tmp", found without regard to case
  static const QString kLockName;        // "Quavertone.lock", locked while the player runs
  static const QString kStillRunning;    // the description when the player holds the lock
  static const QString kRefused;         // the first line of the box of an update not as signed
  // The first line of the box of a signed update older than the player or of another channel.
  static const QString kNotNewer;
  // How long the installed player may take to tell its version.
  static constexpr int kVersionTimeoutMs = 10000;
  // Where the new player is copied before it is renamed over the old one.
  static const QString kStagingName;

  // The services it works through (the table its start-up builds; the progress state, windows,
  // event loop and screen among them) and what the new player is checked under: the program's
  // start-up gives the compiled trust. The table outlives the program object.
  UpdaterProgram(const Services& services, UpdateManifest::Trust trust);

  // Sets the procedure going from the event loop, which the caller then runs. The procedure
  // ends the program through the platform; it only stops otherwise when a state ends by an
  // exception that nothing handled (see stopped()).
  void Start();

  // The exception that stopped the procedure, kept here because it may not pass through Qt's
  // event loop; none while it runs. A fake end of the program (ProgramEnded) is one.
  std::exception_ptr unhandled() const { return unhandled_; }

  // The last value read from the status file.
  bool bStillRunning() const { return bStillRunning_; }

 Q_SIGNALS:
  // A state ended by an exception (unhandled()): nothing more of the procedure runs.
  void stopped();

 private:
  // Runs `state` after `milliseconds`, from the event loop.
  void After(int milliseconds, std::function<void()> state);
  // One state; an exception it lets out stops the procedure.
  void Run(const std::function<void()>& state);

  // Runs a step; while it fails (a failed result, or an exception), asks whether to try again.
  // Cancel runs onCancel, when given, and ends the program.
  void Guarded(const std::function<Result<void>()>& step,
               const std::function<void()>& onCancel = {});
  // Runs a step once: the description of its failure (a failed result, or an exception).
  static std::optional<QString> Attempt(const std::function<Result<void>()>& step);
  // Asks whether to try a failed step again; Cancel runs onCancel, when given, and ends the
  // program, OK returns.
  void AskToRetry(const QString& error, const std::function<void()>& onCancel = {});

  // The states, in their order.
  void Begin();
  // Polls while the player runs, then counts down.
  void WaitForPlayer();
  // A poll advances the bar, then reads the status when its timer fires. A poll that failed
  // and is retried starts again from the bar.
  void StartPoll();
  void FinishPoll();
  // Shows the countdown's window for `counter`, closed by its timer.
  void CountDown(int counter);
  void BeginReplacement();
  void ReplacePlayer();

  // Whether the player runs: the lock when the player keeps a lock file, else the status.
  bool PlayerRunning();
  // Reads the status file when there is one. Fails with the description of a value that is not
  // a Boolean. A file that cannot be opened is not a failure: the next poll reads it again.
  Result<void> ReadStatus();
  Result<void> CheckPlayerClosed();
  Result<void> CheckNewPlayer();
  // Refuses the update unless the staged copy of the new player is the one the kept signed
  // manifest lists, and that update may replace the installed player.
  void VerifyNewPlayer();
  // The version the installed player tells; fails when it tells none.
  Result<UpdateVersion::VersionNumbers> InstalledVersion();
  // Says why (the first line, then the reason), removes the update's files, starts the player
  // and ends.
  [[noreturn]] void Refuse(const QString& firstLine, const QString& reason);
  // Removes the new player and the kept manifest, whatever of them is there.
  void RemoveUpdateFiles();
  Result<void> StageNewPlayer();
  Result<void> SyncStagedPlayer();
  Result<void> RenameOverPlayer();
  Result<void> SyncPlayer();
  Result<void> RemoveNewPlayerFile();
  Result<void> StartPlayer();

  const Services& services_;
  Processor progress_;
  const UpdateManifest::Trust trust_;
  bool bStatusFile_ = false;  // whether the player had a status file when the wait began
  bool bStillRunning_ = true;
  std::exception_ptr unhandled_;
};

}  // namespace qvt
