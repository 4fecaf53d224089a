#pragma once
// The registry store in one SQLite database file.
//
// Keys are rows (root, folded path, parent's folded path, name as first spelled); values are
// rows (root, key's folded path, folded name, name as first spelled, type, bytes). Every write
// is one IMMEDIATE transaction and waits for another process's write to finish, so several
// processes may write at once. A file that cannot be written (its write bit clear, its folder
// missing or not writable, the disk full) or is not a database makes the operation fail; the
// file is never replaced or repaired.

#include <QString>
#include <memory>

#include "platform/Registry.h"

struct sqlite3;

namespace qvt {

class SqliteRegistry : public IRegistryStore {
 public:
  // The database at `path`; it is opened (and created, with its folder) on first use.
  explicit SqliteRegistry(QString path);
  ~SqliteRegistry() override;
  SqliteRegistry(const SqliteRegistry&) = delete;
  SqliteRegistry& operator=(const SqliteRegistry&) = delete;

  // $QUAVERTONE_REGISTRY when set, else $XDG_CONFIG_HOME/quavertone/registry.sqlite3 (with
  // ~/.config when XDG_CONFIG_HOME is unset, empty or relative).
  static QString DefaultPath();
  const QString& path() const { return path_; }

  RegistryResult openKey(int32_t root, const QString& path, bool forWriting) override;
  RegistryResult createKey(int32_t root, const QString& path) override;
  RegistryResult deleteKey(int32_t root, const QString& path) override;
  RegistryResult setValue(int32_t root, const QString& path, const QString& name,
                          const RegistryValue& value) override;
  RegistryResult getValue(int32_t root, const QString& path, const QString& name,
                          RegistryValue* value) override;
  RegistryResult deleteValue(int32_t root, const QString& path, const QString& name) override;
  RegistryResult valueNames(int32_t root, const QString& path, QStringList* names) override;
  RegistryResult subkeyNames(int32_t root, const QString& path, QStringList* names) override;

 private:
  class Db;
  RegistryResult ready(int32_t root, bool forWriting);
  RegistryResult listNames(int32_t root, const QString& path, const char* sql, QStringList* names);
  RegistryResult keyExists(int32_t root, const QString& folded);

  QString path_;
  std::unique_ptr<Db> db_;
};

}  // namespace qvt
