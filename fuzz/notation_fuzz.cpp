// Arbitrary bytes in record notation, read field by field as the files of records are. The first
// byte seeds the choice of the typed reads and the size of the blocks a file is taken in; the
// rest is the data.
//
// The reads are mostly those a reader of the format would make there (a number where a field
// begins like one, a text elsewhere), now and then any read. Every read ends in a value or a
// RecordError and takes at least one byte; the data read whole and read in blocks (a copy going
// on from the middle) give the same answers; every text and number read, written again, reads
// back the same.
//
// Every failed read is a thrown exception, which costs microseconds under the sanitizers: reads
// that fail are what the checks are for, but a run of them would slow every input down.
#include <QStringEncoder>
#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <random>
#include <vector>

#include "fuzz/FuzzSupport.h"
#include "shared/RecordNotation.h"

namespace {

using qvt::RecordError;
using qvt::RecordReader;
using qvt::fuzz::check;

enum Read { Text, Int16, Int32, Double, Bool, Line, Skip, kReads };

constexpr std::size_t kMostReads = 64;

// The read to make at byte `at` of the data.
Read pick(const QByteArray& bytes, qsizetype at, std::minstd_rand& order) {
  const unsigned r = static_cast<unsigned>(order());
  if (r % 8 == 0)
    return static_cast<Read>(r / 8 % kReads);
  while (at < bytes.size() && (bytes[at] == ' ' || bytes[at] == '\t'))
    ++at;
  const char c = at < bytes.size() ? bytes[at] : '\0';
  if ((c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.')
    return std::array{Int16, Int32, Double, Bool}[r / 8 % 4];
  if (c == '#')
    return Bool;
  return std::array{Text, Text, Line, Skip}[r / 8 % 4];
}

// What one read answered: a value as text, or the kind of its failure.
struct Answer {
  int failure = -1;
  QString value;
  bool operator==(const Answer&) const = default;
};

// One read; a text or number read is kept in `values`.
QString readOne(RecordReader& reader, Read read, std::vector<qvt::Variant>& values) {
  switch (read) {
    case Text:
      values.emplace_back(reader.readText());
      return values.back().toString();
    case Int16:
      return QString::number(reader.readInt16());
    case Int32:
      return QString::number(reader.readInt32());
    case Double:
      values.emplace_back(reader.readDouble());
      return qvt::FormatNumber(values.back().numberValue());
    case Bool:
      return reader.readBool() ? QStringLiteral("true") : QStringLiteral("false");
    case Line:
      return reader.readLine();
    default:
      reader.skipLines(1);
      return QString();
  }
}

struct Records {
  std::vector<Read> reads;
  std::vector<Answer> answers;
  std::vector<qvt::Variant> values;
};

// Makes the reads of `out` (or, when it has none, picks them) until the end, the reader replaced
// by a copy of itself before read number `copyAt`.
void readRecords(RecordReader reader, const QByteArray& bytes, unsigned seed, std::size_t copyAt,
                 Records& out) {
  const bool bPick = out.reads.empty();
  std::minstd_rand order(seed + 1);
  for (std::size_t i = 0; !reader.atEnd() && i < (bPick ? kMostReads : out.reads.size()); ++i) {
    const qint64 left = reader.bytesLeft();
    if (i == copyAt)
      reader = RecordReader(reader);
    if (bPick)
      out.reads.push_back(pick(bytes, static_cast<qsizetype>(bytes.size() - left), order));
    try {
      out.answers.push_back({-1, readOne(reader, out.reads[i], out.values)});
    } catch (const RecordError& error) {
      check(error.kind() != RecordError::PastEnd || reader.atEnd());
      out.answers.push_back({error.kind(), QString()});
    }
    check(reader.bytesLeft() < left);  // every read takes at least one byte
  }
}

// The texts and numbers written again, one a record, read back the same.
void checkRoundTrip(const std::vector<qvt::Variant>& values) {
  QByteArray written;
  QStringEncoder utf8(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
  std::vector<qvt::Variant> kept;
  for (const qvt::Variant& value : values) {
    if (value.isString() && !qvt::RecordWriter::canStoreText(value.toString()))
      continue;
    qvt::AppendRecordValue(written, value, utf8);
    written += "\r\n";
    kept.push_back(value);
  }
  RecordReader reader = RecordReader::fromBytes(written);
  for (const qvt::Variant& value : kept) {
    if (value.isString())
      check(reader.readText() == value.toString());
    else
      check(reader.readDouble() == value.numberValue());
  }
  check(reader.atEnd());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0)
    return 0;
  const unsigned seed = data[0];
  const QByteArray bytes = qvt::fuzz::bytesOf(data + 1, size - 1);
  const qsizetype block = qvt::fuzz::blockSize(seed, bytes.size());

  Records whole;
  readRecords(RecordReader::fromBytes(bytes), bytes, seed, SIZE_MAX, whole);
  Records inBlocks;
  inBlocks.reads = whole.reads;
  readRecords(RecordReader::inBlocks(bytes, block), bytes, seed, whole.reads.size() / 2, inBlocks);
  check(inBlocks.answers == whole.answers);
  checkRoundTrip(whole.values);
  return 0;
}
