#pragma once
// The running program's version: major, minor and revision, each a 16-bit number.
//
// Every player executable compiles ProgramVersion.cpp itself with its own numbers, so two
// programs built from the same libraries can report different versions. The libraries only call
// ProgramVersion(); tests and benchmarks get the project's version from the library
// qvt_program_version.

#include <cstdint>

namespace qvt {

struct ProgramVersionNumbers {
  int16_t major = 0;
  int16_t minor = 0;
  int16_t revision = 0;
};

ProgramVersionNumbers ProgramVersion();

}  // namespace qvt
