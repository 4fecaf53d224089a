#pragma once
#include <QString>

namespace qvt {

// Installs the Linux implementations of every platform service for a program of that name.
// Call after the QApplication exists.
void InstallLinuxPlatform(const QString& programName);

}  // namespace qvt
