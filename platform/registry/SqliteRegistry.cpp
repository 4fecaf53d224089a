#include "platform/registry/SqliteRegistry.h"

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <chrono>
#include <thread>

namespace qvt {

namespace {

// How long a write waits for other processes' writes to finish, and how often it looks.
constexpr auto kBusyTimeout = std::chrono::seconds(30);
constexpr auto kBusyPoll = std::chrono::milliseconds(1);

const char* const kSchema =
    "CREATE TABLE IF NOT EXISTS reg_keys("
    " root INTEGER NOT NULL, fold TEXT NOT NULL, parent TEXT NOT NULL, name TEXT NOT NULL,"
    " PRIMARY KEY(root, fold));"
    "CREATE INDEX IF NOT EXISTS reg_keys_parent ON reg_keys(root, parent);"
    "CREATE TABLE IF NOT EXISTS reg_values("
    " root INTEGER NOT NULL, key_fold TEXT NOT NULL, fold TEXT NOT NULL, name TEXT NOT NULL,"
    " type INTEGER NOT NULL, data BLOB NOT NULL,"
    " PRIMARY KEY(root, key_fold, fold));";

// Whether the file may be written. Root may write anything, so for it a file is read-only
// when no write bit is set at all. A file that does not exist yet counts as writable.
bool FileWritable(const QByteArray& native) {
  struct stat st {};
  if (::stat(native.constData(), &st) != 0)
    return true;
  if (::geteuid() == 0)
    return (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0;
  return ::access(native.constData(), W_OK) == 0;
}

RegistryResult Failure(RegistryStatus status, const QString& message) {
  return RegistryResult{status, message};
}

// A prepared statement that finalizes itself.
class Stmt {
 public:
  Stmt(sqlite3* db, const char* sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &s_, nullptr); }
  ~Stmt() { sqlite3_finalize(s_); }
  Stmt(const Stmt&) = delete;
  Stmt& operator=(const Stmt&) = delete;

  bool prepared() const { return rc_ == SQLITE_OK; }
  int prepareCode() const { return rc_; }
  Stmt& bind(int i, int64_t v) {
    sqlite3_bind_int64(s_, i, v);
    return *this;
  }
  Stmt& bind(int i, const QString& text) {
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(s_, i, utf8.constData(), static_cast<int>(utf8.size()), SQLITE_TRANSIENT);
    return *this;
  }
  Stmt& bindBlob(int i, const QByteArray& bytes) {
    if (bytes.isEmpty()) {
      sqlite3_bind_zeroblob(s_, i, 0);
    } else {
      sqlite3_bind_blob(s_, i, bytes.constData(), static_cast<int>(bytes.size()), SQLITE_TRANSIENT);
    }
    return *this;
  }
  int step() { return rc_ == SQLITE_OK ? sqlite3_step(s_) : rc_; }
  int64_t integer(int col) const { return sqlite3_column_int64(s_, col); }
  QString text(int col) const {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(s_, col));
    return QString::fromUtf8(p, sqlite3_column_bytes(s_, col));
  }
  QByteArray blob(int col) const {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(s_, col));
    return QByteArray(p, sqlite3_column_bytes(s_, col));
  }

 private:
  sqlite3_stmt* s_ = nullptr;
  int rc_ = SQLITE_OK;
};

}  // namespace

// One open connection to the database file.
class SqliteRegistry::Db {
 public:
  ~Db() { sqlite3_close_v2(db_); }

  RegistryResult open(const QString& path) {
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
      return Failure(RegistryStatus::Failed, QStringLiteral("Cannot create the folder ") + folder);
    const QByteArray native = QFile::encodeName(path);
    readOnly_ = !FileWritable(native);
    const int flags = readOnly_ ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE;
    if (sqlite3_open_v2(native.constData(), &db_, flags, nullptr) != SQLITE_OK)
      return error(SQLITE_CANTOPEN);
    sqlite3_extended_result_codes(db_, 1);
    sqlite3_busy_handler(db_, &Db::onBusy, this);
    return checkSchema();
  }

  // Reads whether the tables exist (which also tells a file that is not a database) and
  // creates them in a writable store.
  //
  // The query is finalized before the transaction begins: a connection that still holds a read
  // when it asks for the write lock gets SQLITE_BUSY at once, without waiting, whenever another
  // process is writing (SQLite refuses to wait there, as both could wait for ever).
  RegistryResult checkSchema() {
    {
      Stmt q(db_, "SELECT count(*) FROM sqlite_master WHERE name IN ('reg_keys','reg_values')");
      const int rc = q.step();
      if (rc != SQLITE_ROW)
        return error(rc);
      hasSchema_ = q.integer(0) == 2;
    }
    if (hasSchema_ || readOnly_)
      return RegistryResult::success();
    RegistryResult r = transaction([this] { return exec(kSchema); });
    hasSchema_ = r.ok();
    return r;
  }

  bool readOnly() const { return readOnly_; }
  bool hasSchema() const { return hasSchema_; }
  sqlite3* handle() const { return db_; }

  RegistryResult error(int rc) const {
    const QString text = db_ != nullptr ? QString::fromUtf8(sqlite3_errmsg(db_))
                                        : QString::fromUtf8(sqlite3_errstr(rc));
    const int primary = rc & 0xFF;
    const RegistryStatus status =
        primary == SQLITE_READONLY ? RegistryStatus::AccessDenied : RegistryStatus::Failed;
    return Failure(status, text);
  }

  // Waits while another connection holds the lock; the first call of a wait starts its clock.
  // SQLite's own busy timeout sleeps ever longer (up to 100 ms) between looks, while a writer
  // that commits and begins again frees the lock for well under a millisecond: with a few busy
  // writers, one that waits that way can miss every gap for the whole timeout. Looking every
  // millisecond gives each waiter a fair chance.
  static int onBusy(void* self, int attempts) {
    auto* db = static_cast<Db*>(self);
    const auto now = std::chrono::steady_clock::now();
    if (attempts == 0)
      db->busySince_ = now;
    if (now - db->busySince_ >= kBusyTimeout)
      return 0;
    std::this_thread::sleep_for(kBusyPoll);
    return 1;
  }

  RegistryResult exec(const char* sql) {
    const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
    return rc == SQLITE_OK ? RegistryResult::success() : error(rc);
  }

  // Runs the body in one IMMEDIATE transaction: all of it is written, or nothing.
  // No statement of this connection may still be reading when it begins (see checkSchema):
  // one that is would make the write fail only while another process writes, so it fails here
  // every time instead.
  template <typename Body>
  RegistryResult transaction(Body body) {
    if (readPending())
      return Failure(RegistryStatus::Failed,
                     QStringLiteral("A read is still open when a write begins"));
    RegistryResult r = exec("BEGIN IMMEDIATE");
    if (!r.ok())
      return r;
    r = body();
    if (r.ok())
      r = exec("COMMIT");
    if (!r.ok())
      sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
    return r;
  }

  bool readPending() const {
    for (sqlite3_stmt* s = sqlite3_next_stmt(db_, nullptr); s != nullptr;
         s = sqlite3_next_stmt(db_, s)) {
      if (sqlite3_stmt_busy(s) != 0)
        return true;
    }
    return false;
  }

  // Steps a statement that returns no rows.
  RegistryResult run(Stmt& s) {
    const int rc = s.step();
    return rc == SQLITE_DONE ? RegistryResult::success() : error(rc);
  }

 private:
  sqlite3* db_ = nullptr;
  bool readOnly_ = false;
  bool hasSchema_ = false;
  std::chrono::steady_clock::time_point busySince_;
};

SqliteRegistry::SqliteRegistry(QString path) : path_(std::move(path)) {}
SqliteRegistry::~SqliteRegistry() = default;

QString SqliteRegistry::DefaultPath() {
  const QString explicitPath = qEnvironmentVariable("QUAVERTONE_REGISTRY");
  if (!explicitPath.isEmpty())
    return explicitPath;
  QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
  if (config.isEmpty() || QDir::isRelativePath(config))
    config = QDir::homePath() + QStringLiteral("/.config");
  return config + QStringLiteral("/quavertone/registry.sqlite3");
}

RegistryResult SqliteRegistry::ready(int32_t root, bool forWriting) {
  if (!IsRegistryRoot(root))
    return Failure(RegistryStatus::InvalidKey, QStringLiteral("Invalid registry root"));
  if (db_ == nullptr) {
    auto db = std::make_unique<Db>();
    RegistryResult r = db->open(path_);
    if (!r.ok())
      return Failure(r.status, r.message + QStringLiteral(" (") + path_ + u')');
    db_ = std::move(db);
  } else if (!db_->hasSchema()) {
    db_->checkSchema();
  }
  if (forWriting && db_->readOnly())
    return Failure(RegistryStatus::AccessDenied,
                   QStringLiteral("The registry store is read-only (") + path_ + u')');
  return RegistryResult::success();
}

RegistryResult SqliteRegistry::keyExists(int32_t root, const QString& folded) {
  if (folded.isEmpty())
    return RegistryResult::success();
  if (!db_->hasSchema())
    return Failure(RegistryStatus::NotFound, QStringLiteral("The key does not exist"));
  Stmt q(db_->handle(), "SELECT 1 FROM reg_keys WHERE root=?1 AND fold=?2");
  q.bind(1, root).bind(2, folded);
  const int rc = q.step();
  if (rc == SQLITE_ROW)
    return RegistryResult::success();
  return rc == SQLITE_DONE
             ? Failure(RegistryStatus::NotFound, QStringLiteral("The key does not exist"))
             : db_->error(rc);
}

RegistryResult SqliteRegistry::openKey(int32_t root, const QString& path, bool forWriting) {
  RegistryResult r = ready(root, forWriting);
  return r.ok() ? keyExists(root, RegistryFoldedPath(path)) : r;
}

RegistryResult SqliteRegistry::createKey(int32_t root, const QString& path) {
  RegistryResult r = ready(root, true);
  if (!r.ok())
    return r;
  const QStringList parts = RegistryPathParts(path);
  for (const QString& part : parts) {
    if (part.size() > kMaxRegistryKeyName)
      return Failure(RegistryStatus::InvalidKey, QStringLiteral("Key name too long: ") + part);
  }
  if (keyExists(root, RegistryFoldedPath(path)).ok())
    return RegistryResult::success();
  return db_->transaction([&] {
    QString folded;
    for (const QString& part : parts) {
      const QString parent = folded;
      folded += (folded.isEmpty() ? QString() : QStringLiteral("\\")) + part.toCaseFolded();
      Stmt ins(db_->handle(),
               "INSERT OR IGNORE INTO reg_keys(root, fold, parent, name) VALUES(?1,?2,?3,?4)");
      ins.bind(1, root).bind(2, folded).bind(3, parent).bind(4, part);
      RegistryResult step = db_->run(ins);
      if (!step.ok())
        return step;
    }
    return RegistryResult::success();
  });
}

RegistryResult SqliteRegistry::deleteKey(int32_t root, const QString& path) {
  RegistryResult r = ready(root, true);
  if (!r.ok())
    return r;
  const QString folded = RegistryFoldedPath(path);
  if (folded.isEmpty())
    return Failure(RegistryStatus::InvalidKey, QStringLiteral("A root key cannot be deleted"));
  return db_->transaction([&] {
    RegistryResult exists = keyExists(root, folded);
    if (!exists.ok())
      return exists;
    Stmt children(db_->handle(), "SELECT 1 FROM reg_keys WHERE root=?1 AND parent=?2 LIMIT 1");
    children.bind(1, root).bind(2, folded);
    const int rc = children.step();
    if (rc == SQLITE_ROW)
      return Failure(RegistryStatus::HasSubkeys, QStringLiteral("The key has subkeys"));
    if (rc != SQLITE_DONE)
      return db_->error(rc);
    Stmt values(db_->handle(), "DELETE FROM reg_values WHERE root=?1 AND key_fold=?2");
    values.bind(1, root).bind(2, folded);
    Stmt key(db_->handle(), "DELETE FROM reg_keys WHERE root=?1 AND fold=?2");
    key.bind(1, root).bind(2, folded);
    RegistryResult done = db_->run(values);
    return done.ok() ? db_->run(key) : done;
  });
}

RegistryResult SqliteRegistry::setValue(int32_t root, const QString& path, const QString& name,
                                        const RegistryValue& value) {
  RegistryResult r = ready(root, true);
  if (!r.ok())
    return r;
  const QString folded = RegistryFoldedPath(path);
  return db_->transaction([&] {
    RegistryResult exists = keyExists(root, folded);
    if (!exists.ok())
      return exists;
    Stmt ins(db_->handle(),
             "INSERT INTO reg_values(root, key_fold, fold, name, type, data)"
             " VALUES(?1,?2,?3,?4,?5,?6) ON CONFLICT(root, key_fold, fold)"
             " DO UPDATE SET type=excluded.type, data=excluded.data");
    ins.bind(1, root).bind(2, folded).bind(3, name.toCaseFolded()).bind(4, name);
    ins.bind(5, value.type).bindBlob(6, value.data);
    return db_->run(ins);
  });
}

RegistryResult SqliteRegistry::getValue(int32_t root, const QString& path, const QString& name,
                                        RegistryValue* value) {
  RegistryResult r = ready(root, false);
  if (!r.ok())
    return r;
  if (!db_->hasSchema())
    return Failure(RegistryStatus::NotFound, QStringLiteral("The value does not exist"));
  Stmt q(db_->handle(),
         "SELECT type, data FROM reg_values WHERE root=?1 AND key_fold=?2 AND fold=?3");
  q.bind(1, root).bind(2, RegistryFoldedPath(path)).bind(3, name.toCaseFolded());
  const int rc = q.step();
  if (rc == SQLITE_DONE)
    return Failure(RegistryStatus::NotFound, QStringLiteral("The value does not exist"));
  if (rc != SQLITE_ROW)
    return db_->error(rc);
  value->type = static_cast<int32_t>(q.integer(0));
  value->data = q.blob(1);
  return RegistryResult::success();
}

RegistryResult SqliteRegistry::deleteValue(int32_t root, const QString& path, const QString& name) {
  RegistryResult r = ready(root, true);
  if (!r.ok())
    return r;
  return db_->transaction([&] {
    Stmt del(db_->handle(), "DELETE FROM reg_values WHERE root=?1 AND key_fold=?2 AND fold=?3");
    del.bind(1, root).bind(2, RegistryFoldedPath(path)).bind(3, name.toCaseFolded());
    RegistryResult done = db_->run(del);
    if (done.ok() && sqlite3_changes(db_->handle()) == 0)
      return Failure(RegistryStatus::NotFound, QStringLiteral("The value does not exist"));
    return done;
  });
}

RegistryResult SqliteRegistry::valueNames(int32_t root, const QString& path, QStringList* names) {
  return listNames(root, path,
                   "SELECT name FROM reg_values WHERE root=?1 AND key_fold=?2 ORDER BY rowid",
                   names);
}

RegistryResult SqliteRegistry::subkeyNames(int32_t root, const QString& path, QStringList* names) {
  return listNames(root, path,
                   "SELECT name FROM reg_keys WHERE root=?1 AND parent=?2 ORDER BY fold", names);
}

// The names that a query over (root, folded key path) answers, for an existing key.
RegistryResult SqliteRegistry::listNames(int32_t root, const QString& path, const char* sql,
                                         QStringList* names) {
  names->clear();
  RegistryResult r = ready(root, false);
  const QString folded = RegistryFoldedPath(path);
  if (r.ok())
    r = keyExists(root, folded);
  if (!r.ok() || !db_->hasSchema())
    return r;
  Stmt q(db_->handle(), sql);
  q.bind(1, root).bind(2, folded);
  int rc;
  while ((rc = q.step()) == SQLITE_ROW)
    names->append(q.text(0));
  return rc == SQLITE_DONE ? RegistryResult::success() : db_->error(rc);
}

}  // namespace qvt
