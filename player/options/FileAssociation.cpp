#include "player/options/FileAssociation.h"

#include "platform/base/Check.h"
#include "player/options/DesktopAssociation.h"
#include "shared/Services.h"

namespace qvt {

namespace {

constexpr QLatin1String kClassesPrefix("SOFTWARE\\Classes\\");

QString VerbCommand(const QString& sExePath, const QString& sSwitch) {
  return sExePath + u' ' + sSwitch + QStringLiteral(" \"%1\"");
}

// The icon's path: the program folder + the path given relative to it (which begins with a
// separator). The name is looked up without regard to case.
QString IconPath(const Services& services, const QString& lDefaultIconIndex) {
  QString relative = lDefaultIconIndex;
  relative.replace(QLatin1Char('\\'), QLatin1Char('/'));
  while (relative.startsWith(QLatin1Char('/')))
    relative.remove(0, 1);
  return relative.isEmpty() ? programFolder(services).folder() : ProgramFile(services, relative);
}

void RegisterWithDesktopOf(const Services& services, const QString& sAssociation,
                           const QString& sClassDescription, const QString& sExePath) {
  IDesktop* desktop = services.desktop;
  if (desktop == nullptr)
    return;
  const DesktopAssociation association{sAssociation, sClassDescription, sExePath,
                                       ProgramFile(services, QStringLiteral("QVTFile.png"))};
  const Result<QString> registered = RegisterWithDesktop(*desktop, files(services), association);
  if (!registered) {
    throw RegistryError(kRegErrAssociation, services.programName + QStringLiteral(".cRegistry"),
                        QStringLiteral("Failed to associate the file type with the desktop: ") +
                            registered.error());
  }
}

}  // namespace

void cRegistry::SetClassValue(const QString& sValue) {
  eKey_ = kHkeyClassesRoot;
  SetValue(sValue);
  const QString section = sSectionKey_;
  eKey_ = kHkeyLocalMachine;
  sSectionKey_ = kClassesPrefix + section;
  SetValue(sValue);
  sSectionKey_ = section;
}

void cRegistry::SetVerb(const QString& sClassName, const QString& sVerb, const QString& sMenuText,
                        const QString& sCommand) {
  sSectionKey_ = sClassName + QStringLiteral("\\shell\\") + sVerb;
  sValueKey_.clear();
  SetClassValue(sMenuText);
  sSectionKey_ = sClassName + QStringLiteral("\\shell\\") + sVerb + QStringLiteral("\\command");
  SetClassValue(sCommand);
}

void cRegistry::CreateEXEAssociation(const QString& sExePath, const QString& sClassName,
                                     const QString& sClassDescription, const QString& sAssociation,
                                     const QString& sOpenMenuText, bool bSupportPrint,
                                     const QString& sPrintMenuText, bool bSupportNew,
                                     const QString& sNewMenuText, bool bSupportInstall,
                                     const QString& sInstallMenuText,
                                     const QString& lDefaultIconIndex) {
  try {
    sSectionKey_ = u'.' + sAssociation;
    eValueType_ = kRegSz;
    sValueKey_.clear();
    SetClassValue(sClassName);
    sSectionKey_ = sClassName;
    SetClassValue(sClassDescription);
    SetVerb(sClassName, QStringLiteral("open"),
            sOpenMenuText.isEmpty() ? QStringLiteral("&Open") : sOpenMenuText,
            sExePath + QStringLiteral(" %1"));
    if (bSupportPrint) {
      SetVerb(sClassName, QStringLiteral("print"),
              sPrintMenuText.isEmpty() ? QStringLiteral("&Print") : sPrintMenuText,
              VerbCommand(sExePath, QStringLiteral("/p")));
    }
    if (bSupportInstall) {
      const QString text = sInstallMenuText.isEmpty() ? QStringLiteral("&Install ") + sAssociation
                                                      : sInstallMenuText;
      SetVerb(sClassName, QStringLiteral("add"), text, VerbCommand(sExePath, QStringLiteral("/a")));
    }
    if (bSupportNew) {
      SetVerb(sClassName, QStringLiteral("new"),
              sNewMenuText.isEmpty() ? QStringLiteral("&New") : sNewMenuText,
              VerbCommand(sExePath, QStringLiteral("/n")));
    }
    if (lDefaultIconIndex != QLatin1String("-1")) {
      sSectionKey_ = sClassName + QStringLiteral("\\DefaultIcon");
      SetClassValue(IconPath(services_, lDefaultIconIndex));
    }
  } catch (const RegistryError& e) {
    Raise(kRegErrAssociation, e.description());
  }
  RegisterWithDesktopOf(services_, sAssociation, sClassDescription, sExePath);
}

void cRegistry::CreateAdditionalEXEAssociations(const QString& sClassName,
                                                const std::vector<Variant>& vItems) {
  if (vItems.size() % 3 != 0)
    return;
  // The class is looked for where the association put it.
  eKey_ = kHkeyClassesRoot;
  sSectionKey_ = sClassName;
  if (!KeyExists())
    return;
  for (size_t i = 0; i < vItems.size(); i += 3) {
    eValueType_ = kRegSz;
    const QString verbKey = sClassName + QStringLiteral("\\shell\\") + vItems[i].plainText();
    const QString texts[2] = {vItems[i + 1].plainText(), vItems[i + 2].plainText()};
    const QString keys[2] = {verbKey, verbKey + QStringLiteral("\\command")};
    for (int k = 0; k < 2; ++k) {
      sSectionKey_ = keys[k];
      sValueKey_.clear();
      try {
        SetClassValue(texts[k]);
      } catch (const RegistryError&) {
        LogDropped(lcRegistry());  // passed over: the next value is still written
      }
    }
  }
}

void AssociateExtension(const Services& services, const QString& extension) {
  const QString upper = extension.toUpper();
  cRegistry registry(services);
  registry.CreateEXEAssociation(programFolder(services).folder() + u'/' + services.programName,
                                extension, upper + QStringLiteral(" File"), upper,
                                QStringLiteral("&QVT ") + upper + QStringLiteral(" Play"), false,
                                QStringLiteral("&Print"), false, QStringLiteral("&New"), false,
                                QString(), QStringLiteral("\\QVTFile.ico"));
}

}  // namespace qvt
