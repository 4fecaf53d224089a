#include "tests/support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace qvt::test {

QByteArray ReadAll(const QString& path) {
  QFile f(path);
  if (!f.open(QIODevice::ReadOnly))
    return QByteArray();
  return f.readAll();
}

bool WriteAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  return f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size();
}

bool WriteAllIn(const QString& path, const QByteArray& bytes) {
  return QDir().mkpath(QFileInfo(path).path()) && WriteAll(path, bytes);
}

ScopedEnv::ScopedEnv(const char* name, const QByteArray& value)
    : name_(name), had_(qEnvironmentVariableIsSet(name)), old_(qgetenv(name)) {
  if (value.isNull())
    qunsetenv(name);
  else
    qputenv(name, value);
}

ScopedEnv::~ScopedEnv() {
  if (had_)
    qputenv(name_, old_);
  else
    qunsetenv(name_);
}

}  // namespace qvt::test
