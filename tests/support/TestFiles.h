#pragma once
// Small helpers for tests that read and write whole files, and a stand-in for the player
// window's side of the settings persistence.

#include <QByteArray>
#include <QString>

#include "player/window/Configuration.h"

namespace qvt::test {

// The whole file, or an empty array when it cannot be read.
QByteArray ReadAll(const QString& path);
// Replaces the file's content; false when it cannot be written.
bool WriteAll(const QString& path, const QByteArray& bytes);
// WriteAll, making the file's folders first.
bool WriteAllIn(const QString& path, const QByteArray& bytes);

// Sets an environment variable (a null value unsets it) for the lifetime of the object.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const QByteArray& value);
  ~ScopedEnv();
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  const char* name_;
  bool had_;
  QByteArray old_;
};

// The player window's position and check boxes; the boxes exclude each other as the window's
// click handlers make them.
class FakeConfigurationHost : public IConfigurationHost {
 public:
  double position = 0;
  bool random = false;
  bool loop = false;
  double Position() const override { return position; }
  void SetPosition(double d) override { position = d; }
  bool IsRandomChecked() const override { return random; }
  bool IsLoopChecked() const override { return loop; }
  void AssignRandomChecked(bool b) override {
    random = b;
    if (b)
      loop = false;
  }
  void AssignLoopChecked(bool b) override {
    loop = b;
    if (b)
      random = false;
  }
};

}  // namespace qvt::test
