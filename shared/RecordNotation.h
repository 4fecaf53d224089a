#pragma once
// Record notation: the comma-separated text records that the play list files, the player's
// configuration file, the remembered folders and the update client's files are written in.
//
// Writing: values separated by one comma, no blanks; text between double quotes, unaltered
// (a double quote inside a text is not escaped, so such a text cannot be read back whole);
// numbers in shortest decimal form with "."; Booleans as #TRUE# / #FALSE#; every record ends
// in CR LF. Text is UTF-8.
//
// Reading, one field at a time in a fixed order (a reader does not care about lines):
// - fields end at a comma or a line end (CR LF, a lone LF or a lone CR);
// - blanks (spaces, tabs) before a field are skipped;
// - a field that begins with a double quote runs to the next double quote (commas and line ends
//   inside belong to it; with no closing quote it runs to the end of the data); whatever follows
//   the closing quote, up to and including the next comma or line end, is skipped;
// - any other field runs to the next comma or line end, trailing blanks removed;
// - numbers: optional sign, digits, optional "." and fraction, optional exponent. An empty
//   field or any other text is BadValue, a value that does not fit the type is Overflow.
//   Integers take a fraction rounded half to even (32767.5 is 32768, an Overflow for 16 bits);
// - Booleans: #TRUE# / #FALSE# in any letter case, or a number (non-zero is true);
// - a UTF-8 byte order mark at the start of the data is skipped; bytes that are not UTF-8 read
//   as U+FFFD.
//
// Value lines (the file manager's files) are written in the same notation, one record a line,
// but read back by rules of their own: see ValueLine.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringEncoder>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

#include "platform/FileSystem.h"
#include "shared/AtomicFile.h"
#include "shared/Variant.h"

namespace qvt {

// The failure a reader or writer raises. description() is a short English text fit to show to
// the user after a caller's own message.
class RecordError : public std::runtime_error {
 public:
  enum Kind {
    FileNotFound,  // the file to read does not exist
    PastEnd,       // a field was read when no character was left
    Overflow,      // a number does not fit the type asked for
    BadValue,      // a field does not convert to the type asked for
    WriteFailed,   // the file could not be created, written or put in place
    ReadFailed,    // the file exists but could not be read (a folder, no permission)
  };
  RecordError(Kind kind, const QString& description);
  Kind kind() const { return kind_; }
  QString description() const { return description_; }

 private:
  Kind kind_;
  QString description_;
};

// A value of a record: qvt::Variant, so that settings values pass straight through.
// Text (QString, const char*) is quoted; Integer, Long and Double are numbers; bool is a
// Boolean; Empty writes an empty field; a byte array is written between quotes as it is.
using RecordValue = Variant;

// Appends one value in the write notation above (text quoted, Booleans as #TRUE# / #FALSE#,
// numbers in shortest form, Empty as nothing, a byte array quoted as it is).
void AppendRecordValue(QByteArray& out, const RecordValue& value, QStringEncoder& utf8);

enum class RecordNumber { Ok, Bad, TooBig, TooSmall };
// Reads a number in the form above, blanks around it allowed. TooBig: beyond the range of a
// double; TooSmall: below its smallest value, `value` is then 0 with the number's sign.
RecordNumber ParseRecordNumber(QByteArrayView text, double& value);

// A value line: one line of text whose items are split at every comma (a comma inside quotes
// splits too), picked by 0-based position. An item that is a number reads as a Double; one whose
// first and last characters are double quotes as the text between them; anything else (#TRUE#
// and #FALSE# included) as its text unchanged; a number beyond the range of a double either way
// is text too. Nothing is trimmed.
class ValueLine {
 public:
  ValueLine() = default;
  explicit ValueLine(QString text);
  const QString& text() const { return text_; }
  qsizetype itemCount() const;
  // Throws RecordError: PastEnd for a position past the last item, BadValue for an item that is
  // a lone double quote.
  Variant item(qsizetype index) const;

 private:
  const std::vector<qsizetype>& itemStarts() const;

  QString text_;
  // Where each item starts; built on first use.
  mutable std::vector<qsizetype> itemStarts_;
};

// Writes a file of records through an AtomicFile: the target is replaced only by commit(), and
// a writer destroyed without commit() leaves it as it was. Every failure throws
// RecordError(WriteFailed).
class RecordWriter {
 public:
  // Puts the file in place through `fs`.
  RecordWriter(IFileSystem& fs, const QString& path);
  ~RecordWriter();
  RecordWriter(const RecordWriter&) = delete;
  RecordWriter& operator=(const RecordWriter&) = delete;

  // One record of the values, followed by CR LF.
  void write(std::initializer_list<RecordValue> values);
  // A record of one text.
  void writeText(const QString& text);
  // A record of two texts: a song's path and its display name.
  void writePathName(const QString& path, const QString& name);
  // Puts the file in place. The writer cannot be used afterwards.
  void commit();

  // False for a text that cannot be read back whole (it contains a double quote).
  static bool canStoreText(const QString& text);
  // The path written to (a symbolic link's target when the path names a link).
  QString target() const { return file_.target(); }
  // The temporary file, empty once committed or removed.
  QString temporaryPath() const { return file_.temporaryPath(); }

 private:
  void appendValue(const RecordValue& value);
  void endRecord();
  void flushBuffer();
  void requireOpen() const;
  // Throws the failure of a step of the file, which is then discarded.
  void check(const Result<void>& step);

  AtomicFile file_;
  QByteArray buffer_;
  QStringEncoder utf8_{QStringConverter::Utf8, QStringConverter::Flag::Stateless};
};

// Reads the fields of a file in record notation. The file is read in blocks as the fields are
// taken, so that a large file is never held whole (a field longer than a block is). A copy reads
// on from the same place by a handle of its own.
class RecordReader {
 public:
  static constexpr qint64 kBlockBytes = qint64{1} << 20;

  // Reads the file through `fs`, which must outlive the reader and its copies. Throws
  // RecordError(FileNotFound) when the file does not exist, ReadFailed when it cannot be read
  // (then or at a later read). The file is taken in blocks of `blockBytes`.
  RecordReader(IFileSystem& fs, const QString& path, qint64 blockBytes = kBlockBytes);
  // The fields of data held whole in memory.
  static RecordReader fromBytes(QByteArray data);
  // The fields of data in memory taken in blocks of `blockBytes`, as a file of those bytes is
  // (so that the block reading can be checked without a file).
  static RecordReader inBlocks(QByteArray data, qint64 blockBytes);
  RecordReader(const RecordReader& other);
  RecordReader& operator=(const RecordReader& other);
  RecordReader(RecordReader&&) noexcept;
  RecordReader& operator=(RecordReader&&) noexcept;
  ~RecordReader();

  QString readText();
  // The next text field's UTF-8 bytes as written, valid until the next read; decodeText makes
  // them the text readText answers.
  QByteArrayView readTextBytes();
  static QString decodeText(QByteArrayView bytes);
  int16_t readInt16();
  int32_t readInt32();
  double readDouble();
  bool readBool();
  // The next line as it stands (up to CR LF, a lone LF or a lone CR), quotes not looked at.
  // Throws RecordError(PastEnd) when no character is left.
  QString readLine();
  // Passes over the next `count` lines (to the end of the data when it has fewer).
  void skipLines(int count);
  // True when no character is left to read.
  bool atEnd() const { return pos_ >= data_.size() && source_ == nullptr; }
  // Bytes in the file (callers bound counts read from the file by it), and bytes not yet read.
  qint64 size() const { return size_; }
  qint64 bytesLeft() const { return size_ - start_ - pos_; }

 private:
  struct Field {
    const char* begin;
    qsizetype length;
  };
  RecordReader() = default;
  // Opens what is read in blocks (the file, or the data in memory) at its first byte.
  Result<std::unique_ptr<IReadableFile>> openSource() const;
  // Opens the source and takes enough of it to tell whether it begins with a byte order mark.
  void start();
  void skipByteOrderMark();
  Field nextField();
  std::optional<Field> scanField();
  Field nextLine();
  void skipLineEnd(qsizetype at);
  double readNumber(double low, double high, bool round);
  // Whether a scan that stopped at `stop` (the end of a field or line) saw all it needs: not
  // when it ran to the end of the block, or ended on a CR whose LF may be in the next.
  bool scanComplete(qsizetype stop) const;
  // Drops the bytes before pos_ and appends the next block of the source; the source is closed
  // once it has been read to its end.
  void readBlock();

  QByteArray data_;  // the block being read, from file offset start_
  qsizetype pos_ = 0;
  qint64 start_ = 0;
  qint64 size_ = 0;
  qint64 blockBytes_ = kBlockBytes;
  QString path_;                           // the file read in blocks
  QByteArray memory_;                      // the data read in blocks instead (inBlocks)
  IFileSystem* fs_ = nullptr;              // what reads the file; none: blocks come from memory_
  std::unique_ptr<IReadableFile> source_;  // null once every byte is in data_
};

}  // namespace qvt
