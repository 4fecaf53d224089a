// Reads arbitrary bytes as a file of value lines: every line, every item of it and one past the
// last, then the same file again as raw lines. Nothing may crash, hang or read past the data,
// and every line must be read before the end of the file is reported.
#include <QFile>
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "platform/fakes/FakePlatform.h"
#include "shared/FileManager.h"

namespace {

qvt::FakePlatform& fakePlatform() {
  static qvt::FakePlatform platform;
  return platform;
}

void check(bool condition) {
  if (!condition)
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvt::FakePlatform& fake = fakePlatform();
  const QString path = fake.path("fuzz.qvs");
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
      return 0;
    file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
  }
  qvt::clsFileManager fm;
  check(fm.OpenFile(path, 1, true) == 0);
  while (fm.ReadNextLine()) {
    const qsizetype items = fm.currentLine().count(QLatin1Char(',')) + 1;
    check(fm.currentLine().size() <= static_cast<qsizetype>(size));
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
  check(qvt::FileNumbersInUse() == 0);
  fake.dialogs.shown.clear();
  return 0;
}
