// Writes the man page: the template (data/man/quavertone.1.in, already configured by CMake) with
// its line "{{OPTIONS}}" replaced by the option table (CommandLineOptions.h) in troff, and
// "{{SUMMARY}}" by the program's one-line summary.
//
//   qvt_manpage TEMPLATE OUTPUT
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "player/cli/CommandLineOptions.h"

namespace {

// Text as troff reads it: a minus is "\-", a backslash "\e", and a line never starts with a dot.
std::string Troff(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (c == '-')
      out += "\\-";
    else if (c == '\\')
      out += "\\e";
    else
      out += c;
  }
  if (!out.empty() && (out[0] == '.' || out[0] == '\''))
    out = "\\&" + out;
  return out;
}

std::string OptionsSection() {
  std::ostringstream out;
  for (const qvt::cli::Option& option : qvt::cli::kOptions) {
    out << ".TP\n";
    if (option.shortName != nullptr)
      out << "\\fB" << Troff(option.shortName) << "\\fR, ";
    out << "\\fB" << Troff(option.name) << "\\fR";
    if (option.arguments[0] != '\0')
      out << " \\fI" << Troff(option.arguments) << "\\fR";
    out << "\n" << Troff(option.help) << "\n";
  }
  return out.str();
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: qvt_manpage TEMPLATE OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "qvt_manpage: cannot read " << argv[1] << "\n";
    return 1;
  }
  std::ostringstream page;
  std::string line;
  while (std::getline(in, line)) {
    if (line == "{{OPTIONS}}") {
      page << OptionsSection();
      continue;
    }
    const std::string::size_type at = line.find("{{SUMMARY}}");
    if (at != std::string::npos)
      line.replace(at, std::string("{{SUMMARY}}").size(), qvt::cli::kSummary);
    page << line << "\n";
  }
  std::ofstream out(argv[2]);
  out << page.str();
  return out.good() ? 0 : 1;
}
