#include "platform/linux/LinuxDesktop.h"

#include <QDir>
#include <QMimeDatabase>
#include <QProcess>
#include <QStandardPaths>

namespace qvt {

namespace {

// How long a desktop tool may run.
constexpr int kToolTimeoutMs = 60000;

// An XDG base folder: the variable's value when it is an absolute path, else the default
// below the home folder.
QString BaseFolder(const char* variable, const QString& fallbackBelowHome) {
  const QString value = qEnvironmentVariable(variable);
  if (!value.isEmpty() && QDir::isAbsolutePath(value))
    return value;
  return QDir::homePath() + u'/' + fallbackBelowHome;
}

}  // namespace

QString LinuxDesktop::dataHome() {
  return BaseFolder("XDG_DATA_HOME", QStringLiteral(".local/share"));
}

QString LinuxDesktop::configHome() {
  return BaseFolder("XDG_CONFIG_HOME", QStringLiteral(".config"));
}

QString LinuxDesktop::mimeTypeForExtension(const QString& extension) {
  const QMimeType type = QMimeDatabase().mimeTypeForFile(QStringLiteral("x.") + extension,
                                                         QMimeDatabase::MatchExtension);
  return type.isValid() && !type.isDefault() ? type.name() : QString();
}

bool LinuxDesktop::runTool(const QString& program, const QStringList& arguments) {
  const QString path = QStandardPaths::findExecutable(program);
  if (path.isEmpty())
    return false;
  QProcess process;
  process.setStandardOutputFile(QProcess::nullDevice());
  process.setStandardErrorFile(QProcess::nullDevice());
  process.start(path, arguments);
  if (!process.waitForFinished(kToolTimeoutMs)) {
    process.kill();
    process.waitForFinished();
    return false;
  }
  return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

}  // namespace qvt
