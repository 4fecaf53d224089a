#include "tests/support/ProgramFolder.h"

#include "tests/support/EventPump.h"

#include <QDir>
#include <QFile>
#include <QProcessEnvironment>

namespace qvt::test {

ProgramFolder::ProgramFolder(const QStringList& programs) {
  const QDir built(QStringLiteral(QVT_PROGRAM_DIR));
  for (const QString& name : built.entryList(QDir::Files)) {
    const bool program = QFileInfo(built.filePath(name)).isExecutable();
    if (program && !programs.contains(name))
      continue;
    QFile::copy(built.filePath(name), dir_.filePath(name));
  }
}

QByteArray ProgramFolder::read(const QString& name) const {
  QFile f(path(name));
  if (!f.open(QIODevice::ReadOnly))
    return QByteArray();
  return f.readAll();
}

void ProgramFolder::write(const QString& name, const QByteArray& bytes) const {
  QFile f(path(name));
  if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
    f.write(bytes);
}

QProcess* ProgramFolder::start(const QString& program, const QStringList& arguments,
                               const QStringList& environment) {
  auto process = std::make_unique<QProcess>();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
  env.insert(QStringLiteral("QUAVERTONE_AUDIO"), QStringLiteral("null-fast"));
  env.insert(QStringLiteral("QUAVERTONE_AUTO_ANSWER"), path(QStringLiteral("boxes.log")));
  env.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir_.path());
  env.remove(QStringLiteral("QUAVERTONE_PROGRAM_DIR"));
  for (const QString& entry : environment) {
    const qsizetype eq = entry.indexOf(QLatin1Char('='));
    env.insert(entry.left(eq), entry.mid(eq + 1));
  }
  process->setProcessEnvironment(env);
  process->setWorkingDirectory(QDir::tempPath());
  process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
  process->start(path(program), arguments);
  process->waitForStarted(10000);
  processes_.push_back(std::move(process));
  return processes_.back().get();
}

QStringList ProgramFolder::boxes() const {
  const QString text = QString::fromUtf8(read(QStringLiteral("boxes.log")));
  return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
  return PumpUntil(done, timeoutMs);
}

}  // namespace qvt::test
