#include "platform/fakes/FakeRegistry.h"

namespace qvt {

namespace {

RegistryResult NotFound() {
  return {RegistryStatus::NotFound, QStringLiteral("The key or value does not exist")};
}

}  // namespace

RegistryResult FakeRegistry::check(int32_t root, bool forWriting) const {
  if (!IsRegistryRoot(root))
    return {RegistryStatus::InvalidKey, QStringLiteral("Invalid registry root")};
  if (forWriting && (readOnly || refusedRoots.contains(root)))
    return {RegistryStatus::AccessDenied, QStringLiteral("The registry store is read-only")};
  return RegistryResult::success();
}

FakeRegistry::Key* FakeRegistry::find(int32_t root, const QString& path) {
  auto it = keys_.find({root, RegistryFoldedPath(path)});
  return it == keys_.end() ? nullptr : &it.value();
}

RegistryResult FakeRegistry::openKey(int32_t root, const QString& path, bool forWriting) {
  RegistryResult r = check(root, forWriting);
  if (r.ok() && !RegistryFoldedPath(path).isEmpty() && find(root, path) == nullptr)
    return NotFound();
  return r;
}

RegistryResult FakeRegistry::createKey(int32_t root, const QString& path) {
  RegistryResult r = check(root, true);
  if (!r.ok())
    return r;
  QString folded;
  for (const QString& part : RegistryPathParts(path)) {
    if (part.size() > kMaxRegistryKeyName)
      return {RegistryStatus::InvalidKey, QStringLiteral("Key name too long")};
    folded += (folded.isEmpty() ? QString() : QStringLiteral("\\")) + part.toCaseFolded();
    if (!keys_.contains({root, folded}))
      keys_[{root, folded}].name = part;
  }
  keys_[{root, QString()}];  // the root itself holds values too
  return r;
}

RegistryResult FakeRegistry::deleteKey(int32_t root, const QString& path) {
  RegistryResult r = check(root, true);
  const QString folded = RegistryFoldedPath(path);
  if (!r.ok())
    return r;
  if (folded.isEmpty())
    return {RegistryStatus::InvalidKey, QStringLiteral("A root key cannot be deleted")};
  if (!keys_.contains({root, folded}))
    return NotFound();
  for (auto it = keys_.begin(); it != keys_.end(); ++it) {
    if (it.key().first == root && it.key().second.startsWith(folded + u'\\'))
      return {RegistryStatus::HasSubkeys, QStringLiteral("The key has subkeys")};
  }
  keys_.remove({root, folded});
  return r;
}

RegistryResult FakeRegistry::setValue(int32_t root, const QString& path, const QString& name,
                                      const RegistryValue& value) {
  RegistryResult r = check(root, true);
  if (!r.ok())
    return r;
  if (RegistryFoldedPath(path).isEmpty())
    keys_[{root, QString()}];
  Key* key = find(root, path);
  if (key == nullptr)
    return NotFound();
  const QString fold = name.toCaseFolded();
  if (!key->values.contains(fold)) {
    key->order.append(fold);
    key->values[fold].name = name;
  }
  key->values[fold].value = value;
  writes.push_back({root, path, name, value});
  return r;
}

RegistryResult FakeRegistry::getValue(int32_t root, const QString& path, const QString& name,
                                      RegistryValue* value) {
  RegistryResult r = check(root, false);
  if (!r.ok())
    return r;
  Key* key = find(root, path);
  if (key == nullptr || !key->values.contains(name.toCaseFolded()))
    return NotFound();
  *value = key->values[name.toCaseFolded()].value;
  return r;
}

RegistryResult FakeRegistry::deleteValue(int32_t root, const QString& path, const QString& name) {
  RegistryResult r = check(root, true);
  if (!r.ok())
    return r;
  Key* key = find(root, path);
  const QString fold = name.toCaseFolded();
  if (key == nullptr || !key->values.remove(fold))
    return NotFound();
  key->order.removeOne(fold);
  return r;
}

RegistryResult FakeRegistry::startListing(int32_t root, const QString& path, QStringList* names) {
  names->clear();
  return openKey(root, path, false);
}

RegistryResult FakeRegistry::valueNames(int32_t root, const QString& path, QStringList* names) {
  RegistryResult r = startListing(root, path, names);
  if (!r.ok())
    return r;
  if (const Key* key = find(root, path)) {
    for (const QString& fold : key->order)
      names->append(key->values.value(fold).name);
  }
  return r;
}

RegistryResult FakeRegistry::subkeyNames(int32_t root, const QString& path, QStringList* names) {
  RegistryResult r = startListing(root, path, names);
  if (!r.ok())
    return r;
  const QString folded = RegistryFoldedPath(path);
  const QString prefix = folded.isEmpty() ? QString() : folded + u'\\';
  for (auto it = keys_.begin(); it != keys_.end(); ++it) {  // sorted by folded path
    const QString& other = it.key().second;
    if (it.key().first == root && !other.isEmpty() && other.startsWith(prefix) &&
        !other.mid(prefix.size()).contains(QLatin1Char('\\'))) {
      names->append(it.value().name);
    }
  }
  return r;
}

}  // namespace qvt
