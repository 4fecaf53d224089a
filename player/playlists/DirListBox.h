#pragma once
// A folder box: the path of the current folder as a small tree. One entry per folder from "/"
// down to the current folder (open-folder icons, each indented one step more), then the
// subfolders of the current folder (closed-folder icons, one step further in), sorted by name
// without regard to case; hidden folders are left out.
//
// A folder is read on a worker thread while the window thread waits in an event loop, so the
// windows keep answering; any event may arrive meanwhile, another SetPath, SetPathToDrive or
// Refresh of this box included. The latest request that can be carried out wins:
//  - a listing is shown only when no other listing was shown while it was read; otherwise it
//    is dropped (no entries of it, no Change for it, not remembered for its volume);
//  - a Refresh asked while a SetPath reads its folder lists that folder, so the box ends on
//    the folder asked for last;
//  - a request whose folder cannot be read changes nothing, so it drops nothing either;
//  - a box deleted during the wait is left alone, and the call returns at once.
// A request holds the program window the box is in (FormBusy) until it returns, Change and
// what its receivers do included: a close meanwhile comes once the request has returned.
//
//   dir.SetPath("/home/ann/Music");   // false when it cannot be shown; Change when it moved
//   dir.SetPathToDrive("/media/ann/USB");
//
// A double click (or Enter) on an entry moves to that entry's folder.

#include <QListWidget>
#include <QString>
#include <cstdint>
#include <vector>

#include "player/playlists/FolderRead.h"

namespace qvt {

struct Services;

class DirListBox : public QListWidget {
  Q_OBJECT

 public:
  explicit DirListBox(const Services& services, QWidget* parent = nullptr);

  // The current folder: absolute, without a trailing "/" (except "/" itself).
  QString Path() const { return path_; }
  // Shows sPath. False, and nothing changes, when it does not exist, is not a folder or
  // cannot be read. Emits Change when the folder differs from the one shown before. When its
  // listing was dropped for a later one, it answers whether sPath is the folder shown on
  // return; false when the box was deleted meanwhile.
  bool SetPath(const QString& sPath);
  // Moves to the folder last shown on the volume at sRoot during this run (a folder belongs
  // to the longest known volume root that holds it), else to sRoot itself. Same failure rule,
  // and the same answer when overtaken (then it does not fall back to sRoot).
  bool SetPathToDrive(const QString& sRoot);
  // Re-reads the current folder; when it vanished, what was shown stays.
  void Refresh();

  // The folder of entry i ("" when there is no such entry), and the current folder's entry.
  QString EntryPath(int i) const;
  int CurrentFolderEntry() const { return currentEntry_; }

 Q_SIGNALS:
  void Change();

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  using Listed = FolderRead;
  // A SetPath whose folder is being read.
  struct Reading {
    QString path;
    std::uint64_t since = 0;  // shown_ when it began; it is overtaken once shown_ moves on
  };

  // Reads the subfolders of `path` on a worker thread and waits for them. After kBoxGone
  // nothing of the box may be touched.
  Listed list(const QString& path, std::vector<QString>& subfolders);
  // Reads `path` as the folder asked for last and shows it unless it was overtaken.
  Listed request(const QString& path);
  // What SetPath answers for a request of `path` that ended as `listed` (never kBoxGone).
  bool answer(Listed listed, const QString& path) const;
  // Shows the listing, remembers the folder and emits Change when it moved.
  void showListing(const QString& path, const std::vector<QString>& subfolders);
  void display(const QString& path, const std::vector<QString>& subfolders);
  void remember(const QString& path);
  // The folder last shown on the volume at `root`; "" when none.
  QString lastShownOn(const QString& root) const;
  // The folder that Refresh lists: the one a SetPath is reading, else the shown.
  QString folderToList() const;
  void openEntry(const QString& folder);

  const Services& services_;
  QString path_;
  int currentEntry_ = -1;
  std::vector<QString> history_;  // folders shown, most recent last, each once
  std::uint64_t shown_ = 0;       // listings shown so far
  Reading reading_;
};

}  // namespace qvt
