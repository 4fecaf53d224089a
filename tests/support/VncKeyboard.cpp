#include "tests/support/VncKeyboard.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>
#include <QElapsedTimer>
#include <QThread>
#include <array>
#include <cstring>
#include <string>

namespace qvt::test {

namespace {

constexpr uint32_t kAltLeft = 0xffe9;
constexpr int kSettleMs = 400;

sockaddr_in Loopback(int port) {
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  return address;
}

bool ReadExactly(int fd, char* buffer, size_t size) {
  while (size > 0) {
    const ssize_t got = ::read(fd, buffer, size);
    if (got <= 0)
      return false;
    buffer += got;
    size -= static_cast<size_t>(got);
  }
  return true;
}

bool WriteAll(int fd, const char* data, size_t size) {
  return ::write(fd, data, size) == static_cast<ssize_t>(size);
}

}  // namespace

VncKeyboard::~VncKeyboard() {
  if (fd_ >= 0)
    ::close(fd_);
}

int VncKeyboard::FreePort() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address = Loopback(0);
  socklen_t length = sizeof address;
  int port = 0;
  if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
      ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
    port = ntohs(address.sin_port);
  }
  ::close(fd);
  return port;
}

QString VncKeyboard::Platform(int port) {
  return QStringLiteral("vnc:size=1024x768:port=%1").arg(port);
}

bool VncKeyboard::connect(int port, int timeoutMs) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < timeoutMs) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(port);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0)
      return handshake();
    ::close(fd_);
    fd_ = -1;
    QThread::msleep(50);
  }
  return false;
}

// RFB 3.3 as Qt's server speaks it: the versions, the server's security type (none), the
// client's init (shared) and the server's init, which ends with the desktop's name.
bool VncKeyboard::handshake() {
  std::array<char, 12> version{};
  if (!ReadExactly(fd_, version.data(), version.size()) ||
      !WriteAll(fd_, version.data(), version.size())) {
    return false;
  }
  std::array<char, 4> security{};
  if (!ReadExactly(fd_, security.data(), security.size()) || security[3] != 1)
    return false;
  const char shared = 1;
  std::array<char, 24> init{};
  if (!WriteAll(fd_, &shared, 1) || !ReadExactly(fd_, init.data(), init.size()))
    return false;
  uint32_t nameLength = 0;
  std::memcpy(&nameLength, init.data() + 20, sizeof nameLength);
  std::string name(ntohl(nameLength), '\0');
  return ReadExactly(fd_, name.data(), name.size());
}

void VncKeyboard::send(bool down, uint32_t keysym) {
  std::array<char, 8> event{4, static_cast<char>(down ? 1 : 0), 0, 0};
  const uint32_t key = htonl(keysym);
  std::memcpy(event.data() + 4, &key, sizeof key);
  WriteAll(fd_, event.data(), event.size());
}

void VncKeyboard::press(uint32_t keysym) {
  send(true, keysym);
  send(false, keysym);
  QThread::msleep(kSettleMs);
}

void VncKeyboard::alt(char letter) {
  send(true, kAltLeft);
  send(true, static_cast<uint32_t>(letter));
  send(false, static_cast<uint32_t>(letter));
  send(false, kAltLeft);
  QThread::msleep(kSettleMs);
}

}  // namespace qvt::test
