#include "player/playlists/DirListBox.h"

#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>

#include "platform/Platform.h"
#include "player/playlists/FolderScan.h"

namespace qvt {

namespace {

constexpr int kIndentRole = Qt::UserRole + 1;
constexpr int kPathRole = Qt::UserRole;
constexpr int kIndentStep = 12;  // pixels per tree level

// Paints each entry moved right by its tree level.
class IndentDelegate : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override {
    QStyleOptionViewItem moved(option);
    moved.rect.setLeft(option.rect.left() + kIndentStep * index.data(kIndentRole).toInt());
    QStyledItemDelegate::paint(painter, moved, index);
  }
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    size.rwidth() += kIndentStep * index.data(kIndentRole).toInt();
    return size;
  }
};

bool IsBelowRoot(const QString& path, const QString& root) {
  if (root == QLatin1String("/"))
    return path.startsWith(QLatin1Char('/'));
  return path == root || path.startsWith(root + QLatin1Char('/'));
}

// The folders from "/" down to path: "/", "/a", "/a/b", ...
std::vector<QString> Ancestry(const QString& path) {
  std::vector<QString> out{QStringLiteral("/")};
  const QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  QString walk;
  for (const QString& part : parts) {
    walk += QLatin1Char('/') + part;
    out.push_back(walk);
  }
  return out;
}

}  // namespace

DirListBox::DirListBox(QWidget* parent) : QListWidget(parent) {
  setObjectName(QStringLiteral("dirDisplay"));
  setItemDelegate(new IndentDelegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  if (!SetPath(QDir::homePath()))
    SetPath(QStringLiteral("/"));
}

bool DirListBox::SetPath(const QString& sPath) {
  const QString path = NormalizeFolder(sPath);
  std::vector<QString> subfolders;
  if (path.isEmpty() || !ListSubfolders(path, subfolders))
    return false;
  const bool moved = path != path_;
  display(path, subfolders);
  remember(path);
  if (moved)
    Q_EMIT Change();
  return true;
}

bool DirListBox::SetPathToDrive(const QString& sRoot) {
  const QString root = NormalizeFolder(sRoot);
  if (root.isEmpty())
    return false;
  std::vector<QString> roots{root};
  for (const Volume& v : volumes().mounted())
    roots.push_back(NormalizeFolder(v.root));
  const auto ownerOf = [&roots](const QString& folder) {
    QString best;
    for (const QString& r : roots) {
      if (IsBelowRoot(folder, r) && r.size() > best.size())
        best = r;
    }
    return best;
  };
  for (auto it = history_.rbegin(); it != history_.rend(); ++it) {
    if (ownerOf(*it) == root) {
      const QString last = *it;  // SetPath reorders the history
      if (SetPath(last))
        return true;
      break;  // vanished meanwhile: fall back to the root
    }
  }
  return SetPath(root);
}

void DirListBox::Refresh() {
  std::vector<QString> subfolders;
  if (!path_.isEmpty() && ListSubfolders(path_, subfolders))
    display(path_, subfolders);
}

QString DirListBox::EntryPath(int i) const {
  const QListWidgetItem* it = item(i);
  return it == nullptr ? QString() : it->data(kPathRole).toString();
}

void DirListBox::display(const QString& path, const std::vector<QString>& subfolders) {
  const QIcon open = style()->standardIcon(QStyle::SP_DirOpenIcon);
  const QIcon closed = style()->standardIcon(QStyle::SP_DirClosedIcon);
  setUpdatesEnabled(false);
  clear();
  const std::vector<QString> chain = Ancestry(path);
  int level = 0;
  for (const QString& folder : chain) {
    const QString text =
        folder == QLatin1String("/") ? folder : folder.section(QLatin1Char('/'), -1);
    auto* entry = new QListWidgetItem(open, text, this);
    entry->setData(kPathRole, folder);
    entry->setData(kIndentRole, level++);
  }
  for (const QString& name : subfolders) {
    auto* entry = new QListWidgetItem(closed, name, this);
    entry->setData(kPathRole, JoinFolder(path, name));
    entry->setData(kIndentRole, level);
  }
  path_ = path;
  currentEntry_ = static_cast<int>(chain.size()) - 1;
  setCurrentRow(currentEntry_);
  setUpdatesEnabled(true);
}

void DirListBox::remember(const QString& path) {
  history_.erase(std::remove(history_.begin(), history_.end(), path), history_.end());
  history_.push_back(path);
}

void DirListBox::openEntry(const QString& folder) {
  if (!folder.isEmpty())
    SetPath(folder);  // a folder that vanished is ignored
}

void DirListBox::mouseDoubleClickEvent(QMouseEvent* event) {
  const QListWidgetItem* hit = itemAt(event->position().toPoint());
  const QString folder = hit == nullptr ? QString() : hit->data(kPathRole).toString();
  QListWidget::mouseDoubleClickEvent(event);
  if (event->button() == Qt::LeftButton)
    openEntry(folder);
}

void DirListBox::keyPressEvent(QKeyEvent* event) {
  if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
      currentItem() != nullptr) {
    openEntry(currentItem()->data(kPathRole).toString());
    event->accept();
    return;
  }
  QListWidget::keyPressEvent(event);
}

}  // namespace qvt
