// The registry store's writes with one failing file operation at a time, the way SQLite's own
// tests inject I/O faults: a VFS over the default one counts the opens, writes, syncs,
// truncations and deletions of a run, then each further run fails one of them. The store must
// answer the failure, and the database, opened afresh, must hold the old values or the new ones
// whole, with no journal left behind.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <QDir>
#include <QTemporaryDir>
#include <functional>

#include "platform/registry/SqliteRegistry.h"

using namespace qvt;

namespace {

// The default VFS with faults. Installed once as the default for the whole test program; it
// passes everything through until a test arms it.
class FaultVfs {
 public:
  static void Install() {
    static bool installed = false;
    if (installed)
      return;
    installed = true;
    base_ = sqlite3_vfs_find(nullptr);
    vfs_ = *base_;
    vfs_.zName = "qvt-faults";
    vfs_.szOsFile = static_cast<int>(sizeof(File)) + base_->szOsFile;
    vfs_.xOpen = Open;
    vfs_.xDelete = [](sqlite3_vfs*, const char* name, int syncDir) {
      return Counted() ? base_->xDelete(base_, name, syncDir) : SQLITE_IOERR_DELETE;
    };
    vfs_.xAccess = [](sqlite3_vfs*, const char* name, int flags, int* out) {
      return base_->xAccess(base_, name, flags, out);
    };
    vfs_.xFullPathname = [](sqlite3_vfs*, const char* name, int size, char* out) {
      return base_->xFullPathname(base_, name, size, out);
    };
    ASSERT_EQ(sqlite3_vfs_register(&vfs_, 1), SQLITE_OK);
  }
  // Counts anew; call n (1 for the first) fails, with "the disk is full" where a write allows
  // it. 0: none.
  static void FailCall(int n, bool bFull) {
    calls_ = 0;
    failAt_ = n;
    bFull_ = bFull;
  }
  static int Calls() { return calls_; }

 private:
  struct File {
    sqlite3_file base;
    sqlite3_file* real;  // the default VFS's file, in the bytes after this one
  };

  // Counts a call: false when it is the one to fail.
  static bool Counted() { return ++calls_ != failAt_; }
  static int Failure(int ioError) { return bFull_ ? SQLITE_FULL : ioError; }
  static sqlite3_file* Real(sqlite3_file* file) { return reinterpret_cast<File*>(file)->real; }

  static int Open(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags) {
    auto* own = reinterpret_cast<File*>(file);
    own->base.pMethods = nullptr;
    own->real = reinterpret_cast<sqlite3_file*>(own + 1);
    if (!Counted())
      return SQLITE_CANTOPEN;
    const int rc = base_->xOpen(base_, name, own->real, flags, outFlags);
    if (own->real->pMethods != nullptr) {
      methods_ = *own->real->pMethods;
      methods_.xClose = [](sqlite3_file* f) { return Real(f)->pMethods->xClose(Real(f)); };
      methods_.xRead = [](sqlite3_file* f, void* data, int amount, sqlite3_int64 offset) {
        return Real(f)->pMethods->xRead(Real(f), data, amount, offset);
      };
      methods_.xWrite = [](sqlite3_file* f, const void* data, int amount, sqlite3_int64 offset) {
        return Counted() ? Real(f)->pMethods->xWrite(Real(f), data, amount, offset)
                         : Failure(SQLITE_IOERR_WRITE);
      };
      methods_.xTruncate = [](sqlite3_file* f, sqlite3_int64 size) {
        return Counted() ? Real(f)->pMethods->xTruncate(Real(f), size)
                         : Failure(SQLITE_IOERR_TRUNCATE);
      };
      methods_.xSync = [](sqlite3_file* f, int syncFlags) {
        return Counted() ? Real(f)->pMethods->xSync(Real(f), syncFlags) : SQLITE_IOERR_FSYNC;
      };
      methods_.xFileSize = [](sqlite3_file* f, sqlite3_int64* size) {
        return Real(f)->pMethods->xFileSize(Real(f), size);
      };
      methods_.xLock = [](sqlite3_file* f, int lock) {
        return Real(f)->pMethods->xLock(Real(f), lock);
      };
      methods_.xUnlock = [](sqlite3_file* f, int lock) {
        return Real(f)->pMethods->xUnlock(Real(f), lock);
      };
      methods_.xCheckReservedLock = [](sqlite3_file* f, int* out) {
        return Real(f)->pMethods->xCheckReservedLock(Real(f), out);
      };
      methods_.xFileControl = [](sqlite3_file* f, int op, void* arg) {
        return Real(f)->pMethods->xFileControl(Real(f), op, arg);
      };
      methods_.xSectorSize = [](sqlite3_file* f) {
        return Real(f)->pMethods->xSectorSize(Real(f));
      };
      methods_.xDeviceCharacteristics = [](sqlite3_file* f) {
        return Real(f)->pMethods->xDeviceCharacteristics(Real(f));
      };
      methods_.iVersion = 1;  // no shared memory or memory maps: the store keeps a journal
      own->base.pMethods = &methods_;
    }
    return rc;
  }

  static inline sqlite3_vfs* base_ = nullptr;
  static inline sqlite3_vfs vfs_{};
  static inline sqlite3_io_methods methods_{};
  static inline int calls_ = 0;
  static inline int failAt_ = 0;
  static inline bool bFull_ = false;
};

const QString kKey = "Software\\Quavertone";

RegistryValue Text(const QByteArray& utf8) {
  return RegistryValue{kRegSz, utf8 + '\0'};
}

// What the store holds, read by a store opened afresh; "unreadable" when it cannot be read.
QString Held(const QString& path) {
  SqliteRegistry store(path);
  QStringList keys;
  if (!store.subkeyNames(kHkeyCurrentUser, "Software", &keys).ok())
    return "unreadable";
  QString held = keys.join(',');
  for (const QString& key : keys) {
    QStringList names;
    (void)store.valueNames(kHkeyCurrentUser, "Software\\" + key, &names);
    for (const QString& name : names) {
      RegistryValue value;
      (void)store.getValue(kHkeyCurrentUser, "Software\\" + key, name, &value);
      held += ' ' + name + '=' + QString::fromUtf8(value.data);
    }
  }
  return held;
}

struct Write {
  const char* name;
  std::function<RegistryResult(IRegistryStore&)> run;
};

class RegistryFaults : public testing::TestWithParam<Write> {
 protected:
  void SetUp() override { FaultVfs::Install(); }
  // A store with a key and a value, written without faults, then closed.
  QString Arrange(const QTemporaryDir& dir) const {
    const QString path = dir.filePath("registry.sqlite3");
    SqliteRegistry store(path);
    EXPECT_TRUE(store.createKey(kHkeyCurrentUser, kKey).ok());
    EXPECT_TRUE(store.setValue(kHkeyCurrentUser, kKey, "Volume", Text("old")).ok());
    return path;
  }
};

TEST_P(RegistryFaults, EveryFailedCallKeepsTheOldValuesAndIsAnswered) {
  QString before;
  QString after;
  int calls = 0;
  {
    QTemporaryDir dir;
    const QString path = Arrange(dir);
    before = Held(path);
    FaultVfs::FailCall(0, false);
    {
      SqliteRegistry store(path);
      ASSERT_TRUE(GetParam().run(store).ok());
    }
    calls = FaultVfs::Calls();
    after = Held(path);
  }
  ASSERT_NE(before, after);
  ASSERT_GE(calls, 4) << "the database and its journal are opened, written and synced";
  for (int n = 1; n <= calls; ++n) {
    for (const bool bFull : {false, true}) {
      SCOPED_TRACE(QString("call %1 of %2 fails%3")
                       .arg(n)
                       .arg(calls)
                       .arg(bFull ? ", disk full" : "")
                       .toStdString());
      QTemporaryDir dir;
      const QString path = Arrange(dir);
      FaultVfs::FailCall(n, bFull);
      RegistryResult result;
      {
        SqliteRegistry store(path);
        result = GetParam().run(store);
      }
      FaultVfs::FailCall(0, false);
      const QString now = Held(path);
      if (result.ok()) {
        EXPECT_EQ(now, after);
      } else {
        EXPECT_EQ(now, before) << result.message.toStdString();
        EXPECT_FALSE(result.message.isEmpty());
      }
      EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                QStringList{"registry.sqlite3"})
          << "no journal is left";
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Writes, RegistryFaults,
    testing::Values(Write{"SetValue",
                          [](IRegistryStore& s) {
                            return s.setValue(kHkeyCurrentUser, kKey, "Volume", Text("new"));
                          }},
                    Write{"CreateKeys",
                          [](IRegistryStore& s) {
                            return s.createKey(kHkeyCurrentUser, "Software\\Other\\Below");
                          }},
                    Write{"DeleteValue",
                          [](IRegistryStore& s) {
                            return s.deleteValue(kHkeyCurrentUser, kKey, "Volume");
                          }}),
    [](const testing::TestParamInfo<Write>& row) { return std::string(row.param.name); });

}  // namespace
