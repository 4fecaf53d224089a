#include "player/options/DesktopAssociation.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

namespace qvt {

namespace {

IDesktop* g_desktop = nullptr;

const char kOwnTypePrefix[] = "application/x-quavertone-";

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

// Replaces the file through a temporary file in the same folder.
bool WriteFileAtomically(const QString& path, const QByteArray& bytes, QString* error) {
  if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
    *error = "Cannot create the folder of " + path;
    return false;
  }
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
    *error = "Cannot write " + path + ": " + file.errorString();
    return false;
  }
  return true;
}

// The file's content; false when it exists but cannot be read (it must not be overwritten
// with a guess then).
bool ReadExisting(const QString& path, QByteArray* bytes, QString* error) {
  bytes->clear();
  QFile file(path);
  if (!file.exists())
    return true;
  if (!file.open(QIODevice::ReadOnly)) {
    *error = "Cannot read " + path + ": " + file.errorString();
    return false;
  }
  *bytes = file.readAll();
  return true;
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
QString MimeTypeFor(IDesktop& desktop, const QString& ext, const QString& description,
                    QString* error) {
  const QString known = desktop.mimeTypeForExtension(ext);
  if (!known.isEmpty())
    return known;
  const QString own = kOwnTypePrefix + ext;
  const QString mimeDir = desktop.dataHome() + "/mime";
  const QString package = mimeDir + "/packages/quavertone-" + ext + ".xml";
  if (!WriteFileAtomically(package, OwnMimePackage(own, ext, description), error))
    return QString();
  desktop.runTool(QStringLiteral("update-mime-database"), {mimeDir});
  return own;
}

// The installed theme icon when the install put it in place, else the icon file itself.
QString EntryIcon(IDesktop& desktop, const QString& iconPath) {
  const QString themeIcon = desktop.dataHome() + "/icons/hicolor/scalable/apps/quavertone.svg";
  return QFileInfo::exists(themeIcon) ? QStringLiteral("quavertone") : iconPath;
}

// Writes the desktop entry listing the MIME types it listed before and mimeTypes.
bool WriteDesktopEntry(IDesktop& desktop, const QString& exePath, const QString& iconPath,
                       const QStringList& mimeTypes, QString* error) {
  const QString appDir = desktop.dataHome() + "/applications";
  const QString path = appDir + "/" + kDesktopEntryName;
  QByteArray old;
  if (!ReadExisting(path, &old, error))
    return false;
  QStringList types = ListedMimeTypes(old);
  for (const QString& type : mimeTypes) {
    if (!types.contains(type))
      types.append(type);
  }
  const QByteArray text = DesktopEntryText(exePath, EntryIcon(desktop, iconPath), types);
  if (!WriteFileAtomically(path, text, error))
    return false;
  desktop.runTool(QStringLiteral("update-desktop-database"), {appDir});
  return true;
}

bool WriteDefaultApplication(IDesktop& desktop, const QString& mimeType, QString* error) {
  const QString path = desktop.configHome() + "/mimeapps.list";
  QByteArray old;
  if (!ReadExisting(path, &old, error))
    return false;
  return WriteFileAtomically(path, UpdateMimeAppsList(old, mimeType, kDesktopEntryName), error);
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

QString RegisterWithDesktop(IDesktop& desktop, const DesktopAssociation& association,
                            QString* error) {
  const QString ext = DesktopExtension(association.extension);
  if (ext.isEmpty()) {
    *error = "\"" + association.extension + "\" is not a file extension the desktop can use";
    return QString();
  }
  if (HasControlCharacter(association.exePath) || HasControlCharacter(association.iconPath)) {
    *error = "The program's path cannot be written into a desktop entry";
    return QString();
  }
  const QString mimeType = MimeTypeFor(desktop, ext, association.description, error);
  if (mimeType.isEmpty() ||
      !WriteDesktopEntry(desktop, association.exePath, association.iconPath, {mimeType}, error) ||
      !WriteDefaultApplication(desktop, mimeType, error)) {
    return QString();
  }
  return mimeType;
}

bool InstallDesktopEntry(IDesktop& desktop, const QString& exePath, const QString& iconPath,
                         const QStringList& extensions, QString* error) {
  if (HasControlCharacter(exePath) || HasControlCharacter(iconPath)) {
    *error = "The program's path cannot be written into a desktop entry";
    return false;
  }
  QStringList types;
  for (const QString& extension : extensions) {
    const QString type = desktop.mimeTypeForExtension(DesktopExtension(extension));
    if (type.startsWith(QLatin1String("audio/")) && !types.contains(type))
      types.append(type);
  }
  return WriteDesktopEntry(desktop, exePath, iconPath, types, error);
}

IDesktop* InstalledDesktop() {
  return g_desktop;
}

void SetDesktop(IDesktop* desktop) {
  g_desktop = desktop;
}

}  // namespace qvt
