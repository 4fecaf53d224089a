// Arbitrary bytes as a file in record notation, read both ways the notation is read. The first
// byte picks the order of the record reader's typed reads over the rest: every read ends in a
// value or a RecordError and consumes at least one character. The rest is then read as value
// lines: every line, every item of it and one past the last, then again as raw lines. Nothing
// may crash, hang or read past the data, and every line is read before the end is reported.
#include <QFile>
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "shared/FileManager.h"
#include "shared/RecordNotation.h"

namespace {

using qvt::fuzz::check;

void readOneField(qvt::RecordReader& reader, unsigned choice) {
  switch (choice % 7) {
    case 0:
      reader.readText();
      break;
    case 1:
      reader.readInt16();
      break;
    case 2:
      reader.readInt32();
      break;
    case 3:
      reader.readDouble();
      break;
    case 4:
      reader.readBool();
      break;
    case 5:
      reader.readLine();
      break;
    default:
      reader.skipLines(1);
      break;
  }
}

void readRecords(const QByteArray& bytes, unsigned seed) {
  qvt::RecordReader reader = qvt::RecordReader::fromBytes(bytes);
  for (unsigned i = 0; !reader.atEnd(); ++i) {
    check(i <= static_cast<unsigned>(bytes.size()));  // else a read consumed nothing
    try {
      readOneField(reader, seed + i * 7);
    } catch (const qvt::RecordError& error) {
      check(error.kind() != qvt::RecordError::PastEnd || reader.atEnd());
    }
  }
}

void readValueLines(const QString& path, qsizetype size) {
  qvt::clsFileManager fm(qvt::platform());
  check(fm.OpenFile(path, 1, true) == 0);
  while (fm.ReadNextLine()) {
    const qsizetype items = fm.currentLine().count(QLatin1Char(',')) + 1;
    check(fm.currentLine().size() <= size);
    for (qsizetype i = 0; i <= items && i < 32767; ++i) {
      const qvt::Variant item = fm.GetVarFromFile(static_cast<int16_t>(i), true);
      check(i < items || item.isEmpty());
      check(!item.isString() || item.toString().size() <= fm.currentLine().size());
    }
  }
  check(fm.isEOF());
  check(fm.dLineNumber() <= static_cast<double>(size));
  check(fm.CloseFile(true));

  check(fm.OpenFile(path, 1, true) == 0);
  while (!fm.isEOF())
    fm.ReadLine(true);
  check(fm.CloseFile(true));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0)
    return 0;
  const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<qsizetype>(size - 1));
  readRecords(bytes, data[0]);

  qvt::FakePlatform& fake = qvt::fuzz::platform();
  const QString path = fake.path("fuzz.qvs");
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
      return 0;
    file.write(bytes);
  }
  readValueLines(path, bytes.size());
  check(qvt::FileNumbersOf(qvt::platform()).InUse() == 0);
  fake.dialogs.shown.clear();
  return 0;
}
