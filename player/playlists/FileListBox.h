#pragma once
// A file box: the plain files of one folder whose names match a wildcard pattern, sorted by
// name without regard to case, with extended multiple selection. The names live in a plain
// model with rows of one height, so a folder of 100,000 files lists and paints quickly.
//
//   fil.SetPath("/home/ann/Music");
//   fil.SetPattern("*.mp3;*.wav");
//   for (int i = 0; i < fil.ListCount(); ++i) if (fil.Selected(i)) add(fil.List(i));

#include <QListView>
#include <QString>
#include <vector>

namespace qvt {

class TextListModel;

class FileListBox : public QListView {
  Q_OBJECT

 public:
  explicit FileListBox(QWidget* parent = nullptr);

  // The folder listed: absolute, without a trailing "/" (except "/" itself).
  QString Path() const { return path_; }
  // Lists sPath. False, and nothing changes, when it cannot be read. Emits PathChange when the
  // folder differs from the one listed before.
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
  bool relist(const QString& path);
  void restore(const QStringList& selected, const QString& current);
  int rowOf(const QString& name) const;

  TextListModel* model_;
  QString path_;
  QString pattern_ = QStringLiteral("*.*");
};

}  // namespace qvt
