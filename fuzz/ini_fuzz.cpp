// Arbitrary INI files: the input's first line is the section, its second line the key, the rest
// the file. Reads the key, writes it, and reads it again: a write either leaves the file as it
// was or makes the key read back as the value written; no copy is left behind.
#include <QFile>
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "shared/FileManager.h"

namespace {

using qvt::fuzz::check;

QByteArray readBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Takes the text up to the next LF off the front of `rest`.
QString takeLine(QByteArray& rest) {
  const qsizetype end = rest.indexOf('\n');
  const QByteArray line = end < 0 ? rest : rest.left(end);
  rest = end < 0 ? QByteArray() : rest.mid(end + 1);
  return QString::fromUtf8(line);
}

// A key that the written line "key=value" is found by again: not only spaces, and no "=" or
// line end in it.
bool plainKey(const QString& key) {
  return !QString(key).remove(QLatin1Char(' ')).isEmpty() && !key.contains(QLatin1Char('=')) &&
         !key.contains(QLatin1Char('\r')) && !key.contains(QLatin1Char('\n'));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  qvt::FakePlatform& fake = qvt::fuzz::platform();
  QByteArray rest(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
  const QString section = takeLine(rest);
  const QString key = takeLine(rest);
  const QString path = fake.path("fuzz.ini");
  {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
      return 0;
    file.write(rest);
  }
  qvt::clsFileManager fm(qvt::platform());
  const qvt::Variant before = fm.ReadINI(path, section, key);
  check(before.isString());
  fm.WriteINI(path, section, key, QStringLiteral("v"));
  check(!QFile::exists(path + QStringLiteral(".tmp")));
  const QByteArray after = readBytes(path);
  if (after != rest && plainKey(key)) {
    check(fm.ReadINI(path, section, key) == qvt::Variant("v"));
  }
  check(qvt::FileNumbersOf(qvt::platform()).InUse() == 0);
  fake.dialogs.shown.clear();
  return 0;
}
