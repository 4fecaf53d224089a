#include "shared/RecordNotation.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

#include "shared/Services.h"

namespace qvt {

namespace {

// The writer hands its buffer to the file in blocks of about this size.
constexpr qsizetype kWriteChunk = qsizetype{256} * 1024;

bool IsBlank(char c) {
  return c == ' ' || c == '\t';
}
bool IsLineEnd(char c) {
  return c == '\r' || c == '\n';
}
bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

RecordError::RecordError(Kind kind, const QString& description)
    : std::runtime_error(description.toStdString()), kind_(kind), description_(description) {}

// ---------------------------------------------------------------------------------------------
// Number conversion

namespace {

// Checks the decimal form [+-] digits [. digits] [e [+-] digits] (at least one mantissa digit)
// and estimates the power of ten of the first significant digit, so that a value beyond the
// range of a double can be told from one too small to matter.
bool CheckDecimal(const char* s, qsizetype n, long* magnitude) {
  qsizetype i = (n > 0 && (s[0] == '+' || s[0] == '-')) ? 1 : 0;
  long intDigits = 0, leadingFractionZeros = 0, digits = 0;
  bool significant = false;
  for (; i < n && IsDigit(s[i]); ++i, ++digits) {
    significant = significant || s[i] != '0';
    if (significant)
      ++intDigits;
  }
  if (i < n && s[i] == '.') {
    for (++i; i < n && IsDigit(s[i]); ++i, ++digits) {
      significant = significant || s[i] != '0';
      if (!significant)
        ++leadingFractionZeros;
    }
  }
  if (digits == 0)
    return false;
  long exponent = 0;
  if (i < n && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    const bool negative = i < n && s[i] == '-';
    if (i < n && (s[i] == '+' || s[i] == '-'))
      ++i;
    if (i >= n || !IsDigit(s[i]))
      return false;
    for (; i < n && IsDigit(s[i]); ++i)
      exponent = std::min(exponent * 10 + (s[i] - '0'), 100000L);
    if (negative)
      exponent = -exponent;
  }
  *magnitude = (intDigits > 0 ? intDigits : -leadingFractionZeros) + exponent;
  return i == n;
}

[[noreturn]] void ThrowBadValue() {
  throw RecordError(RecordError::BadValue, QStringLiteral("Type mismatch"));
}

[[noreturn]] void ThrowOverflow() {
  throw RecordError(RecordError::Overflow, QStringLiteral("Overflow"));
}

}  // namespace

RecordNumber ParseRecordNumber(QByteArrayView text, double& value) {
  const char* s = text.data();
  qsizetype n = text.size();
  while (n > 0 && IsBlank(s[0])) {
    ++s;
    --n;
  }
  while (n > 0 && IsBlank(s[n - 1]))
    --n;
  long magnitude = 0;
  if (!CheckDecimal(s, n, &magnitude))
    return RecordNumber::Bad;
  const bool negative = s[0] == '-';
  const char* start = (s[0] == '+') ? s + 1 : s;  // from_chars takes no "+"
  const auto result = std::from_chars(start, s + n, value);
  if (result.ec == std::errc::result_out_of_range) {
    if (magnitude > 0)
      return RecordNumber::TooBig;
    value = negative ? -0.0 : 0.0;
    return RecordNumber::TooSmall;
  }
  if (result.ec != std::errc() || result.ptr != s + n)
    return RecordNumber::Bad;
  return RecordNumber::Ok;
}

// ---------------------------------------------------------------------------------------------
// Reader

namespace {

[[noreturn]] void ThrowReadFailed(const QString& path, const QString& why) {
  throw RecordError(RecordError::ReadFailed, QStringLiteral("Cannot read %1: %2").arg(path, why));
}

// Data in memory, read as a file of those bytes is.
class MemoryFile : public IReadableFile {
 public:
  explicit MemoryFile(QByteArray data) : data_(std::move(data)) {}
  qint64 size() override { return data_.size(); }
  Result<qint64> read(char* into, qint64 maxBytes) override {
    const qint64 got = std::clamp<qint64>(data_.size() - position_, 0, maxBytes);
    std::memcpy(into, data_.constData() + position_, static_cast<size_t>(got));
    position_ += got;
    return got;
  }
  Result<void> seek(qint64 offset) override {
    position_ = offset;
    return {};
  }

 private:
  const QByteArray data_;
  qint64 position_ = 0;
};

}  // namespace

RecordReader::RecordReader(IFileSystem& fs, const QString& path, qint64 blockBytes)
    : blockBytes_(std::max<qint64>(blockBytes, 1)), path_(path), fs_(&fs) {
  start();
}

RecordReader RecordReader::inBlocks(QByteArray data, qint64 blockBytes) {
  RecordReader reader;
  reader.blockBytes_ = std::max<qint64>(blockBytes, 1);
  reader.memory_ = std::move(data);
  reader.start();
  return reader;
}

Result<std::unique_ptr<IReadableFile>> RecordReader::openSource() const {
  if (fs_ == nullptr)
    return std::unique_ptr<IReadableFile>(std::make_unique<MemoryFile>(memory_));
  return fs_->openToRead(path_);
}

void RecordReader::start() {
  Result<std::unique_ptr<IReadableFile>> opened = openSource();
  if (!opened) {
    if (fs_ != nullptr && !fs_->attributes(path_)) {
      throw RecordError(RecordError::FileNotFound, QStringLiteral("File not found: ") + path_);
    }
    ThrowReadFailed(path_, opened.error());
  }
  source_ = std::move(opened).value();
  size_ = source_->size();
  // Enough of the file to tell whether it begins with a byte order mark.
  do {
    readBlock();
  } while (data_.size() < 3 && source_ != nullptr);
  skipByteOrderMark();
}

RecordReader::RecordReader(const RecordReader& other)
    : data_(other.data_),
      pos_(other.pos_),
      start_(other.start_),
      size_(other.size_),
      blockBytes_(other.blockBytes_),
      path_(other.path_),
      memory_(other.memory_),
      fs_(other.fs_) {
  if (other.source_ == nullptr)
    return;
  Result<std::unique_ptr<IReadableFile>> opened = openSource();
  if (!opened)
    ThrowReadFailed(path_, opened.error());
  source_ = std::move(opened).value();
  if (const Result<void> moved = source_->seek(start_ + data_.size()); !moved)
    ThrowReadFailed(path_, moved.error());
}

RecordReader& RecordReader::operator=(const RecordReader& other) {
  if (this != &other)
    *this = RecordReader(other);
  return *this;
}

RecordReader::RecordReader(RecordReader&&) noexcept = default;
RecordReader& RecordReader::operator=(RecordReader&&) noexcept = default;
RecordReader::~RecordReader() = default;

void RecordReader::readBlock() {
  if (source_ == nullptr)
    return;
  // The unread rest moves to the front of the same buffer: removing the read part from the
  // front would leave it free there, and the buffer would grow to several blocks.
  const qsizetype kept = data_.size() - pos_;
  if (pos_ > 0 && kept > 0) {
    char* d = data_.data();
    std::memmove(d, d + pos_, static_cast<std::size_t>(kept));
  }
  data_.resize(kept);
  start_ += pos_;
  pos_ = 0;
  const qint64 wanted = std::min(blockBytes_, size_ - start_ - kept);
  qint64 got = 0;
  if (wanted > 0) {
    data_.resize(kept + wanted);
    const Result<qint64> read = source_->read(data_.data() + kept, wanted);
    if (!read)
      ThrowReadFailed(path_, read.error());
    got = *read;
    data_.resize(kept + got);
  }
  if (got == 0 || start_ + data_.size() >= size_) {
    size_ = start_ + data_.size();
    source_.reset();
  }
}

bool RecordReader::scanComplete(qsizetype stop) const {
  if (source_ == nullptr)
    return true;
  return stop < data_.size() && !(data_.at(stop) == '\r' && stop + 1 >= data_.size());
}

RecordReader RecordReader::fromBytes(QByteArray data) {
  RecordReader reader;
  reader.size_ = data.size();
  reader.data_ = std::move(data);
  reader.skipByteOrderMark();
  return reader;
}

void RecordReader::skipByteOrderMark() {
  if (data_.startsWith("\xEF\xBB\xBF"))
    pos_ = 3;
}

// Consumes the line end that starts at `at` (CR LF counts as one).
void RecordReader::skipLineEnd(qsizetype at) {
  const char* d = data_.constData();
  pos_ = at + 1;
  if (d[at] == '\r' && pos_ < data_.size() && d[pos_] == '\n')
    ++pos_;
}

RecordReader::Field RecordReader::nextField() {
  for (;;) {
    const qsizetype from = pos_;
    if (from >= data_.size() && source_ != nullptr) {
      readBlock();
      continue;
    }
    const std::optional<Field> field = scanField();
    if (field)
      return *field;
    pos_ = from;
    readBlock();
  }
}

// The next field when the block holds all of it (nullopt when not; pos_ is then past it).
std::optional<RecordReader::Field> RecordReader::scanField() {
  const char* d = data_.constData();
  const qsizetype n = data_.size();
  if (pos_ >= n) {
    throw RecordError(RecordError::PastEnd, QStringLiteral("Input past end of file"));
  }
  while (pos_ < n && IsBlank(d[pos_]))
    ++pos_;
  const bool quoted = pos_ < n && d[pos_] == '"';
  const qsizetype begin = quoted ? pos_ + 1 : pos_;
  qsizetype end = begin;
  if (quoted) {
    const void* close = std::memchr(d + begin, '"', static_cast<size_t>(n - begin));
    end = close != nullptr ? static_cast<const char*>(close) - d : n;
    pos_ = std::min(end + 1, n);
  }
  qsizetype stop = quoted ? pos_ : begin;
  while (stop < n && d[stop] != ',' && !IsLineEnd(d[stop]))
    ++stop;
  if (!quoted) {
    end = stop;
    while (end > begin && IsBlank(d[end - 1]))
      --end;
  }
  if (!scanComplete(stop))
    return std::nullopt;
  if (stop >= n) {
    pos_ = n;
  } else if (d[stop] == ',') {
    pos_ = stop + 1;
  } else {
    skipLineEnd(stop);
  }
  return Field{d + begin, end - begin};
}

RecordReader::Field RecordReader::nextLine() {
  while (pos_ >= data_.size() && source_ != nullptr)
    readBlock();
  if (pos_ >= data_.size())
    throw RecordError(RecordError::PastEnd, QStringLiteral("Input past end of file"));
  qsizetype stop = pos_;
  for (;;) {
    while (stop < data_.size() && !IsLineEnd(data_.at(stop)))
      ++stop;
    if (scanComplete(stop))
      break;
    stop -= pos_;  // the line keeps its start, which moves to the front of the block
    readBlock();
  }
  const char* d = data_.constData();
  const qsizetype n = data_.size();
  const qsizetype begin = pos_;
  if (stop >= n)
    pos_ = n;
  else
    skipLineEnd(stop);
  return {d + begin, stop - begin};
}

QString RecordReader::readLine() {
  const Field line = nextLine();
  return QString::fromUtf8(line.begin, line.length);
}

void RecordReader::skipLines(int count) {
  for (int n = 0; n < count && !atEnd(); ++n)
    nextLine();
}

QString RecordReader::readText() {
  return decodeText(readTextBytes());
}

QByteArrayView RecordReader::readTextBytes() {
  const Field field = nextField();
  return {field.begin, field.length};
}

QString RecordReader::decodeText(QByteArrayView bytes) {
  // A byte order mark at the start of a field is text (U+FEFF), as written; fromUtf8 would drop
  // it, and a text beginning with one would not read back whole.
  QStringDecoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless |
                                                  QStringConverter::Flag::ConvertInitialBom);
  return utf8.decode(bytes);
}

double RecordReader::readNumber(double low, double high, bool round) {
  const Field field = nextField();
  double value = 0;
  switch (ParseRecordNumber(QByteArrayView(field.begin, field.length), value)) {
    case RecordNumber::Bad:
      ThrowBadValue();
    case RecordNumber::TooBig:
      ThrowOverflow();
    case RecordNumber::TooSmall:  // below the smallest double: as good as zero
    case RecordNumber::Ok:
      break;
  }
  if (round)
    value = RoundHalfEven(value);
  if (value < low || value > high)
    ThrowOverflow();
  return value;
}

int16_t RecordReader::readInt16() {
  return static_cast<int16_t>(readNumber(-32768, 32767, true));
}

int32_t RecordReader::readInt32() {
  return static_cast<int32_t>(readNumber(-2147483648.0, 2147483647.0, true));
}

double RecordReader::readDouble() {
  const double most = std::numeric_limits<double>::max();
  return readNumber(-most, most, false);
}

bool RecordReader::readBool() {
  const qint64 start = start_ + pos_;
  const Field field = nextField();
  const QByteArray text = QByteArray(field.begin, field.length).trimmed().toUpper();
  if (text == "#TRUE#")
    return true;
  if (text == "#FALSE#")
    return false;
  // Read the same field again as a number: non-zero is true. It is still in the block, which
  // only ever drops what lies before the field being read.
  pos_ = static_cast<qsizetype>(start - start_);
  const double most = std::numeric_limits<double>::max();
  return readNumber(-most, most, false) != 0;
}

// ---------------------------------------------------------------------------------------------
// Value lines

ValueLine::ValueLine(QString text) : text_(std::move(text)) {}

const std::vector<qsizetype>& ValueLine::itemStarts() const {
  if (itemStarts_.empty()) {
    itemStarts_.reserve(static_cast<size_t>(text_.count(QLatin1Char(','))) + 1);
    itemStarts_.push_back(0);
    for (qsizetype i = 0; i < text_.size(); ++i) {
      if (text_[i] == QLatin1Char(','))
        itemStarts_.push_back(i + 1);
    }
  }
  return itemStarts_;
}

qsizetype ValueLine::itemCount() const {
  return static_cast<qsizetype>(itemStarts().size());
}

Variant ValueLine::item(qsizetype index) const {
  const std::vector<qsizetype>& starts = itemStarts();
  if (index < 0 || index >= itemCount())
    throw RecordError(RecordError::PastEnd, QStringLiteral("Subscript out of range"));
  const auto i = static_cast<size_t>(index);
  const qsizetype end = i + 1 < starts.size() ? starts[i + 1] - 1 : text_.size();
  const QStringView text = QStringView(text_).mid(starts[i], end - starts[i]);
  // Only ASCII text can be a number; anything else is not even looked at as one.
  const bool ascii =
      std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; });
  double number = 0;
  if (ascii && ParseRecordNumber(text.toLatin1(), number) == RecordNumber::Ok)
    return number;
  if (text.startsWith(QLatin1Char('"')) && text.endsWith(QLatin1Char('"'))) {
    // A lone quote is both the first and the last character: there is no text between.
    if (text.size() < 2)
      throw RecordError(RecordError::BadValue,
                        QStringLiteral("Invalid procedure call or argument"));
    return text.mid(1, text.size() - 2).toString();
  }
  return text.toString();
}

// ---------------------------------------------------------------------------------------------
// Writer

namespace {

void AppendQuoted(QByteArray& out, const QString& text, QStringEncoder& utf8) {
  const qsizetype start = out.size();
  out.resize(start + utf8.requiredSpace(text.size()) + 2);
  char* end = out.data() + start;
  *end++ = '"';
  end = utf8.appendToBuffer(end, text);
  *end++ = '"';
  out.resize(end - out.constData());
}

}  // namespace

void AppendRecordValue(QByteArray& out, const RecordValue& value, QStringEncoder& utf8) {
  if (value.isString()) {
    AppendQuoted(out, value.toString(), utf8);
  } else if (value.isBool()) {
    out.append(value.toBool() ? "#TRUE#" : "#FALSE#");
  } else if (value.isNumber()) {
    out.append(FormatNumber(value.numberValue()).toLatin1());
  } else if (value.isBytes()) {
    out.append('"').append(value.toBytes()).append('"');
  }
  // Empty: an empty field.
}

RecordWriter::RecordWriter(IFileSystem& fs, const QString& path) : file_(fs, path) {
  check(file_.open());
  buffer_.reserve(kWriteChunk + 4096);
}

RecordWriter::~RecordWriter() = default;

bool RecordWriter::canStoreText(const QString& text) {
  return !text.contains(QLatin1Char('"'));
}

void RecordWriter::write(std::initializer_list<RecordValue> values) {
  requireOpen();
  bool first = true;
  for (const RecordValue& value : values) {
    if (!first)
      buffer_.append(',');
    first = false;
    appendValue(value);
  }
  endRecord();
}

void RecordWriter::writeText(const QString& text) {
  requireOpen();
  AppendQuoted(buffer_, text, utf8_);
  endRecord();
}

void RecordWriter::writePathName(const QString& path, const QString& name) {
  requireOpen();
  AppendQuoted(buffer_, path, utf8_);
  buffer_.append(',');
  AppendQuoted(buffer_, name, utf8_);
  endRecord();
}

void RecordWriter::appendValue(const RecordValue& value) {
  if (value.isNumber() && !std::isfinite(value.numberValue())) {
    file_.discard();
    throw RecordError(RecordError::WriteFailed,
                      QStringLiteral("Cannot write %1: the number is not finite").arg(target()));
  }
  AppendRecordValue(buffer_, value, utf8_);
}

void RecordWriter::endRecord() {
  buffer_.append("\r\n", 2);
  if (buffer_.size() >= kWriteChunk)
    flushBuffer();
}

void RecordWriter::flushBuffer() {
  check(file_.write(buffer_));
  buffer_.resize(0);
}

void RecordWriter::commit() {
  requireOpen();
  flushBuffer();
  check(file_.commit());
}

void RecordWriter::requireOpen() const {
  if (!file_.isOpen()) {
    throw RecordError(RecordError::WriteFailed,
                      QStringLiteral("Cannot write %1: the file is already closed").arg(target()));
  }
}

void RecordWriter::check(const Result<void>& step) {
  if (step)
    return;
  buffer_.resize(0);
  throw RecordError(RecordError::WriteFailed, step.error());
}

}  // namespace qvt
