#pragma once
// One of the two parallel play list arrays of MusicVariables.

#include <QString>
#include <algorithm>
#include <cstddef>
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
// index learns which part of the list it can still trust. MusicVariables hands out its arrays
// read-only. Element access is checked: an index past the end throws std::out_of_range.
class SongArray {
 public:
  SongArray() = default;
  SongArray(std::initializer_list<QString> values) : items_(values) {}
  explicit SongArray(std::vector<QString> values) : items_(std::move(values)) {}

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
  bool operator==(const std::vector<QString>& other) const { return items_ == other; }

  SongArray& operator=(std::vector<QString> values);
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

  void touch(std::size_t i) { lowestChange_ = std::min(lowestChange_, i); }
  // The lowest index whose element may differ since the last call (kNoChange when none);
  // starts again from no change.
  std::size_t takeLowestChange() const;

  std::vector<QString> items_;
  // A new array is unknown from its first element on.
  mutable std::size_t lowestChange_ = 0;
};

}  // namespace qvt
