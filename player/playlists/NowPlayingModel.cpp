#include "player/playlists/NowPlayingModel.h"

namespace qvt {

NowPlayingModel::NowPlayingModel(QAbstractItemModel* songs, QString sSuffix, QObject* parent)
    : QIdentityProxyModel(parent), sSuffix_(std::move(sSuffix)) {
  setSourceModel(songs);
}

void NowPlayingModel::setMarkedRow(int row) {
  const int before = markedRow();
  QAbstractItemModel* songs = sourceModel();
  marked_ = songs != nullptr && row >= 0 && row < songs->rowCount()
                ? QPersistentModelIndex(songs->index(row, 0))
                : QPersistentModelIndex();
  if (before == row)
    return;
  changedRow(before);
  changedRow(markedRow());
}

void NowPlayingModel::changedRow(int row) {
  if (row < 0)
    return;
  const QModelIndex changed = index(row, 0);
  Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole});
}

QVariant NowPlayingModel::data(const QModelIndex& index, int role) const {
  QVariant value = QIdentityProxyModel::data(index, role);
  const bool text = role == Qt::DisplayRole || role == Qt::ToolTipRole;
  if (text && marked_.isValid() && mapToSource(index) == marked_)
    return value.toString() + sSuffix_;
  return value;
}

}  // namespace qvt
