#include "player/playlists/ForeignList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QUrl>
#include <QXmlStreamReader>
#include <cmath>
#include <cstdio>
#include <map>

#include "player/playlists/PortableLists.h"
#include "shared/AtomicFile.h"
#include "shared/RecordNotation.h"

namespace qvt {

namespace {

// A list larger than this is no play list; it is not read into memory.
constexpr qint64 kMaxListBytes = qint64{64} * 1024 * 1024;
// The longest path Linux accepts, in bytes.
constexpr qsizetype kMaxPathBytes = 4096;

enum class Format { M3u, M3u8, Pls, Xspf, None };

// Asked of every file an Add All takes: compared in place, nothing allocated.
Format FormatOf(const QString& sName) {
  const auto endsWith = [&sName](QLatin1String suffix) {
    return sName.endsWith(suffix, Qt::CaseInsensitive);
  };
  if (endsWith(QLatin1String(".m3u")))
    return Format::M3u;
  if (endsWith(QLatin1String(".m3u8")))
    return Format::M3u8;
  if (endsWith(QLatin1String(".pls")))
    return Format::Pls;
  if (endsWith(QLatin1String(".xspf")))
    return Format::Xspf;
  return Format::None;
}

bool HasControlCharacter(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F)
      return true;
  }
  return false;
}

// A title as a .qvl record can hold it: one line, no double quote.
QString CleanTitle(QString title) {
  for (QChar& c : title) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F)
      c = u' ';
    else if (c == u'"')
      c = u'\'';
  }
  return title.trimmed();
}

// The local path an entry's location names, resolved against the list's folder sFolder and
// made clean; "" for a location that names no local file or a path a .qvl record cannot hold.
// sLocation: a path, or a URL when bUri (as XSPF gives it).
QString LocalPathOf(const QString& sLocation, bool bUri, const QString& sFolder) {
  static const QRegularExpression scheme(QStringLiteral("^[A-Za-z][A-Za-z0-9+.-]+:/"));
  QString sPath;
  if (scheme.match(sLocation).hasMatch()) {
    const QUrl url(sLocation);
    if (!url.isValid() || !url.isLocalFile() || !url.host().isEmpty())
      return QString();
    sPath = url.toLocalFile();
  } else if (bUri) {
    sPath = QUrl::fromPercentEncoding(sLocation.toUtf8());
  } else {
    sPath = EntryPath(sLocation).value_or(QString());
  }
  if (sPath.isEmpty() || sPath.contains(QChar(0)) || sPath.contains(u'"') ||
      sPath.toUtf8().size() > kMaxPathBytes)
    return QString();
  // Joined by hand: QDir would take a name that begins with ":" for a Qt resource.
  if (!sPath.startsWith(u'/'))
    sPath = sFolder + u'/' + sPath;
  return QDir::cleanPath(sPath);
}

// Collects the entries of one list, resolving each against the list's folder, until the
// observer asks to stop.
class EntrySink {
 public:
  EntrySink(ForeignList& list, const QString& sFolder,
            const std::function<bool(const ListEntry&)>& onEntry)
      : list_(list), folder_(sFolder), onEntry_(onEntry) {}

  // sLocation: a path, or a URL when bUri (as XSPF gives it).
  void Add(const QString& sLocation, const QString& sTitle, bool bUri) {
    const QString trimmed = sLocation.trimmed();
    if (trimmed.isEmpty() || bStopped_)
      return;  // an entry without a path, or one after the stop: nothing to add
    const QString sPath = LocalPathOf(trimmed, bUri, folder_);
    if (sPath.isEmpty()) {
      ++list_.dblSkipped;
      return;
    }
    const QString sName = CleanTitle(sTitle);
    list_.entries.push_back({sPath, sName.isEmpty() ? QFileInfo(sPath).fileName() : sName});
    bStopped_ = onEntry_ && !onEntry_(list_.entries.back());
  }
  // Whether the observer asked to stop: the reading ends, the list incomplete.
  bool stopped() const { return bStopped_; }

 private:
  ForeignList& list_;
  QString folder_;
  const std::function<bool(const ListEntry&)>& onEntry_;
  bool bStopped_ = false;
};

QList<QStringView> Lines(const QString& text) {
  QList<QStringView> lines;
  for (QStringView line : QStringView(text).split(u'\n')) {
    if (line.endsWith(u'\r'))
      line.chop(1);
    lines.append(line);
  }
  return lines;
}

QString WithoutByteOrderMark(QString text) {
  if (text.startsWith(QChar(0xFEFF)))
    text.remove(0, 1);
  return text;
}

void ReadM3u(const QString& text, EntrySink& sink) {
  QString sTitle;
  for (QStringView line : Lines(text)) {
    if (sink.stopped())
      return;
    line = line.trimmed();
    if (line.startsWith(QLatin1String("#EXTINF:"), Qt::CaseInsensitive)) {
      const qsizetype comma = line.indexOf(u',');
      sTitle = comma < 0 ? QString() : line.mid(comma + 1).toString();
    } else if (!line.isEmpty() && !line.startsWith(u'#')) {
      sink.Add(line.toString(), sTitle, false);
      sTitle.clear();
    }
  }
}

// False when the text is no [playlist] section.
bool ReadPls(const QString& text, EntrySink& sink) {
  std::map<qulonglong, std::pair<QString, QString>> byNumber;  // N -> file, title
  bool bHeader = false;
  for (QStringView line : Lines(text)) {
    line = line.trimmed();
    if (line.isEmpty() || line.startsWith(u';'))
      continue;
    if (!bHeader) {
      if (line.compare(QLatin1String("[playlist]"), Qt::CaseInsensitive) != 0)
        return false;
      bHeader = true;
      continue;
    }
    const qsizetype eq = line.indexOf(u'=');
    const QStringView key = eq < 0 ? line : line.left(eq).trimmed();
    const bool bFile = key.startsWith(QLatin1String("File"), Qt::CaseInsensitive);
    const bool bTitle = key.startsWith(QLatin1String("Title"), Qt::CaseInsensitive);
    bool ok = false;
    const qulonglong n = key.mid(bFile ? 4 : 5).toULongLong(&ok);
    if (eq < 0 || !ok || !(bFile || bTitle))
      continue;  // NumberOfEntries, Length, Version and whatever else
    auto& entry = byNumber[n];
    (bFile ? entry.first : entry.second) = line.mid(eq + 1).trimmed().toString();
  }
  for (const auto& [n, entry] : byNumber) {
    if (sink.stopped())
      break;
    sink.Add(entry.first, entry.second, false);
  }
  return bHeader;
}

// False when the XML is not well formed; the tracks before the fault are kept.
bool ReadXspf(const QByteArray& bytes, EntrySink& sink) {
  QXmlStreamReader xml(bytes);
  QString sLocation, sTitle;
  bool bInTrack = false;
  while (!sink.stopped() && xml.readNext() != QXmlStreamReader::Invalid && !xml.atEnd()) {
    const QStringView name = xml.name();
    if (xml.isStartElement() && name == u"track") {
      bInTrack = true;
      sLocation.clear();
      sTitle.clear();
    } else if (xml.isStartElement() && bInTrack && name == u"location" && sLocation.isEmpty()) {
      sLocation = xml.readElementText(QXmlStreamReader::SkipChildElements);
    } else if (xml.isStartElement() && bInTrack && name == u"title") {
      sTitle = xml.readElementText(QXmlStreamReader::SkipChildElements);
    } else if (xml.isEndElement() && name == u"track") {
      bInTrack = false;
      sink.Add(sLocation, sTitle, true);
    }
  }
  return !xml.hasError();
}

// Whether the text, written as one line of an M3U8 list in sFolder, is read back by ReadM3u
// and EntrySink as sPath.
bool ReadsBackAs(const QByteArray& line, const QString& sPath, const QString& sFolder) {
  const QString text = QString::fromUtf8(line);
  const QList<QStringView> lines = Lines(text);
  if (lines.size() != 1)
    return false;
  const QStringView entry = lines.front().trimmed();
  return !entry.isEmpty() && !entry.startsWith(u'#') &&
         LocalPathOf(entry.toString(), false, sFolder) == sPath;
}

// Whether other players could read the line otherwise: a break of line, blanks that a reader
// trims, a comment, or a backslash that a reader may take for a folder separator.
bool IsAmbiguousLine(const QString& line) {
  return HasControlCharacter(line) || line != line.trimmed() || line.startsWith(u'#') ||
         line.contains(u'\\');
}

// The path with its control characters and line separators shown as \uNNNN: a reason stays
// on one line and sends nothing to a terminal.
QString Printable(const QString& sPath) {
  QString shown;
  for (const QChar c : sPath) {
    if (c.category() == QChar::Other_Control || c.category() == QChar::Separator_Line ||
        c.category() == QChar::Separator_Paragraph) {
      shown += QStringLiteral("\\u%1").arg(static_cast<uint>(c.unicode()), 4, 16, QLatin1Char('0'));
    } else {
      shown += c;
    }
  }
  return shown;
}

// The M3U line for sPath in a list in sFolder: the path itself (relative to sFolder when
// bRelative) when no reader could take it for another, else a file URL; the line written is
// the one read back as sPath. A path no line gives back (not absolute and clean, a double
// quote, a name whose bytes were not UTF-8) fails with the reason.
Result<QByteArray> M3uLocation(const QString& sPath, const QString& sFolder, bool bRelative) {
  // A U+FFFD stands where the bytes of a file's name were not UTF-8 (as Qt reads names, and a
  // .qvl): the text no longer tells which file it was, so no line can name that file.
  if (sPath.contains(QChar::ReplacementCharacter)) {
    return Unexpected{Printable(sPath) +
                      QStringLiteral(": the name is not UTF-8; an M3U8 list cannot name it")};
  }
  const QString plain = bRelative ? PathFromListFolder(sPath, sFolder) : sPath;
  if (!IsAmbiguousLine(plain) && ReadsBackAs(plain.toUtf8(), sPath, sFolder))
    return plain.toUtf8();
  QByteArray url = QUrl::fromLocalFile(sPath).toEncoded();
  if (ReadsBackAs(url, sPath, sFolder))
    return url;
  return Unexpected{Printable(sPath) +
                    QStringLiteral(": no line of an M3U8 list reads back as this path")};
}

}  // namespace

bool IsForeignListName(const QString& sName) {
  return FormatOf(sName) != Format::None;
}

ForeignList ReadForeignList(const QString& sPath,
                            const std::function<bool(const ListEntry&)>& onEntry) {
  QFile file(sPath);
  if (FormatOf(sPath) == Format::None || file.size() > kMaxListBytes ||
      !file.open(QIODevice::ReadOnly))
    return {};
  return ReadForeignList(sPath, file.readAll(), onEntry);
}

ForeignList ReadForeignList(const QString& sPath, const QByteArray& bytes,
                            const std::function<bool(const ListEntry&)>& onEntry) {
  ForeignList list;
  const Format format = FormatOf(sPath);
  if (format == Format::None || bytes.size() > kMaxListBytes)
    return list;
  EntrySink sink(list, QFileInfo(sPath).absolutePath(), onEntry);
  if (format == Format::Xspf) {
    list.bComplete = ReadXspf(bytes, sink) && !sink.stopped();
    return list;
  }
  if (bytes.contains('\0'))
    return list;  // binary: no text list
  if (format == Format::M3u) {
    ReadM3u(WithoutByteOrderMark(DecodeListText(bytes)), sink);
    list.bComplete = true;
  } else if (format == Format::M3u8) {
    ReadM3u(WithoutByteOrderMark(QString::fromUtf8(bytes)), sink);
    list.bComplete = true;
  } else {
    list.bComplete = ReadPls(WithoutByteOrderMark(QString::fromUtf8(bytes)), sink);
  }
  list.bComplete = list.bComplete && !sink.stopped();
  return list;
}

Result<QByteArray> M3u8Text(const std::vector<ListEntry>& songs, const QString& sListFolder,
                            bool bRelative) {
  QByteArray out("#EXTM3U\n");
  for (const auto& [sPath, sName] : songs) {
    const Result<QByteArray> location = M3uLocation(sPath, sListFolder, bRelative);
    if (!location)
      return Unexpected{location.error()};
    out += "#EXTINF:-1," + CleanTitle(sName).toUtf8() + '\n' + *location + '\n';
  }
  return out;
}

Result<void> WriteM3u8(IFileSystem& fs, const std::vector<ListEntry>& songs, const QString& outPath,
                       bool bRelative) {
  const Result<QByteArray> text = M3u8Text(songs, QFileInfo(outPath).absolutePath(), bRelative);
  if (!text)
    return Unexpected{text.error()};
  return WriteFileAtomically(fs, outPath, *text);
}

Result<void> ExportM3u8(IFileSystem& fs, const QString& qvlPath, const QString& outPath,
                        bool bRelative) {
  std::vector<ListEntry> songs;
  try {
    RecordReader reader(fs, qvlPath);
    const double dblLast = reader.readDouble();
    if (!(dblLast >= -1) || dblLast != std::floor(dblLast)) {
      return Unexpected{qvlPath + QStringLiteral(": line 1 is not the index of the last song")};
    }
    for (double i = 0; i <= dblLast; ++i) {
      QString sPath = reader.readText();
      songs.push_back({std::move(sPath), reader.readText()});
    }
  } catch (const RecordError& failure) {
    return Unexpected{qvlPath + QStringLiteral(": ") + failure.description()};
  }
  return WriteM3u8(fs, songs, outPath, bRelative);
}

int ExportM3u8Command(IFileSystem& fs, const QStringList& arguments) {
  const bool bRelative = arguments.size() == 4 && arguments[1] == QLatin1String("--relative");
  if (arguments.size() != (bRelative ? 4 : 3)) {
    std::fputs("usage: Quavertone --export-m3u8 [--relative] LIST.qvl OUT.m3u8\n", stderr);
    return 2;
  }
  const Result<void> exported =
      ExportM3u8(fs, arguments[arguments.size() - 2], arguments.back(), bRelative);
  if (!exported) {
    std::fprintf(stderr, "Quavertone: %s\n",
                 exported.error().simplified().toLocal8Bit().constData());
    return 1;
  }
  return 0;
}

}  // namespace qvt
