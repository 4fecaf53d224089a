#include "player/playlists/TextListModel.h"

namespace qvt {

TextListModel::TextListModel(QObject* parent, bool bTextAsTip)
    : QAbstractListModel(parent), bTextAsTip_(bTextAsTip) {}

int TextListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : count();
}

QVariant TextListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= count())
    return {};
  if (role == Qt::DisplayRole || (bTextAsTip_ && role == Qt::ToolTipRole))
    return items_[static_cast<std::size_t>(index.row())];
  return {};
}

void TextListModel::setItems(std::vector<QString> items) {
  beginResetModel();
  items_ = std::move(items);
  endResetModel();
}

void TextListModel::append(const QString& text) {
  const int row = count();
  beginInsertRows(QModelIndex(), row, row);
  items_.push_back(text);
  endInsertRows();
}

void TextListModel::setText(int row, const QString& text) {
  if (row < 0 || row >= count())
    return;
  items_[static_cast<std::size_t>(row)] = text;
  const QModelIndex changed = index(row);
  Q_EMIT dataChanged(changed, changed, {Qt::DisplayRole});
}

void TextListModel::clear() {
  setItems({});
}

}  // namespace qvt
