// The play list searches: the command protocol of both searches, the name search rules, and
// the path index, which must answer exactly what a scan of the list answers whatever happens
// to the list between "init" and the search.
#include <gtest/gtest.h>
#include <QStringList>
#include <algorithm>
#include <cmath>
#include <random>

#include "platform/fakes/FakePlatform.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "player/startup/NameScan.h"
#include "player/startup/SongSearch.h"
#include "player/startup/UpperForm.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/SongLists.h"

using namespace qvt;
using namespace qvt::GlobalMethods;

namespace {

class SongSearch : public ::testing::Test {
 protected:
  void SetUp() override { test::PlayList().resetAll(); }
  void TearDown() override { test::PlayList().resetAll(); }

  static void setList(const QStringList& paths, const QStringList& names = {}) {
    test::SetSongList(paths, names);
  }

  FakePlatform fake;
};

TEST(LeadingNumber, ReadsTheNumberAfterACommand) {
  struct Row {
    const char* text;
    double expected;
  };
  const Row rows[] = {
      {"41", 41}, {"-1", -1}, {"", 0},     {" 7", 7}, {"2.5", 2.5}, {"1e3", 1000}, {"12abc", 12},
      {"abc", 0}, {"-", 0},   {".5", 0.5}, {"5.", 5}, {"+3", 3},    {"1e", 1},     {"3e-2", 0.03},
  };
  for (const Row& row : rows) {
    EXPECT_DOUBLE_EQ(LeadingNumber(QString::fromUtf8(row.text)), row.expected) << row.text;
  }
  EXPECT_TRUE(std::isinf(LeadingNumber(u"1e999")));
  EXPECT_EQ(LeadingNumber(u"1e-999"), 0);
}

TEST_F(SongSearch, PathProtocolTable) {
  const QStringList paths = {"/Music/B.mp3", "/Music/A.mp3", "/Music/C.mp3", "/Music/A.mp3", "abc"};
  setList(paths);
  struct Row {
    const char* init;  // command sent first
    const char* term;
    double expected;
  };
  const Row rows[] = {
      {"init2", "/music/a.mp3", 1},  // case-insensitive whole path, lowest index
      {"init2", "/MUSIC/A.MP3", 1},
      {"init0", "/music/a.mp3", -1},  // beyond the bound
      {"init4", "/Music/C.mp3", 2},
      {"init4", "/Music/C.mp", -1},    // whole path only
      {"init4", "abc", -1},            // shorter than four characters
      {"init-1", "/Music/B.mp3", -1},  // the bound of an empty list
      {"stop", "/Music/B.mp3", -1},
      {"init99", "/Music/A.mp3", 1},   // a bound past the end searches the whole list
      {"init1.5", "/Music/A.mp3", 1},  // whole indexes up to the bound
      {"init0.5", "/Music/A.mp3", -1},
      {"init", "/Music/B.mp3", 0},  // "init" alone: bound 0
      {"init3", "init3", -1},       // a command, not a search
      {"init3", "stopper.mp3", -1},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FindSongPath(test::PlayList(), QString::fromUtf8(row.init)), -1);
    EXPECT_EQ(FindSongPath(test::PlayList(), QString::fromUtf8(row.term)), row.expected)
        << row.init << " then " << row.term;
  }
}

TEST_F(SongSearch, PathBoundIsIndependentOfTheLastIndex) {
  setList({"/a/x.mp3", "/a/y.mp3"});
  FindSongPath(test::PlayList(), "init0");
  test::PlayList().setLastIndex(-1);  // list cleared, stale element kept
  EXPECT_EQ(FindSongPath(test::PlayList(), "/a/x.mp3"), 0);
  FindSongPath(test::PlayList(), "init-1");
  EXPECT_EQ(FindSongPath(test::PlayList(), "/a/x.mp3"), -1);
}

TEST_F(SongSearch, AddingPattern) {
  // The editor: "init" + last index, then add each song not already present, then "stop".
  setList({"/m/1.mp3", "/m/2.mp3"});
  MusicVariables& mv = test::PlayList();
  FindSongPath(test::PlayList(), "init1");
  const QStringList adding = {"/m/3.mp3", "/M/1.MP3", "/m/3.mp3", "/m/4.mp3"};
  for (const QString& path : adding) {
    if (FindSongPath(test::PlayList(), path) != -1)
      continue;
    mv.setLastIndex(mv.dblLastIndex() + 1);
    ResizeSongArrays(test::PlayList(), mv.dblLastIndex());
    mv.setSongPath(static_cast<std::size_t>(mv.dblLastIndex()), path);
  }
  FindSongPath(test::PlayList(), "stop");
  // Songs added by the same operation are not compared with each other.
  const std::vector<QString> expected = {"/m/1.mp3", "/m/2.mp3", "/m/3.mp3", "/m/3.mp3",
                                         "/m/4.mp3"};
  EXPECT_EQ(mv.sSongPaths().items(), expected);
}

TEST_F(SongSearch, IndexGrowsWithoutRebuildingWhileSongsAreAppended) {
  QStringList paths;
  for (int i = 0; i < 1000; ++i)
    paths << QStringLiteral("/m/%1.mp3").arg(i);
  setList(paths);
  SongArray& songs = MusicVariablesTestAccess::Paths(test::PlayList());
  FindSongPath(test::PlayList(), "init999");
  EXPECT_EQ(FindSongPath(test::PlayList(), "/M/500.MP3"), 500);
  EXPECT_EQ(PathIndex(test::PlayList()).indexedCount(), 1000u);
  for (int i = 1000; i < 1500; ++i) {
    songs.push_back(QStringLiteral("/m/%1.mp3").arg(i));
    EXPECT_EQ(FindSongPath(test::PlayList(), QStringLiteral("/m/%1.mp3").arg(i)), -1);
  }
  EXPECT_EQ(PathIndex(test::PlayList()).indexedCount(), 1000u)
      << "appended songs lie beyond the bound";
  FindSongPath(test::PlayList(), "init1499");
  EXPECT_EQ(FindSongPath(test::PlayList(), "/m/1499.mp3"), 1499);
  songs.set(7, "/m/new.mp3");
  EXPECT_EQ(FindSongPath(test::PlayList(), "/m/7.mp3"), -1);
  EXPECT_EQ(FindSongPath(test::PlayList(), "/m/NEW.mp3"), 7);
}

TEST_F(SongSearch, NameSearchTable) {
  setList({"/m/1", "/m/2", "/m/3", "/m/4"},
          {"My Favorite Song.mp3", "Intro.mp3", "another song.mp3", "Straße.mp3"});
  struct Row {
    const char* init;
    const char* term;
    bool partial;
    double expected;
  };
  const Row rows[] = {
      {"init0", "song", true, 0},
      {"init1", "song", true, 2},  // starts after the previous match
      {"init3", "song", true, -1},
      {"init0", "song", false, -1},  // whole name only
      {"init0", "intro.MP3", false, 1},
      {"init0", "STRASSE", true, 3},  // upper-cased on both sides
      {"init0", "straße.mp3", false, 3},
      {"init9", "Intro.mp3", false, -1},  // start past the list
      {"init0", "initial", true, -1},     // a command, finds nothing
      {"stop", "Intro.mp3", false, 1},    // no start: from the first song
  };
  for (const Row& row : rows) {
    EXPECT_EQ(FindSongName(test::PlayList(), QString::fromUtf8(row.init), false), -1);
    EXPECT_EQ(FindSongName(test::PlayList(), QString::fromUtf8(row.term), row.partial),
              row.expected)
        << row.init << " then " << row.term;
  }
}

TEST(UpperForm, MatchesLikeUpperCasingBothTexts) {
  // The on-the-fly mapping of ASCII text against QString::toUpper of both texts, and names or
  // terms where upper-casing is more than a-z to A-Z.
  struct Row {
    const char16_t* term;
    const char16_t* name;
    bool partial;
    bool expected;
  };
  const Row rows[] = {
      {u"song", u"My Favorite Song.mp3", true, true},
      {u"sOnG", u"SONGBIRD", true, true},
      {u"Intro.MP3", u"intro.mp3", false, true},
      {u"intro", u"intro.mp3", false, false},  // whole name only
      {u"[", u"{", true, false},               // only letters change case
      {u"@", u"`", true, false},
      {u"~", u"^", false, false},
      {u"ä", u"Ärger.mp3", true, true},
      {u"Ä", u"a.mp3", true, false},  // a term no ASCII name can hold
      {u"é", u"cafÉ", true, true},
      {u"STRASSE", u"Straße.mp3", true, true},  // "ß" upper-cases to two letters
      {u"straße", u"STRASSE", false, true},
      {u"ss", u"ß", false, true},
      {u"ß", u"s", true, false},
      {u"ı", u"I", false, true},  // dotless i and long s upper-case to ASCII letters
      {u"i", u"ı", false, true},
      {u"ſ", u"s", false, true},
      {u"e", u"cafe\u0301", true, true},  // a combining mark after a plain letter
      {u"\u0301", u"CAFE\u0301", true, true},
      {u"é", u"cafe\u0301", true, false},  // precomposed and combined stay different
      {u"", u"anything", true, true},
      {u"", u"", false, true},
      {u"", u"a", false, false},
      {u"a", u"", true, false},
      {u"song.mp3 and more", u"song.mp3", true, false},
      {u"ng.mp3", u"song.mp3", true, true},  // a match at the very end
      {u"sso", u"ssso", true, true},         // a false start before the match
  };
  for (const Row& row : rows) {
    const QString term = QString::fromUtf16(row.term);
    const QString name = QString::fromUtf16(row.name);
    const bool upperCased =
        row.partial ? name.toUpper().contains(term.toUpper()) : name.toUpper() == term.toUpper();
    const UpperForm upperName(name);
    const UpperForm upperTerm(term);
    const bool mapped = row.partial ? upperName.contains(upperTerm) : upperName == upperTerm;
    EXPECT_EQ(upperCased, row.expected) << term.toStdString() << " in " << name.toStdString();
    EXPECT_EQ(mapped, row.expected) << term.toStdString() << " in " << name.toStdString();
  }
}

TEST(FirstNameMatch, ChunksOnThePoolFindTheLowestMatchOfTheRange) {
  // Matches at chunk edges and several in one chunk; every range, in chunks from one name to
  // more than the list, against a plain scan.
  std::vector<QString> names(40, QStringLiteral("other.mp3"));
  for (const int i : {3, 8, 9, 17, 32, 39})
    names[static_cast<std::size_t>(i)] =
        i % 2 == 0 ? QStringLiteral("A Hit.mp3") : QString::fromUtf16(u"HIT ß");
  const QString term = QStringLiteral("hit");
  const SongArray stored(names);
  for (const std::size_t chunk : {1, 2, 3, 4, 8, 64}) {
    for (std::size_t first = 0; first < names.size(); ++first) {
      for (std::size_t last = first; last < names.size(); last += 3) {
        const auto match =
            std::find_if(names.begin() + static_cast<std::ptrdiff_t>(first),
                         names.begin() + static_cast<std::ptrdiff_t>(last) + 1,
                         [&](const QString& n) { return n.contains(term, Qt::CaseInsensitive); });
        const double expected = match == names.begin() + static_cast<std::ptrdiff_t>(last) + 1
                                    ? -1
                                    : static_cast<double>(match - names.begin());
        ASSERT_EQ(FirstNameMatch(stored, first, last, term, true, chunk), expected)
            << "chunk " << chunk << " from " << first << " to " << last;
      }
    }
  }
}

TEST_F(SongSearch, NameSearchEndsAtTheLastIndex) {
  setList({"/m/1", "/m/2"}, {"a song", "b song"});
  test::PlayList().setLastIndex(0);
  FindSongName(test::PlayList(), "init0", false);
  EXPECT_EQ(FindSongName(test::PlayList(), "b song", false), -1);
  test::PlayList().setLastIndex(-1);  // no play list, stale first element
  EXPECT_EQ(FindSongName(test::PlayList(), "a song", false), -1);
  test::PlayList().setLastIndex(5);  // arrays shorter than the index: no read past them
  EXPECT_EQ(FindSongName(test::PlayList(), "b song", false), 1);
  EXPECT_EQ(FindSongName(test::PlayList(), "c song", false), -1);
}

TEST_F(SongSearch, ResetPutsTheBoundsBackToZero) {
  setList({"/m/aaa.mp3", "/m/bbb.mp3"}, {"aaa", "bbb"});
  FindSongPath(test::PlayList(), "init1");
  FindSongName(test::PlayList(), "init1", false);
  test::PlayList().resetAll();
  setList({"/m/aaa.mp3", "/m/bbb.mp3"}, {"aaa", "bbb"});
  EXPECT_EQ(FindSongPath(test::PlayList(), "/m/bbb.mp3"), -1);
  EXPECT_EQ(FindSongPath(test::PlayList(), "/m/aaa.mp3"), 0);
  EXPECT_EQ(FindSongName(test::PlayList(), "aaa", false), 0);
}

// ---- the index against a scan, over random lists and random edits --------------------------

class RandomEdits {
 public:
  explicit RandomEdits(unsigned seed) : rng_(seed) {
    // Special cases of upper-casing, then random paths over a small alphabet, so that lists
    // hold duplicates and case variants and the index's slots collide.
    pool_ = {"/m/ß.mp3", "/m/SS.mp3", "/m/straße", "/M/STRASSE", "/m/ä.mp3", "/m/Ä.mp3", "abc", ""};
    const QString alphabet = QStringLiteral("azAZäÄßs/.");
    while (pool_.size() < 48) {
      QString path;
      for (int n = pick(3, 7); n > 0; --n)
        path += alphabet.at(pick(0, static_cast<int>(alphabet.size()) - 1));
      pool_ << path;
    }
  }

  // One random step; searches are checked against a scan.
  void step() {
    const int kind = pick(0, 29);
    if (kind < 10)
      return search();
    if (kind == 10)
      return command();
    edit(kind);
  }

 private:
  QString randomPath() {
    const QString& base = pool_.at(pick(0, static_cast<int>(pool_.size()) - 1));
    const int how = pick(0, 2);
    return how == 1 ? base.toUpper() : how == 2 ? base.toLower() : base;
  }

  int pick(int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng_); }
  SongArray& paths() { return MusicVariablesTestAccess::Paths(test::PlayList()); }
  int size() { return static_cast<int>(paths().size()); }
  std::size_t anyIndex() { return static_cast<std::size_t>(pick(0, size() - 1)); }

  static double scan(const SongArray& songs, double bound, const QString& term) {
    if (term.size() < 4)
      return -1;
    const QString upper = term.toUpper();
    for (std::size_t i = 0; i < songs.size() && static_cast<double>(i) <= bound; ++i) {
      if (songs[i].toUpper() == upper)
        return static_cast<double>(i);
    }
    return -1;
  }

  void search() {
    // Mostly terms that are in the list, in another case.
    const QString term =
        size() > 0 && pick(0, 1) == 0 ? paths()[anyIndex()].toLower() : randomPath();
    ASSERT_EQ(FindSongPath(test::PlayList(), term), scan(paths(), bound_, term))
        << "term " << term.toStdString() << " bound " << bound_ << " size " << size();
  }

  void command() {
    if (pick(0, 4) == 0) {
      FindSongPath(test::PlayList(), "stop");
      bound_ = -1;
      return;
    }
    bound_ = pick(-1, size() + 2) + (pick(0, 3) == 0 ? 0.5 : 0.0);
    FindSongPath(test::PlayList(), QStringLiteral("init") + QString::number(bound_));
  }

  void edit(int kind) {
    MusicVariables& mv = test::PlayList();
    const int n = size();
    if (kind < 20) {
      paths().push_back(randomPath());
    } else if (kind < 23) {
      if (n > 0)
        paths().set(anyIndex(), randomPath());
    } else if (kind == 23) {
      mv.setLastIndex(n - 1);
      MusicVariablesTestAccess::Names(mv).resize(paths().size());
      RemoveSongAt(test::PlayList(), pick(0, n));
    } else if (kind == 24) {
      if (n > 0)
        paths().eraseAt(anyIndex());
    } else if (kind == 25) {
      ResizeSongArrays(test::PlayList(), pick(n / 2, n + 3));
    } else if (kind == 26) {
      mv.setLastIndex(pick(-1, n + 2));
    } else if (kind == 27 && pick(0, 20) == 0) {
      std::vector<QString> fresh(static_cast<std::size_t>(pick(0, 12)));
      for (QString& p : fresh)
        p = randomPath();
      paths() = fresh;
    }
  }

  std::mt19937 rng_;
  QStringList pool_;
  double bound_ = 0;  // the search bound after the play list's reset
};

TEST_F(SongSearch, IndexAnswersLikeAScanUnderRandomEdits) {
  for (unsigned seed = 1; seed <= 30; ++seed) {
    test::PlayList().resetAll();
    RandomEdits edits(seed);
    for (int i = 0; i < 3000; ++i) {
      edits.step();
      if (::testing::Test::HasFatalFailure())
        FAIL() << "seed " << seed << " step " << i;
    }
  }
}

TEST_F(SongSearch, IndexAnswersLikeAScanOnLargeListsEditedAnywhere) {
  // Thousands of songs make the index grow through several sizes before parts of it are
  // dropped again, which is where a stale or unreachable entry would show.
  std::mt19937 rng(2024);
  auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
  auto randomPath = [&] {
    const QString base = QStringLiteral("/m/%1/Ä%2.mp3").arg(pick(0, 40)).arg(pick(0, 60));
    return pick(0, 1) == 0 ? base : base.toLower();
  };
  SongArray& songs = MusicVariablesTestAccess::Paths(test::PlayList());
  for (int i = 0; i < 3000; ++i)
    songs.push_back(randomPath());
  for (int round = 0; round < 150; ++round) {
    const int bound = pick(-1, static_cast<int>(songs.size()) + 1);
    FindSongPath(test::PlayList(), QStringLiteral("init%1").arg(bound));
    std::vector<QString> upper;
    for (const QString& p : songs)
      upper.push_back(p.toUpper());
    for (int s = 0; s < 20; ++s) {
      const QString term = randomPath();
      const auto first = std::find(upper.begin(), upper.end(), term.toUpper()) - upper.begin();
      const double expected =
          first <= bound && first < std::ssize(upper) ? static_cast<double>(first) : -1;
      ASSERT_EQ(FindSongPath(test::PlayList(), term), expected)
          << "round " << round << " bound " << bound;
    }
    const auto at = static_cast<std::size_t>(pick(0, static_cast<int>(songs.size()) - 1));
    switch (pick(0, 3)) {
      case 0:
        songs.set(at, randomPath());
        break;
      case 1:
        songs.eraseAt(at);
        break;
      case 2:
        songs.resize(at + 1);
        break;
      default:
        for (int i = pick(1, 500); i > 0; --i)
          songs.push_back(randomPath());
        break;
    }
    while (songs.size() < 1000)
      songs.push_back(randomPath());
  }
}

}  // namespace
