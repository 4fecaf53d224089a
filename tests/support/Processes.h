#pragma once
// Finding and ending the processes of a program that a test started indirectly (a program
// started detached by another, so the test holds no handle on it), by the path of its
// executable.

#include <sys/types.h>
#include <QString>
#include <vector>

namespace qvt::test {

// The live processes whose executable is the file at `executable`, also when that file has
// since been replaced or deleted. Processes that have ended but not been reaped do not count.
std::vector<pid_t> ProcessesOf(const QString& executable);

// Waits, letting events run, until no process of `executable` is left. True when none is.
bool WaitUntilGone(const QString& executable, int timeoutMs);

// Asks every process of `executable` to end (SIGTERM), then kills what is left after
// `graceMs`. True when they ended within the grace time.
bool EndProcessesOf(const QString& executable, int graceMs);

}  // namespace qvt::test
