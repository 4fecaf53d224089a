#pragma once
// What every fuzz target needs: a failed property ends the run with a crash that libFuzzer
// records, and one fake platform serves all the inputs of a run.
#include <QByteArray>
#include <QCoreApplication>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "platform/base/Log.h"
#include "platform/fakes/FakePlatform.h"
#include "shared/FileNumbers.h"
#include "shared/Processor.h"

namespace qvt::fuzz {

// The place of a failed check is printed, so that a crash's report says which property failed.
inline void check(bool condition, const char* file = __builtin_FILE(),
                  unsigned line = __builtin_LINE()) {
  if (condition)
    return;
  std::fprintf(stderr, "%s:%u: check failed\n", file, line);
  std::abort();
}

// The input as the bytes of a file.
inline QByteArray bytesOf(const uint8_t* data, size_t size) {
  return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// The blocks a file of `size` bytes is taken in, picked by `seed`: a few bytes, so that fields
// and line ends fall across blocks, but never so few that a large input takes long.
inline qsizetype blockSize(unsigned seed, qsizetype size) {
  return 1 + static_cast<qsizetype>(seed % 7) + size / 64;
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
