#pragma once
// The process-wide shared state: the play list, the playback flags, the list view bookkeeping
// and the option flags that every window reads and writes. It lives for the whole run and is
// only touched on the user-interface thread, so nothing is locked.

#include <QString>
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <limits>
#include <utility>
#include <vector>

namespace qvt {

namespace GlobalMethods {
class PathSearchIndex;
}

// One of the two parallel play list arrays (first index 0). Reading works like a const
// std::vector<QString>; every change goes through the methods below, so that the path search
// index learns which part of the list it can still trust. Element access is checked: an index
// past the end throws std::out_of_range instead of reading past the array.
class SongArray {
 public:
  SongArray() = default;
  SongArray(std::initializer_list<QString> values) : items_(values) {}
  explicit SongArray(std::vector<QString> values) : items_(std::move(values)) {}
  SongArray(const SongArray& other) : items_(other.items_) {}
  SongArray(SongArray&& other) noexcept : items_(std::move(other.items_)) {}
  SongArray& operator=(const SongArray& other);
  SongArray& operator=(SongArray&& other) noexcept;
  SongArray& operator=(std::vector<QString> values);

  std::size_t size() const { return items_.size(); }
  bool empty() const { return items_.empty(); }
  const QString& operator[](std::size_t i) const { return items_.at(i); }
  const QString& at(std::size_t i) const { return items_.at(i); }
  // Element at a play list index held in a double (rounded, a half to the even neighbour);
  // throws std::out_of_range for a negative, non-finite or too large index.
  const QString& atIndex(double dblIndex) const;
  std::vector<QString>::const_iterator begin() const { return items_.begin(); }
  std::vector<QString>::const_iterator end() const { return items_.end(); }
  const std::vector<QString>& items() const { return items_; }
  bool operator==(const SongArray& other) const { return items_ == other.items_; }
  // Changes of every array of the process are numbered in one sequence; this is the number of
  // this array's latest change (0: none yet). A view that kept it knows the array is unchanged
  // while it reads the same, whatever the size.
  std::uint64_t changeStamp() const { return changeStamp_; }

  // Replaces element i; throws std::out_of_range when i is past the end.
  void set(std::size_t i, QString value);
  // Grows with empty strings or shrinks from the end, keeping the other elements.
  void resize(std::size_t count);
  void clear() { resize(0); }
  void push_back(QString value);
  // Removes element i (the later ones move down by one); throws when i is past the end.
  void eraseAt(std::size_t i);
  // Removes the elements at the given indexes (ascending, distinct, each within the array)
  // in one pass; the remaining ones keep their order.
  void eraseSorted(const std::vector<std::size_t>& ascending);

 private:
  friend class GlobalMethods::PathSearchIndex;
  static constexpr std::size_t kNoChange = std::numeric_limits<std::size_t>::max();

  void touch(std::size_t i);
  // The lowest index whose element may differ since the last call (kNoChange when none);
  // starts again from no change.
  std::size_t takeLowestChange();

  std::vector<QString> items_;
  std::size_t lowestChange_ = 0;  // a new array is unknown from its first element on
  std::uint64_t changeStamp_ = 0;
};

struct MusicVariablesState {
  // The play list: full paths and display names, parallel, with the index of the last song
  // (-1 when no play list is loaded; the arrays may then keep a stale first element).
  SongArray sSongPaths;
  SongArray sSongNames;
  double dblLastIndex = 0;

  // Playback.
  bool bPlaying = false;
  bool bResumeFromPosition = false;
  double dResumePosition = 0;

  // List view bookkeeping.
  bool bListWindowOpen = false;
  bool bListRefreshPending = false;
  double dblListShownLastIndex = 0;

  // Options; written only through the GlobalMethods operations.
  int16_t iSkipMode = 0;
  bool bSkipBadSongs = false;
  bool bRemoveBadSongs = false;
  bool bLowPriorityLoading = false;
  bool bHideProcessing = false;
  bool bQuickPlayClose = false;
};

// The one record of the process.
MusicVariablesState& MusicVariables();
// What a view of the play list compares to learn whether the list changed since it was
// filled: the latest change of either song array, and the last index.
struct PlayListVersion {
  std::uint64_t stamp = 0;
  double dblLastIndex = -2;  // no list was ever shown
  bool operator==(const PlayListVersion&) const = default;
};
PlayListVersion CurrentPlayListVersion();
// Puts the record and the search state of GlobalMethods back to their zeroed start (tests).
void ResetMusicVariables();

}  // namespace qvt
