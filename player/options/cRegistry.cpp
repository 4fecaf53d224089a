#include "player/options/cRegistry.h"

#include <QtEndian>
#include <algorithm>

#include "shared/Services.h"

namespace qvt {

namespace {

constexpr QLatin1String kRemoteNotSupported("Remote registry access is not supported");
// The description an error raised with a bare number carries.
constexpr QLatin1String kNoOwnDescription("Application-defined or object-defined error");
// The buffer a subkey name is fetched into, terminator included.
constexpr int kSubkeyNameBuffer = 255;

// The first four bytes as a little-endian number (missing bytes count as 0).
int32_t LittleEndian32(const QByteArray& data) {
  unsigned char bytes[4] = {0, 0, 0, 0};
  std::copy_n(data.constData(), std::min<qsizetype>(data.size(), 4), bytes);
  return qFromLittleEndian<int32_t>(bytes);
}

QByteArray LittleEndianBytes(int32_t value) {
  QByteArray bytes(4, '\0');
  qToLittleEndian<int32_t>(value, bytes.data());
  return bytes;
}

// A text is an expandable string when it holds a "%" and a further "%" at least two
// characters after it ("%a%" counts, "%%" does not).
bool LooksExpandable(const QString& text) {
  const qsizetype first = text.indexOf(QLatin1Char('%'));
  return first >= 0 && text.indexOf(QLatin1Char('%'), first + 2) >= 0;
}

// String data without its terminator: the size less one byte.
QString StoredText(const QByteArray& data) {
  return QString::fromUtf8(data.left(std::max<qsizetype>(data.size() - 1, 0)));
}

}  // namespace

cRegistry::cRegistry(const Services& services) : services_(services) {}

void cRegistry::SetMachine(const QString& sMachine) {
  if (sMachine.size() < 3) {
    sMachine_.clear();
  } else if (sMachine.startsWith(QLatin1String("\\\\"))) {
    sMachine_ = sMachine;
  } else {
    sMachine_ = QLatin1String("\\\\") + sMachine;
  }
}

void cRegistry::Raise(int32_t number, const QString& description) const {
  throw RegistryError(number, services_.programName + QLatin1String(".cRegistry"), description);
}

QString cRegistry::ClassKeyText() const {
  return QString::number(eKey_);
}

QString cRegistry::SetValueFailure(const Variant& vValue) const {
  return QStringLiteral("Failed to set registry value Key: '") + ClassKeyText() +
         QStringLiteral("',Section: '") + sSectionKey_ + QStringLiteral("',Key: '") + sValueKey_ +
         QStringLiteral("' to value: '") + vValue.plainText() + u'\'';
}

bool cRegistry::KeyExists() const {
  if (Remote())
    return false;
  return registryStore(services_).openKey(eKey_, sSectionKey_, false).ok();
}

bool cRegistry::CreateKey() {
  if (Remote())
    Raise(kRegErrGeneral, kRemoteNotSupported);
  if (!registryStore(services_).createKey(eKey_, sSectionKey_).ok())
    Raise(kRegErrGeneral, QStringLiteral("Failed to create registry Key: '") + sSectionKey_);
  return true;
}

bool cRegistry::DeleteKey() {
  if (Remote())
    Raise(kRegErrGeneral, kRemoteNotSupported);
  if (!registryStore(services_).deleteKey(eKey_, sSectionKey_).ok()) {
    Raise(kRegErrGeneral, QStringLiteral("Failed to delete registry Key: '") + ClassKeyText() +
                              QStringLiteral("',Section: '") + sSectionKey_);
  }
  return true;
}

bool cRegistry::DeleteValue() {
  if (Remote())
    Raise(kRegErrGeneral, kRemoteNotSupported);
  IRegistryStore& store = registryStore(services_);
  if (!store.openKey(eKey_, sSectionKey_, true).ok()) {
    Raise(kRegErrGeneral, QStringLiteral("Failed to open key '") + ClassKeyText() +
                              QStringLiteral("',Section: '") + sSectionKey_ +
                              QStringLiteral("' for delete access"));
  }
  if (!store.deleteValue(eKey_, sSectionKey_, sValueKey_).ok()) {
    Raise(kRegErrGeneral, QStringLiteral("Failed to delete registry Key: '") + ClassKeyText() +
                              QStringLiteral("',Section: '") + sSectionKey_ +
                              QStringLiteral("',Key: '") + sValueKey_);
  }
  return true;
}

Variant cRegistry::Value() {
  if (Remote())
    return vDefault_;
  RegistryValue stored;
  if (!registryStore(services_).getValue(eKey_, sSectionKey_, sValueKey_, &stored).ok())
    return vDefault_;
  eValueType_ = stored.type;
  return ReadValue(stored);
}

Variant cRegistry::ReadValue(const RegistryValue& stored) {
  switch (stored.type) {
    case kRegSz:
    case kRegMultiSz:
      return StoredText(stored.data);
    case kRegExpandSz:
      return ExpandEnvStr(StoredText(stored.data));
    case kRegDword:
      return LittleEndian32(stored.data);
    case kRegDwordBigEndian:
      return SwapEndian(LittleEndian32(stored.data));
    default: {
      // The raw bytes with one more element that stays 0.
      QByteArray bytes = stored.data;
      bytes.append('\0');
      return bytes;
    }
  }
}

void cRegistry::SetValue(const Variant& vValue) {
  if (Remote())
    Raise(kRegErrGeneral, kRemoteNotSupported);
  if (!registryStore(services_).createKey(eKey_, sSectionKey_).ok())
    Raise(kRegErrGeneral, SetValueFailure(vValue));
  WriteValue(vValue);
}

void cRegistry::WriteValue(const Variant& vValue) {
  RegistryValue out;
  bool known = true;
  switch (eValueType_) {
    case kRegSz:
    case kRegExpandSz: {
      const QString text = vValue.plainText();
      out.type = LooksExpandable(text) ? kRegExpandSz : kRegSz;
      out.data = text.toUtf8();
      out.data.append('\0');
      break;
    }
    case kRegBinary:
      if (!vValue.isBytes())
        Raise(kRegErrGeneral, kNoOwnDescription);
      out.type = kRegBinary;
      out.data = vValue.toBytes();
      break;
    case kRegDword:
    case kRegDwordBigEndian:
      if (!vValue.isInteger() && !vValue.isLong())
        return;  // other kinds are not stored
      out.type = kRegDword;
      out.data = LittleEndianBytes(vValue.isLong() ? vValue.toLong() : vValue.toInteger());
      break;
    default:
      known = false;  // invalid data (13)
  }
  if (!known || !registryStore(services_).setValue(eKey_, sSectionKey_, sValueKey_, out).ok())
    Raise(kRegErrStoreFailed, SetValueFailure(vValue));
}

Variant cRegistry::ValueEx(int32_t eKey, const QString& sSectionKey, const QString& sValueKey,
                           int32_t eValueType, const Variant& vDefault) {
  eKey_ = eKey;
  sSectionKey_ = sSectionKey;
  sValueKey_ = sValueKey;
  eValueType_ = eValueType;
  vDefault_ = vDefault;
  return Value();
}

void cRegistry::SetValueEx(int32_t eKey, const QString& sSectionKey, const QString& sValueKey,
                           int32_t eValueType, const Variant& vDefault, const Variant& vValue) {
  eKey_ = eKey;
  sSectionKey_ = sSectionKey;
  sValueKey_ = sValueKey;
  eValueType_ = eValueType;
  vDefault_ = vDefault;
  const bool emptyText = eValueType == kRegSz && vValue.plainText().isEmpty();
  SetValue(emptyText ? vDefault : vValue);
}

bool cRegistry::EnumerateValues(QStringList& sKeyNames, int32_t& iKeyCount) {
  sKeyNames.clear();
  iKeyCount = 0;
  if (Remote())
    return true;
  QStringList names;
  registryStore(services_).valueNames(eKey_, sSectionKey_, &names);
  sKeyNames = names;
  iKeyCount = static_cast<int32_t>(names.size());
  return true;
}

bool cRegistry::EnumerateSections(QStringList& sSect, int32_t& iSectCount) {
  sSect.clear();
  iSectCount = 0;
  if (Remote())
    return true;
  try {
    QStringList names;
    registryStore(services_).subkeyNames(eKey_, sSectionKey_, &names);
    for (const QString& name : names) {
      if (name.size() >= kSubkeyNameBuffer)
        break;  // does not fit the buffer: the listing ends here
      const qsizetype nul = name.indexOf(QChar(u'\0'));
      sSect.append(nul < 0 ? name : name.left(nul));
      ++iSectCount;
    }
  } catch (const std::exception& e) {
    Raise(kRegErrEnumSections, QString::fromUtf8(e.what()));
  }
  return true;
}

int32_t cRegistry::SwapEndian(int32_t value) {
  return static_cast<int32_t>(qbswap(static_cast<quint32>(value)));
}

QString cRegistry::ExpandEnvStr(const QString& text) const {
  return osInfo(services_).expandEnvironmentStrings(text);
}

}  // namespace qvt
