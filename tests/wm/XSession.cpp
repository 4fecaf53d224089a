#include "tests/wm/XSession.h"

#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace qvt::test {

namespace {

// Runs a program with its arguments in a child process; -1 when it cannot be forked.
pid_t Spawn(const char* program, std::initializer_list<std::string> args, int keepFd = -1) {
  const pid_t pid = fork();
  if (pid != 0)
    return pid;
  prctl(PR_SET_PDEATHSIG, SIGTERM);  // gone with the test, however it ends
  if (keepFd < 0) {
    // The window manager's messages are of no interest to the test output.
    std::freopen("/dev/null", "w", stdout);
    std::freopen("/dev/null", "w", stderr);
  }
  std::vector<char*> argv{const_cast<char*>(program)};
  for (const std::string& arg : args)
    argv.push_back(const_cast<char*>(arg.c_str()));
  argv.push_back(nullptr);
  execvp(program, argv.data());
  _exit(127);
}

void End(pid_t pid) {
  if (pid <= 0)
    return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
}

// The display number Xvfb writes to the pipe once it accepts connections.
std::string ReadDisplayNumber(int fd) {
  std::string number;
  pollfd p{fd, POLLIN, 0};
  char c = 0;
  while (poll(&p, 1, 10000) > 0 && read(fd, &c, 1) == 1 && c != '\n')
    number += c;
  return number;
}

}  // namespace

std::unique_ptr<XSession> XSession::Start(int width, int height) {
  int fds[2];
  if (pipe(fds) != 0)
    return nullptr;
  std::unique_ptr<XSession> session(new XSession);
  const std::string screen = std::to_string(width) + "x" + std::to_string(height) + "x24";
  session->server_ = Spawn(
      "Xvfb", {"-displayfd", std::to_string(fds[1]), "-screen", "0", screen, "-nolisten", "tcp"},
      fds[1]);
  close(fds[1]);
  const std::string number = ReadDisplayNumber(fds[0]);
  close(fds[0]);
  if (number.empty()) {
    std::fprintf(stderr, "Xvfb did not start (is the xvfb package installed?)\n");
    return nullptr;
  }
  session->display_ = QStringLiteral(":") + QString::fromStdString(number);
  setenv("DISPLAY", session->display_.toLocal8Bit().constData(), 1);
  session->windowManager_ = Spawn("openbox", {"--sm-disable"});
  if (session->windowManager_ < 0) {
    std::fprintf(stderr, "openbox did not start\n");
    return nullptr;
  }
  return session;
}

bool XSession::Listing(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::string(argv[i]).starts_with("--gtest_list_tests"))
      return true;
  }
  return false;
}

XSession::~XSession() {
  End(windowManager_);
  End(server_);
}

}  // namespace qvt::test
