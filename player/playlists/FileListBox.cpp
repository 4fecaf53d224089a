#include "player/playlists/FileListBox.h"

#include <QDir>
#include <QItemSelection>
#include <QMouseEvent>
#include <algorithm>
#include <stdexcept>

#include "player/playlists/FolderScan.h"
#include "player/playlists/TextListModel.h"

namespace qvt {

FileListBox::FileListBox(QWidget* parent)
    : QListView(parent), model_(new TextListModel(this, false)) {
  setObjectName(QStringLiteral("filDisplay"));
  setModel(model_);
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  if (!SetPath(QDir::homePath()))
    SetPath(QStringLiteral("/"));
}

bool FileListBox::relist(const QString& path) {
  std::vector<QString> names;
  if (path.isEmpty() || !ListPlainFiles(path, pattern_, names))
    return false;
  model_->setItems(std::move(names));
  return true;
}

bool FileListBox::SetPath(const QString& sPath) {
  const QString path = NormalizeFolder(sPath);
  if (!relist(path))
    return false;
  const bool moved = path != path_;
  path_ = path;
  if (moved)
    Q_EMIT PathChange();
  return true;
}

void FileListBox::SetPattern(const QString& sPattern) {
  pattern_ = sPattern;
  relist(path_);  // a folder that vanished keeps its old entries
  Q_EMIT PatternChange();
}

int FileListBox::ListCount() const {
  return static_cast<int>(model_->items().size());
}

QString FileListBox::List(int i) const {
  if (i < 0 || i >= ListCount())
    throw std::out_of_range("FileListBox::List: no such entry");
  return model_->items()[static_cast<std::size_t>(i)];
}

bool FileListBox::Selected(int i) const {
  if (i < 0 || i >= ListCount())
    return false;
  return selectionModel()->isSelected(model_->index(i));
}

void FileListBox::SetSelected(int i, bool b) {
  if (i < 0 || i >= ListCount())
    return;
  selectionModel()->select(model_->index(i),
                           b ? QItemSelectionModel::Select : QItemSelectionModel::Deselect);
}

int FileListBox::ListIndex() const {
  const QModelIndex current = currentIndex();
  return current.isValid() ? current.row() : -1;
}

void FileListBox::SetListIndex(int i) {
  if (i < 0 || i >= ListCount()) {
    selectionModel()->clear();
    return;
  }
  const QModelIndex index = model_->index(i);
  selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect);
  scrollTo(index);
}

QString FileListBox::FileName() const {
  const int i = ListIndex();
  return i < 0 ? QString() : List(i);
}

void FileListBox::Refresh() {
  QStringList selected;
  const QModelIndexList rows = selectionModel()->selectedRows();
  for (const QModelIndex& index : rows)
    selected << model_->items()[static_cast<std::size_t>(index.row())];
  const QString current = FileName();
  if (relist(path_))
    restore(selected, current);
}

int FileListBox::rowOf(const QString& name) const {
  // The names are sorted by their case-folded text, then by the exact text.
  const std::vector<QString>& names = model_->items();
  const QString key = name.toCaseFolded();
  const auto it = std::lower_bound(names.begin(), names.end(), name,
                                   [&key](const QString& a, const QString& b) {
                                     const QString folded = a.toCaseFolded();
                                     return folded < key || (folded == key && a < b);
                                   });
  return it != names.end() && *it == name ? static_cast<int>(it - names.begin()) : -1;
}

void FileListBox::restore(const QStringList& selected, const QString& current) {
  QItemSelection selection;
  for (const QString& name : selected) {
    const int row = rowOf(name);
    if (row >= 0)
      selection.select(model_->index(row), model_->index(row));
  }
  const int currentRow = current.isEmpty() ? -1 : rowOf(current);
  if (currentRow >= 0)
    selectionModel()->setCurrentIndex(model_->index(currentRow), QItemSelectionModel::NoUpdate);
  selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect);
}

void FileListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  QListView::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton && indexAt(event->position().toPoint()).isValid())
    Q_EMIT DblClick();
}

}  // namespace qvt
