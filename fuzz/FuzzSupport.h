#pragma once
// What every fuzz target needs: a failed property ends the run with a crash that libFuzzer
// records, and one fake platform serves all the inputs of a run.
#include <QCoreApplication>
#include <cstdlib>

#include "platform/base/Log.h"
#include "platform/fakes/FakePlatform.h"
#include "shared/FileNumbers.h"
#include "shared/Processor.h"

namespace qvt::fuzz {

inline void check(bool condition) {
  if (!condition)
    std::abort();
}

// Called once at the start of every input. Logging stays quiet unless QVT_LOG asks for it: a
// damaged input is what every run is made of. What the fake recorded for the inputs before is
// forgotten, so that an input frees what it allocates (libFuzzer looks for leaks otherwise), and
// the progress operations start afresh.
inline FakePlatform& platform() {
  // The operations wait for their worker threads in an event loop, which needs the application
  // object as in the programs; it is made first, so that it goes last.
  static int argc = 1;
  static char name[] = "fuzz";
  static char* argv[] = {name, nullptr};
  static QCoreApplication app(argc, argv);
  static FakePlatform fake;
  static ProcessorState progress;
  progress = ProcessorState();
  qvt::platform().processor = &progress;
  static FileNumbers fileNumbers;
  qvt::platform().fileNumbers = &fileNumbers;
  static const bool quiet = (QuietLoggingUnlessAsked(), true);
  (void)quiet;
  fake.files.synced.clear();
  return fake;
}

}  // namespace qvt::fuzz
