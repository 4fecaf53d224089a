#include "player/playlists/DriveListBox.h"

#include <QDir>
#include <QSignalBlocker>
#include <algorithm>

#include "shared/Services.h"

namespace qvt {

namespace {

bool IsBelow(const QString& path, const QString& root) {
  if (root == QLatin1String("/"))
    return path.startsWith(QLatin1Char('/'));
  return path == root || path.startsWith(root + QLatin1Char('/'));
}

}  // namespace

DriveListBox::DriveListBox(const Services& services, QWidget* parent)
    : QComboBox(parent), services_(services) {
  setObjectName(QStringLiteral("drvDisplay"));
  reload();
  // Start on the volume that holds the home folder (its longest matching root).
  const QString home = QDir::cleanPath(QDir::homePath());
  int best = volumes_.empty() ? -1 : 0;
  for (int i = 0; i < static_cast<int>(volumes_.size()); ++i) {
    const Volume& v = volumes_[static_cast<std::size_t>(i)];
    if (v.ready && IsBelow(home, v.root) &&
        v.root.size() > volumes_[static_cast<std::size_t>(best)].root.size())
      best = i;
  }
  setChoice(best);
  connect(this, &QComboBox::activated, this, &DriveListBox::onUserChoice);
}

QString DriveListBox::DriveText(const Volume& volume) {
  return volume.root + QStringLiteral(" [") + volume.name + QLatin1Char(']');
}

QString DriveListBox::Drive() const {
  return chosen_ < 0 ? QString() : DriveText(volumes_[static_cast<std::size_t>(chosen_)]);
}

QString DriveListBox::DriveRoot() const {
  return chosen_ < 0 ? QString() : volumes_[static_cast<std::size_t>(chosen_)].root;
}

void DriveListBox::reload() {
  const QString keep = DriveRoot();
  volumes_ = volumes(services_).mounted();
  const QSignalBlocker blocker(this);
  clear();
  chosen_ = -1;
  for (const Volume& v : volumes_)
    addItem(DriveText(v));
  for (int i = 0; i < static_cast<int>(volumes_.size()); ++i) {
    if (volumes_[static_cast<std::size_t>(i)].root == keep)
      chosen_ = i;
  }
  setCurrentIndex(chosen_);
}

void DriveListBox::setChoice(int index) {
  chosen_ = index;
  const QSignalBlocker blocker(this);
  setCurrentIndex(index);
}

int DriveListBox::findReady(const QString& sText) const {
  const auto ready = [this](auto match) {
    const auto it = std::find_if(volumes_.begin(), volumes_.end(),
                                 [&](const Volume& v) { return v.ready && match(v); });
    return it == volumes_.end() ? -1 : static_cast<int>(it - volumes_.begin());
  };
  const int byText = ready([&](const Volume& v) { return DriveText(v) == sText; });
  if (byText >= 0)
    return byText;
  const qsizetype bracket = sText.indexOf(QStringLiteral(" ["));
  const QString root = bracket < 0 ? sText : sText.left(bracket);
  if (root.isEmpty())
    return -1;
  const QString cleaned = QDir::cleanPath(root);
  return ready([&](const Volume& v) { return v.root == cleaned; });
}

bool DriveListBox::SetDrive(const QString& sText) {
  const QString before = DriveRoot();
  reload();
  const int index = findReady(sText);
  if (index >= 0)
    setChoice(index);
  else if (chosen_ < 0 && !volumes_.empty())
    setChoice(0);  // the old choice was unmounted meanwhile
  if (DriveRoot() != before)
    Q_EMIT Change();
  return index >= 0;
}

void DriveListBox::Refresh() {
  const QString before = DriveRoot();
  reload();
  if (chosen_ < 0 && !volumes_.empty())
    setChoice(0);
  if (DriveRoot() != before)
    Q_EMIT Change();
}

void DriveListBox::onUserChoice(int index) {
  if (index < 0 || index >= static_cast<int>(volumes_.size()) || index == chosen_) {
    setChoice(chosen_);
    return;
  }
  // The list may be old: ask again whether the chosen volume is still mounted and ready.
  const QString root = volumes_[static_cast<std::size_t>(index)].root;
  const std::vector<Volume> now = volumes(services_).mounted();
  const bool ready = std::any_of(now.begin(), now.end(),
                                 [&](const Volume& v) { return v.root == root && v.ready; });
  if (!ready) {
    setChoice(chosen_);  // a drive that is not ready is ignored
    return;
  }
  chosen_ = index;
  Q_EMIT Change();
}

}  // namespace qvt
