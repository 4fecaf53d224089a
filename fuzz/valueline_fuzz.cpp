// Arbitrary bytes as a file of value lines, read through the file manager. The first byte picks
// the size of the blocks the file is taken in; the rest is the data. The items of the first lines
// are read (the first ones, the last ones and one past the last); all lines again as raw lines,
// taken in blocks, are the same lines. Nothing may crash, hang or read past the data, and the
// file's number is given back.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "shared/FileManager.h"

namespace {

using qvt::fuzz::check;

constexpr qsizetype kMostLinesItemized = 16;

// The lines of the data as value lines, the items of the first ones read.
QStringList readValueLines(const QByteArray& bytes) {
  qvt::clsFileManager fm(qvt::platform());
  QStringList lines;
  check(fm.OpenData(bytes, std::max<qsizetype>(bytes.size(), 1)) == 0);  // in one block
  while (fm.ReadNextLine()) {
    lines << fm.currentLine();
    check(fm.currentLine().size() <= bytes.size());
    const qsizetype items = fm.currentLine().count(QLatin1Char(',')) + 1;
    for (qsizetype i = 0; i <= items && i < 32767 && lines.size() <= kMostLinesItemized;
         i = i == 32 ? std::max(i + 1, items - 2) : i + 1) {
      const qvt::Variant item = fm.GetVarFromFile(static_cast<int16_t>(i), true);
      check(i < items || item.isEmpty());
      check(!item.isString() || item.toString().size() <= fm.currentLine().size());
    }
  }
  check(fm.isEOF());
  check(fm.dLineNumber() <= static_cast<double>(bytes.size()));
  check(fm.CloseFile(true));
  return lines;
}

// The lines of the data as raw lines, taken in blocks of `block`.
QStringList readRawLines(const QByteArray& bytes, qsizetype block) {
  qvt::clsFileManager fm(qvt::platform());
  check(fm.OpenData(bytes, block) == 0);
  QStringList lines;
  while (!fm.isEOF())
    lines << fm.ReadLine(true);
  check(fm.CloseFile(true));
  return lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0)
    return 0;
  qvt::fuzz::platform();
  const QByteArray bytes = qvt::fuzz::bytesOf(data + 1, size - 1);
  check(readRawLines(bytes, qvt::fuzz::blockSize(data[0], bytes.size())) == readValueLines(bytes));
  check(qvt::FileNumbersOf(qvt::platform()).InUse() == 0);
  return 0;
}
