#pragma once
// The player's command line before any window: an option of the table in CommandLineOptions.h
// runs here and ends the program; anything else (no argument, or a file for quick play) is left
// to the windows.
//
//   quavertone                  the player window           (not handled here)
//   quavertone song.mp3         quick play of that file     (not handled here)
//   quavertone --version        prints "Quavertone 1.33.1", exit 0
//   quavertone --bogus          says what is wrong on standard error, exit 2

#include <QString>
#include <QStringList>
#include <optional>

namespace qvt {
class IDesktop;
class IFileSystem;
}  // namespace qvt

namespace qvt::cli {

// What the options reach the machine through: the files they write are put in place through
// `files`, the desktop entry goes into the folders of `desktop`.
struct CommandLineServices {
  IFileSystem& files;
  IDesktop& desktop;
};

// The exit status when the command line was an option (run now), nullopt when the windows take
// it. An argument is an option when it begins with "--", or is "-h"; Qt's own one-dash options
// (-platform, -style...) and file names go to the windows. arguments exclude the program name.
// Options that need an application object (the desktop entry) get a QCoreApplication here.
std::optional<int> RunCommandLine(int argc, char** argv, const CommandLineServices& services);

// The same on a list of arguments, for an application that exists already (and for tests).
std::optional<int> RunOption(const QStringList& arguments, const CommandLineServices& services);

// The text --help prints.
QString HelpText();

}  // namespace qvt::cli
