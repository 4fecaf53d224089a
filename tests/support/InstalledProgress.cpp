#include "tests/support/InstalledProgress.h"

#include "platform/fakes/InstalledPlatform.h"

namespace qvt {

Processor InstalledProcessor() {
  return ProcessorOf(platform());
}

void SetProcessingSuppressed(bool bValue) {
  InstalledProcessor().SetSuppressed(bValue);
}

bool IsProcessingSuppressed() {
  return InstalledProcessor().IsSuppressed();
}

ProgressWindow GetProcessingForm() {
  return InstalledProcessor().Form();
}

void ShowProcessing(const QString& sMessage, bool bAutoSizeValue, double dblEvery) {
  InstalledProcessor().Show(sMessage, bAutoSizeValue, dblEvery);
}

void ShowDeterminedProcessing(double dblMin, double dblMax, bool bWrap, const QString& sCaption) {
  InstalledProcessor().ShowDetermined(dblMin, dblMax, bWrap, sCaption);
}

void UpdateProcessing(const QString& sMessage) {
  InstalledProcessor().Update(sMessage);
}

void HideProcessing() {
  InstalledProcessor().Hide();
}

bool IsProcessingCancellable() {
  return InstalledProcessor().IsCancellable();
}

void CancelProcessing() {
  InstalledProcessor().Cancel();
}

}  // namespace qvt
