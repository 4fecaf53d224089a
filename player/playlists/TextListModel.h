#pragma once
// The texts of a list view in one plain vector: no item objects, so a list of 100,000 entries
// fills, paints and changes one entry without cost that grows with its length.

#include <QAbstractListModel>
#include <QString>
#include <vector>

namespace qvt {

class TextListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  // With bTextAsTip, an entry's tool tip is its text (for entries too long for the view).
  TextListModel(QObject* parent, bool bTextAsTip);

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

  const std::vector<QString>& items() const { return items_; }
  const QString& text(int row) const { return items_.at(static_cast<std::size_t>(row)); }
  int count() const { return static_cast<int>(items_.size()); }
  void setItems(std::vector<QString> items);
  void append(const QString& text);
  void setText(int row, const QString& text);
  void clear();

 private:
  std::vector<QString> items_;
  bool bTextAsTip_;
};

}  // namespace qvt
