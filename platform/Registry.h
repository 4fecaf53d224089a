#pragma once
// The hierarchical key/value store that stands in for the system registry. Keys live below a
// few predefined roots; a key path names one key per part, parts separated by "\". Key and
// value names are compared without regard to case and keep the spelling they were created
// with. A value is a type code and its bytes, stored exactly as given.
//
// Operations answer a RegistryResult instead of throwing; a failed write changes nothing.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace qvt {

// The predefined roots, as the 32-bit handles callers pass.
inline constexpr int32_t kHkeyClassesRoot = static_cast<int32_t>(0x80000000u);
inline constexpr int32_t kHkeyCurrentUser = static_cast<int32_t>(0x80000001u);
inline constexpr int32_t kHkeyLocalMachine = static_cast<int32_t>(0x80000002u);
inline constexpr int32_t kHkeyUsers = static_cast<int32_t>(0x80000003u);
inline constexpr int32_t kHkeyPerformanceData = static_cast<int32_t>(0x80000004u);
inline constexpr int32_t kHkeyCurrentConfig = static_cast<int32_t>(0x80000005u);
inline constexpr int32_t kHkeyDynData = static_cast<int32_t>(0x80000006u);

// Value type codes.
enum RegistryType : int32_t {
  kRegNone = 0,
  kRegSz = 1,
  kRegExpandSz = 2,
  kRegBinary = 3,
  kRegDword = 4,
  kRegDwordBigEndian = 5,
  kRegLink = 6,
  kRegMultiSz = 7,
};

// The longest key name (one part of a path), in characters.
inline constexpr int kMaxRegistryKeyName = 255;

enum class RegistryStatus {
  Ok,
  NotFound,      // the key or value does not exist
  InvalidKey,    // not a root handle, or a key name that is too long
  HasSubkeys,    // a key with subkeys cannot be deleted
  AccessDenied,  // the store cannot be written (read-only file or folder)
  Failed,        // the store could not be opened or the operation failed (corrupt, disk full)
};

struct RegistryResult {
  RegistryStatus status = RegistryStatus::Ok;
  QString message;  // what went wrong, for error descriptions; empty when ok
  bool ok() const { return status == RegistryStatus::Ok; }
  static RegistryResult success() { return {}; }
};

struct RegistryValue {
  int32_t type = kRegNone;
  QByteArray data;
};

class IRegistryStore {
 public:
  virtual ~IRegistryStore() = default;
  // Ok when the key exists (the empty path is the root itself). With forWriting, also fails
  // with AccessDenied when the store cannot be written.
  virtual RegistryResult openKey(int32_t root, const QString& path, bool forWriting) = 0;
  // Creates the key and any missing keys above it; Ok when it exists already (and the store
  // can be written).
  virtual RegistryResult createKey(int32_t root, const QString& path) = 0;
  // Deletes a key without subkeys, together with its values.
  virtual RegistryResult deleteKey(int32_t root, const QString& path) = 0;
  // Sets a value of an existing key (the empty name is the key's default value).
  virtual RegistryResult setValue(int32_t root, const QString& path, const QString& name,
                                  const RegistryValue& value) = 0;
  virtual RegistryResult getValue(int32_t root, const QString& path, const QString& name,
                                  RegistryValue* value) = 0;
  virtual RegistryResult deleteValue(int32_t root, const QString& path, const QString& name) = 0;
  // Names of the key's values, in the order they were first set.
  virtual RegistryResult valueNames(int32_t root, const QString& path, QStringList* names) = 0;
  // Names of the key's direct subkeys, sorted without regard to case.
  virtual RegistryResult subkeyNames(int32_t root, const QString& path, QStringList* names) = 0;
};

// A handed table's store (platform/Platform.h). Aborts when the table has none.
struct Platform;
IRegistryStore& registryStore(const Platform& table);

// True for the predefined root handles.
bool IsRegistryRoot(int32_t root);
// The parts of a key path: split at "\", empty parts dropped.
QStringList RegistryPathParts(const QString& path);
// The path's form for comparing: parts joined by "\" and case-folded.
QString RegistryFoldedPath(const QString& path);

}  // namespace qvt
