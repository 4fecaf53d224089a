#include "tests/support/SongLists.h"

#include "player/startup/MusicVariables.h"
#include "tests/support/PlayListOfTheTest.h"

namespace qvt::test {

void SetSongList(const QStringList& paths, const QStringList& names) {
  MusicVariables& mv = test::PlayList();
  mv.replaceAll(std::vector<QString>(paths.begin(), paths.end()),
                std::vector<QString>(names.begin(), names.end()));
}

QStringList NamesAfterFiles(const QStringList& paths) {
  QStringList names;
  for (const QString& p : paths)
    names << p.section('/', -1) + QStringLiteral(" name");
  return names;
}

}  // namespace qvt::test
