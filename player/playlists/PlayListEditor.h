#pragma once
// The operations of the play list editor window (frmChoose), without its widgets: adding files
// from the file box, loading and saving .qvl files, removing and clearing songs, the integrity
// check, and the busy protocol around each of them. They change the shared play list
// (sSongPaths, sSongNames, dblLastIndex), which the window's list box shows.
//
//   PlayListEditor editor(services, mv, view);   // view: the window, as IEditorView
//   editor.AddClick();             // what the Add button does

#include <QString>
#include <functional>
#include <memory>

#include "player/startup/MusicVariables.h"

namespace qvt {

class IEditorView;
class JobRun;
struct JobHooks;
struct Services;
namespace GlobalMethods {
class PathSearchScope;
}

// Shows the play list box anew (songs 0 to dblLastIndex), nothing selected.
void RefillEditorList(IEditorView& view);
// The same, setting lblAdding's caption to sCaptionPrefix + the name for every song first.
void RefillEditorListShowing(const Services& services, const MusicVariables& mv, IEditorView& view,
                             const QString& sCaptionPrefix);

class PlayListEditor {
 public:
  // services: what it reaches the machine through; mv: the play list it edits; they and the view
  // outlive the editor.
  PlayListEditor(const Services& services, MusicVariables& mv, IEditorView& view);
  ~PlayListEditor();
  PlayListEditor(const PlayListEditor&) = delete;
  PlayListEditor& operator=(const PlayListEditor&) = delete;

  // The buttons and the file box's double click.
  void AddClick();
  void AddAllClick();
  void RemoveClick();
  void ClearClick();
  void LoadClick();
  void SaveClick();
  void VerifyClick();
  void FindMovedClick();
  void RelinkClick();
  void FileDblClick();

  // Adds the file sName of the file box's folder (or loads it when it is a .qvl file);
  // bRefill refills the list box afterwards.
  void AddOneFile(const QString& sName, bool bRefill);
  // AddOneFile for every selected entry of the file box, then the duplicate summary.
  void AddSelectedFiles();
  // AddOneFile for every entry of the file box, then the duplicate summary.
  void AddAllFiles();
  void LoadListFile(const QString& sFile);
  void SaveListFile();
  void RefillEditorList();

  // What the window shows when it loads: the list box filled from the play list, through the
  // progress bar window when the list holds more than 500 songs.
  void FillOnLoad();

  double dblDuplicateCount() const { return dblDuplicateCount_; }

  // The operations that run as jobs (Verify List, Find Moved Songs, Relink Folder) go on after
  // their click has returned, the window busy meanwhile. Whether one runs; cancelling ends it at
  // once (the window closes).
  bool JobRunning() const;
  void CancelJobs();

 private:
  // Status text, busy, duplicate search bound at the current list, op, search bound given back,
  // list box refilled when the list changed, editing again, "Ready".
  void RunBusy(const QString& sStatus, void (PlayListEditor::*op)());
  // Adds `count` files of the file box's folder, named by nameAt(0), nameAt(1), ..., as
  // AddOneFile does, one after the other; an empty name ends the batch.
  void AddFiles(std::size_t count, const std::function<QString(std::size_t)>& nameAt);
  void EndBatch();
  // Shows the list box anew, its selection kept, when the play list changed since `before`
  // (the event loop ran during the operation: the player's timers may have changed the list
  // meanwhile).
  void RefillIfChanged(const PlayListVersion& before);
  void LoadMarkedFile();
  void RemoveSelected();
  // Starts the operation `make` gives as the editor's job: the status text, busy, and, with
  // bBusy, a repaint and the duplicate search bound at the list until it ends; `ended` runs at
  // its end.
  void StartJob(const QString& sStatus, bool bBusy,
                const std::function<std::unique_ptr<JobRun>(JobHooks)>& make,
                void (PlayListEditor::*ended)());
  // The ends: Verify's refills the list box; the others' refill it when the list changed, as
  // RunBusy does. Both give the window back with "Ready".
  void VerifyEnded();
  void BusyJobEnded();
  const Services& services_;
  MusicVariables& mv_;
  IEditorView& view_;
  double dblDuplicateCount_ = 0;
  std::unique_ptr<JobRun> job_;
  std::unique_ptr<GlobalMethods::PathSearchScope> jobSearch_;
  PlayListVersion jobBefore_;
};

}  // namespace qvt
