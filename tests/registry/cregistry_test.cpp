// cRegistry: the type rules of reading and writing, the errors it raises, the Machine rule,
// ValueEx, and the listings.
#include <gtest/gtest.h>
#include <QTemporaryDir>

#include "platform/fakes/FakePlatform.h"
#include "platform/fakes/ScopedPlatform.h"
#include "platform/registry/SqliteRegistry.h"
#include "player/options/cRegistry.h"

using namespace qvt;

namespace {

const QString kSection = QStringLiteral("Software\\Quavertone");
const QString kSource = QStringLiteral("Quavertone.cRegistry");

// Each test runs cRegistry over the fakes handed to it, with no service installed meanwhile: a
// service reached through the installed table ends the run.
class CRegistryTest : public ::testing::Test {
 protected:
  void SetUp() override {
    platform() = Services();
    reg_.SetClassKey(kHkeyCurrentUser);
    reg_.SetSectionKey(kSection);
    reg_.SetValueKey("Setting");
  }

  // What the store holds for the value; type -1 when there is none.
  RegistryValue stored(const QString& name = "Setting") {
    RegistryValue v{-1, {}};
    store_.getValue(kHkeyCurrentUser, kSection, name, &v);
    return v;
  }

  Services handed() {
    Services services = platform();
    services.registry = &store_;
    return services;
  }

  FakePlatform fake_;
  QTemporaryDir dir_;
  SqliteRegistry store_{dir_.filePath("registry.sqlite3")};
  const Services services_ = handed();
  const ScopedPlatform nothingInstalled_;
  cRegistry reg_{services_};
};

QByteArray Z(const char* text) {
  return QByteArray(text) + '\0';
}

QByteArray Bytes(std::initializer_list<int> bytes) {
  QByteArray out;
  for (int b : bytes)
    out.append(static_cast<char>(b));
  return out;
}

}  // namespace

TEST_F(CRegistryTest, WriteTypeRules) {
  struct Case {
    int32_t valueType;
    Variant value;
    int32_t storedType;  // -1: nothing stored
    QByteArray bytes;
  };
  const Case cases[] = {
      {kRegSz, "%PATH%", kRegExpandSz, Z("%PATH%")},
      {kRegSz, "50%", kRegSz, Z("50%")},
      {kRegSz, "%%", kRegSz, Z("%%")},
      {kRegSz, "%a%", kRegExpandSz, Z("%a%")},
      {kRegSz, "a % b", kRegSz, Z("a % b")},
      {kRegExpandSz, "plain", kRegSz, Z("plain")},
      {kRegSz, int16_t{7}, kRegSz, Z("7")},
      {kRegSz, true, kRegSz, Z("True")},
      {kRegSz, "caf\xc3\xa9", kRegSz, Z("caf\xc3\xa9")},
      {kRegSz, Variant(), kRegSz, Z("")},
      {kRegBinary, Bytes({0, 1, 255}), kRegBinary, Bytes({0, 1, 255})},
      {kRegDword, int32_t{0x01020304}, kRegDword, Bytes({4, 3, 2, 1})},
      {kRegDwordBigEndian, int32_t{0x01020304}, kRegDword, Bytes({4, 3, 2, 1})},
      {kRegDword, int16_t{-1}, kRegDword, Bytes({255, 255, 255, 255})},
      {kRegDword, 1.5, -1, {}},
      {kRegDword, "12", -1, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value.plainText().toStdString());
    store_.deleteValue(kHkeyCurrentUser, kSection, "Setting");
    reg_.SetValueType(c.valueType);
    EXPECT_NO_THROW(reg_.SetValue(c.value));
    EXPECT_EQ(stored().type, c.storedType);
    EXPECT_EQ(stored().data, c.bytes);
  }
}

TEST_F(CRegistryTest, ReadTypeRules) {
  fake_.os.env["MUSIC"] = "/home/u/music";
  struct Case {
    RegistryValue stored;
    Variant expected;
  };
  const Case cases[] = {
      {{kRegSz, Z("abc")}, "abc"},
      {{kRegSz, QByteArray()}, ""},
      {{kRegMultiSz, QByteArray("a\0b\0\0", 5)}, QString::fromUtf8("a\0b\0", 4)},
      {{kRegExpandSz, Z("%MUSIC%/x %UNSET%")}, "/home/u/music/x %UNSET%"},
      {{kRegDword, Bytes({5, 0, 0, 0})}, int32_t{5}},
      {{kRegDword, Bytes({255, 255, 255, 255})}, int32_t{-1}},
      {{kRegDwordBigEndian, Bytes({0, 0, 1, 0})}, int32_t{256}},
      {{kRegBinary, Bytes({1, 2})}, Bytes({1, 2, 0})},
      {{kRegNone, QByteArray()}, Bytes({0})},
  };
  ASSERT_TRUE(store_.createKey(kHkeyCurrentUser, kSection).ok());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.stored.type);
    ASSERT_TRUE(store_.setValue(kHkeyCurrentUser, kSection, "setting", c.stored).ok());
    reg_.SetValueType(99);
    EXPECT_EQ(reg_.Value(), c.expected);
    EXPECT_EQ(reg_.ValueType(), c.stored.type);
  }
}

TEST_F(CRegistryTest, ReadingWhatIsNotThereGivesDefaultAndKeepsValueType) {
  struct Case {
    int32_t root;
    QString section, value;
  };
  ASSERT_TRUE(store_.createKey(kHkeyCurrentUser, kSection).ok());
  const Case cases[] = {{kHkeyCurrentUser, kSection, "missing"},
                        {kHkeyCurrentUser, "No\\Such\\Key", "Setting"},
                        {0, kSection, "Setting"}};
  for (const Case& c : cases) {
    reg_.SetClassKey(c.root);
    reg_.SetSectionKey(c.section);
    reg_.SetValueKey(c.value);
    reg_.SetValueType(kRegDword);
    reg_.SetDefault(int16_t{42});
    EXPECT_EQ(reg_.Value(), Variant(int16_t{42}));
    EXPECT_EQ(reg_.ValueType(), kRegDword);
  }
}

TEST_F(CRegistryTest, ErrorNumbersAndDescriptions) {
  struct Case {
    const char* name;
    std::function<void(cRegistry&)> act;
    int32_t number;
    QString description;
  };
  ASSERT_TRUE(store_.createKey(kHkeyCurrentUser, kSection).ok());
  const Case cases[] = {
      {"create key below no root",
       [](cRegistry& r) {
         r.SetClassKey(0);
         r.CreateKey();
       },
       kRegErrGeneral, "Failed to create registry Key: 'Software\\Quavertone"},
      {"delete a missing key",
       [](cRegistry& r) {
         r.SetSectionKey("Software\\Missing");
         r.DeleteKey();
       },
       kRegErrGeneral, "Failed to delete registry Key: '-2147483647',Section: 'Software\\Missing"},
      {"delete a value of a missing key",
       [](cRegistry& r) {
         r.SetSectionKey("Software\\Missing");
         r.DeleteValue();
       },
       kRegErrGeneral,
       "Failed to open key '-2147483647',Section: 'Software\\Missing' for delete access"},
      {"delete a missing value", [](cRegistry& r) { r.DeleteValue(); }, kRegErrGeneral,
       "Failed to delete registry Key: '-2147483647',Section: 'Software\\Quavertone',Key: "
       "'Setting"},
      {"write below no root",
       [](cRegistry& r) {
         r.SetClassKey(0);
         r.SetValueType(kRegDword);
         r.SetValue(int32_t{5});
       },
       kRegErrGeneral,
       "Failed to set registry value Key: '0',Section: 'Software\\Quavertone',Key: 'Setting' "
       "to value: '5'"},
      {"write an unknown type",
       [](cRegistry& r) {
         r.SetValueType(13);
         r.SetValue("x");
       },
       kRegErrStoreFailed,
       "Failed to set registry value Key: '-2147483647',Section: 'Software\\Quavertone',Key: "
       "'Setting' to value: 'x'"},
      {"write text as binary",
       [](cRegistry& r) {
         r.SetValueType(kRegBinary);
         r.SetValue("x");
       },
       kRegErrGeneral, "Application-defined or object-defined error"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    cRegistry reg(services_);
    reg.SetClassKey(kHkeyCurrentUser);
    reg.SetSectionKey(kSection);
    reg.SetValueKey("Setting");
    try {
      c.act(reg);
      ADD_FAILURE() << "no error raised";
    } catch (const RegistryError& e) {
      EXPECT_EQ(e.number(), c.number);
      EXPECT_EQ(e.source(), kSource);
      EXPECT_EQ(e.description(), c.description);
    }
  }
}

TEST_F(CRegistryTest, KeysAndValuesAreCreatedAndDeleted) {
  EXPECT_FALSE(reg_.KeyExists());
  EXPECT_TRUE(reg_.CreateKey());
  EXPECT_TRUE(reg_.KeyExists());
  reg_.SetValueType(kRegSz);
  reg_.SetValue("x");
  EXPECT_TRUE(reg_.DeleteValue());
  EXPECT_EQ(stored().type, -1);
  EXPECT_TRUE(reg_.DeleteKey());
  EXPECT_FALSE(reg_.KeyExists());
}

TEST_F(CRegistryTest, MachineRule) {
  const std::pair<QString, QString> cases[] = {
      {"", ""}, {"ab", ""}, {"abc", "\\\\abc"}, {"\\\\pc", "\\\\pc"}, {"server", "\\\\server"}};
  for (const auto& [given, stored] : cases) {
    reg_.SetMachine(given);
    EXPECT_EQ(reg_.Machine(), stored) << given.toStdString();
  }
}

TEST_F(CRegistryTest, ARemoteMachineIsNotReachedAndWritesRaise) {
  ASSERT_TRUE(store_.createKey(kHkeyCurrentUser, kSection).ok());
  ASSERT_TRUE(store_.setValue(kHkeyCurrentUser, kSection, "Setting", {kRegSz, Z("local")}).ok());
  reg_.SetMachine("server");
  reg_.SetDefault("default");
  reg_.SetValueType(kRegSz);
  EXPECT_EQ(reg_.Value(), Variant("default"));
  EXPECT_FALSE(reg_.KeyExists());
  const std::function<void()> writes[] = {[&] { reg_.SetValue("x"); }, [&] { reg_.CreateKey(); },
                                          [&] { reg_.DeleteKey(); }, [&] { reg_.DeleteValue(); }};
  for (const auto& write : writes) {
    try {
      write();
      ADD_FAILURE() << "no error raised";
    } catch (const RegistryError& e) {
      EXPECT_EQ(e.number(), kRegErrGeneral);
      EXPECT_EQ(e.description(), "Remote registry access is not supported");
    }
  }
  EXPECT_EQ(stored().data, Z("local"));
}

TEST_F(CRegistryTest, ValueExWithAnEmptyText) {
  struct Case {
    int32_t type;
    Variant value, defaultValue;
    QByteArray bytes;
  };
  const Case cases[] = {
      {kRegSz, "", "fallback", Z("fallback")},
      {kRegSz, Variant(), "fallback", Z("fallback")},
      {kRegSz, "given", "fallback", Z("given")},
      {kRegExpandSz, "", "fallback", Z("")},
  };
  cRegistry reg(services_);
  for (const Case& c : cases) {
    reg.SetValueEx(kHkeyCurrentUser, kSection, "Setting", c.type, c.defaultValue, c.value);
    EXPECT_EQ(stored().data, c.bytes);
  }
  EXPECT_EQ(reg.ValueEx(kHkeyCurrentUser, kSection, "Missing", kRegSz, "d"), Variant("d"));
  EXPECT_EQ(reg.ValueKey(), "Missing");
  EXPECT_EQ(reg.Default(), Variant("d"));
}

TEST_F(CRegistryTest, Listings) {
  ASSERT_TRUE(store_.createKey(kHkeyCurrentUser, kSection + "\\Alpha").ok());
  ASSERT_TRUE(store_.createKey(kHkeyCurrentUser, kSection + "\\" + QString(255, u'b')).ok());
  ASSERT_TRUE(store_.createKey(kHkeyCurrentUser, kSection + "\\Charlie").ok());
  for (const char* name : {"One", "Two"})
    ASSERT_TRUE(store_.setValue(kHkeyCurrentUser, kSection, name, {kRegSz, Z("")}).ok());
  QStringList names{"stale"};
  int32_t count = -1;
  EXPECT_TRUE(reg_.EnumerateValues(names, count));
  EXPECT_EQ(names, (QStringList{"One", "Two"}));
  EXPECT_EQ(count, 2);
  EXPECT_TRUE(reg_.EnumerateSections(names, count));
  EXPECT_EQ(names, QStringList{"Alpha"}) << "a name that does not fit its buffer ends the list";
  EXPECT_EQ(count, 1);

  reg_.SetSectionKey("No\\Such\\Key");
  EXPECT_TRUE(reg_.EnumerateValues(names, count));
  EXPECT_EQ(count, 0);
  EXPECT_TRUE(names.isEmpty());
  EXPECT_TRUE(reg_.EnumerateSections(names, count));
  EXPECT_EQ(count, 0);
}

namespace {
// A store whose listing of subkeys breaks down.
class BrokenListingStore : public SqliteRegistry {
 public:
  using SqliteRegistry::SqliteRegistry;
  RegistryResult subkeyNames(int32_t, const QString&, QStringList*) override {
    throw std::runtime_error("out of memory");
  }
};
}  // namespace

TEST_F(CRegistryTest, AnUnexpectedFailureWhileListingSubkeys) {
  BrokenListingStore broken(dir_.filePath("other.sqlite3"));
  Services services = services_;
  services.registry = &broken;
  cRegistry reg(services);
  reg.SetClassKey(kHkeyCurrentUser);
  reg.SetSectionKey(kSection);
  QStringList names;
  int32_t count = 0;
  try {
    reg.EnumerateSections(names, count);
    ADD_FAILURE() << "no error raised";
  } catch (const RegistryError& e) {
    EXPECT_EQ(e.number(), kRegErrEnumSections);
    EXPECT_EQ(e.source(), kSource);
    EXPECT_EQ(e.description(), "out of memory");
  }
}
