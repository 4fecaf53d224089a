#pragma once
// The windows frmProcessing and frmDeterminedProcessing as the progress operations
// (shared/Processor.h) drive them: the service table's progressWindows in both programs.

#include "shared/Processor.h"

namespace qvt {

// One for the process; use after the QApplication exists.
IProgressWindows& ScreenProgressWindows();

}  // namespace qvt
