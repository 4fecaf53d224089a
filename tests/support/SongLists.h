#pragma once
// Play lists for tests of the operations on the shared state.

#include <QStringList>

namespace qvt::test {

// Makes these songs the play list. Missing names are empty; NamesAfterFiles names each song
// "<file> name".
void SetSongList(const QStringList& paths, const QStringList& names);
QStringList NamesAfterFiles(const QStringList& paths);

}  // namespace qvt::test
