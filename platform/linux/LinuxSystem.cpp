#include "platform/linux/LinuxSystem.h"

#include <sys/utsname.h>
#include <unistd.h>
#include <QCoreApplication>
#include <QDateTime>
#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <QTime>
#include <QTimer>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <utility>

namespace qvt {

void LinuxEventLoop::doEvents() {
  const long long now = std::chrono::duration_cast<std::chrono::nanoseconds>(
                            std::chrono::steady_clock::now().time_since_epoch())
                            .count();
  if (lastPassNs_ != 0 && now - lastPassNs_ < kMinPassGapNs)
    return;
  QCoreApplication::processEvents();
  lastPassNs_ = std::chrono::duration_cast<std::chrono::nanoseconds>(
                    std::chrono::steady_clock::now().time_since_epoch())
                    .count();
}

void LinuxEventLoop::singleShot(int milliseconds, QObject* context, std::function<void()> slot) {
  QTimer::singleShot(milliseconds, context, std::move(slot));
}

void LinuxAppControl::endProgram(int exitCode) {
  std::fflush(nullptr);
  // End at once: no close handlers, no destructors of windows.
  ::_exit(exitCode);
}

namespace {
QSize screenPixels() {
  const QScreen* primary = QGuiApplication::primaryScreen();
  if (primary == nullptr)
    return QSize(1024, 768);
  return primary->geometry().size();
}
}  // namespace

int LinuxScreen::widthPixels() {
  return screenPixels().width();
}
int LinuxScreen::heightPixels() {
  return screenPixels().height();
}

int32_t LinuxOsInfo::majorVersion() {
  struct utsname info {};
  if (::uname(&info) != 0)
    return 0;
  return std::atoi(info.release);
}

QString LinuxOsInfo::environment(const QString& name) {
  return QString::fromLocal8Bit(qgetenv(name.toLocal8Bit().constData()));
}

QString ExpandPercentReferences(const QString& text, QString (*lookup)(const QString&, void*),
                                void* context) {
  QString out;
  qsizetype i = 0;
  while (i < text.size()) {
    const qsizetype open = text.indexOf(QLatin1Char('%'), i);
    if (open < 0)
      break;
    const qsizetype close = text.indexOf(QLatin1Char('%'), open + 1);
    if (close < 0)
      break;
    out += text.mid(i, open - i);
    const QString name = text.mid(open + 1, close - open - 1);
    const QString value = name.isEmpty() ? QString() : lookup(name, context);
    if (name.isEmpty() || value.isNull()) {
      // Unknown variable: keep the reference and continue after its first '%'.
      out += text.mid(open, close - open);
      i = close;
      continue;
    }
    out += value;
    i = close + 1;
  }
  out += text.mid(i);
  return out;
}

QString LinuxOsInfo::expandEnvironmentStrings(const QString& text) {
  return ExpandPercentReferences(
      text,
      [](const QString& name, void*) -> QString {
        const QByteArray key = name.toLocal8Bit();
        if (!qEnvironmentVariableIsSet(key.constData()))
          return QString();
        return QString::fromLocal8Bit(qgetenv(key.constData()));
      },
      nullptr);
}

bool LinuxProcess::startDetached(const QString& program, const QStringList& arguments) {
  return QProcess::startDetached(program, arguments);
}

void LinuxProcess::sleepMs(int milliseconds) {
  QThread::msleep(static_cast<unsigned long>(milliseconds));
}

Result<QByteArray> LinuxProcess::runForOutput(const QString& program, const QStringList& arguments,
                                              int timeoutMs) {
  QProcess child;
  child.setStandardInputFile(QProcess::nullDevice());
  child.setStandardErrorFile(QProcess::nullDevice());
  child.start(program, arguments);
  if (!child.waitForStarted(timeoutMs))
    return Unexpected{QStringLiteral("The program could not be started: ") + program};
  if (!child.waitForFinished(timeoutMs)) {
    child.kill();
    child.waitForFinished(timeoutMs);
    return Unexpected{QStringLiteral("The program did not end in time: ") + program};
  }
  if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0)
    return Unexpected{QStringLiteral("The program failed: ") + program};
  return child.readAllStandardOutput().left(kMostOutputBytes);
}

double LinuxClock::secondsSinceMidnight() {
  return QTime::currentTime().msecsSinceStartOfDay() / 1000.0;
}

qint64 LinuxClock::secondsSinceEpoch() {
  return QDateTime::currentSecsSinceEpoch();
}

}  // namespace qvt
