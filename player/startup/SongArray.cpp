#include "player/startup/SongArray.h"

#include <stdexcept>

#include "shared/Variant.h"

namespace qvt {

SongArray::SongArray(std::initializer_list<QString> values) {
  texts_.reserve(values.size());
  for (const QString& value : values)
    texts_.push_back(value);
}

SongArray::SongArray(const std::vector<QString>& values) {
  *this = values;
}

void SongArray::check(std::size_t i) const {
  if (i >= texts_.size())
    throw std::out_of_range("SongArray: index past the end");
}

QString SongArray::at(std::size_t i) const {
  check(i);
  return texts_.text(i);
}

QString SongArray::atIndex(double dblIndex) const {
  const double i = RoundHalfEven(dblIndex);
  if (!(i >= 0 && i < static_cast<double>(texts_.size()))) {
    throw std::out_of_range("SongArray::atIndex");
  }
  return texts_.text(static_cast<std::size_t>(i));
}

std::vector<QString> SongArray::items() const {
  return {begin(), end()};
}

bool SongArray::operator==(const SongArray& other) const {
  return size() == other.size() && std::equal(begin(), end(), other.begin());
}

bool SongArray::operator==(const std::vector<QString>& other) const {
  return size() == other.size() && std::equal(begin(), end(), other.begin());
}

SongArray& SongArray::operator=(const std::vector<QString>& values) {
  const CompactTexts* fileNames = texts_.fileNameSource();
  texts_ = CompactTexts();
  texts_.takeFileNamesFrom(fileNames);
  texts_.reserve(values.size());
  for (const QString& value : values)
    texts_.push_back(value);
  touch(0);
  return *this;
}

void SongArray::storeOwnTexts() {
  for (std::size_t i = 0; i < texts_.size(); ++i)
    texts_.storeOwnText(i);
  texts_.takeFileNamesFrom(nullptr);
}

void SongArray::push_back(const QString& value) {
  touch(texts_.size());
  texts_.push_back(value);
}

void SongArray::set(std::size_t i, const QString& value) {
  check(i);
  texts_.set(i, value);
  touch(i);
}

void SongArray::resize(std::size_t count) {
  touch(std::min(count, texts_.size()));
  texts_.resize(count);
}

void SongArray::eraseAt(std::size_t i) {
  if (i >= texts_.size())
    throw std::out_of_range("SongArray::eraseAt");
  touch(i);
  texts_.eraseAt(i);
}

void SongArray::eraseSorted(const std::vector<std::size_t>& ascending) {
  if (ascending.empty())
    return;
  if (ascending.back() >= texts_.size())
    throw std::out_of_range("SongArray::eraseSorted");
  touch(ascending.front());
  texts_.eraseSorted(ascending);
}

std::size_t SongArray::takeLowestChange() const {
  const std::size_t lowest = lowestChange_;
  lowestChange_ = kNoChange;
  return lowest;
}

}  // namespace qvt
