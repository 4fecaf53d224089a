#pragma once
// A file box: the plain files of one folder whose names match a wildcard pattern, sorted by
// name without regard to case, with extended multiple selection. The names live in a plain
// model with rows of one height, so a folder of 100,000 files lists and paints quickly.
//
// A folder is read on a worker thread while the window thread waits in an event loop, so the
// windows keep answering; any event may arrive meanwhile, another SetPath, SetPattern or
// Refresh of this box included. The latest request that can be carried out wins:
//  - a listing is shown only when no other listing was shown, and the pattern did not change,
//    while it was read; otherwise it is dropped (no entries of it, no PathChange for it);
//  - a SetPattern or Refresh asked while a SetPath reads its folder lists that folder, so the
//    box ends on the folder asked for last, with the pattern asked for last;
//  - a request whose folder cannot be read changes nothing, so it drops nothing either;
//  - a box deleted during the wait is left alone, and the call returns at once.
//
//   fil.SetPath("/home/ann/Music");
//   fil.SetPattern("*.mp3;*.wav");
//   for (int i = 0; i < fil.ListCount(); ++i) if (fil.Selected(i)) add(fil.List(i));

#include <QListView>
#include <QString>
#include <cstdint>
#include <vector>

#include "player/playlists/FolderRead.h"

namespace qvt {

struct Services;
class TextListModel;

class FileListBox : public QListView {
  Q_OBJECT

 public:
  // Reads folders through the file system of `services`.
  explicit FileListBox(const Services& services, QWidget* parent = nullptr);

  // The folder listed: absolute, without a trailing "/" (except "/" itself).
  QString Path() const { return path_; }
  // Lists sPath. False, and nothing changes, when it cannot be read. Emits PathChange when the
  // folder differs from the one listed before. When its listing was dropped for a later one,
  // it answers whether sPath is the folder listed on return (a later SetPattern may have shown
  // it); false when the box was deleted meanwhile.
  bool SetPath(const QString& sPath);
  // ";"-separated wildcard patterns; "*.*" at first.
  QString Pattern() const { return pattern_; }
  // Lists the folder again with sPattern and emits PatternChange.
  void SetPattern(const QString& sPattern);

  int ListCount() const;
  // Text of entry i; throws std::out_of_range when there is no such entry.
  QString List(int i) const;
  bool Selected(int i) const;
  // Selects or deselects entry i; an index that names no entry is ignored.
  void SetSelected(int i, bool b);
  // The current (focused) entry, -1 when there is none.
  int ListIndex() const;
  // Makes entry i current and selects it alone; -1 (or an index that names no entry) leaves
  // nothing current and nothing selected.
  void SetListIndex(int i);
  // Text of the current entry; "" when there is none.
  QString FileName() const;
  // Lists the folder again, keeping the current and selected names that are still there. When
  // the folder vanished, the old entries stay.
  void Refresh();

 Q_SIGNALS:
  void PathChange();
  void PatternChange();
  // The user double-clicked an entry.
  void DblClick();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;

 private:
  using Listed = FolderRead;
  // A SetPath whose folder is being read.
  struct Reading {
    QString path;
    std::uint64_t since = 0;  // shown_ when it began; it is overtaken once shown_ moves on
  };

  // Lists `path` with the pattern of the moment on a worker thread and waits for it. After
  // kBoxGone nothing of the box may be touched.
  Listed list(const QString& path, std::vector<QString>& names);
  void showListing(const QString& path, std::vector<QString> names, bool bKeepSelection);
  // The folder that SetPattern and Refresh list: the one a SetPath is reading, else the shown.
  QString folderToList() const;
  void restore(const QStringList& selected, const QString& current);
  int rowOf(const QString& name) const;

  const Services& services_;
  TextListModel* model_;
  QString path_;
  QString pattern_ = QStringLiteral("*.*");
  std::uint64_t shown_ = 0;  // listings shown so far
  Reading reading_;
};

}  // namespace qvt
