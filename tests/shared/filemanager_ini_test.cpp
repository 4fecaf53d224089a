// clsFileManager's INI reader and writer: where the search starts and stops, what the value is,
// which line a write replaces or follows, and that nothing else in the file changes.
#include <gtest/gtest.h>
#include <QFile>

#include "platform/fakes/FakePlatform.h"
#include "shared/FileManager.h"
#include "tests/support/TestFiles.h"

using namespace qvt;

namespace {

void writeBytes(const QString& path, const QByteArray& bytes) {
  ASSERT_TRUE(test::WriteAll(path, bytes));
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

}  // namespace

TEST(ReadINI, FindsTheValueAfterTheSectionHeader) {
  FakePlatform fake;
  const struct {
    QByteArray file;
    QString section;
    QString key;
    QString value;
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
  clsFileManager fm;
  for (const auto& row : rows) {
    writeBytes(fake.path("a.ini"), row.file);
    const Variant got = fm.ReadINI(fake.path("a.ini"), row.section, row.key);
    EXPECT_EQ(got, Variant(row.value)) << row.file.constData();
  }
  EXPECT_TRUE(fm.ReadINI(fake.path("missing.ini"), "S", "k").isEmpty());
  EXPECT_EQ(FileNumbersInUse(), 0);
}

TEST(WriteINI, ReplacesOrAddsOneLineAndLeavesTheRest) {
  FakePlatform fake;
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
  clsFileManager fm;
  for (const auto& row : rows) {
    writeBytes(fake.path("a.ini"), row.before);
    fm.WriteINI(fake.path("a.ini"), "S", row.key, row.value);
    EXPECT_EQ(readBytes(fake.path("a.ini")), row.after) << row.before.constData();
    EXPECT_FALSE(QFile::exists(fake.path("a.ini.tmp")));
  }
  fm.WriteINI(fake.path("missing.ini"), "S", "k", "v");
  EXPECT_FALSE(QFile::exists(fake.path("missing.ini")));
  EXPECT_EQ(FileNumbersInUse(), 0);
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST(WriteINI, AFailedCopyReachesTheCallerAndChangesNothing) {
  FakePlatform fake;
  const QString path = fake.path("a.ini");
  writeBytes(path, "[S]\r\nk=1\r\n");
  fake.files.failingPaths << path + ".tmp";
  clsFileManager fm;
  EXPECT_THROW(fm.WriteINI(path, "S", "k", "2"), FileManagerError);
  EXPECT_EQ(readBytes(path), "[S]\r\nk=1\r\n");
  EXPECT_EQ(FileNumbersInUse(), 0);
}
