#include "player/version/ProgramVersion.h"

// The build gives the numbers of the executable (or library) this file is compiled into.
#if !defined(QVT_VERSION_MAJOR) || !defined(QVT_VERSION_MINOR) || !defined(QVT_VERSION_REVISION)
#error "QVT_VERSION_MAJOR, QVT_VERSION_MINOR and QVT_VERSION_REVISION must be defined"
#endif

namespace qvt {

ProgramVersionNumbers ProgramVersion() {
  return {QVT_VERSION_MAJOR, QVT_VERSION_MINOR, QVT_VERSION_REVISION};
}

}  // namespace qvt
