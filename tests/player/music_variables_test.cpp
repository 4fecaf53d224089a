// The play list object as an item model: every change of the list reaches its views through
// the model's signals alone. A sorting proxy keeps its own map of the rows and learns of
// changes only from those signals, so after each edit it must show exactly the object's rows;
// Qt's model tester checks every signal against the rows before and after it.
#include <gtest/gtest.h>
#include <QAbstractItemModelTester>
#include <QSignalSpy>
#include <QSortFilterProxyModel>
#include <functional>

#include "player/startup/MusicVariables.h"
#include "tests/support/SongLists.h"

using namespace qvt;

namespace {

QStringList Rows(const QAbstractItemModel& model) {
  QStringList rows;
  for (int i = 0; i < model.rowCount(); ++i)
    rows << model.index(i, 0).data().toString();
  return rows;
}

// The names of songs 0 to dblLastIndex, read from the arrays.
QStringList Listed(const MusicVariables& mv) {
  QStringList names;
  for (std::size_t i = 0; static_cast<double>(i) <= mv.dblLastIndex() && i < mv.sSongNames().size();
       ++i) {
    names << mv.sSongNames()[i];
  }
  return names;
}

TEST(MusicVariablesModel, EveryEditIsAnnouncedToItsViews) {
  MusicVariables mv;
  QAbstractItemModelTester tester(&mv, QAbstractItemModelTester::FailureReportingMode::Fatal);
  QSortFilterProxyModel view;
  view.setSourceModel(&mv);
  view.sort(-1);  // keeps the list's order, but maps every row itself

  const auto songs = [](std::initializer_list<const char*> names) {
    std::vector<QString> list;
    for (const char* name : names)
      list.push_back(QString::fromLatin1(name));
    return list;
  };
  const struct {
    const char* edit;
    std::function<void()> run;
  } edits[] = {
      {"append to the zeroed start", [&] { mv.append("/m/a", "a"); }},
      {"clear", [&] { mv.clear(); }},
      {"append to an empty list", [&] { mv.append("/m/b", "b"); }},
      {"append", [&] { mv.append("/m/c", "c"); }},
      {"append several in one change",
       [&] {
         const QSignalSpy inserted(&mv, &QAbstractItemModel::rowsInserted);
         mv.appendAll(SongArray(songs({"/m/x", "/m/y"})), SongArray(songs({"x", "y"})));
         EXPECT_EQ(inserted.count(), 1);
       }},
      {"replace all",
       [&] {
         mv.replaceAll(songs({"/1", "/2", "/3", "/4", "/5"}), songs({"1", "2", "3", "4", "5"}));
       }},
      {"remove in the middle", [&] { mv.removeAt(1); }},
      {"remove several",
       [&] {
         mv.removeSorted({0, 2, 7});
       }},
      {"rename", [&] { mv.setSongName(0, "renamed"); }},
      {"last index down", [&] { mv.setLastIndex(0); }},
      {"rename past the last index", [&] { mv.setSongName(1, "hidden"); }},
      {"last index up again", [&] { mv.setLastIndex(1); }},
      {"arrays shorter than the list", [&] { mv.resizeArrays(1); }},
      {"arrays longer again", [&] { mv.resizeArrays(4); }},
      {"last index past the arrays", [&] { mv.setLastIndex(9); }},
      {"append after it", [&] { mv.append("/m/d", "d"); }},
      {"remove the last but one", [&] { mv.removeAt(0); }},
      {"remove every song",
       [&] {
         mv.removeSorted({0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
       }},
      {"append once more", [&] { mv.append("/m/e", "e"); }},
      {"remove the only song", [&] { mv.removeAt(0); }},
      {"last index past the arrays again", [&] { mv.setLastIndex(3); }},
      {"append several after it",
       [&] {
         mv.appendAll(SongArray(songs({"/m/f", "/m/g"})), SongArray(songs({"f"})));
       }},
      {"append many",
       [&] {
         std::vector<QString> many;
         for (int i = 0; i < 400; ++i)
           many.push_back(QString::number(i));
         mv.appendAll(SongArray(many), SongArray(many));
       }},
      {"remove songs in many places",
       [&] {
         const QPersistentModelIndex kept = view.index(301, 0);
         const QString name = kept.data().toString();
         std::vector<std::size_t> everyThird;
         for (std::size_t k = 0; k < 400; k += 3)
           everyThird.push_back(k);
         mv.removeSorted(everyThird);
         EXPECT_EQ(kept.data().toString(), name) << "a held row follows its song";
       }},
      {"back to the start", [&] { mv.resetAll(); }},
  };
  for (const auto& e : edits) {
    SCOPED_TRACE(e.edit);
    const PlayListVersion before = mv.version();
    e.run();
    EXPECT_NE(mv.version(), before) << "views learn of the change from the change count";
    EXPECT_EQ(Rows(mv), Listed(mv));
    EXPECT_EQ(Rows(view), Rows(mv));
  }
}

TEST(MusicVariablesModel, TheCurrentSongIsAnnouncedOnceAChange) {
  MusicVariables mv;
  QSignalSpy changed(&mv, &MusicVariables::currentSongChanged);
  mv.setCurrentSong(3);
  mv.setCurrentSong(3);
  mv.setCurrentSong(0);
  ASSERT_EQ(changed.size(), 2);
  EXPECT_EQ(changed.at(0).at(0).toDouble(), 3);
  EXPECT_EQ(changed.at(1).at(0).toDouble(), 0);
}

}  // namespace

namespace qvt {
namespace {

// Names equal to their path's file name are kept as a mark that reads the path: every name must
// still read back exactly as it was given, through every change that moves or replaces songs,
// and in a copy handed to another thread while the list goes on changing.
TEST(MusicVariablesNames, NamesReadBackAsGivenThroughEveryChange) {
  const QString unpaired = QString(QChar(0xD800)) + QStringLiteral(".mp3");
  const QString bom = QString(QChar(0xFEFF)) + QStringLiteral("x.mp3");
  const struct {
    QString path;
    QString name;
  } songs[] = {
      {QStringLiteral("/m/a.mp3"), QStringLiteral("a.mp3")},
      {QStringLiteral("/m/b.mp3"), QStringLiteral("Song b")},
      {QStringLiteral("/m/\u00e9t\u00e9.ogg"), QStringLiteral("\u00e9t\u00e9.ogg")},
      {QStringLiteral("/m/") + unpaired, unpaired},
      {QStringLiteral("/m/") + bom, bom},
      {QStringLiteral("/m/") + bom, QStringLiteral("x.mp3")},
      {QStringLiteral("plain.wav"), QStringLiteral("plain.wav")},
      {QStringLiteral("/m/c.mp3"), QString()},
      {QStringLiteral("/m/d.mp3"), QStringLiteral("/m/d.mp3")},
      {QStringLiteral("/m/e.mp3"), QStringLiteral("e.mp")},
  };
  std::vector<QString> paths;
  std::vector<QString> names;
  for (const auto& s : songs) {
    paths.push_back(s.path);
    names.push_back(s.name);
  }
  MusicVariables mv;
  mv.clear();
  // Half in one change, as a reader hands them over, half one by one.
  SongArray read;
  SongArray readNames;
  readNames.shareFileNamesOf(read);
  for (std::size_t i = 0; i < 5; ++i) {
    read.push_back(paths[i]);
    readNames.push_back(names[i]);
  }
  mv.appendAll(std::move(read), std::move(readNames));
  for (std::size_t i = 5; i < paths.size(); ++i)
    mv.append(paths[i], names[i]);
  EXPECT_EQ(mv.sSongNames().items(), names);

  const SongArray snapshot = mv.sSongNames();
  mv.setSongPath(0, QStringLiteral("/elsewhere/z.mp3"));
  EXPECT_EQ(mv.sSongNames()[0], names[0]) << "a new path leaves the name as it was";
  mv.removeSorted({1, 3});
  names.erase(names.begin() + 3);
  names.erase(names.begin() + 1);
  EXPECT_EQ(mv.sSongNames().items(), names);
  mv.removeAt(0);
  names.erase(names.begin());
  EXPECT_EQ(mv.sSongNames().items(), names);
  mv.setSongName(0, mv.sSongPaths()[0].mid(3));
  EXPECT_EQ(mv.sSongNames()[0], mv.sSongPaths()[0].mid(3));
  mv.replaceAll({QStringLiteral("/n/q.mp3")}, {QStringLiteral("q.mp3")});
  EXPECT_EQ(mv.sSongNames().items(), std::vector<QString>{QStringLiteral("q.mp3")});

  std::vector<QString> original;
  for (const auto& s : songs)
    original.push_back(s.name);
  EXPECT_EQ(snapshot.items(), original) << "a copy stands alone";
}

}  // namespace
}  // namespace qvt
