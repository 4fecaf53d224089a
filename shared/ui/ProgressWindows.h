#pragma once
// Binds the progress operations (shared/Processor.h) to the windows frmProcessing and
// frmDeterminedProcessing. Programs call it once, after the QApplication exists.

namespace qvt {

void InstallProgressWindows();

}  // namespace qvt
