#include "player/playlists/AddedRows.h"

#include <algorithm>

#include "player/startup/MusicVariables.h"

namespace qvt {

AddedRows::AddedRows(MusicVariables& mv) : mv_(mv) {
  connect(&mv, &QAbstractItemModel::rowsInserted, this,
          [this](const QModelIndex&, int first, int last) { inserted(first, last); });
  connect(&mv, &QAbstractItemModel::rowsRemoved, this,
          [this](const QModelIndex&, int first, int last) { removed(first, last); });
  const auto lost = [this] { bLost_ = true; };
  connect(&mv, &QAbstractItemModel::modelReset, this, lost);
  connect(&mv, &QAbstractItemModel::rowsMoved, this, lost);
  connect(&mv, &QAbstractItemModel::layoutChanged, this, lost);
}

void AddedRows::inserted(int first, int last) {
  const int count = last - first + 1;
  for (Range& r : ranges_) {
    if (first <= r.first)
      r.first += count;
    else if (first < r.first + r.count)
      bLost_ = true;  // the list only grows at its end: an insert inside is not followed
  }
  if (!bOwn_)
    return;
  if (!ranges_.empty() && ranges_.back().first + ranges_.back().count == first)
    ranges_.back().count += count;
  else
    ranges_.push_back({first, count});
}

void AddedRows::removed(int first, int last) {
  const int count = last - first + 1;
  for (Range& r : ranges_) {
    const int below = std::clamp(r.first - first, 0, count);  // removed rows before r
    const int overlap =
        std::max(0, std::min(last + 1, r.first + r.count) - std::max(first, r.first));
    r.first -= below;
    r.count -= overlap;
  }
  std::erase_if(ranges_, [](const Range& r) { return r.count <= 0; });
}

void AddedRows::takeBack() {
  if (bLost_)
    return;
  std::vector<std::size_t> rows;
  for (const Range& r : ranges_) {
    for (int i = 0; i < r.count; ++i)
      rows.push_back(static_cast<std::size_t>(r.first + i));
  }
  std::sort(rows.begin(), rows.end());
  ranges_.clear();
  if (!rows.empty())
    mv_.removeSorted(std::move(rows));
}

}  // namespace qvt
