#include "player/cli/CommandLine.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <cstring>

#include "player/cli/CommandLineOptions.h"
#include "player/cli/DesktopEntryCommand.h"
#include "player/playlists/ForeignList.h"
#include "player/version/ProgramVersion.h"
#include "shared/UpdateManifest.h"

namespace qvt::cli {

namespace {

constexpr int kUsageError = 2;
constexpr int kHelpWidth = 79;
constexpr int kHelpIndent = 26;

bool LooksLikeOption(const QString& argument) {
  return argument.startsWith(QStringLiteral("--")) || argument == QStringLiteral("-h");
}

const Option* Find(const QString& argument) {
  for (const Option& option : kOptions) {
    if (argument == QLatin1String(option.name) ||
        (option.shortName != nullptr && argument == QLatin1String(option.shortName))) {
      return &option;
    }
  }
  return nullptr;
}

void Print(std::FILE* stream, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
}

int UsageError(const QString& what) {
  Print(stderr, QStringLiteral("%1: %2\nTry '%1 --help' for more information.\n")
                    .arg(QLatin1String(kCommandName), what));
  return kUsageError;
}

// Words of text filled into lines of the help's right column.
QStringList Fill(const QString& text, int width) {
  QStringList lines;
  QString line;
  for (const QString& word : text.split(QLatin1Char(' '), Qt::SkipEmptyParts)) {
    if (!line.isEmpty() && line.size() + 1 + word.size() > width) {
      lines << line;
      line.clear();
    }
    line += (line.isEmpty() ? QString() : QStringLiteral(" ")) + word;
  }
  if (!line.isEmpty())
    lines << line;
  return lines;
}

QString VersionText() {
  const ProgramVersionNumbers v = ProgramVersion();
  return QStringLiteral("Quavertone %1.%2.%3\n").arg(v.major).arg(v.minor).arg(v.revision);
}

// The fingerprint the layout tool compares with its signing key's ("SHA256:" and 64 hexadecimal
// digits), or "none".
QString PublisherKeyText() {
  const QString fingerprint = UpdateManifest::Trust::Compiled().PublisherKeyFingerprint();
  return (fingerprint.isEmpty() ? QStringLiteral("none") : fingerprint) + QLatin1Char('\n');
}

int Run(const Option& option, const QStringList& arguments, const CommandLineServices& services) {
  const bool takesArguments = std::strlen(option.arguments) > 0;
  if (!takesArguments && arguments.size() > 1) {
    return UsageError(QStringLiteral("option '%1' takes no argument ('%2' given)")
                          .arg(arguments[0], arguments[1]));
  }
  switch (option.action) {
    case Action::Help:
      Print(stdout, HelpText());
      return 0;
    case Action::Version:
      Print(stdout, VersionText());
      return 0;
    case Action::PublisherKey:
      Print(stdout, PublisherKeyText());
      return 0;
    case Action::ExportM3u8:
      return ExportM3u8Command(services.files, arguments);
    case Action::InstallDesktopEntry:
      return InstallDesktopEntryCommand(services.files, services.desktop);
  }
  return kUsageError;
}

}  // namespace

QString HelpText() {
  const QString name = QLatin1String(kCommandName);
  const auto paragraph = [](const QString& words) {
    return Fill(words, kHelpWidth).join(QLatin1Char('\n')) + QLatin1Char('\n');
  };
  QString text = QStringLiteral("Usage: %1 [FILE]\n       %1 OPTION...\n").arg(name) +
                 paragraph(QStringLiteral("Quavertone, %1. Without an argument it opens the "
                                          "player window; with a FILE it plays that file in the "
                                          "quick play window.")
                               .arg(QLatin1String(kSummary))) +
                 QStringLiteral("\nOptions:\n");
  for (const Option& option : kOptions) {
    QString head = QStringLiteral("  ");
    if (option.shortName != nullptr)
      head += QLatin1String(option.shortName) + QStringLiteral(", ");
    head += QLatin1String(option.name);
    if (std::strlen(option.arguments) > 0)
      head += QLatin1Char(' ') + QLatin1String(option.arguments);
    if (head.size() + 2 > kHelpIndent) {
      text += head + QLatin1Char('\n');
      head.clear();
    }
    for (const QString& line : Fill(QLatin1String(option.help), kHelpWidth - kHelpIndent)) {
      text += head.leftJustified(kHelpIndent, QLatin1Char(' ')) + line + QLatin1Char('\n');
      head.clear();
    }
  }
  return text + QLatin1Char('\n') +
         paragraph(QStringLiteral("The manual page (man %1) lists the files the player keeps and "
                                  "the environment variables it reads.")
                       .arg(name));
}

std::optional<int> RunOption(const QStringList& arguments, const CommandLineServices& services) {
  if (arguments.isEmpty() || !LooksLikeOption(arguments[0]))
    return std::nullopt;
  const Option* option = Find(arguments[0]);
  if (option == nullptr)
    return UsageError(QStringLiteral("unknown option '%1'").arg(arguments[0]));
  return Run(*option, arguments, services);
}

std::optional<int> RunCommandLine(int argc, char** argv, const CommandLineServices& services) {
  if (argc < 2 || !LooksLikeOption(QFile::decodeName(argv[1])))
    return std::nullopt;
  QCoreApplication app(argc, argv);
  QStringList arguments;
  for (int i = 1; i < argc; ++i)
    arguments << QFile::decodeName(argv[i]);
  return RunOption(arguments, services);
}

}  // namespace qvt::cli
