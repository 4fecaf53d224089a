#include "tests/support/TestApp.h"

#include <clocale>
#include <cstdlib>

#include "platform/fakes/InstalledPlatform.h"
#include "shared/FileNumbers.h"
#include "shared/Processor.h"
#include "shared/ui/DesignFont.h"

namespace qvt::test {

void SetHeadlessEnvironment() {
  if (std::getenv("QT_QPA_PLATFORM") == nullptr)
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
  if (std::getenv("QUAVERTONE_AUDIO") == nullptr)
    setenv("QUAVERTONE_AUDIO", "null-fast", 1);
}

void PrepareApplication() {
  std::setlocale(LC_NUMERIC, "C");
  ApplyDesignFont();
  // The run's progress state and file numbers, kept to its end: a table put back by a test's
  // scope may still name them.
  static ProcessorState progress;
  platform().processor = &progress;
  static FileNumbers fileNumbers;
  platform().fileNumbers = &fileNumbers;
}

void StartProgressAfresh() {
  *platform().processor = ProcessorState();
}

}  // namespace qvt::test
