#include "player/update/Paths.h"

#include <QStringList>
#include <functional>
#include <optional>

#include "shared/RecordNotation.h"
#include "shared/RunMode.h"
#include "shared/Services.h"

namespace qvt::Paths {

namespace {

QString ServerAddress(const char* path) {
  return QStringLiteral(QVT_UPDATE_BASE_URL) + QLatin1String(path);
}

// Opens "paths.qvc": the program folder's file, or its contents already in memory.
using PathsFile = std::function<RecordReader()>;

PathsFile InProgramFolder(const Services& services) {
  return [&services] {
    return RecordReader(files(services), ProgramFile(services, QStringLiteral("paths.qvc")));
  };
}

PathsFile InMemory(const QByteArray& file) {
  return [&file] { return RecordReader::fromBytes(file); };
}

// fieldFinal and fieldBeta are 0-based positions of the addresses for the two run modes.
QString ByRunMode(const Services& services, const PathsFile& open, int fieldFinal, int fieldBeta,
                  const QString& sDefault) {
  const std::optional<QStringList> fields = RunMode::ReadFields(open, 5);
  if (!fields)
    return sDefault;
  const QString sRunMode = fields->at(0);
  const QString mode = sRunMode.toUpper();
  if (mode == QLatin1String("FINAL"))
    return fields->at(fieldFinal);
  if (mode == QLatin1String("BETA"))
    return fields->at(fieldBeta);
  if (fields->at(fieldFinal).trimmed().isEmpty())
    return sDefault;
  MsgBox(services, QStringLiteral("Incorrect run mode found, run mode ~") + sRunMode +
                       QStringLiteral("~is not known"));
  return fields->at(fieldFinal);
}

QString MediaControlURL(const PathsFile& open) {
  const std::optional<QStringList> fields = RunMode::ReadFields(open, 6);
  return fields ? fields->at(5) : DefaultMediaControlURL();
}

}  // namespace

QString DefaultFileListURL() {
  return ServerAddress("/files/QVT/FileList.txt");
}

QString DefaultVersionFileURL() {
  return ServerAddress("/files/QVT/QVTVersion.txt");
}

QString DefaultMediaControlURL() {
  return ServerAddress("/files/QVT/Dependencies/MCI32.OCX");
}

QString GetCommonControlsURL() {
  return ServerAddress("/files/QVT/Dependencies/MSCOMCTL.OCX");
}

QString GetFileListURL(const Services& services) {
  return ByRunMode(services, InProgramFolder(services), 1, 3, DefaultFileListURL());
}

QString GetFileListURL(const Services& services, const QByteArray& file) {
  return ByRunMode(services, InMemory(file), 1, 3, DefaultFileListURL());
}

QString GetVersionFileURL(const Services& services) {
  return ByRunMode(services, InProgramFolder(services), 2, 4, DefaultVersionFileURL());
}

QString GetVersionFileURL(const Services& services, const QByteArray& file) {
  return ByRunMode(services, InMemory(file), 2, 4, DefaultVersionFileURL());
}

QString GetRunMode(const Services& services) {
  return RunMode::Channel(services);
}

QString GetMediaControlURL(const Services& services) {
  return MediaControlURL(InProgramFolder(services));
}

QString GetMediaControlURL(const QByteArray& file) {
  return MediaControlURL(InMemory(file));
}

}  // namespace qvt::Paths
