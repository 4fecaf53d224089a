#pragma once
// A private X server (Xvfb) with a real window manager (openbox) for tests that judge what a
// user sees: frames, placement and title bars. Both end when the session is destroyed.

#include <sys/types.h>

#include <QString>
#include <memory>

namespace qvt::test {

class XSession {
 public:
  // Starts both on a free display of the given size and points DISPLAY at it; nothing when
  // either program cannot be started (the error is printed).
  static std::unique_ptr<XSession> Start(int width, int height);
  // Whether the test program only lists its tests (CTest's discovery), which needs no display.
  static bool Listing(int argc, char** argv);
  ~XSession();
  XSession(const XSession&) = delete;
  XSession& operator=(const XSession&) = delete;

  QString display() const { return display_; }

 private:
  XSession() = default;
  pid_t server_ = -1;
  pid_t windowManager_ = -1;
  QString display_;
};

}  // namespace qvt::test
