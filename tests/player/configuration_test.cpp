// The player's configuration file: the exact records, the round trip of a play list, the
// first run, the upgrade, and damaged files.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>

#include "platform/fakes/FakePlatform.h"
#include "player/startup/GlobalMethods.h"
#include "player/startup/MusicVariables.h"
#include "player/window/Configuration.h"
#include "shared/RecordNotation.h"
#include "tests/support/InstalledProgress.h"
#include "tests/support/PlayListOfTheTest.h"
#include "tests/support/TestFiles.h"

using namespace qvt;

namespace {

using FakeHost = test::FakeConfigurationHost;
using test::ReadAll;

void WriteAll(const QString& path, const QByteArray& bytes) {
  ASSERT_TRUE(test::WriteAll(path, bytes));
}

class ConfigurationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    test::PlayList().resetAll();
    platform().progressWindows = nullptr;
  }
  void TearDown() override { test::PlayList().resetAll(); }

  void SetList(const std::vector<QString>& paths, const std::vector<QString>& names) {
    test::PlayList().replaceAll(paths, names);
  }
  Configuration::LoadResult Load() {
    test::PlayList().resetAll();
    test::PlayList().setLastIndex(-1);
    loaded = FakeHost();
    return Configuration::LoadConfiguration(qvt::platform(), test::PlayList(), loaded,
                                            bHasPlayList);
  }
  QString ConfigPath() const { return fake.path("ConfigurationAndLastPlayList.qvs"); }

  FakePlatform fake;
  FakeHost host;
  FakeHost loaded;
  bool bHasPlayList = false;
};

TEST_F(ConfigurationTest, SavesTheRecordsInOrder) {
  SetList({"/m/Blue.mp3", "/m/Red.mp3"}, {"Blue.mp3", "Red.mp3"});
  GlobalMethods::SetSkipMode(platform(), test::PlayList(), 3);
  GlobalMethods::SetSongLoadingPriority(platform(), test::PlayList(), 1);
  Configuration::SaveConfiguration(qvt::platform(), test::PlayList(), host, bHasPlayList);
  EXPECT_TRUE(bHasPlayList);
  EXPECT_EQ(ReadAll(ConfigPath()),
            "1,33,1\r\n0\r\n#FALSE#,#TRUE#,#FALSE#\r\n3\r\n#TRUE#\r\n#FALSE#\r\n#FALSE#\r\n1\r\n"
            "\"/m/Blue.mp3\",\"Blue.mp3\"\r\n\"/m/Red.mp3\",\"Red.mp3\"\r\n");
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST_F(ConfigurationTest, PlayListAndSettingsSurviveARestart) {
  SetList({"/m/a, b.mp3", "/m/Ünïcode ß/é.flac", "/m/c.ogg"}, {"a, b.mp3", "é.flac", "c.ogg"});
  host.position = 2;
  host.random = true;
  GlobalMethods::SetSkipMode(platform(), test::PlayList(), 2);
  GlobalMethods::SetProcessingVisibility(platform(), test::PlayList(), 2);
  GlobalMethods::SetQuickPlayClose(test::PlayList(), true);
  Configuration::SaveConfiguration(qvt::platform(), test::PlayList(), host, bHasPlayList);

  GlobalMethods::SetSkipMode(platform(), test::PlayList(), 1);
  GlobalMethods::SetProcessingVisibility(platform(), test::PlayList(), 1);
  GlobalMethods::SetQuickPlayClose(test::PlayList(), false);
  EXPECT_EQ(Load(), Configuration::LoadResult::Loaded);
  EXPECT_TRUE(fake.dialogs.shown.empty()) << fake.dialogs.texts().join("|").toStdString();
  EXPECT_TRUE(bHasPlayList);
  EXPECT_EQ(test::PlayList().dblLastIndex(), 2);
  EXPECT_EQ(test::PlayList().sSongPaths()[1], "/m/Ünïcode ß/é.flac");
  EXPECT_EQ(test::PlayList().sSongNames()[0], "a, b.mp3");
  EXPECT_EQ(loaded.position, 2);
  EXPECT_TRUE(loaded.random);
  EXPECT_EQ(GlobalMethods::GetSkipMode(test::PlayList()), 2);
  EXPECT_TRUE(GlobalMethods::GetHideProcessing(test::PlayList()));
  EXPECT_TRUE(GlobalMethods::GetQuickPlayClose(test::PlayList()));
  SetProcessingSuppressed(false);
}

TEST_F(ConfigurationTest, AnEmptyListIsMinusOneAndNothingAfter) {
  test::PlayList().setLastIndex(-1);
  Configuration::SaveConfiguration(qvt::platform(), test::PlayList(), host, bHasPlayList);
  EXPECT_FALSE(bHasPlayList);
  EXPECT_TRUE(ReadAll(ConfigPath()).endsWith("#FALSE#\r\n-1\r\n"));
  Load();
  EXPECT_EQ(test::PlayList().dblLastIndex(), -1);
  EXPECT_FALSE(bHasPlayList);
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST_F(ConfigurationTest, BothCheckBoxesSavedLoadsOnlyLoop) {
  WriteAll(ConfigPath(),
           "1,33,1\r\n0\r\n#TRUE#,#FALSE#,#TRUE#\r\n1\r\n#FALSE#\r\n#FALSE#\r\n"
           "#FALSE#\r\n-1\r\n");
  Load();
  EXPECT_TRUE(loaded.loop);
  EXPECT_FALSE(loaded.random);
}

TEST_F(ConfigurationTest, FirstRunWelcomes) {
  Load();
  ASSERT_EQ(fake.dialogs.shown.size(), 1u);
  EXPECT_EQ(fake.dialogs.shown[0].text,
            "Welcome and thank you for using Quavertone.\r\nHalcyra:\r\nBringing the past, into "
            "the future.");
  EXPECT_EQ(fake.dialogs.shown[0].title, "Quavertone");
  EXPECT_EQ(test::PlayList().dblLastIndex(), -1);
}

// Another version's file asks for the upgrade and keeps its play list (records 8 onward), and
// its position when that names a song of the list; its options are not applied.
TEST_F(ConfigurationTest, AnotherVersionKeepsItsListForTheUpgrade) {
  struct Case {
    const char* what;
    QByteArray bytes;
    double lastIndex, position;
  };
  const QByteArray songs = "1\r\n\"/a.mp3\",\"a.mp3\"\r\n\"/b.mp3\",\"b.mp3\"\r\n";
  const Case cases[] = {
      {"position names a song",
       "1,33,0\r\n1\r\n#TRUE#,#TRUE#,#TRUE#\r\n3\r\n#TRUE#\r\n#TRUE#\r\n"
       "#TRUE#\r\n" +
           songs,
       1, 1},
      {"position past the list, other option layout", "2,0,0\n7\nx,y,z,w\n1\n2\n3\n4\n" + songs, 1,
       0},
      {"list cut short", "1,33,0\r\n0\r\n#F#\r\n1\r\n#F#\r\n#F#\r\n#F#\r\n5\r\n\"/a.mp3\"", -1, 0},
      {"no list at all", "1,33,0\r\n0\r\n", -1, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake.dialogs.shown.clear();
    GlobalMethods::SetSkipMode(platform(), test::PlayList(), 0);
    WriteAll(ConfigPath(), c.bytes);
    EXPECT_EQ(Load(), Configuration::LoadResult::Upgrade);
    EXPECT_EQ(fake.dialogs.texts(), QStringList{"Preparing to upgrade"});
    EXPECT_EQ(test::PlayList().dblLastIndex(), c.lastIndex);
    EXPECT_EQ(loaded.position, c.position);
    EXPECT_FALSE(loaded.random || loaded.loop);
    EXPECT_EQ(GlobalMethods::GetSkipMode(test::PlayList()), 0);
    if (c.lastIndex == 1) {
      EXPECT_EQ(test::PlayList().sSongNames()[1], "b.mp3");
    }
  }
}

// A file already in memory, whole or taken in blocks, loads as the file does: of this version
// and of another.
TEST_F(ConfigurationTest, AFileInMemoryLoadsAsTheFileDoes) {
  const QByteArray options = "1\r\n#TRUE#,#TRUE#,#FALSE#\r\n3\r\n#TRUE#\r\n#FALSE#\r\n#FALSE#\r\n";
  const QByteArray songs = "1\r\n\"/a.mp3\",\"a.mp3\"\r\n\"/b.mp3\",\"b.mp3\"\r\n";
  for (const QByteArray& bytes : {"1,33,1\r\n" + options + songs, "1,32,0\r\n" + options + songs}) {
    WriteAll(ConfigPath(), bytes);
    const Configuration::LoadResult fromFile = Load();
    const std::vector<QString> names = test::PlayList().sSongNames().items();
    const FakeHost fromFileHost = loaded;
    const QStringList messages = fake.dialogs.texts();
    ASSERT_EQ(names.size(), 2u);
    for (RecordReader memory : {RecordReader::fromBytes(bytes), RecordReader::inBlocks(bytes, 3)}) {
      fake.dialogs.shown.clear();
      test::PlayList().resetAll();
      test::PlayList().setLastIndex(-1);
      loaded = FakeHost();
      EXPECT_EQ(Configuration::LoadConfiguration(qvt::platform(), test::PlayList(), loaded,
                                                 bHasPlayList, std::move(memory)),
                fromFile);
      EXPECT_EQ(test::PlayList().sSongNames().items(), names);
      EXPECT_EQ(loaded.position, fromFileHost.position);
      EXPECT_EQ(loaded.random, fromFileHost.random);
      EXPECT_EQ(fake.dialogs.texts(), messages);
    }
  }
}

// Damaged files end with their message and an empty list; the position read before the
// failure stays.
TEST_F(ConfigurationTest, DamagedFilesGiveTheirMessageAndAnEmptyList) {
  const QString general = "An error has occured while loading settings";
  const QString overflow =
      "Incorrect data loaded from configuration file.  If you just upgraded, this is normal";
  const QByteArray head =
      "1,33,1\r\n4\r\n#FALSE#,#TRUE#,#FALSE#\r\n1\r\n#FALSE#\r\n#FALSE#\r\n"
      "#FALSE#\r\n";
  struct Case {
    const char* what;
    QByteArray bytes;
    QString message;
  } cases[] = {
      {"version over 16 bits", "40000,33,1\r\n", overflow},
      {"skip mode over 16 bits", "1,33,1\r\n0\r\n#FALSE#,#TRUE#,#FALSE#\r\n99999\r\n", overflow},
      {"empty file", "", general},
      {"truncated header", "1,33,1\r\n4\r\n#FALSE#", general},
      {"fewer songs than announced", head + "2\r\n\"/a.mp3\",\"a.mp3\"\r\n", general},
      {"ten million songs", head + "9999999\r\n\"/a.mp3\",\"a.mp3\"\r\n", general},
      {"huge count", head + "1e300\r\n", general},
      {"negative count", head + "-7\r\n", general},
      {"fractional count", head + "0.5\r\n\"/a.mp3\",\"a.mp3\"\r\n", general},
      {"garbage", QByteArray("\x01\xff\xfe garbage,,,\"\r\n\x00\x00", 20), general},
      {"text for a number", "1,33,1\r\nabc\r\n", general},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    fake.dialogs.shown.clear();
    WriteAll(ConfigPath(), c.bytes);
    Load();
    EXPECT_EQ(fake.dialogs.texts(), QStringList{c.message});
    EXPECT_EQ(test::PlayList().dblLastIndex(), -1);
    EXPECT_FALSE(bHasPlayList);
  }
}

TEST_F(ConfigurationTest, QuickPlaySettingsAreCreatedCentredOrKeptWithTheNewOption) {
  fake.screen.width = 1920;
  fake.screen.height = 1080;
  test::PlayList().setLastIndex(-1);
  GlobalMethods::SetQuickPlayClose(test::PlayList(), true);
  Configuration::SaveConfiguration(qvt::platform(), test::PlayList(), host, bHasPlayList);
  EXPECT_EQ(ReadAll(fake.path("QPConfig.qvc")), "7117.5,12000\r\n#TRUE#\r\n0\r\n");

  WriteAll(fake.path("QPConfig.qvc"), "100,200\r\n#TRUE#\r\n7\r\n");
  GlobalMethods::SetQuickPlayClose(test::PlayList(), false);
  Configuration::SaveConfiguration(qvt::platform(), test::PlayList(), host, bHasPlayList);
  EXPECT_EQ(ReadAll(fake.path("QPConfig.qvc")), "100,200\r\n#FALSE#\r\n7\r\n");
}

// Items that are missing or not numbers keep 0; a read-only file is left as it is.
TEST_F(ConfigurationTest, QuickPlaySettingsTakeOnlyNumbersAndSpareAReadOnlyFile) {
  test::PlayList().setLastIndex(-1);
  GlobalMethods::SetQuickPlayClose(test::PlayList(), false);
  WriteAll(fake.path("QPConfig.qvc"), "x,\"5\"\r\n#TRUE#");
  Configuration::SaveConfiguration(qvt::platform(), test::PlayList(), host, bHasPlayList);
  EXPECT_EQ(ReadAll(fake.path("QPConfig.qvc")), "0,0\r\n#FALSE#\r\n0\r\n");

  WriteAll(fake.path("QPConfig.qvc"), "1,2\r\n#TRUE#\r\n3\r\n");
  for (const int32_t attributes : {int32_t{kAttrReadOnly}, kAttrReadOnly | kAttrSystem}) {
    fake.files.attributeOverrides[fake.path("QPConfig.qvc")] = attributes;
    Configuration::SaveConfiguration(qvt::platform(), test::PlayList(), host, bHasPlayList);
    EXPECT_EQ(ReadAll(fake.path("QPConfig.qvc")), "1,2\r\n#TRUE#\r\n3\r\n") << attributes;
  }
}

TEST_F(ConfigurationTest, ASaveThatCannotBeWrittenSaysSoAndKeepsTheOldFile) {
  QDir(fake.folder()).mkdir("ConfigurationAndLastPlayList.qvs");
  test::PlayList().setLastIndex(-1);
  Configuration::SaveConfiguration(qvt::platform(), test::PlayList(), host, bHasPlayList);
  ASSERT_EQ(fake.dialogs.shown.size(), 1u);
  EXPECT_TRUE(
      fake.dialogs.shown[0].text.startsWith("An error has occured while saving settings\r\n"));
  EXPECT_TRUE(QFileInfo(ConfigPath()).isDir());
  EXPECT_FALSE(QFile::exists(fake.path("QPConfig.qvc"))) << "quick play settings not written";
}

// Songs that cannot be read back are left out, not the list, the user is told once which they
// are, and the saved position still names the song it named (or the one that followed a song
// left out).
TEST_F(ConfigurationTest, SongsThatCannotBeStoredAreLeftOutNotTheList) {
  const QString quoted = "say \"hi\".mp3";
  SetList({"/m/a.mp3", "/m/" + quoted, "/m/c.mp3", "/m/d.mp3"}, {"a.mp3", quoted, "c", quoted});
  const std::pair<double, QString> positions[] = {{2, "c"}, {1, "c"}, {3, "a.mp3"}, {0, "a.mp3"}};
  for (const auto& [position, song] : positions) {
    host.position = position;
    Configuration::SaveConfiguration(qvt::platform(), test::PlayList(), host, bHasPlayList);
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_EQ(fake.dialogs.shown[0].text.split("\r\n").mid(1),
              QStringList({"/m/" + quoted, "/m/d.mp3"}));
    fake.dialogs.shown.clear();
    Load();
    EXPECT_TRUE(fake.dialogs.shown.empty());
    ASSERT_EQ(test::PlayList().dblLastIndex(), 1);
    EXPECT_EQ(test::PlayList().sSongNames()[static_cast<std::size_t>(loaded.position)], song)
        << position;
    SetList({"/m/a.mp3", "/m/" + quoted, "/m/c.mp3", "/m/d.mp3"}, {"a.mp3", quoted, "c", quoted});
  }
  // A long run of such songs is named in part and counted.
  std::vector<QString> many(25, "/m/" + quoted);
  SetList(many, many);
  Configuration::SaveConfiguration(qvt::platform(), test::PlayList(), host, bHasPlayList);
  ASSERT_EQ(fake.dialogs.shown.size(), 1u);
  const QStringList lines = fake.dialogs.shown[0].text.split("\r\n");
  EXPECT_LT(lines.size(), 25);
  EXPECT_TRUE(lines.back().contains(QString::number(25 - (lines.size() - 2))))
      << qPrintable(lines.back());
}

}  // namespace
