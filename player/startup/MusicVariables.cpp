#include "player/startup/MusicVariables.h"

#include <algorithm>
#include <climits>
#include <numeric>
#include <stdexcept>

#include "platform/base/Check.h"
#include "shared/Variant.h"

namespace qvt {

// ---- MusicVariables ----

namespace {

// The number of elements the arrays hold for the last index dblLast (at least one).
std::size_t ArrayCount(double dblLast) {
  return dblLast >= 0 ? static_cast<std::size_t>(RoundHalfEven(dblLast)) + 1 : 1;
}

// Erases the elements at the subscripts that the array holds.
void EraseExisting(SongArray& songs, std::vector<std::size_t> ascending) {
  while (!ascending.empty() && ascending.back() >= songs.size())
    ascending.pop_back();
  songs.eraseSorted(ascending);
}

struct RowRun {
  int first;
  int last;
};

// Past this many runs of rows a removal is announced as one change of the layout.
constexpr std::size_t kMaxAnnouncedRuns = 64;

// Consecutive subscripts (ascending, distinct) as runs of rows.
std::vector<RowRun> RunsOf(const std::vector<std::size_t>& ascending) {
  std::vector<RowRun> runs;
  for (const std::size_t k : ascending) {
    const int row = static_cast<int>(k);
    if (!runs.empty() && runs.back().last + 1 == row)
      runs.back().last = row;
    else
      runs.push_back({row, row});
  }
  return runs;
}

}  // namespace

MusicVariables::MusicVariables(QObject* parent) : QAbstractListModel(parent) {
  // Most names are their path's file name: those take no room of their own.
  sSongNames_.shareFileNamesOf(sSongPaths_);
}

MusicVariables::~MusicVariables() = default;

int MusicVariables::rowsFor(double dblLast, std::size_t names) {
  if (!(dblLast >= 0))
    return 0;
  const double count = std::min(dblLast + 1, static_cast<double>(names));
  return static_cast<int>(std::min(count, static_cast<double>(INT_MAX)));
}

int MusicVariables::rows() const {
  return rowsFor(dblLastIndex_, sSongNames_.size());
}

template <class Edit>
void MusicVariables::changeRowCount(int after, Edit edit) {
  // The rows below both counts keep their names; rows come or go at the end.
  const int before = rows();
  if (after > before) {
    beginInsertRows(QModelIndex(), before, after - 1);
    edit();
    endInsertRows();
  } else if (after < before) {
    beginRemoveRows(QModelIndex(), after, before - 1);
    edit();
    endRemoveRows();
  } else {
    edit();
  }
}

int MusicVariables::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows();
}

QVariant MusicVariables::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows())
    return {};
  if (role == Qt::DisplayRole || role == Qt::ToolTipRole)
    return sSongNames_[static_cast<std::size_t>(index.row())];
  return {};
}

template <class Change>
void MusicVariables::changeAll(Change change) {
  beginResetModel();
  change();
  changed();
  endResetModel();
}

void MusicVariables::append(const QString& sPath, const QString& sName) {
  const int before = rows();
  const bool whole = dblLastIndex_ >= -1 && static_cast<double>(before) == dblLastIndex_ + 1;
  const auto edit = [&] {
    dblLastIndex_ += 1;
    const std::size_t count = ArrayCount(dblLastIndex_);
    sSongPaths_.resize(count);
    sSongNames_.resize(count);
    const std::size_t at = count - 1;
    sSongPaths_.set(at, sPath);
    sSongNames_.set(at, sName);
    changed();
  };
  if (!whole) {
    changeAll(edit);
    return;
  }
  beginInsertRows(QModelIndex(), before, before);
  edit();
  endInsertRows();
}

void MusicVariables::reserveMore(std::size_t songs) {
  // A path keeps its folder apart, stored once: a file name and a song name each take a
  // header and their characters, rarely more than this.
  constexpr std::size_t kBytesEach = 64;
  sSongPaths_.reserveMore(songs, kBytesEach);
  sSongNames_.reserveMore(songs, kBytesEach);
}

void MusicVariables::appendAll(SongArray paths, SongArray names) {
  const std::size_t added = paths.size();
  if (added == 0)
    return;
  // Names that a reader kept as its paths' file names read them from here on.
  names.shareFileNamesOf(paths);
  names.resize(added);
  const int before = rows();
  const bool whole = dblLastIndex_ >= -1 && static_cast<double>(before) == dblLastIndex_ + 1;
  const double after = static_cast<double>(before) + static_cast<double>(added);
  if (!whole || after > INT_MAX) {
    // Song by song, as append does it.
    changeAll([&] {
      for (std::size_t i = 0; i < added; ++i) {
        dblLastIndex_ += 1;
        const std::size_t count = ArrayCount(dblLastIndex_);
        sSongPaths_.resize(count);
        sSongNames_.resize(count);
        sSongPaths_.set(count - 1, paths[i]);
        sSongNames_.set(count - 1, names[i]);
      }
    });
    return;
  }
  // The list is whole: the songs take the subscripts from dblLastIndex + 1 on (an empty list's
  // stale first element is replaced).
  beginInsertRows(QModelIndex(), before, static_cast<int>(after) - 1);
  dblLastIndex_ += static_cast<double>(added);
  const auto first = static_cast<std::size_t>(before);
  if (first == 0) {
    sSongPaths_ = std::move(paths);
    sSongNames_ = std::move(names);
    sSongNames_.shareFileNamesOf(sSongPaths_);
  } else {
    sSongPaths_.resize(first + added);
    sSongNames_.resize(first + added);
    for (std::size_t i = 0; i < added; ++i) {
      sSongPaths_.set(first + i, paths[i]);
      sSongNames_.set(first + i, names[i]);
    }
  }
  changed();
  endInsertRows();
}

bool MusicVariables::removeAt(std::size_t k) {
  const int before = rows();
  const bool one =
      static_cast<double>(before) == dblLastIndex_ + 1 && k < static_cast<std::size_t>(before);
  bool bEmpty = false;
  const auto edit = [&] {
    dblLastIndex_ -= 1;
    if (dblLastIndex_ <= -1) {
      sSongPaths_.resize(1);
      sSongNames_.resize(1);
      bEmpty = true;
    } else {
      if (k < sSongNames_.size())
        sSongNames_.eraseAt(k);
      if (k < sSongPaths_.size())
        sSongPaths_.eraseAt(k);
      sSongPaths_.resize(ArrayCount(dblLastIndex_));
      sSongNames_.resize(ArrayCount(dblLastIndex_));
    }
    changed();
  };
  if (!one) {
    changeAll(edit);
    return bEmpty;
  }
  const int row = static_cast<int>(k);
  beginRemoveRows(QModelIndex(), row, row);
  edit();
  endRemoveRows();
  return bEmpty;
}

bool MusicVariables::isWhole() const {
  return dblLastIndex_ >= -1 && static_cast<double>(rows()) == dblLastIndex_ + 1;
}

void MusicVariables::removeSorted(std::vector<std::size_t> ascending) {
  // Songs above the last index are no longer in the list; removing from the top, the first
  // one still in the list keeps every lower one in it.
  while (!ascending.empty() && static_cast<double>(ascending.back()) > dblLastIndex_)
    ascending.pop_back();
  if (ascending.empty())
    return;
  if (!isWhole()) {
    // The arrays and the last index disagree: the rows are not the subscripts.
    changeAll([&] { eraseSongs(ascending); });
    return;
  }
  const std::vector<RowRun> runs = RunsOf(ascending);
  if (runs.size() > kMaxAnnouncedRuns) {
    removeScattered(ascending);
    return;
  }
  // From the bottom up, so that each run's rows are still where the subscripts say.
  for (auto run = runs.rbegin(); run != runs.rend(); ++run) {
    beginRemoveRows(QModelIndex(), run->first, run->last);
    std::vector<std::size_t> rows(static_cast<std::size_t>(run->last - run->first + 1));
    std::iota(rows.begin(), rows.end(), static_cast<std::size_t>(run->first));
    eraseSongs(rows);
    changed();
    endRemoveRows();
  }
}

void MusicVariables::eraseSongs(const std::vector<std::size_t>& ascending) {
  dblLastIndex_ -= static_cast<double>(ascending.size());
  if (dblLastIndex_ <= -1) {
    sSongPaths_.resize(1);
    sSongNames_.resize(1);
  } else {
    EraseExisting(sSongNames_, ascending);
    EraseExisting(sSongPaths_, ascending);
    sSongPaths_.resize(ArrayCount(dblLastIndex_));
    sSongNames_.resize(ArrayCount(dblLastIndex_));
  }
  changed();
}

void MusicVariables::removeScattered(const std::vector<std::size_t>& ascending) {
  // Announcing thousands of runs one by one would move the rest of the list once per run;
  // one pass moves it once, and the views keep their current and selected rows through the
  // persistent indexes, moved down past the songs that went.
  Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
  const QModelIndexList before = persistentIndexList();
  QModelIndexList after;
  after.reserve(before.size());
  for (const QModelIndex& held : before) {
    const auto row = static_cast<std::size_t>(held.row());
    const auto at = std::lower_bound(ascending.begin(), ascending.end(), row);
    const bool gone = at != ascending.end() && *at == row;
    const auto moved = static_cast<int>(row - static_cast<std::size_t>(at - ascending.begin()));
    after.push_back(gone ? QModelIndex() : index(moved, held.column()));
  }
  eraseSongs(ascending);
  changePersistentIndexList(before, after);
  Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void MusicVariables::clear() {
  const int before = rows();
  if (before > 0 && isWhole()) {
    beginRemoveRows(QModelIndex(), 0, before - 1);
    dblLastIndex_ = -1;
    sSongPaths_.resize(1);
    sSongNames_.resize(1);
    changed();
    endRemoveRows();
    return;
  }
  changeAll([&] {
    dblLastIndex_ = -1;
    sSongPaths_.resize(1);
    sSongNames_.resize(1);
  });
}

void MusicVariables::replaceAll(std::vector<QString> paths, std::vector<QString> names) {
  changeAll([&] {
    const std::size_t count = paths.size();
    names.resize(count);
    sSongPaths_ = paths;
    sSongNames_ = names;
    dblLastIndex_ = static_cast<double>(count) - 1;
  });
}

void MusicVariables::setLastIndex(double dblLast) {
  if (dblLast == dblLastIndex_)
    return;
  changeRowCount(rowsFor(dblLast, sSongNames_.size()), [&] {
    dblLastIndex_ = dblLast;
    changed();
  });
}

void MusicVariables::resizeArrays(std::size_t count) {
  if (count == sSongPaths_.size() && count == sSongNames_.size())
    return;
  changeRowCount(rowsFor(dblLastIndex_, count), [&] {
    sSongPaths_.resize(count);
    sSongNames_.resize(count);
    changed();
  });
}

void MusicVariables::setSongPath(std::size_t i, const QString& sPath) {
  sSongNames_.storeOwnText(i);  // a name kept as the old file name stays that name
  sSongPaths_.set(i, sPath);
  changed();
}

void MusicVariables::setSongName(std::size_t i, const QString& sName) {
  sSongNames_.set(i, sName);
  changed();
  if (i < static_cast<std::size_t>(rows())) {
    const QModelIndex row = index(static_cast<int>(i));
    Q_EMIT dataChanged(row, row, {Qt::DisplayRole, Qt::ToolTipRole});
  }
}

void MusicVariables::setCurrentSong(double dblIndex) {
  if (dblIndex == dblCurrentSong_)
    return;
  dblCurrentSong_ = dblIndex;
  Q_EMIT currentSongChanged(dblIndex);
}

void MusicVariables::resetAll() {
  changeAll([&] {
    sSongPaths_.clear();
    sSongNames_ = SongArray();
    sSongNames_.shareFileNamesOf(sSongPaths_);
    dblLastIndex_ = 0;
  });
  dblCurrentSong_ = 0;
  bPlaying = false;
  bResumeFromPosition = false;
  dResumePosition = 0;
  bListWindowOpen = false;
  bListRefreshPending = false;
  dblListShownLastIndex = 0;
  iSkipMode = 0;
  bSkipBadSongs = false;
  bRemoveBadSongs = false;
  bLowPriorityLoading = false;
  bHideProcessing = false;
  bQuickPlayClose = false;
  search_ = SearchState{};
}

}  // namespace qvt
