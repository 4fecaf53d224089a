#include "player/startup/MusicVariables.h"

#include <stdexcept>

#include "player/startup/SongSearch.h"
#include "shared/Variant.h"

namespace qvt {

SongArray& SongArray::operator=(const SongArray& other) {
  if (this != &other) {
    items_ = other.items_;
    touch(0);
  }
  return *this;
}

SongArray& SongArray::operator=(SongArray&& other) noexcept {
  if (this != &other) {
    items_ = std::move(other.items_);
    other.items_.clear();
    other.touch(0);
    touch(0);
  }
  return *this;
}

SongArray& SongArray::operator=(std::vector<QString> values) {
  items_ = std::move(values);
  touch(0);
  return *this;
}

const QString& SongArray::atIndex(double dblIndex) const {
  const double i = RoundHalfEven(dblIndex);
  if (!(i >= 0 && i < static_cast<double>(items_.size()))) {
    throw std::out_of_range("SongArray::atIndex");
  }
  return items_[static_cast<std::size_t>(i)];
}

void SongArray::set(std::size_t i, QString value) {
  items_.at(i) = std::move(value);
  touch(i);
}

void SongArray::resize(std::size_t count) {
  touch(std::min(count, items_.size()));
  items_.resize(count);
}

void SongArray::push_back(QString value) {
  touch(items_.size());
  items_.push_back(std::move(value));
}

void SongArray::eraseAt(std::size_t i) {
  if (i >= items_.size())
    throw std::out_of_range("SongArray::eraseAt");
  touch(i);
  items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
}

void SongArray::eraseSorted(const std::vector<std::size_t>& ascending) {
  if (ascending.empty())
    return;
  if (ascending.back() >= items_.size())
    throw std::out_of_range("SongArray::eraseSorted");
  touch(ascending.front());
  std::size_t write = ascending.front();
  std::size_t next = 0;  // position in `ascending` of the next element to drop
  for (std::size_t read = ascending.front(); read < items_.size(); ++read) {
    if (next < ascending.size() && ascending[next] == read) {
      ++next;
      continue;
    }
    items_[write++] = std::move(items_[read]);
  }
  items_.resize(write);
}

namespace {
std::uint64_t g_lastChangeStamp = 0;
}  // namespace

void SongArray::touch(std::size_t i) {
  lowestChange_ = std::min(lowestChange_, i);
  changeStamp_ = ++g_lastChangeStamp;
}

std::size_t SongArray::takeLowestChange() {
  const std::size_t lowest = lowestChange_;
  lowestChange_ = kNoChange;
  return lowest;
}

MusicVariablesState& MusicVariables() {
  static MusicVariablesState state;
  return state;
}

PlayListVersion CurrentPlayListVersion() {
  const MusicVariablesState& mv = MusicVariables();
  return {std::max(mv.sSongPaths.changeStamp(), mv.sSongNames.changeStamp()), mv.dblLastIndex};
}

void ResetMusicVariables() {
  MusicVariables() = MusicVariablesState{};
  GlobalMethods::ResetSearchState();
}

}  // namespace qvt
