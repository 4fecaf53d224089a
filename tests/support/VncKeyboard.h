#pragma once
// A user at the keyboard of a real program: the program runs on Qt's VNC platform
// (QT_QPA_PLATFORM=vnc) and this minimal RFB client types into it, so an end-to-end test can
// press a window's buttons by their access keys.

#include <QString>
#include <cstdint>

namespace qvt::test {

class VncKeyboard {
 public:
  // Key symbols of the keys the tests press.
  static constexpr uint32_t kTab = 0xff09;
  static constexpr uint32_t kDown = 0xff54;
  static constexpr uint32_t kSpace = 0x20;

  VncKeyboard() = default;
  ~VncKeyboard();
  VncKeyboard(const VncKeyboard&) = delete;
  VncKeyboard& operator=(const VncKeyboard&) = delete;

  // A port no one listens on now, and the platform setting that serves a program there.
  static int FreePort();
  static QString Platform(int port);

  // Connects to the program's VNC server, retrying until it listens. True when connected.
  bool connect(int port, int timeoutMs);
  // Presses and releases a key, then waits for the program to handle it.
  void press(uint32_t keysym);
  // Alt and a letter: the access key of a button or check box.
  void alt(char letter);

 private:
  void send(bool down, uint32_t keysym);
  bool handshake();

  int fd_ = -1;
};

}  // namespace qvt::test
