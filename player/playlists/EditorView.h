#pragma once
// What the play list editor's operations need from its window: the file box (folder, entries,
// selection, current file), the two progress texts, the play list box and the busy state.
// frmChoose implements it over its controls; tests implement it with a plain fake.

#include <QString>
#include <functional>
#include <vector>

#include "player/startup/ListBox.h"

namespace qvt {

class IEditorView {
 public:
  virtual ~IEditorView() = default;

  // The file box: its folder (no trailing "/" except for the root), its entries in list
  // order, which of them are selected, and the current file's name ("" when none).
  virtual QString FileFolder() const = 0;
  virtual int FileCount() const = 0;
  virtual QString FileEntry(int i) const = 0;
  virtual bool FileSelected(int i) const = 0;
  virtual QString CurrentFileName() const = 0;
  // Makes the file box read its folder again.
  virtual void RefreshFiles() = 0;

  // The caption of lblAdding; it is repainted (a paint may wait for the next screen frame).
  virtual void SetAddingCaption(const QString& sText) = 0;
  // Status panel 1, then the song count in panel 2.
  virtual void SetStatusText(const QString& sText) = 0;

  // The play list box: entry i shows song i of the play list.
  virtual IListBox& PlayList() = 0;
  // The selected entry, or -1 when none is selected.
  virtual int PlayListIndex() const = 0;
  // The play list box shows the play list as it is now, nothing selected.
  virtual void ShowPlayList() = 0;

  // Busy state: false hides the play list, disables the buttons and the window.
  virtual void SetEditing(bool bOn) = 0;
  virtual void SetPlayListVisible(bool bVisible) = 0;
  // lblProcessing and lblAdding.
  virtual void SetProgressLabelsVisible(bool bVisible) = 0;
  // An immediate redraw of the window.
  virtual void RepaintWindow() = 0;
  // Whether the window was closed while busy: its unload waits for the operation to return,
  // and an operation that can stop early does.
  virtual bool CloseWaiting() const { return false; }
  // Runs a step of a job that shows boxes (which run an event loop of their own) as an
  // operation on the window: a close meanwhile waits until it returns, and CloseWaiting says so.
  virtual void RunHeld(const std::function<void()>& step) { step(); }
};

}  // namespace qvt
