// Bad-song handling: the skip mode and its flags, the song file test, removing songs (one at a
// time and several at once), resizing the arrays and the yield of long loops.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QStringList>
#include <cmath>
#include <random>
#include <stdexcept>

#include "platform/fakes/FakePlatform.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "player/startup/PlayListIndex.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/SongLists.h"

using namespace qvt;
using namespace qvt::GlobalMethods;

namespace {

const QString kSkipModeError = QStringLiteral(
    "Error while selecting skip mode, please enter the options screen and choose a skip mode "
    "manully");
const QString kNoPlayable =
    QStringLiteral("Warning, there are no more playable songs in the current play list");

class BadSongs : public ::testing::Test {
 protected:
  void SetUp() override { test::PlayList().resetAll(); }
  void TearDown() override { test::PlayList().resetAll(); }

  static void setList(const QStringList& paths) {
    test::SetSongList(paths, test::NamesAfterFiles(paths));
  }
  static std::vector<QString> paths() { return test::PlayList().sSongPaths().items(); }
  static std::vector<QString> names() { return test::PlayList().sSongNames().items(); }

  QString touch(const QString& name) {
    QFile f(fake.path(name));
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    return fake.path(name);
  }

  FakePlatform fake;
};

TEST_F(BadSongs, SkipModeTable) {
  struct Row {
    int16_t mode;
    bool skip;
    bool remove;
    bool message;
  };
  // Each row starts from both flags True, so that a kept flag shows.
  const Row rows[] = {
      {0, false, false, false}, {1, false, false, false}, {2, true, true, false},
      {3, true, false, false},  {7, true, true, true},    {-1, true, true, true},
  };
  for (const Row& row : rows) {
    SetSkipBadSongs(test::PlayList(), true);
    SetRemoveBadSongs(test::PlayList(), true);
    fake.dialogs.shown.clear();
    SetSkipMode(platform(), test::PlayList(), row.mode);
    EXPECT_EQ(GetSkipBadSongs(test::PlayList()), row.skip) << row.mode;
    EXPECT_EQ(GetRemoveBadSongs(test::PlayList()), row.remove) << row.mode;
    EXPECT_EQ(GetSkipMode(test::PlayList()), row.mode) << "stored in every case";
    ASSERT_EQ(fake.dialogs.shown.size(), row.message ? 1u : 0u) << row.mode;
    if (row.message) {
      EXPECT_EQ(fake.dialogs.shown[0].text, kSkipModeError);
      EXPECT_EQ(fake.dialogs.shown[0].title, "Quavertone");
      EXPECT_EQ(fake.dialogs.shown[0].buttons, MsgButtons::OkOnly);
    }
  }
  SetSkipModeValue(test::PlayList(), 5);
  EXPECT_EQ(GetSkipMode(test::PlayList()), 5);
  EXPECT_TRUE(GetSkipBadSongs(test::PlayList())) << "the value alone leaves the flags";
}

TEST_F(BadSongs, SongFileExistsTable) {
  const QString plain = touch("plain.mp3");
  const QString readOnly = touch("ro.mp3");
  const QString system = touch("device.mp3");
  const QString hidden = touch(".hidden.mp3");
  QDir(fake.folder()).mkdir("folder.mp3");
  fake.files.attributeOverrides[readOnly] = kAttrReadOnly;
  fake.files.attributeOverrides[system] = kAttrSystem;
  setList({plain, readOnly, system, hidden, fake.path("folder.mp3"), fake.path("missing.mp3"),
           plain + "/below-a-file.mp3"});
  const bool expected[] = {true, true, false, false, false, false, false};
  for (int i = 0; i < 7; ++i)
    EXPECT_EQ(SongFileExists(platform(), test::PlayList(), i), expected[i]) << i;
  EXPECT_FALSE(SongFileExists(platform(), test::PlayList(), 7)) << "past the list";
  EXPECT_FALSE(SongFileExists(platform(), test::PlayList(), -1));
  EXPECT_TRUE(SongFileExists(platform(), test::PlayList(), 0.4)) << "rounded to a whole index";
  test::PlayList().setLastIndex(-1);
  EXPECT_FALSE(SongFileExists(platform(), test::PlayList(), 0))
      << "no play list: the stale element is no song";
}

TEST_F(BadSongs, ResizeKeepsElementsAndLastIndex) {
  setList({"/a", "/b", "/c"});
  ResizeSongArrays(test::PlayList(), 4);
  EXPECT_EQ(paths(), (std::vector<QString>{"/a", "/b", "/c", "", ""}));
  EXPECT_EQ(names().size(), 5u);
  EXPECT_EQ(test::PlayList().dblLastIndex(), 2);
  ResizeSongArrays(test::PlayList(), 0);
  EXPECT_EQ(paths(), std::vector<QString>{"/a"});
  ResizeSongArrays(test::PlayList(), -1);
  EXPECT_EQ(paths(), std::vector<QString>{"/a"});
}

TEST_F(BadSongs, RemoveBadSongTable) {
  struct Row {
    QStringList list;
    bool removeOn;
    double index;
    bool giveUp;
    std::vector<QString> after;
    double lastAfter;
    bool warning;
  };
  const Row rows[] = {
      {{"/a"}, false, 0, true, {"/a"}, 0, false},        // removal off
      {{"/a"}, true, 0, false, {"/a"}, -1, true},        // only song: stale element
      {{"/a", "/b"}, true, 0, false, {"/b"}, 0, false},  // one of two
      {{"/a", "/b", "/c"}, true, 1, false, {"/a", "/c"}, 1, false},
      {{"/a", "/b", "/c"}, true, 2, false, {"/a", "/b"}, 1, false},
      {{"/a", "/b", "/c"}, true, 3, true, {"/a", "/b", "/c"}, 2, false},  // no such song
      {{"/a", "/b", "/c"}, true, -1, true, {"/a", "/b", "/c"}, 2, false},
  };
  for (const Row& row : rows) {
    setList(row.list);
    SetRemoveBadSongs(test::PlayList(), row.removeOn);
    fake.dialogs.shown.clear();
    EXPECT_EQ(RemoveBadSong(platform(), test::PlayList(), row.index), row.giveUp)
        << row.list.join(' ').toStdString();
    EXPECT_EQ(paths(), row.after) << row.index;
    EXPECT_EQ(names().size(), row.after.size());
    EXPECT_EQ(test::PlayList().dblLastIndex(), row.lastAfter);
    EXPECT_EQ(fake.dialogs.texts(), row.warning ? QStringList{kNoPlayable} : QStringList{});
  }
}

TEST_F(BadSongs, RemoveSongAtIsSilentAndKeepsNamesParallel) {
  setList({"/a", "/b", "/c"});
  RemoveSongAt(test::PlayList(), 1);
  EXPECT_EQ(paths(), (std::vector<QString>{"/a", "/c"}));
  EXPECT_EQ(names(), (std::vector<QString>{"a name", "c name"}));
  RemoveSongAt(test::PlayList(), 5);
  EXPECT_EQ(paths().size(), 2u);
  RemoveSongAt(test::PlayList(), 0);
  RemoveSongAt(test::PlayList(), 0);
  EXPECT_EQ(test::PlayList().dblLastIndex(), -1);
  RemoveSongAt(test::PlayList(), 0);
  EXPECT_EQ(test::PlayList().dblLastIndex(), -1) << "an empty list stays empty";
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST_F(BadSongs, RemovingSeveralAtOnceEqualsOneByOneFromTheTop) {
  std::mt19937 rng(7);
  for (int round = 0; round < 300; ++round) {
    const int n = std::uniform_int_distribution<int>(1, 25)(rng);
    QStringList list;
    for (int i = 0; i < n; ++i)
      list << QStringLiteral("/s/%1").arg(i);
    std::vector<std::size_t> chosen;
    for (int i = 0; i < n + 3; ++i) {
      if (rng() % 3 == 0)
        chosen.push_back(static_cast<std::size_t>(i));
    }
    setList(list);
    for (auto it = chosen.rbegin(); it != chosen.rend(); ++it) {
      RemoveSongAt(test::PlayList(), static_cast<double>(*it));
    }
    const std::vector<QString> expectedPaths = paths();
    const std::vector<QString> expectedNames = names();
    const double expectedLast = test::PlayList().dblLastIndex();

    setList(list);
    RemoveSongsAt(test::PlayList(), chosen);
    ASSERT_EQ(paths(), expectedPaths) << "round " << round;
    ASSERT_EQ(names(), expectedNames) << "round " << round;
    ASSERT_EQ(test::PlayList().dblLastIndex(), expectedLast) << "round " << round;
  }
}

TEST_F(BadSongs, YieldOnlyWhenLoadingSlowly) {
  fake.eventLoop.processQtEvents = false;
  YieldIfLowPriority(platform(), test::PlayList());
  EXPECT_EQ(fake.eventLoop.passes, 0);
  SetSongLoadingPriority(platform(), test::PlayList(), 1);
  YieldIfLowPriority(platform(), test::PlayList());
  YieldIfLowPriority(platform(), test::PlayList());
  EXPECT_EQ(fake.eventLoop.passes, 2);
}

TEST(SongArray, ChecksEveryIndex) {
  SongArray songs{"/a", "/b"};
  EXPECT_EQ(songs[1], "/b");
  EXPECT_THROW(static_cast<void>(songs[2]), std::out_of_range);
  EXPECT_THROW(songs.set(2, "/c"), std::out_of_range);
  EXPECT_THROW(songs.eraseAt(2), std::out_of_range);
  EXPECT_THROW(songs.eraseSorted({0, 2}), std::out_of_range);
  EXPECT_EQ(songs.atIndex(0.5), "/a");
  EXPECT_EQ(songs.atIndex(1), "/b");
  for (double bad : {-1.0, 2.0, std::nan(""), 1e300}) {
    EXPECT_THROW(static_cast<void>(songs.atIndex(bad)), std::out_of_range) << bad;
  }
  songs.eraseSorted({0});
  EXPECT_EQ(songs, (SongArray{"/b"}));
}

}  // namespace

namespace {

// Texts that the compact storage treats differently: with and without a folder, empty, a lone
// folder, non-ASCII, a byte order mark at the start of either part, an unpaired surrogate
// (which UTF-8 cannot carry) and a text longer than the decoding buffer on the stack.
QString SampleText(std::mt19937& rng) {
  const auto pick = [&](int hi) { return std::uniform_int_distribution<int>(0, hi)(rng); };
  const QString folder = QStringLiteral("/music/%1/").arg(pick(400));
  switch (pick(9)) {
    case 0:
      return {};
    case 1:
      return QStringLiteral("song %1.mp3").arg(pick(99));
    case 2:
      return folder;
    case 3:
      return QString::fromUtf16(u"/Mús/ɸ\U0001F3B5/Ä%1.ogg").arg(pick(9));
    case 4:
      return QString::fromUtf16(u"\uFEFF/a/\uFEFFb");
    case 5:
      return folder + QChar(0xD800) + QStringLiteral("x");
    case 6:
      return folder + QString(600, QChar(u'é'));
    default:
      return folder + QStringLiteral("%1.mp3").arg(pick(99));
  }
}

}  // namespace

TEST(SongArray, KeepsEveryTextLikeAPlainVectorUnderRandomEdits) {
  std::mt19937 rng(7);
  const auto pick = [&](std::size_t hi) {
    return std::uniform_int_distribution<std::size_t>(0, hi)(rng);
  };
  SongArray songs;
  std::vector<QString> model;
  for (int step = 0; step < 20000; ++step) {
    const std::size_t n = model.size();
    const std::size_t kind = pick(n > 200 ? 9 : 12);
    if (kind >= 9 || n == 0) {
      model.push_back(SampleText(rng));
      songs.push_back(model.back());
    } else if (kind < 4) {
      const std::size_t i = pick(n - 1);
      model[i] = SampleText(rng);
      songs.set(i, model[i]);
    } else if (kind == 4) {
      const std::size_t i = pick(n - 1);
      model.erase(model.begin() + static_cast<std::ptrdiff_t>(i));
      songs.eraseAt(i);
    } else if (kind == 5) {
      std::vector<std::size_t> drop;
      for (std::size_t i = pick(n - 1); i < n; i += 1 + pick(4))
        drop.push_back(i);
      for (auto at = drop.rbegin(); at != drop.rend(); ++at)
        model.erase(model.begin() + static_cast<std::ptrdiff_t>(*at));
      songs.eraseSorted(drop);
    } else if (kind == 6) {
      model.resize(pick(n + 3));
      songs.resize(model.size());
    } else if (kind == 7 && pick(50) == 0) {
      songs = model;
    }
    ASSERT_EQ(songs, model) << "step " << step;
  }
}
