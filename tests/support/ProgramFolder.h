#pragma once
// A temporary program folder holding copies of the built programs and data files, and a way
// to run them there as a user would (offscreen, message boxes answered with their default
// button and logged).

#include <QByteArray>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <functional>

namespace qvt::test {

class ProgramFolder {
 public:
  // Copies the named programs and every data file of the build's program folder.
  explicit ProgramFolder(const QStringList& programs = {"Quavertone"});

  QString path(const QString& name) const { return dir_.filePath(name); }
  QString folder() const { return dir_.path(); }
  QByteArray read(const QString& name) const;
  void write(const QString& name, const QByteArray& bytes) const;

  // Starts a program of the folder with the given arguments and extra environment.
  QProcess* start(const QString& program, const QStringList& arguments = {},
                  const QStringList& environment = {});
  // The message boxes shown so far, one "title<TAB>text" line each (line ends as "|").
  QStringList boxes() const;

 private:
  QTemporaryDir dir_;
  std::vector<std::unique_ptr<QProcess>> processes_;
};

// Waits until `done` is true or the time is up, letting events run. True when done.
bool WaitFor(const std::function<bool()>& done, int timeoutMs);

}  // namespace qvt::test
