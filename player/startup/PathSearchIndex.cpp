#include "player/startup/PathSearchIndex.h"

#include <QStringView>
#include <algorithm>
#include <bit>
#include <cmath>

#include "player/startup/UpperForm.h"

namespace qvt::GlobalMethods {

namespace {

// FNV-1a over the upper-cased characters, its high bits spread into the low ones used for the
// slot.
std::uint64_t Hash(const UpperForm& text) {
  std::uint64_t h = 14695981039346656037ull;
  for (qsizetype i = 0; i < text.size(); ++i)
    h = (h ^ text.at(i)) * 1099511628211ull;
  h ^= h >> 33;
  h *= 0xff51afd7ed558ccdull;
  return h ^ (h >> 33);
}

bool SamePath(const SongArray& paths, std::size_t i, const UpperForm& upper) {
  return paths.visit(i, [&](QStringView path) { return UpperForm(path) == upper; });
}

}  // namespace

double PathSearchIndex::find(const SongArray& paths, double dblBound, const QString& sTerm) {
  if (!(dblBound >= 0))
    return -1;
  const std::size_t size = paths.size();
  const double wanted = std::floor(dblBound) + 1;  // indexes 0..bound
  const std::size_t needed =
      wanted >= static_cast<double>(size) ? size : static_cast<std::size_t>(wanted);
  sync(paths, needed);
  if (slots_.empty())
    return -1;
  const UpperForm term(sTerm);
  const std::uint64_t hash = Hash(term);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t p = hash & mask; slots_[p].first != kEmpty; p = (p + 1) & mask) {
    const Slot& slot = slots_[p];
    if (slot.hash == hash && SamePath(paths, slot.first, term)) {
      return static_cast<double>(slot.first) <= dblBound ? static_cast<double>(slot.first) : -1;
    }
  }
  return -1;
}

void PathSearchIndex::clear() {
  hashes_.clear();
  slots_.clear();
  used_ = 0;
}

void PathSearchIndex::prepare(const SongArray& paths, std::size_t count,
                              const std::atomic<bool>& cancelled) {
  sync(paths, std::min(count, paths.size()), &cancelled);
}

void PathSearchIndex::adopt(PathSearchIndex&& built, const SongArray& paths) {
  paths.takeLowestChange();
  *this = std::move(built);
}

void PathSearchIndex::sync(const SongArray& paths, std::size_t needed,
                           const std::atomic<bool>* cancelled) {
  const std::size_t lowest = paths.takeLowestChange();
  if (lowest == 0) {
    clear();
  } else if (lowest < hashes_.size()) {
    dropFrom(lowest);
  }
  if (needed <= hashes_.size())
    return;
  hashes_.reserve(needed);
  reserveFor(used_ + (needed - hashes_.size()));
  constexpr std::size_t kCancelCheckEvery = 4096;
  for (std::size_t i = hashes_.size(); i < needed; ++i) {
    if (cancelled != nullptr && i % kCancelCheckEvery == 0 && cancelled->load())
      return;
    add(paths, i);
  }
}

void PathSearchIndex::add(const SongArray& paths, std::size_t i) {
  const QString path = paths[i];
  const UpperForm key(path);
  const std::uint64_t hash = Hash(key);
  hashes_.push_back(hash);
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t p = hash & mask; slots_[p].first != kEmpty; p = (p + 1) & mask) {
    if (slots_[p].hash == hash && SamePath(paths, slots_[p].first, key))
      return;
  }
  reserveFor(used_ + 1);
  place(Slot{hash, i});
  ++used_;
}

// The table always looks exactly as if its entries had been inserted into it in ascending
// order of their first index: adding appends higher indexes, and a resize re-inserts in that
// order. Dropping goes from the top down, so the entry dropped is always the one inserted last,
// and with linear probing freeing its slot restores the table as it was before that insertion.
void PathSearchIndex::dropFrom(std::size_t lowest) {
  const std::size_t mask = slots_.size() - 1;
  for (std::size_t i = hashes_.size(); i-- > lowest;) {
    for (std::size_t p = hashes_[i] & mask; slots_[p].first != kEmpty; p = (p + 1) & mask) {
      if (slots_[p].first == i) {
        slots_[p] = Slot{};
        --used_;
        break;
      }
    }
  }
  hashes_.resize(lowest);
}

// Keeps at most half of the slots in use.
void PathSearchIndex::reserveFor(std::size_t keys) {
  if (keys * 2 <= slots_.size())
    return;
  std::vector<Slot> entries;
  entries.reserve(used_);
  for (const Slot& slot : slots_) {
    if (slot.first != kEmpty)
      entries.push_back(slot);
  }
  std::sort(entries.begin(), entries.end(),
            [](const Slot& a, const Slot& b) { return a.first < b.first; });
  slots_.assign(std::bit_ceil(std::max<std::size_t>(16, keys * 2)), Slot{});
  for (const Slot& slot : entries)
    place(slot);
}

void PathSearchIndex::place(const Slot& slot) {
  const std::size_t mask = slots_.size() - 1;
  std::size_t p = slot.hash & mask;
  while (slots_[p].first != kEmpty)
    p = (p + 1) & mask;
  slots_[p] = slot;
}

}  // namespace qvt::GlobalMethods
