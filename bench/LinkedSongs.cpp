#include "bench/LinkedSongs.h"

#include <unistd.h>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <string>

#include "tests/support/AudioFixtures.h"

namespace qvt::bench {

namespace {

// A file system limits the links to one file (ext4 to 65,000): every so many links, the next
// ones go to a copy of the WAV. The copies are hidden, so the file boxes list only the links.
constexpr int kLinksPerFile = 60000;

QString SourceName(int copy) {
  return QStringLiteral(".source %1.wav").arg(copy);
}

// The file's path in the file system's encoding, built without a QString per file.
std::string LinkPath(const std::string& folder, int i) {
  char name[64];
  std::snprintf(name, sizeof name, "/Track %07d - Some Song Title.wav", i);
  return folder + name;
}

std::string Native(const QString& path) {
  return QFile::encodeName(path).toStdString();
}

}  // namespace

LinkedSongs::LinkedSongs(const QString& folder, int count) : folder_(folder), count_(count) {
  QDir().mkpath(folder_);
  const QString wav = test::MakeWav(folder_, SourceName(0), 0.05, 8000);
  const std::string native = Native(folder_);
  std::string source;
  for (int i = 0; i < count_; ++i) {
    if (i % kLinksPerFile == 0) {
      const QString copy = folder_ + QLatin1Char('/') + SourceName(i / kLinksPerFile);
      QFile::copy(wav, copy);
      source = Native(copy);
    }
    if (::link(source.c_str(), LinkPath(native, i).c_str()) != 0) {
      std::perror("link");
      count_ = i;
      return;
    }
  }
}

LinkedSongs::~LinkedSongs() {
  const std::string native = Native(folder_);
  for (int i = 0; i < count_; ++i)
    ::unlink(LinkPath(native, i).c_str());
  QDir(folder_).removeRecursively();
}

QString LinkedSongs::name(int i) const {
  return QStringLiteral("Track %1 - Some Song Title.wav").arg(i, 7, 10, QLatin1Char('0'));
}

}  // namespace qvt::bench
