#pragma once
// Whether the platform's controls come as separate component files that the player must check
// for at start-up (the common controls and the multimedia button bar). On Linux they are part
// of the program, so the answer is no and the checks do not run; tests set it to yes to run
// the checks' logic.

namespace qvt {

bool HasComponentFiles();
void SetHasComponentFiles(bool bValue);

}  // namespace qvt
