#pragma once
// The index behind the duplicate path search: answers "the lowest index i in 0..bound whose
// upper-cased path equals the upper-cased term" exactly like a scan of the list would, without
// rescanning the list for every search.

#include <QString>
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

#include "player/startup/SongArray.h"

namespace qvt::GlobalMethods {

// It indexes a prefix of the path array, extended lazily as far as a search needs, and drops
// the part of the prefix that the array reports as changed since the last search. Songs
// appended beyond the indexed prefix (the usual case while adding) cost nothing, so adding n
// songs to a list of m songs costs about n + m steps, not n * m.
//
// The table stores no text: one slot per distinct upper-cased path, holding the path's hash
// and the lowest index that has it; candidates are confirmed against the array itself.
class PathSearchIndex {
 public:
  double find(const SongArray& paths, double dblBound, const QString& sTerm);
  void clear();
  // Number of leading elements currently indexed.
  std::size_t indexedCount() const { return hashes_.size(); }
  // Of those, the ones whose paths did not change since (what a search would keep).
  std::size_t trustedCount(const SongArray& paths) const {
    return std::min(hashes_.size(), paths.lowestChange_);
  }

  // Indexes the first `count` paths at once, as a search up to count - 1 would: for a build on
  // a worker over a copy of the list. Returns early, with fewer indexed, once `cancelled` is
  // set.
  void prepare(const SongArray& paths, std::size_t count, const std::atomic<bool>& cancelled);
  // Takes `built`, prepared over a copy of `paths` that still equals them, in place of this
  // index: the changes `paths` reported before the copy was taken are in it already.
  void adopt(PathSearchIndex&& built, const SongArray& paths);

 private:
  static constexpr std::size_t kEmpty = std::numeric_limits<std::size_t>::max();
  struct Slot {
    std::uint64_t hash = 0;
    std::size_t first = kEmpty;  // lowest index with this path; kEmpty: a free slot
  };

  // Takes the array's report of changed paths and indexes up to `needed`; stops early, with
  // fewer indexed, once `cancelled` (when given) is set.
  void sync(const SongArray& paths, std::size_t needed,
            const std::atomic<bool>* cancelled = nullptr);
  void add(const SongArray& paths, std::size_t i);
  void dropFrom(std::size_t lowest);
  void reserveFor(std::size_t keys);
  void place(const Slot& slot);

  std::vector<std::uint64_t> hashes_;  // hashes_[i]: hash of the upper-cased path i
  std::vector<Slot> slots_;            // open addressing with linear probing; size 2^k
  std::size_t used_ = 0;
};

}  // namespace qvt::GlobalMethods
