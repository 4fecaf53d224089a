#include "player/playlists/DirListBox.h"

#include <QDir>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <QStyledItemDelegate>
#include <algorithm>
#include <atomic>
#include <utility>

#include "player/playlists/FolderScan.h"
#include "shared/Services.h"
#include "shared/ui/Form.h"

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

// Runs `request` holding the program window the box is in, when it is in one: a close that
// comes while a folder is read waits until the request, and Change's receivers, have returned.
template <typename Request>
auto HoldingWindow(QWidget& box, Request request) {
  Form* const form = qobject_cast<Form*>(box.window());
  if (form == nullptr)
    return request();
  FormBusy busy(*form);
  return request();
}

}  // namespace

DirListBox::DirListBox(const Services& services, QWidget* parent)
    : QListWidget(parent), services_(services) {
  setObjectName(QStringLiteral("dirDisplay"));
  setItemDelegate(new IndentDelegate(this));
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
  // The first folder is read here, without an event loop: no event may reach the box, or the
  // window that is making it, before they are built.
  for (const QString& start : {QDir::homePath(), QStringLiteral("/")}) {
    const QString path = NormalizeFolder(start);
    std::vector<QString> subfolders;
    if (ListSubfolders(files(services_), path, subfolders)) {
      showListing(path, subfolders);
      break;
    }
  }
}

DirListBox::Listed DirListBox::list(const QString& path, std::vector<QString>& subfolders) {
  if (path.isEmpty())
    return Listed::kUnreadable;
  const std::uint64_t since = shown_;
  // The worker has its own copy of the folder.
  return ReadFolderBesideTheWindows(
      *this,
      [fs = &files(services_), path, &subfolders](const std::atomic<bool>& cancelled) {
        return ListSubfolders(*fs, path, subfolders, &cancelled);
      },
      [&] { return shown_ == since; });
}

DirListBox::Listed DirListBox::request(const QString& path) {
  // Refreshes during the wait read this folder, until a listing is shown; the request this one
  // may run inside of is put back after it (requests nest strictly, inner ones end first).
  const Reading outer = std::exchange(reading_, Reading{path, shown_});
  std::vector<QString> subfolders;
  const Listed listed = list(path, subfolders);
  if (listed == Listed::kBoxGone)
    return listed;
  reading_ = outer;
  if (listed == Listed::kReady)
    showListing(path, subfolders);
  return listed;
}

bool DirListBox::answer(Listed listed, const QString& path) const {
  return listed == Listed::kReady || (listed == Listed::kDropped && path_ == path);
}

bool DirListBox::SetPath(const QString& sPath) {
  const QString path = NormalizeFolder(sPath);
  return HoldingWindow(*this, [&] {
    const Listed listed = request(path);
    return listed != Listed::kBoxGone && answer(listed, path);
  });
}

bool DirListBox::SetPathToDrive(const QString& sRoot) {
  const QString root = NormalizeFolder(sRoot);
  if (root.isEmpty())
    return false;
  return HoldingWindow(*this, [&] {
    const QString last = lastShownOn(root);
    if (!last.isEmpty()) {
      const Listed listed = request(last);
      if (listed == Listed::kBoxGone)
        return false;
      if (listed != Listed::kUnreadable)
        return answer(listed, last);
      // vanished meanwhile: fall back to the root
    }
    const Listed listed = request(root);
    return listed != Listed::kBoxGone && answer(listed, root);
  });
}

QString DirListBox::lastShownOn(const QString& root) const {
  std::vector<QString> roots{root};
  for (const Volume& v : volumes(services_).mounted())
    roots.push_back(NormalizeFolder(v.root));
  const auto ownerOf = [&roots](const QString& folder) {
    QString best;
    for (const QString& r : roots) {
      if (IsBelowRoot(folder, r) && r.size() > best.size())
        best = r;
    }
    return best;
  };
  const auto it = std::find_if(history_.rbegin(), history_.rend(),
                               [&](const QString& folder) { return ownerOf(folder) == root; });
  return it == history_.rend() ? QString() : *it;
}

QString DirListBox::folderToList() const {
  return reading_.since == shown_ && !reading_.path.isEmpty() ? reading_.path : path_;
}

void DirListBox::Refresh() {
  HoldingWindow(*this, [this] {
    const QString path = folderToList();
    std::vector<QString> subfolders;
    if (list(path, subfolders) == Listed::kReady)
      showListing(path, subfolders);
  });
}

QString DirListBox::EntryPath(int i) const {
  const QListWidgetItem* it = item(i);
  return it == nullptr ? QString() : it->data(kPathRole).toString();
}

void DirListBox::showListing(const QString& path, const std::vector<QString>& subfolders) {
  const bool moved = path != path_;
  display(path, subfolders);
  remember(path);
  if (moved)
    Q_EMIT Change();
}

void DirListBox::display(const QString& path, const std::vector<QString>& subfolders) {
  ++shown_;
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
