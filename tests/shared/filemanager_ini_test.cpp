// clsFileManager's INI reader and writer: where the search starts and stops, what the value is,
// which line a write replaces or follows, and that nothing else in the file changes.
#include <gtest/gtest.h>
#include <QFile>

#include "platform/fakes/FakePlatform.h"
#include "shared/FileManager.h"
#include "tests/support/TestFiles.h"

using namespace qvt;

namespace {

// The test run's file numbers.
FileNumbers& numbers() {
  return FileNumbersOf(platform());
}

// A literal's bytes, NULs included.
template <size_t N>
QByteArray raw(const char (&text)[N]) {
  return QByteArray(text, N - 1);
}

QByteArray readBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// A file manager and the INI file its reads and writes go to, in a fake program folder.
class IniFile : public ::testing::Test {
 protected:
  void writeBytes(const QByteArray& bytes) { ASSERT_TRUE(test::WriteAll(path, bytes)); }

  FakePlatform fake;
  const QString path = fake.path("a.ini");
  clsFileManager fm{platform()};
};
using ReadINI = IniFile;
using WriteINI = IniFile;

}  // namespace

TEST_F(ReadINI, FindsTheValueAfterTheSectionHeader) {
  const struct {
    QByteArray file;
    QString section, key, value;
  } rows[] = {
      {"[S]\r\nname = a=b\r\n", "S", "name", "a"},
      {"[S]\r\nk=v", "S", "k", "v"},
      {"  [S]  \r\n  k  =  v w  \r\n", "S", " k ", "v w"},
      {"[S]\nk=\tv\n", "S", "k", "\tv"},
      {"[A]\r\nx=1\r\n[B]\r\nk=2\r\n", "A", "k", "2"},  // the search runs past the next header
      {"k=0\r\n[A]\r\nk=1\r\n", "A", "k", "1"},
      {"k=0\r\n[A]\r\n", "A", "k", ""},
      {"[A]\r\nk=1\r\n", "B", "k", ""},
      {"[s]\r\nk=1\r\n", "S", "k", ""},
      {"[S]\r\nK=1\r\n", "S", "k", ""},
      {"[S]\r\nk\r\nk=1\r\n", "S", "k", ""},  // a line without "=" is its own key
      {"[S]\r\n=x\r\n\r\n", "S", "", ""},     // an empty key never matches
      {"[S]\r\nk=\r\n", "S", "k", ""},
      {"\xEF\xBB\xBF[S]\r\nk=\xC3\xA9\r\n", "S", "k", QString::fromUtf8("é")},
  };
  for (const auto& row : rows) {
    writeBytes(row.file);
    const Variant got = fm.ReadINI(path, row.section, row.key);
    EXPECT_EQ(got, Variant(row.value)) << row.file.constData();
  }
  EXPECT_TRUE(fm.ReadINI(fake.path("missing.ini"), "S", "k").isEmpty());
  EXPECT_EQ(numbers().InUse(), 0);
}

// The text of a file in memory gives the file's value, whatever the blocks it is taken in.
TEST_F(ReadINI, DataInMemoryGivesTheValueOfTheFile) {
  const struct {
    QByteArray file;
    QString key;
  } rows[] = {
      {"\xEF\xBB\xBF[S]\r\nk = v=w\r\n", "k"},
      {"k=0\r[S]\rk\rk=1", "k"},
      {"[S]\r\n=x\r\n", ""},
      {"[T]\nk=1\n", "k"},
  };
  for (const auto& row : rows) {
    writeBytes(row.file);
    const Variant expected = fm.ReadINI(path, "S", row.key);
    for (const qsizetype block : {1, 2, 3, 1 << 16})
      EXPECT_EQ(Variant(fm.ReadINIData(row.file, "S", row.key, block)), expected) << block;
  }
  EXPECT_EQ(numbers().InUse(), 0);
}

TEST_F(WriteINI, ReplacesOrAddsOneLineAndLeavesTheRest) {
  const struct {
    QByteArray before;
    QString key;
    Variant value;
    QByteArray after;
  } rows[] = {
      // key present: only its line changes, its key text kept as written
      {"[S]\r\na=1\r\nk = old\r\nz=9\r\n", "k", "new", "[S]\r\na=1\r\nk =new\r\nz=9\r\n"},
      {"[S]\r\nk\r\n", "k", 5.0, "[S]\r\nk=5\r\n"},
      // key absent: the entry follows the last line searched, inside the section or not
      {"[S]\r\nx=1", "k", true, "[S]\r\nx=1\r\nk=True\r\n"},
      {"[S]\nx=1\n[T]\ny=2\n", "k", 2.5, "[S]\r\nx=1\r\n[T]\r\ny=2\r\nk=2.5\r\n"},
      // nothing to do: no section, the header is the last line, the last key is empty
      {"[T]\nx=1\n", "k", "v", "[T]\nx=1\n"},
      {"x=1\n[S]", "k", "v", "x=1\n[S]"},
      {"[S]\r\nx=1\r\n\r\n", "k", "v", "[S]\r\nx=1\r\n\r\n"},
      // lines that are not touched keep their bytes
      {raw("\xFF\xFE\r\n[S]\r\nbin=\x01\0\x02\r\nk=1\r\n"), "k", "2",
       raw("\xFF\xFE\r\n[S]\r\nbin=\x01\0\x02\r\nk=2\r\n")},
  };
  for (const auto& row : rows) {
    writeBytes(row.before);
    fm.WriteINI(path, "S", row.key, row.value);
    EXPECT_EQ(readBytes(path), row.after) << row.before.constData();
    EXPECT_FALSE(QFile::exists(path + ".tmp"));
  }
  fm.WriteINI(fake.path("missing.ini"), "S", "k", "v");
  EXPECT_FALSE(QFile::exists(fake.path("missing.ini")));
  EXPECT_EQ(numbers().InUse(), 0);
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST_F(WriteINI, AFailedCopyReachesTheCallerAndChangesNothing) {
  writeBytes("[S]\r\nk=1\r\n");
  fake.files.failingPaths << path + ".tmp";
  EXPECT_THROW(fm.WriteINI(path, "S", "k", "2"), FileManagerError);
  EXPECT_EQ(readBytes(path), "[S]\r\nk=1\r\n");
  EXPECT_EQ(numbers().InUse(), 0);
}
