#pragma once
// Runs the Updater's procedure as its main does: started, then the event loop until it stops.
// Over the fakes the end of the program throws ProgramEnded, which stops it; that exception (or
// any other that stopped it) is thrown again from here, so a test catches it as from a call.
//
//   qvt::UpdaterProgram program(services, trust);
//   try { qvt::test::RunUpdater(program); } catch (const qvt::ProgramEnded& ended) { ... }

#include <QEventLoop>
#include <QTimer>
#include <exception>

#include "updater/UpdaterProgram.h"

namespace qvt::test {

// Returns without throwing only when the procedure has not stopped within `mostMs`.
inline void RunUpdater(UpdaterProgram& program, int mostMs = 120000) {
  QEventLoop loop;
  QObject::connect(&program, &UpdaterProgram::stopped, &loop, &QEventLoop::quit);
  QTimer::singleShot(mostMs, &loop, &QEventLoop::quit);
  program.Start();
  loop.exec();
  if (program.unhandled())
    std::rethrow_exception(program.unhandled());
}

}  // namespace qvt::test
