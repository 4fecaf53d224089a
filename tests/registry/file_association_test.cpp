// File association: the keys and values under both class roots, in order, read back by a second
// process; the verbs; failures; additional verbs; and the hand-over to the desktop.
#include <gtest/gtest.h>
#include <QFile>
#include <QTemporaryDir>
#include <QTextStream>
#include <functional>

#include "platform/fakes/FakePlatform.h"
#include "platform/registry/SqliteRegistry.h"
#include "player/options/DesktopAssociation.h"
#include "player/options/FileAssociation.h"
#include "tests/registry/ChildProcess.h"
#include "tests/support/TestFiles.h"

using namespace qvt;

namespace {

const QString kLm = QStringLiteral("SOFTWARE\\Classes\\");

// Records every value written, and refuses writes that `refuse` picks.
class RecordingStore : public SqliteRegistry {
 public:
  using SqliteRegistry::SqliteRegistry;
  QStringList written;  // "root path = text"
  std::function<bool(int32_t root, const QString& path)> refuse = [](int32_t, const QString&) {
    return false;
  };

  RegistryResult createKey(int32_t root, const QString& path) override {
    if (refuse(root, path))
      return {RegistryStatus::AccessDenied, "refused"};
    return SqliteRegistry::createKey(root, path);
  }
  RegistryResult setValue(int32_t root, const QString& path, const QString& name,
                          const RegistryValue& value) override {
    RegistryResult r = SqliteRegistry::setValue(root, path, name, value);
    EXPECT_EQ(value.type, kRegSz);
    EXPECT_TRUE(name.isEmpty());
    if (r.ok())
      written.append(Line(root, path, QString::fromUtf8(value.data.chopped(1))));
    return r;
  }
  static QString Line(int32_t root, const QString& path, const QString& text) {
    return (root == kHkeyClassesRoot ? "HKCR " : "HKLM ") + path + " = " + text;
  }
};

// Each (key, text) pair below both roots, in the order they are written.
QStringList BothRoots(const std::vector<std::pair<QString, QString>>& values) {
  QStringList lines;
  for (const auto& [key, text] : values) {
    lines.append(RecordingStore::Line(kHkeyClassesRoot, key, text));
    lines.append(RecordingStore::Line(kHkeyLocalMachine, kLm + key, text));
  }
  return lines;
}

class FileAssociationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform().registry = &store_;
    platform().desktop = nullptr;
  }
  QString exe() const { return fake_.folder() + "/Quavertone"; }

  FakePlatform fake_;
  QTemporaryDir dir_;
  RecordingStore store_{dir_.filePath("registry.sqlite3")};
};

// Writes every value of both class roots to the file: "root|key|name|type|text" lines.
void DumpTree(IRegistryStore& store, int32_t root, const QString& key, QTextStream& out) {
  QStringList names;
  store.valueNames(root, key, &names);
  for (const QString& name : names) {
    RegistryValue v;
    store.getValue(root, key, name, &v);
    out << (root == kHkeyClassesRoot ? "HKCR" : "HKLM") << '|' << key << '|' << name << '|'
        << v.type << '|' << QString::fromUtf8(v.data.chopped(1)) << '\n';
  }
  store.subkeyNames(root, key, &names);
  for (const QString& sub : names)
    DumpTree(store, root, key.isEmpty() ? sub : key + "\\" + sub, out);
}

}  // namespace

// Runs in a second process: reads the store from its file and lists what is in it.
TEST(RegistryChild, DumpClasses) {
  const QString dump = qEnvironmentVariable("QVT_REGISTRY_DUMP");
  if (dump.isEmpty())
    GTEST_SKIP() << "runs only as the second process of AssociatingMp3";
  SqliteRegistry store(SqliteRegistry::DefaultPath());
  QFile file(dump);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  QTextStream out(&file);
  DumpTree(store, kHkeyClassesRoot, QString(), out);
  DumpTree(store, kHkeyLocalMachine, QString(), out);
}

TEST_F(FileAssociationTest, AssociatingMp3WritesFiveValuesUnderEachRoot) {
  AssociateExtension(qvt::platform(), "mp3");
  const QString icon = fake_.folder() + "/QVTFile.ico";
  EXPECT_EQ(store_.written, BothRoots({{".MP3", "mp3"},
                                       {"mp3", "MP3 File"},
                                       {"mp3\\shell\\open", "&QVT MP3 Play"},
                                       {"mp3\\shell\\open\\command", exe() + " %1"},
                                       {"mp3\\DefaultIcon", icon}}));

  const QString dump = dir_.filePath("dump.txt");
  auto child = test::StartSelf("RegistryChild.DumpClasses", {{"QUAVERTONE_REGISTRY", store_.path()},
                                                             {"QVT_REGISTRY_DUMP", dump}});
  QString output;
  ASSERT_TRUE(test::FinishedWell(*child, &output)) << output.toStdString();
  QStringList lines = QString::fromUtf8(test::ReadAll(dump)).split('\n', Qt::SkipEmptyParts);
  lines.sort();
  QStringList expected;
  for (const QString& root : {QString("HKCR|"), QString("HKLM|") + kLm}) {
    const QString tag = root.left(5);
    const QString prefix = root.mid(5);
    expected << tag + prefix + ".MP3||1|mp3" << tag + prefix + "mp3||1|MP3 File"
             << tag + prefix + "mp3\\DefaultIcon||1|" + icon
             << tag + prefix + "mp3\\shell\\open||1|&QVT MP3 Play"
             << tag + prefix + "mp3\\shell\\open\\command||1|" + exe() + " %1";
  }
  expected.sort();
  EXPECT_EQ(lines, expected);
}

TEST_F(FileAssociationTest, VerbsDefaultTextsAndIcon) {
  struct Case {
    const char* name;
    bool print, newVerb, install;
    QString openText, iconIndex;
    std::vector<std::pair<QString, QString>> verbs;  // after the class's two values
  };
  const QString x = fake_.folder() + "/Quavertone";
  const Case cases[] = {
      {"all verbs with empty texts",
       true,
       true,
       true,
       "",
       "-1",
       {{"w\\shell\\open", "&Open"},
        {"w\\shell\\open\\command", x + " %1"},
        {"w\\shell\\print", "&Print"},
        {"w\\shell\\print\\command", x + " /p \"%1\""},
        {"w\\shell\\add", "&Install WAV"},
        {"w\\shell\\add\\command", x + " /a \"%1\""},
        {"w\\shell\\new", "&New"},
        {"w\\shell\\new\\command", x + " /n \"%1\""}}},
      {"icon below a folder",
       false,
       false,
       false,
       "Play",
       "\\icons\\Q.ico",
       {{"w\\shell\\open", "Play"},
        {"w\\shell\\open\\command", x + " %1"},
        {"w\\DefaultIcon", fake_.folder() + "/icons/Q.ico"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    store_.written.clear();
    cRegistry reg(qvt::platform());
    reg.CreateEXEAssociation(x, "w", "WAV File", "WAV", c.openText, c.print, "", c.newVerb, "",
                             c.install, "", c.iconIndex);
    std::vector<std::pair<QString, QString>> all{{".WAV", "w"}, {"w", "WAV File"}};
    all.insert(all.end(), c.verbs.begin(), c.verbs.end());
    EXPECT_EQ(store_.written, BothRoots(all));
    EXPECT_EQ(reg.ClassKey(), kHkeyLocalMachine);
  }
}

TEST_F(FileAssociationTest, TheFirstFailingWriteEndsTheAssociation) {
  store_.refuse = [](int32_t root, const QString&) { return root == kHkeyLocalMachine; };
  try {
    AssociateExtension(qvt::platform(), "mp3");
    ADD_FAILURE() << "no error raised";
  } catch (const RegistryError& e) {
    EXPECT_EQ(e.number(), kRegErrAssociation);
    EXPECT_EQ(e.source(), "Quavertone.cRegistry");
    EXPECT_EQ(e.description(),
              "Failed to set registry value Key: '-2147483646',Section: "
              "'SOFTWARE\\Classes\\.MP3',Key: '' to value: 'mp3'");
  }
  EXPECT_EQ(store_.written, QStringList{RecordingStore::Line(kHkeyClassesRoot, ".MP3", "mp3")});
}

TEST_F(FileAssociationTest, AdditionalVerbs) {
  const std::vector<Variant> two{"enqueue", "&Enqueue", "q /e", "shuffle", "&Shuffle", "q /s"};
  cRegistry reg(qvt::platform());
  reg.CreateAdditionalEXEAssociations("ogg", two);
  EXPECT_TRUE(store_.written.isEmpty()) << "the class does not exist";

  AssociateExtension(qvt::platform(), "ogg");
  store_.written.clear();
  reg.CreateAdditionalEXEAssociations("ogg", {"a", "b", "c", "d"});
  EXPECT_TRUE(store_.written.isEmpty()) << "not a multiple of three";

  // A refused key is passed over; the rest is written.
  store_.refuse = [](int32_t root, const QString& path) {
    return root == kHkeyLocalMachine && path.endsWith("enqueue");
  };
  reg.CreateAdditionalEXEAssociations("ogg", two);
  QStringList expected = BothRoots({{"ogg\\shell\\enqueue\\command", "q /e"},
                                    {"ogg\\shell\\shuffle", "&Shuffle"},
                                    {"ogg\\shell\\shuffle\\command", "q /s"}});
  expected.prepend(RecordingStore::Line(kHkeyClassesRoot, "ogg\\shell\\enqueue", "&Enqueue"));
  EXPECT_EQ(store_.written, expected);
}

namespace {
class RecordingDesktop : public IDesktop {
 public:
  QString home;
  QStringList mimeQueries;
  QString dataHome() override { return home + "/data"; }
  QString configHome() override { return home + "/config"; }
  QString mimeTypeForExtension(const QString& ext) override {
    mimeQueries.append(ext);
    return "audio/" + ext;
  }
  bool runTool(const QString&, const QStringList&) override { return true; }
};
}  // namespace

TEST_F(FileAssociationTest, ASuccessfulAssociationReachesTheInstalledDesktop) {
  RecordingDesktop desktop;
  desktop.home = dir_.path();
  platform().desktop = &desktop;
  AssociateExtension(qvt::platform(), "Ogg");
  EXPECT_EQ(desktop.mimeQueries, QStringList{"ogg"});
  const QByteArray entry = test::ReadAll(dir_.filePath("data/applications/quavertone.desktop"));
  EXPECT_TRUE(entry.contains("Exec=" + exe().toUtf8() + " %f\n")) << entry.constData();
  EXPECT_TRUE(entry.contains("Icon=" + ProgramFile("QVTFile.png").toUtf8() + "\n"));
  EXPECT_TRUE(entry.contains("MimeType=audio/ogg;\n"));

  // The desktop's configuration folder cannot be made: the association fails after the
  // registry values are written.
  desktop.home = dir_.filePath("registry.sqlite3");
  try {
    AssociateExtension(qvt::platform(), "flac");
    ADD_FAILURE() << "no error raised";
  } catch (const RegistryError& e) {
    EXPECT_EQ(e.number(), kRegErrAssociation);
    EXPECT_TRUE(e.description().startsWith("Failed to associate the file type with the desktop"));
  }
  EXPECT_TRUE(store_.written.contains(RecordingStore::Line(kHkeyClassesRoot, ".FLAC", "flac")));
}
