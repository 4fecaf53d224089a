#pragma once
// The table of services that each program's start-up builds and hands down: the platform's
// (platform/Platform.h) and the shared layer's own, which the platform does not know. Windows,
// objects and operations of shared/ and the programs receive it (`services`) and pass it on;
// what takes only platform services takes the platform's part of it.

#include "platform/Platform.h"

namespace qvt {

class FileNumbers;
class IProgressWindows;
class ProcessorState;

struct Services : Platform {
  // The windows the progress operations drive (shared/Processor.h); none: the operations only
  // let the event loop run.
  IProgressWindows* progressWindows = nullptr;
  // What the progress operations remember between calls (shared/Processor.h): owned by the
  // program's start-up, and in tests by the test run, which starts each test with it afresh.
  ProcessorState* processor = nullptr;
  // The file numbers of the files the file manager opens (shared/FileNumbers.h): one table for
  // the program, owned by its start-up, and in tests by the test run.
  FileNumbers* fileNumbers = nullptr;
};

}  // namespace qvt
