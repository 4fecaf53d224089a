// Arbitrary INI files: the input's first line is the section, its second line the key, the rest
// the file. The key's value is read from the file in one block and in small ones alike; it is one
// piece of one line: no line end, no "=" and no spaces at its ends.
#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "shared/FileManager.h"

namespace {

using qvt::fuzz::check;

// Takes the text up to the next LF off the front of `rest`.
QString takeLine(QByteArray& rest) {
  const qsizetype end = rest.indexOf('\n');
  const QByteArray line = end < 0 ? rest : rest.left(end);
  rest = end < 0 ? QByteArray() : rest.mid(end + 1);
  return QString::fromUtf8(line);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvt::fuzz::platform();
  QByteArray rest = qvt::fuzz::bytesOf(data, size);
  const QString section = takeLine(rest);
  const QString key = takeLine(rest);
  qvt::clsFileManager fm(qvt::platform());
  const QString value = fm.ReadINIData(rest, section, key, std::max<qsizetype>(rest.size(), 1));
  check(fm.ReadINIData(rest, section, key,
                       qvt::fuzz::blockSize(static_cast<unsigned>(size), rest.size())) == value);
  check(!value.contains(QLatin1Char('=')) && !value.contains(QLatin1Char('\r')) &&
        !value.contains(QLatin1Char('\n')));
  check(!value.startsWith(QLatin1Char(' ')) && !value.endsWith(QLatin1Char(' ')));
  check(qvt::FileNumbersOf(qvt::platform()).InUse() == 0);
  return 0;
}
