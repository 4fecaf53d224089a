#pragma once
// The file test of the play list integrity check, the work of its job (player/startup/Job.h), run
// over a snapshot of the list's paths: which songs' files are missing and, with the accepted types
// known, which are of a type that is not accepted. Its progress is the number of songs tested.
//
// The work touches only its own copy of the paths and of the accepted types, and
// IFileSystem::attributes, which the Linux file system and its fake answer without state of
// their own (a test's attribute overrides are only read).
//
//   job.start([input = VerifyScan::Input{paths, types, &files()}](auto& promise) mutable {
//     VerifyScan::Run(input, promise);
//   });

#include <QPromise>
#include <QString>
#include <cstddef>
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
    IFileSystem* fs = nullptr;     // outlives the job
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

  // Tests every song, in order, on the job's thread; a cancel is looked at between songs. The
  // result is given only when every song was tested.
  static void Run(Input& input, QPromise<Found>& promise);
};

}  // namespace qvt
