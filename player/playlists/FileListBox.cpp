#include "player/playlists/FileListBox.h"

#include <QDir>
#include <QItemSelection>
#include <QMouseEvent>
#include <algorithm>
#include <atomic>
#include <stdexcept>
#include <utility>

#include "player/playlists/FolderScan.h"
#include "player/playlists/TextListModel.h"
#include "shared/Services.h"

namespace qvt {

FileListBox::FileListBox(const Services& services, QWidget* parent)
    : QListView(parent), services_(services), model_(new TextListModel(this, false)) {
  setObjectName(QStringLiteral("filDisplay"));
  setModel(model_);
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::ExtendedSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  // The first folder is read here, without an event loop: no event may reach the box, or the
  // window that is making it, before they are built.
  for (const QString& start : {QDir::homePath(), QStringLiteral("/")}) {
    const QString path = NormalizeFolder(start);
    std::vector<QString> names;
    if (ListPlainFiles(files(services_), path, pattern_, names)) {
      showListing(path, std::move(names), false);
      break;
    }
  }
}

FileListBox::Listed FileListBox::list(const QString& path, std::vector<QString>& names) {
  if (path.isEmpty())
    return Listed::kUnreadable;
  const std::uint64_t since = shown_;
  const QString pattern = pattern_;
  // The worker has its own copies of the folder and the pattern.
  return ReadFolderBesideTheWindows(
      *this,
      [fs = &files(services_), path, pattern, &names](const std::atomic<bool>& cancelled) {
        return ListPlainFiles(*fs, path, pattern, names, &cancelled);
      },
      [&] { return shown_ == since && pattern_ == pattern; });
}

void FileListBox::showListing(const QString& path, std::vector<QString> names,
                              bool bKeepSelection) {
  ++shown_;
  const bool moved = path != path_;
  QStringList selected;
  QString current;
  if (bKeepSelection && !moved) {
    const QModelIndexList rows = selectionModel()->selectedRows();
    for (const QModelIndex& index : rows)
      selected << model_->items()[static_cast<std::size_t>(index.row())];
    current = FileName();
  }
  model_->setItems(std::move(names));
  path_ = path;
  if (bKeepSelection && !moved)
    restore(selected, current);
  if (moved)
    Q_EMIT PathChange();
}

QString FileListBox::folderToList() const {
  return reading_.since == shown_ && !reading_.path.isEmpty() ? reading_.path : path_;
}

bool FileListBox::SetPath(const QString& sPath) {
  const QString path = NormalizeFolder(sPath);
  // Requests during the wait read this folder, until a listing is shown; the SetPath this one
  // may run inside of is put back after it (requests nest strictly, inner ones end first).
  const Reading outer = std::exchange(reading_, Reading{path, shown_});
  std::vector<QString> names;
  const Listed listed = list(path, names);
  if (listed == Listed::kBoxGone)
    return false;
  reading_ = outer;
  if (listed == Listed::kDropped)
    return path_ == path;
  if (listed == Listed::kReady)
    showListing(path, std::move(names), false);
  return listed == Listed::kReady;
}

void FileListBox::SetPattern(const QString& sPattern) {
  pattern_ = sPattern;
  const QString path = folderToList();
  std::vector<QString> names;
  const Listed listed = list(path, names);
  if (listed == Listed::kBoxGone)
    return;
  if (listed == Listed::kReady)
    showListing(path, std::move(names), false);  // a folder that vanished keeps its old entries
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
  const QString path = folderToList();
  std::vector<QString> names;
  if (list(path, names) == Listed::kReady)
    showListing(path, std::move(names), true);
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
