#include "player/playlists/PlayListEditor.h"

#include <QElapsedTimer>
#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

#include "player/playlists/AddedRows.h"
#include "player/playlists/EditorView.h"
#include "player/playlists/ForeignList.h"
#include "player/playlists/ListFile.h"
#include "player/playlists/MovedSongsCommands.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/Job.h"
#include "player/startup/MusicVariables.h"
#include "shared/Processor.h"
#include "shared/Services.h"
#include "shared/Variant.h"
#include "shared/ui/FramePacer.h"

namespace qvt {

namespace {

using GlobalMethods::FindSongPath;

constexpr double kProgressWindowAbove = 500;
// The songs taken between two looks at the clock while a batch is added, and the time taken
// before a pass of the event loop: half a frame, the other half left to the change.
constexpr std::size_t kSliceCheckEvery = 64;
constexpr qint64 kSliceMs = FramePacer::kFrameMs / 2;

// The number of songs 0 to dblLastIndex (fewer when the names end before).
std::size_t ListedCount(const MusicVariables& mv) {
  if (!(mv.dblLastIndex() >= 0))
    return 0;
  return std::min(static_cast<std::size_t>(mv.dblLastIndex()) + 1, mv.sSongNames().size());
}

// Calls fReport with every song's name; the event loop may run there, so the bound is read
// again and each name copied before it.
template <class Report>
void ReportNames(const MusicVariables& mv, Report fReport) {
  for (std::size_t i = 0; i < ListedCount(mv); ++i)
    fReport(QString(mv.sSongNames().at(i)));
}

}  // namespace

void RefillEditorList(IEditorView& view) {
  view.ShowPlayList();
}

// Without a pass of the event loop between two names (songs loaded at once) only the last one
// could be seen: it alone is set.
void RefillEditorListShowing(const Services& services, const MusicVariables& mv, IEditorView& view,
                             const QString& sCaptionPrefix) {
  if (GlobalMethods::GetLowPriorityLoading(mv)) {
    ReportNames(mv, [&](const QString& sName) {
      view.SetAddingCaption(sCaptionPrefix + sName);
      GlobalMethods::YieldIfLowPriority(services, mv);
    });
  } else if (const std::size_t count = ListedCount(mv); count > 0) {
    view.SetAddingCaption(sCaptionPrefix + mv.sSongNames().at(count - 1));
  }
  view.ShowPlayList();
}

PlayListEditor::PlayListEditor(const Services& services, MusicVariables& mv, IEditorView& view)
    : services_(services), mv_(mv), view_(view) {}

PlayListEditor::~PlayListEditor() = default;

void PlayListEditor::RunBusy(const QString& sStatus, void (PlayListEditor::*op)()) {
  view_.SetStatusText(sStatus);
  view_.SetEditing(false);
  view_.RepaintWindow();
  const PlayListVersion before = mv_.version();
  try {
    const GlobalMethods::PathSearchScope search(mv_);
    (this->*op)();
  } catch (...) {
    // Never leave the window disabled behind a failure.
    view_.SetEditing(true);
    throw;
  }
  RefillIfChanged(before);
  view_.SetEditing(true);
  view_.RepaintWindow();
  view_.SetStatusText(QStringLiteral("Ready"));
}

void PlayListEditor::AddClick() {
  RunBusy(QStringLiteral("Adding songs..."), &PlayListEditor::AddSelectedFiles);
}

void PlayListEditor::AddAllClick() {
  RunBusy(QStringLiteral("Adding songs..."), &PlayListEditor::AddAllFiles);
}

void PlayListEditor::LoadClick() {
  RunBusy(QStringLiteral("Loading"), &PlayListEditor::LoadMarkedFile);
}

void PlayListEditor::LoadMarkedFile() {
  LoadListFile(kListFileMarker);
}

void PlayListEditor::SaveClick() {
  SaveListFile();
}

void PlayListEditor::FileDblClick() {
  view_.SetPlayListVisible(false);
  view_.RepaintWindow();
  const PlayListVersion before = mv_.version();
  {
    const GlobalMethods::PathSearchScope search(mv_);
    AddSelectedFiles();
  }
  RefillIfChanged(before);
  view_.SetPlayListVisible(true);
  view_.RepaintWindow();
}

void PlayListEditor::ClearClick() {
  view_.SetProgressLabelsVisible(false);
  view_.SetPlayListVisible(false);
  view_.RepaintWindow();
  mv_.clear();
  RefillEditorList();
  view_.SetPlayListVisible(true);
  view_.SetProgressLabelsVisible(true);
  view_.RepaintWindow();
  view_.SetStatusText(QStringLiteral("Ready"));
}

void PlayListEditor::StartJob(const QString& sStatus, bool bBusy,
                              const std::function<std::unique_ptr<JobRun>(JobHooks)>& make,
                              void (PlayListEditor::*ended)()) {
  view_.SetStatusText(sStatus);
  view_.SetEditing(false);
  if (bBusy) {
    view_.RepaintWindow();
    jobBefore_ = mv_.version();
    jobSearch_ = std::make_unique<GlobalMethods::PathSearchScope>(mv_);
  }
  JobHooks hooks;
  hooks.stopRequested = [this] { return view_.CloseWaiting(); };
  hooks.hold = [this](const std::function<void()>& step) { view_.RunHeld(step); };
  hooks.ended = [this, ended] { (this->*ended)(); };
  job_ = make(std::move(hooks));
  job_->start();
}

// The check goes on as a job once the click has returned; the window stays busy until it ends.
// Closing the window while the songs are tested ends the check (CancelJobs); a close during its
// boxes waits for them, and the rest of them is skipped.
void PlayListEditor::VerifyClick() {
  StartJob(
      QStringLiteral("Verifying..."), false,
      [this](JobHooks hooks) {
        return GlobalMethods::VerifyPlayList(services_, mv_, std::move(hooks));
      },
      &PlayListEditor::VerifyEnded);
}

// The list box is refilled also when the check removed every song, so that it never shows
// songs that are no longer in the list.
void PlayListEditor::VerifyEnded() {
  RefillEditorList();
  view_.SetEditing(true);
  view_.SetStatusText(QStringLiteral("Ready"));
}

void PlayListEditor::BusyJobEnded() {
  jobSearch_.reset();
  RefillIfChanged(jobBefore_);
  view_.SetEditing(true);
  view_.RepaintWindow();
  view_.SetStatusText(QStringLiteral("Ready"));
}

bool PlayListEditor::JobRunning() const {
  return job_ != nullptr && job_->running();
}

void PlayListEditor::CancelJobs() {
  if (job_ != nullptr)
    job_->cancel();
}

void PlayListEditor::FindMovedClick() {
  StartJob(
      QStringLiteral("Looking for moved songs..."), true,
      [this](JobHooks hooks) {
        return FindMovedSongsCommand(services_, mv_, view_, std::move(hooks));
      },
      &PlayListEditor::BusyJobEnded);
}

void PlayListEditor::RelinkClick() {
  StartJob(
      QStringLiteral("Relinking..."), true,
      [this](JobHooks hooks) {
        return RelinkFolderCommand(services_, mv_, view_, std::move(hooks));
      },
      &PlayListEditor::BusyJobEnded);
}

void PlayListEditor::RemoveClick() {
  view_.SetEditing(false);
  view_.RepaintWindow();
  const PlayListVersion before = mv_.version();
  RemoveSelected();
  RefillIfChanged(before);
  view_.SetEditing(true);
  view_.RepaintWindow();
  view_.SetStatusText(QStringLiteral("Ready"));
}

void PlayListEditor::RemoveSelected() {
  if (mv_.dblLastIndex() <= -1) {
    MsgBox(services_, QStringLiteral("Nothing to remove"));
    return;
  }
  const int iSelected = view_.PlayListIndex();
  if (iSelected < 0 || iSelected > mv_.dblLastIndex()) {
    MsgBox(services_, QStringLiteral("Nothing selected"));
    return;
  }
  const auto k = static_cast<std::size_t>(iSelected);
  const QString sName = mv_.sSongNames().at(k);
  view_.SetAddingCaption(QStringLiteral("Removing... \r\n") + sName);
  view_.SetStatusText(QStringLiteral("Removing... ") + sName);
  mv_.removeAt(k);
  RefillEditorList();
  if (mv_.dblLastIndex() >= 0) {
    const double dblSelect = iSelected > mv_.dblLastIndex() ? iSelected - 1 : iSelected;
    GlobalMethods::SelectListItem(view_.PlayList(), dblSelect);
  }
}

void PlayListEditor::AddOneFile(const QString& sName, bool bRefill) {
  const QString sPath =
      GlobalMethods::FixDoubleBackslash(view_.FileFolder() + QLatin1Char('/') + sName);
  if (view_.CurrentFileName().isEmpty()) {
    MsgBox(services_, QStringLiteral("No file selected"));
    DoEvents(services_);
    return;
  }
  if (HasListExtension(sName)) {
    LoadListFile(kListFileMarker);
    DoEvents(services_);
    return;
  }
  if (IsForeignListName(sName)) {
    LoadListFile(sName);
    DoEvents(services_);
    return;
  }
  view_.SetAddingCaption(QStringLiteral("Adding... \r\n") + sName);
  view_.SetStatusText(QStringLiteral("Adding...  ") + sName);
  const double dblFound = FindSongPath(mv_, sPath);
  if (dblFound != -1) {
    ++dblDuplicateCount_;
    if (dblDuplicateCount_ < 4) {
      MsgBox(services_,
             QStringLiteral("The song '") + sName + QStringLiteral("' is already in the list"));
      GlobalMethods::SelectListItem(view_.PlayList(), dblFound);
    }
    DoEvents(services_);
    return;
  }
  GlobalMethods::AppendSong(mv_, sPath, sName);
  if (bRefill)
    RefillEditorList();
  DoEvents(services_);
}

void PlayListEditor::AddSelectedFiles() {
  std::vector<QString> names;
  const int count = view_.FileCount();
  for (int i = 0; i < count; ++i) {
    if (view_.FileSelected(i))
      names.push_back(view_.FileEntry(i));
  }
  AddFiles(names.size(), [&names](std::size_t j) { return names[j]; });
  EndBatch();
}

// The entries are read as they are reached; should the box list fewer by then (another folder
// shown meanwhile), the batch ends there.
void PlayListEditor::AddAllFiles() {
  const int count = view_.FileCount();
  AddFiles(static_cast<std::size_t>(std::max(count, 0)), [this](std::size_t j) {
    const int i = static_cast<int>(j);
    return i < view_.FileCount() ? view_.FileEntry(i) : QString();
  });
  EndBatch();
}

// Songs are taken a slice of about half a frame at a time: those of a slice that are no
// duplicates join the list in one change, then the name of the slice's last song is shown and
// the event loop runs once. Between two passes nothing else runs (the folder and the current
// file stay as they were), so this shows what adding them one by one with a pass after each
// showed, without its cost per song. List files, a duplicate that is reported and a batch
// without a current file go through AddOneFile, in order. Closing the editor ends the batch at
// the next pass and takes back the songs it added (those the player removed meanwhile stay
// removed), so the player takes the list as it was before the batch.
void PlayListEditor::AddFiles(std::size_t count,
                              const std::function<QString(std::size_t)>& nameAt) {
  SongArray paths;
  SongArray songs;
  QString sShown;  // the song file whose name is to be shown at the next pass
  QString sFolder;
  bool bCurrentFile = false;
  bool bClosing = false;
  // After a pass of the event loop: what may have changed there.
  const auto lookAgain = [&] {
    sFolder = view_.FileFolder() + QLatin1Char('/');
    bCurrentFile = !view_.CurrentFileName().isEmpty();
    bClosing = view_.CloseWaiting();
  };
  std::size_t left = count;  // the files not yet taken
  bool bReserved = false;
  AddedRows added(mv_);
  const auto pass = [&] {
    if (!paths.empty()) {
      added.own([&] { mv_.appendAll(std::exchange(paths, {}), std::exchange(songs, {})); });
      // Once the list holds the first part (moved in whole into an empty list), it makes room
      // for the rest.
      if (!bReserved && left > kSliceCheckEvery)
        mv_.reserveMore(left);
      bReserved = true;
    }
    if (!sShown.isEmpty()) {
      view_.SetAddingCaption(QStringLiteral("Adding... \r\n") + sShown);
      view_.SetStatusText(QStringLiteral("Adding...  ") + sShown);
      sShown.clear();
    }
  };
  // A long list the duplicate test has not seen yet is read beside the windows first.
  GlobalMethods::PreparePathSearchBesideTheWindows(services_, mv_,
                                                   [this] { return !view_.CloseWaiting(); });
  lookAgain();
  QElapsedTimer slice;
  slice.start();
  for (std::size_t j = 0; j < count && !bClosing; ++j) {
    const QString sName = nameAt(j);
    if (sName.isEmpty())
      break;
    const bool bLast = j + 1 == count;
    left = count - j - 1;
    const bool bSong = bCurrentFile && !HasListExtension(sName) && !IsForeignListName(sName);
    const QString sPath = GlobalMethods::FixDoubleBackslash(sFolder + sName);
    const bool bDuplicate = bSong && FindSongPath(mv_, sPath) != -1;
    if (!bSong || (bDuplicate && dblDuplicateCount_ < 3)) {
      pass();
      AddOneFile(sName, bLast);
      lookAgain();
      slice.restart();
      continue;
    }
    sShown = sName;
    if (bDuplicate) {
      ++dblDuplicateCount_;
    } else {
      paths.push_back(sPath);
      songs.push_back(sName);
    }
    if (bLast || (j % kSliceCheckEvery == 0 && slice.elapsed() >= kSliceMs)) {
      pass();
      if (bLast && !bDuplicate)
        RefillEditorList();
      DoEvents(services_);
      lookAgain();
      slice.restart();
    }
  }
  pass();
  if (view_.CloseWaiting())
    added.takeBack();
}

void PlayListEditor::EndBatch() {
  if (view_.CloseWaiting()) {
    dblDuplicateCount_ = 0;  // the user left: no box follows
    return;
  }
  if (dblDuplicateCount_ > 3) {
    MsgBox(
        services_,
        FormatNumber(dblDuplicateCount_ - 3) +
            QStringLiteral(" more songs couldn't be added because they were already in the list"));
  }
  dblDuplicateCount_ = 0;
}

void PlayListEditor::LoadListFile(const QString& sFile) {
  qvt::LoadListFile(services_, mv_, view_, sFile);
}

void PlayListEditor::SaveListFile() {
  qvt::SaveListFile(services_, mv_, view_);
}

void PlayListEditor::RefillEditorList() {
  qvt::RefillEditorList(view_);
}

void PlayListEditor::RefillIfChanged(const PlayListVersion& before) {
  if (mv_.version() == before)
    return;
  const int iSelected = view_.PlayListIndex();
  RefillEditorList();
  if (iSelected >= 0 && iSelected <= mv_.dblLastIndex())
    GlobalMethods::SelectListItem(view_.PlayList(), iSelected);
}

void PlayListEditor::FillOnLoad() {
  const double dblLast = mv_.dblLastIndex();
  Processor processor = ProcessorOf(services_);
  if (dblLast > kProgressWindowAbove)
    processor.ShowDetermined(0, dblLast, false, QString());
  ReportNames(mv_, [&processor](const QString& sName) {
    processor.Update(QStringLiteral("Generating visual list...\r\n") + sName);
  });
  view_.ShowPlayList();
  processor.Hide();
}

}  // namespace qvt
