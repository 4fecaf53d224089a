#pragma once
// The name of a recent record of a reading that runs on a worker thread, for the window
// thread to show: the worker sets one now and then, the window thread takes it when it is new.

#include <QString>
#include <cstdint>
#include <mutex>
#include <optional>

#include "player/startup/SongArray.h"

namespace qvt {

class RecentName {
 public:
  // On the worker: the first record, every kNameEvery-th and (through last) the last one.
  void record(const QString& sName) {
    if (++count_ % kNameEvery == 1)
      set(sName);
  }
  // The same for a name just added as the last of `names`.
  void recordLast(const SongArray& names) {
    if (++count_ % kNameEvery == 1)
      set(names[names.size() - 1]);
  }
  void last(const SongArray& names) {
    if (!names.empty())
      set(names[names.size() - 1]);
  }
  // On the window thread: the name set since the last call, if any.
  std::optional<QString> takeNew() {
    const std::lock_guard lock(mutex_);
    if (version_ == taken_)
      return std::nullopt;
    taken_ = version_;
    return name_;
  }

 private:
  // The records between two names handed to the window thread.
  static constexpr std::size_t kNameEvery = 256;

  void set(const QString& name) {
    const std::lock_guard lock(mutex_);
    name_ = name;
    ++version_;
  }

  std::size_t count_ = 0;  // the worker's own
  std::mutex mutex_;
  QString name_;
  std::uint64_t version_ = 0;
  std::uint64_t taken_ = 0;  // the window thread's own
};

}  // namespace qvt
