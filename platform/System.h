#pragma once
// Process-level platform services: the event loop, ending the program, the screen, the
// operating system, processes, sleeping and the clock.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

#include "platform/base/Result.h"

class QObject;

namespace qvt {

class IEventLoop {
 public:
  virtual ~IEventLoop() = default;
  // Lets the event loop process pending events once.
  virtual void doEvents() = 0;
  // Calls `slot` once from the event loop, `milliseconds` from now; never when `context` is
  // destroyed first. The thread goes on meanwhile: it must return to its event loop.
  virtual void singleShot(int milliseconds, QObject* context, std::function<void()> slot) = 0;
};

class IAppControl {
 public:
  virtual ~IAppControl() = default;
  // Ends the program at once, closing every window without running its close handlers.
  // The production implementation does not return; a fake may throw ProgramEnded.
  virtual void endProgram(int exitCode) = 0;
};

// Thrown by the fake IAppControl so that a test observes the end instead of exiting.
struct ProgramEnded {
  int exitCode = 0;
};

// The primary screen's size in logical pixels.
class IScreen {
 public:
  virtual ~IScreen() = default;
  virtual int widthPixels() = 0;
  virtual int heightPixels() = 0;
};

class IOsInfo {
 public:
  virtual ~IOsInfo() = default;
  // The operating system's major version number (the kernel's); 0 when the query fails.
  virtual int32_t majorVersion() = 0;
  // An environment variable; empty when it is not set.
  virtual QString environment(const QString& name) = 0;
  // Replaces every %NAME% with the variable's value; unknown references stay as written.
  virtual QString expandEnvironmentStrings(const QString& text) = 0;
};

class IProcess {
 public:
  virtual ~IProcess() = default;
  // Starts a program without waiting for it. False when it could not be started.
  virtual bool startDetached(const QString& program, const QStringList& arguments) = 0;
  virtual void sleepMs(int milliseconds) = 0;
  // Runs a program with no input, waits for it to end and answers what it wrote on its standard
  // output (at most kMostOutputBytes of it). Fails with a description when it could not be
  // started, did not end within timeoutMs (it is killed then), or did not end with status 0.
  static constexpr qsizetype kMostOutputBytes = qsizetype{64} * 1024;
  virtual Result<QByteArray> runForOutput(const QString& program, const QStringList& arguments,
                                          int timeoutMs) = 0;
};

class IClock {
 public:
  virtual ~IClock() = default;
  // Seconds since midnight, with fractions (used to seed random choices).
  virtual double secondsSinceMidnight() = 0;
  // The wall clock: whole seconds since 1970-01-01 00:00:00 UTC.
  virtual qint64 secondsSinceEpoch() = 0;
};

}  // namespace qvt
