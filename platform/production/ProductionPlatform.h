#pragma once
#include <QString>

namespace qvt {

// Fills the service table (platform/Platform.h) with the real services, for a program of that
// name: the Linux machine services, libmpv media, libcurl HTTP, the SQLite registry store, the
// Linux desktop and the progress windows on screen; no component files. Both programs call it
// once, after the QApplication exists; the services live as long as the process.
void InstallProductionPlatform(const QString& programName);

}  // namespace qvt
