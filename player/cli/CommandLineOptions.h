#pragma once
// The player's command-line options: one table that drives the parser (CommandLine.cpp), the
// text of --help and the OPTIONS section of the man page (ManPage.cpp, built into
// quavertone.1). A new option is one row here and one case in RunOption.
//
// Plain C++ without Qt, so that the man page generator needs nothing else.

namespace qvt::cli {

enum class Action {
  Help,
  Version,
  ExportM3u8,
  PublisherKey,
  InstallDesktopEntry,
};

struct Option {
  const char* name;       // "--help"
  const char* shortName;  // "-h", or nullptr
  const char* arguments;  // what follows the option, as the synopsis writes it; "" for none
  const char* help;       // one or two sentences, plain text
  Action action;
};

inline constexpr Option kOptions[] = {
    {"--help", "-h", "", "Print this help and exit.", Action::Help},
    {"--version", nullptr, "", "Print the player's version and exit.", Action::Version},
    {"--export-m3u8", nullptr, "[--relative] LIST.qvl OUT.m3u8",
     "Write the play list LIST.qvl as an extended M3U8 list OUT.m3u8 for other players and "
     "exit; with --relative, songs below OUT.m3u8's folder are written relative to it.",
     Action::ExportM3u8},
    {"--publisher-key", nullptr, "",
     "Print the fingerprint of the publisher's key this player checks updates with (or say that "
     "it was built without one) and exit.",
     Action::PublisherKey},
    {"--install-desktop-entry", nullptr, "",
     "Write the desktop entry quavertone.desktop for this program into the user's data folder "
     "($XDG_DATA_HOME/applications) and exit (an install runs it).",
     Action::InstallDesktopEntry},
};

// The program's name as commands and the man page spell it.
inline constexpr char kCommandName[] = "quavertone";
inline constexpr char kSummary[] = "a music player built around play lists";

}  // namespace qvt::cli
