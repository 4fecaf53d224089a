// Record notation: the exact bytes written, field-by-field reading with its failures, round
// trips, atomic replacement of the target, and hostile input.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cfloat>
#include <optional>

#include "platform/fakes/FakePlatform.h"
#include "shared/RecordNotation.h"

using namespace qvt;

namespace {

QByteArray readAll(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void writeAll(const QString& path, const QByteArray& bytes) {
  QFile f(path);
  ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  f.write(bytes);
}

QStringList entries(const QString& folder) {
  return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::System);
}

// Reads one field as the type named by a letter and gives the value as text, or the failure:
// T text, I 16-bit, L 32-bit, D double, B Boolean; R reads a raw line, S skips one ("-").
QString readAs(RecordReader& r, char type) {
  static const char* kinds[] = {"!FileNotFound", "!PastEnd",     "!Overflow",
                                "!BadValue",     "!WriteFailed", "!ReadFailed"};
  try {
    switch (type) {
      case 'T':
        return r.readText();
      case 'I':
        return FormatNumber(r.readInt16());
      case 'L':
        return FormatNumber(r.readInt32());
      case 'D':
        return FormatNumber(r.readDouble());
      case 'R':
        return r.readLine();
      case 'S':
        r.skipLines(1);
        return "-";
      default:
        return r.readBool() ? "true" : "false";
    }
  } catch (const RecordError& e) {
    return kinds[e.kind()];
  }
}

}  // namespace

TEST(RecordWriter, WritesTheNotationByteForByte) {
  FakePlatform fake;
  const QString path = fake.path("out.qvl");
  RecordWriter w(files(), path);
  w.write({"C:\\a,b.mp3", -1});
  w.write({int16_t(1), int16_t(33), int16_t(1)});
  w.write({0.5, -2.25, 1e21, 32767.0, -0.0});
  w.write({false, true, Variant()});
  w.writePathName(" Blå, \"x", u8"日本.mp3");
  w.writeText(QString());
  w.commit();
  EXPECT_EQ(readAll(path),
            "\"C:\\a,b.mp3\",-1\r\n1,33,1\r\n0.5,-2.25,1e+21,32767,0\r\n#FALSE#,#TRUE#,\r\n"
            "\" Bl\xC3\xA5, \"x\",\"\xE6\x97\xA5\xE6\x9C\xAC.mp3\"\r\n\"\"\r\n");
  EXPECT_EQ(entries(fake.folder()), QStringList{"out.qvl"});
}

TEST(RecordReader, ReadsFieldsByTheNotation) {
  struct Case {
    QByteArray data;
    const char* types;
    QStringList expected;
  };
  const Case cases[] = {
      {"\"C:\\a,b.mp3\",-1\r\n", "TLT", {"C:\\a,b.mp3", "-1", "!PastEnd"}},
      {"   \"Blue.mp3\"\r\n", "T", {"Blue.mp3"}},
      {"32768\r\n32767\r\n-32768,-32769", "IIII", {"!Overflow", "32767", "-32768", "!Overflow"}},
      {"32767.5,32766.5,2.5,-2.5", "IIII", {"!Overflow", "32766", "2", "-2"}},
      {"2147483647,2147483648,-2147483648", "LLL", {"2147483647", "!Overflow", "-2147483648"}},
      {"1,2\r\n3\r\n", "IIIT", {"1", "2", "3", "!PastEnd"}},
      {"1\n2\r3\r\n\r\n4", "IIITI", {"1", "2", "3", "", "4"}},
      {"", "T", {"!PastEnd"}},
      {"1,", "IT", {"1", "!PastEnd"}},
      {",5,\r\n,  ,x", "TIIDBT", {"", "5", "!BadValue", "!BadValue", "!BadValue", "x"}},
      {"abc,12abc,-,e5,inf,nan,0x10,1 2",
       "DDDDDDDD",
       {"!BadValue", "!BadValue", "!BadValue", "!BadValue", "!BadValue", "!BadValue", "!BadValue",
        "!BadValue"}},
      {"1e3,+7,.5,5.,  42  ,\" 12 \",1e999,-1e-999",
       "DDDDIIDD",
       {"1000", "7", "0.5", "5", "42", "12", "!Overflow", "0"}},
      {"#TRUE#,#FALSE#,#true#,1,0,-3,yes",
       "BBBBBBB",
       {"true", "false", "true", "true", "false", "true", "!BadValue"}},
      {"\"a\"junk,\"b\"   \r\nc", "TTT", {"a", "b", "c"}},
      {"\"line\r\nbreak\",  a b  ,#TRUE#", "TTT", {"line\r\nbreak", "a b", "#TRUE#"}},
      {"\"abc,def", "TT", {"abc,def", "!PastEnd"}},
      {"\"", "TT", {"", "!PastEnd"}},
      {"\xEF\xBB\xBF\"x\"", "TT", {"x", "!PastEnd"}},
      // Only the data's first mark is skipped: a text may begin with U+FEFF.
      {"\xEF\xBB\xBF\xEF\xBB\xBFx,\"\xEF\xBB\xBFy\"",
       "TT",
       {QChar(0xFEFF) + QString("x"), QChar(0xFEFF) + QString("y")}},
      {"\"\xFF\xFE\xC3\"", "T", {QString(3, QChar(0xFFFD))}},
      // Raw lines do not look at quotes; a skip goes past the rest of the current line.
      {"\"a,b\r\nc\"\rd\n", "RRRR", {"\"a,b", "c\"", "d", "!PastEnd"}},
      {"1,2\r\n3\n\n", "ISISSR", {"1", "-", "3", "-", "-", "!PastEnd"}},
  };
  // Each case from memory, and from a file taken in blocks small enough that every field and
  // line end is cut somewhere; the file is read on by a copy after the first field.
  FakePlatform fake;
  const QString path = fake.path("cases.qvs");
  for (const Case& c : cases) {
    writeAll(path, c.data);
    for (const qint64 block : {0, 1, 2, 3, 5, 1 << 20}) {
      std::optional<RecordReader> r;
      r.emplace(block == 0 ? RecordReader::fromBytes(c.data) : RecordReader(files(), path, block));
      QStringList got;
      for (const char* t = c.types; *t != 0; ++t) {
        got << readAs(*r, *t);
        r.emplace(RecordReader(*r));
      }
      EXPECT_EQ(got, c.expected) << c.data.toStdString() << " in blocks of " << block;
    }
  }
}

TEST(RecordNotation, RoundTripsTextAndNumbersExactly) {
  FakePlatform fake;
  const QStringList texts = {"",        " lead and trail ", "a,b,,c", "tab\there", u8"Ünïcödé ♫ 🎵",
                             "C:\\x\\", "#TRUE#",           "-1"};
  const double numbers[] = {0.1, 1.0 / 3, -1e-300, 123456789.125, DBL_MAX, -DBL_MIN, 5e-324};
  RecordWriter w(files(), fake.path("rt.qvs"));
  for (const QString& t : texts)
    w.writePathName(t, t + "2");
  for (double d : numbers)
    w.write({d});
  w.commit();
  RecordReader r(files(), fake.path("rt.qvs"));
  for (const QString& t : texts) {
    EXPECT_EQ(r.readText(), t);
    EXPECT_EQ(r.readText(), t + "2");
  }
  for (double d : numbers)
    EXPECT_EQ(r.readDouble(), d);
  EXPECT_TRUE(r.atEnd());
  EXPECT_EQ(r.size(), QFileInfo(fake.path("rt.qvs")).size());
}

// Data in memory taken in blocks reads as the same bytes in a file do, copies going on from
// where they are included; data in memory tells its size as a file does.
TEST(RecordReader, DataInMemoryReadsAsTheFileDoes) {
  FakePlatform fake;
  const QString path = fake.path("blocks.qvs");
  const QByteArray data =
      "\xEF\xBB\xBF"
      "1,\"a\r\nb\",#TRUE#\r\n  x y  ,2.5\r3\n\"unclosed";
  writeAll(path, data);
  for (const qint64 block : {1, 2, 3, 5, 64}) {
    RecordReader file(files(), path, block);
    std::optional<RecordReader> memory;
    memory.emplace(RecordReader::inBlocks(data, block));
    EXPECT_EQ(memory->size(), file.size());
    for (const char* t = "ITBRTDISTT"; *t != 0; ++t) {
      EXPECT_EQ(readAs(*memory, *t), readAs(file, *t)) << *t << " in blocks of " << block;
      memory.emplace(RecordReader(*memory));
    }
    EXPECT_TRUE(memory->atEnd());
  }
  EXPECT_EQ(RecordReader::fromBytes(data).size(), data.size());
}

TEST(RecordReader, OpenFailuresAreDistinct) {
  FakePlatform fake;
  auto kindOf = [](const QString& path) {
    try {
      RecordReader r(files(), path);
      return -1;
    } catch (const RecordError& e) {
      return int(e.kind());
    }
  };
  EXPECT_EQ(kindOf(fake.path("missing.qvs")), RecordError::FileNotFound);
  EXPECT_EQ(kindOf(fake.folder()), RecordError::ReadFailed) << "a folder is not a missing file";
  writeAll(fake.path("empty.qvs"), "");
  RecordReader empty(files(), fake.path("empty.qvs"));
  EXPECT_TRUE(empty.atEnd());
  EXPECT_EQ(readAs(empty, 'T'), "!PastEnd");
}

// A file the file system cannot read, from its open or from some byte on, fails as ReadFailed
// with the file system's reason: never as a missing file, and never as data that ends early.
TEST(RecordReader, FailuresOfTheFileSystemAreReadFailures) {
  FakePlatform fake;
  const QString path = fake.path("list.qvs");
  RecordWriter w(files(), path);
  w.write({1});
  w.writeText("two");
  w.commit();
  fake.files.readFailsAfter[path] = 0;
  try {
    RecordReader r(files(), path);
    ADD_FAILURE() << "opened";
  } catch (const RecordError& e) {
    EXPECT_EQ(e.kind(), RecordError::ReadFailed);
    EXPECT_TRUE(e.description().contains("Permission denied")) << e.description().toStdString();
  }
  fake.files.readFailsAfter[path] = 4;  // "1", CR LF and the opening quote of "two"
  RecordReader r(files(), path, 2);
  EXPECT_EQ(readAs(r, 'I'), "1");
  RecordReader copy(r);
  EXPECT_EQ(readAs(r, 'T'), "!ReadFailed");
  EXPECT_EQ(readAs(copy, 'T'), "!ReadFailed");
}

TEST(RecordWriter, ReplacesTheTargetOnlyOnCommit) {
  FakePlatform fake;
  const QString path = fake.path("list.qvl");
  writeAll(path, "old\r\n");
  ::chmod(QFile::encodeName(path).constData(), 0640);
  const QFile::Permissions mode = QFile::permissions(path);
  {
    RecordWriter w(files(), path);
    w.write({1});
    EXPECT_EQ(readAll(path), "old\r\n");
    EXPECT_EQ(entries(fake.folder()).size(), 2) << "the temporary file sits beside the target";
    w.commit();
    EXPECT_THROW(w.write({2}), RecordError) << "a committed writer is closed";
  }
  EXPECT_EQ(readAll(path), "1\r\n");
  EXPECT_EQ(QFile::permissions(path), mode) << "the target keeps its mode";
  EXPECT_EQ(entries(fake.folder()), QStringList{"list.qvl"});
}

TEST(RecordWriter, FailuresLeaveTheTargetAndNoTemporaryFile) {
  FakePlatform fake;
  const QString path = fake.path("cfg.qvs");
  writeAll(path, "keep\r\n");
  auto expectWriteFailed = [&](const std::function<void()>& body) {
    try {
      body();
      ADD_FAILURE() << "no failure";
    } catch (const RecordError& e) {
      EXPECT_EQ(e.kind(), RecordError::WriteFailed) << e.what();
    }
    EXPECT_EQ(readAll(path), "keep\r\n");
    EXPECT_EQ(entries(fake.folder()), QStringList{"cfg.qvs"});
  };
  expectWriteFailed([&] {
    RecordWriter w(files(), path);
    w.write({1});
    throw RecordError(RecordError::WriteFailed, "abandoned");
  });
  expectWriteFailed([&] { RecordWriter w(files(), path + "/below/a.qvl"); });
  expectWriteFailed([&] {
    RecordWriter w(files(), path);
    w.write({std::numeric_limits<double>::quiet_NaN()});
  });
  fake.files.failingPaths << path;
  expectWriteFailed([&] {
    RecordWriter w(files(), path);
    w.writeText(QString(300000, 'x'));
    w.commit();
  });
}

// A new file is the owner's alone in a folder that lets no one else in (the settings folder),
// and as open as the umask allows elsewhere; a file replaced keeps its mode.
TEST(RecordWriter, NewFilesArePrivateInAPrivateFolder) {
  FakePlatform fake;
  const mode_t oldMask = ::umask(022);
  struct Row {
    mode_t folder;
    std::optional<mode_t> existing;
    mode_t written;
  };
  const Row rows[] = {{0700, std::nullopt, 0600},
                      {0750, std::nullopt, 0644},
                      {0701, std::nullopt, 0644},
                      {0700, 0644, 0644},
                      {0755, 0600, 0600}};
  for (const Row& row : rows) {
    SCOPED_TRACE(QString("folder %1, file %2")
                     .arg(row.folder, 0, 8)
                     .arg(row.existing ? QString::number(*row.existing, 8) : "new")
                     .toStdString());
    QTemporaryDir dir(fake.folder() + "/XXXXXX");
    const QString path = dir.filePath("settings.qvs");
    if (row.existing) {
      writeAll(path, "old");
      ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), *row.existing), 0);
    }
    ASSERT_EQ(::chmod(QFile::encodeName(dir.path()).constData(), row.folder), 0);
    RecordWriter w(files(), path);
    w.write({1});
    w.commit();
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, row.written) << std::oct << (st.st_mode & 0777);
  }
  ::umask(oldMask);
}

TEST(RecordWriter, WritesThroughASymbolicLink) {
  FakePlatform fake;
  writeAll(fake.path("real.qvs"), "old");
  ASSERT_TRUE(QFile::link(fake.path("real.qvs"), fake.path("link.qvs")));
  RecordWriter w(files(), fake.path("link.qvs"));
  w.write({true});
  w.commit();
  EXPECT_TRUE(QFileInfo(fake.path("link.qvs")).isSymLink());
  EXPECT_EQ(readAll(fake.path("real.qvs")), "#TRUE#\r\n");
}

TEST(RecordReader, HostileInputEndsInAFailureNeverACrash) {
  QByteArray list = "2\r\n\"/m/a.mp3\",\"a.mp3\"\r\n\"/m/b.mp3\",\"b.mp3\"\r\n\"/m/c\",\"c\"\r\n";
  for (qsizetype cut = 0; cut <= list.size(); ++cut) {
    RecordReader r = RecordReader::fromBytes(list.left(cut));
    QString last;
    for (const char* t = "ITTTTTT"; *t != 0 && !last.startsWith('!'); ++t) {
      last = readAs(r, *t);
    }
    if (cut <= list.lastIndexOf(',')) {
      EXPECT_EQ(last, "!PastEnd") << cut;
    }
  }
  const QByteArray longLine = QByteArray(1 << 20, 'x');
  RecordReader quoted = RecordReader::fromBytes('"' + longLine);
  EXPECT_EQ(quoted.readText().size(), longLine.size());
  RecordReader number = RecordReader::fromBytes(QByteArray(1 << 20, '9'));
  EXPECT_EQ(readAs(number, 'D'), "!Overflow");
  QRandomGenerator random(7);
  for (int round = 0; round < 2000; ++round) {
    QByteArray junk(random.bounded(64), Qt::Uninitialized);
    for (char& c : junk)
      c = "\",\r\n #19e.-TRUEx\xff"[random.bounded(18)];
    RecordReader r = RecordReader::fromBytes(junk);
    for (int i = 0; i < 100 && !r.atEnd(); ++i)
      readAs(r, "TILDB"[i % 5]);
    EXPECT_TRUE(r.atEnd()) << "every read consumes at least one character";
  }
}
