#pragma once
// Access to the registry store (platform/Registry.h) for one value at a time. An instance is
// configured through its properties (root, key path, value name, value type, the result of a
// failed read) and then reads or writes that value, tests, creates or deletes the key, deletes
// the value, or lists the key's values or subkeys. Failures are thrown as RegistryError; the
// class shows nothing itself. It reaches the store through the services it is made with.
//
// Remote stores are not supported: with Machine set, reads answer Default (and KeyExists
// false, the lists nothing) and writes throw 26001 "Remote registry access is not supported".

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

#include "platform/Registry.h"
#include "player/options/RegistryError.h"
#include "shared/Variant.h"

namespace qvt {

struct Services;

class cRegistry {
 public:
  explicit cRegistry(const Services& services);

  int32_t ClassKey() const { return eKey_; }
  void SetClassKey(int32_t eKey) { eKey_ = eKey; }
  const QString& SectionKey() const { return sSectionKey_; }
  void SetSectionKey(const QString& sSectionKey) { sSectionKey_ = sSectionKey; }
  const QString& ValueKey() const { return sValueKey_; }
  void SetValueKey(const QString& sValueKey) { sValueKey_ = sValueKey; }
  int32_t ValueType() const { return eValueType_; }
  void SetValueType(int32_t eValueType) { eValueType_ = eValueType; }
  const Variant& Default() const { return vDefault_; }
  void SetDefault(const Variant& vDefault) { vDefault_ = vDefault; }
  // "" for a text shorter than 3 characters, the text when it begins with "\\", else "\\" +
  // the text.
  const QString& Machine() const { return sMachine_; }
  void SetMachine(const QString& sMachine);

  bool KeyExists() const;
  bool CreateKey();
  bool DeleteKey();
  bool DeleteValue();

  // Reads the value; Default when it cannot be read. Sets ValueType to the type found.
  Variant Value();
  void SetValue(const Variant& vValue);
  Variant ValueEx(int32_t eKey, const QString& sSectionKey, const QString& sValueKey,
                  int32_t eValueType, const Variant& vDefault);
  // A string type with an empty text writes vDefault instead.
  void SetValueEx(int32_t eKey, const QString& sSectionKey, const QString& sValueKey,
                  int32_t eValueType, const Variant& vDefault, const Variant& vValue);

  // The names of the key's values (sKeyNames[0] is the first); always true.
  bool EnumerateValues(QStringList& sKeyNames, int32_t& iKeyCount);
  // The names of the key's subkeys; true, or throws 0x800469AA on an unexpected failure.
  bool EnumerateSections(QStringList& sSect, int32_t& iSectCount);

  // Associates a file type with a program (FileAssociation.cpp). Each value is written below
  // HKEY_CLASSES_ROOT and below HKEY_LOCAL_MACHINE\SOFTWARE\Classes.
  void CreateEXEAssociation(const QString& sExePath, const QString& sClassName,
                            const QString& sClassDescription, const QString& sAssociation,
                            const QString& sOpenMenuText, bool bSupportPrint,
                            const QString& sPrintMenuText, bool bSupportNew,
                            const QString& sNewMenuText, bool bSupportInstall,
                            const QString& sInstallMenuText, const QString& lDefaultIconIndex);
  // Adds verbs (name, menu text, command triples) to an existing class; failures are passed
  // over.
  void CreateAdditionalEXEAssociations(const QString& sClassName,
                                       const std::vector<Variant>& vItems);

 private:
  void SetClassValue(const QString& sValue);
  // The verb's menu text and command, below both class roots.
  void SetVerb(const QString& sClassName, const QString& sVerb, const QString& sMenuText,
               const QString& sCommand);
  void WriteValue(const Variant& vValue);
  Variant ReadValue(const RegistryValue& stored);
  [[noreturn]] void Raise(int32_t number, const QString& description) const;
  QString SetValueFailure(const Variant& vValue) const;
  QString ClassKeyText() const;
  bool Remote() const { return !sMachine_.isEmpty(); }

  static int32_t SwapEndian(int32_t value);
  QString ExpandEnvStr(const QString& text) const;

  const Services& services_;
  int32_t eKey_ = 0;
  QString sSectionKey_;
  QString sValueKey_;
  int32_t eValueType_ = 0;
  Variant vDefault_;
  QString sMachine_;
};

}  // namespace qvt
