#include "player/startup/NameScan.h"

#include <QThread>
#include <algorithm>
#include <atomic>
#include <limits>
#include <thread>
#include <vector>

#include "player/startup/UpperForm.h"

namespace qvt::GlobalMethods {

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();

// One scan shared by the threads that work on it. Chunks are handed out in ascending order and
// `found` only ever falls to a lower match, so a chunk that starts below the final answer is
// always scanned up to its first match: the lowest match wins whichever thread sees it.
class ChunkedScan {
 public:
  ChunkedScan(const SongArray& names, std::size_t first, std::size_t last, const QString& sTerm,
              bool bPartial, std::size_t chunk)
      : names_(names),
        first_(first),
        last_(last),
        term_(sTerm),
        partial_(bPartial),
        chunk_(std::max<std::size_t>(chunk, 1)) {}

  // Takes chunks until none is left below the best match found so far.
  void work() {
    for (;;) {
      const std::size_t begin = first_ + next_.fetch_add(1) * chunk_;
      if (begin > last_ || begin >= found_.load())
        return;
      const std::size_t end = std::min(last_ - begin, chunk_ - 1) + begin;
      for (std::size_t i = begin; i <= end; ++i) {
        if (names_.visit(i, [this](QStringView name) { return matches(name); })) {
          lower(i);
          break;
        }
      }
    }
  }
  double result() const {
    const std::size_t i = found_.load();
    return i == kNone ? -1 : static_cast<double>(i);
  }

 private:
  bool matches(QStringView sName) const {
    const UpperForm name(sName);
    return partial_ ? name.contains(term_) : name == term_;
  }
  void lower(std::size_t i) {
    std::size_t seen = found_.load();
    while (i < seen && !found_.compare_exchange_weak(seen, i)) {
    }
  }

  const SongArray& names_;
  const std::size_t first_;
  const std::size_t last_;
  const UpperForm term_;
  const bool partial_;
  const std::size_t chunk_;
  std::atomic<std::size_t> next_{0};
  std::atomic<std::size_t> found_{kNone};
};

}  // namespace

double FirstNameMatch(const SongArray& names, std::size_t first, std::size_t last,
                      const QString& sTerm, bool bPartial, std::size_t chunk) {
  ChunkedScan scan(names, first, last, sTerm, bPartial, chunk);
  std::vector<std::thread> helpers;
  if (last - first >= chunk) {
    for (int n = QThread::idealThreadCount() - 1; n > 0; --n)
      helpers.emplace_back([&scan] { scan.work(); });
  }
  scan.work();
  // A plain join, not a local event loop: no event reaches the user-interface thread, so no
  // window can change the list or close while the helpers read it. Threads of its own (not
  // Qt's pool) end each search with a join that the thread sanitizer sees.
  for (std::thread& helper : helpers)
    helper.join();
  return scan.result();
}

}  // namespace qvt::GlobalMethods
