#include "shared/FileNumbers.h"

#include <algorithm>

#include "shared/Services.h"

namespace qvt {

int16_t FileNumbers::lowestFree() const {
  for (int16_t n = 1; n <= kMaxFileNumber; ++n) {
    if (!used_.test(static_cast<size_t>(n)))
      return n;
  }
  throw FileManagerError("Too many files");
}

int16_t FileNumbers::GetFree() const {
  const std::lock_guard lock(mutex_);
  return lowestFree();
}

int16_t FileNumbers::TakeFree() {
  const std::lock_guard lock(mutex_);
  const int16_t n = lowestFree();
  used_.set(static_cast<size_t>(n));
  return n;
}

void FileNumbers::Release(int16_t number) {
  if (number < 1 || number > kMaxFileNumber)
    return;
  const std::lock_guard lock(mutex_);
  used_.reset(static_cast<size_t>(number));
}

int FileNumbers::InUse() const {
  const std::lock_guard lock(mutex_);
  return static_cast<int>(used_.count());
}

FileNumbers& FileNumbersOf(const Services& table) {
  return RequireService(table.fileNumbers, "fileNumbers");
}

namespace detail {

LineFile::~LineFile() {
  (void)close();  // a destructor has no one to tell
}

int16_t LineFile::takeNumber() {
  if (isOpen())
    throw FileManagerError("File already open");
  return numbers_.TakeFree();
}

void LineFile::open(const QString& path, QIODevice::OpenMode mode) {
  const int16_t number = takeNumber();
  file_.setFileName(path);
  if (path.isEmpty() || !file_.open(mode)) {
    numbers_.Release(number);
    throw FileManagerError(path.isEmpty() ? std::string("Bad file name or number")
                                          : file_.errorString().toStdString());
  }
  number_ = number;
  buffer_.clear();
  pos_ = 0;
}

void LineFile::openForRead(const QString& path, bool skipBom) {
  open(path, QIODevice::ReadOnly | QIODevice::Unbuffered);
  blockBytes_ = kBlockBytes;
  startReading(skipBom);
}

void LineFile::openForRead(const QByteArray& bytes, bool skipBom, qsizetype blockBytes) {
  const int16_t number = takeNumber();
  memory_.setData(bytes);
  memory_.open(QIODevice::ReadOnly);
  number_ = number;
  buffer_.clear();
  pos_ = 0;
  blockBytes_ = std::max<qsizetype>(blockBytes, 1);
  startReading(skipBom);
}

void LineFile::startReading(bool skipBom) {
  writing_ = false;
  if (!skipBom)
    return;
  // Enough of the file to tell whether it begins with a byte order mark.
  while (buffer_.size() < 3 && fill()) {
  }
  if (buffer_.startsWith("\xEF\xBB\xBF"))
    pos_ = 3;
}

void LineFile::openForWrite(const QString& path, bool append) {
  open(path, append ? QIODevice::WriteOnly | QIODevice::Append
                    : QIODevice::WriteOnly | QIODevice::Truncate);
  writing_ = true;
}

void LineFile::requireOpen() const {
  if (!isOpen())
    throw FileManagerError("Bad file name or number");
}

bool LineFile::fill() {
  if (pos_ > 0) {
    buffer_.remove(0, pos_);
    pos_ = 0;
  }
  const qsizetype old = buffer_.size();
  // Grow by doubling, so that a very long line is not copied once per block.
  if (buffer_.capacity() < old + blockBytes_)
    buffer_.reserve(std::max(2 * buffer_.capacity(), old + blockBytes_));
  buffer_.resize(old + blockBytes_);
  const qint64 got = source().read(buffer_.data() + old, blockBytes_);
  buffer_.resize(old + (got > 0 ? got : 0));
  if (got < 0)
    throw FileManagerError(source().errorString().toStdString());
  return got > 0;
}

bool LineFile::atEnd() {
  requireOpen();
  if (writing_)
    return true;
  return pos_ >= buffer_.size() && !fill();
}

std::optional<QByteArray> LineFile::readLine() {
  requireOpen();
  if (writing_)
    throw FileManagerError("Bad file mode");
  qsizetype scan = pos_;
  for (;;) {
    const char* bytes = buffer_.constData();
    while (scan < buffer_.size() && bytes[scan] != '\r' && bytes[scan] != '\n')
      ++scan;
    if (scan < buffer_.size())
      break;
    const qsizetype scanned = scan - pos_;
    const bool more = fill();
    scan = pos_ + scanned;  // fill() moved the unread bytes to the front
    if (!more)
      break;
  }
  if (scan == pos_ && scan >= buffer_.size())
    return std::nullopt;
  QByteArray line = buffer_.mid(pos_, scan - pos_);
  pos_ = scan;
  if (pos_ < buffer_.size()) {
    const char terminator = buffer_.at(pos_++);
    if (terminator == '\r' && (pos_ < buffer_.size() || fill()) && buffer_.at(pos_) == '\n') {
      ++pos_;
    }
  }
  return line;
}

void LineFile::write(const QByteArray& bytes) {
  requireOpen();
  if (!writing_)
    throw FileManagerError("Bad file mode");
  if (file_.write(bytes) != bytes.size()) {
    throw FileManagerError(file_.errorString().toStdString());
  }
}

Result<void> LineFile::close() {
  if (!isOpen())
    return {};
  Result<void> closed;
  if (writing_ && !file_.flush())
    closed = Unexpected{file_.errorString()};
  source().close();
  memory_.setData(QByteArray());
  numbers_.Release(number_);
  number_ = 0;
  writing_ = false;
  buffer_.clear();
  pos_ = 0;
  return closed;
}

}  // namespace detail

}  // namespace qvt
