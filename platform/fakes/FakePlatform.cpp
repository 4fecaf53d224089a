#include "platform/fakes/FakePlatform.h"

#include <QCoreApplication>

#include "platform/linux/LinuxFileSystem.h"
#include "platform/linux/LinuxSystem.h"

namespace qvt {

MsgResult FakeDialogs::messageBox(const MessageBoxSpec& spec) {
  shown.push_back(spec);
  if (onShow)
    onShow(spec);
  if (!answers.empty()) {
    const MsgResult answer = answers.front();
    answers.pop_front();
    return answer;
  }
  switch (spec.buttons) {
    case MsgButtons::OkOnly:
    case MsgButtons::OkCancel:
      return MsgResult::Ok;
    case MsgButtons::AbortRetryIgnore:
      return MsgResult::Abort;
    case MsgButtons::YesNoCancel:
    case MsgButtons::YesNo:
      return MsgResult::Yes;
    case MsgButtons::RetryCancel:
      return MsgResult::Retry;
  }
  return MsgResult::Ok;
}

std::optional<QString> FakeDialogs::inputBox(const QString& prompt, const QString& title,
                                             const QString& defaultText) {
  inputs.push_back({prompt, title, defaultText});
  if (inputAnswers.empty())
    return std::nullopt;
  const QString answer = inputAnswers.front();
  inputAnswers.pop_front();
  if (answer.isNull())
    return std::nullopt;
  return answer;
}

QStringList FakeDialogs::texts() const {
  QStringList out;
  for (const MessageBoxSpec& spec : shown)
    out << spec.text;
  return out;
}

void FakeEventLoop::doEvents() {
  ++passes;
  if (processQtEvents && QCoreApplication::instance() != nullptr) {
    QCoreApplication::processEvents();
  }
  if (onPass)
    onPass();
}

void FakeAppControl::endProgram(int exitCode) {
  endedWith = exitCode;
  throw ProgramEnded{exitCode};
}

QString FakeOsInfo::expandEnvironmentStrings(const QString& text) {
  return ExpandPercentReferences(
      text,
      [](const QString& name, void* self) -> QString {
        const auto* os = static_cast<FakeOsInfo*>(self);
        if (!os->env.contains(name))
          return QString();
        return os->env.value(name);
      },
      this);
}

bool FakeProcess::startDetached(const QString& program, const QStringList& arguments) {
  started.push_back({program, arguments});
  return startSucceeds;
}

void FakeProcess::sleepMs(int milliseconds) {
  sleeps.push_back(milliseconds);
  if (onSleep)
    onSleep(milliseconds);
}

std::optional<int32_t> FakeFileSystem::attributes(const QString& path) {
  if (attributeOverrides.contains(path))
    return attributeOverrides.value(path);
  return real->attributes(path);
}

bool FakeFileSystem::fails(const QString& path, QString* error) const {
  if (!failingPaths.contains(path))
    return false;
  if (error != nullptr)
    *error = QStringLiteral("Permission denied");
  return true;
}

bool FakeFileSystem::copyFile(const QString& from, const QString& to, QString* error) {
  if (fails(from, error) || fails(to, error))
    return false;
  return real->copyFile(from, to, error);
}

bool FakeFileSystem::removeFile(const QString& path, QString* error) {
  if (fails(path, error))
    return false;
  return real->removeFile(path, error);
}

bool FakeFileSystem::renameFile(const QString& from, const QString& to, QString* error) {
  if (fails(from, error) || fails(to, error))
    return false;
  return real->renameFile(from, to, error);
}

bool FakeFileSystem::makeDirectory(const QString& path) {
  if (failingPaths.contains(path))
    return false;
  return real->makeDirectory(path);
}

QStringList FakeFileSystem::listDirectory(const QString& path) {
  return real->listDirectory(path);
}

bool FakeFileSystem::setExecutable(const QString& path) {
  if (failingPaths.contains(path))
    return false;
  return real->setExecutable(path);
}

bool FakeFileSystem::syncToDisk(const QString& path) {
  synced << path;
  if (failingPaths.contains(path))
    return false;
  return real->syncToDisk(path);
}

namespace {
LinuxFileSystem& realFiles() {
  static LinuxFileSystem files;
  return files;
}
}  // namespace

FakePlatform::FakePlatform() {
  files.real = &realFiles();
  programFolder.path = dir_.path();
  volumes.list = {{QStringLiteral("/"), QStringLiteral("root"), true},
                  {programFolder.path, QStringLiteral("home"), true}};
  InstallMachineServices(*this);
  platform().hasComponentFiles = false;
  platform().programName = QStringLiteral("Quavertone");
}

}  // namespace qvt
