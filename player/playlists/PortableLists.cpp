#include "player/playlists/PortableLists.h"

#include <QDir>
#include <QStringDecoder>
#include <array>

namespace qvt {

namespace {

// Windows-1252 from 0x80 to 0x9F; the five bytes it leaves undefined keep their Latin-1 value,
// as Windows itself reads them.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

QString FromWindows1252(const QByteArray& bytes) {
  QString text(bytes.size(), Qt::Uninitialized);
  QChar* out = text.data();
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    *out++ = byte >= 0x80 && byte <= 0x9F ? QChar(kCp1252High[byte - 0x80]) : QLatin1Char(c);
  }
  return text;
}

bool StartsWithDriveLetter(const QString& sPath) {
  return sPath.size() >= 2 && sPath[1] == u':' && sPath[0].unicode() < 0x80 && sPath[0].isLetter();
}

}  // namespace

QString DecodeListText(const QByteArray& bytes) {
  // Stateless: bytes that end in the middle of a UTF-8 sequence are an error, not a sequence
  // kept back for data that never comes.
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8.decode(bytes);
  if (!utf8.hasError())
    return text;
  return FromWindows1252(bytes);
}

std::optional<QString> EntryPath(const QString& sEntry) {
  if (sEntry.startsWith(QLatin1String("\\\\")) || StartsWithDriveLetter(sEntry))
    return std::nullopt;
  QString sPath = sEntry;
  sPath.replace(u'\\', u'/');
  return sPath;
}

QString PathFromListFolder(const QString& sPath, const QString& sListFolder) {
  const QString relative = QDir(sListFolder).relativeFilePath(sPath);
  // A ":" in the first folder or file name could read as a drive ("c:a.mp3") or a URL's scheme
  // ("http:/a.mp3"); a "#" or a blank at the start as a comment or as nothing.
  const QStringView first = QStringView(relative).left(relative.indexOf(u'/'));
  const bool bAmbiguous = first.contains(u':') || relative.startsWith(u'#') ||
                          (!relative.isEmpty() && relative.front().isSpace());
  return bAmbiguous ? QStringLiteral("./") + relative : relative;
}

}  // namespace qvt
