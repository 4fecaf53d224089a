#pragma once
// Runs the event loop while a test waits for something asynchronous (libmpv's events, a child
// program's file), with a bound so that no test hangs.

#include <functional>

namespace qvt::test {

// Runs the event loop until `done` holds or `timeoutMs` passes; answers whether it held.
bool PumpUntil(const std::function<bool()>& done, int timeoutMs = 5000);

}  // namespace qvt::test
