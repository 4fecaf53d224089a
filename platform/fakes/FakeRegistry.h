#pragma once
// An in-memory registry store for tests, with the rules of the real one (names compared
// without regard to case, first spelling kept, values in the order first set, subkeys sorted).
//
//   qvt::FakeRegistry registry;             // installs itself, restores the previous table
//   registry.refusedRoots.append(qvt::kHkeyLocalMachine);
//   ... code under test ...
//   EXPECT_EQ(registry.writes.at(0).path, ".MP3");

#include <QList>
#include <QMap>
#include <QString>
#include <vector>

#include "platform/Registry.h"
#include "platform/fakes/ScopedPlatform.h"

namespace qvt {

class FakeRegistry : public IRegistryStore {
 public:
  struct Write {
    int32_t root = 0;
    QString path;
    QString name;
    RegistryValue value;
  };
  std::vector<Write> writes;    // every value set, in order
  bool readOnly = false;        // every write fails with AccessDenied
  QList<int32_t> refusedRoots;  // writes below these roots fail with AccessDenied

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
  struct Value {
    QString name;
    RegistryValue value;
  };
  struct Key {
    QString name;
    QList<QString> order;         // folded value names, in the order first set
    QMap<QString, Value> values;  // by folded name
  };
  using KeyId = std::pair<int32_t, QString>;  // root, folded path

  RegistryResult check(int32_t root, bool forWriting) const;
  Key* find(int32_t root, const QString& path);
  // A listing's first step: names emptied, Ok when the key exists.
  RegistryResult startListing(int32_t root, const QString& path, QStringList* names);

  QMap<KeyId, Key> keys_;
  ScopedPlatform scope_{&Platform::registry, this};
};

}  // namespace qvt
