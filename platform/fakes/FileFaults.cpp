#include "platform/fakes/FileFaults.h"

namespace qvt {

void FileFaults::failCall(int n, const QString& description) {
  const std::lock_guard lock(mutex_);
  calls_.clear();
  failAt_ = n;
  description_ = description;
}

Result<void> FileFaults::count(const char* what, const QString& path) {
  const std::lock_guard lock(mutex_);
  calls_ << QLatin1String(what) + QLatin1Char(' ') + path;
  if (calls_.size() == failAt_)
    return Unexpected{description_};
  return {};
}

QStringList FileFaults::calls() const {
  const std::lock_guard lock(mutex_);
  return calls_;
}

bool FileFaults::failed() const {
  const std::lock_guard lock(mutex_);
  return failAt_ > 0 && calls_.size() >= failAt_;
}

Result<void> FaultingFile::write(QByteArrayView bytes) {
  if (Result<void> fault = faults_.count("write", path_); !fault)
    return fault;
  return file_->write(bytes);
}

Result<void> FaultingFile::setMode(int mode) {
  if (Result<void> fault = faults_.count("mode", path_); !fault)
    return fault;
  return file_->setMode(mode);
}

Result<void> FaultingFile::sync() {
  if (Result<void> fault = faults_.count("sync", path_); !fault)
    return fault;
  return file_->sync();
}

Result<void> FaultingFile::close() {
  const Result<void> fault = faults_.count("close", path_);
  const Result<void> closed = file_->close();
  return fault ? closed : fault;
}

}  // namespace qvt
