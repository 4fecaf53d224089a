#pragma once
// A single-selection list box of song names that stays fast with 100,000 entries: the texts
// live in a plain model (no widget per entry) and every row has the same height, so filling,
// painting and changing one entry do not depend on the length of the list.
//
//   lst.SetItems(names);          // replaces every entry at once
//   lst.AddItem("Blue.mp3");      // appends one entry
//   lst.SetList(3, "x - Now Playing");
//   lst.SetListIndex(3);          // selects entry 3 and scrolls to it; -1 selects nothing
//
// Entry i is song i. The list keeps its own copy of the texts, so it changes only when told,
// unless it shows another model (ShowModel): then it is a view of that model, and the
// methods that set texts do nothing.

#include <QListView>
#include <QString>
#include <vector>

#include "player/startup/ListBox.h"

namespace qvt {

class TextListModel;

class SongListBox : public QListView, public IListBox {
  Q_OBJECT

 public:
  explicit SongListBox(QWidget* parent = nullptr);

  // Shows `rows` (owned elsewhere) instead of the list's own texts.
  void ShowModel(QAbstractItemModel* rows);

  // IListBox
  int ListCount() const override;
  bool Selected(int i) const override;
  void SetListIndex(int i) override;

  // The selected entry, or -1 when none is selected.
  int ListIndex() const;
  // Text of entry i; throws std::out_of_range when there is no such entry.
  QString List(int i) const;
  // Replaces the text of entry i; an index that names no entry is ignored.
  void SetList(int i, const QString& text);
  void AddItem(const QString& text);
  void SetItems(std::vector<QString> items);
  void Clear();

 Q_SIGNALS:
  // The user double-clicked an entry (after it was selected).
  void DblClick();

 protected:
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  // A changed text never changes a row's height: repaint the row without laying out the list.
  void dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                   const QList<int>& roles = QList<int>()) override;

 private:
  TextListModel* model_;
};

}  // namespace qvt
