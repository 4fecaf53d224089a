#pragma once
// One of the two parallel play list arrays of MusicVariables.

#include <QString>
#include <QStringView>
#include <algorithm>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <limits>
#include <utility>
#include <vector>

#include "player/startup/CompactTexts.h"

namespace qvt {

namespace GlobalMethods {
class PathSearchIndex;
}

// One of the two parallel play list arrays (first index 0). Reading works like a const
// std::vector<QString> whose elements come by value: the texts are kept compactly
// (CompactTexts) and made into QStrings when asked for. Every change goes through the methods
// below, so that the path search index learns which part of the list it can still trust.
// MusicVariables hands out its arrays read-only. Element access is checked: an index past the
// end throws std::out_of_range.
class SongArray {
 public:
  class const_iterator {
   public:
    using iterator_category = std::input_iterator_tag;
    using value_type = QString;
    using difference_type = std::ptrdiff_t;
    using pointer = void;
    using reference = QString;

    const_iterator() = default;
    const_iterator(const SongArray* songs, std::size_t i) : songs_(songs), i_(i) {}
    QString operator*() const { return songs_->texts_.text(i_); }
    const_iterator& operator++() {
      ++i_;
      return *this;
    }
    const_iterator operator++(int) {
      const const_iterator before = *this;
      ++i_;
      return before;
    }
    bool operator==(const const_iterator& other) const { return i_ == other.i_; }

   private:
    const SongArray* songs_ = nullptr;
    std::size_t i_ = 0;
  };

  SongArray() = default;
  SongArray(std::initializer_list<QString> values);
  explicit SongArray(const std::vector<QString>& values);

  std::size_t size() const { return texts_.size(); }
  bool empty() const { return texts_.size() == 0; }
  QString operator[](std::size_t i) const { return at(i); }
  QString at(std::size_t i) const;
  // Element at a play list index held in a double (rounded, a half to the even neighbour);
  // throws std::out_of_range for a negative, non-finite or too large index.
  QString atIndex(double dblIndex) const;
  // Calls f(QStringView) with element i without making a QString of it (for scans over the
  // list; several threads may read at once while nothing changes the array).
  template <class F>
  decltype(auto) visit(std::size_t i, F&& f) const {
    check(i);
    return texts_.visit(i, std::forward<F>(f));
  }
  const_iterator begin() const { return {this, 0}; }
  const_iterator end() const { return {this, size()}; }
  // A copy of every element.
  std::vector<QString> items() const;
  bool operator==(const SongArray& other) const;
  bool operator==(const std::vector<QString>& other) const;

  SongArray& operator=(const std::vector<QString>& values);
  // Replaces element i; throws std::out_of_range when i is past the end.
  void set(std::size_t i, const QString& value);
  // Grows with empty strings or shrinks from the end, keeping the other elements.
  void resize(std::size_t count);
  void clear() { resize(0); }
  void push_back(const QString& value);
  // Adds a text given as ASCII bytes; false (nothing added) when a byte is not ASCII.
  bool pushAscii(QByteArrayView ascii) {
    touch(texts_.size());
    return texts_.pushAscii(ascii);
  }
  // Room for `count` more elements of about `bytesEach` stored bytes (see CompactTexts).
  void reserveMore(std::size_t count, std::size_t bytesEach) {
    texts_.reserveMore(count, bytesEach);
  }
  // Elements equal to the file name of `paths`' element at the same index are kept as a mark
  // (see CompactTexts): for the names beside the paths of a list. The owner keeps the two in
  // step and calls storeOwnText(i) before it changes path i alone.
  void shareFileNamesOf(const SongArray& paths) { texts_.takeFileNamesFrom(&paths.texts_); }
  void storeOwnText(std::size_t i) {
    if (i < texts_.size())
      texts_.storeOwnText(i);
  }
  // Every element's text stored in this array itself, and no more marks made.
  void storeOwnTexts();
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

  void check(std::size_t i) const;

  CompactTexts texts_;
  // A new array is unknown from its first element on.
  mutable std::size_t lowestChange_ = 0;
};

}  // namespace qvt
