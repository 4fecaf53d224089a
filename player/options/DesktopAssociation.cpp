#include "player/options/DesktopAssociation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "shared/AtomicFile.h"

namespace qvt {

namespace {

constexpr QLatin1String kOwnTypePrefix("application/x-quavertone-");
constexpr QLatin1String kUnwritablePath(
    "The program's path cannot be written into a desktop entry");

// Characters that make an Exec argument need quotes.
bool NeedsQuotes(const QString& arg) {
  static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`%");
  for (const QChar c : arg) {
    if (reserved.contains(c))
      return true;
  }
  return false;
}

QString XmlEscaped(const QString& text) {
  return text.toHtmlEscaped();
}

bool HasControlCharacter(const QString& text) {
  for (const QChar c : text) {
    if (c.unicode() < 0x20 || c.unicode() == 0x7F)
      return true;
  }
  return false;
}

// Replaces the file through a temporary file in the same folder, which is made when missing.
Result<void> WriteInFolder(IFileSystem& fs, const QString& path, const QByteArray& bytes) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath()))
    return Unexpected{QStringLiteral("Cannot create the folder of ") + path};
  return WriteFileAtomically(fs, path, bytes);
}

// The file's content, empty when there is no file; fails when it exists but cannot be read (it
// must not be overwritten with a guess then).
Result<QByteArray> ReadExisting(const QString& path) {
  QFile file(path);
  if (!file.exists())
    return QByteArray();
  if (!file.open(QIODevice::ReadOnly))
    return Unexpected{QStringLiteral("Cannot read ") + path + QStringLiteral(": ") +
                      file.errorString()};
  return file.readAll();
}

// The MIME types listed in an existing desktop entry.
QStringList ListedMimeTypes(const QByteArray& entry) {
  for (const QByteArray& line : entry.split('\n')) {
    if (line.startsWith("MimeType="))
      return QString::fromUtf8(line.mid(9)).trimmed().split(u';', Qt::SkipEmptyParts);
  }
  return {};
}

QByteArray OwnMimePackage(const QString& mimeType, const QString& ext, const QString& comment) {
  return QStringLiteral(
             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
             "<mime-info xmlns=\"http://www.freedesktop.org/standards/shared-mime-info\">\n"
             "  <mime-type type=\"%1\">\n"
             "    <comment>%2</comment>\n"
             "    <glob pattern=\"*.%3\"/>\n"
             "  </mime-type>\n"
             "</mime-info>\n")
      .arg(mimeType, XmlEscaped(comment), ext)
      .toUtf8();
}

// The type's MIME type, writing a type of our own when the database knows none.
Result<QString> MimeTypeFor(IDesktop& desktop, IFileSystem& fs, const QString& ext,
                            const QString& description) {
  const QString known = desktop.mimeTypeForExtension(ext);
  if (!known.isEmpty())
    return known;
  const QString own = kOwnTypePrefix + ext;
  const QString mimeDir = desktop.dataHome() + QStringLiteral("/mime");
  const QString package =
      mimeDir + QStringLiteral("/packages/quavertone-") + ext + QStringLiteral(".xml");
  const Result<void> written = WriteInFolder(fs, package, OwnMimePackage(own, ext, description));
  if (!written)
    return Unexpected{written.error()};
  desktop.runTool(QStringLiteral("update-mime-database"), {mimeDir});
  return own;
}

// The installed theme icon when the install put it in place, else the icon file itself.
QString EntryIcon(IDesktop& desktop, const QString& iconPath) {
  const QString themeIcon =
      desktop.dataHome() + QStringLiteral("/icons/hicolor/scalable/apps/quavertone.svg");
  return QFileInfo::exists(themeIcon) ? QStringLiteral("quavertone") : iconPath;
}

// Writes the desktop entry listing the MIME types it listed before and mimeTypes.
Result<void> WriteDesktopEntry(IDesktop& desktop, IFileSystem& fs, const QString& exePath,
                               const QString& iconPath, const QStringList& mimeTypes) {
  const QString appDir = desktop.dataHome() + QStringLiteral("/applications");
  const QString path = appDir + u'/' + QLatin1String(kDesktopEntryName);
  const Result<QByteArray> old = ReadExisting(path);
  if (!old)
    return Unexpected{old.error()};
  QStringList types = ListedMimeTypes(*old);
  for (const QString& type : mimeTypes) {
    if (!types.contains(type))
      types.append(type);
  }
  const QByteArray text = DesktopEntryText(exePath, EntryIcon(desktop, iconPath), types);
  const Result<void> written = WriteInFolder(fs, path, text);
  if (written)
    desktop.runTool(QStringLiteral("update-desktop-database"), {appDir});
  return written;
}

Result<void> WriteDefaultApplication(IDesktop& desktop, IFileSystem& fs, const QString& mimeType) {
  const QString path = desktop.configHome() + QStringLiteral("/mimeapps.list");
  const Result<QByteArray> old = ReadExisting(path);
  if (!old)
    return Unexpected{old.error()};
  return WriteInFolder(fs, path,
                       UpdateMimeAppsList(*old, mimeType, QLatin1String(kDesktopEntryName)));
}

struct SectionLines {
  qsizetype header = -1;     // the section's header line, -1 when missing
  qsizetype lastEntry = -1;  // its last non-blank line
  QList<qsizetype> matches;  // its lines for the key
};

SectionLines FindSection(const QList<QByteArray>& lines, const QByteArray& section,
                         const QByteArray& key) {
  SectionLines found;
  bool inside = false;
  for (qsizetype i = 0; i < lines.size(); ++i) {
    const QByteArray trimmed = lines[i].trimmed();
    if (trimmed.startsWith('[')) {
      inside = trimmed == section && found.header < 0;
      if (inside)
        found.header = found.lastEntry = i;
      continue;
    }
    if (!inside || trimmed.isEmpty())
      continue;
    found.lastEntry = i;
    const qsizetype eq = trimmed.indexOf('=');
    if (eq > 0 && trimmed.left(eq).trimmed() == key)
      found.matches.append(i);
  }
  return found;
}

// Sets key=value in the section; `merge` keeps the applications already listed after ours.
void SetEntry(QList<QByteArray>& lines, const QByteArray& section, const QByteArray& key,
              const QByteArray& entry, bool merge) {
  const SectionLines found = FindSection(lines, section, key);
  QList<QByteArray> apps{entry};
  if (merge) {
    for (qsizetype i : found.matches) {
      const QByteArray& line = lines[i];
      for (const QByteArray& app : line.mid(line.indexOf('=') + 1).trimmed().split(';')) {
        if (!app.isEmpty() && !apps.contains(app))
          apps.append(app);
      }
    }
  }
  const QByteArray newLine = key + '=' + apps.join(';') + ';';
  if (!found.matches.isEmpty()) {
    for (qsizetype i : found.matches)
      lines[i] = newLine;
  } else if (found.header >= 0) {
    lines.insert(found.lastEntry + 1, newLine);
  } else {
    if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
      lines.append(QByteArray());
    lines.append(section);
    lines.append(newLine);
  }
}

}  // namespace

QString DesktopExtension(const QString& typed) {
  QString ext = typed;
  while (ext.startsWith(QLatin1Char('.')))
    ext.remove(0, 1);
  ext = ext.toLower();
  if (ext.isEmpty())
    return QString();
  for (const QChar c : ext) {
    const char16_t u = c.unicode();
    const bool ok = (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'.' ||
                    u == u'_' || u == u'+' || u == u'-';
    if (!ok)
      return QString();
  }
  return ext;
}

QString ExecArgument(const QString& path) {
  QString arg = path;
  if (NeedsQuotes(arg)) {
    QString quoted;
    for (const QChar c : arg) {
      if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
        quoted += u'\\';
      quoted += c;
    }
    arg = u'"' + quoted + u'"';
  }
  arg.replace(QLatin1String("%"), QLatin1String("%%"));
  // The key's value is itself escaped: a backslash is written twice.
  arg.replace(QLatin1String("\\"), QLatin1String("\\\\"));
  return arg;
}

QByteArray DesktopEntryText(const QString& exePath, const QString& iconPath,
                            const QStringList& mimeTypes) {
  QString icon = iconPath;
  icon.replace(QLatin1String("\\"), QLatin1String("\\\\"));
  const QString text = QStringLiteral(
                           "[Desktop Entry]\n"
                           "Type=Application\n"
                           "Name=Quavertone\n"
                           "GenericName=Music Player\n"
                           "Comment=Play music files and play lists\n"
                           "Exec=%1 %f\n"
                           "Icon=%2\n"
                           "Terminal=false\n"
                           "Categories=AudioVideo;Audio;Player;\n"
                           "MimeType=%3;\n")
                           .arg(ExecArgument(exePath), icon, mimeTypes.join(u';'));
  return text.toUtf8();
}

QByteArray UpdateMimeAppsList(const QByteArray& old, const QString& mimeType,
                              const QString& entry) {
  QList<QByteArray> lines = old.split('\n');
  if (!lines.isEmpty() && lines.last().isEmpty())
    lines.removeLast();  // the final line end
  const QByteArray key = mimeType.toUtf8();
  const QByteArray app = entry.toUtf8();
  SetEntry(lines, "[Default Applications]", key, app, false);
  SetEntry(lines, "[Added Associations]", key, app, true);
  return lines.join('\n') + '\n';
}

Result<QString> RegisterWithDesktop(IDesktop& desktop, IFileSystem& fs,
                                    const DesktopAssociation& association) {
  const QString ext = DesktopExtension(association.extension);
  if (ext.isEmpty())
    return Unexpected{u'"' + association.extension +
                      QStringLiteral("\" is not a file extension the desktop can use")};
  if (HasControlCharacter(association.exePath) || HasControlCharacter(association.iconPath))
    return Unexpected{kUnwritablePath};
  const Result<QString> mimeType = MimeTypeFor(desktop, fs, ext, association.description);
  if (!mimeType)
    return mimeType;
  Result<void> written =
      WriteDesktopEntry(desktop, fs, association.exePath, association.iconPath, {*mimeType});
  if (written)
    written = WriteDefaultApplication(desktop, fs, *mimeType);
  if (!written)
    return Unexpected{written.error()};
  return mimeType;
}

Result<void> InstallDesktopEntry(IDesktop& desktop, IFileSystem& fs, const QString& exePath,
                                 const QString& iconPath, const QStringList& extensions) {
  if (HasControlCharacter(exePath) || HasControlCharacter(iconPath))
    return Unexpected{kUnwritablePath};
  QStringList types;
  for (const QString& extension : extensions) {
    const QString type = desktop.mimeTypeForExtension(DesktopExtension(extension));
    if (type.startsWith(QLatin1String("audio/")) && !types.contains(type))
      types.append(type);
  }
  return WriteDesktopEntry(desktop, fs, exePath, iconPath, types);
}

}  // namespace qvt
