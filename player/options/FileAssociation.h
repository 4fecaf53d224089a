#pragma once
// File-type association. cRegistry::CreateEXEAssociation and
// cRegistry::CreateAdditionalEXEAssociations (declared in cRegistry.h) are defined in
// FileAssociation.cpp.
//
// Every value is the default value (string type) of its key, written below
// HKEY_CLASSES_ROOT and then below HKEY_LOCAL_MACHINE at "SOFTWARE\Classes\" + the same path:
//   "." + association            = class name
//   class                        = class description
//   class\shell\open             = open menu text ("&Open" when empty)
//   class\shell\open\command     = program + " %1"
//   class\shell\print, \command  = print text ("&Print"), program + " /p "%1""   (when asked)
//   class\shell\add, \command    = install text ("&Install " + association),
//                                  program + " /a "%1""                           (when asked)
//   class\shell\new, \command    = new text ("&New"), program + " /n "%1""       (when asked)
//   class\DefaultIcon            = the icon file in the program folder   (unless "-1")
// The first failing write ends the association with RegistryError 0x800469AC carrying the
// write's description; values written before it stay.
//
// When the services have a desktop (DesktopAssociation.h), a successful association is then also
// registered with it, so that the desktop opens such files with the program; a failure there
// is RegistryError 0x800469AC too.

#include <QString>

#include "player/options/cRegistry.h"

namespace qvt {

// The options window's association of an extension (as the user typed it) with the player:
// the program in the program folder, class description "<EXT> File", open verb
// "&QVT <EXT> Play", no print, new or install verb, and the icon "\QVTFile.ico", written through
// the services handed in. Throws RegistryError.
void AssociateExtension(const Services& services, const QString& extension);

}  // namespace qvt
