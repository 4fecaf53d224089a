// clsFileManager: value lines written and read back, line ends, hostile input, opening and
// closing with their result codes and "File Error" boxes, and the file and system questions.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cmath>
#include <functional>

#include "platform/fakes/FakePlatform.h"
#include "shared/FileManager.h"
#include "tests/support/TestFiles.h"

using namespace qvt;

namespace {

// The test run's file numbers.
FileNumbers& numbers() {
  return FileNumbersOf(platform());
}

void writeBytes(const QString& path, const QByteArray& bytes) {
  ASSERT_TRUE(test::WriteAll(path, bytes));
}

QByteArray readBytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

// Writes one value line of `values` and returns the file's bytes.
QByteArray writtenLine(FakePlatform& fake, const std::vector<Variant>& values) {
  clsFileManager fm(platform());
  EXPECT_EQ(fm.OpenFile(fake.path("v.qvs"), 2, false), 0);
  for (const Variant& v : values)
    EXPECT_TRUE(fm.SaveVariable(v, false));
  EXPECT_TRUE(fm.WriteLineToFile());
  EXPECT_TRUE(fm.CloseFile(false));
  return readBytes(fake.path("v.qvs"));
}

// Opens `bytes` for reading and reads its first line.
void openLine(FakePlatform& fake, clsFileManager& fm, const QByteArray& bytes) {
  writeBytes(fake.path("r.qvs"), bytes);
  ASSERT_EQ(fm.OpenFile(fake.path("r.qvs"), 1, false), 0);
  ASSERT_TRUE(fm.ReadNextLine());
}

// Every line of a file as ReadNextLine gives them.
QStringList allLines(FakePlatform& fake, const QByteArray& bytes) {
  writeBytes(fake.path("l.qvs"), bytes);
  clsFileManager fm(platform());
  EXPECT_EQ(fm.OpenFile(fake.path("l.qvs"), 1, false), 0);
  QStringList lines;
  while (fm.ReadNextLine())
    lines << fm.currentLine();
  EXPECT_EQ(fm.dLineNumber(), lines.size());
  return lines;
}

}  // namespace

// ---- value lines ---------------------------------------------------------------------------

TEST(ValueLine, SavedValuesWriteOneLineAndReadBack) {
  FakePlatform fake;
  EXPECT_EQ(writtenLine(fake, {"a", int16_t(5), false}), "\"a\",5,#FALSE#\r\n");
  clsFileManager fm(platform());
  openLine(fake, fm, readBytes(fake.path("v.qvs")));
  EXPECT_EQ(fm.GetVarFromFile(0), Variant("a"));
  EXPECT_EQ(fm.GetVarFromFile(1), Variant(5.0));
  EXPECT_EQ(fm.GetVarFromFile(2), Variant("#FALSE#"));
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST(ValueLine, EachKindIsWrittenInItsForm) {
  FakePlatform fake;
  const struct {
    Variant value;
    QByteArray text;
  } rows[] = {
      {int16_t(120), "120"},
      {int32_t(-70000), "-70000"},
      {3.0, "3"},
      {0.1, "0.1"},
      {2.5e-10, "2.5e-10"},
      {Variant(), ""},
      {true, "#TRUE#"},
      {"C:\\Music\\a.qvl", "\"C:\\Music\\a.qvl\""},
      {"say \"hi\"", "\"say \"hi\"\""},
      {QString::fromUtf8("Müsic ♪"), "\"Müsic ♪\""},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(writtenLine(fake, {row.value}), row.text + "\r\n") << row.text.constData();
  }
  EXPECT_EQ(writtenLine(fake, {int16_t(120), "C:\\Music\\a.qvl", true}),
            "120,\"C:\\Music\\a.qvl\",#TRUE#\r\n");
}

TEST(ValueLine, ItemsConvertToDoublesOrText) {
  FakePlatform fake;
  const struct {
    QByteArray line;
    int16_t index;
    Variant expected;
  } rows[] = {
      {" 7 ", 0, 7.0},
      {"\t3\t", 0, 3.0},
      {"+5", 0, 5.0},
      {"-.5", 0, -0.5},
      {"5.", 0, 5.0},
      {"1E+3", 0, 1000.0},
      {"\"\"", 0, ""},
      {"\" 7 \"", 0, " 7 "},
      {"\"5\"", 0, "5"},
      {"#TRUE#", 0, "#TRUE#"},
      {".", 0, "."},
      {"1e", 0, "1e"},
      {"1 2", 0, "1 2"},
      {"0x10", 0, "0x10"},
      {"inf", 0, "inf"},
      {"nan", 0, "nan"},
      {"1e400", 0, "1e400"},
      {"-1e-400", 0, "-1e-400"},
      {"\"abc", 0, "\"abc"},
      {"abc\"", 0, "abc\""},
      {"", 0, ""},
      {"1,,2", 1, ""},
      {"\"a,b\"", 1, "b\""},
      {"\xd9\xa1", 0, "\u0661"},
      {"\xff,5", 0, "\uFFFD"},
      {"\xff,5", 1, 5.0},
      {QByteArray("a\0b", 3), 0, QString("a") + QChar(0) + "b"},
  };
  for (const auto& row : rows) {
    clsFileManager fm(platform());
    openLine(fake, fm, row.line + "\r\n");
    EXPECT_EQ(fm.GetVarFromFile(row.index), row.expected) << row.line.constData();
  }
  EXPECT_TRUE(fake.dialogs.shown.empty());
}

TEST(ValueLine, DoublesSurviveTheRoundTripExactly) {
  FakePlatform fake;
  QRandomGenerator random(7);
  std::vector<Variant> values;
  for (int i = 0; i < 200; ++i) {
    values.emplace_back((random.generateDouble() - 0.5) *
                        std::pow(10.0, random.bounded(-300, 300)));
  }
  values.emplace_back(5e-324);
  values.emplace_back(1.7976931348623157e308);
  writtenLine(fake, values);
  clsFileManager fm(platform());
  openLine(fake, fm, readBytes(fake.path("v.qvs")));
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(fm.GetVarFromFile(static_cast<int16_t>(i)), values[i]) << i;
  }
}

TEST(ValueLine, BadItemsAreReportedAndGiveEmpty) {
  FakePlatform fake;
  const struct {
    QByteArray line;
    int16_t index;
    QString message;
  } rows[] = {
      {"\"", 0, "Invalid procedure call or argument"},
      {"1,2", 3, "Subscript out of range"},
      {"1,2", -1, "Subscript out of range"},
  };
  for (const auto& row : rows) {
    for (const bool verbose : {false, true}) {
      fake.dialogs.shown.clear();
      clsFileManager fm(platform());
      openLine(fake, fm, row.line);
      EXPECT_TRUE(fm.GetVarFromFile(row.index, verbose).isEmpty());
      ASSERT_EQ(fake.dialogs.shown.size(), verbose ? 0u : 1u) << row.line.constData();
      if (!verbose) {
        EXPECT_EQ(fake.dialogs.shown[0].text, row.message);
      }
    }
  }
}

// ---- line ends and hostile input -----------------------------------------------------------

TEST(Reading, LinesEndAtCrCrLfOrLf) {
  FakePlatform fake;
  const QByteArray block(65535, 'x');  // puts a CR LF across the reader's block boundary
  const struct {
    QByteArray bytes;
    QStringList lines;
  } rows[] = {
      {"", {}},
      {"a", {"a"}},
      {"a\r\nb", {"a", "b"}},
      {"a\rb\nc\r\n", {"a", "b", "c"}},
      {"\r\n", {""}},
      {"a\r\r\nb\n\r", {"a", "", "b", ""}},
      {block + "\r\ny", {QString(block), "y"}},
      {"\xEF\xBB\xBF"
       "1,2\r\n",
       {"1,2"}},
  };
  for (const auto& row : rows)
    EXPECT_EQ(allLines(fake, row.bytes), row.lines);
}

// Data in memory gives the lines of the same bytes in a file, whatever the blocks it is taken in,
// and holds a file number only while it is open.
TEST(Reading, DataInMemoryReadsAsTheFileDoes) {
  FakePlatform fake;
  const char bytes[] =
      "\xEF\xBB\xBF"
      "1,\"a\"\r\n\r\nb\rc\n\xFF\0,d\r";
  const QByteArray data(bytes, sizeof bytes - 1);
  const QStringList lines = allLines(fake, data);
  for (const qsizetype block : {1, 2, 3, 4, 7, 1 << 16}) {
    clsFileManager fm(platform());
    ASSERT_EQ(fm.OpenData(data, block), 0);
    EXPECT_EQ(FileNumbersOf(platform()).InUse(), 1);
    QStringList read;
    while (fm.ReadNextLine())
      read << fm.currentLine();
    EXPECT_EQ(read, lines) << "in blocks of " << block;
    EXPECT_TRUE(fm.CloseFile(true));
    EXPECT_EQ(FileNumbersOf(platform()).InUse(), 0);
  }
}

TEST(Reading, HostileFilesNeverCrash) {
  FakePlatform fake;
  QByteArray garbage(64 * 1024, '\0');
  QRandomGenerator random(42);
  for (char& c : garbage)
    c = static_cast<char>(random.bounded(256));
  const QByteArray megaLine(1 << 20, 'a');
  const QByteArray commas(1 << 20, ',');
  for (const QByteArray& bytes : {garbage, megaLine, commas, QByteArray(1000, '\0')}) {
    clsFileManager fm(platform());
    writeBytes(fake.path("g.bin"), bytes);
    ASSERT_EQ(fm.OpenFile(fake.path("g.bin"), 1, true), 0);
    while (fm.ReadNextLine()) {
      for (int16_t i = 0; i < 300; ++i)
        fm.GetVarFromFile(i, true);
    }
    EXPECT_TRUE(fm.isEOF());
  }
  clsFileManager fm(platform());
  openLine(fake, fm, megaLine);
  EXPECT_EQ(fm.GetVarFromFile(0).toString().size(), 1 << 20);
  openLine(fake, fm, commas);
  EXPECT_EQ(fm.GetVarFromFile(32767, true), Variant(""));
}

TEST(Reading, EndOfFileKeepsTheCurrentLine) {
  FakePlatform fake;
  clsFileManager fm(platform());
  openLine(fake, fm, "1,2\r\n3");
  EXPECT_FALSE(fm.isEOF());
  EXPECT_EQ(fm.ReadLine(), "3") << "ReadLine reads on without counting";
  EXPECT_EQ(fm.ReadLine(), "False");
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"Input past end of file"});
  EXPECT_EQ(fm.currentLine(), "1,2");
  EXPECT_EQ(fm.dLineNumber(), 1);
  EXPECT_TRUE(fm.isEOF());
  EXPECT_FALSE(fm.ReadNextLine());
  EXPECT_EQ(fm.currentLine(), "1,2");
  EXPECT_EQ(fm.dLineNumber(), 1);
  EXPECT_TRUE(fm.CloseFile(false));
  EXPECT_EQ(fm.dLineNumber(), 1);
  EXPECT_EQ(fm.currentLine(), "1,2");
  EXPECT_THROW(fm.isEOF(), FileManagerError);
}

// ---- messages --------------------------------------------------------------------------------

TEST(Messages, ShownTitledFileErrorOnlyWhenNotVerbose) {
  FakePlatform fake;
  writeBytes(fake.path("r.qvs"), "1\r\n");
  const struct {
    const char* message;
    std::function<void(clsFileManager&, bool)> act;
  } rows[] = {
      {"File not opened in read mode",
       [](clsFileManager& fm, bool v) { EXPECT_EQ(fm.ReadLine(v), "False"); }},
      {"File not opened in read mode",
       [](clsFileManager& fm, bool v) { EXPECT_TRUE(fm.GetVarFromFile(0, v).isEmpty()); }},
      {"File not opened in write mode",
       [](clsFileManager& fm, bool v) { EXPECT_FALSE(fm.WriteLineToFile(v)); }},
      {"File not opened in write mode",
       [](clsFileManager& fm, bool v) { EXPECT_FALSE(fm.SaveVariable(1, v)); }},
      {"File not opened in write mode",
       [](clsFileManager& fm, bool v) { EXPECT_FALSE(fm.PrintToFile(1, v)); }},
      {"File cannot be closed because the file has not been opened",
       [](clsFileManager& fm, bool v) { EXPECT_FALSE(fm.CloseFile(v)); }},
      {"The first line has not been read",
       [&](clsFileManager& fm, bool v) {
         ASSERT_EQ(fm.OpenFile(fake.path("r.qvs"), 1, true), 0);
         EXPECT_TRUE(fm.GetVarFromFile(0, v).isEmpty());
       }},
  };
  for (const auto& row : rows) {
    for (const bool verbose : {true, false}) {
      fake.dialogs.shown.clear();
      clsFileManager fm(platform());
      row.act(fm, verbose);
      if (verbose) {
        EXPECT_TRUE(fake.dialogs.shown.empty()) << row.message;
        continue;
      }
      ASSERT_EQ(fake.dialogs.shown.size(), 1u) << row.message;
      const MessageBoxSpec& box = fake.dialogs.shown[0];
      EXPECT_EQ(box.text, row.message);
      EXPECT_EQ(box.title, "File Error");
      EXPECT_EQ(box.buttons, MsgButtons::OkOnly);
    }
  }
}

// ---- opening and closing ---------------------------------------------------------------------

TEST(OpenFile, MissingFileForReadingGivesOneAndKeepsTheMode) {
  FakePlatform fake;
  clsFileManager fm(platform());
  EXPECT_EQ(fm.OpenFile(fake.path("x"), 7, false), 0) << "an unknown mode opens nothing";
  EXPECT_FALSE(fm.bFileOpen());
  EXPECT_EQ(fm.OpenFile(fake.path("missing.qvs"), 1, false), 1);
  EXPECT_EQ(fm.iOpenMode(), 7);
  EXPECT_EQ(fm.iFileNumber(), -1);
  EXPECT_EQ(fm.dLineNumber(), -1);
  EXPECT_EQ(fake.dialogs.texts(),
            QStringList{"File does not exist at \r\n" + fake.path("missing.qvs") +
                        "\r\nPlease verify that the path is correct and that the file exists"});
}

TEST(OpenFile, WritingRespectsReadOnlyAndCreatesMissingFiles) {
  FakePlatform fake;
  writeBytes(fake.path("ro.qvs"), "keep\r\n");
  writeBytes(fake.path("ro2.qvs"), "x\r\n");
  fake.files.attributeOverrides[fake.path("ro.qvs")] = kAttrReadOnly;
  fake.files.attributeOverrides[fake.path("ro2.qvs")] = kAttrReadOnly | kAttrArchive;
  clsFileManager fm(platform());
  EXPECT_EQ(fm.OpenFile(fake.path("ro.qvs"), 2, false), 2);
  EXPECT_EQ(fm.OpenFile(fake.path("ro.qvs"), 3, true), 2);
  EXPECT_FALSE(fm.bFileOpen());
  EXPECT_EQ(readBytes(fake.path("ro.qvs")), "keep\r\n");
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"File is Read Only"});
  EXPECT_EQ(fm.OpenFile(fake.path("ro2.qvs"), 2, false), 0) << "only exactly 1 is read-only";
  EXPECT_TRUE(fm.CloseFile(false));
  EXPECT_EQ(fm.OpenFile(fake.path("new.qvs"), 2, false), 0);
  EXPECT_TRUE(fm.bFileOpen());
  EXPECT_EQ(fm.iOpenMode(), 2);
  EXPECT_EQ(fm.dLineNumber(), 0);
  EXPECT_GT(fm.iFileNumber(), 0);
  EXPECT_TRUE(fm.WriteLineToFile()) << "nothing saved: an empty line";
  EXPECT_TRUE(fm.CloseFile(false));
  EXPECT_EQ(readBytes(fake.path("new.qvs")), "\r\n");
}

TEST(OpenFile, WriteTruncatesAppendAddsAndOpeningDiscardsPendingValues) {
  FakePlatform fake;
  const QString path = fake.path("w.qvs");
  clsFileManager fm(platform());
  ASSERT_EQ(fm.OpenFile(path, 3, true), 0) << "append creates a missing file";
  fm.SaveVariable("a", true);
  fm.WriteLineToFile();
  fm.SaveVariable("never written", true);
  fm.CloseFile(true);
  ASSERT_EQ(fm.OpenFile(path, 3, true), 0);
  fm.PrintToFile(true, true);
  fm.PrintToFile(2.5, true);
  fm.PrintToFile(Variant(), true);
  fm.WriteLineToFile();
  fm.CloseFile(true);
  EXPECT_EQ(readBytes(path), "\"a\"\r\nTrue\r\n2.5\r\n\r\n\r\n");
  ASSERT_EQ(fm.OpenFile(path, 2, true), 0);
  fm.SaveVariable(int16_t(1), true);
  fm.CloseFile(true);
  EXPECT_EQ(readBytes(path), "");
}

TEST(OpenFile, AnOpenFileIsReportedAndClosedFirst) {
  FakePlatform fake;
  writeBytes(fake.path("a.qvs"), "a\r\n");
  const int before = numbers().InUse();
  clsFileManager fm(platform());
  ASSERT_EQ(fm.OpenFile(fake.path("a.qvs"), 1, true), 0);
  EXPECT_EQ(numbers().InUse(), before + 1);
  EXPECT_EQ(fm.OpenFile(fake.path("b.qvs"), 2, false), 0) << "the new open sets its own code";
  EXPECT_EQ(numbers().InUse(), before + 1) << "the earlier file was closed";
  EXPECT_EQ(fake.dialogs.texts(),
            QStringList{"The file\r\n" + fake.path("b.qvs") + "\r\nIs already open"});
  EXPECT_EQ(fm.OpenFile(fake.path("c.qvs"), 9, true), 3);
  EXPECT_FALSE(fm.bFileOpen());
  EXPECT_EQ(numbers().InUse(), before);
}

TEST(OpenFile, OtherFailuresGiveNinetyNine) {
  FakePlatform fake;
  writeBytes(fake.path("plain"), "x");
  const QString paths[] = {fake.path("plain/below.qvs"), fake.path("no/such/folder.qvs")};
  for (const QString& path : paths) {
    fake.dialogs.shown.clear();
    clsFileManager fm(platform());
    EXPECT_EQ(fm.OpenFile(path, 2, false), 99) << path.toStdString();
    EXPECT_EQ(fm.iFileNumber(), -1);
    EXPECT_EQ(fm.dLineNumber(), -1);
    EXPECT_FALSE(fm.bFileOpen());
    EXPECT_EQ(fm.iOpenMode(), 0);
    ASSERT_EQ(fake.dialogs.shown.size(), 1u);
    EXPECT_FALSE(fake.dialogs.shown[0].text.isEmpty());
    EXPECT_EQ(fake.dialogs.shown[0].title, "File Error");
  }
}

TEST(FileNumbers, EachOpenFileHoldsItsOwnNumberUntilClosed) {
  FakePlatform fake;
  const int before = numbers().InUse();
  {
    clsFileManager a(platform());
    clsFileManager b(platform());
    ASSERT_EQ(a.OpenFile(fake.path("a"), 2, true), 0);
    ASSERT_EQ(b.OpenFile(fake.path("b"), 2, true), 0);
    EXPECT_NE(a.iFileNumber(), b.iFileNumber());
    EXPECT_NE(numbers().GetFree(), a.iFileNumber());
    a.PrintToFile("left open", true);
  }
  EXPECT_EQ(numbers().InUse(), before) << "the destructor closes a file left open";
  EXPECT_EQ(readBytes(fake.path("a")), "left open\r\n");

  std::vector<int16_t> taken;
  while (numbers().InUse() < kMaxFileNumber)
    taken.push_back(numbers().TakeFree());
  EXPECT_THROW(numbers().GetFree(), FileManagerError);
  clsFileManager fm(platform());
  EXPECT_EQ(fm.OpenFile(fake.path("c"), 2, false), 99);
  EXPECT_EQ(fake.dialogs.texts(), QStringList{"Too many files"});
  for (const int16_t n : taken)
    numbers().Release(n);
  EXPECT_EQ(numbers().InUse(), before);
}

TEST(Writing, WriteFailuresAreNotReportedAsSuccess) {
  if (!QFile::exists("/dev/full"))
    GTEST_SKIP() << "no /dev/full";
  FakePlatform fake;
  clsFileManager fm(platform());
  ASSERT_EQ(fm.OpenFile("/dev/full", 2, false), 0);
  fm.SaveVariable(QString(100000, 'x'), false);
  EXPECT_THROW(fm.WriteLineToFile(false), FileManagerError);
  EXPECT_FALSE(fm.PrintToFile(QString(100000, 'x'), true));
  EXPECT_TRUE(fm.PrintToFile("small", false)) << "buffered";
  EXPECT_FALSE(fm.CloseFile(false)) << "the buffered line could not be written";
  EXPECT_FALSE(fm.bFileOpen());
  ASSERT_EQ(fake.dialogs.shown.size(), 1u);
  EXPECT_EQ(fake.dialogs.shown[0].title, "File Error");
}

// ---- file and system questions -----------------------------------------------------------------

TEST(Questions, FileExistsExtensionsAndAttributes) {
  FakePlatform fake;
  if (fake.folder().contains('.'))
    GTEST_SKIP() << "a dot in the temporary folder";
  QDir(fake.folder()).mkdir("a.b");
  for (const char* name : {"a.b/c", "song.mp3", "plain", ".hidden", "ro"}) {
    writeBytes(fake.path(name), "x");
  }
  fake.files.attributeOverrides[fake.path("ro")] = kAttrReadOnly;
  clsFileManager fm(platform());
  const struct {
    QString path;
    bool exists;
    QString ext;
    int32_t attributes;
  } rows[] = {
      {fake.path("a.b/c"), true, "b/c", 0},
      {fake.path("song.mp3"), true, "mp3", 0},
      {fake.path("plain"), true, fake.path("plain"), 0},
      {fake.path("ro"), true, fake.path("ro"), kAttrReadOnly},
      {fake.path(".hidden"), false, "", 0},
      {fake.path("a.b"), false, "", 0},
      {fake.path("missing.mp3"), false, "", 0},
      {"/dev/null", false, "", 0},
      {"", false, "", 0},
  };
  for (const auto& row : rows) {
    EXPECT_EQ(fm.FileExists(row.path), row.exists) << row.path.toStdString();
    EXPECT_EQ(fm.GetFileExt(row.path), row.ext) << row.path.toStdString();
    EXPECT_EQ(fm.GetAttributes(row.path), row.attributes) << row.path.toStdString();
  }
  EXPECT_EQ(fm.GetFileExt(fake.path("song.mp3"), true), "MP3");
}

TEST(Questions, SystemFoldersAndMakeDir) {
  FakePlatform fake;
  platform().hasComponentFiles = true;
  clsFileManager fm(platform());
  fake.os.env["windir"] = "/win";
  fake.os.major = 5;
  EXPECT_EQ(fm.WinVer(), 5);
  EXPECT_EQ(fm.GetSystemDir(), "/win/SYSTEM32");
  fake.os.major = 4;
  EXPECT_EQ(fm.GetSystemDir(), "/win/SYSTEM");
  fake.os.env.clear();
  EXPECT_EQ(fm.GetWinDir(), "");
  EXPECT_EQ(fm.GetSystemDir(), "/SYSTEM");

  EXPECT_TRUE(fm.MakeDIR(fake.path("d")));
  EXPECT_TRUE(QFileInfo(fake.path("d")).isDir());
  EXPECT_FALSE(fm.MakeDIR(fake.path("d"))) << "already there";
  EXPECT_FALSE(fm.MakeDIR(fake.path("x/y"))) << "no parent";
  EXPECT_FALSE(fm.MakeDIR(""));
  EXPECT_TRUE(fake.dialogs.shown.empty());
}
