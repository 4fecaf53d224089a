#pragma once
// The one way tests change the service table: a ScopedPlatform keeps the table as it was when
// it was made and puts it back when it goes out of scope, whatever was installed meanwhile.
//
//   qvt::ScopedPlatform scope(&qvt::Platform::http, &curl);  // one service swapped
//   qvt::ScopedPlatform scope;                               // or keep the table, then write
//   qvt::platform().progressWindows = nullptr;               //   any slots
//
// Scopes nest: each puts back the table it found, so the newest must end first (as locals
// and members do). FakePlatform and the single-service fakes hold one each.

#include <type_traits>

#include "platform/fakes/InstalledPlatform.h"

namespace qvt {

class ScopedPlatform {
 public:
  ScopedPlatform() : saved_(platform()) {}
  // Keeps the table, then sets one slot (of the platform's part or of the shared layer's).
  template <typename T, typename Table>
  ScopedPlatform(T Table::*slot, std::type_identity_t<T> value) : saved_(platform()) {
    static_assert(std::is_base_of_v<Table, Services>);
    platform().*slot = value;
  }
  ~ScopedPlatform() { platform() = saved_; }
  ScopedPlatform(const ScopedPlatform&) = delete;
  ScopedPlatform& operator=(const ScopedPlatform&) = delete;

 private:
  Services saved_;
};

}  // namespace qvt
