#pragma once
// The progress operations (shared/Processor.h) over the installed table's state, windows, event
// loop and screen (platform/fakes/InstalledPlatform.h), for a test's own steps.

#include "shared/Processor.h"

namespace qvt {

Processor InstalledProcessor();

void SetProcessingSuppressed(bool bValue);
bool IsProcessingSuppressed();
ProgressWindow GetProcessingForm();
void ShowProcessing(const QString& sMessage, bool bAutoSizeValue = true, double dblEvery = 0);
void ShowDeterminedProcessing(double dblMin, double dblMax, bool bWrap, const QString& sCaption);
void UpdateProcessing(const QString& sMessage);
void HideProcessing();
bool IsProcessingCancellable();
void CancelProcessing();

}  // namespace qvt
