#pragma once
#include "platform/System.h"

namespace qvt {

// One pass of the Qt event loop. Long loops call it once per item; a pass costs a poll of the
// window system's connection, so passes closer together than kMinPassGapNs are folded into
// the previous one: input and painting are still handled within a millisecond, and a loop
// over 100,000 songs does not spend its time polling.
class LinuxEventLoop : public IEventLoop {
 public:
  static constexpr long long kMinPassGapNs = 1000000;
  void doEvents() override;
  void singleShot(int milliseconds, QObject* context, std::function<void()> slot) override;

 private:
  long long lastPassNs_ = 0;
};

// Closes every window without its close handlers and exits the process.
class LinuxAppControl : public IAppControl {
 public:
  void endProgram(int exitCode) override;
};

class LinuxScreen : public IScreen {
 public:
  int widthPixels() override;
  int heightPixels() override;
};

class LinuxOsInfo : public IOsInfo {
 public:
  int32_t majorVersion() override;
  QString environment(const QString& name) override;
  QString expandEnvironmentStrings(const QString& text) override;
};

class LinuxProcess : public IProcess {
 public:
  bool startDetached(const QString& program, const QStringList& arguments) override;
  void sleepMs(int milliseconds) override;
  Result<QByteArray> runForOutput(const QString& program, const QStringList& arguments,
                                  int timeoutMs) override;
};

class LinuxClock : public IClock {
 public:
  double secondsSinceMidnight() override;
  qint64 secondsSinceEpoch() override;
};

// Expands %NAME% references with a lookup; shared by the Linux and fake implementations.
QString ExpandPercentReferences(const QString& text, QString (*lookup)(const QString&, void*),
                                void* context);

}  // namespace qvt
