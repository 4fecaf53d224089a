// The registry store in SQLite: names without regard to case, values byte for byte, the file's
// place, stores that cannot be written, and two processes writing at once.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "platform/fakes/FakePlatform.h"
#include "platform/fakes/FakeRegistry.h"
#include "platform/registry/SqliteRegistry.h"
#include "player/options/cRegistry.h"
#include "tests/registry/ChildProcess.h"
#include "tests/support/TestFiles.h"

using namespace qvt;

namespace {

constexpr int kValuesPerWriter = 1000;

class SqliteRegistryTest : public ::testing::Test {
 protected:
  QString path() const { return dir_.filePath("registry.sqlite3"); }
  QTemporaryDir dir_;
  SqliteRegistry store_{dir_.filePath("registry.sqlite3")};
};

// The rules every store keeps, run on the SQLite store and on the fake that other tests use.
class RegistryStoreTest : public ::testing::TestWithParam<bool> {
 protected:
  bool fake() const { return GetParam(); }
  IRegistryStore& store() { return fake() ? static_cast<IRegistryStore&>(fake_) : sqlite_; }
  // The store as another user of it sees it: the SQLite file opened afresh.
  std::unique_ptr<IRegistryStore> reopened() {
    if (fake())
      return nullptr;
    return std::make_unique<SqliteRegistry>(sqlite_.path());
  }
  QTemporaryDir dir_;
  SqliteRegistry sqlite_{dir_.filePath("registry.sqlite3")};
  FakeRegistry fake_;
};

INSTANTIATE_TEST_SUITE_P(Stores, RegistryStoreTest, ::testing::Values(false, true),
                         [](const auto& param) { return param.param ? "Fake" : "Sqlite"; });

RegistryValue Text(const QByteArray& utf8) {
  return RegistryValue{kRegSz, utf8 + '\0'};
}

}  // namespace

TEST_P(RegistryStoreTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  ASSERT_TRUE(store().createKey(kHkeyCurrentUser, "Software\\Quavertone\\Sub").ok());
  ASSERT_TRUE(store().createKey(kHkeyCurrentUser, "SOFTWARE\\quavertone\\other").ok());
  ASSERT_TRUE(store().setValue(kHkeyCurrentUser, "software\\QUAVERTONE", "Volume", Text("1")).ok());
  ASSERT_TRUE(store().setValue(kHkeyCurrentUser, "Software\\Quavertone", "VOLUME", Text("2")).ok());

  QStringList names;
  ASSERT_TRUE(store().subkeyNames(kHkeyCurrentUser, QString(), &names).ok());
  EXPECT_EQ(names, QStringList{"Software"});
  ASSERT_TRUE(store().subkeyNames(kHkeyCurrentUser, "software\\quavertone", &names).ok());
  EXPECT_EQ(names, (QStringList{"other", "Sub"}));
  ASSERT_TRUE(store().valueNames(kHkeyCurrentUser, "Software\\Quavertone", &names).ok());
  EXPECT_EQ(names, QStringList{"Volume"});
  RegistryValue v;
  ASSERT_TRUE(store().getValue(kHkeyCurrentUser, "SOFTWARE\\QUAVERTONE", "volume", &v).ok());
  EXPECT_EQ(v.data, QByteArray("2", 2));
  EXPECT_TRUE(store().openKey(kHkeyCurrentUser, "software\\QUAVERTONE\\sub", false).ok());
  EXPECT_EQ(store().openKey(kHkeyLocalMachine, "Software", false).status, RegistryStatus::NotFound)
      << "each root is a tree of its own";
}

TEST_P(RegistryStoreTest, ValuesKeepTheirTypeAndBytes) {
  const RegistryValue cases[] = {
      {kRegSz, QByteArray("caf\xc3\xa9\0", 6)}, {kRegBinary, QByteArray()},
      {kRegBinary, QByteArray("\0\1\2\0", 4)},  {kRegDword, QByteArray("\4\3\2\1", 4)},
      {kRegMultiSz, QByteArray("a\0b\0\0", 5)}, {13, QByteArray("x")},
  };
  ASSERT_TRUE(store().createKey(kHkeyCurrentUser, "T").ok());
  int i = 0;
  for (const RegistryValue& c : cases) {
    const QString name = "v" + QString::number(i++);
    ASSERT_TRUE(store().setValue(kHkeyCurrentUser, "T", name, c).ok());
    const std::unique_ptr<IRegistryStore> other = reopened();
    RegistryValue back;
    ASSERT_TRUE((other ? *other : store()).getValue(kHkeyCurrentUser, "T", name, &back).ok())
        << name.toStdString();
    EXPECT_EQ(back.type, c.type) << name.toStdString();
    EXPECT_EQ(back.data, c.data) << name.toStdString();
  }
}

TEST_P(RegistryStoreTest, KeyAndValueFailures) {
  ASSERT_TRUE(store().createKey(kHkeyClassesRoot, "a\\b").ok());
  RegistryValue v;
  EXPECT_EQ(store().deleteKey(kHkeyClassesRoot, "A").status, RegistryStatus::HasSubkeys);
  EXPECT_EQ(store().deleteKey(kHkeyClassesRoot, "missing").status, RegistryStatus::NotFound);
  EXPECT_EQ(store().deleteKey(kHkeyClassesRoot, "").status, RegistryStatus::InvalidKey);
  EXPECT_EQ(store().setValue(kHkeyClassesRoot, "missing", "", Text("x")).status,
            RegistryStatus::NotFound);
  EXPECT_EQ(store().getValue(kHkeyClassesRoot, "a", "none", &v).status, RegistryStatus::NotFound);
  EXPECT_EQ(store().deleteValue(kHkeyClassesRoot, "a", "none").status, RegistryStatus::NotFound);
  EXPECT_EQ(store().createKey(0, "a").status, RegistryStatus::InvalidKey);
  EXPECT_EQ(store().createKey(kHkeyClassesRoot, QString(256, u'n')).status,
            RegistryStatus::InvalidKey);

  ASSERT_TRUE(store().setValue(kHkeyClassesRoot, "a\\b", "", Text("x")).ok());
  ASSERT_TRUE(store().deleteKey(kHkeyClassesRoot, "A\\B").ok());
  ASSERT_TRUE(store().createKey(kHkeyClassesRoot, "a\\b").ok());
  EXPECT_EQ(store().getValue(kHkeyClassesRoot, "a\\b", "", &v).status, RegistryStatus::NotFound)
      << "a deleted key takes its values with it";
}

TEST(SqliteRegistryPath, FromTheEnvironment) {
  struct Case {
    QByteArray registry, configHome, expected;
  };
  const QByteArray home = QDir::homePath().toUtf8();
  const Case cases[] = {
      {"/x/r.db", "/cfg", "/x/r.db"},
      {QByteArray(), "/cfg", "/cfg/quavertone/registry.sqlite3"},
      {"", "/cfg", "/cfg/quavertone/registry.sqlite3"},
      {QByteArray(), QByteArray(), home + "/.config/quavertone/registry.sqlite3"},
      {QByteArray(), "relative", home + "/.config/quavertone/registry.sqlite3"},
  };
  for (const Case& c : cases) {
    test::ScopedEnv registry("QUAVERTONE_REGISTRY", c.registry);
    test::ScopedEnv config("XDG_CONFIG_HOME", c.configHome);
    EXPECT_EQ(SqliteRegistry::DefaultPath().toUtf8(), c.expected);
  }
}

TEST_F(SqliteRegistryTest, CreatesItsFolder) {
  SqliteRegistry nested(dir_.filePath("a/b/registry.sqlite3"));
  ASSERT_TRUE(nested.createKey(kHkeyCurrentUser, "k").ok());
  EXPECT_TRUE(QFile::exists(dir_.filePath("a/b/registry.sqlite3")));
}

// A store that cannot be written: writes raise RegistryError, reads answer the default, and
// the file is left exactly as it was.
TEST_F(SqliteRegistryTest, StoresThatCannotBeWrittenRaiseAndStayUntouched) {
  FakePlatform fake;
  struct Case {
    const char* name;
    QString path;
    QByteArray bytes;  // the file's content before; null: no file
  };
  // A good database with one value, then made read-only through its mode bits.
  ASSERT_TRUE(store_.setValue(kHkeyCurrentUser, "", "kept", Text("yes")).ok());
  QFile::setPermissions(path(), QFileDevice::ReadOwner | QFileDevice::ReadGroup);
  ASSERT_TRUE(test::WriteAll(dir_.filePath("plain"), "a regular file"));
  QByteArray garbage(4096, '\0');
  for (int i = 0; i < garbage.size(); ++i)
    garbage[i] = static_cast<char>((i * 37 + 11) % 251);
  ASSERT_TRUE(test::WriteAll(dir_.filePath("corrupt.sqlite3"), garbage));
  const Case cases[] = {
      {"read-only file", path(), test::ReadAll(path())},
      {"folder below a regular file", dir_.filePath("plain/sub/registry.sqlite3"), QByteArray()},
      {"corrupt file", dir_.filePath("corrupt.sqlite3"), garbage},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SqliteRegistry store(c.path);
    ScopedPlatform scope(&Platform::registry, &store);
    cRegistry reg(qvt::platform());
    reg.SetClassKey(kHkeyCurrentUser);
    reg.SetSectionKey("Software\\Quavertone");
    reg.SetValueKey("Volume");
    reg.SetValueType(kRegSz);
    reg.SetDefault("none");
    EXPECT_THROW(reg.SetValue("10"), RegistryError);
    EXPECT_THROW(reg.CreateKey(), RegistryError);
    EXPECT_EQ(reg.Value(), Variant("none"));
    QStringList names;
    int32_t count = -1;
    EXPECT_TRUE(reg.EnumerateSections(names, count));
    EXPECT_EQ(count, 0);
    EXPECT_EQ(test::ReadAll(c.path), c.bytes);
  }
  RegistryValue kept;
  EXPECT_TRUE(SqliteRegistry(path()).getValue(kHkeyCurrentUser, "", "kept", &kept).ok())
      << "a read-only store is still read";
}

// Runs in a second process: writes kValuesPerWriter values, each write its own transaction.
TEST(RegistryChild, WriteValues) {
  const QString writer = qEnvironmentVariable("QVT_REGISTRY_WRITER");
  if (writer.isEmpty())
    GTEST_SKIP() << "runs only as the second process of FourProcessesWriteAtOnce";
  FakePlatform fake;
  SqliteRegistry store(SqliteRegistry::DefaultPath());
  platform().registry = &store;
  cRegistry reg(qvt::platform());
  for (int32_t i = 0; i < kValuesPerWriter; ++i) {
    reg.SetValueEx(kHkeyCurrentUser, "Software\\Writers\\" + writer, "v" + QString::number(i),
                   kRegDword, Variant(), i);
  }
}

// Four processes open a store that does not exist yet, so they also create its tables at once;
// each then writes its values, one transaction per value, while the others write.
TEST_F(SqliteRegistryTest, FourProcessesWriteAtOnce) {
  const QStringList writers{"A", "B", "C", "D"};
  std::vector<std::unique_ptr<QProcess>> children;
  for (const QString& writer : writers) {
    children.push_back(
        test::StartSelf("RegistryChild.WriteValues",
                        {{"QUAVERTONE_REGISTRY", path()}, {"QVT_REGISTRY_WRITER", writer}}));
  }
  for (auto& child : children) {
    QString output;
    ASSERT_TRUE(test::FinishedWell(*child, &output)) << output.toStdString();
  }
  for (const QString& writer : writers) {
    const QString key = "Software\\Writers\\" + writer;
    QStringList names;
    ASSERT_TRUE(store_.valueNames(kHkeyCurrentUser, key, &names).ok());
    EXPECT_EQ(names.size(), kValuesPerWriter) << writer.toStdString();
    RegistryValue last;
    ASSERT_TRUE(store_.getValue(kHkeyCurrentUser, key, "v999", &last).ok());
    EXPECT_EQ(last.data, QByteArray("\xe7\x03\0\0", 4));
  }
}
