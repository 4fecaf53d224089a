#include "player/playlists/SongListBox.h"

#include <QItemSelectionModel>
#include <QMouseEvent>
#include <stdexcept>

namespace qvt {

int SongListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count();
}

QVariant SongListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= count())
    return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
    return items_[static_cast<std::size_t>(index.row())];
  return {};
}

void SongListModel::setItems(std::vector<QString> items) {
  beginResetModel();
  items_ = std::move(items);
  endResetModel();
}

void SongListModel::append(const QString& text) {
  const int row = count();
  beginInsertRows(QModelIndex(), row, row);
  items_.push_back(text);
  endInsertRows();
}

void SongListModel::setText(int row, const QString& text) {
  if (row < 0 || row >= count())
    return;
  items_[static_cast<std::size_t>(row)] = text;
  const QModelIndex changed = index(row);
  Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole});
}

void SongListModel::clear() {
  setItems({});
}

SongListBox::SongListBox(QWidget* parent) : QListView(parent), model_(new SongListModel(this)) {
  setModel(model_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // Every row has the height of the first: the view never measures the other rows.
  setUniformItemSizes(true);
  setTextElideMode(Qt::ElideRight);
}

int SongListBox::ListCount() const {
  return model_->count();
}

bool SongListBox::Selected(int i) const {
  if (i < 0 || i >= model_->count())
    return false;
  return selectionModel()->isRowSelected(i, QModelIndex());
}

void SongListBox::SetListIndex(int i) {
  if (i == -1) {
    selectionModel()->clearSelection();
    selectionModel()->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    return;
  }
  if (i < 0 || i >= model_->count())
    throw std::out_of_range("list index out of range");
  const QModelIndex item = model_->index(i);
  selectionModel()->setCurrentIndex(item, QItemSelectionModel::ClearAndSelect);
  scrollTo(item);
}

int SongListBox::ListIndex() const {
  const QModelIndexList rows = selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

QString SongListBox::List(int i) const {
  if (i < 0 || i >= model_->count())
    throw std::out_of_range("list index out of range");
  return model_->text(i);
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
  QAbstractItemView::dataChanged(topLeft, bottomRight, roles);
}

}  // namespace qvt
