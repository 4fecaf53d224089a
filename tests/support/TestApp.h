#pragma once
// The application setup shared by the test and benchmark executables: offscreen Qt (test
// discovery runs the binaries without a display), libmpv's fast null audio output, LC_NUMERIC
// reset to "C" as libmpv requires, the windows' design font, and the progress operations' state,
// which every test and every benchmark starts with afresh.

namespace qvt::test {

// Call before the QApplication is created.
void SetHeadlessEnvironment();
// Call right after the QApplication is created.
void PrepareApplication();
// Puts the progress operations' state back as a program starts with it.
void StartProgressAfresh();

}  // namespace qvt::test
