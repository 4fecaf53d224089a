#pragma once
// The application setup shared by the test and benchmark executables: offscreen Qt (test
// discovery runs the binaries without a display), libmpv's fast null audio output, LC_NUMERIC
// reset to "C" as libmpv requires, and the windows' design font.

namespace qvt::test {

// Call before the QApplication is created.
void SetHeadlessEnvironment();
// Call right after the QApplication is created.
void PrepareApplication();

}  // namespace qvt::test
