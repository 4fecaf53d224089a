#pragma once
// The file test of the play list integrity check, run on a worker thread over a snapshot of
// the list's paths: which songs' files are missing and, with the accepted types known, which
// are of a type that is not accepted. The window thread waits for it in its event loop and
// reads the number of songs tested from an atomic counter, showing it at most about 25 times a
// second (the first and the last always). The worker is joined before run returns.
//
// The worker touches only its own copy of the paths and of the accepted types, and
// IFileSystem::attributes, which the Linux file system and its fake answer without state of
// their own (a test's attribute overrides are only read).
//
//   VerifyScan scan({paths, types, &files(), bLowPriority});
//   std::optional<VerifyScan::Found> found = scan.run(onTested, stopRequested);

#include <QString>
#include <cstddef>
#include <functional>
#include <optional>
#include <utility>
#include <vector>

#include "player/startup/SongArray.h"

namespace qvt {

class IFileSystem;

class VerifyScan {
 public:
  struct Input {
    SongArray paths;               // the songs, in list order (a copy shares the texts)
    std::optional<QString> types;  // the accepted types text; nothing: not known
    IFileSystem* fs = nullptr;     // used by the worker until run returns
    bool bLowPriority = false;     // the worker runs at idle priority
  };
  struct Found {
    std::vector<std::size_t> bad;      // ascending: missing, or a type not accepted
    std::size_t missing = 0;           // of them, the songs whose file was not found
    std::vector<std::size_t> untyped;  // ascending: found, but the types were not known
    SongArray paths;                   // the input's paths, handed back
  };

  // The type of a path as the test takes it: the text after its last ".", in upper case.
  static QString TypeOf(const QString& path);
  // Whether the types text lists the type as a whole word: the listed types are the runs of
  // letters and digits, compared in the same letter case ("MP3 MP2 OGG" lists no "M" or "P3").
  // An empty type, or one with any other character, is never listed.
  static bool Accepts(const QString& type, const QString& types);

  explicit VerifyScan(Input input) : input_(std::move(input)) {}

  // Starts the worker (once: it takes the input) and runs the event loop until it is done. onTested
  // gets the number of songs tested so far; stopRequested is asked after each of those and every 20
  // ms, and a true answer cancels the worker and returns nothing within milliseconds. An exception
  // out of onTested or stopRequested cancels as well and goes on to the caller.
  std::optional<Found> run(const std::function<void(std::size_t)>& onTested,
                           const std::function<bool()>& stopRequested);

 private:
  Input input_;
};

}  // namespace qvt
