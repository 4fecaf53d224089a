#pragma once
// The list view's rows: the play list object's rows as they are, one of them (the song marked
// as now playing) with " - Now Playing" after its name. The mark stays on its song when rows
// before it come or go, and is dropped when the list is replaced.

#include <QIdentityProxyModel>
#include <QPersistentModelIndex>
#include <QString>

namespace qvt {

class NowPlayingModel : public QIdentityProxyModel {
  Q_OBJECT

 public:
  NowPlayingModel(QAbstractItemModel* songs, QString sSuffix, QObject* parent);

  // Marks row `row`; a row that does not exist marks none.
  void setMarkedRow(int row);
  int markedRow() const { return marked_.isValid() ? marked_.row() : -1; }

  QVariant data(const QModelIndex& index, int role) const override;

 private:
  void changedRow(int row);

  QString sSuffix_;
  QPersistentModelIndex marked_;  // in the play list object
};

}  // namespace qvt
