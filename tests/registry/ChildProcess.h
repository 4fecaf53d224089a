#pragma once
// Runs one test of this test executable again in a second process. The test it runs skips
// itself unless the environment variable that the parent sets is there.

#include <QCoreApplication>
#include <QMap>
#include <QProcess>
#include <QProcessEnvironment>
#include <memory>

namespace qvt::test {

inline std::unique_ptr<QProcess> StartSelf(const QString& testName,
                                           const QMap<QString, QString>& environment) {
  auto process = std::make_unique<QProcess>();
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  for (auto it = environment.begin(); it != environment.end(); ++it)
    env.insert(it.key(), it.value());
  process->setProcessEnvironment(env);
  process->setProcessChannelMode(QProcess::MergedChannels);
  process->start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--gtest_filter=") + testName});
  return process;
}

// Waits for the process; true when its one test ran and passed. Its output goes to *output.
inline bool FinishedWell(QProcess& process, QString* output) {
  const bool finished = process.waitForFinished(300000);
  *output = QString::fromLocal8Bit(process.readAll());
  return finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0 &&
         output->contains(QLatin1String("[  PASSED  ] 1 test")) &&
         !output->contains(QLatin1String("SKIPPED"));
}

}  // namespace qvt::test
