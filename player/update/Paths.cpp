#include "player/update/Paths.h"

#include <QStringList>
#include <optional>

#include "shared/RunMode.h"
#include "shared/Services.h"

namespace qvt::Paths {

namespace {

QString ServerAddress(const char* path) {
  return QStringLiteral(QVT_UPDATE_BASE_URL) + QLatin1String(path);
}

// fieldFinal and fieldBeta are 0-based positions of the addresses for the two run modes.
QString ByRunMode(const Services& services, int fieldFinal, int fieldBeta,
                  const QString& sDefault) {
  const std::optional<QStringList> fields = RunMode::ReadPathsFields(services, 5);
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
  return ByRunMode(services, 1, 3, DefaultFileListURL());
}

QString GetVersionFileURL(const Services& services) {
  return ByRunMode(services, 2, 4, DefaultVersionFileURL());
}

QString GetRunMode(const Services& services) {
  return RunMode::Channel(services);
}

QString GetMediaControlURL(const Services& services) {
  const std::optional<QStringList> fields = RunMode::ReadPathsFields(services, 6);
  return fields ? fields->at(5) : DefaultMediaControlURL();
}

}  // namespace qvt::Paths
