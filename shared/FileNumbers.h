#pragma once
// The program's file numbers. Every file that the file manager opens holds one number from 1 to
// 511 while it is open, so that the program never has more than 511 files open through it and
// each open file has a number no other open file has. Each program's start-up owns the table and
// hands it down in its service table (Services::fileNumbers); in tests the test run owns it.

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QString>
#include <bitset>
#include <cstdint>
#include <mutex>
#include <optional>
#include <stdexcept>

#include "platform/base/Result.h"

namespace qvt {

// A failure of a file operation that reaches the caller; what() is its description.
class FileManagerError : public std::runtime_error {
 public:
  using runtime_error::runtime_error;
};

inline constexpr int16_t kMaxFileNumber = 511;

struct Services;

// Taken and released from any thread.
class FileNumbers {
 public:
  // The lowest number not in use. Throws FileManagerError("Too many files") when every number is
  // in use. Does not reserve the number.
  int16_t GetFree() const;
  // Finds the lowest free number and marks it in use, in one step. Throws like GetFree.
  int16_t TakeFree();
  // Marks a number free again. Numbers not in use, or outside 1..511, are ignored.
  void Release(int16_t number);
  // How many numbers are in use.
  int InUse() const;

 private:
  // The lowest free number; the caller holds the lock.
  int16_t lowestFree() const;

  mutable std::mutex mutex_;
  std::bitset<kMaxFileNumber + 1> used_;  // bit 0 is never used
};

// A table's file numbers; aborts when it has none.
FileNumbers& FileNumbersOf(const Services& table);

namespace detail {

// A buffered file read or written line by line, holding a file number while it is open.
// Reading never looks past the data: lines of any length, NUL bytes and bytes that are not
// UTF-8 come back as they are in the file. Data already in memory is read the same way.
class LineFile {
 public:
  // How much of the file one read takes.
  static constexpr qsizetype kBlockBytes = qsizetype{64} * 1024;

  explicit LineFile(FileNumbers& numbers) : numbers_(numbers) {}
  ~LineFile();  // closes, ignoring failures
  LineFile(const LineFile&) = delete;
  LineFile& operator=(const LineFile&) = delete;

  // Each open throws FileManagerError with the failure's description; nothing is then open.
  // skipBom: a UTF-8 byte order mark at the start of the file is not part of the first line.
  void openForRead(const QString& path, bool skipBom);
  // Reads `bytes` as a file holding them, taken in blocks of `blockBytes`.
  void openForRead(const QByteArray& bytes, bool skipBom, qsizetype blockBytes = kBlockBytes);
  // append false: created or truncated; true: created when missing, written at its end.
  void openForWrite(const QString& path, bool append);
  bool isOpen() const { return file_.isOpen() || memory_.isOpen(); }
  bool isWriting() const { return writing_; }
  int16_t number() const { return number_; }

  // True when no byte is left to read (always true while writing). Throws when nothing is open.
  bool atEnd();
  // The next line without its terminator (CR, CR LF or LF); nothing at the end of the file.
  std::optional<QByteArray> readLine();
  // Writes the bytes; throws FileManagerError when they cannot be written.
  void write(const QByteArray& bytes);
  // Closes the file and frees its number. Fails when buffered data could not be written.
  Result<void> close();

 private:
  void open(const QString& path, QIODevice::OpenMode mode);
  // Takes a file number; throws when none is free or something is open already.
  int16_t takeNumber();
  // Begins reading from the start of what was opened.
  void startReading(bool skipBom);
  void requireOpen() const;
  // Appends the next block of the file to the buffer; false when nothing is left.
  bool fill();
  // What is read: the file, or the data in memory.
  QIODevice& source() { return memory_.isOpen() ? static_cast<QIODevice&>(memory_) : file_; }

  FileNumbers& numbers_;
  QFile file_;
  QBuffer memory_;  // open while data in memory is read
  qsizetype blockBytes_ = kBlockBytes;
  QByteArray buffer_;
  qsizetype pos_ = 0;  // first unread byte of buffer_
  int16_t number_ = 0;
  bool writing_ = false;
};

}  // namespace detail

}  // namespace qvt
