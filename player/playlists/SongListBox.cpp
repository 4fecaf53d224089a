#include "player/playlists/SongListBox.h"

#include <QItemSelectionModel>
#include <QMouseEvent>
#include <stdexcept>

#include "player/playlists/TextListModel.h"

namespace qvt {

SongListBox::SongListBox(QWidget* parent)
    : QListView(parent), model_(new TextListModel(this, true)) {
  setModel(model_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Every row has the height of the first: the view never measures the other rows.
  setUniformItemSizes(true);
  setTextElideMode(Qt::ElideRight);
}

void SongListBox::ShowModel(QAbstractItemModel* rows) {
  setModel(rows);
}

int SongListBox::ListCount() const {
  return model()->rowCount();
}

bool SongListBox::Selected(int i) const {
  if (i < 0 || i >= ListCount())
    return false;
  return selectionModel()->isRowSelected(i, QModelIndex());
}

void SongListBox::SetListIndex(int i) {
  if (i == -1) {
    selectionModel()->clearSelection();
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    return;
  }
  if (i < 0 || i >= ListCount())
    throw std::out_of_range("list index out of range");
  const QModelIndex item = model()->index(i, 0);
  selectionModel()->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect);
  scrollTo(item);
}

int SongListBox::ListIndex() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

QString SongListBox::List(int i) const {
  if (i < 0 || i >= ListCount())
    throw std::out_of_range("list index out of range");
  return model()->index(i, 0).data().toString();
}

void SongListBox::SetList(int i, const QString& text) {
  model_->setText(i, text);
}

void SongListBox::AddItem(const QString& text) {
  model_->append(text);
}

void SongListBox::SetItems(std::vector<QString> items) {
  model_->setItems(std::move(items));
}

void SongListBox::Clear() {
  model_->clear();
}

void SongListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  QListView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
    Q_EMIT DblClick();
}

void SongListBox::dataChanged(const QModelIndex& topLeft, const QModelIndex& bottomRight,
                              const QList<int>& roles) {
  // Past QListView's own handler on purpose: that one lays the whole list out again.
  QAbstractItemView::dataChanged(  // NOLINT(bugprone-parent-virtual-call)
      topLeft, bottomRight, roles);
}

}  // namespace qvt
